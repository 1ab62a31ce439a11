// The browsers of the CEF host, played by real Chromium pages: each page is created, shown,
// hidden and focused as the module asks the (simulated) host, and a screenshot shows what the
// player would see: the visible pages stacked over the game.
import { EventEmitter } from "node:events";
import { mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { HostView, STACKING } from "./host-view.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(join(here, "..", "..", "tests", "browser", "package.json"));
const puppeteer = require("puppeteer-core");

export { PAGE_ORIGIN, BROWSER_NAMES, browserUrl } from "./host-view.mjs";
// A stand-in for the game's picture behind the pages: a city at dusk.
export const GAME_SCENE = readFileSync(join(here, "player", "game-scene.svg"), "utf8");
const SHOT_LIMIT_MS = 8000;  // a picture that takes longer has failed; the next change tries again

// The Chromium every test and the sandbox use: Debian's, headless, nothing fetched from outside.
export async function launchChromium({ userDataDir, pagesPort, headless = true }) {
  return puppeteer.launch({
    executablePath: process.env.TEMBRA_CHROMIUM || "/usr/bin/chromium",
    headless,
    dumpio: Boolean(process.env.TEMBRA_CHROMIUM_OUTPUT),
    userDataDir,
    args: [
      "--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
      "--disable-sync", "--no-first-run", "--disable-quic", "--hide-scrollbars",
      // Every page keeps running and painting as a host's browser does, not only the front tab.
      "--disable-background-timer-throttling", "--disable-backgrounding-occluded-windows",
      "--disable-renderer-backgrounding",
      ...(pagesPort ? [`--host-resolver-rules=MAP tembra.local 127.0.0.1:${pagesPort}`] : []),
    ],
  });
}

// Rejects when the work takes longer than the limit, so a picture can never hold up the next.
export function withinLimit(promise, ms, what) {
  let timer;
  const limit = new Promise((_, reject) => { timer = setTimeout(() => reject(new Error(`${what} took over ${ms} ms`)), ms); });
  return Promise.race([promise, limit]).finally(() => clearTimeout(timer));
}

export class HostBrowsers extends EventEmitter {
  constructor({ browser, sim, width = 1920, height = 1080 }) {
    super();
    this.browser = browser;
    this.size = { width, height };
    this.sim = sim;
    this.view = new HostView();
    this.browsers = this.view.browsers;  // id -> { id, name, url, visible, focused, page, ready }
    this.view.on("create", (entry) => { entry.ready = this.open(entry); });
    this.view.on("change", (entry, what) => {
      if (what === "focused") entry.ready.then((page) => page.bringToFront()).catch(() => {});
      this.emit("change", entry, what);
    });
  }

  // Follows the host calls made so far and from now on; listeners are attached before this.
  start() {
    for (const event of this.sim.seen) if (event.source === "host") this.view.follow(event);
    this.sim.events.on("event", (event) => { if (event.source === "host") this.view.follow(event); });
    return this;
  }

  async open(entry) {
    const page = await this.browser.newPage();
    entry.page = page;
    await page.setViewport(this.size);
    this.emit("page", entry, page);
    await page.goto(entry.url, { waitUntil: "load" }).catch((error) => this.emit("error", entry, error));
    return page;
  }

  // The visible browser the host last gave the input focus, which receives the player's keys.
  focusedPage() {
    return [...this.browsers.values()].find((entry) => entry.focused && entry.visible && entry.page) || null;
  }

  get(name) {
    return [...this.browsers.values()].find((entry) => entry.name === name);
  }

  visibleInOrder() {
    return [...this.browsers.values()]
      .filter((entry) => entry.visible && entry.page)
      .sort((a, b) => STACKING.indexOf(a.name) - STACKING.indexOf(b.name));
  }

  async reloadAll() {
    await Promise.all([...this.browsers.values()].map((entry) => entry.page && entry.page.reload().catch(() => {})));
  }

  // The visible pages over a stand-in for the game's picture, written as a PNG file. The layers
  // go through files: pictures inside the page text would make messages of many megabytes. The
  // compositing page has a window of its own and is brought to the front for its picture:
  // a background tab gets no frame to take.
  async screenshot(path) {
    this.scratch = this.scratch || mkdtempSync(join(tmpdir(), "tembra-screen-"));
    this.shots = (this.shots || 0) + 1;
    const layers = [];
    for (const entry of this.visibleInOrder()) {
      const file = join(this.scratch, `${this.shots}-${entry.name}.png`);
      await entry.page.bringToFront();
      await withinLimit(entry.page.screenshot({ path: file, omitBackground: true }), SHOT_LIMIT_MS, entry.name + "'s layer");
      layers.push(`<img alt="" src="${pathToFileURL(file).href}">`);
    }
    if (!this.compositor) {
      const context = await this.browser.createBrowserContext();
      this.compositor = await context.newPage();
      await this.compositor.setViewport(this.size);
    }
    const picture = join(this.scratch, "screen.html");
    writeFileSync(picture, `<!doctype html><style>
      html,body{margin:0;height:100%;overflow:hidden;background:#0b0d12}
      svg,img{position:fixed;inset:0;width:100%;height:100%}
    </style>${GAME_SCENE}${layers.join("")}`);
    await this.compositor.bringToFront();
    await withinLimit(this.compositor.goto(pathToFileURL(picture).href, { waitUntil: "load" }), SHOT_LIMIT_MS, "the picture");
    await withinLimit(this.compositor.screenshot({ path }), SHOT_LIMIT_MS, "the picture");
    const focused = this.focusedPage();
    if (focused) await focused.page.bringToFront();
    return path;
  }
}
