// curl and a raw TCP client against the running module's bridge: well-formed requests, and the
// hostile ones (split headers, silence, early close, 30 KB header, body, garbage, NUL bytes).
import { execFileSync } from 'node:child_process';

import { bridgeUrl, logMessages, parseAnswer, rawExchange, waitForBridge } from './lib/bridge.mjs';
import { check, expectEqual, expectTrue, finish } from './lib/checks.mjs';

const logPath = process.env.TEMBRA_BRIDGE_LOG;
const fixedHeaders = ['Content-Type', 'Access-Control-Allow-Origin', 'Access-Control-Allow-Methods',
  'Access-Control-Allow-Headers', 'Access-Control-Allow-Private-Network', 'Access-Control-Max-Age',
  'Cache-Control', 'Connection', 'Content-Length'];

function curl(...args) {
  return execFileSync('curl', ['-sS', '-i', '--max-time', '10', ...args], { encoding: 'latin1' });
}

await waitForBridge();

await check('curl: GET /state is the JSON state document with the fixed headers', async () => {
  const answer = parseAnswer(Buffer.from(curl(`${bridgeUrl}/state`), 'latin1'));
  expectEqual(answer.status, 'HTTP/1.1 200 OK', 'status');
  expectEqual(answer.headers, fixedHeaders, 'headers in order');
  const state = JSON.parse(answer.body);
  expectEqual(state.supported, true, 'the simulated game is the supported build');
  expectTrue(typeof state.settings.sfxVolume === 'number', 'settings are reported');
});

await check('curl: a preflight echoes the origin and answers OK', async () => {
  const answer = parseAnswer(Buffer.from(curl('-X', 'OPTIONS', '-H', 'Origin: http://tembra.local',
    '-H', 'Access-Control-Request-Private-Network: true', `${bridgeUrl}/action?name=continue`), 'latin1'));
  expectEqual([answer.status, answer.body], ['HTTP/1.1 200 OK', 'OK'], 'answer');
  expectTrue(answer.head.includes('\r\nAccess-Control-Allow-Origin: http://tembra.local\r\n'), 'origin echoed');
  expectTrue(answer.head.includes('\r\nAccess-Control-Allow-Private-Network: true\r\n'), 'PNA header kept');
});

await check('curl: an action, a setting, a POST and an unknown route', async () => {
  const cases = [
    [[`${bridgeUrl}/action?name=capture_off`], 'HTTP/1.1 200 OK', '{"ok":true}'],
    [[`${bridgeUrl}/setting?name=hud&value=1`], 'HTTP/1.1 200 OK', '{"ok":true}'],
    [['-X', 'POST', '-d', 'x', `${bridgeUrl}/action?name=exit`], 'HTTP/1.1 400 Bad Request', '{"ok":false}'],
    [[`${bridgeUrl}/nowhere`], 'HTTP/1.1 404 Not Found', '{"ok":false,"error":"not found"}'],
  ];
  for (const [args, status, body] of cases) {
    const answer = parseAnswer(Buffer.from(curl(...args), 'latin1'));
    expectEqual([answer.status, answer.body], [status, body], args.join(' '));
  }
});

await check('raw: a header split over three writes is answered once', async () => {
  const { bytes } = await rawExchange(['GET /sta', 'te HTTP/1.1\r\nHost: x\r', '\n\r\n'], { pauseMs: 150 });
  const answer = parseAnswer(bytes);
  expectEqual(answer.status, 'HTTP/1.1 200 OK', 'status');
  JSON.parse(answer.body);
});

await check('raw: silence gets no answer and the connection ends within the deadline', async () => {
  const { bytes, ms } = await rawExchange([]);
  expectEqual(bytes.length, 0, 'bytes');
  expectTrue(ms >= 1000 && ms < 2200, `closed after ${ms} ms`);
});

await check('raw: a peer that closes at once gets nothing and the next request is served', async () => {
  const early = await rawExchange([], { endAfterSend: true });
  expectEqual(early.bytes.length, 0, 'bytes');
  expectEqual(parseAnswer((await rawExchange(['GET /state HTTP/1.1\r\n\r\n'])).bytes).status, 'HTTP/1.1 200 OK', 'next');
});

await check('raw: a 30 KB header is cut, answered in full and the rest drained', async () => {
  const big = `GET /state HTTP/1.1\r\nX-Padding: ${'p'.repeat(30 * 1024)}\r\n\r\n`;
  const { bytes, error } = await rawExchange([big]);
  expectEqual(error, null, 'no reset');
  expectEqual(parseAnswer(bytes).status, 'HTTP/1.1 200 OK', 'status');
});

await check('raw: a body after the header is ignored and drained', async () => {
  const request = `GET /action?name=capture_off HTTP/1.1\r\nContent-Length: 20000\r\n\r\n${'b'.repeat(20000)}`;
  const { bytes, error } = await rawExchange([request]);
  expectEqual(error, null, 'no reset');
  expectEqual(parseAnswer(bytes).body, '{"ok":true}', 'body');
});

await check('raw: garbage and NUL bytes are answered with errors and logged on one line', async () => {
  const garbage = Buffer.from([0x16, 0x03, 0x01, 0x00, 0xa5, 0x01, 0x0d, 0x0a, 0x0d, 0x0a]);
  expectEqual(parseAnswer((await rawExchange([garbage])).bytes).status, 'HTTP/1.1 400 Bad Request', 'garbage');
  const nul = Buffer.from('GET /st\0ate%0D%0A HTTP/1.1\r\nOrigin: a\nb\r\n\r\n', 'latin1');
  expectEqual(parseAnswer((await rawExchange([nul])).bytes).status, 'HTTP/1.1 404 Not Found', 'NUL');
  const lines = logMessages(logPath);
  expectTrue(lines.includes('[BRIDGE] GET /st\\x00ate%0D%0A (origin=a\\x0Ab)'), 'escaped log line');
  expectTrue(!lines.some((line) => line === 'b)'), 'no forged line');
});

finish();
