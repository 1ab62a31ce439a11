// Serves the pages folder on the loopback address, standing in for the host's local page origin
// (the browser maps http://tembra.local to it). Nothing is cached, so an edited file shows at once.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize, sep } from "node:path";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".json": "application/json; charset=utf-8",
  ".ts": "text/plain; charset=utf-8",
  ".png": "image/png",
  ".svg": "image/svg+xml",
  ".woff2": "font/woff2",
};

// The file below root that a URL path names: { status, type, body }. A path that leaves root is
// refused; a folder means its index.html.
export async function readPageFile(root, urlPath) {
  const path = decodeURIComponent(urlPath);
  const file = normalize(join(root, path.endsWith("/") ? path + "index.html" : path));
  if (!file.startsWith(normalize(root) + sep)) return { status: 403, type: "text/plain", body: "" };
  try {
    return { status: 200, type: TYPES[extname(file)] || "application/octet-stream", body: await readFile(file) };
  } catch {
    return { status: 404, type: "text/plain", body: "not found" };
  }
}

export function sendFile(response, { status, type, body }) {
  response.writeHead(status, { "Content-Type": type, "Cache-Control": "no-store" });
  response.end(body);
}

export function listen(server, port) {
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => resolve(server));
  });
}

export function servePages(root, port) {
  const server = createServer(async (request, response) => {
    sendFile(response, await readPageFile(root, new URL(request.url, "http://pages").pathname));
  });
  return listen(server, port);
}
