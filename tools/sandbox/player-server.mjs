// The player's server on the loopback address: the player page (tools/sandbox/player/), the
// pages folder as the host's page origin (with one script added to each page that reports its
// console and failed requests), and a stream of what the game, the host and the pages do.
//   GET  /player/              the player page
//   GET  /__player/events      server-sent events, the last few hundred first
//   POST /__player/key         {"key": xdotool's key name}: typed into the game's keyboard
//   POST /__player/typed       {"key", "page"}: a key the focused page received, for the feed
//   POST /__player/control     {"line": "player out"}: sim/player_controls.h
//   POST /__player/restart     {"savePatched": true}: a new game process
//   POST /__player/report      {"page", "level", "text"}: from the pages' report script
import { createServer } from "node:http";
import { EventEmitter } from "node:events";
import { watch } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { PAGE_ORIGIN } from "./host-view.mjs";
import { GAME_ROUTINES } from "./game-routines.mjs";
import { listen, readPageFile, sendFile } from "./page-server.mjs";

const playerRoot = join(dirname(fileURLToPath(import.meta.url)), "player");
const HISTORY = 400;
const RELOAD_SETTLE_MS = 150;
const REPORT_SCRIPT = '<script src="/__player/frame-hook.js"></script>';
const quiet = (line) => line.includes("[BRIDGE] GET /state");  // polled several times a second

function readBody(request) {
  return new Promise((resolve) => {
    let text = "";
    request.on("data", (chunk) => { text += chunk; });
    request.on("end", () => { try { resolve(JSON.parse(text || "{}")); } catch { resolve({}); } });
  });
}

// The module names its pages on the host's origin; the player serves them on its own, so that
// it can see into them.
const playerUrl = (url) => (url.startsWith(PAGE_ORIGIN + "/") ? url.slice(PAGE_ORIGIN.length) : url);

// startSession(options) gives a session (wine-session.mjs or mock-session.mjs).
export async function startPlayerServer({ pagesRoot, port, size, startSession }) {
  const messages = new EventEmitter();
  const history = [];
  const clients = new Set();
  let session = null;

  function publish(message) {
    message.time = Date.now();
    if (message.type !== "browsers") {
      history.push(message);
      if (history.length > HISTORY) history.shift();
    }
    const text = `data: ${JSON.stringify(message)}\n\n`;
    for (const client of clients) client.write(text);
    messages.emit("message", message);
  }

  const browsers = () => session.view.list().map((entry) => ({ ...entry, url: playerUrl(entry.url) }));
  const describeSession = () => ({ type: "session", kind: session.kind, savePatched: session.savePatched, size, routines: GAME_ROUTINES });

  function attach(options) {
    session = startSession(options);
    publish(describeSession());
    session.view.on("change", () => publish({ type: "browsers", browsers: browsers() }));
    session.on("feed", (entry) => publish({ type: "feed", ...entry }));
    session.on("log", (line) => { if (!quiet(line)) publish({ type: "log", line }); });
    session.on("capture", (capture) => publish({ type: "capture", capture }));
    session.on("exit", () => publish({ type: "feed", source: "game", text: "the game ended" }));
  }

  const routes = {
    "/__player/key": async (body) => {
      publish({ type: "feed", source: "keys", text: `${body.key} -> the game's keyboard` });
      await session.pressKey(String(body.key));
    },
    "/__player/typed": async (body) => publish({ type: "feed", source: "keys", text: `${body.key} -> the ${body.page} page` }),
    "/__player/control": async (body) => session.control(String(body.line)),
    "/__player/restart": async (body) => {
      await session.stop();
      publish({ type: "feed", source: "game", text: "restarting the game" + (body.savePatched ? " with its save routine patched" : "") });
      attach({ savePatched: Boolean(body.savePatched) });
      publish({ type: "browsers", browsers: browsers() });
      publish({ type: "reload", file: null });  // the new game's pages start afresh, as after a game start
    },
    "/__player/report": async (body) => publish({ type: "console", page: body.page, level: body.level, text: body.text }),
  };

  const server = createServer(async (request, response) => {
    const path = new URL(request.url, "http://player").pathname;
    try {
      if (request.method === "POST" && routes[path]) {
        await routes[path](await readBody(request));
        response.writeHead(204).end();
      } else if (path === "/__player/events") {
        response.writeHead(200, { "Content-Type": "text/event-stream", "Cache-Control": "no-store" });
        for (const message of [describeSession(), ...history, { type: "browsers", browsers: browsers() }])
          response.write(`data: ${JSON.stringify(message)}\n\n`);
        clients.add(response);
        request.on("close", () => clients.delete(response));
      } else if (path === "/__player/frame-hook.js" || path.startsWith("/player/")) {
        sendFile(response, await readPageFile(playerRoot, path.replace(/^\/(player|__player)\//, "/")));
      } else {
        const file = await readPageFile(pagesRoot, path);
        if (file.status === 200 && file.type.startsWith("text/html")) {
          const html = file.body.toString("utf8");
          file.body = /<head[^>]*>/i.test(html) ? html.replace(/<head[^>]*>/i, (head) => head + REPORT_SCRIPT) : REPORT_SCRIPT + html;
        }
        sendFile(response, file);
      }
    } catch (error) {
      response.writeHead(500, { "Content-Type": "text/plain" }).end(String(error.message));
    }
  });

  let reloadTimer = null;
  const watcher = watch(pagesRoot, { recursive: true }, (_, file) => {
    clearTimeout(reloadTimer);
    reloadTimer = setTimeout(() => publish({ type: "reload", file }), RELOAD_SETTLE_MS);
  });

  attach({ savePatched: false });
  await listen(server, port);
  return {
    url: `http://127.0.0.1:${port}/player/`,
    messages,
    history,  // the last messages, for a listener that comes late
    publish,
    get session() { return session; },
    async close() {
      watcher.close();
      for (const client of clients) client.end();
      server.close();
      await session.stop();
    },
  };
}
