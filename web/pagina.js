// The page: runs the program on one system at a time, in a frame of its own
// made afresh for every run, so that a run that ends leaves nothing behind
// and "Run again" needs no reload. A system is a bundled example, a
// description built with particules-config gen orbits, or a file of the
// visitor's own, handed over as its bytes; the page's address names it, so
// that a copied link opens the same system. particules-config (check and
// gen, built beside the program) runs as a fresh instance per command. A
// page its host isolates (crossOriginIsolated) runs the build whose step
// takes every processor; any other runs on one thread.
'use strict';

const $ = (id) => document.getElementById(id);
const consola = $('consola');

// The pane keeps the last lines only: the echo of a million bodies would
// otherwise hold the tab's memory and lay out for seconds.
const kLiniesPane = 2000;
let linies = [];
let oblidades = 0;
let pintura = false;
function escriure(text) {
    linies.push(text);
    if (linies.length > 2 * kLiniesPane) {
        oblidades += linies.length - kLiniesPane;
        linies = linies.slice(-kLiniesPane);
    }
    // Shown once a frame: hundreds of lines arrive at once.
    if (!pintura) {
        pintura = true;
        requestAnimationFrame(() => {
            pintura = false;
            const darreres = linies.slice(-kLiniesPane);
            const abans = oblidades + linies.length - darreres.length;
            consola.textContent = (abans > 0 ? `(${abans} earlier lines not kept)\n` : '') + darreres.join('\n') + '\n';
            consola.scrollTop = consola.scrollHeight;
        });
    }
}
function buidarPane() {
    linies = [];
    oblidades = 0;
    consola.textContent = '';
}

// What emscripten and its SDL say of themselves; the pane is for the program.
const kInterns = [/^SDL_Quit called/, /^Blocking on the main thread/, /^Calling stub instead of /,
    /^warning: /, /^pthread_/];
const intern = (text) => kInterns.some((r) => r.test(text));

const mida = (n) => (n < 1e6 ? `${Math.ceil(n / 1000)} KB` : `${(n / 1e6).toFixed(1)} MB`);

// The address and the link box: what opens this system again. The system
// goes after #, which no browser sends to a server nor leaves in its logs.
const kEnllacMaxim = 32000;
// The largest config.txt a link opens: its reading stops inflating there.
const kConfigEnllacMaxim = 256 * 1024 * 1024;
function posarEnllac(parametres, nota = '') {
    const url = new URL(location.href);
    url.search = '';
    url.hash = parametres ? `#${parametres}` : '';
    history.replaceState(null, '', url);
    $('enllac').value = parametres ? url.href : '';
    $('enllacNota').textContent = nota;
}

// Bytes to text for an address and back: deflate, then base64url.
async function perEnllac(bytes) {
    const flux = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    const comprimit = new Uint8Array(await new Response(flux).arrayBuffer());
    let binari = '';
    for (let i = 0; i < comprimit.length; i += 0x8000)
        binari += String.fromCharCode(...comprimit.subarray(i, i + 0x8000));
    return btoa(binari).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}
// Inflated a piece at a time, so that a hostile link stops at the cap
// instead of filling the tab's memory.
class EnllacMassaGran extends Error {}
async function deEnllac(text) {
    const binari = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binari, (c) => c.charCodeAt(0));
    const lector = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    const trossos = [];
    let total = 0;
    for (;;) {
        const { done, value } = await lector.read();
        if (done)
            break;
        total += value.length;
        if (total > kConfigEnllacMaxim) {
            lector.cancel().catch(() => {});
            throw new EnllacMassaGran();
        }
        trossos.push(value);
    }
    const tot = new Uint8Array(total);
    let i = 0;
    for (const t of trossos) {
        tot.set(t, i);
        i += t.length;
    }
    return tot;
}

