#!/usr/bin/env python3
"""How long SIGTERM and SIGINT take to end a run of many bodies.

usage: scripts/latencia-senyal.py PROGRAM [BODIES [TIMES]]

Runs PROGRAM (build/particules) in a folder of its own on a config.txt of
BODIES bodies (100000 by default) with SDL's dummy video driver, waits for the
echo and then a second more, so that one of the run's long steps is under way,
sends the signal and times the exit. TIMES runs of each signal (3); one line a
run, then the worst, with the processor it ran on. A measure, not a test: the
exit status must be 0 and the program must end, but no time fails it.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time


def processador():
    with open('/proc/cpuinfo') as f:
        for linia in f:
            if linia.startswith('model name'):
                return linia.split(':', 1)[1].strip()
    return 'unknown processor'


def config(cossos):
    # A square grid two units apart, every body pulling: no pair is skipped.
    costat = int(cossos ** 0.5) + 1
    linies = [f'800 600 {cossos} 100 60 -11']
    for i in range(cossos):
        linies.append(f'{i % costat * 2 - costat} x {i // costat * 2 - costat} y 0 vx 0 vy 1000 kg 1 px')
    return '\n'.join(linies) + '\n'


def una(programa, carpeta, cossos, senyal):
    entorn = dict(os.environ, SDL_VIDEODRIVER='dummy', SDL_AUDIODRIVER='dummy')
    # As a shell starts it: a run from a background job would hand down SIGINT ignored.
    def per_defecte():
        signal.signal(signal.SIGINT, signal.SIG_DFL)
        signal.signal(signal.SIGTERM, signal.SIG_DFL)
    p = subprocess.Popen([programa], cwd=carpeta, env=entorn, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, preexec_fn=per_defecte)
    try:
        linies = 0
        while linies < cossos + 1:
            tros = p.stdout.read1(1 << 16)
            if not tros:
                raise RuntimeError('the program ended during start-up')
            linies += tros.count(b'\n')
        time.sleep(1.0)
        if p.poll() is not None:
            raise RuntimeError(f'the program ended by itself, status {p.returncode}')
        inici = time.monotonic()
        p.send_signal(senyal)
        estat = p.wait(timeout=600)
        return (time.monotonic() - inici) * 1000.0, estat
    finally:
        if p.poll() is None:
            p.kill()
            p.wait()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__.strip())
    programa = os.path.abspath(sys.argv[1])
    cossos = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    vegades = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    pitjor = 0.0
    fallades = 0
    with tempfile.TemporaryDirectory(prefix='particules-senyal-') as carpeta:
        with open(os.path.join(carpeta, 'config.txt'), 'w') as f:
            f.write(config(cossos))
        for senyal in (signal.SIGTERM, signal.SIGINT):
            for _ in range(vegades):
                ms, estat = una(programa, carpeta, cossos, senyal)
                pitjor = max(pitjor, ms)
                fallades += estat != 0
                print(f'{senyal.name} to {cossos} bodies: ended in {ms:.1f} ms, status {estat}', flush=True)
    print(f'worst: {pitjor:.1f} ms, on {len(os.sched_getaffinity(0))} processors of {processador()}')
    sys.exit(1 if fallades else 0)


if __name__ == '__main__':
    main()
