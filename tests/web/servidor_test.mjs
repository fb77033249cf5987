// web/servidor.mjs as a host it must survive: malformed requests get 400 and
// it keeps serving; its folder given with or without a trailing slash serves
// the same files; a symbolic link out of it is 403, a FIFO 404, and requests
// left waiting on a FIFO hold up no other; a request line as long as the
// earlier page's longest link is served; a client that takes gzip gets the
// file compressed, any other as it is; a folder that does not exist ends it
// at once, with one line and status 2. Ends by itself within 20 s.
// usage: node servidor_test.mjs SERVER.mjs
import { execFileSync, spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { request } from 'node:http';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { gunzipSync } from 'node:zlib';

const servidorJs = resolve(process.argv[2]);
const arrel = mkdtempSync(join(tmpdir(), 'particules-servidor-'));
const pagina = `<!DOCTYPE html><title>t</title>${'<p>particules</p>'.repeat(200)}`;
writeFileSync(join(arrel, 'index.html'), pagina);
// Beside the served folder, and reached from it only through links.
const fora = join(arrel, 'fora');
mkdirSync(fora);
writeFileSync(join(fora, 'secret.txt'), 'not to be served');
const lloc = join(arrel, 'lloc');
mkdirSync(lloc);
writeFileSync(join(lloc, 'index.html'), pagina);
symlinkSync(fora, join(lloc, 'foralink'));
symlinkSync(join(fora, 'secret.txt'), join(lloc, 'secret.txt'));
symlinkSync(join(lloc, 'index.html'), join(lloc, 'dins.html'));
execFileSync('mkfifo', [join(lloc, 'fifo')]);
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

// The response to a GET of a path as it is written, unparsed: its status,
// headers and body.
function obtenir(adreca, cami, headers = {}) {
    const { hostname, port } = new URL(adreca);
    return new Promise((fet) => {
        const peticio = request({ hostname, port, path: cami, method: 'GET', headers }, (resposta) => {
            const trossos = [];
            resposta.on('data', (d) => trossos.push(d));
            resposta.on('end', () => fet({ estat: resposta.statusCode, headers: resposta.headers, cos: Buffer.concat(trossos) }));
        });
        peticio.on('error', (e) => fet({ estat: String(e) }));
        peticio.end();
    });
}
const estatDe = async (adreca, cami) => (await obtenir(adreca, cami)).estat;

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
    const { adreca } = await iniciar(lloc);
    for (const [cami, estat] of [['/foralink/secret.txt', 403], ['/secret.txt', 403], ['/dins.html', 200], ['/fifo', 404]])
        comprovar(await estatDe(adreca, cami) === estat, `${cami}, a ${cami === '/fifo' ? 'FIFO' : 'symbolic link'}, is ${estat}`);
    // More than node's four file threads, each left on the FIFO if it were
    // opened as a file; then the page, which must come while they wait.
    const enEspera = Array.from({ length: 8 }, () => estatDe(adreca, '/fifo'));
    comprovar(await estatDe(adreca, '/') === 200 && (await Promise.all(enEspera)).every((e) => e === 404),
        'requests on a FIFO hold up no other');
    const llarg = `/?config=${'A'.repeat(40000)}&nom=x.txt`;
    comprovar(await estatDe(adreca, llarg) === 200, `a request line of ${llarg.length} characters is served`);
    const comprimit = await obtenir(adreca, '/', { 'Accept-Encoding': 'gzip, deflate' });
    comprovar(comprimit.headers['content-encoding'] === 'gzip' && comprimit.cos.length < pagina.length / 4
        && gunzipSync(comprimit.cos).toString() === pagina,
    `to a client that takes gzip, the page compressed: ${comprimit.cos.length} bytes for ${pagina.length}`);
    const pla = await obtenir(adreca, '/');
    comprovar(pla.headers['content-encoding'] === undefined && pla.cos.toString() === pagina, 'to any other, as it is');

    const res = await iniciar(join(arrel, 'res'));
    comprovar(res.estat === 2 && res.sortida === '' && res.error.trim().split('\n').length === 1
        && res.error.includes('no such folder'), `a folder that does not exist: status ${res.estat}, "${res.error.trim()}"`);
} catch (e) {
    comprovar(false, String(e));
}
acabar();
