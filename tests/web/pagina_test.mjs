// The page in Debian's chromium, headless, against the project's own server,
// as a visitor uses it: it says what it is; every example runs with its status
// line in the title and its rate at most its limit, and under 80 % of it only
// where the page says why, ends on q with its status
// said, and runs again; keys change the time factor, the wheel the zoom, and
// with the limiter off (Return) the page still answers; a still system chosen
// with the file picker draws the native program's frame pixel for pixel,
// trails on and off; a 30 MB file runs; a file that will not read as written
// shows check's findings; a file dropped on the page runs, and an invalid one
// shows its message; a description built with gen orbits gives the native
// tool's config, and its link, opened afresh, the same echo; a system drawn by
// clicks and drags gives the native gen drawing's config, which passes check,
// reads back to what was drawn and runs at a key the page says it tolerates,
// and its link the same echo afresh; a link to a file
// the page never read says so; a step that stops the tab is announced before
// it; an isolated host gets the threaded build, any other the one-thread
// build. Every wait has a deadline, and the servers, the browser and the
// native run are ended on every way out.
// usage: node pagina_test.mjs SERVER.mjs SITE PARTICULES [SCREENSHOT.png]
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { constants as zlibConstants, deflateRawSync } from 'node:zlib';
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
        await pagina.waitForFunction(cond, arg, { timeout: Math.max(ms, PENJAT), polling: 50 });
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

// The rate the status line shows, never over the limit; under 80 % of it
// (a loaded machine runs fewer) only where the page says so beside it. Read
// with the notice in one turn of the page, which sets both at once.
async function aprop(pagina, limit, nom) {
    const { titol, avis } = await pagina.evaluate(() => ({
        titol: document.title, avis: document.getElementById('avis').textContent }));
    const hz = hzDe(titol);
    const periode = Math.trunc(1000 / limit);
    const dit = hz >= 0.8 * 1000 / periode || avis.includes(`well under the ${limit} the file asks for`)
        || avis.startsWith('A step of');
    comprovar(hz > 0 && hz <= limit && dit, `${nom}: the rate shown, at most its limit of ${limit}, `
        + `and under 80 % of it only where the page says why: ${hz} Hz${avis ? `; ${avis}` : ''}`);
}

