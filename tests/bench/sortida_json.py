#!/usr/bin/env python3
"""particules_bench --benchmark_format=json: standard output is one JSON
document, with the run's benchmark and the processor in its context, and the
lines about the machine on standard error.

usage: tests/bench/sortida_json.py PARTICULES_BENCH
"""
import json
import subprocess
import sys

NOM = 'BM_StepLiteral/16'

r = subprocess.run([sys.argv[1], f'--benchmark_filter=^{NOM}$', '--benchmark_format=json',
                    '--benchmark_min_time=0.001'], capture_output=True, text=True, timeout=600)
if r.returncode != 0:
    sys.exit(f'exit status {r.returncode}\n{r.stderr}')
try:
    document = json.loads(r.stdout)
except json.JSONDecodeError as e:
    sys.exit(f'standard output is not JSON: {e}\n{r.stdout[:2000]}')
noms = [b['name'] for b in document['benchmarks']]
if noms != [NOM]:
    sys.exit(f'benchmarks {noms}, not [{NOM}]')
processador = document['context'].get('processor', '')
if not processador or processador not in r.stderr or 'OpenCL devices: ' not in r.stderr:
    sys.exit(f'the processor {processador!r} and the OpenCL devices are not on standard error:\n{r.stderr}')
