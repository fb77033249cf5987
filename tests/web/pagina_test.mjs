// The page in Debian's chromium, headless, against the project's own server,
// as a visitor uses it: it says what it is; every example runs with its status
// line in the title and its rate near its limit, ends on q with its status
// said, and runs again; keys change the time factor, the wheel the zoom, and
// with the limiter off (Return) the page still answers; a still system chosen
// with the file picker draws the native program's frame pixel for pixel,
// trails on and off; a 30 MB file runs; a file that will not read as written
// shows check's findings; a file dropped on the page runs, and an invalid one
// shows its message; a description built with gen orbits gives the native
// tool's config, and its link, opened afresh, the same echo; a link to a file
// the page never read says so; a step that stops the tab is announced before
// it; an isolated host gets the threaded build, any other the one-thread
// build. Every wait has a deadline, and the servers, the browser and the
// native run are ended on every way out.
// usage: node pagina_test.mjs SERVER.mjs SITE PARTICULES [SCREENSHOT.png]
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { chromium } from 'playwright-core';

const [servidorJs, lloc, programaNatiu, captura] = process.argv.slice(2).map((a) => resolve(a));
const temporal = mkdtempSync(join(tmpdir(), 'particules-web-'));
const processos = [];
let navegador;
let fallades = 0;

function comprovar(cert, text) {
    console.log(`${cert ? 'ok' : 'FAILED'}: ${text}`);
    if (!cert)
        ++fallades;
}

async function acabar(estat) {
    await navegador?.close().catch(() => {});
    for (const p of processos)
        p.kill('SIGKILL');
    rmSync(temporal, { recursive: true, force: true });
    process.exit(estat);
}
// The whole test, however it hangs; each wait for what the page shows is for
// the event under PENJAT, a deadline only a hang reaches: a loaded machine
// may take many seconds where a quiet one takes a fraction of one.
setTimeout(() => { console.log('FAILED: over 1200 s'); acabar(1); }, 1200000).unref();
const PENJAT = 120000;

function iniciar(ordre, arguments_, opcions) {
    const p = spawn(ordre, arguments_, opcions);
    p.on('error', (e) => comprovar(false, String(e)));
    processos.push(p);
    return p;
}

// The first line a child writes on its stream.
function primeraLinia(flux, quin) {
    return new Promise((fet, error) => {
        flux.once('data', (d) => fet(String(d).trim()));
        quin.once('exit', () => error(new Error(`${quin.spawnfile} ended`)));
    });
}

function adreca(...opcions) {
    const s = iniciar(process.execPath, [servidorJs, lloc, '0', ...opcions], { stdio: ['ignore', 'pipe', 'inherit'] });
    return primeraLinia(s.stdout, s);
}

// Squares of 20 px at the start zoom, half out of the window at each edge and
// corner, one in the middle; 1 kg each, so nothing moves by a pixel.
const quiet = ['800 600 9 100 60 -11'];
for (const y of [-610.29, 0.71, 595.29]) {
    for (const x of [-810.37, 0.53, 795.37])
        quiet.push(`${x} x ${y} y 0 vx 0 vy 1 kg 40 px`);
}
const configQuiet = quiet.join('\n') + '\n';

