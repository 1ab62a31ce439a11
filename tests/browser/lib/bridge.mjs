// The module's bridge as the Linux-side tests see it: raw exchanges over TCP and the module's log.
import fs from 'node:fs';
import net from 'node:net';

export const bridgePort = 47651;
export const bridgeUrl = `http://127.0.0.1:${bridgePort}`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Sends the pieces (Buffers or strings) with the pauses given, then collects everything until the
// server closes. Resolves { bytes, ms, error } where ms counts from the connection.
export function rawExchange(pieces, { pauseMs = 0, endAfterSend = false, timeoutMs = 8000 } = {}) {
  return new Promise((resolve) => {
    const chunks = [];
    const started = Date.now();
    let error = null;
    const socket = net.connect(bridgePort, '127.0.0.1', async () => {
      for (const piece of pieces) {
        if (socket.destroyed) break;
        socket.write(piece);
        if (pauseMs) await sleep(pauseMs);
      }
      if (endAfterSend && !socket.destroyed) socket.end();
    });
    socket.setTimeout(timeoutMs, () => socket.destroy(new Error('no close from the server')));
    socket.on('data', (chunk) => chunks.push(chunk));
    socket.on('error', (e) => { error = e.code || e.message; });
    socket.on('close', () => resolve({ bytes: Buffer.concat(chunks), ms: Date.now() - started, error }));
  });
}

// Splits an answer into status line, headers (in order) and body; checks the framing.
export function parseAnswer(bytes) {
  const text = bytes.toString('latin1');
  const end = text.indexOf('\r\n\r\n');
  if (end < 0) throw new Error(`no header end in ${JSON.stringify(text.slice(0, 200))}`);
  const [status, ...headerLines] = text.slice(0, end).split('\r\n');
  const headers = headerLines.map((line) => line.slice(0, line.indexOf(':')));
  const body = bytes.subarray(Buffer.byteLength(text.slice(0, end + 4), 'latin1'));
  const length = /\r\nContent-Length: (\d+)\r\n/.exec(text.slice(0, end + 4));
  if (!length || Number(length[1]) !== body.length)
    throw new Error(`Content-Length ${length && length[1]} but ${body.length} body bytes`);
  return { status, headers, body: body.toString('utf8'), head: text.slice(0, end) };
}

export async function waitForBridge(timeoutMs = 30000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const open = await new Promise((resolve) => {
      const socket = net.connect(bridgePort, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.on('error', () => resolve(false));
    });
    if (open) return;
    await sleep(100);
  }
  throw new Error('the bridge did not come up');
}

// The module's log messages without their time stamps.
export function logMessages(logPath) {
  let text = fs.readFileSync(logPath, 'utf8');
  if (text.charCodeAt(0) === 0xfeff) text = text.slice(1);
  return text.split('\r\n').filter((line) => line.length >= 15).map((line) => line.slice(15));
}