// particules-config: each command a fresh instance of one compiled module.
let modulConfig = null;
async function particulesConfig(arguments_, arxius) {
    modulConfig ??= Promise.all([
        new Promise((fet, error) => {
            const script = document.createElement('script');
            script.src = 'particules-config.js';
            script.onload = fet;
            script.onerror = () => error(new Error('particules-config.js did not load'));
            document.head.appendChild(script);
        }),
        WebAssembly.compileStreaming(fetch('particules-config.wasm')),
    ]).then(([, modul]) => modul);
    const modul = await modulConfig;
    const r = { estat: null, sortida: [], errors: [] };
    await ParticulesConfig({
        arguments: arguments_,
        print: (text) => r.sortida.push(text),
        printErr: (text) => r.errors.push(text),
        preRun: [(M) => {
            for (const [nom, bytes] of arxius)
                M.FS.writeFile(nom, bytes, { canOwn: true });
        }],
        instantiateWasm: (imports, fet) => {
            WebAssembly.instantiate(modul, imports).then((instancia) => fet(instancia, modul));
            return {};
        },
        onExit: (estat) => { r.estat = estat; },
    });
    return r;
}

// ---- The run

// The system being run: { nom, bytes (or their promise), previ: lines the
// pane starts with, exemple: whether it is a bundled one }.
let actual = null;
let execucio = 0;
const ambFils = self.crossOriginIsolated === true;

const estat = $('estat');
const avis = $('avis');

// Where the cycle rate falls this far under the limit, the status says so.
const kRitmeLent = 0.8;

// Ends the run under way, if any, and empties the pane.
function aturar() {
    ++execucio;
    actual = null;
    $('lloc').replaceChildren();
    $('permis').replaceChildren();
    buidarPane();
    avis.textContent = '';
}

// Fits the run's frame to the page's width; one listener for every run.
let ajustarMarc = () => {};
addEventListener('resize', () => ajustarMarc());