// What the window shows, 8-bit RGB row by row: the native program's, under an
// X server of its own.
async function fotogramaNatiu(config) {
    const dir = mkdtempSync(join(temporal, 'natiu-'));
    writeFileSync(join(dir, 'config.txt'), config);
    const x = iniciar('Xvfb', ['-displayfd', '3', '-noreset', '-screen', '0', '1024x768x24'],
        { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    const entorn = { ...process.env, DISPLAY: `:${await primeraLinia(x.stdio[3], x)}`,
        SDL_VIDEODRIVER: 'x11', SDL_AUDIODRIVER: 'dummy' };
    iniciar(programaNatiu, [], { cwd: dir, env: entorn, stdio: 'ignore' });
    const ordre = (o, a) => execFileSync(o, a, { env: entorn, timeout: PENJAT, maxBuffer: 1 << 24 });
    const finestra = String(ordre('xdotool', ['search', '--sync', '--name', 'Hz:'])).trim().split('\n')[0];
    await new Promise((fet) => setTimeout(fet, 1500));
    const ppm = ordre('import', ['-window', finestra, '-depth', '8', 'ppm:-']);
    const capcalera = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(ppm.subarray(0, 32).toString('latin1'));
    return { amplada: Number(capcalera[1]), altura: Number(capcalera[2]), rgb: ppm.subarray(capcalera[0].length) };
}

// The canvas as the page shows it, in the program's frame, over its black
// background.
async function fotogramaPagina(pagina) {
    const { amplada, altura, dades } = await pagina.evaluate(() => {
        const c = document.getElementById('programa').contentDocument.getElementById('canvas');
        const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let text = '';
        for (let i = 0; i < rgba.length; i += 4) {
            for (let k = 0; k < 3; ++k)
                text += String.fromCharCode(Math.round(rgba[i + k] * rgba[i + 3] / 255));
        }
        return { amplada: c.width, altura: c.height, dades: btoa(text) };
    });
    return { amplada, altura, rgb: Buffer.from(dades, 'base64') };
}

function diferencies(a, b) {
    if (a.amplada !== b.amplada || a.altura !== b.altura)
        return `${a.amplada}x${a.altura} against ${b.amplada}x${b.altura}`;
    let errades = 0;
    let primera = '';
    for (let i = 0; i < a.rgb.length; i += 3) {
        if (a.rgb.compare(b.rgb, i, i + 3, i, i + 3) !== 0 && errades++ === 0)
            primera = ` (the first at ${(i / 3) % a.amplada},${Math.floor(i / 3 / a.amplada)})`;
    }
    return `${errades} pixels differ${primera}`;
}

// The title as it is once cond holds, or null after ms.
async function titolQuan(pagina, cond, ms, arg = null) {
    try {
        await pagina.waitForFunction(cond, arg, { timeout: ms, polling: 50 });
    } catch {
        return null;
    }
    return pagina.title();
}

// When the title and the status line first show the program's status: the
// page's time then.
const estatDe = () => /Hz: \d+ \|/.test(document.title)
    && document.getElementById('estat').textContent === document.title && performance.now();
const hzDe = (titol) => Number(/Hz: (\d+)/.exec(titol ?? '')?.[1]);
// A full second of cycles after the first.
const segonComplet = () => /Hz: [1-9]\d* \|/.test(document.title);
const consolaTe = (text) => document.getElementById('consola').textContent.includes(text);
const teText = ([id, text]) => document.getElementById(id).textContent.includes(text);
// The program's canvas, where its keys go.
const canvas = (pagina) => pagina.frameLocator('#programa').locator('#canvas');

// Loads url; its status line, then its rate over a full second.
async function obrir(pagina, url, nom) {
    await pagina.goto(url);
    let ms = null;
    try {
        ms = await (await pagina.waitForFunction(estatDe, null, { timeout: PENJAT, polling: 'raf' })).jsonValue();
    } catch {}
    comprovar(ms !== null, `${nom}: the status line, at ${Math.round(ms)} ms: ${await pagina.title()}`);
    return hzDe(await titolQuan(pagina, segonComplet, PENJAT));
}

// Whether the page is isolated as expected and its program's frame loaded
// the file of its build.
function carregat(pagina, aillada, arxiu) {
    return pagina.evaluate(([aillada, arxiu]) => crossOriginIsolated === aillada
        && document.getElementById('programa').contentWindow.performance.getEntriesByType('resource')
            .some((r) => r.name.endsWith(arxiu)), [aillada, arxiu]);
}

// Never past the limit; no floor, which a loaded machine cannot promise.
function aprop(hz, limit, nom) {
    comprovar(hz > 0 && hz <= limit, `${nom}: the rate within its limit of ${limit}: ${hz} Hz`);
}

async function exemples(pagina, url) {
    for (const { nom } of JSON.parse(readFileSync(join(lloc, 'examples', 'index.json'), 'utf8'))) {
        const limit = Number(readFileSync(join(lloc, 'examples', nom, 'config.txt'), 'utf8').split(/\s+/)[3]);
        aprop(await obrir(pagina, `${url}?exemple=${nom}`, nom), limit, nom);
    }
    comprovar(await carregat(pagina, true, '/particules-fils.worker.js'), 'an isolated page runs the threaded build');
    comprovar(await pagina.evaluate(consolaTe, '(threads: the step on up to'), 'its console pane says so');
}

async function controls(pagina, url) {
    await obrir(pagina, `${url}?exemple=orbita`, 'orbita');
    await canvas(pagina).focus();
    await pagina.keyboard.press('4');
    // The page's title folds the status line's double spaces into one.
    let titol = await titolQuan(pagina, () => /V x1296000 +\| 1s = 15 dies/.test(document.title), PENJAT);
    comprovar(titol !== null, `key 4 sets 15 days a second: ${titol}`);
    const caixa = await canvas(pagina).boundingBox();
    await pagina.mouse.move(caixa.x + caixa.width / 2, caixa.y + caixa.height / 2);
    const mesZoom = `Zoom: ${Math.round((Number(/Zoom: ([\d.]+)/.exec(titol ?? '')?.[1]) + 0.01) * 1e6) / 1e6} `;
    await pagina.mouse.wheel(0, -100);
    titol = await titolQuan(pagina, (text) => document.title.includes(text), PENJAT, mesZoom);
    comprovar(titol !== null, `the wheel zooms in a step: ${titol}`);

    // Limiter off: more cycles than the limit, and the page answers a key,
    // and a script, within the frame or two a person would notice.
    await pagina.keyboard.press('Enter');
    titol = await titolQuan(pagina, () => Number(/Hz: (\d+)/.exec(document.title)?.[1]) > 100, PENJAT);
    comprovar(titol !== null, `Return lifts the limit: ${hzDe(titol)} Hz`);
    let lentMs = 0;
    for (let i = 0; i < 10; ++i) {
        const abans = Date.now();
        await pagina.evaluate(() => 0);
        lentMs = Math.max(lentMs, Date.now() - abans);
    }
    // A loop that never gave way would never answer: a hang, not a slow machine.
    comprovar(lentMs < PENJAT, `with no limit the page still answers, in ${lentMs} ms`);
    await pagina.keyboard.press('3');
    titol = await titolQuan(pagina, () => document.title.includes('1s = 1 dia'), PENJAT);
    comprovar(titol !== null, `and a key still acts: ${titol}`);
}

async function arxius(pagina, url) {
    const natiuQuiet = await fotogramaNatiu(configQuiet);
    // Each edge's pixels, by index: left, right, top, bottom.
    const { amplada: w, altura: h } = natiuQuiet;
    const files = [...Array(h).keys()];
    const columnes = [...Array(w).keys()];
    const vores = [files.map((y) => y * w), files.map((y) => y * w + w - 1), columnes, columnes.map((x) => (h - 1) * w + x)]
        .filter((vora) => vora.some((i) => natiuQuiet.rgb[i * 3] === 255));
    comprovar(vores.length === 4, `the native frame has squares cut by ${vores.length} of the 4 edges`);
    await pagina.goto(`${url}?exemple=orbita`);
    await pagina.setInputFiles('#arxiu', { name: 'quiet.txt', mimeType: 'text/plain', buffer: Buffer.from(configQuiet) });
    await pagina.waitForFunction(() => location.search.includes('nom=quiet.txt'));
    comprovar(await titolQuan(pagina, segonComplet, PENJAT) !== null, 'a file from the picker runs');
    const ambTraces = diferencies(await fotogramaPagina(pagina), natiuQuiet);
    comprovar(ambTraces === '0 pixels differ', `its canvas is the native frame, trails on: ${ambTraces}`);
    await canvas(pagina).focus();
    await pagina.keyboard.press('t');
    await pagina.waitForTimeout(500);
    const senseTraces = diferencies(await fotogramaPagina(pagina), natiuQuiet);
    comprovar(senseTraces === '0 pixels differ', `and trails off: ${senseTraces}`);

    // A byte-order mark: the header's first number does not read, so no
    // bodies, as on the desktop; a page that decoded the file as text would
    // drop the mark and run it.
    await pagina.evaluate((text) => {
        const dades = new DataTransfer();
        dades.items.add(new File([new Uint8Array([0xef, 0xbb, 0xbf]), text], 'bom.txt'));
        document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: dades, bubbles: true, cancelable: true }));
    }, '800 600 1 100 60 -11\n0 x 0 y 0 vx 0 vy 1 kg 4 px\n');
    comprovar(await titolQuan(pagina, teText, PENJAT, ['nomArxiu', 'bom.txt']) !== null, 'the page shows the dropped file\'s name');
    comprovar(await titolQuan(pagina, consolaTe, PENJAT, 'Número de partícules invàlid') !== null,
        'a dropped file that starts with a byte-order mark fails as on the desktop');
    comprovar(await titolQuan(pagina, consolaTe, PENJAT, 'the run ended with status 1') !== null,
        'and its run ends with status 1');
}

