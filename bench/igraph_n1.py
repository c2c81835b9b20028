#!/usr/bin/env python3
"""A naive N-1 loop on igraph, to time topoplan-resilience against: for
every scenario (each device, then each link that carries routes), the
network without it and all-pairs distances again, then the lost and slower
pairs counted against the intact distances. Prints the totals.

    igraph_n1.py FILE
"""
import sys

import igraph

LARGEST = 32766  # larger totals and latencies are no route


def main():
    words = open(sys.argv[1], encoding="utf-8").read().split()
    n, m = int(words[0]), int(words[1])
    index = {}
    for i in range(n):
        index.setdefault(words[2 + 4 * i], i)
    links = []
    at = 2 + 4 * n
    for _ in range(m):
        links.append((index[words[at]], index[words[at + 1]], int(words[at + 2])))
        at += 3

    def distances(dead_device, dead_link):
        first = {}  # of parallel links the first added carries the pair
        for i, (a, b, latency) in enumerate(links):
            if a != b and i != dead_link and dead_device not in (a, b):
                first.setdefault((min(a, b), max(a, b)), latency)
        edges = [(pair, lat) for pair, lat in first.items() if lat <= LARGEST]
        graph = igraph.Graph(n=n, edges=[pair for pair, _ in edges])
        return graph.distances(weights=[lat for _, lat in edges])

    before = distances(-1, -1)
    scenarios = [(v, -1) for v in range(n)] + [
        (-1, i) for i, (a, b, lat) in enumerate(links) if a != b and 0 <= lat <= LARGEST]
    lost = slower = 0
    for device, link in scenarios:
        after = distances(device, link)
        for s in range(n):
            if s == device:
                continue
            row_before, row_after = before[s], after[s]
            for t in range(s + 1, n):
                if t == device or row_before[t] > LARGEST:
                    continue
                if row_after[t] > LARGEST:
                    lost += 1
                elif row_after[t] > row_before[t]:
                    slower += 1
    print(len(scenarios), "scenarios,", lost, "lost pairs,", slower, "slower pairs")


main()
