// The page author's sandbox: the module in the simulated game, its browsers as real Chromium
// pages served as the host's local page origin, and this terminal as the game's keyboard.
//   node tools/sandbox/run.mjs [--urls] [--size 1280x720] [--port 47660]
import { watch, mkdirSync, readFileSync, existsSync, statSync } from "node:fs";
import { mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, relative } from "node:path";
import { fileURLToPath } from "node:url";
import { startSimGame } from "./simgame.mjs";
import { servePages } from "./page-server.mjs";
import { HostBrowsers, PAGE_ORIGIN, BROWSER_NAMES, browserUrl, launchChromium } from "./host-browsers.mjs";

const root = join(dirname(fileURLToPath(import.meta.url)), "..", "..");
const pagesRoot = join(root, "pages");
const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? args[args.indexOf(name) + 1] : fallback);
const urlsOnly = args.includes("--urls");
const [width, height] = option("--size", "1920x1080").split("x").map(Number);
const port = Number(option("--port", "47660"));
const screenPath = join(root, "build", "sandbox", "screen.png");
const SCREENSHOT_SETTLE_MS = 600;  // let a shown page paint before the picture is taken
const RELOAD_SETTLE_MS = 150;

// Terminal keys: [xdotool's name for the game window, the browser's name for the focused page].
const TERMINAL_KEYS = new Map([
  ["\x1b", ["Escape", null]], ["\r", ["Return", "Enter"]], ["\t", ["Tab", "Tab"]], [" ", ["space", " "]],
  ["\x7f", ["BackSpace", "Backspace"]], ["\x1b[3~", ["Delete", "Delete"]],
  ["\x1b[A", ["Up", "ArrowUp"]], ["\x1b[B", ["Down", "ArrowDown"]], ["\x1b[C", ["Right", "ArrowRight"]],
  ["\x1b[D", ["Left", "ArrowLeft"]], ["\x1bOP", ["F1", "F1"]], ["\x1bOQ", ["F2", "F2"]],
  ["\x1bOR", ["F3", "F3"]], ["\x1bOS", ["F4", "F4"]],
]);

const say = (text) => process.stdout.write(text + "\n");

