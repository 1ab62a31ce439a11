// The page author's player against the module in the simulated game under wine64, in real
// Chromium as an author would use it: the keys typed into the player page, the mouse on the
// pages in their frames, the game's memory in the event feed and the state panel beside them.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { startPlayer } from "../../tools/sandbox/player.mjs";
import { launchChromium } from "../../tools/sandbox/host-browsers.mjs";
import { trySituations } from "./lib/situations.mjs";

let player;
let browser;
let page;
const feed = [];
const logLines = [];

const frameOf = async (name) => {
  const handle = await page.waitForSelector(`#layers iframe[data-name="${name}"]`, { timeout: 20000 });
  return handle.contentFrame();
};
async function feedShows(pattern, from, timeoutMs = 8000) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    const line = feed.slice(from).find((text) => pattern.test(text));
    if (line) return line;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error(`the event feed never showed ${pattern}; last: ${feed.slice(-8).join(" | ")}`);
}
const stateLine = (path) => page.$eval(`#state span[data-path="${path}"]`, (node) => ({ text: node.textContent, changed: node.classList.contains("changed") }));

before(async () => {
  player = await startPlayer({ port: 47663, size: { width: 1280, height: 720 } });
  player.server.messages.on("message", (message) => {
    if (message.type === "feed") feed.push(message.text);
    if (message.type === "log") { feed.push("log " + message.line); logLines.push(message.line); }
  });
  browser = await launchChromium({ userDataDir: mkdtempSync(join(tmpdir(), "tembra-player-test-")) });
  page = await browser.newPage();
  await page.setViewport({ width: 1760, height: 900 });
});

after(async () => {
  if (browser) await browser.close().catch(() => {});
  if (player) await player.stop();
});

test("the player page opens with the module's pages as frames over the game and the state beside them", async () => {
  await page.goto(player.url, { waitUntil: "load" });
  assert.match(await page.$eval("#session", (node) => node.textContent), /simulated game under Wine/);
  await frameOf("hud");
  await page.waitForSelector('#state span[data-path="bindings.12"]', { timeout: 20000 });
  assert.match((await stateLine("bindings.12")).text, /\[1046,1050,0\].*Jump: Left Shift, Right Ctrl/);
  // The game's default bindings reach the HUD's key hints.
  const hud = await frameOf("hud");
  await hud.waitForFunction(() => document.body.textContent.includes("Sprint"), { timeout: 10000 });
});

test("ESC typed into the player goes through the game's keyboard and opens the pause menu", async () => {
  await feedShows(/ESC enabled/, 0, 20000);
  const pause = await frameOf("pause");
  await page.focus("#screen");
  await page.keyboard.press("Escape");
  await pause.waitForSelector('body[data-menu-open="true"][data-menu-generation="1"]', { timeout: 8000 });
  await page.waitForSelector('#layers iframe[data-name="pause"].focused:not(.hidden)');
  assert.ok(await page.$('#layers iframe[data-name="hud"].hidden'), "the HUD is hidden under the pause menu");
});

test("a mouse click on Audio and a drag of the effects slider reach the game's memory and show in the state panel", async () => {
  const pause = await frameOf("pause");
  // About one run in four the first click into the freshly focused frame shows its hover but no
  // view change (cause not found); an author clicks again, and so does this test.
  for (let attempt = 0; attempt < 3; attempt++) {
    await (await pause.waitForSelector('.rail-item[data-view="audio"]')).click();
    const shown = await pause.waitForFunction(() => {
      const slider = document.querySelector("#setting-sfxVolume:not([disabled])");
      return slider && slider.getBoundingClientRect().width > 0;
    }, { timeout: 3000 }).catch(() => null);
    if (shown) break;
  }
  const box = await (await pause.$("#setting-sfxVolume")).boundingBox();
  const from = feed.length;
  await page.mouse.move(box.x + box.width * 0.9, box.y + box.height / 2);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 0.3, box.y + box.height / 2, { steps: 8 });
  await page.mouse.up();
  await feedShows(/^ApplySfxVolume\(\d+\)$/, from);
  await new Promise((resolve) => setTimeout(resolve, 800));  // the drag's last change reaches the game
  const level = Number(feed.slice(from).filter((text) => /^sfxVolume = \d+$/.test(text)).pop().split(" = ")[1]);
  assert.ok(level > 5 && level < 40, `the game's level ${level} is about a third of 64`);
  const shown = await pause.$eval("#setting-sfxVolume", (node) => node.value);
  await page.waitForFunction((value) => {
    const line = document.querySelector('#state span[data-path="settings.sfxVolume"]');
    return line && line.textContent.startsWith(`settings.sfxVolume: ${value}`);
  }, { timeout: 5000 }, shown);
  assert.equal((await stateLine("settings.sfxVolume")).changed, true);
});

test("a mouse button bound with the mouse reaches the game's control configuration", async () => {
  const pause = await frameOf("pause");
  await (await pause.waitForSelector('.rail-item[data-view="controls"]')).click();
  const jumpMouse = await pause.waitForSelector('.slot[data-action="12"][data-type="2"]');
  await jumpMouse.click();
  await pause.waitForSelector("#overlay.capture:not([hidden])", { timeout: 5000 }).catch(() => pause.waitForSelector("#overlay:not([hidden])"));
  const from = feed.length;
  const box = await (await pause.$("#dialog-text")).boundingBox();
  // The right button: the game gives it to aiming and mouse look, so the page asks first.
  await page.mouse.click(box.x + 10, box.y + box.height / 2, { button: "right" });
  const bindAnyway = await pause.waitForSelector(".dialog-buttons .button.primary", { timeout: 5000 });
  await new Promise((resolve) => setTimeout(resolve, 500));  // the page ignores clicks just after the captured one
  await bindAnyway.click();
  await feedShows(/^SetMouseButtonForAction\(12, 3\)$/, from);
  await page.waitForFunction(() => {
    const line = document.querySelector('#state span[data-path="bindings.12"]');
    return line && line.textContent.includes("[1046,1050,3]");
  }, { timeout: 5000 }).catch(async (error) => { throw new Error(`${error.message}: ${(await stateLine("bindings.12")).text}; ${feed.slice(from).join(" | ")}`); });
});

test("the situations of the panel reach the simulated game", async () => {
  await trySituations(player, logLines);
});

test("the pages raised no error in the player", async () => {
  const errors = await page.$$eval("#console li", (items) => items.map((item) => item.textContent).filter((text) => /: (uncaught|error):/.test(text)));
  assert.deepEqual(errors, []);
});
