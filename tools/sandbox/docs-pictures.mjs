// Takes the pictures in docs/ with the player in headless Chromium: the loading screen as the game
// starts, the pause menu after a real ESC, the HUD after Continue (each at 1920 x 1080, as the
// player sees it), and the player page itself with the pause menu's Audio view open.
// Run inside the sandbox's environment: WINE64=... node tools/sandbox/docs-pictures.mjs
import { join } from "node:path";
import { root, startPlayer } from "./player.mjs";
import { withinLimit } from "./host-browsers.mjs";

const docs = join(root, "docs");
const SETTLE_MS = 900;
const HUD_TOAST_MS = 4000;
const LIMIT_MS = 15000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const player = await startPlayer({ headless: true, port: 47662, picturePath: join(root, "build", "sandbox", "screen.png") });
const page = player.page;
const frameOf = async (target, name) => (await target.waitForSelector(`#layers iframe[data-name="${name}"]`, { timeout: LIMIT_MS })).contentFrame();
const picture = async (target, name) => {
  const path = join(docs, name);
  await withinLimit(target.screenshot({ path }), LIMIT_MS, name);
  console.log(path);
};
const escEnabled = new Promise((resolve) => player.server.messages.on("message", (message) => {
  if (message.type === "log" && message.line.includes("ESC enabled")) resolve();
}));

try {
  await page.waitForSelector('#layers iframe[data-name="loading"]:not(.hidden)', { timeout: LIMIT_MS });
  await sleep(SETTLE_MS);
  await picture(page, "loading.png");

  await withinLimit(escEnabled, LIMIT_MS, "the player in the world");
  const pause = await frameOf(page, "pause");
  await page.keyboard.press("Escape");
  await pause.waitForSelector('body[data-menu-open="true"]', { timeout: LIMIT_MS });
  await (await pause.waitForSelector('.rail-item[data-view="display"]')).click();
  await sleep(SETTLE_MS);
  await picture(page, "pause.png");

  // The player page as an author sees it, beside the game's screen.
  // A window of its own: the headless page keeps taking its pictures meanwhile, and a tab behind
  // another would get no frame to take.
  const author = await (await player.browser.createBrowserContext()).newPage();
  await author.setViewport({ width: 1640, height: 780 });
  await author.goto(player.url, { waitUntil: "load" });
  const authorPause = await frameOf(author, "pause");
  await authorPause.waitForSelector('body[data-menu-open="true"][data-menu-generation="1"]', { timeout: LIMIT_MS });
  await sleep(SETTLE_MS);
  // The screen is scaled to fit the page: the click goes where the author would click.
  const item = await authorPause.$eval('.rail-item[data-view="audio"]', (node) => {
    const box = node.getBoundingClientRect();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  });
  const screen = await author.$eval("#screen", (node) => {
    const box = node.getBoundingClientRect();
    return { x: box.x, y: box.y, scale: box.width / node.offsetWidth };
  });
  await author.mouse.click(screen.x + item.x * screen.scale, screen.y + item.y * screen.scale);
  await authorPause.waitForSelector("#setting-sfxVolume:not([disabled])", { visible: true, timeout: LIMIT_MS });
  await authorPause.focus("#setting-sfxVolume");
  for (let step = 0; step < 25; step++) await author.keyboard.press("ArrowLeft");  // a change the state panel marks
  await author.waitForSelector('#state span.changed[data-path="settings.sfxVolume"]', { timeout: LIMIT_MS });
  await sleep(SETTLE_MS);
  await picture(author, "player.png");
  await author.close();

  await page.bringToFront();
  await (await pause.$("#resume")).click();
  await page.waitForSelector('#layers iframe[data-name="hud"]:not(.hidden)', { timeout: LIMIT_MS });
  await sleep(HUD_TOAST_MS);  // the HUD's note of the volume change above has faded
  await picture(page, "hud.png");
} finally {
  await player.stop();
}
