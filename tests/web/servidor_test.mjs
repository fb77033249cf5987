// web/servidor.mjs as a host it must survive: malformed requests get 400 and
// it keeps serving; its folder given with or without a trailing slash serves
// the same files; a folder that does not exist ends it at once, with one
// line and status 2. Ends by itself within 20 s.
// usage: node servidor_test.mjs SERVER.mjs
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { request } from 'node:http';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';

const servidorJs = resolve(process.argv[2]);
const arrel = mkdtempSync(join(tmpdir(), 'particules-servidor-'));
writeFileSync(join(arrel, 'index.html'), '<!DOCTYPE html><title>t</title>');
const processos = [];
let fallades = 0;

function comprovar(cert, text) {
    console.log(`${cert ? 'ok' : 'FAILED'}: ${text}`);
    if (!cert)
        ++fallades;
}
function acabar() {
    for (const p of processos)
        p.kill('SIGKILL');
    rmSync(arrel, { recursive: true, force: true });
    process.exit(fallades === 0 ? 0 : 1);
}
setTimeout(() => { comprovar(false, 'over 20 s'); acabar(); }, 20000).unref();

// Its status, its first line on each stream, once it ends or prints its address.
function iniciar(carpeta) {
    const p = spawn(process.execPath, [servidorJs, carpeta, '0'], { stdio: ['ignore', 'pipe', 'pipe'] });
    processos.push(p);
    const r = { sortida: '', error: '' };
    p.stdout.on('data', (d) => { r.sortida += d; });
    p.stderr.on('data', (d) => { r.error += d; });
    return new Promise((fet) => {
        p.stdout.once('data', () => fet({ ...r, adreca: r.sortida.trim() }));
        p.once('exit', (estat) => fet({ ...r, estat }));
    });
}

// The status of a GET of a path as it is written, unparsed.
function estatDe(adreca, cami) {
    const { hostname, port } = new URL(adreca);
    return new Promise((fet) => {
        const peticio = request({ hostname, port, path: cami, method: 'GET' }, (resposta) => {
            resposta.resume();
            fet(resposta.statusCode);
        });
        peticio.on('error', (e) => fet(String(e)));
        peticio.end();
    });
}

try {
    for (const carpeta of [arrel, `${arrel}/`]) {
        const { adreca } = await iniciar(carpeta);
        comprovar(await estatDe(adreca, '/') === 200 && await estatDe(adreca, '/index.html') === 200,
            `the folder ${carpeta.endsWith('/') ? 'with' : 'without'} a trailing slash serves its files`);
        comprovar(await estatDe(adreca, '/res.txt') === 404, 'a file it lacks is 404');
        comprovar(await estatDe(adreca, '/../../etc/passwd') === 403, 'a path out of the folder is 403');
        if (!carpeta.endsWith('/'))
            continue;
        for (const dolent of ['/%', '/%E0%A4%A', '//[/', '//x:99999/', '/a%00b'])
            comprovar(await estatDe(adreca, dolent) === 400, `${dolent} gets 400`);
        comprovar(await estatDe(adreca, '/') === 200, 'and the server still serves');
    }
    const res = await iniciar(join(arrel, 'res'));
    comprovar(res.estat === 2 && res.sortida === '' && res.error.trim().split('\n').length === 1
        && res.error.includes('no such folder'), `a folder that does not exist: status ${res.estat}, "${res.error.trim()}"`);
} catch (e) {
    comprovar(false, String(e));
}
acabar();
