// A static file server for the web build, on the loopback interface only: the page needs HTTP (not
// file://) and the .wasm must arrive as application/wasm to be compiled while it downloads.
//
//   node scripts/web/serve.mjs DIR [PORT]     serves DIR on http://127.0.0.1:PORT/ (8000; 0 = any free)
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.png': 'image/png',
  '.txt': 'text/plain; charset=utf-8',  // The licence and the notices
};

function handler(root) {
  return (request, response) => {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    // Nothing outside the served folder, whatever the request's dots and slashes say
    if (file !== root && !file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.stat(file, (error, stat) => {
      if (error || !stat.isFile()) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
        'Content-Length': stat.size,
        'Cache-Control': 'no-cache',
      });
      if (request.method === 'HEAD') response.end();
      else fs.createReadStream(file).pipe(response);
    });
  };
}

// Resolves to the listening server once it accepts connections; its address() has the port.
export function serve(dir, port = 0) {
  const root = path.resolve(dir);
  const server = http.createServer(handler(root));
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [dir, port = '8000'] = process.argv.slice(2);
  if (!dir || !fs.existsSync(path.join(dir, 'index.html'))) {
    console.error('usage: serve.mjs DIR [PORT]  (DIR holds index.html; build it with scripts/build-web.sh)');
    process.exit(2);
  }
  const server = await serve(dir, Number(port));
  console.log(`serving ${path.resolve(dir)} on http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
}
