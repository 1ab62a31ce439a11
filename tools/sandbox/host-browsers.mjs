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
      // Every page keeps running and painting as a host's browser does, not only the front tab;
      // a screenshot of a page in the background would otherwise wait for a frame forever.
      "--disable-background-timer-throttling", "--disable-backgrounding-occluded-windows",
      "--disable-renderer-backgrounding",
      `--host-resolver-rules=MAP tembra.local 127.0.0.1:${pagesPort}`,
    ],
  });
}

// A file URL handed to the host names a Windows path; Wine's Z: drive is the Linux root.
export function browserUrl(url) {
  return url.replace(/^file:\/\/\/Z:\//i, "file:///");
}

// A stand-in for the game's picture behind the pages: a city at dusk.
const GAME_SCENE = `<svg viewBox="0 0 1920 1080" preserveAspectRatio="xMidYMid slice" xmlns="http://www.w3.org/2000/svg">
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#1d2f4f"/><stop offset="0.55" stop-color="#6a6f8e"/>
      <stop offset="0.8" stop-color="#e39a62"/><stop offset="1" stop-color="#f6c27d"/>
    </linearGradient>
    <radialGradient id="sun" cx="0.5" cy="0.5" r="0.5">
      <stop offset="0" stop-color="#fff2cf"/><stop offset="0.35" stop-color="#ffd08a" stop-opacity="0.8"/>
      <stop offset="1" stop-color="#ffb060" stop-opacity="0"/>
    </radialGradient>
    <linearGradient id="road" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#2b2b30"/><stop offset="1" stop-color="#121216"/>
    </linearGradient>
  </defs>
  <rect width="1920" height="760" fill="url(#sky)"/>
  <circle cx="1340" cy="640" r="260" fill="url(#sun)"/>
  <path d="M0 700 Q300 610 620 680 T1250 660 T1920 640 V760 H0Z" fill="#3a3550" opacity="0.85"/>
  <g fill="#15161f">
    <rect x="40" y="520" width="90" height="240"/><rect x="140" y="440" width="70" height="320"/>
    <rect x="220" y="560" width="120" height="200"/><rect x="350" y="380" width="80" height="380"/>
    <rect x="440" y="500" width="110" height="260"/><rect x="570" y="600" width="140" height="160"/>
    <rect x="1480" y="560" width="100" height="200"/><rect x="1590" y="420" width="70" height="340"/>
    <rect x="1670" y="520" width="120" height="240"/><rect x="1800" y="460" width="90" height="300"/>
  </g>
  <g fill="#ffd58a" opacity="0.55">
    <rect x="160" y="470" width="8" height="10"/><rect x="184" y="520" width="8" height="10"/>
    <rect x="370" y="420" width="8" height="10"/><rect x="398" y="470" width="8" height="10"/>
    <rect x="1610" y="450" width="8" height="10"/><rect x="1634" y="520" width="8" height="10"/>
    <rect x="1820" y="500" width="8" height="10"/><rect x="1700" y="560" width="8" height="10"/>
  </g>
  <rect y="760" width="1920" height="320" fill="#23262a"/>
  <path d="M760 760 H1160 L1700 1080 H220Z" fill="url(#road)"/>
  <g fill="#e8d37a" opacity="0.8">
    <path d="M955 780 H965 L968 820 H952Z"/><path d="M950 850 H970 L976 920 H944Z"/><path d="M942 980 H978 L988 1080 H932Z"/>
  </g>
</svg>`;

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
      html,body{margin:0;height:100%;overflow:hidden;background:#0b0d12}
      svg,img{position:fixed;inset:0;width:100%;height:100%}
    </style>${GAME_SCENE}${layers.join("")}`);
    await this.compositor.goto(pathToFileURL(picture).href, { waitUntil: "load" });
    await this.compositor.screenshot({ path });
    return path;
  }
}
