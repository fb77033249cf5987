#!/usr/bin/env python3
"""Writes config.txt: a heavy core and a disk of 399 light bodies on circular
orbits, with the total momentum removed so that the cluster stays put."""
import math
import random

G = 6.7e-11
NUCLI = 10**16
N = 400

rng = random.Random(7)
cossos = []
for _ in range(N - 1):
    r = rng.uniform(60.0, 250.0)
    a = rng.uniform(0.0, 2.0 * math.pi)
    v = math.sqrt(G * NUCLI / r)
    m = rng.randrange(10**8, 10**9)
    cossos.append([r * math.cos(a), r * math.sin(a), -v * math.sin(a), v * math.cos(a), m, 2])

px = sum(c[2] * c[4] for c in cossos)
py = sum(c[3] * c[4] for c in cossos)
cossos.insert(0, [0.0, 0.0, -px / NUCLI, -py / NUCLI, NUCLI, 10])

with open("config.txt", "w") as f:
    f.write("800 600 %d 100 60 -11\n" % N)
    for x, y, vx, vy, m, d in cossos:
        f.write("%.6f x %.6f y %.6f vx %.6f vy %d kg %d px\n" % (x, y, vx, vy, m, d))
