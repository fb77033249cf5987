// Serves the built page from one folder on 127.0.0.1, cross-origin isolated
// (the headers that let a page share memory with its workers), and prints
// its address. Usage: node servidor.mjs FOLDER [PORT] [--no-isolation]; port
// 0 takes a free one; --no-isolation leaves the headers out, as most hosts do.
// A folder that does not exist ends it at once with status 2.
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';

// Resolved: with or without a trailing slash, the same folder.
const arrel = resolve(process.argv[2] ?? 'build-web');
if (!(await stat(arrel).then((s) => s.isDirectory(), () => false))) {
    console.error(`servidor.mjs: ${arrel}: no such folder`);
    process.exit(2);
}
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
    '.md': 'text/plain; charset=utf-8',
    '.json': 'application/json; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.svg': 'image/svg+xml',
    '.png': 'image/png',
    '.6': 'text/plain; charset=utf-8',
};

// The file a request's path names inside the folder, or the status that
// refuses it: 400 for a path that does not decode or that names a host
// (//HOST/...), 403 for one outside.
function arxiuDe(url) {
    let cami;
    try {
        // A path from the root, as browsers send; anything else as a URL.
        cami = url.startsWith('/') ? url.replace(/[?#].*/s, '') : new URL(url).pathname;
        if (cami.startsWith('//'))
            return 400;
        cami = decodeURIComponent(cami);
    } catch {
        return 400;
    }
    if (cami.includes('\0'))
        return 400;
    const arxiu = normalize(join(arrel, cami.endsWith('/') ? cami + 'index.html' : cami));
    return arxiu === arrel || arxiu.startsWith(arrel + sep) ? arxiu : 403;
}

const servidor = createServer(async (peticio, resposta) => {
    const arxiu = arxiuDe(peticio.url);
    if (typeof arxiu === 'number') {
        resposta.writeHead(arxiu).end();
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