function executar(sistema) {
    const n = ++execucio;
    const viva = () => n === execucio;
    actual = sistema;
    buidarPane();
    sistema.previ.forEach(escriure);
    escriure(ambFils ? `(threads: the step on up to ${navigator.hardwareConcurrency} processors)`
        : '(one thread: threads need the host to send Cross-Origin-Opener-Policy: same-origin'
            + ' and Cross-Origin-Embedder-Policy: require-corp)');
    document.title = estat.textContent = `(starting ${sistema.nom})`;
    avis.textContent = '';
    $('permis').replaceChildren();

    const marc = document.createElement('iframe');
    marc.id = marc.name = 'programa';
    marc.title = 'The program';
    $('lloc').replaceChildren(marc);
    const finestra = marc.contentWindow;
    const doc = marc.contentDocument;
    doc.body.style.margin = '0';
    const canvas = doc.createElement('canvas');
    canvas.id = 'canvas';
    canvas.tabIndex = 0;
    canvas.style.cssText = 'display: block; outline: none; background: #000';
    canvas.oncontextmenu = (e) => e.preventDefault();
    // SDL prevents the default of the mouse's press, which would give the
    // canvas the focus: a click on the picture after any other control
    // gives it the keys here.
    for (const tipus of ['pointerdown', 'mousedown', 'touchstart'])
        canvas.addEventListener(tipus, () => canvas.focus(), { capture: true, passive: true });
    doc.body.appendChild(canvas);
    doc.ondragover = document.ondragover;
    doc.ondrop = document.ondrop;
    // The frame as large as the program's window, or, on a narrower screen,
    // as wide as the page, its canvas scaled to it: SDL reads the mouse
    // through the canvas's shown size.
    const estil = doc.createElement('style');
    estil.textContent = 'canvas { width: 100% !important; height: 100% !important; }';
    doc.head.appendChild(estil);
    const ajustar = () => {
        if (canvas.width === 0 || canvas.height === 0)
            return;
        const escala = Math.min(1, document.querySelector('main').clientWidth / canvas.width);
        marc.style.width = `${Math.floor(canvas.width * escala)}px`;
        marc.style.height = `${Math.floor(canvas.height * escala)}px`;
    };
    new finestra.MutationObserver(ajustar).observe(canvas, { attributes: true, attributeFilter: ['width', 'height'] });
    ajustarMarc = ajustar;

    // The header's limit and body count, from the echo's first line.
    let limit = 0;
    let cossos = 0;
    let acabada = false;
    // Two notices: a step that stops the tab, and a rate well under the
    // limit; the first says all the second would.
    let avisPas = '';
    let avisRitme = '';
    let progres = '';
    const avisar = () => { avis.textContent = (avisPas || avisRitme) + progres; };
    // The least of the last second's cycles' own time, as the program
    // measures it: a rate that falls while it stays short is the machine's.
    let treballMs = null;
    // The status line follows the title the program sets, as it sets it.
    new finestra.MutationObserver(() => {
        if (!viva() || acabada || doc.title === '')
            return;
        document.title = estat.textContent = doc.title;
        const hz = Number(/Hz: (\d+) \|/.exec(doc.title)?.[1]);
        const periode = limit > 0 && limit <= 1000 ? Math.trunc(1000 / limit) : 0;
        if (hz > 0 && periode > 0) {
            const lent = hz < kRitmeLent * 1000 / periode;
            // The program's own time would allow the limit: the rest went elsewhere.
            const ocupada = treballMs !== null && treballMs < kRitmeLent * periode;
            avisRitme = !lent ? ''
                : `This tab runs ${hz} cycles a second, well under the ${limit} the file asks for: each step `
                    + `is ${(1000 / hz / periode).toFixed(1)} times as long as the file expects, so at a fast key `
                    + 'bodies on tight orbits take fewer, longer steps and can be thrown out. '
                    + (ocupada ? `A cycle's own work takes ${treballMs.toFixed(1)} ms: this machine is busy, or the `
                        + 'browser slow to give the tab its turn. Fewer busy tabs or programs, or a lower key, keep them.'
                        : 'A lower key, or fewer busy tabs, keeps them.');
            avisar();
        }
    }).observe(doc.documentElement, { childList: true, characterData: true, subtree: true });

    const acabar = (text, status) => {
        if (!viva() || acabada)
            return;
        acabada = true;
        escriure(`(${sistema.nom}: ${text} ${status})`);
        estat.textContent = `The run ended with status ${status}${status === 0 ? '' : ': the pane says why'}. `
            + '"Run again" runs the same system afresh.';
        document.title = 'particules: the run ended';
        avisPas = avisRitme = '';
        avisar();
    };
    finestra.Module = {
        canvas: canvas,
        keyboardListeningElement: canvas,
        print: (text) => {
            if (!viva() || intern(text))
                return;
            const capcalera = /^Pantalla X: .* N particules: (-?\d+) Cicles: (-?\d+) FPS:/.exec(text);
            if (capcalera && limit === 0) {
                cossos = Number(capcalera[1]);
                limit = Number(capcalera[2]);
            }
            escriure(text);
        },
        printErr: (text) => viva() && !intern(text) && escriure(text),
        // config.txt once it is here, which may be after the program, then
        // main, called so as to hear its status even where it returns after
        // giving way, as every cycle does.
        noInitialRun: true,
        onRuntimeInitialized: async () => {
            const M = finestra.Module;
            let bytes;
            try {
                bytes = await sistema.bytes;
            } catch (e) {
                if (viva())
                    document.title = estat.textContent = e.message;
                return;
            }
            M.FS.writeFile('config.txt', bytes, { canOwn: true });
            acabar('the run ended with status', await M.ccall('main', 'number', ['number', 'number'], [0, 0], { async: true }));
        },
        onAbort: (que) => acabar(`the run stopped (${que}) with status`, 1),
        // A cycle long enough to see: estimated before the first, or
        // measured, the least of a few in a row.
        cicleLlarg: (ms, estimat) => {
            if (!viva())
                return;
            const s = (ms / 1000).toFixed(ms < 10000 ? 1 : 0);
            avisPas = `A step of ${cossos} bodies takes ${estimat ? 'about ' : ''}${s} s on this machine`
                + `${estimat ? ' (timed on a part of them)' : ''}: the picture moves once every ${s} s. `
                + 'The step is done in slices, so keys, another example and leaving the page answer meanwhile; '
                + 'keys act once the step ends.';
            avisar();
        },
        treballCicle: (ms) => { treballMs = ms; },
        // A sliced step's progress, under the notice.
        trosPas: (fets, n, trossos) => {
            if (!viva())
                return;
            marc.dataset.trossos = trossos;
            marc.dataset.fets = fets;
            progres = fets < n ? `\n(this step: ${Math.floor(100 * fets / n)} % of the bodies)` : '';
            avisar();
        },
        // A first step this long waits for the visitor.
        permisPas: (ms) => new Promise((fet) => {
            if (!viva())
                return;
            const boto = document.createElement('button');
            boto.id = 'comencar';
            boto.textContent = `Start it (a step takes about ${(ms / 1000).toFixed(ms < 10000 ? 1 : 0)} s)`;
            boto.onclick = () => {
                boto.remove();
                canvas.focus();
                fet();
            };
            $('permis').replaceChildren(boto);
            document.title = estat.textContent = `(${sistema.nom}: waits for "Start it")`;
        }),
    };
    const script = doc.createElement('script');
    script.src = new URL(ambFils ? 'particules-fils.js' : 'particules.js', location.href).href;
    doc.body.appendChild(script);
    canvas.focus();
}

