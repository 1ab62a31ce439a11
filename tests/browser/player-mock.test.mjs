// The player without Wine (--mock) in headless mode, as the docs' pictures and a page author on
// any system use it: no Wine process, ESC opens the pause menu through the mock's keyboard, and
// every key typed into the player gives a fresh picture of the screen.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { startPlayer } from "../../tools/sandbox/player.mjs";
import { trySituations } from "./lib/situations.mjs";

let player;
const logLines = [];
const picturePath = join(mkdtempSync(join(tmpdir(), "tembra-mock-player-")), "screen.png");

// The commands of this process's descendants.
function descendants(pid = process.pid) {
  let list = "";
  try { list = execFileSync("ps", ["-o", "pid=,args=", "--ppid", String(pid)], { encoding: "utf8" }); } catch { /* none */ }
  const children = list.trim().split("\n").filter(Boolean);
  return children.flatMap((line) => {
    const [child, ...command] = line.trim().split(/\s+/);
    return [command.join(" "), ...descendants(child)];
  });
}

function nextPicture(after, timeoutMs = 6000) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no picture after number ${after} within ${timeoutMs} ms`)), timeoutMs);
    const onPicture = (path, count) => {
      if (count <= after) return;
      clearTimeout(timer);
      player.pictures.off("picture", onPicture);
      resolve(count);
    };
    player.pictures.on("picture", onPicture);
  });
}

before(async () => {
  player = await startPlayer({ mock: true, headless: true, port: 47664, size: { width: 1280, height: 720 }, picturePath });
  await player.server.session.ready;
  player.server.messages.on("message", (message) => { if (message.type === "log") logLines.push(message.line); });
});

after(async () => {
  if (player) await player.stop();
});

test("the mock plays the module with no Wine process, and ESC typed into the player opens the pause menu", async () => {
  assert.equal(player.server.session.kind, "mock");
  await player.page.waitForSelector('#layers iframe[data-name="hud"]:not(.hidden)', { timeout: 10000 });
  const pause = await (await player.page.waitForSelector('#layers iframe[data-name="pause"]')).contentFrame();
  await player.server.session.ready;
  await new Promise((resolve) => { const wait = () => (player.server.session.module.escEnabled ? resolve() : setTimeout(wait, 50)); wait(); });
  const before = readFileSync(picturePath);
  const shots = player.shots;
  await player.page.keyboard.press("Escape");
  await pause.waitForSelector('body[data-menu-open="true"][data-menu-generation="1"]', { timeout: 5000 });
  await nextPicture(shots);
  assert.notDeepEqual(readFileSync(picturePath), before, "the picture shows the pause menu");
  assert.deepEqual(descendants().filter((command) => /wine/i.test(command)), []);
});

test("twenty keys in a row each give a fresh picture", async () => {
  for (let key = 0; key < 20; key++) {
    const shots = player.shots;
    const pressedAt = Date.now();
    await player.page.keyboard.press(key % 2 ? "ArrowUp" : "ArrowDown");
    await nextPicture(shots);
    assert.ok(statSync(picturePath).mtimeMs >= pressedAt - 5, `picture ${key + 1} was taken after its key`);
  }
});

test("the situations of the panel reach the mock as they reach the simulated game", async () => {
  await trySituations(player, logLines);
});
