// The browsers of the CEF host, played by real Chromium pages (one tab each, as the browser
// tests use them): each page is created, shown, hidden and focused as the module asks the
// (simulated) host. The player (player.mjs) shows them together over the game.
import { EventEmitter } from "node:events";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { HostView } from "./host-view.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(join(here, "..", "..", "tests", "browser", "package.json"));
const puppeteer = require("puppeteer-core");

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

  get(name) {
    return [...this.browsers.values()].find((entry) => entry.name === name);
  }
}
