// The page author's player: prints the address of the player page for your own browser and
// follows the game, the host and the pages in this terminal, which is the game's keyboard too.
//   node tools/sandbox/run.mjs [--mock] [--headless] [--size 1280x720] [--port 47660]
import { execFileSync } from "node:child_process";
import { existsSync } from "node:fs";
import { join, relative } from "node:path";
import { root, startPlayer } from "./player.mjs";

const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? args[args.indexOf(name) + 1] : fallback);
const [width, height] = option("--size", "1920x1080").split("x").map(Number);
// The simulated game needs its build, Wine and an X display; without them the mock plays it.
function wineMissing() {
  if (!existsSync(join(root, "build", "win64", "bin", "simgame.exe"))) return "the simulated game is not built (build/win64)";
  if (!process.env.DISPLAY) return "no X display";
  try { execFileSync(process.env.WINE64 || "wine64", ["--version"], { stdio: "ignore" }); } catch { return "no wine64"; }
  return null;
}
const missing = args.includes("--mock") ? null : wineMissing();
if (missing) process.stderr.write(`Wine cannot run the simulated game here (${missing}): the player runs with the mock in Node instead (--mock)\n`);
const mock = args.includes("--mock") || Boolean(missing);
const headless = args.includes("--headless");
const say = (text) => process.stdout.write(text + "\n");

// Terminal keys: [xdotool's name for the game, the browser's name for the headless player page].
const TERMINAL_KEYS = new Map([
  ["\x1b", ["Escape", "Escape"]], ["\r", ["Return", "Enter"]], ["\t", ["Tab", "Tab"]], [" ", ["space", " "]],
  ["\x7f", ["BackSpace", "Backspace"]], ["\x1b[3~", ["Delete", "Delete"]],
  ["\x1b[A", ["Up", "ArrowUp"]], ["\x1b[B", ["Down", "ArrowDown"]], ["\x1b[C", ["Right", "ArrowRight"]],
  ["\x1b[D", ["Left", "ArrowLeft"]], ["\x1bOP", ["F1", "F1"]], ["\x1bOQ", ["F2", "F2"]],
  ["\x1bOR", ["F3", "F3"]], ["\x1bOS", ["F4", "F4"]],
]);

// One read from the terminal can hold several keys ("\x1b[B\x1b[B\r"); each escape sequence
// is one key, as is every other character.
const splitKeys = (data) => data.match(/\x1b\[[0-9;]*[~A-Za-z]|\x1bO[A-Za-z]|[\s\S]/g) || [];

function describe(message) {
  if (message.type === "feed") return `${message.source.padEnd(5)} ${message.text}`;
  if (message.type === "log") return `log   ${message.line}`;
  if (message.type === "console") return `page  ${message.page}: ${message.level}: ${message.text}`;
  if (message.type === "capture") return `keys  key capture: ${message.capture || "ended"}`;
  if (message.type === "reload") return `page  ${message.file || "a page"} changed: reloading the pages`;
  return null;
}

const player = await startPlayer({ mock, headless, size: { width, height }, port: Number(option("--port", "47660")) });
if (headless) {
  player.pictures.on("picture", (path) => say("shot  " + relative(process.cwd(), path)));
  player.pictures.on("failed", (error) => say("shot  failed: " + error.message));
}
const stop = async () => { await player.stop(); process.exit(0); };
process.on("SIGINT", stop);
process.on("SIGTERM", stop);

say(mock ? "game  the mock in Node (no Wine): the bridge on 127.0.0.1:47651 answers as the module does"
         : "game  the module in the simulated game under Wine");
say(`open  ${player.url}   (the player: the game's screen at ${width} x ${height}, its pages, state, events, log and console)`);
say("keys  Esc, Enter, Tab, arrows, Delete, F1-F4, letters and digits typed here go to the game" +
    (headless ? " through the player page; Ctrl+S a picture," : ";") + " Ctrl+C quits");
const print = (message) => { const text = describe(message); if (text) say(text); };
player.server.history.forEach(print);
player.server.messages.on("message", print);

if (process.stdin.isTTY) {
  process.stdin.setRawMode(true);
  process.stdin.setEncoding("utf8");
  let typing = Promise.resolve();
  process.stdin.on("data", (data) => { for (const key of splitKeys(data)) typing = typing.then(() => onKey(key)); });
}

async function onKey(data) {
  if (data === "\x03" || data === "\x11") { await stop(); return; }
  if (data === "\x13" && headless) { player.pictureSoon(); return; }
  const letter = /^[a-z0-9]$/i.test(data) ? data.toLowerCase() : null;
  const [gameKey, pageKey] = TERMINAL_KEYS.get(data) || [letter, letter];
  if (!gameKey) return;
  // Headless, the key is typed into the player page, which sends the game its keys and hands the
  // focused page the rest, as the host does; otherwise it goes to the game's keyboard.
  if (headless) await player.page.keyboard.press(pageKey).catch(() => {});
  else await player.server.session.pressKey(gameKey).catch((error) => say("keys  failed: " + error.message));
}
