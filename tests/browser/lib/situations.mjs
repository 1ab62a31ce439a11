// The situations of the player's panel, each sent as the panel sends it and checked in the state
// document and the module's log; the same table for the simulated game and for the mock.
import assert from "node:assert/strict";

const BRIDGE = "http://127.0.0.1:47651";
const SITUATIONS = [
  { control: "bind 12 0 87", state: { "bindings.12.0": 87 } },
  // The current mode stays 3: the game keeps its index; 1366 x 768 is no ratio the game accepts.
  { control: "modes 800x600,1024x768,1366x768,320x240",
    state: { "settings.resolutionOptions": [{ mode: 0, width: 800, height: 600 }, { mode: 1, width: 1024, height: 768 }],
             "settings.resolutionWidth": 320 } },
  { control: "fault SetKeyboardKeyForAction on", request: "/bind?action=13&type=0&key=75",
    state: { "bindings.13": [1056, 1056, 0] }, log: "[NATIVE] EXCEPTION while changing binding." },
  { control: "fault SetKeyboardKeyForAction off", request: "/bind?action=13&type=0&key=75", state: { "bindings.13": [75, 1056, 0] } },
  { control: "defaults", state: { "bindings.12": [1046, 1050, 0], "bindings.13": [32, 1056, 0] } },
];

const member = (document, path) => path.split(".").reduce((value, key) => (value === undefined ? undefined : value[key]), document);

async function stateShows(expected, what) {
  const deadline = Date.now() + 5000;
  let state = null;
  while (Date.now() < deadline) {
    state = await fetch(BRIDGE + "/state").then((answer) => answer.json()).catch(() => null);
    if (state && Object.entries(expected).every(([path, value]) => JSON.stringify(member(state, path)) === JSON.stringify(value))) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  for (const [path, value] of Object.entries(expected)) assert.deepEqual(member(state, path), value, `${what}: ${path}`);
}

// player: from tools/sandbox/player.mjs; logLines: the module's log lines seen so far.
export async function trySituations(player, logLines) {
  for (const situation of SITUATIONS) {
    const from = logLines.length;
    const answer = await fetch(player.url.replace(/\/player\/$/, "/__player/control"),
      { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify({ line: situation.control }) });
    assert.equal(answer.status, 204);
    if (situation.request) {
      await new Promise((resolve) => setTimeout(resolve, 100));  // the game takes the control in its next frame
      assert.equal(await fetch(BRIDGE + situation.request).then((reply) => reply.text()), '{"ok":true}');
    }
    await stateShows(situation.state, situation.control);
    if (situation.log) {
      const deadline = Date.now() + 3000;
      while (!logLines.slice(from).some((line) => line.includes(situation.log)) && Date.now() < deadline) await new Promise((resolve) => setTimeout(resolve, 50));
      assert.ok(logLines.slice(from).some((line) => line.includes(situation.log)), `${situation.control}: the log says ${situation.log}`);
    }
  }
}