// One read from the terminal can hold several keys ("\x1b[B\x1b[B\r"); each escape sequence
// is one key, as is every other character.
function splitKeys(data) {
  return data.match(/\x1b\[[0-9;]*[~A-Za-z]|\x1bO[A-Za-z]|[\s\S]/g) || [];
}
const quiet = (line) => line.includes("[BRIDGE] GET /state");  // polled several times a second

function printLogFrom(path, offset) {
  if (!existsSync(path) || statSync(path).size <= offset) return offset;
  const text = readFileSync(path).subarray(offset).toString("utf8");
  const complete = text.lastIndexOf("\n") + 1;
  for (const line of text.slice(0, complete).replace(/^\uFEFF/, "").split("\n")) {
    if (line && !quiet(line)) say("log   " + line);
  }
  return offset + Buffer.byteLength(text.slice(0, complete));
}

const FLOAT_VALUES = new Set(["mouseSensitivity", "drawDistance"]);  // fed as their bit patterns
const valuesSeen = new Set();

function describeGameEvent(event) {
  if (event.kind === "call") return `game  ${event.routine}(${event.args.join(", ")})`;
  if (event.kind === "value") {
    // The first value of each is the game's starting state; only changes are news.
    if (!valuesSeen.has(event.name)) { valuesSeen.add(event.name); return null; }
    const bits = new DataView(new ArrayBuffer(4));
    bits.setUint32(0, event.value);
    const value = FLOAT_VALUES.has(event.name) ? bits.getFloat32(0).toPrecision(6) : event.value;
    return `game  ${event.name} = ${value}`;
  }
  if (event.kind === "player-in-world") return "game  the player is in the world: Esc opens the pause menu";
  if (event.kind === "closed") return "game  window closed (WM_CLOSE)";
  return null;
}

function watchPages(onChange) {
  let timer = null;
  watch(pagesRoot, { recursive: true }, (_, file) => {
    clearTimeout(timer);
    timer = setTimeout(() => onChange(file), RELOAD_SETTLE_MS);
  });
}

// Failed requests, and the console line Chromium writes for each, are printed once per address
// and error until that address answers again, so a bridge that is down costs a line, not one
// per retry.
function reportPage(name, page) {
  const failing = new Set();
  const printed = new Set();
  page.on("console", (message) => {
    if (message.type() !== "error" && message.type() !== "warning") return;
    const text = `page  ${name}: console ${message.type()}: ${message.text()}`;
    if (printed.has(text)) return;
    printed.add(text);
    say(text);
  });
  page.on("pageerror", (error) => say(`page  ${name}: uncaught ${error.message}`));
  page.on("requestfailed", (request) => {
    const key = request.url().split("?")[0] + " " + (request.failure() || {}).errorText;
    if (failing.has(key)) return;
    failing.add(key);
    say(`page  ${name}: request failed: ${key}`);
  });
  page.on("response", (response) => {
    const url = response.url().split("?")[0];
    for (const key of failing) if (key.startsWith(url + " ")) { failing.delete(key); printed.clear(); }
    if (response.status() >= 400) say(`page  ${name}: ${response.status()} ${response.url()}`);
  });
}

async function main() {
  const workDir = mkdtempSync(join(tmpdir(), "tembra-sandbox-"));
  mkdirSync(dirname(screenPath), { recursive: true });
  const server = await servePages(pagesRoot, port);
  const sim = startSimGame({ bin: join(root, "build", "win64", "bin"), wine64: process.env.WINE64 || "wine64", workDir });
  let browser = null;
  let hosts = null;
  let stopping = false;

  async function stop(code) {
    if (stopping) return;
    stopping = true;
    sim.stop();
    server.close();
    if (browser) await browser.close().catch(() => {});
    process.exit(code);
  }
  process.on("SIGINT", () => stop(0));
  process.on("SIGTERM", () => stop(0));
  sim.events.on("exit", () => { say("game  simulated game ended"); stop(0); });

  // One picture at a time (they share the compositing page); a change during a picture asks
  // for one more afterwards.
  let shotTimer = null;
  let shooting = false;
  let shootAgain = false;
  async function shoot() {
    if (shooting) { shootAgain = true; return; }
    shooting = true;
    try { say("shot  " + await hosts.screenshot(screenPath)); } catch (error) { say("shot  failed: " + error.message); }
    shooting = false;
    if (shootAgain) { shootAgain = false; screenshotSoon(); }
  }
  const screenshotSoon = () => {
    if (!hosts) return;
    clearTimeout(shotTimer);
    shotTimer = setTimeout(shoot, SCREENSHOT_SETTLE_MS);
  };

  if (urlsOnly) {
    const local = `http://127.0.0.1:${port}`;
    sim.events.on("event", (event) => {
      if (event.source !== "host") return;
      const name = BROWSER_NAMES.get(event.id) || "browser " + event.id;
      if (event.kind === "create") say(`host  ${name}: open ${browserUrl(event.url).replace(PAGE_ORIGIN, local)}`);
      else say(`host  ${name}: ${event.kind === "hide" ? (event.flag ? "hidden" : "shown") : event.flag ? "focused" : "unfocused"}`);
    });
  } else {
    browser = await launchChromium({ userDataDir: join(workDir, "chromium"), pagesPort: port });
    hosts = new HostBrowsers({ browser, sim, width, height });
    hosts.on("page", (entry, page) => reportPage(entry.name, page));
    hosts.on("change", (entry, what) => { say(`host  ${entry.name}: ${what}`); screenshotSoon(); });
    hosts.on("error", (entry, error) => say(`page  ${entry.name}: ${error.message}`));
    hosts.start();
    watchPages(async (file) => {
      say(`page  ${file} changed: reloading`);
      await hosts.reloadAll();
      screenshotSoon();
    });
  }

  sim.events.on("event", (event) => {
    const text = event.source === "game" ? describeGameEvent(event) : null;
    if (text) say(text);
  });
  let logOffset = 0;
  setInterval(() => { logOffset = printLogFrom(sim.logPath, logOffset); }, 250);

  say(`pages  ${relative(process.cwd(), pagesRoot) || "."} served as ${PAGE_ORIGIN} (also http://127.0.0.1:${port})`);
  say("keys   Esc, Enter, Tab, arrows, Delete, F1-F4, letters and digits go to the game and the focused page;" +
      (urlsOnly ? "" : " Ctrl+S screenshot, Ctrl+R reload pages,") + " Ctrl+C quits");
  if (!process.stdin.isTTY) return;
  process.stdin.setRawMode(true);
  process.stdin.setEncoding("utf8");
  let typing = Promise.resolve();
  process.stdin.on("data", (data) => {
    for (const key of splitKeys(data)) typing = typing.then(() => onKey(key));
  });
  async function onKey(data) {
    if (data === "\x03" || data === "\x11") { stop(0); return; }
    if (data === "\x13") { screenshotSoon(); return; }
    if (data === "\x12" && hosts) { await hosts.reloadAll(); screenshotSoon(); return; }
    const letter = /^[a-z0-9]$/i.test(data) ? data.toLowerCase() : null;
    const [gameKey, pageKey] = TERMINAL_KEYS.get(data) || [letter, letter];
    if (!gameKey) return;
    // The key goes through the game's keyboard (and so the module's hook, which takes ESC and
    // captured keys); the host hands the focused browser the rest, as CEF does.
    await sim.pressKey(gameKey).catch((error) => say("keys  xdotool failed: " + error.message));
    const focused = hosts && hosts.focusedPage();
    say(`keys  ${gameKey} -> game` + (focused && pageKey ? ` and the ${focused.name} page` : ""));
    if (focused && pageKey) await focused.page.keyboard.press(pageKey).catch(() => {});
    screenshotSoon();
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