// ---- The systems

const tria = $('exemples');
const descripcio = $('descripcio');
// Each example's name and tecles.txt.
const llistaExemples = fetch('examples/index.json').then((r) => r.json());
const bytesExemples = new Map();

// The visitor's latest choice: one that waits for check or gen is dropped
// when another comes meanwhile.
let eleccions = 0;
function elegir() {
    const n = ++eleccions;
    return () => n === eleccions;
}

function executarExemple(nom) {
    elegir();
    tria.value = nom;
    $('tecles').textContent = '';
    oblidarArxiu();
    if (!bytesExemples.has(nom)) {
        bytesExemples.set(nom, fetch(`examples/${encodeURIComponent(nom)}/config.txt`).then((r) => {
            if (!r.ok)
                throw new Error(`there is no example "${nom}"`);
            return r.arrayBuffer();
        }).then((b) => new Uint8Array(b)));
        // Said by the run that waits for it.
        bytesExemples.get(nom).catch(() => {});
    }
    posarEnllac(`exemple=${encodeURIComponent(nom)}`);
    const sistema = { nom, bytes: bytesExemples.get(nom), previ: [], exemple: true };
    executar(sistema);
    // Not waited for: the run starts with the list still on its way.
    llistaExemples.then((exemples) => {
        if (actual === sistema)
            $('tecles').textContent = exemples.find((e) => e.nom === nom)?.tecles ?? '';
    });
}

function oblidarArxiu() {
    $('arxiu').value = '';
    $('nomArxiu').textContent = '';
}

// A config.txt of the visitor's own, or from a link: check's findings first,
// with their line and column, then the run, whatever they say, as on the
// desktop.
async function executarPropi(nom, bytes, enllac) {
    const vigent = elegir();
    tria.value = '';
    $('tecles').textContent = '';
    buidarPane();
    estat.textContent = `(checking ${nom}, ${mida(bytes.length)})`;
    // Let the page say so before a long file is read.
    await new Promise((fet) => requestAnimationFrame(() => setTimeout(fet, 0)));
    const nomFs = /^[\w.+-]{1,100}$/.test(nom) && !/^\.+$/.test(nom) ? nom : 'config.txt';
    const previ = [];
    try {
        const r = await particulesConfig(['check', nomFs], [[nomFs, bytes]]);
        // Its last line counts the findings; notes alone read as written.
        if (r.estat !== 0) {
            previ.push(`(particules-config check: ${nom} will not read as written)`, ...r.sortida,
                '(the program reads it all the same:)');
        } else if (r.sortida.length > 1) {
            previ.push(`(particules-config check: notes on ${nom})`, ...r.sortida);
        }
    } catch (e) {
        previ.push(`(particules-config check did not run: ${e})`);
    }
    if (!vigent())
        return;
    if (enllac) {
        posarEnllac(enllac);
    } else if (bytes.length > 8 * kEnllacMaxim) {
        posarEnllac(`propi=${encodeURIComponent(nom)}`, `${nom} is too large for a link (${mida(bytes.length)}): share the file itself.`);
    } else {
        const text = await perEnllac(bytes);
        if (text.length <= kEnllacMaxim)
            posarEnllac(`config=${text}&nom=${encodeURIComponent(nom)}`);
        else
            posarEnllac(`propi=${encodeURIComponent(nom)}`, `${nom} is too large for a link (${mida(bytes.length)}, `
                + `${mida(text.length)} compressed; a link holds ${mida(kEnllacMaxim)}): share the file itself.`);
    }
    if (vigent())
        executar({ nom, bytes, previ });
}

