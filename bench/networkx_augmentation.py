"""NetworkX's 2-edge-connected augmentation of a topology file from the
same candidate links that topoplan-resilience --suggest links is given;
prints {"links": N, "total": MS, "seconds": S}, S the augmentation alone.

    python3 bench/networkx_augmentation.py TOPOLOGY_FILE CANDIDATES_FILE
"""
import json
import sys
import time

import networkx as nx


def main():
    words = open(sys.argv[1], encoding="utf-8").read().split()
    devices, links = int(words[0]), int(words[1])
    graph = nx.Graph()
    graph.add_nodes_from(words[2 + 4 * i] for i in range(devices))
    start = 2 + 4 * devices
    graph.add_edges_from(tuple(words[start + 3 * j:start + 3 * j + 2]) for j in range(links))
    available = []
    for line in open(sys.argv[2], encoding="utf-8"):
        a, b, ms = line.split()
        available.append((a, b, int(ms)))
    cost = {frozenset((a, b)): ms for a, b, ms in available}
    began = time.perf_counter()
    added = list(nx.k_edge_augmentation(graph, 2, avail=available, partial=True))
    seconds = time.perf_counter() - began
    total = sum(cost[frozenset(edge)] for edge in added)
    print(json.dumps({"links": len(added), "total": total, "seconds": seconds}))


main()
