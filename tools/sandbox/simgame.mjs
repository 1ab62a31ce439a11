// Runs the simulated game (simgame.exe under wine64) with the module in it and follows its event
// feed: the module's calls to the host, the game routines it called and the game values it
// changed. Keys are typed into the game window with xdotool, as a player would.
import { spawn, execFile } from "node:child_process";
import { EventEmitter } from "node:events";
import { closeSync, existsSync, openSync, readSync, rmSync, statSync } from "node:fs";
import { connect } from "node:net";
import { join } from "node:path";
import { promisify } from "node:util";

const run = promisify(execFile);
const FOLLOW_EVERY_MS = 30;
const BRIDGE_PORT = 47651;
const PORT_FREE_MS = 5000;

async function portFree(port) {
  const deadline = Date.now() + PORT_FREE_MS;
  while (Date.now() < deadline) {
    const taken = await new Promise((resolve) => {
      const socket = connect(port, "127.0.0.1", () => { socket.destroy(); resolve(true); });
      socket.on("error", () => resolve(false));
    });
    if (!taken) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// "host hide 2130714626 1" -> { source: "host", kind: "hide", id: 2130714626, flag: 1 }
export function parseEvent(line) {
  const words = line.split(" ");
  const [source, kind] = words;
  if (source === "host") {
    const event = { source, kind, id: Number(words[2]), flag: Number(words[3]), line };
    if (kind === "create") Object.assign(event, { flagB: Number(words[4]), url: words.slice(5).join(" ") });
    return event;
  }
  if (kind === "call") return { source, kind, routine: words[2], args: words.slice(3).map(Number), line };
  if (kind === "value") return { source, kind, name: words[2], value: Number(words[3]), line };
  if (kind === "window") return { source, kind, xWindow: words[2], line };
  return { source, kind, line };
}

// A Linux path as the Windows programs under Wine see it: the Z: drive is the Linux root.
export const winePath = (path) => "Z:" + path.replaceAll("/", "\\");

// bin: the folder of simgame.exe and the module; wine64: Wine's loader; workDir: for the feed;
// args: more of simgame.exe's options ("--controls", "--save-patched").
export function startSimGame({ bin, wine64, workDir, env = process.env, args = [] }) {
  const feedPath = join(workDir, "events.txt");
  const outputPath = join(workDir, "simgame.out");
  rmSync(feedPath, { force: true });
  rmSync(join(bin, "TembraUI.log"), { force: true });
  // Never a pipe for a Wine program's output: Wine's background services would hold it open.
  const output = openSync(outputPath, "w");
  const game = spawn(wine64, [join(bin, "simgame.exe"), "--events", winePath(feedPath), ...args],
                     { cwd: bin, env, stdio: ["ignore", output, output] });
  closeSync(output);

  const events = new EventEmitter();
  const seen = [];
  let xWindow = null;
  let offset = 0;
  let partial = "";
  let ended = false;

  function follow() {
    if (!existsSync(feedPath)) return;
    const size = statSync(feedPath).size;
    if (size <= offset) return;
    const buffer = Buffer.alloc(size - offset);
    const file = openSync(feedPath, "r");
    readSync(file, buffer, 0, buffer.length, offset);
    closeSync(file);
    offset = size;
    const lines = (partial + buffer.toString("utf8")).split("\n");
    partial = lines.pop();
    for (const line of lines) {
      const event = parseEvent(line.trim());
      if (event.kind === "window") xWindow = event.xWindow;
      seen.push(event);
      events.emit("event", event);
    }
  }
  const follower = setInterval(follow, FOLLOW_EVERY_MS);
  game.on("exit", (code) => {
    follow();
    clearInterval(follower);
    ended = true;
    events.emit("exit", code);
  });

  // Resolves with the first event (already seen or still to come) that passes the test.
  function waitForEvent(test, timeoutMs = 10000, from = 0) {
    return new Promise((resolve, reject) => {
      const earlier = seen.slice(from).find(test);
      if (earlier) { resolve(earlier); return; }
      const timer = setTimeout(() => {
        events.off("event", onEvent);
        reject(new Error(`no such game event within ${timeoutMs} ms`));
      }, timeoutMs);
      function onEvent(event) {
        if (!test(event)) return;
        clearTimeout(timer);
        events.off("event", onEvent);
        resolve(event);
      }
      events.on("event", onEvent);
    });
  }

  // Types one key (xdotool's key names: Escape, w, F1, Return) into the game window. The window
  // is given the X input focus once; nothing else on the display takes it (Chromium is headless).
  let focusGiven = false;
  async function pressKey(name) {
    if (!xWindow) await waitForEvent((event) => event.kind === "window");
    const focus = focusGiven ? [] : ["windowfocus", "--sync", xWindow];
    await run("xdotool", [...focus, "key", "--clearmodifiers", name], { env });
    focusGiven = true;
  }

  // Resolves once the game's process is gone and its bridge's port is free again: Wine's server
  // holds a program's sockets and lets them go a moment after the program ended.
  const exited = new Promise((resolve) => game.once("exit", resolve));
  async function stop() {
    clearInterval(follower);
    if (!ended) game.kill();
    await exited;
    await portFree(BRIDGE_PORT);
  }

  return {
    events,
    get seen() { return seen; },
    get ended() { return ended; },
    outputPath,
    logPath: join(bin, "TembraUI.log"),
    waitForEvent,
    pressKey,
    stop,
  };
}
