// The reference pages as a player using only the keyboard, and as axe-core and a 4K screen see
// them: real Chromium against the 64-bit module in the simulated game, in one game, in order.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdirSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { ID, root, startGame } from "./harness.mjs";
import { withinLimit } from "../../tools/sandbox/host-browsers.mjs";

const axePath = createRequire(import.meta.url).resolve("axe-core/axe.min.js");
await import(join(root, "pages", "sdk", "tembra.js"));
const TembraUI = globalThis.TembraUI;
const { KEYS, stepSetting } = TembraUI;

let game;
let pause;
const settingRequests = [];  // "name=value" of every /setting the pause page sent

const hostCall = (id, kind, flag) => (event) => event.source === "host" && event.id === id && event.kind === kind && event.flag === flag;
const gameValues = (name, from) => game.sim.seen.slice(from).filter((event) => event.kind === "value" && event.name === name)
  .map((event) => event.value);
const focused = () => pause.evaluate(() => {
  const node = document.activeElement;
  return node.id || (node.dataset.action !== undefined ? `slot ${node.dataset.action}.${node.dataset.type}` : node.textContent);
});
const hints = () => pause.$eval("#hints", (node) => node.textContent);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function until(condition, what, timeoutMs = 5000) {
  const deadline = Date.now() + timeoutMs;
  while (!condition()) {
    if (Date.now() > deadline) throw new Error("timed out waiting for " + what);
    await sleep(50);
  }
}

async function keys(...names) {
  for (const name of names) await pause.keyboard.press(name);
}

// Presses a key four times, each time waiting until the game's memory of the setting moves.
async function fourPresses(key, setting) {
  for (let press = 0; press < 4; press++) {
    const from = game.sim.seen.length;
    await pause.keyboard.press(key);
    await game.sim.waitForEvent((event) => event.kind === "value" && event.name === setting, 5000, from);
  }
}

async function state() {
  return pause.evaluate(() => fetch("http://127.0.0.1:47651/state").then((answer) => answer.json()));
}

// axe-core's violations, and every text under 4.5:1 (axe asks large text for only 3:1; its
// enhanced rule reports each text's ratio).
async function axeViolations(page) {
  if (!(await page.evaluate(() => Boolean(globalThis.axe)))) await page.addScriptTag({ path: axePath });
  return page.evaluate(async () => {
    const { violations } = await globalThis.axe.run(document, { resultTypes: ["violations"] });
    const enhanced = await globalThis.axe.run(document, { runOnly: ["color-contrast-enhanced"], resultTypes: ["violations"] });
    const low = enhanced.violations.flatMap((violation) => violation.nodes)
      .filter((node) => node.any.some((check) => check.data && check.data.contrastRatio < 4.5))
      .map((node) => `contrast under 4.5: ${node.target.join(" ")} ${node.any[0].data.contrastRatio}`);
    return violations.map((violation) =>
      `${violation.id}: ${violation.nodes.map((node) => node.target.join(" ") + " " + node.failureSummary).join("; ")}`).concat(low);
  });
}

before(async () => {
  game = await startGame();
  pause = await game.pageOf("pause");
  pause.on("request", (request) => {
    const match = /\/setting\?name=(\w+)&value=(-?\d+)/.exec(request.url());
    if (match) settingRequests.push(`${match[1]}=${match[2]}`);
  });
  await game.sim.waitForEvent((event) => event.kind === "player-in-world", 20000);
  await game.sim.waitForEvent(hostCall(ID.loading, "hide", 1), 15000);
  const from = game.sim.seen.length;
  await game.sim.pressKey("Escape");
  await game.sim.waitForEvent(hostCall(ID.pause, "focus", 1), 5000, from);
  await pause.waitForSelector('body[data-ready="true"][data-menu-open="true"]', { timeout: 5000 });
  await pause.waitForSelector("#setting-brightness:not([disabled])", { timeout: 5000 });
});

after(async () => {
  if (game) await game.stop();
});