async function triarArxiu(arxiu) {
    $('nomArxiu').textContent = `${arxiu.name}, ${mida(arxiu.size)}`;
    await executarPropi(arxiu.name, new Uint8Array(await arxiu.arrayBuffer()));
}

// A description through gen orbits: its report beside it, its config run.
async function construir(text, enllac) {
    const vigent = elegir();
    oblidarArxiu();
    tria.value = '';
    $('tecles').textContent = '';
    const informe = $('informe');
    informe.textContent = '(particules-config gen orbits …)';
    const desar = $('desar');
    desar.hidden = true;
    const r = await particulesConfig(['gen', 'orbits', 'orbits.txt'], [['orbits.txt', new TextEncoder().encode(text)]]);
    const codi = enllac ?? await perEnllac(new TextEncoder().encode(text));
    if (!vigent())
        return;
    informe.textContent = r.errors.join('\n');
    if (codi.length <= kEnllacMaxim)
        posarEnllac(`orbites=${codi}`);
    else
        posarEnllac('', `This description is too long for a link (${mida(codi.length)} compressed).`);
    if (r.estat !== 0) {
        aturar();
        escriure('(gen orbits found errors in the description: its report, beside it, says where)');
        document.title = estat.textContent = 'Nothing runs: the description has errors.';
        return;
    }
    $('tecles').textContent = r.errors.filter((l) => /^(suggested key|keys it tolerates)/.test(l)).join('\n');
    const config = new TextEncoder().encode(r.sortida.join('\n') + '\n');
    URL.revokeObjectURL(desar.href);
    desar.href = URL.createObjectURL(new Blob([config], { type: 'text/plain' }));
    desar.hidden = false;
    executar({ nom: 'orbits', bytes: config, previ: [] });
}

// ---- The drawing

// Bodies placed with the pointer, in metres and metres a second, y down as
// in the window; particules-config gen drawing writes their config.txt in
// gen orbits' units. A place is a whole pixel of the view it was drawn in,
// a velocity a whole pixel of arrow: the drawing's own rounding.
const kAU = 1.495978707e11;
const kMetresPerPx = kAU / 100;
// An arrow of 100 px is 30 km/s at the start zoom; zoomed in, where orbits
// are slower, a pixel is slower with the square root of the scale.
const kVelocitatPerPx = 300;
const kTocar = 12;  // px from a body's centre that touch it

const dibuix = {
    cossos: [],     // { nom, massa, x, y, vx, vy }
    escala: kMetresPerPx,
    cx: 0, cy: 0,   // the metres at the view's centre
    triat: -1,
    faltes: new Map(),  // body index -> [{ greu, text }]
    generacio: 0,
    pendent: null,
};
const svg = $('dibuix');
const velocitatPerPx = () => kVelocitatPerPx * Math.sqrt(dibuix.escala / kMetresPerPx);
const midaSvg = () => ({ w: svg.clientWidth, h: svg.clientHeight });
const aPantalla = (x, y) => {
    const { w, h } = midaSvg();
    return [w / 2 + (x - dibuix.cx) / dibuix.escala, h / 2 + (y - dibuix.cy) / dibuix.escala];
};
// The pointer's place to whole pixels of the view.
function punt(e) {
    const r = svg.getBoundingClientRect();
    return [Math.round(e.clientX - r.left), Math.round(e.clientY - r.top)];
}
const aMon = ([sx, sy]) => {
    const { w, h } = midaSvg();
    return [dibuix.cx + (sx - w / 2) * dibuix.escala, dibuix.cy + (sy - h / 2) * dibuix.escala];
};
function tocat([sx, sy]) {
    let millor = -1;
    let distancia = kTocar;
    dibuix.cossos.forEach((c, i) => {
        const [px, py] = aPantalla(c.x, c.y);
        const d = Math.hypot(px - sx, py - sy);
        if (d <= distancia) {
            distancia = d;
            millor = i;
        }
    });
    return millor;
}

