// Serves the built page from one folder on 127.0.0.1, cross-origin isolated
// (the headers that let a page share memory with its workers), and prints
// its address. Usage: node servidor.mjs FOLDER [PORT] [--no-isolation]; port
// 0 takes a free one; --no-isolation leaves the headers out, as most hosts do.
// A folder that does not exist ends it at once with status 2.
// It serves regular files only, and only those whose real path is inside the
// folder: a symbolic link out of it is 403, a FIFO or a device 404, found
// without waiting on them. Bodies go gzip-compressed to clients that take it.
import { constants } from 'node:fs';
import { createServer } from 'node:http';
import { open, realpath, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { promisify } from 'node:util';
import { gzip } from 'node:zlib';

// Resolved, links and all: with or without a trailing slash, the same folder.
const carpeta = resolve(process.argv[2] ?? 'build-web');
const arrel = await realpath(carpeta).catch(() => carpeta);
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

const dins = (cami) => cami === arrel || cami.startsWith(arrel + sep);

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
    return dins(arxiu) ? arxiu : 403;
}

// Already compressed, or too small to gain.
const kComprimible = new Set(['.html', '.js', '.mjs', '.wasm', '.txt', '.md', '.json', '.css', '.svg', '.6']);
// Each file's gzip body, made once for as long as the file keeps its size
// and time.
const comprimits = new Map();
async function gzipDe(arxiu, info, cos) {
    const clau = `${info.size}:${info.mtimeMs}`;
    const fet = comprimits.get(arxiu);
    if (fet?.clau === clau)
        return fet.cos;
    const nou = await promisify(gzip)(cos, { level: 9 });
    comprimits.set(arxiu, { clau, cos: nou });
    return nou;
}

// The file's bytes and its stat, or the status that refuses it. Opened
// without blocking, so that a FIFO does not hold one of node's file threads
// until a writer comes, and refused unless it is a regular file.
async function llegir(arxiu) {
    let real;
    try {
        real = await realpath(arxiu);
    } catch {
        return 404;
    }
    if (!dins(real))
        return 403;
    if (!(await stat(real).then((s) => s.isFile(), () => false)))
        return 404;
    let fd;
    try {
        fd = await open(real, constants.O_RDONLY | constants.O_NONBLOCK | constants.O_NOCTTY);
        const info = await fd.stat();
        if (!info.isFile())
            return 404;
        return { info, cos: await fd.readFile() };
    } catch {
        return 404;
    } finally {
        await fd?.close().catch(() => {});
    }
}

// The page's links carry their system after #, which no browser sends; the
// earlier page's ?config= links carried up to 32 000 characters in the
// request line, over node's 16 KB default.
const kCapcaleraMaxima = 1 << 20;
const servidor = createServer({ maxHeaderSize: kCapcaleraMaxima }, async (peticio, resposta) => {
    const arxiu = arxiuDe(peticio.url);
    if (typeof arxiu === 'number') {
        resposta.writeHead(arxiu).end();
        return;
    }
    const llegit = await llegir(arxiu);
    if (typeof llegit === 'number') {
        resposta.writeHead(llegit).end();
        return;
    }
    const capcaleres = {
        'Content-Type': tipus[extname(arxiu)] ?? 'application/octet-stream',
        ...aillament,
        'Cache-Control': 'no-cache',
    };
    let cos = llegit.cos;
    if (kComprimible.has(extname(arxiu))) {
        capcaleres.Vary = 'Accept-Encoding';
        if (/\bgzip\b/.test(peticio.headers['accept-encoding'] ?? '')) {
            cos = await gzipDe(arxiu, llegit.info, cos);
            capcaleres['Content-Encoding'] = 'gzip';
        }
    }
    capcaleres['Content-Length'] = cos.length;
    resposta.writeHead(200, capcaleres);
    resposta.end(peticio.method === 'HEAD' ? undefined : cos);
});
servidor.listen(port, '127.0.0.1', () => {
    console.log(`http://127.0.0.1:${servidor.address().port}/`);
});