// The echo's lines in the pane: the header's and the bodies'.
const ecoDe = () => document.getElementById('consola').textContent.split('\n')
    .filter((l) => /^(Pantalla X: |\d+: Pos X: )/.test(l)).join('\n');

async function visitant(pagina, url) {
    await pagina.goto(url);
    comprovar(/gravity/.test(await pagina.textContent('h1')), `the page says what it is: ${await pagina.textContent('h1')}`);
    await pagina.selectOption('#exemples', 'sistema-solar');
    comprovar(await titolQuan(pagina, teText, PENJAT, ['tecles', 'Key 5 (1 month a second)']) !== null,
        'choosing an example shows the key to watch it at');
    comprovar(await titolQuan(pagina, segonComplet, PENJAT) !== null && /exemple=sistema-solar/.test(await pagina.inputValue('#enllac')),
        'and runs it, its link in the box');
    await canvas(pagina).focus();
    await pagina.keyboard.press('q');
    const fi = await titolQuan(pagina, teText, PENJAT, ['estat', 'The run ended with status 0']);
    comprovar(fi !== null && !/Hz:/.test(fi), `q ends the run, and the page says so: ${fi}`);
    const pane = await pagina.textContent('#consola');
    comprovar(!/SDL_Quit|Blocking on the main thread/.test(pane), 'the pane holds no emscripten or SDL internals');
    await pagina.click('#tornar');
    comprovar(await titolQuan(pagina, segonComplet, PENJAT) !== null, `"Run again" runs it again: ${await pagina.title()}`);
}

