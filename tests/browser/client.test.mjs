// The page client without a game: its types match the state schema, and with no bridge it backs
// off quietly instead of flooding requests or the console, and its commands fail without throwing.
import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
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