const distanciaText = (m) => (m >= 0.01 * kAU ? `${+(m / kAU).toPrecision(3)} AU` : `${+(m / 1000).toPrecision(3)} km`);

function pintarDibuix() {
    const ns = 'http://www.w3.org/2000/svg';
    const nou = (tipus, atributs, pare = svg) => {
        const el = document.createElementNS(ns, tipus);
        for (const [k, v] of Object.entries(atributs))
            el.setAttribute(k, v);
        pare.appendChild(el);
        return el;
    };
    svg.replaceChildren();
    const defs = nou('defs', {});
    const fletxa = nou('marker', { id: 'punta', viewBox: '0 0 10 10', refX: 9, refY: 5, markerWidth: 6, markerHeight: 6, orient: 'auto' }, defs);
    nou('path', { d: 'M0,0 L10,5 L0,10 z', fill: '#9cf' }, fletxa);
    const [ox, oy] = aPantalla(0, 0);
    nou('path', { d: `M${ox - 6},${oy} h12 M${ox},${oy - 6} v12`, stroke: '#555' });
    const vpx = velocitatPerPx();
    dibuix.cossos.forEach((c, i) => {
        const [px, py] = aPantalla(c.x, c.y);
        const radi = Math.max(3, Math.min(12, 3 + 1.2 * Math.log10(Math.max(c.massa, 1) / 1e22)));
        const g = nou('g', { 'data-cos': i });
        if (c.vx !== 0 || c.vy !== 0)
            nou('line', { x1: px, y1: py, x2: px + c.vx / vpx, y2: py + c.vy / vpx, stroke: '#9cf', 'marker-end': 'url(#punta)' }, g);
        nou('circle', { cx: px, cy: py, r: radi, fill: '#fff', class: i === dibuix.triat ? 'triat' : '' }, g);
        const faltes = dibuix.faltes.get(i) ?? [];
        const etiqueta = nou('text', { x: px + radi + 3, y: py - radi, class: faltes.some((f) => f.greu) ? 'error' : faltes.length ? 'nota' : '' }, g);
        etiqueta.textContent = c.nom + (faltes.length ? `: ${faltes[0].text}` : '');
        if (faltes.length)
            nou('title', {}, g).textContent = faltes.map((f) => f.text).join('\n');
    });
    $('escalaDibuix').textContent = `100 px: ${distanciaText(100 * dibuix.escala)}; an arrow of 100 px: `
        + `${+(100 * vpx / 1000).toPrecision(3)} km/s. A place is kept to a pixel of the view it was drawn in, `
        + 'a velocity to a pixel of arrow.';
}

// The drawing as gen drawing reads it: one body a line, its line its index + 1.
const textDibuix = () => dibuix.cossos.map((c) => `${c.nom} ${c.massa} ${c.x} ${c.y} ${c.vx} ${c.vy}`).join('\n') + '\n';

// Its config, the keys it tolerates and its faults, after every change.
function canviDibuix() {
    pintarDibuix();
    const n = ++dibuix.generacio;
    dibuix.pendent = (async () => {
        if (dibuix.cossos.length === 0) {
            dibuix.faltes = new Map();
            $('configDibuix').value = $('informeDibuix').textContent = $('teclesDibuix').textContent = $('faltesDibuix').textContent = '';
            return;
        }
        const r = await particulesConfig(['gen', 'drawing', 'drawing.txt'], [['drawing.txt', new TextEncoder().encode(textDibuix())]]);
        if (n !== dibuix.generacio)
            return;
        dibuix.faltes = new Map();
        const faltes = [];
        for (const l of r.errors) {
            const m = /^drawing\.txt:(\d+):\d+: (error|note): (.*)$/.exec(l);
            if (!m)
                continue;
            const i = Number(m[1]) - 1;
            if (!dibuix.faltes.has(i))
                dibuix.faltes.set(i, []);
            dibuix.faltes.get(i).push({ greu: m[2] === 'error', text: m[3] });
            faltes.push(`${m[2]}: ${m[3]}`);
        }
        $('faltesDibuix').textContent = faltes.join('\n');
        $('configDibuix').value = r.estat === 0 ? r.sortida.join('\n') + '\n' : '';
        $('informeDibuix').textContent = r.errors.filter((l) => !l.startsWith('drawing.txt')).join('\n');
        $('teclesDibuix').textContent = r.estat === 0
            ? r.errors.filter((l) => /^(suggested key|keys it tolerates)/.test(l)).join('\n')
            : 'Nothing to run: the drawing has a fault, said at its body.';
        pintarDibuix();
    })().catch((e) => { $('faltesDibuix').textContent = String(e); });
}

