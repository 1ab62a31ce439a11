// The browsers of the CEF host, played by real Chromium pages: each page is created, shown,
// hidden and focused as the module asks the (simulated) host, and a screenshot shows what the
// player would see: the visible pages stacked over the game.
import { EventEmitter } from "node:events";
import { mkdtempSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const require = createRequire(join(dirname(fileURLToPath(import.meta.url)), "..", "..", "tests", "browser", "package.json"));
const puppeteer = require("puppeteer-core");

export const PAGE_ORIGIN = "http://tembra.local";
export const BROWSER_NAMES = new Map([
  [0x7f002003, "loading"], [0x7f002009, "pause"], [0x7f002002, "hud"], [0x12362, "minimap"], [0x12365, "auth"],
]);
// Bottom to top, as the player sees them stacked over the game.
const STACKING = ["minimap", "hud", "pause", "auth", "loading"];

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
      `--host-resolver-rules=MAP tembra.local 127.0.0.1:${pagesPort}`,
    ],
  });
}

// A file URL handed to the host names a Windows path; Wine's Z: drive is the Linux root.
export function browserUrl(url) {
  return url.replace(/^file:\/\/\/Z:\//i, "file:///");
}

export class HostBrowsers extends EventEmitter {
  constructor({ browser, sim, width = 1920, height = 1080 }) {
    super();
    this.browser = browser;
    this.size = { width, height };
    this.sim = sim;
    this.browsers = new Map();  // id -> { id, name, url, page, visible, focused, ready }
  }

  // Follows the host calls made so far and from now on; listeners are attached before this.
  start() {
    for (const event of this.sim.seen) if (event.source === "host") this.follow(event);
    this.sim.events.on("event", (event) => { if (event.source === "host") this.follow(event); });
    return this;
  }

  nameOf(id) {
    return BROWSER_NAMES.get(id) || "browser " + id;
  }

  follow(event) {
    if (event.kind === "create") {
      const entry = { id: event.id, name: this.nameOf(event.id), url: browserUrl(event.url), visible: true, focused: false };
      entry.ready = this.open(entry);
      this.browsers.set(event.id, entry);
      this.emit("change", entry, "created " + entry.url);
      return;
    }
    const entry = this.browsers.get(event.id);
    if (!entry) return;  // a server's browser the host never made here
    // The host's calls are repeated often (the loading screen's upkeep every 250 ms); only a
    // change of a browser's state is reported.
    if (event.kind === "hide" && entry.visible !== (event.flag === 0)) {
      entry.visible = event.flag === 0;
      this.emit("change", entry, entry.visible ? "shown" : "hidden");
    } else if (event.kind === "focus" && entry.focused !== (event.flag === 1)) {
      entry.focused = event.flag === 1;
      if (entry.focused) entry.ready.then((page) => page.bringToFront()).catch(() => {});
      this.emit("change", entry, entry.focused ? "focused" : "unfocused");
    }
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

  visibleInOrder() {
    return [...this.browsers.values()]
      .filter((entry) => entry.visible && entry.page)
      .sort((a, b) => STACKING.indexOf(a.name) - STACKING.indexOf(b.name));
  }

  async reloadAll() {
    await Promise.all([...this.browsers.values()].map((entry) => entry.page && entry.page.reload().catch(() => {})));
  }

  // The visible pages over a stand-in for the game's picture, written as a PNG file. The layers
  // go through files: pictures inside the page text would make messages of many megabytes.
  async screenshot(path) {
    this.scratch = this.scratch || mkdtempSync(join(tmpdir(), "tembra-screen-"));
    this.shots = (this.shots || 0) + 1;
    const layers = [];
    for (const entry of this.visibleInOrder()) {
      const file = join(this.scratch, `${this.shots}-${entry.name}.png`);
      await entry.page.screenshot({ path: file, omitBackground: true, optimizeForSpeed: true });
      layers.push(`<img alt="" src="${pathToFileURL(file).href}">`);
    }
    if (!this.compositor) {
      this.compositor = await this.browser.newPage();
      await this.compositor.setViewport(this.size);
    }
    const picture = join(this.scratch, "screen.html");
    writeFileSync(picture, `<!doctype html><style>
      html,body{margin:0;height:100%;overflow:hidden}
      body{background:
        radial-gradient(circle at 78% 30%, rgba(255,236,190,.9) 0 3%, rgba(255,210,140,.25) 9%, transparent 22%),
        linear-gradient(to top, #3b3a32 0 22%, #6b6a5a 22% 23%, transparent 23%),
        linear-gradient(to top, #1f2a33 0 34%, transparent 34%),
        linear-gradient(#476b94, #b99b7a 70%, #d9b27e)}
      img{position:fixed;inset:0;width:100%;height:100%}
    </style>${layers.join("")}`);
    await this.compositor.goto(pathToFileURL(picture).href, { waitUntil: "load" });
    await this.compositor.screenshot({ path });
    return path;
  }
}
