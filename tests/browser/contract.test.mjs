// One table of requests and answers (bridge-contract.json) against the module in the simulated
// game under wine64 and against the mock in Node: each must answer as the table says, and both
// must give the same bytes for the same requests, so the mock cannot drift from the module.
import { test } from "node:test";
import assert from "node:assert/strict";
import { mkdtempSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { rawExchange, parseAnswer } from "./lib/bridge.mjs";
import { root } from "./harness.mjs";
import { startWineSession } from "../../tools/sandbox/wine-session.mjs";
import { startMockSession } from "../../tools/sandbox/mock-session.mjs";

const { rows } = JSON.parse(readFileSync(new URL("./bridge-contract.json", import.meta.url), "utf8"));
const SETTLE_MS = 300;  // the game applies a command in its next frame and rebuilds the state within 120 ms
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const member = (document, path) => path.split(".").reduce((value, key) => (value === undefined ? undefined : value[key]), document);

async function exchange(send, origin) {
  const [method, target] = send.split(" ");
  const head = `${method} ${target} HTTP/1.1\r\nHost: 127.0.0.1:47651\r\n${origin ? `Origin: ${origin}\r\n` : ""}\r\n`;
  const { bytes, error } = await rawExchange([head]);
  assert.equal(error, null, `${send}: ${error}`);
  return bytes;
}

async function waitForBridge() {
  const deadline = Date.now() + 30000;
  while (Date.now() < deadline) {
    const { bytes } = await rawExchange(["GET /state HTTP/1.1\r\n\r\n"], { timeoutMs: 1000 });
    if (bytes.length && parseAnswer(bytes).body.toString().includes('"bindings":{"0"')) return;
    await sleep(200);
  }
  throw new Error("the bridge never answered with the game's state");
}

// Every answer of the table's requests, in order: each row's own, then the state after it.
async function runTable(who) {
  await waitForBridge();
  const answers = [];
  for (const row of rows) {
    const bytes = await exchange(row.send, row.origin);
    const answer = parseAnswer(bytes);
    const where = `${who}: ${row.send}`;
    assert.match(answer.status, new RegExp(`^HTTP/1.1 ${row.status} `), where);
    if (row.body !== undefined) assert.equal(answer.body.toString("utf8"), row.body, where);
    assert.match(bytes.toString("latin1"), new RegExp(`\r\nAccess-Control-Allow-Origin: ${row.origin === undefined ? "\\*" : row.origin}\r\n`), where);
    answers.push(bytes.toString("utf8"));
    if (!row.state) continue;
    await sleep(SETTLE_MS);
    const stateBytes = await exchange("GET /state");
    const state = JSON.parse(parseAnswer(stateBytes).body.toString("utf8"));
    for (const [path, expected] of Object.entries(row.state)) assert.deepEqual(member(state, path), expected, `${where}: ${path}`);
    answers.push(stateBytes.toString("utf8"));
  }
  return answers;
}

let moduleAnswers = null;

test("the module in the simulated game answers the contract table", async (t) => {
  const wine64 = process.env.WINE64;
  if (!wine64 || !process.env.DISPLAY) { t.skip("no Wine or no X display: the module's side did not run"); return; }
  const session = startWineSession({ bin: join(root, "build", "win64", "bin"), wine64, workDir: mkdtempSync(join(tmpdir(), "tembra-contract-")) });
  try {
    moduleAnswers = await runTable("module");
  } finally {
    await session.stop();
  }
});

test("the mock answers the contract table with the module's very bytes", async () => {
  const session = startMockSession();
  await session.ready;
  try {
    const mockAnswers = await runTable("mock");
    if (moduleAnswers) {
      assert.equal(mockAnswers.length, moduleAnswers.length);
      mockAnswers.forEach((answer, i) => assert.equal(answer, moduleAnswers[i], `answer ${i + 1} differs`));
    }
  } finally {
    await session.stop();
  }
});
