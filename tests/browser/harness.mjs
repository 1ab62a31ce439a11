// The module in the simulated game with its browsers in headless Chromium, one tab each as the
// host shows them, plus what the tests check: every "/state" answer against the schema and every
// page error.
import { mkdtempSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import Ajv2020 from "ajv/dist/2020.js";
import { startSimGame } from "../../tools/sandbox/simgame.mjs";
import { servePages } from "../../tools/sandbox/page-server.mjs";
import { HostBrowsers, launchChromium } from "../../tools/sandbox/host-browsers.mjs";

export const root = join(dirname(fileURLToPath(import.meta.url)), "..", "..");
export const PAGES_PORT = 47661;
export const ID = { loading: 0x7f002003, pause: 0x7f002009, hud: 0x7f002002 };

const schema = JSON.parse(readFileSync(join(root, "pages", "sdk", "state.schema.json"), "utf8"));
const validate = new Ajv2020({ allErrors: true, strict: false }).compile(schema);

export async function startGame({ bin = join(root, "build", "win64", "bin") } = {}) {
  const workDir = mkdtempSync(join(tmpdir(), "tembra-browser-test-"));
  const server = await servePages(join(root, "pages"), PAGES_PORT);
  const sim = startSimGame({ bin, wine64: process.env.WINE64 || "wine64", workDir });
  const browser = await launchChromium({ userDataDir: join(workDir, "chromium"), pagesPort: PAGES_PORT });
  const hosts = new HostBrowsers({ browser, sim });
  const states = { seen: 0, invalid: [] };
  const pageErrors = [];
  hosts.on("page", (entry, page) => {
    page.on("pageerror", (error) => pageErrors.push(`${entry.name}: ${error.message}`));
    page.on("response", async (response) => {
      if (!response.url().startsWith("http://127.0.0.1:47651/state")) return;
      const body = await response.json().catch(() => "not JSON");
      states.seen++;
      if (!validate(body)) states.invalid.push({ body, errors: validate.errors });
    });
  });
  hosts.start();

  async function pageOf(name, timeoutMs = 15000) {
    const deadline = Date.now() + timeoutMs;
    while (!hosts.get(name)) {
      if (Date.now() > deadline) throw new Error(`the host never created the ${name} browser`);
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    return hosts.get(name).ready;
  }

  // Host calls for one browser after a point in the feed, as "hide 1", "focus 0".
  function hostCallsSince(from, id) {
    return sim.seen.slice(from).filter((event) => event.source === "host" && event.id === id)
      .map((event) => `${event.kind} ${event.flag}`);
  }

  function log() {
    return readFileSync(sim.logPath, "utf8");
  }

  async function stop() {
    await sim.stop();
    server.close();
    await browser.close().catch(() => {});
  }

  return { sim, hosts, states, pageErrors, pageOf, hostCallsSince, log, stop };
}
