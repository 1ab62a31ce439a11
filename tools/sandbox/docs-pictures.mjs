// Takes the pictures of the three pages in docs/ as the player sees them at 1920 x 1080: the
// loading screen while the game starts, the pause menu after a real ESC, the HUD after Continue.
// Run inside the sandbox's environment: WINE64=... node tools/sandbox/docs-pictures.mjs
import { mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { startSimGame } from "./simgame.mjs";
import { servePages } from "./page-server.mjs";
import { HostBrowsers, launchChromium } from "./host-browsers.mjs";

const root = join(dirname(fileURLToPath(import.meta.url)), "..", "..");
const docs = join(root, "docs");
const PORT = 47662;
const PAUSE_ID = 0x7f002009;
const HUD_ID = 0x7f002002;
const LOADING_ID = 0x7f002003;
const SETTLE_MS = 900;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const hostCall = (id, kind, flag) => (event) => event.source === "host" && event.id === id && event.kind === kind && event.flag === flag;

const workDir = mkdtempSync(join(tmpdir(), "tembra-pictures-"));
const server = await servePages(join(root, "pages"), PORT);
const sim = startSimGame({ bin: join(root, "build", "win64", "bin"), wine64: process.env.WINE64 || "wine64", workDir });
const browser = await launchChromium({ userDataDir: join(workDir, "chromium"), pagesPort: PORT });
const hosts = new HostBrowsers({ browser, sim }).start();
try {
  await sim.waitForEvent(hostCall(LOADING_ID, "create", 0), 20000);
  await hosts.get("loading").ready;
  await sleep(SETTLE_MS);
  console.log(await hosts.screenshot(join(docs, "loading.png")));

  await sim.waitForEvent((event) => event.kind === "player-in-world", 20000);
  await sleep(SETTLE_MS);
  const opened = sim.seen.length;
  await sim.pressKey("Escape");
  await sim.waitForEvent(hostCall(PAUSE_ID, "focus", 1), 5000, opened);
  const pause = await hosts.get("pause").ready;
  await pause.click('.rail-item[data-view="display"]');
  await sleep(SETTLE_MS);
  console.log(await hosts.screenshot(join(docs, "pause.png")));

  const closed = sim.seen.length;
  await pause.click("#resume");
  await sim.waitForEvent(hostCall(HUD_ID, "hide", 0), 5000, closed);
  await sleep(SETTLE_MS);
  console.log(await hosts.screenshot(join(docs, "hud.png")));
} finally {
  sim.stop();
  server.close();
  await browser.close();
}