function nomNou() {
    const base = $('massaTipus').selectedOptions[0].dataset.nom;
    for (let k = 1; ; ++k) {
        const nom = `${base}${k}`;
        if (!dibuix.cossos.some((c) => c.nom === nom))
            return nom;
    }
}

function iniciarDibuix() {
    const massa = $('massa');
    // The mass of the next body; a button gives it to the one chosen.
    $('massaTipus').onchange = () => {
        const v = $('massaTipus').value;
        if (v !== '')
            massa.value = v;
        else
            massa.focus();
    };
    $('posarMassa').onclick = () => {
        const c = dibuix.cossos[dibuix.triat];
        if (c) {
            c.massa = Number(massa.value) || 0;
            canviDibuix();
        }
    };
    let gest = null;
    svg.addEventListener('pointerdown', (e) => {
        e.preventDefault();
        svg.setPointerCapture(e.pointerId);
        const p = punt(e);
        const i = tocat(p);
        const eina = document.querySelector('input[name="eina"]:checked').value;
        if (eina === 'esborrar') {
            if (i >= 0) {
                dibuix.cossos.splice(i, 1);
                dibuix.triat = -1;
                canviDibuix();
            }
            return;
        }
        if (eina === 'moure') {
            gest = i >= 0 ? { tipus: 'moure', i } : { tipus: 'panoramica', p, cx: dibuix.cx, cy: dibuix.cy };
            if (i >= 0)
                dibuix.triat = i;
            pintarDibuix();
            return;
        }
        let j = i;
        if (j < 0) {
            const [x, y] = aMon(p);
            dibuix.cossos.push({ nom: nomNou(), massa: Number(massa.value) || 0, x, y, vx: 0, vy: 0 });
            j = dibuix.cossos.length - 1;
        }
        dibuix.triat = j;
        gest = { tipus: 'velocitat', i: j, nou: i < 0 };
        pintarDibuix();
    });
    svg.addEventListener('pointermove', (e) => {
        if (!gest)
            return;
        const p = punt(e);
        if (gest.tipus === 'panoramica') {
            dibuix.cx = gest.cx - (p[0] - gest.p[0]) * dibuix.escala;
            dibuix.cy = gest.cy - (p[1] - gest.p[1]) * dibuix.escala;
        } else {
            const c = dibuix.cossos[gest.i];
            if (gest.tipus === 'moure') {
                [c.x, c.y] = aMon(p);
            } else {
                const [px, py] = aPantalla(c.x, c.y);
                c.vx = (p[0] - Math.round(px)) * velocitatPerPx();
                c.vy = (p[1] - Math.round(py)) * velocitatPerPx();
            }
        }
        pintarDibuix();
    });
    const fi = () => {
        if (gest && gest.tipus !== 'panoramica')
            canviDibuix();
        gest = null;
    };
    svg.addEventListener('pointerup', fi);
    svg.addEventListener('pointercancel', fi);
    // Zooms about a point of the view, which stays where it is.
    const zoom = (factor, [sx, sy]) => {
        const [x, y] = aMon([sx, sy]);
        dibuix.escala *= factor;
        dibuix.cx = x - (sx - midaSvg().w / 2) * dibuix.escala;
        dibuix.cy = y - (sy - midaSvg().h / 2) * dibuix.escala;
        pintarDibuix();
    };
    svg.addEventListener('wheel', (e) => {
        e.preventDefault();
        zoom(e.deltaY > 0 ? 1.25 : 0.8, punt(e));
    }, { passive: false });
    const centre = () => [midaSvg().w / 2, midaSvg().h / 2];
    $('mesZoom').onclick = () => zoom(0.5, centre());
    $('menysZoom').onclick = () => zoom(2, centre());
    $('buidarDibuix').onclick = () => {
        dibuix.cossos = [];
        dibuix.triat = -1;
        canviDibuix();
    };
    $('executarDibuix').onclick = async () => {
        await dibuix.pendent;
        const text = $('configDibuix').value;
        if (text.trim() === '') {
            estat.textContent = 'Nothing to run: draw a body first, or mend the fault the drawing shows.';
            return;
        }
        await executarPropi('drawing.txt', new TextEncoder().encode(text));
    };
    addEventListener('resize', pintarDibuix);
    pintarDibuix();
}

