// The page author's player: the player server over the module in the simulated game (or over the
// mock without Wine), and in headless mode the player page in headless Chromium, whose picture
// of the screen is written after every change.
import { EventEmitter } from "node:events";
import { mkdirSync, mkdtempSync, renameSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { startPlayerServer } from "./player-server.mjs";
import { startWineSession } from "./wine-session.mjs";
import { startMockSession } from "./mock-session.mjs";
import { launchChromium, withinLimit } from "./host-browsers.mjs";

export const root = join(dirname(fileURLToPath(import.meta.url)), "..", "..");
const PICTURE_SETTLE_MS = 350;  // let a shown page paint before the picture is taken
const PICTURE_LIMIT_MS = 8000;
const STATE_POLL_MS = 250;
const BRIDGE = "http://127.0.0.1:47651";

// size: { width, height }; mock: no Wine; headless: pictures to picturePath after every change.
export async function startPlayer({ mock = false, headless = false, size = { width: 1920, height: 1080 }, port = 47660,
                                    wine64 = process.env.WINE64 || "wine64", picturePath = join(root, "build", "sandbox", "screen.png") }) {
  const workRoot = mkdtempSync(join(tmpdir(), "tembra-player-"));
  let sessions = 0;
  const startSession = (options) => {
    const workDir = join(workRoot, String(++sessions));
    mkdirSync(workDir);
    return mock ? startMockSession(options) : startWineSession({ bin: join(root, "build", "win64", "bin"), wine64, workDir, ...options });
  };
  const server = await startPlayerServer({ pagesRoot: join(root, "pages"), port, size, startSession });
  const player = { url: server.url, server, pictures: new EventEmitter(), shots: 0, browser: null, page: null };

  if (headless) {
    mkdirSync(dirname(picturePath), { recursive: true });
    player.browser = await launchChromium({ userDataDir: join(workRoot, "chromium") });
    player.page = await player.browser.newPage();
    await player.page.setViewport(size);
    await player.page.goto(server.url + "?headless", { waitUntil: "load" });

    // One picture at a time; a change during a picture asks for one more afterwards.
    let timer = null;
    let shooting = false;
    let again = false;
    const shoot = async () => {
      if (shooting) { again = true; return; }
      shooting = true;
      const scratch = picturePath + ".part.png";
      try {
        await withinLimit(player.page.screenshot({ path: scratch }), PICTURE_LIMIT_MS, "the picture");
        renameSync(scratch, picturePath);  // never a half-written picture at the path
        player.shots++;
        player.pictures.emit("picture", picturePath, player.shots);
      } catch (error) {
        player.pictures.emit("failed", error);
      }
      shooting = false;
      if (again) { again = false; player.pictureSoon(); }
    };
    player.pictureSoon = () => { clearTimeout(timer); timer = setTimeout(shoot, PICTURE_SETTLE_MS); };
    server.messages.on("message", (message) => { if (message.type !== "log") player.pictureSoon(); });

    // A change made through the bridge by any client shows in the state document.
    let lastState = "";
    const watchState = async () => {
      const text = await fetch(BRIDGE + "/state").then((answer) => answer.text()).catch(() => "");
      if (text !== lastState) { lastState = text; player.pictureSoon(); }
      player.stateTimer = setTimeout(watchState, STATE_POLL_MS);
    };
    watchState();
    player.pictureSoon();
  }

  player.stop = async () => {
    clearTimeout(player.stateTimer);
    await server.close();
    if (player.browser) await player.browser.close().catch(() => {});
  };
  return player;
}
