// Runs the program once per page load with one config.txt: a bundled
// example (?exemple=NAME) or a file of the user's own, kept for the reload
// that starts its run. Its echo and its errors go to the console pane, its
// title to the page's title and the status line. A page its host isolates
// (crossOriginIsolated) can share memory with workers, and runs the build
// whose step takes every processor; any other runs on one thread.
'use strict';

const clauPropi = 'particules-config-propi';
const consola = document.getElementById('consola');
const canvas = document.getElementById('canvas');

// Lines gathered and shown once a frame: the echo of a system of hundreds of
// bodies, a line at a time, would otherwise lay out the pane hundreds of times.
let pendents = [];
function escriure(text) {
    if (pendents.length === 0) {
        requestAnimationFrame(() => {
            consola.append(pendents.join(''));
            consola.scrollTop = consola.scrollHeight;
            pendents = [];
        });
    }
    pendents.push(text + '\n');
}

// The status line follows the title the program sets, as it sets it.
new MutationObserver(() => {
    document.getElementById('estat').textContent = document.title;
}).observe(document.querySelector('title'), { childList: true, characterData: true, subtree: true });

function iniciarAmb(nom, text) {
    const FS_ARXIU = 'config.txt';
    window.Module = {
        canvas: canvas,
        keyboardListeningElement: canvas,
        print: escriure,
        // emscripten's advice to whoever waits on the page's own thread: the
        // loop does, for its team to end each step, as on the desktop.
        printErr: (text) => text.startsWith('Blocking on the main thread') || escriure(text),
        preRun: [() => { Module.FS.writeFile(FS_ARXIU, text); }],
        onExit: (estat) => { escriure(`(${nom}: the run ended with status ${estat})`); },
    };
    const ambFils = self.crossOriginIsolated === true;
    escriure(ambFils ? `(threads: the step on up to ${navigator.hardwareConcurrency} processors)`
        : '(one thread: threads need the host to send Cross-Origin-Opener-Policy: same-origin'
            + ' and Cross-Origin-Embedder-Policy: require-corp)');
    const script = document.createElement('script');
    script.src = ambFils ? 'particules-fils.js' : 'particules.js';
    document.body.appendChild(script);
    canvas.focus();
}

// Every start is a fresh page: a fresh run of the program.
function recarregar(parametres) {
    location.search = new URLSearchParams(parametres).toString();
}

async function arrencar() {
    const parametres = new URLSearchParams(location.search);
    const exemples = await (await fetch('examples/index.json')).json();
    const tria = document.getElementById('exemples');
    for (const e of exemples) {
        const opcio = document.createElement('option');
        opcio.value = opcio.textContent = e.nom;
        tria.appendChild(opcio);
    }
    tria.onchange = () => recarregar({ exemple: tria.value });
    const triarArxiu = (arxiu) => arxiu.text().then((text) => {
        sessionStorage.setItem(clauPropi, text);
        recarregar({ propi: arxiu.name });
    });
    document.getElementById('arxiu').onchange = (e) => triarArxiu(e.target.files[0]);
    document.body.ondragover = (e) => e.preventDefault();
    document.body.ondrop = (e) => {
        e.preventDefault();
        if (e.dataTransfer.files.length > 0)
            triarArxiu(e.dataTransfer.files[0]);
    };

    if (parametres.has('propi')) {
        tria.value = '';
        iniciarAmb(parametres.get('propi'), sessionStorage.getItem(clauPropi) ?? '');
        return;
    }
    const nom = parametres.get('exemple') ?? 'orbita';
    const exemple = exemples.find((e) => e.nom === nom);
    if (!exemple) {
        escriure(`there is no example "${nom}"`);
        return;
    }
    tria.value = nom;
    document.getElementById('tecles').textContent = exemple.tecles;
    iniciarAmb(nom, await (await fetch(`examples/${nom}/config.txt`)).text());
}

arrencar().catch((e) => escriure(String(e)));
