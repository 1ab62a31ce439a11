// Serves one folder over http on a loopback port, as another origin than the bridge's.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css' };

export function serveFolder(folder, port, host = '127.0.0.1') {
  const server = http.createServer((request, response) => {
    const file = path.join(folder, path.normalize(decodeURIComponent(request.url.split('?')[0])));
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(port, host, () => resolve(server)));
}