async function exemples(pagina, url) {
    for (const { nom } of JSON.parse(readFileSync(join(lloc, 'examples', 'index.json'), 'utf8'))) {
        const limit = Number(readFileSync(join(lloc, 'examples', nom, 'config.txt'), 'utf8').split(/\s+/)[3]);
        await obrir(pagina, `${url}?exemple=${nom}`, nom);
        await aprop(pagina, limit, nom);
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

    // Limiter off: more cycles than the limit, and the page still answers a
    // key and a script: a loop that never handed the thread back would not.
    await pagina.keyboard.press('Enter');
    titol = await titolQuan(pagina, () => Number(/Hz: (\d+)/.exec(document.title)?.[1]) > 100, PENJAT);
    comprovar(titol !== null, `Return lifts the limit: ${hzDe(titol)} Hz`);
    let lentMs = 0;
    for (let i = 0; i < 10 && lentMs < PENJAT; ++i) {
        const abans = Date.now();
        await Promise.race([pagina.evaluate(() => 0), new Promise((r) => setTimeout(r, PENJAT))]);
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
    await pagina.waitForFunction(() => location.hash.includes('nom=quiet.txt') && location.search === '');
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

// What the first view moved, as the server sent it: the page's files and
// its program's frame's, bodies only (compressed where the server did).
const bytesVisita = () => [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource'),
    ...document.getElementById('programa').contentWindow.performance.getEntriesByType('resource')]
    .reduce((s, r) => s + r.encodedBodySize, 0);

async function visitant(pagina, url) {
    await pagina.goto(url);
    await titolQuan(pagina, segonComplet, PENJAT);
    console.log(`(a first view of the page, ${await pagina.evaluate(() => crossOriginIsolated) ? 'threads' : 'one thread'}: `
        + `${await pagina.evaluate(bytesVisita)} bytes from the server)`);
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
        { stdio: ['ignore', 'pipe', 'ignore'], timeout: PENJAT }));
    comprovar(config === natiu, `its config is the native tool's, byte for byte (${config.length} bytes)`);
    const eco = await pagina.evaluate(ecoDe);
    const enllac = await pagina.inputValue('#enllac');
    comprovar(/#orbites=[\w-]+$/.test(enllac), `its link holds the description after #: ${enllac.length} characters`);
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

// Every control, then a click on the picture: the keys go to the program.
// A control that starts a run gives them to it by itself.
async function claus(pagina, url) {
    await obrir(pagina, `${url}#exemple=orbita`, 'orbita, for the keys');
    const tecles = [['3', '1s = 1 dia'], ['4', '1s = 15 dies']];
    let torn = 0;
    const prova = async (nom, clicarImatge) => {
        // Scrolled into view first, as a person would.
        if (clicarImatge)
            await canvas(pagina).click();
        const [tecla, text] = tecles[torn++ % 2];
        await pagina.keyboard.press(tecla);
        comprovar(await titolQuan(pagina, (t) => document.title.includes(t), 5000, text) !== null,
            `after ${nom}${clicarImatge ? ' and a click on the picture' : ''}, key ${tecla}: ${await pagina.title()}`);
    };
    for (const control of ['#copiar', 'h1', 'header p', '#consola', '#descripcio', '#enllac', '#exemples'])
        await pagina.click(control).then(() => prova(control, true));
    // Each starts a run: the keys go with it.
    for (const control of ['#tornar', '#construir']) {
        await pagina.evaluate(() => { window.marcAbans = document.getElementById('programa'); });
        await pagina.click(control);
        await pagina.waitForFunction(() => document.getElementById('programa') !== window.marcAbans
            && /Hz: [1-9]/.test(document.title), null, { timeout: PENJAT });
        await prova(control, false);
    }
    await pagina.click('#desar');
    await prova('#desar', true);
    // On a phone's screen: nothing wider than it, the picture scaled to it.
    await pagina.setViewportSize({ width: 360, height: 800 });
    const estreta = await pagina.waitForFunction(() => document.documentElement.scrollWidth <= 360
        && document.getElementById('programa').getBoundingClientRect().width <= 340, null, { timeout: 5000 })
        .then(() => true, () => false);
    comprovar(estreta, `the page fits 360 px: ${await pagina.evaluate(() => document.documentElement.scrollWidth)} px wide`);
    await prova('a narrow screen', true);
    await pagina.setViewportSize({ width: 900, height: 1000 });
    await pagina.keyboard.press('q');
    comprovar(await titolQuan(pagina, teText, 5000, ['estat', 'The run ended with status 0']) !== null, 'and q ends the run');
}

// A tab kept from its turns by other work on its thread (as a busy machine
// does): the rate falls while a cycle's own work stays short, and the page
// says the machine is busy, not that the step is slow.
async function ocupada(pagina, url) {
    await obrir(pagina, `${url}#exemple=orbita`, 'orbita, on a busy tab');
    await pagina.evaluate(() => {
        window.ocupant = setInterval(() => {
            const fi = performance.now() + 30;
            while (performance.now() < fi);
        }, 5);
    });
    const avis = await titolQuan(pagina, teText, 15000, ['avis', 'this machine is busy']);
    await pagina.evaluate(() => clearInterval(window.ocupant));
    comprovar(avis !== null && !/A step of/.test(await pagina.textContent('#avis')),
        `a tab starved of its turns says the machine is busy: ${await pagina.textContent('#avis')}`);
}

// A file of 1100 bodies, whose link is about 30 000 characters: the page writes it after #,
// and it opens in a fresh context, and as the earlier page wrote it (?config=);
// a hostile link of 2 MB that would inflate to 1.5 GB stops at the cap.
async function enllacos(pagina, url, context) {
    let atzar = 1;
    const nombre = () => ((atzar = (atzar * 48271) % 2147483647) % 2000000 - 1000000) / 1000;
    const linies = ['800 600 1100 100 60 -11'];
    for (let i = 0; i < 1100; ++i)
        linies.push(`${nombre()} x ${nombre()} y ${nombre() / 100} vx ${nombre() / 100} vy 1000 kg 2 px`);
    await pagina.goto(`${url}#exemple=orbita`);
    await pagina.setInputFiles('#arxiu', { name: 'set-cents.txt', mimeType: 'text/plain', buffer: Buffer.from(linies.join('\n')) });
    const darrera = /^1099: Pos X: /m;
    comprovar(await titolQuan(pagina, consolaTe, 20000, '1099: Pos X: ') !== null, 'a file of 1100 bodies runs');
    const enllac = await pagina.inputValue('#enllac');
    comprovar(/#config=[\w-]+&nom=set-cents.txt$/.test(enllac) && enllac.length > 28000,
        `its link holds it after #: ${enllac.length} characters`);
    const eco = await pagina.evaluate(ecoDe);
    const altra = await context.newPage();
    for (const [nom, adreca] of [['its link', enllac], ['as ?config=', enllac.replace('#', '?')]]) {
        await altra.goto(adreca);
        const fet = await titolQuan(altra, consolaTe, 20000, '1099: Pos X: ') !== null;
        comprovar(fet && darrera.test(eco) && await altra.evaluate(ecoDe) === eco && await altra.evaluate(() => location.search === ''),
            `${nom} opens in a fresh page, with the same echo`);
    }
    // Zeros, deflated in pieces of 64 MB each ending on a full flush, so that
    // a piece repeats: 24 of them, then a last empty block.
    const tros = deflateRawSync(Buffer.alloc(64 << 20), { level: 9, finishFlush: zlibConstants.Z_FULL_FLUSH });
    const bomba = Buffer.concat([...Array(Math.ceil(1.5e6 / tros.length)).fill(tros), Buffer.from([3, 0])]).toString('base64url');
    await altra.goto(`${url}#config=${bomba}&nom=bomba.txt`);
    const avis = await titolQuan(altra, teText, 30000, ['estat', 'the largest config.txt a link opens']);
    comprovar(avis !== null && await altra.evaluate(() => document.getElementById('programa') === null),
        `a hostile link of ${bomba.length} characters stops inflating at the cap: ${await altra.textContent('#estat')}`);
    await altra.close();
}

// 100 000 bodies: their first step waits for "Start it", then is done in
// slices with the page's turn between them, so that a script, and another
// example, run before the step ends.
async function pestanyaViva(context, url) {
    const pagina = await context.newPage();
    await pagina.goto(`${url}#exemple=orbita`);
    const n = 100000;
    const linies = [`800 600 ${n} 100 60 -11`];
    for (let i = 0; i < n; ++i)
        linies.push(`${(i % 400) * 2 - 400} x ${Math.floor(i / 400) * 2 - 250} y 0 vx 0 vy 1000 kg 1 px`);
    await pagina.setInputFiles('#arxiu', { name: 'cent-mil.txt', mimeType: 'text/plain', buffer: Buffer.from(linies.join('\n')) });
    let boto = null;
    try {
        boto = await pagina.waitForSelector('#comencar', { timeout: 60000 });
    } catch {}
    comprovar(boto !== null && / s\)$/.test(await boto.textContent()), `its step waits for the visitor: ${await boto?.textContent()}`);
    await boto?.click();
    let tros = null;
    try {
        await pagina.waitForFunction(() => Number(document.getElementById('programa').dataset.trossos) >= 2, null, { timeout: 60000 });
        const abans = Date.now();
        tros = await pagina.evaluate((n) => {
            const m = document.getElementById('programa');
            return { fets: Number(m.dataset.fets), trossos: Number(m.dataset.trossos), n };
        }, n);
        tros.ms = Date.now() - abans;
    } catch {}
    comprovar(tros !== null && tros.fets < n, `the step goes in slices, and a script runs within it: ${JSON.stringify(tros)}`);
    const abans = Date.now();
    await pagina.selectOption('#exemples', 'cumul');
    comprovar(await titolQuan(pagina, segonComplet, 30000) !== null,
        `and another example runs meanwhile, its first second in ${Date.now() - abans} ms`);
    await pagina.close({ runBeforeUnload: false });
}

// A star, a planet and a comet drawn by clicks and drags: its config is the
// native gen drawing's, passes check, and reads back to what was drawn within
// the drawing's own rounding (a pixel of the view for a place, a pixel of
// arrow for a velocity; a mass to the nearest unit of the file); it runs at
// the fastest key the page says it tolerates, and its link opens the same
// system in a fresh browser. A body too light for the units is said at it.
async function dibuixar(pagina, url, context) {
    await pagina.goto(`${url}#exemple=orbita`);
    const svg = pagina.locator('#dibuix');
    await svg.scrollIntoViewIfNeeded();
    // Where the drawing is now: the page may have scrolled since.
    const mesura = () => svg.evaluate((el) => {
        const r = el.getBoundingClientRect();
        return { x: r.left, y: r.top, w: el.clientWidth, h: el.clientHeight };
    });
    let vista = await mesura();
    const ua = 1.495978707e11;
    // 100 px: 1 AU; an arrow of 100 px: 30 km/s, as the page states.
    const escala = ua / 100;
    const vpx = 300;
    const o = [Math.round(vista.w / 2), Math.round(vista.h / 2)];
    const cossos = [
        { massa: 'star', kg: 1.98847e30, lloc: [0, 0], fletxa: [0, 0] },
        { massa: 'the Earth', kg: 5.9722e24, lloc: [100, 0], fletxa: [0, -100] },
        { massa: 'typed', kg: 1e20, lloc: [-200, 10], fletxa: [0, 20] },
    ];
    for (const c of cossos) {
        await pagina.selectOption('#massaTipus', { label: c.massa === 'star' ? 'a star like the Sun' : c.massa });
        if (c.massa === 'typed')
            await pagina.fill('#massa', String(c.kg));
        vista = await mesura();
        const [sx, sy] = [vista.x + o[0] + c.lloc[0], vista.y + o[1] + c.lloc[1]];
        await pagina.mouse.move(sx, sy);
        await pagina.mouse.down();
        await pagina.mouse.move(sx + c.fletxa[0], sy + c.fletxa[1], { steps: 4 });
        await pagina.mouse.up();
        c.x = (o[0] + c.lloc[0] - vista.w / 2) * escala;
        c.y = (o[1] + c.lloc[1] - vista.h / 2) * escala;
        [c.vx, c.vy] = [c.fletxa[0] * vpx, c.fletxa[1] * vpx];
    }
    const teclesText = await titolQuan(pagina, teText, 15000, ['teclesDibuix', 'keys it tolerates']) !== null
        ? await pagina.textContent('#teclesDibuix') : '';
    comprovar(/keys it tolerates: [1-7]/.test(teclesText), `the drawing's keys are shown before it runs: ${teclesText}`);
    const config = await pagina.inputValue('#configDibuix');
    const arxiu = join(temporal, 'drawing.txt');
    writeFileSync(arxiu, await pagina.evaluate(() => textDibuix()));
    const eina = join(dirname(programaNatiu), 'particules-config');
    const natiu = String(execFileSync(eina, ['gen', 'drawing', arxiu], { stdio: ['ignore', 'pipe', 'ignore'], timeout: PENJAT }));
    comprovar(config === natiu, `its config is the native gen drawing's, byte for byte (${config.length} bytes)`);
    const configArxiu = join(temporal, 'drawing-config.txt');
    writeFileSync(configArxiu, config);
    let check = '';
    try {
        check = String(execFileSync(eina, ['check', configArxiu], { timeout: PENJAT }));
    } catch (e) {
        check = `exit ${e.status}: ${e.stdout}`;
    }
    comprovar(/0 errors, 0 notes/.test(check), `it passes check: ${check.trim()}`);
    const metres = Number(/^units: length (\S+) m, mass (\S+) kg/m.exec(await pagina.textContent('#informeDibuix'))?.[1]);
    // The file's mass unit to all its digits: G's own, 6.7e-E in the file's units, over its value in SI.
    const kg = 6.7 * 10 ** Number(config.split('\n')[0].split(' ')[5]) / 6.6743e-11 * metres ** 3;
    const files = config.trim().split('\n').slice(1).map((l) => l.split(' ').filter((_, k) => k % 2 === 0).map(Number));
    const error = cossos.map((c, i) => {
        const [x, y, vx, vy, m] = files[i] ?? [];
        return Math.max(Math.abs(x * metres - c.x) / escala, Math.abs(y * metres - c.y) / escala,
            Math.abs(vx * metres - c.vx) / vpx, Math.abs(vy * metres - c.vy) / vpx, Math.abs(m * kg - c.kg) / (0.5 * kg + 1e-15 * c.kg));
    });
    comprovar(files.length === 3 && error.every((e) => e <= 1),
        `it reads back to the places, velocities and masses drawn, within a pixel and half a mass unit (${error.map((e) => e.toFixed(3))})`);
    const tecla = Math.max(...(/keys it tolerates: (.*)$/m.exec(teclesText)?.[1].match(/\d/g) ?? ['1']).map(Number));
    // The program's own words for each key, in its title.
    const factor = ['1s = 1s', '1s = 1 hora', '1s = 1 dia', '1s = 15 dies', '1s = 1 mes', '1s = mig any', '1s = 1 any'][tecla - 1];
    await pagina.click('#executarDibuix');
    // Its own run: the pane starts afresh with its echo, the title then its.
    const corre = () => document.getElementById('consola').textContent.includes('N particules: 3 ') && /Hz: [1-9]/.test(document.title);
    comprovar(await titolQuan(pagina, corre, 10000) !== null, 'it runs');
    await canvas(pagina).press(String(tecla));
    comprovar(await titolQuan(pagina, (f) => document.title.includes(f) && /Hz: [1-9]/.test(document.title), 5000, factor) !== null,
        `at key ${tecla} (${factor}), which the page says it tolerates: ${await pagina.title()}`);
    const eco = await pagina.evaluate(ecoDe);
    const enllac = await pagina.inputValue('#enllac');
    const altra = await (await context()).newPage();
    await altra.goto(enllac);
    comprovar(await titolQuan(altra, segonComplet, 10000) !== null && /#config=[\w-]+&nom=drawing.txt$/.test(enllac)
        && eco.split('\n').length === 4 && await altra.evaluate(ecoDe) === eco, 'its link opens the same system in a fresh browser');
    await altra.close();

    // A body under half the mass unit is said at it, in the drawing.
    await pagina.selectOption('#massaTipus', { label: 'typed' });
    await pagina.fill('#massa', '1');
    vista = await mesura();
    await pagina.mouse.click(vista.x + o[0], vista.y + o[1] + 60);
    const fallada = await titolQuan(pagina, () => [...document.querySelectorAll('#dibuix text.nota')]
        .some((t) => /^body\d+: .*becomes 0/.test(t.textContent)), 10000);
    comprovar(fallada !== null, 'a mass that rounds to 0 is said at its body');

    // On a phone, by touch: a finger places a body and drags its arrow, and
    // the page, laid out at the phone's width, fits it.
    const telefon = await navegador.newContext({ viewport: { width: 360, height: 740 }, hasTouch: true, isMobile: true });
    const mobil = await telefon.newPage();
    await mobil.goto(`${url}#exemple=orbita`);
    await titolQuan(mobil, segonComplet, PENJAT);
    await mobil.locator('#dibuix').scrollIntoViewIfNeeded();
    const cdp = await telefon.newCDPSession(mobil);
    // Each touch at the drawing's centre as it stands then, (dx, dy) from it:
    // a notice that the page puts above the drawing moves it, and a loaded
    // machine may lay the page out again between two touches.
    const dit = async (type, dx = 0, dy = 0) => {
        const r = await mobil.locator('#dibuix').boundingBox();
        const [x, y] = [Math.round(r.x + r.width / 2) + dx, Math.round(r.y + r.height / 2) + dy];
        await cdp.send('Input.dispatchTouchEvent', { type, touchPoints: type === 'touchEnd' ? [] : [{ x, y }] });
    };
    await dit('touchStart');
    for (let k = 1; k <= 4; ++k)
        await dit('touchMove', 0, -10 * k);
    await dit('touchEnd');
    const tocat = await titolQuan(mobil, teText, 15000, ['teclesDibuix', 'keys it tolerates']) !== null
        && await mobil.evaluate(() => textDibuix());
    comprovar(/^earth1 5.9722e\+24 \S+ \S+ 0 -12000\n$/.test(tocat)
        && await mobil.evaluate(() => document.documentElement.scrollWidth) <= 360,
        `a finger draws on a phone 360 px wide, the page as wide: ${JSON.stringify(tocat)}`);
    await telefon.close();
}

async function senseAillament(pagina) {
    const url = await adreca('--no-isolation');
    await obrir(pagina, `${url}?exemple=cumul`, 'cumul, not isolated');
    await aprop(pagina, 100, 'cumul, not isolated');
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
        await dibuixar(pagina, url, context);
        await claus(pagina, url);
        await ocupada(pagina, url);
        await enllacos(pagina, url, await context());
        await senseAillament(pagina);
        // Last: its tab may go on with its step after it is closed.
        await pestanyaViva(await context(), url);
        await pasLlarg(await context(), url);
    }
} catch (e) {
    comprovar(false, String(e));
}
await acabar(fallades === 0 ? 0 : 1);
