#!/usr/bin/env python3
"""Writes config.txt: the Sun and the four inner planets on circular orbits at
their mean distances, in a length unit that puts Mars's orbit across most of an
800 x 600 window at the start zoom (0.5 pixels per unit).

Time is in seconds. Each mass is the body's G*M divided by the G the header
gives, so every orbit takes its real time whatever the mass unit."""
import math

L = 4.5e8  # metres in a unit of length: Mars at 506 units, 253 pixels from the centre
GEXP = -24
G = 6.7 * 10.0**GEXP

# Name, G*M in m^3/s^2, mean distance from the Sun in m, diameter in units.
COSSOS = [
    ("Sun", 1.32712440018e20, 0.0, 14),
    ("Mercury", 2.2032e13, 57.909e9, 6),
    ("Venus", 3.24859e14, 108.209e9, 6),
    ("Earth", 3.986004e14, 149.598e9, 6),
    ("Mars", 4.282837e13, 227.956e9, 6),
]

gm_sol = COSSOS[0][1] / L**3
with open("config.txt", "w") as f:
    f.write("800 600 %d 100 60 %d\n" % (len(COSSOS), GEXP))
    for nom, gm, r, diametre in COSSOS:
        massa = round(gm / L**3 / G)
        x = r / L
        v = math.sqrt(gm_sol / x) if x > 0 else 0.0
        f.write("%.6g x 0 y 0 vx %.6g vy %d kg %d px\n" % (x, v, massa, diametre))