test("four Right presses move Brightness four steps and the game follows; a volume steps by the game's levels; one request per change, by key or mouse", async () => {
  assert.equal(await focused(), "resume");
  assert.match(await hints(), /Choose.*Select.*Resume/);
  await keys("ArrowDown", "ArrowDown", "ArrowRight");  // Resume, Map, Display: into its first row
  // The resolution comes first where the game lists its display modes.
  if ((await focused()) === "setting-resolutionMode") await keys("ArrowDown");
  assert.equal(await focused(), "setting-brightness");
  assert.match(await hints(), /←→Change.*BackspaceBack/);

  const start = (await state()).settings.brightness;
  const direction = start > 90 ? -1 : 1;
  const press = direction > 0 ? "ArrowRight" : "ArrowLeft";
  const from = game.sim.seen.length;
  settingRequests.length = 0;
  await fourPresses(press, "brightness");
  const expected = [1, 2, 3, 4].map((step) => start + direction * step);
  await pause.waitForFunction((value) => document.querySelector('output[for="setting-brightness"]').textContent === String(value),
                              { timeout: 5000 }, expected[3]);
  await sleep(1000);  // past the slider's own hold: what shows now is what the game read back
  assert.deepEqual(settingRequests, expected.map((value) => `brightness=${value}`), "one request per press");
  assert.equal((await state()).settings.brightness, expected[3]);
  assert.equal(await pause.$eval('output[for="setting-brightness"]', (node) => node.textContent), String(expected[3]));
  const written = gameValues("brightness", from);
  assert.equal(written.length, 4, `the game's memory took four values: ${written}`);
  assert.ok(written.every((raw, index) => index === 0 || (raw - written[index - 1]) * direction > 0), `${written}`);

  // The effects volume: 65 levels, so from 0 the presses reach 2, 3, 5, 6: one level each.
  await keys("Backspace");
  assert.equal(await focused(), "Display");
  await keys("ArrowDown", "ArrowRight");
  assert.equal(await focused(), "setting-sfxVolume");
  await keys("Home");
  await until(() => gameValues("sfxVolume", 0).slice(-1)[0] === 0, "the volume at 0");
  const volumeFrom = game.sim.seen.length;
  settingRequests.length = 0;
  await fourPresses("ArrowRight", "sfxVolume");
  let value = 0;
  const values = [1, 2, 3, 4].map(() => (value = stepSetting("sfxVolume", value, 1)));
  assert.deepEqual(values, [2, 3, 5, 6]);
  await game.sim.waitForEvent((event) => event.kind === "call" && event.routine === "ApplySfxVolume" && event.args.join() === "4",
                              5000, volumeFrom);
  await sleep(1000);
  assert.deepEqual(settingRequests, values.map((value) => `sfxVolume=${value}`));
  assert.deepEqual(gameValues("sfxVolume", volumeFrom), [1, 2, 3, 4]);
  assert.equal(await pause.$eval('output[for="setting-sfxVolume"]', (node) => node.textContent), "6");

  // The mouse: a click on the track is one request, of a value the game holds.
  const track = await pause.$eval("#setting-sfxVolume", (node) => { const r = node.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  settingRequests.length = 0;
  await pause.mouse.click(track[0] + track[2] * 0.7, track[1] + track[3] / 2);
  await sleep(600);
  assert.equal(settingRequests.length, 1, settingRequests.join());
  const clicked = Number(settingRequests[0].split("=")[1]);
  assert.ok(clicked > 50 && clicked < 90 && TembraUI.settingValue("sfxVolume", clicked) === clicked, settingRequests[0]);
  await pause.focus("#setting-sfxVolume");

  // A toggle: one request per press, Left goes back to the section list.
  await keys("ArrowDown", "ArrowDown");
  assert.equal(await focused(), "setting-radioEq");
  settingRequests.length = 0;
  await keys("Enter");
  await sleep(600);
  assert.equal(settingRequests.length, 1, settingRequests.join());
  await keys("ArrowLeft");
  assert.equal(await focused(), "Audio");
});

test("focus after dialogs and rebinds is where the player was or goes next", async () => {
  // Quit, then Stay: back on Quit.
  await pause.focus('.rail-item[data-view="audio"]');
  await keys("ArrowDown", "ArrowDown", "ArrowDown");
  assert.equal(await focused(), "quit");
  await keys("Enter");
  await pause.waitForSelector("#overlay:not([hidden])");
  assert.equal(await focused(), "Stay");
  assert.match(await hints(), /←→Choose.*EnterSelect/);
  await keys("Enter");
  assert.equal(await focused(), "quit");
  assert.equal(game.log().includes("name=exit"), false);

  // Controls: Reset, then Cancel: back on Reset.
  await keys("ArrowUp");
  await keys("ArrowRight");
  assert.equal(await focused(), "reset-controls");
  await keys("Enter", "Enter");
  assert.equal(await focused(), "reset-controls");

  // A key no action holds, bound to Fire by keyboard: focus moves on to the next action's slot.
  const bindings = (await state()).bindings;
  const held = new Set(Object.values(bindings).flatMap((slots) => slots.slice(0, 2)));
  const [xName, code] = [["F9", KEYS.F9], ["F10", KEYS.F10], ["F11", KEYS.F11], ["Insert", KEYS.INSERT]]
    .find(([, candidate]) => !held.has(candidate));
  await keys("ArrowDown");
  assert.equal(await focused(), "slot 0.0");
  assert.match(await hints(), /EnterBind.*DelClear.*BackspaceBack/);
  const captures = () => game.log().split("[CAPTURE] Keyboard capture enabled.").length - 1;
  const capturesBefore = captures();
  const from = game.sim.seen.length;
  await keys("Enter");
  await until(() => captures() > capturesBefore, "the keyboard capture");
  await pause.waitForFunction(() => document.activeElement.textContent === "Cancel");
  await game.sim.pressKey(xName);
  await game.sim.waitForEvent((event) => event.kind === "call" && event.routine === "SetKeyboardKeyForAction" &&
                              event.args.join() === `0,${code},0`, 5000, from);
  await pause.waitForFunction(() => document.getElementById("overlay").hidden);
  assert.equal(await focused(), "slot 1.0");

  // Esc cancels a capture: focus stays on the slot; Backspace goes back to the section list.
  await keys("Enter");
  await until(() => captures() > capturesBefore + 1, "the second keyboard capture");
  await game.sim.pressKey("Escape");
  await pause.waitForFunction(() => document.getElementById("overlay").hidden, { timeout: 5000 });
  assert.equal(await focused(), "slot 1.0");
  assert.match(game.log(), /\[CAPTURE\] Cancelled by ESC\./);
  assert.equal(game.hosts.get("pause").visible, true, "ESC in a capture does not close the menu");
  await keys("ArrowRight", "Backspace");
  assert.equal(await focused(), "Controls");
});

test("axe-core finds nothing on the three pages: the menu in every section and with each dialog", async () => {
  const found = {};
  const check = async (name, page) => { found[name] = await axeViolations(page); };
  for (const view of ["display", "audio", "mouse", "controls"]) {
    await pause.click(`.rail-item[data-view="${view}"]`);
    await check(view, pause);
  }
  await pause.click("#reset-controls");
  await check("reset dialog", pause);
  await pause.keyboard.press("Escape");
  await pause.click('.slot[data-action="4"][data-type="2"]');
  await pause.waitForFunction(() => !document.getElementById("overlay").hidden);
  await check("capture dialog", pause);
  // The mouse clears a slot from the same dialog.
  await pause.click(".dialog-buttons .button:first-child");
  await until(() => game.log().includes("GET /bind?action=4&type=2&key=0"), "the cleared slot");
  await pause.click('.rail-item[data-view="display"]');
  await pause.click("#resume");
  await game.sim.waitForEvent(hostCall(ID.hud, "hide", 0), 5000);
  await check("hud", await game.pageOf("hud"));
  // The loading page held at its first steps: a bridge that never answers.
  const loading = await game.hosts.browser.newPage();
  await loading.goto(`http://tembra.local/loading/index.html?bridge=http://127.0.0.1:1`);
  await loading.waitForFunction(() => document.getElementById("tip").textContent !== "");
  await check("loading", loading);
  await loading.close();
  const opened = game.sim.seen.length;
  await game.sim.pressKey("Escape");
  await game.sim.waitForEvent(hostCall(ID.pause, "focus", 1), 5000, opened);
  await pause.waitForSelector("#view-home:not([hidden])");
  await check("home", pause);
  await pause.click("#quit");
  await check("quit dialog", pause);
  await pause.keyboard.press("Escape");
  assert.deepEqual(Object.entries(found).filter(([, list]) => list.length), []);
});

// Sizes of the menu's parts in rem-free pixels: the same proportions at every size.
function measure() {
  const box = (selector) => { const r = document.querySelector(selector).getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; };
  // A text wraps when it grows lower on more lines than it would take on one.
  const wraps = (node) => {
    const height = node.getBoundingClientRect().height;
    node.style.whiteSpace = "nowrap";
    const oneLine = node.getBoundingClientRect().height;
    node.style.whiteSpace = "";
    return oneLine < height - 0.5;
  };
  const wrapped = [...document.querySelectorAll(".rail-item, .hint, .row-label, .view-title, .slot, .brand-name, .home-facts dd")]
    .filter((node) => node.offsetParent !== null && wraps(node)).map((node) => node.textContent);
  const cut = [...document.querySelectorAll(".rail *, #hints *, .panel")].filter((node) => {
    const r = node.getBoundingClientRect();
    return node.offsetParent !== null && r.width > 0 && (r.right > innerWidth + 0.5 || r.bottom > innerHeight + 0.5);
  }).map((node) => node.className || node.tagName);
  const hints = document.getElementById("hints");
  return {
    boxes: [".rail", ".brand-name", "#resume", "#quit", ".panel", "#hints", "#setting-brightness"].map(box),
    wrapped,
    cut,
    hintsFit: hints.scrollWidth <= hints.clientWidth,
  };
}

// Its pictures at 1280 x 720 and 3840 x 2160 go to build/pictures (docs/ holds a pair of them).
test("the pause page keeps its proportions from 1280 x 720 to 3840 x 2160: nothing wraps or is cut", async () => {
  const pictures = join(root, "build", "pictures");
  mkdirSync(pictures, { recursive: true });
  // As a player on the keyboard would see it: the Display section, its Brightness row chosen.
  await pause.click('.rail-item[data-view="display"]');
  await pause.mouse.move(0, 0);
  await pause.focus("#setting-brightness");
  const sizes = {};
  for (const [width, height] of [[1280, 720], [1920, 1080], [3840, 2160]]) {
    game.hosts.size = { width, height };
    await pause.setViewport({ width, height });
    await sleep(300);
    sizes[width] = await pause.evaluate(measure);
    assert.deepEqual(sizes[width].wrapped, [], `wrapped at ${width}`);
    assert.deepEqual(sizes[width].cut, [], `cut at ${width}`);
    assert.equal(sizes[width].hintsFit, true, `the footer fits at ${width}`);
    if (width !== 1920) await withinLimit(pause.screenshot({ path: join(pictures, `pause-${width}x${height}.png`) }), 15000, "the picture");
  }
  for (const base of [1280, 1920]) {
    sizes[3840].boxes.forEach((box, index) => box.forEach((value, n) => {
      const scaled = sizes[base].boxes[index][n] * 3840 / base;
      assert.ok(Math.abs(value - scaled) <= Math.max(4, Math.abs(scaled) * 0.03),
                `part ${index} measure ${n}: ${value} at 3840, ${scaled} scaled from ${base}`);
    }));
  }
  assert.deepEqual(game.pageErrors, []);
});

test("the host's language chooses the strings, English where it has none; Spanish and Russian fit at 1280 x 720", async () => {
  const shown = {};
  for (const language of ["es-ES", "ru-RU", "pt-BR"]) {
    const page = await game.hosts.browser.newPage();
    await page.setViewport({ width: 1280, height: 720 });
    await page.evaluateOnNewDocument((tag) => Object.defineProperty(navigator, "language", { get: () => tag }), language);
    await page.goto("http://tembra.local/pause/index.html?bridge=http://127.0.0.1:1");
    await page.waitForSelector('body[data-ready="true"]');
    await page.click('.rail-item[data-view="display"]');
    const { wrapped, cut } = await page.evaluate(measure);
    shown[language] = await page.evaluate(() => [document.documentElement.lang, document.getElementById("resume").textContent,
      document.querySelector("#view-display .row-label").textContent, document.getElementById("hints").textContent]);
    assert.deepEqual({ wrapped, cut }, { wrapped: [], cut: [] }, language);
    await page.close();
  }
  assert.deepEqual(shown, {
    "es-ES": ["es", "Continuar", "Resolución", "↑↓ElegirEnterAceptarEscContinuar"],
    "ru-RU": ["ru", "Продолжить", "Разрешение", "↑↓ВыборEnterПринятьEscПродолжить"],
    "pt-BR": ["en", "Resume", "Resolution", "↑↓ChooseEnterSelectEscResume"],
  });
});
