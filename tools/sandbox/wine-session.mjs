// The player's game: the module in the simulated game under wine64, with its event feed, its
// log, the player's controls and the game's keyboard (xdotool into the game window).
import { EventEmitter } from "node:events";
import { appendFileSync, existsSync, readFileSync, statSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { startSimGame, winePath } from "./simgame.mjs";
import { HostView } from "./host-view.mjs";

const LOG_EVERY_MS = 250;
export const FLOAT_VALUES = new Set(["mouseSensitivity", "drawDistance"]);  // fed as their bit patterns

// The key capture the module runs, as its log tells it.
export function captureFromLog(line, current) {
  if (line.includes("[CAPTURE] Keyboard capture enabled.")) return "keyboard";
  if (line.includes("[CAPTURE] Mouse capture enabled.")) return "mouse";
  if (line.includes("[CAPTURE] Capture disabled.") || line.includes("[CAPTURE] Cancelled by ESC.") ||
      line.includes("[MENU] CLOSED")) return null;
  return current;
}

// One line of text for a game event of the feed, or null for what is no news.
export function describeGameEvent(event, valuesSeen) {
  if (event.kind === "call") return `${event.routine}(${event.args.join(", ")})`;
  if (event.kind === "value") {
    // The first value of each is the game's starting state; only changes are news.
    if (!valuesSeen.has(event.name)) { valuesSeen.add(event.name); return null; }
    const bits = new DataView(new ArrayBuffer(4));
    bits.setUint32(0, event.value);
    const value = FLOAT_VALUES.has(event.name) ? bits.getFloat32(0).toPrecision(6) : event.value;
    return `${event.name} = ${value}`;
  }
  if (event.kind === "player-in-world") return "the player is in the world: Esc opens the pause menu";
  if (event.kind === "closed") return "window closed (WM_CLOSE)";
  if (event.kind === "control") return event.line.replace(/^game control /, "control: ");
  return null;
}

// Emits "feed" ({ source: "host" | "game", text }), "log" (line), "capture" (null, "keyboard",
// "mouse"), "exit"; view is the host's browsers.
export function startWineSession({ bin, wine64, workDir, savePatched = false }) {
  const controlsPath = join(workDir, "controls.txt");
  writeFileSync(controlsPath, "");
  const args = ["--controls", winePath(controlsPath), ...(savePatched ? ["--save-patched"] : [])];
  const sim = startSimGame({ bin, wine64, workDir, args });
  const session = new EventEmitter();
  const view = new HostView();
  const valuesSeen = new Set();
  session.kind = "wine";
  session.view = view;
  session.sim = sim;
  session.capture = null;
  session.savePatched = savePatched;

  sim.events.on("event", (event) => {
    if (event.source === "host") {
      view.follow(event);
      return;
    }
    const text = describeGameEvent(event, valuesSeen);
    if (text) session.emit("feed", { source: "game", text });
  });
  view.on("change", (entry, what) => session.emit("feed", { source: "host", text: `${entry.name}: ${what}` }));
  sim.events.on("exit", (code) => session.emit("exit", code));

  let offset = 0;
  const follower = setInterval(() => {
    if (!existsSync(sim.logPath) || statSync(sim.logPath).size <= offset) return;
    const text = readFileSync(sim.logPath).subarray(offset).toString("utf8");
    const complete = text.lastIndexOf("\n") + 1;
    offset += Buffer.byteLength(text.slice(0, complete));
    for (const line of text.slice(0, complete).replace(/^\uFEFF/, "").split("\n")) {
      if (!line) continue;
      session.emit("log", line.replace(/\r$/, ""));
      const capture = captureFromLog(line, session.capture);
      if (capture !== session.capture) { session.capture = capture; session.emit("capture", capture); }
    }
  }, LOG_EVERY_MS);

  session.pressKey = (name) => sim.pressKey(name);
  session.control = (line) => appendFileSync(controlsPath, line + "\n");
  session.stop = async () => {
    clearInterval(follower);
    await sim.stop();
  };
  return session;
}
