// A player's whole session through the real pages in headless Chromium, against the 64-bit module
// in the simulated game: real keys by xdotool, the module's real host calls, the game's values.
// The roads run in order in one game, as a player would take them.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { join } from "node:path";
import { ID, root, startGame } from "./harness.mjs";

await import(join(root, "pages", "sdk", "tembra.js"));
const { GAME_ACTIONS, keyName } = globalThis.TembraUI;

let game;
let pause;

const hostCall = (id, kind, flag) => (event) => event.source === "host" && event.id === id && event.kind === kind && event.flag === flag;
const gameValue = (name, value) => (event) => event.kind === "value" && event.name === name && event.value === value;
const gameCall = (routine, ...args) => (event) => event.kind === "call" && event.routine === routine && event.args.join() === args.join();

async function until(condition, what, timeoutMs = 10000) {
  const deadline = Date.now() + timeoutMs;
  while (!condition()) {
    if (Date.now() > deadline) throw new Error("timed out waiting for " + what);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// The last value the feed showed for a game value.
function lastValue(name) {
  const events = game.sim.seen.filter((event) => event.kind === "value" && event.name === name);
  return events.length ? events[events.length - 1].value : undefined;
}

async function pressEscapeAndWaitForMenu() {
  const from = game.sim.seen.length;
  await game.sim.pressKey("Escape");
  await game.sim.waitForEvent(hostCall(ID.pause, "focus", 1), 5000, from);
  return from;
}

before(async () => {
  game = await startGame();
  pause = await game.pageOf("pause");
});

after(async () => {
  if (game) await game.stop();
});

test("the loading page hides itself once the game answers", async () => {
  await game.sim.waitForEvent(hostCall(ID.loading, "create", 0), 15000);
  await game.sim.waitForEvent(hostCall(ID.loading, "hide", 1), 15000);
  assert.match(game.log(), /\[BRIDGE\] GET \/action\?name=loading_hide/);
  assert.match(game.log(), /\[LOADING\] Hidden\. AUTH page is ready\./);
  assert.equal(game.hosts.get("loading").visible, false);
});

test("a real ESC opens the pause menu: the page is shown and focused, the HUD hidden, the page shows the menu", async () => {
  await game.sim.waitForEvent((event) => event.kind === "player-in-world", 15000);
  await until(() => game.log().includes("[ESC] Player ped detected in world -> ESC enabled."), "ESC to be enabled");
  const from = await pressEscapeAndWaitForMenu();
  assert.deepEqual(game.hostCallsSince(from, ID.pause), ["hide 0", "focus 1"]);
  assert.equal(game.hostCallsSince(from, ID.hud)[0], "hide 1");
  await pause.waitForSelector('body[data-menu-open="true"][data-menu-generation="1"]', { timeout: 5000 });
  assert.equal(await pause.$eval("#view-home", (node) => node.hidden), false);
  assert.equal(game.hosts.get("hud").visible, false);
});

test("the effects volume slider writes the game's byte, calls its volume routine, and shows the value read back", async () => {
  await pause.click('.rail-item[data-view="audio"]');
  await pause.waitForSelector("#setting-sfxVolume:not([disabled])");
  await pause.focus("#setting-sfxVolume");
  await pause.keyboard.press("Home");
  const from = game.sim.seen.length;
  for (let step = 0; step < 4; step++) await pause.keyboard.press("ArrowRight");
  // Each press is one of the game's 64 levels: the fourth is level 4, which reads back as 6.
  await game.sim.waitForEvent(gameValue("sfxVolume", 4), 5000, from);
  await game.sim.waitForEvent(gameCall("ApplySfxVolume", 4), 5000, from);
  await pause.waitForFunction(() => document.querySelector('output[for="setting-sfxVolume"]').textContent === "6",
                              { timeout: 5000 });
  assert.equal(await pause.$eval("#setting-sfxVolume", (node) => node.value), "6");
});

test("reset to defaults, then rebinding Jump with a real key that other actions hold", async () => {
  const jump = GAME_ACTIONS.find((action) => action.name === "Jump").index;
  const key = "H".charCodeAt(0);  // the horn's alternate key and the group's "stay" by default
  const slot = `.slot[data-action="${jump}"][data-type="0"]`;
  await pause.click('.rail-item[data-view="controls"]');

  // Reset, once confirmed, gives the game's default table; the page shows it.
  let from = game.sim.seen.length;
  await pause.click("#reset-controls");
  await pause.click(".dialog-buttons .button.primary");
  await game.sim.waitForEvent(gameCall("ReinitControls"), 5000, from);
  await until(() => GAME_ACTIONS.some((action) => lastValue(`action${action.index}.0`) === key), "a default key H");
  const holders = GAME_ACTIONS.filter((action) => action.index !== jump &&
    (lastValue(`action${action.index}.0`) === key || lastValue(`action${action.index}.1`) === key));
  assert.ok(holders.length > 0, "some other action holds H by default");
  const holderType = lastValue(`action${holders[0].index}.0`) === key ? 0 : 1;
  const holderSlot = `.slot[data-action="${holders[0].index}"][data-type="${holderType}"]`;
  await pause.waitForFunction((selector) => document.querySelector(selector).textContent === "H", { timeout: 5000 }, holderSlot);

  await pause.click(slot);
  await until(() => game.log().includes("[CAPTURE] Keyboard capture enabled."), "the keyboard capture");
  from = game.sim.seen.length;
  await game.sim.pressKey("h");
  // The page names the action that loses the key before anything is bound.
  const question = await pause.waitForFunction(() => {
    const overlay = document.getElementById("overlay");
    return !overlay.hidden && document.querySelector("#dialog-buttons .primary") &&
      document.getElementById("dialog-text").textContent;
  }, { timeout: 5000 });
  const text = await question.jsonValue();
  for (const holder of holders) assert.ok(text.includes(holder.name), `"${text}" names ${holder.name}`);
  assert.equal(game.sim.seen.slice(from).some(gameCall("SetKeyboardKeyForAction", jump, key, 0)), false);
  await pause.click(".dialog-buttons .button.primary");

  await game.sim.waitForEvent(gameCall("SetKeyboardKeyForAction", jump, key, 0), 5000, from);
  await game.sim.waitForEvent(gameValue(`action${jump}.0`, key), 5000, from);
  await pause.waitForFunction((selector, name) => document.querySelector(selector).textContent === name,
                              { timeout: 5000 }, slot, keyName(key));
  await pause.waitForFunction((selector) => document.querySelector(selector).textContent !== "H", { timeout: 5000 }, holderSlot);
  assert.match(game.log(), /\[CAPTURE\] Capture disabled\./);
});

test("Continue closes the menu and shows the HUD again", async () => {
  const from = game.sim.seen.length;
  await pause.click("#resume");
  await game.sim.waitForEvent(hostCall(ID.hud, "hide", 0), 5000, from);
  assert.deepEqual(game.hostCallsSince(from, ID.pause), ["focus 0", "hide 1"]);
  await pause.waitForSelector('body[data-menu-open="false"]', { timeout: 5000 });
  assert.equal(game.hosts.get("hud").visible, true);
});

test("a new opening starts from a clean view; Exit, once confirmed, closes the game window", async () => {
  await pressEscapeAndWaitForMenu();
  await pause.waitForSelector('body[data-menu-generation="2"]', { timeout: 5000 });
  assert.equal(await pause.$eval("#view-home", (node) => node.hidden), false);
  assert.equal(await pause.$eval("#view-controls", (node) => node.hidden), true);
  await pause.click("#quit");
  await pause.waitForSelector("#overlay:not([hidden])");
  assert.equal(game.log().includes("name=exit"), false, "nothing is sent before the player confirms");
  await pause.click(".dialog-buttons .button.danger");
  await game.sim.waitForEvent((event) => event.kind === "closed", 5000);
  assert.match(game.log(), /\[MENU\] Exit confirmed by user\./);
});

test("every /state answer the pages saw holds to the schema, and no page raised an error", () => {
  assert.ok(game.states.seen > 20, `${game.states.seen} answers`);
  assert.deepEqual(game.states.invalid, []);
  assert.deepEqual(game.pageErrors, []);
});