// Files of the visitor's own: one of 30 MB (a word that long) at a limit the
// tab cannot hold, and one that will not read as written.
async function arxiusGrans(pagina, url) {
    await pagina.goto(`${url}?exemple=orbita`);
    const gran = join(temporal, 'gran.txt');
    writeFileSync(gran, `800 600 3 1000 60 -11\n0 x 0 y 0 vx 0 vy 1000000000000 ${'k'.repeat(30e6)} 10 px\n`
        + '100 x 0 y 0 vx 20 vy 1000 kg 4 px\n-100 x 0 y 0 vx -20 vy 1000 kg 4 px\n');
    await pagina.setInputFiles('#arxiu', gran);
    const darrera = '2: Pos X: -100 | Pos Y: 0 | Vel X: 0 | Vel Y: -20 | Massa: 1000 | Diametre: 4';
    comprovar(await titolQuan(pagina, consolaTe, 20000, darrera) !== null, 'a file of 30 MB runs: its last echo line shows');
    comprovar(await titolQuan(pagina, teText, 1000, ['nomArxiu', 'gran.txt, 30.0 MB']) !== null, 'with its name and size');
    comprovar(/too large for a link/.test(await pagina.textContent('#enllacNota')), 'too large for a link, and the page says so');
    const lent = await titolQuan(pagina, teText, PENJAT, ['avis', 'well under the 1000 the file asks for']);
    comprovar(lent !== null, `a rate well under the limit is said, with what it does: ${await pagina.textContent('#avis')}`);

    await pagina.setInputFiles('#arxiu', { name: 'bad.txt', mimeType: 'text/plain',
        buffer: Buffer.from('800 600 2 100 60 -11\n0 x 0 y 0 vx 0 vy 1000 kg 10 px\n5 x abc y 0 vx 0 vy 1 kg 4 px\n') });
    // "abc" begins at the fifth character of the third line.
    comprovar(await titolQuan(pagina, consolaTe, PENJAT, 'bad.txt:3:5: error: "abc" does not read as the y of body 1') !== null,
        'a file that will not read as written shows check\'s finding, with line and column');
}

