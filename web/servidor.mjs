// Serves the built page from one folder on 127.0.0.1, cross-origin isolated
// (the headers that let a page share memory with its workers), and prints
// its address. Usage: node servidor.mjs FOLDER [PORT] [--no-isolation]; port
// 0 takes a free one; --no-isolation leaves the headers out, as most hosts do.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';

const arrel = normalize(process.argv[2] ?? 'build-web');
const port = Number(process.argv[3] ?? 8000);
const aillament = process.argv[4] === '--no-isolation' ? {} : {
    'Cross-Origin-Opener-Policy': 'same-origin',
    'Cross-Origin-Embedder-Policy': 'require-corp',
};
const tipus = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.wasm': 'application/wasm',
    '.txt': 'text/plain; charset=utf-8',
    '.json': 'application/json; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
};

const servidor = createServer(async (peticio, resposta) => {
    const cami = decodeURIComponent(new URL(peticio.url, 'http://x').pathname);
    const arxiu = normalize(join(arrel, cami.endsWith('/') ? cami + 'index.html' : cami));
    // Nothing outside the folder, whatever the path says.
    if (arxiu !== arrel && !arxiu.startsWith(arrel + sep)) {
        resposta.writeHead(403).end();
        return;
    }
    try {
        const cos = await readFile(arxiu);
        resposta.writeHead(200, {
            'Content-Type': tipus[extname(arxiu)] ?? 'application/octet-stream',
            ...aillament,
            'Cache-Control': 'no-cache',
        });
        resposta.end(cos);
    } catch {
        resposta.writeHead(404).end();
    }
});
servidor.listen(port, '127.0.0.1', () => {
    console.log(`http://127.0.0.1:${servidor.address().port}/`);
});
