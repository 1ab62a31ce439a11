// The page client without a game: its types match the state schema, and with no bridge it backs
// off quietly instead of flooding requests or the console, and its commands fail without throwing.
import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createServer as createHttpServer } from "node:http";
import { createServer } from "node:net";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { generate } from "../../tools/state-types.mjs";

const root = join(dirname(fileURLToPath(import.meta.url)), "..", "..");
const sdk = join(root, "pages", "sdk");

test("the .d.ts carries the state types generated from the schema", () => {
  const schema = JSON.parse(readFileSync(join(sdk, "state.schema.json"), "utf8"));
  const types = readFileSync(join(sdk, "tembra.d.ts"), "utf8");
  assert.ok(types.includes(generate(schema)), "pages/sdk/tembra.d.ts is stale: run node tools/state-types.mjs");
  // Every member the client hands to pages is a member of the document.
  for (const member of ["supported", "menuOpen", "menuGeneration", "captureCancelCounter", "capturedKey", "capturedKeyCounter", "settings", "bindings"]) {
    assert.ok(member in schema.properties, member);
  }
});

// A port that nothing listens on: bound, noted and closed again.
async function deadPort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

test("without a bridge the client retries with growing pauses, says so once, prints nothing", async () => {
  await import(join(sdk, "tembra.js"));
  const realFetch = globalThis.fetch;
  const attempts = [];
  globalThis.fetch = (url, init) => { attempts.push(Date.now()); return realFetch(url, init); };
  const printed = [];
  const consoleMethods = ["log", "info", "warn", "error", "debug"];
  const originals = consoleMethods.map((name) => console[name]);
  consoleMethods.forEach((name) => { console[name] = (...args) => printed.push(args.join(" ")); });
  try {
    const client = globalThis.TembraUI.connect({ bridge: `http://127.0.0.1:${await deadPort()}` });
    let lost = 0;
    client.on("disconnected", () => lost++);
    const command = await client.setting("sfxVolume", 50);
    await new Promise((resolve) => setTimeout(resolve, 3200));
    client.stop();
    assert.deepEqual(command, { ok: false, status: 0, error: "bridge not reachable" });
    // Polls at 0, 0.5, 1.5 and 3.5 s (0.5, 1, 2 s pauses), plus the one command.
    const polls = attempts.length - 1;
    assert.ok(polls >= 3 && polls <= 4, `${polls} polls in 3.2 s`);
    assert.equal(lost, 1);
    assert.equal(client.connected, false);
    assert.deepEqual(printed, []);
  } finally {
    globalThis.fetch = realFetch;
    consoleMethods.forEach((name, index) => { console[name] = originals[index]; });
  }
});

test("in a page that reports itself hidden the client polls as often as in a shown one", async () => {
  await import(join(sdk, "tembra.js"));
  const polls = [];
  const server = createHttpServer((request, response) => {
    polls.push(Date.now());
    response.writeHead(200, { "Content-Type": "application/json" });
    response.end('{"supported":false}');
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  // A host's browser that it shows while its page reads document.hidden as true.
  globalThis.document = { hidden: true, addEventListener() {}, removeEventListener() {} };
  try {
    const client = globalThis.TembraUI.connect({ bridge: `http://127.0.0.1:${server.address().port}` });
    await new Promise((resolve) => setTimeout(resolve, 1300));
    client.stop();
    // 200 ms after each answer: the first at once, then about five more.
    assert.ok(polls.length >= 5 && polls.length <= 8, `${polls.length} polls in 1.3 s`);
  } finally {
    delete globalThis.document;
    server.close();
  }
});

test("every key the module's capture can report has its own name in the client", async () => {
  await import(join(sdk, "tembra.js"));
  const { keyName } = globalThis.TembraUI;
  const table = readFileSync(join(root, "keyboard", "game_key_codes.cpp"), "utf8");
  // A game code may stand in the table more than once (a key found by its place and by its
  // virtual key); each code needs one name of its own.
  const codes = [...new Set([
    ...[...table.matchAll(/\{0x[0-9A-F]+, (\d+)\}/g)].map((match) => Number(match[1])),
    ...[...table.matchAll(/\{0x[0-9A-F]+, '(\\?.)'\}/g)].map((match) => match[1].at(-1).charCodeAt(0)),
    1039, 1045,  // Enter: the keypad's and the main one, chosen by the extended flag
    ..."ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789".split("").map((c) => c.charCodeAt(0)),
  ])];
  assert.ok(codes.length > 90, `${codes.length} codes read from the module's table`);
  const names = codes.map(keyName);
  for (const [index, name] of names.entries()) assert.match(name, /^(?!Key \d)./, `code ${codes[index]}`);
  assert.equal(new Set(names).size, names.length, "two codes share a name");
  for (const none of [0, 1056, -1]) assert.equal(keyName(none), "");
});

test("a key's current holders are the other actions with it in a slot of the same kind", async () => {
  await import(join(sdk, "tembra.js"));
  const { actionsHoldingKey } = globalThis.TembraUI;
  const bindings = Object.fromEntries([...Array(59).keys()].map((action) => [String(action), [0, 0, 0]]));
  bindings["4"] = [87, 0, 0];   // Forward: W
  bindings["24"] = [0, 87, 1];  // Accelerate: W as its second key, left button
  bindings["0"] = [0, 0, 1];    // Fire: left button
  const holders = (type, key, except) => actionsHoldingKey(bindings, type, key, except).map((h) => `${h.action}.${h.type}`);
  const cases = [
    [0, 87, 12, ["4.0", "24.1"]],  // keyboard slot: both keyboard slots of every action count
    [1, 87, 4, ["24.1"]],          // the action being bound is not its own rival
    [2, 1, 45, ["0.2", "24.2"]],   // a mouse button: only mouse slots
    [2, 87, 45, []],               // a key code in the mouse slot is another thing entirely
    [0, 0, 12, []],                // clearing a slot takes nothing from anyone
  ];
  for (const [type, key, except, expected] of cases) assert.deepEqual(holders(type, key, except), expected, `${type}/${key}`);
});
