"""Writes the candidate links of a topology file for --suggest: every pair
of devices not yet linked, "A B MS", at the latency of light in fibre over
the great circle between places of its own making (devices in six regions
far apart, each a cluster), as a network with coordinates would give them.

    python3 bench/candidate_pairs.py TOPOLOGY_FILE [SEED] > candidates.txt
"""
import math
import random
import sys


def read_topology(path):
    words = open(path, encoding="utf-8").read().split()
    devices, links = int(words[0]), int(words[1])
    codes = [words[2 + 4 * i] for i in range(devices)]
    start = 2 + 4 * devices
    linked = {frozenset(words[start + 3 * j:start + 3 * j + 2]) for j in range(links)}
    return codes, linked


def kilometres(p, q):
    la1, lo1, la2, lo2 = map(math.radians, (*p, *q))
    h = (math.sin((la2 - la1) / 2) ** 2 +
         math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2)
    return 2 * 6371.0 * math.asin(math.sqrt(h))


def main():
    codes, linked = read_topology(sys.argv[1])
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    regions = [(rng.uniform(-40, 60), rng.uniform(-120, 140)) for _ in range(6)]
    places = []
    for i in range(len(codes)):
        centre = regions[i * len(regions) // len(codes)]
        places.append((centre[0] + rng.gauss(0, 3), centre[1] + rng.gauss(0, 4)))
    lines = []
    for i, a in enumerate(codes):
        for j in range(i + 1, len(codes)):
            if frozenset((a, codes[j])) not in linked:
                ms = max(1, math.ceil(kilometres(places[i], places[j]) / 200))
                lines.append(f"{a} {codes[j]} {ms}")
    sys.stdout.write("\n".join(lines) + "\n")


main()
