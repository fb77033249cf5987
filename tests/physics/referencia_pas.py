#!/usr/bin/env python3
"""The golden hashes of the Determinism test, from plain IEEE doubles.

Python's floats are IEEE binary64 with every operation rounded once, so this
replays the step the way the C++ writes it, operation by operation, with no
C++ of the project involved. Run it and put its two lines into
tests/physics/determinisme_test.cpp when the example, the number of steps or
the step itself is meant to change.
"""
import math
import struct

# x, y, vx, vy, mass: the same table as the test.
COSSOS = [
    (0.0, 0.0, 0.0, 0.0, 5000000000000),
    (120.0, 0.0, 0.0, 1.5, 20000000000),
    (-200.0, 35.0, 0.25, -1.25, 30000000000),
    (0.0, -260.0, 1.0, 0.5, 1000000000),
    (310.5, 140.25, -0.75, 0.875, 700000000000),
    (-90.0, -180.0, 0.5, 0.5, 0),
    (45.0, 300.0, -1.0, 0.0, 12345678901),
    (-333.0, -7.0, 0.0, 0.125, 98765432109),
    (0.0, 0.0, 0.0, 0.0, 1),
]
G = 6.7e-11
FACTOR = 3600
PASSOS = 1000


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


# Forty-one bodies from a formula, six blocks of the widest lanes with one
# body in the last, so that teams of one to five threads each cut them their
# own way.
COSSOS_EQUIPS = [((i * 37 % 83 - 41) * 7.25, (i * 53 % 79 - 39) * 5.5,
                  (i % 7 - 3) * 0.125, (i % 5 - 2) * 0.25,
                  (i * 7919 + 13) ** 3 % 10**12) for i in range(41)]
PASSOS_EQUIPS = 200

# The step's time, formed in single precision and widened.
f = f32(f32(float(FACTOR)) * f32(0.001))


def empremta(cossos, passos):
    c = [list(b) for b in cossos]
    for _ in range(passos):
        for i, a in enumerate(c):
            a[0] = a[2] * f + a[0]
            a[1] = a[3] * f + a[1]
            for j, b in enumerate(c):
                if j == i:
                    continue
                dx, dy = b[0] - a[0], b[1] - a[1]
                r = math.sqrt(dy * dy + dx * dx)
                if not r > 0:
                    continue
                k = float(b[4]) * G / (r * r)
                a[2] = (dx / r * k) * f + a[2]
                a[3] = (dy / r * k) * f + a[3]

    h = 0xcbf29ce484222325  # FNV-1a, 64 bits
    for a in c:
        for byte in struct.pack('<4d', *a[:4]):
            h = ((h ^ byte) * 0x100000001b3) % 2**64
    return f'0x{h:016x}'


print(empremta(COSSOS, PASSOS))
print(empremta(COSSOS_EQUIPS, PASSOS_EQUIPS))
