// The bridge without Wine: a loopback HTTP server that answers every request with the same bytes
// as the module's bridge (bridge/routes.cpp, bridge/response_text.cpp), one request per
// connection, and hands the game's work to the mock game (mock-session.mjs).
import { createServer } from "node:net";

export const BRIDGE_PORT = 47651;
const MAX_REQUEST_BYTES = 8192;
const REASONS = { 200: "OK", 404: "Not Found", 503: "Service Unavailable" };
const OK = '{"ok":true}';
const FAIL = '{"ok":false}';

export function formatResponse(status, contentType, body, origin) {
  // An origin with a control byte would write a header line of the peer's choosing.
  const echoable = origin && !/[\x00-\x1f\x7f]/.test(origin);
  const bytes = Buffer.from(body, "utf8");
  return Buffer.concat([Buffer.from(
    `HTTP/1.1 ${status} ${REASONS[status] || "Bad Request"}\r\n` +
    `Content-Type: ${contentType}; charset=utf-8\r\n` +
    `Access-Control-Allow-Origin: ${echoable ? origin : "*"}\r\n` +
    "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n" +
    "Access-Control-Allow-Headers: Content-Type, Accept, X-Requested-With, Access-Control-Request-Private-Network, Cache-Control\r\n" +
    "Access-Control-Allow-Private-Network: true\r\n" +
    "Access-Control-Max-Age: 86400\r\n" +
    "Cache-Control: no-store, no-cache, must-revalidate\r\n" +
    "Connection: close\r\n" +
    `Content-Length: ${bytes.length}\r\n\r\n`, "latin1"), bytes]);
}

// "+" a space and "%XX" one byte; everything else kept.
const percentDecode = (text) => Buffer.from(text.replace(/\+/g, " ").replace(/%([0-9a-fA-F]{2})/g, (_, hex) => String.fromCharCode(parseInt(hex, 16))), "latin1").toString("latin1");

function queryParam(query, key) {
  for (const pair of query.split("&")) {
    const equals = pair.indexOf("=");
    if (equals < 0) continue;
    if (percentDecode(pair.slice(0, equals)) === key) return percentDecode(pair.slice(equals + 1));
  }
  return "";
}

// As strtol reads it, clamped to 32 bits; the fallback without a digit.
function parseIntOr(text, fallback) {
  const match = /^[\t\n\v\f\r ]*([+-]?\d+)/.exec(text);
  if (!match) return fallback;
  return Math.max(-2147483648, Math.min(2147483647, Number(match[1])));
}

export function parseRequestHead(text) {
  const [requestLine = ""] = text.split(/\r?\n/, 1);
  const [method = "", target = ""] = requestLine.split(" ");
  const origin = (/\r?\nOrigin: ([^\r\n]*)/.exec(text) || /\r?\norigin: ([^\r\n]*)/.exec(text) || [])[1] || "";
  const question = target.indexOf("?");
  return { method, target, origin, route: question < 0 ? target : target.slice(0, question), query: question < 0 ? "" : target.slice(question + 1) };
}

const ACTIONS = ["continue", "map", "exit", "reset_controls", "capture_on", "capture_off", "loading_hide", "enable_esc", "disable_esc"];

// { status, body, contentType, command } for one request; the command goes to the game.
export function decideRoute(head) {
  if (head.method === "OPTIONS") return { status: 200, body: "OK", contentType: "text/plain" };
  if (head.method !== "GET" || !head.target) return { status: 400, body: FAIL };
  if (head.route === "/state") return { status: 200, state: true };
  if (head.route === "/action") {
    const name = queryParam(head.query, "name");
    if (!ACTIONS.includes(name)) return { status: 400, body: '{"ok":false,"error":"unknown action"}' };
    const type = parseIntOr(queryParam(head.query, "type"), 0) === 2 ? 2 : 1;
    return { status: 200, body: OK, command: { kind: "action", name, type } };
  }
  if (head.route === "/setting") {
    const name = queryParam(head.query, "name");
    const value = queryParam(head.query, "value");
    if (!name || !value) return { status: 400, body: FAIL };
    return { status: 200, body: OK, command: { kind: "setting", name, value: parseIntOr(value, 0) } };
  }
  if (head.route === "/bind") {
    const action = parseIntOr(queryParam(head.query, "action"), -1);
    const type = parseIntOr(queryParam(head.query, "type"), -1);
    const key = parseIntOr(queryParam(head.query, "key"), 0);
    if (action < 0 || action > 58 || type < 0 || type > 2) return { status: 400, body: FAIL };
    return { status: 200, body: OK, command: { kind: "bind", action, type, key: key >>> 0 } };
  }
  return { status: 404, body: '{"ok":false,"error":"not found"}' };
}

// game: { stateDocument(), command(command) -> false when busy, log(line) }.
export function startMockBridge(game, port = BRIDGE_PORT) {
  const server = createServer((socket) => {
    let text = "";
    socket.setEncoding("latin1");
    socket.on("error", () => {});
    socket.on("data", (chunk) => {
      text += chunk;
      if (!/\r?\n\r?\n/.test(text) && text.length < MAX_REQUEST_BYTES) return;
      socket.removeAllListeners("data");
      const head = parseRequestHead(text);
      game.log(`[BRIDGE] ${head.method} ${head.target} (origin=${head.origin || "none"})`);
      const decision = decideRoute(head);
      let answer;
      if (decision.command && !game.command(decision.command)) answer = formatResponse(503, "application/json", '{"ok":false,"error":"busy"}', head.origin);
      else answer = formatResponse(decision.status, decision.contentType || "application/json", decision.state ? game.stateDocument() : decision.body, head.origin);
      socket.end(answer);
    });
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => resolve(server));
  });
}