// A system built in the page by its orbits: the native tool's config, and
// its link, in a browser context of its own, gives the same echo.
async function orbites(pagina, url, context) {
    await pagina.goto(url);
    await pagina.click('#construir');
    comprovar(await titolQuan(pagina, teText, 10000, ['informe', 'keys it tolerates']) !== null
        && /^units: /.test(await pagina.textContent('#informe')), 'gen orbits builds the description, its report beside it');
    comprovar(await titolQuan(pagina, segonComplet, PENJAT) !== null, 'and its system runs');
    const config = await pagina.evaluate(async () => (await fetch(document.getElementById('desar').href)).text());
    const descripcio = join(temporal, 'orbits.txt');
    writeFileSync(descripcio, await pagina.inputValue('#descripcio'));
    const natiu = String(execFileSync(join(dirname(programaNatiu), 'particules-config'), ['gen', 'orbits', descripcio],
        { stdio: ['ignore', 'pipe', 'ignore'], timeout: 10000 }));
    comprovar(config === natiu, `its config is the native tool's, byte for byte (${config.length} bytes)`);
    const eco = await pagina.evaluate(ecoDe);
    const enllac = await pagina.inputValue('#enllac');
    comprovar(/\?orbites=[\w-]+$/.test(enllac), `its link holds the description: ${enllac.length} characters`);
    await pagina.click('#copiar');
    comprovar(await pagina.evaluate(() => navigator.clipboard.readText()) === enllac, '"Copy link" copies it');

    const altra = await context.newPage();
    await altra.goto(enllac);
    comprovar(await titolQuan(altra, segonComplet, 10000) !== null, 'the link opens afresh and runs');
    const ecoAltra = await altra.evaluate(ecoDe);
    comprovar(eco.split('\n').length === 5 && ecoAltra === eco, 'with the same echo');
    await altra.goto(`${url}?propi=my-system.txt`);
    comprovar(await titolQuan(altra, teText, PENJAT, ['estat', 'This page never read my-system.txt']) !== null
        && !(await altra.evaluate(consolaTe, 'invàlid')), 'a link to a file the page never read says so');
    await altra.close();
}

// A step of 40 000 bodies stops the tab for a long time: the page says how
// long before the first.
async function pasLlarg(context, url) {
    const pagina = await context.newPage();
    await pagina.goto(`${url}?exemple=orbita`);
    await pagina.evaluate(() => {
        window.avisos = [];
        new MutationObserver(() => window.avisos.push(document.getElementById('avis').textContent))
            .observe(document.getElementById('avis'), { childList: true, characterData: true, subtree: true });
    });
    const linies = ['800 600 40000 100 60 -11'];
    for (let i = 0; i < 40000; ++i)
        linies.push(`${(i % 200) * 3 - 300} x ${Math.floor(i / 200) * 3 - 300} y 0 vx 0 vy 1000 kg 2 px`);
    await pagina.setInputFiles('#arxiu', { name: 'molts.txt', mimeType: 'text/plain', buffer: Buffer.from(linies.join('\n')) });
    let avis = null;
    try {
        await pagina.waitForFunction(() => window.avisos.some((a) => a.includes('takes about')), null, { timeout: 60000 });
        avis = await pagina.evaluate(() => window.avisos.find((a) => a.includes('takes about')));
    } catch {}
    comprovar(avis !== null, `a long step is announced before it runs: ${avis}`);
    await pagina.close({ runBeforeUnload: false });
}

async function senseAillament(pagina) {
    const url = await adreca('--no-isolation');
    aprop(await obrir(pagina, `${url}?exemple=cumul`, 'cumul, not isolated'), 100, 'cumul, not isolated');
    comprovar(await carregat(pagina, false, '/particules.js'), 'a page not isolated runs the one-thread build');
    comprovar(await pagina.evaluate(consolaTe, '(one thread:'), 'its console pane says so');
}

try {
    const url = await adreca();
    // Fresh profiles of its own, as the rest of the flags keep it off the network.
    navegador = await chromium.launch({
        executablePath: '/usr/bin/chromium',
        headless: true,
        timeout: PENJAT,
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const context = () => navegador.newContext({ viewport: { width: captura ? 1360 : 900, height: 1000 },
        permissions: ['clipboard-read', 'clipboard-write'] });
    const pagina = await (await context()).newPage();
    pagina.setDefaultTimeout(PENJAT);
    if (captura) {
        await obrir(pagina, `${url}?exemple=cumul`, 'cumul');
        await pagina.waitForTimeout(3000);
        await pagina.screenshot({ path: captura, fullPage: true });
    } else {
        await visitant(pagina, url);
        await exemples(pagina, url);
        await controls(pagina, url);
        await arxius(pagina, url);
        await arxiusGrans(pagina, url);
        await orbites(pagina, url, await context());
        await senseAillament(pagina);
        // Last: its tab may go on with its step after it is closed.
        await pasLlarg(await context(), url);
    }
} catch (e) {
    comprovar(false, String(e));
}
await acabar(fallades === 0 ? 0 : 1);