async function arrencar() {
    iniciarDibuix();
    tria.onchange = () => executarExemple(tria.value);
    $('arxiu').onchange = (e) => e.target.files.length > 0 && triarArxiu(e.target.files[0]).catch((err) => escriure(String(err)));
    document.ondragover = (e) => e.preventDefault();
    document.ondrop = (e) => {
        e.preventDefault();
        if (e.dataTransfer.files.length > 0) {
            $('arxiu').files = e.dataTransfer.files;
            triarArxiu(e.dataTransfer.files[0]).catch((err) => escriure(String(err)));
        }
    };
    $('tornar').onclick = () => actual && executar(actual);
    $('construir').onclick = () => construir(descripcio.value).catch((e) => escriure(String(e)));
    $('copiar').onclick = async () => {
        const enllac = $('enllac');
        enllac.select();
        await navigator.clipboard.writeText(enllac.value).catch(() => document.execCommand('copy'));
        $('copiar').textContent = 'Copied';
        setTimeout(() => { $('copiar').textContent = 'Copy link'; }, 1500);
    };

    llistaExemples.then((exemples) => {
        for (const e of exemples) {
            const opcio = document.createElement('option');
            opcio.value = opcio.textContent = e.nom;
            tria.appendChild(opcio);
        }
        tria.value = actual?.exemple ? actual.nom : '';
    });
    // A link pasted into this tab changes the # alone, and loads nothing.
    addEventListener('hashchange', () => obrirEnllac(location.hash.slice(1)).catch((e) => escriure(String(e))));
    // A link of the earlier page (?config=, ?orbites=, ?exemple=) opens as
    // ever, and from then on reads as the page writes it, after #.
    return obrirEnllac(location.hash.length > 1 ? location.hash.slice(1) : location.search.slice(1));
}

// What a link's text does not decode to: said in the status line.
async function llegirEnllac(codi) {
    try {
        return await deEnllac(codi);
    } catch (e) {
        aturar();
        tria.value = '';
        document.title = estat.textContent = e instanceof EnllacMassaGran
            ? `This link's system inflates past ${mida(kConfigEnllacMaxim)}, the largest config.txt a link opens: `
                + 'no link this page writes holds that much, so it was not read on.'
            : 'This link\'s system does not decode: was the link cut short?';
        return null;
    }
}

async function obrirEnllac(text) {
    const parametres = new URLSearchParams(text);
    if (parametres.has('orbites')) {
        const codi = parametres.get('orbites');
        const bytes = await llegirEnllac(codi);
        if (bytes === null)
            return;
        const descripcioText = new TextDecoder().decode(bytes);
        descripcio.value = descripcioText;
        return construir(descripcioText, codi);
    }
    if (parametres.has('config')) {
        const nom = parametres.get('nom') || 'config.txt';
        const bytes = await llegirEnllac(parametres.get('config'));
        if (bytes === null)
            return;
        return executarPropi(nom, bytes, `config=${parametres.get('config')}&nom=${encodeURIComponent(nom)}`);
    }
    if (parametres.has('propi')) {
        const nom = parametres.get('propi');
        tria.value = '';
        posarEnllac(`propi=${encodeURIComponent(nom)}`, `${nom} was too large for a link.`);
        estat.textContent = `This page never read ${nom}: a file chosen in another tab, or before a reload, `
            + 'stays there. Choose it with the file picker, or drop it on the page.';
        return;
    }
    return executarExemple(parametres.get('exemple') ?? 'orbita');
}

arrencar().catch((e) => escriure(String(e)));
