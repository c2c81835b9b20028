#!/usr/bin/env python3
"""An independent reference for topoplan-resilience's N-1 report, built on
NetworkX: each scenario removes its element and runs floyd_warshall afresh,
single points of failure are found by removing each element and counting
connected components, and the devices a failure cuts off are the pieces of
each intact component other than its largest. Prints the same JSON document as
`topoplan-resilience --json FILE` (without a route), so the two can be
compared byte for byte once parsed.

    resilience_reference.py FILE...                each file's document, a line each
    resilience_reference.py --generate COUNT DIR    DIR/1.txt ... random topologies
"""
import json
import random
import sys

import networkx as nx

LARGEST = 32766  # larger latencies are no link; totals have no cap


def read_topology(name):
    words = open(name, encoding="utf-8").read().split()
    n, m = int(words[0]), int(words[1])
    codes = [words[2 + 4 * i] for i in range(n)]
    index = {}
    for i, code in enumerate(codes):
        index.setdefault(code, i)  # a code names its lowest index
    links = []  # in the order they were added: the file's order
    at = 2 + 4 * n
    for _ in range(m):
        a, b, latency = index[words[at]], index[words[at + 1]], int(words[at + 2])
        links.append((a, b, latency))
        at += 3
    return codes, links


def saved_order(n, links):
    """The links as a saved file lists them: device by device, each
    device's links newest first, from the lower end; a self-link once."""
    ordered = []
    for i in range(n):
        for a, b, latency in reversed(links):
            if i not in (a, b):
                continue
            other = b if a == i else a
            if other >= i:
                ordered.append((min(a, b), max(a, b), latency))
    return ordered


def carries(link):
    a, b, latency = link
    return a != b and 0 <= latency <= LARGEST


def parts_graph(n, links, dead):
    graph = nx.MultiGraph()
    graph.add_nodes_from(v for v in range(n) if v not in dead)
    graph.add_edges_from((a, b) for a, b, lat in links
                         if carries((a, b, lat)) and a not in dead and b not in dead)
    return graph


def route_graph(n, links, dead):
    """The matrix's graph: of parallel links the first added counts."""
    first = {}
    for a, b, latency in links:
        if a != b and a not in dead and b not in dead:
            first.setdefault((min(a, b), max(a, b)), latency)
    graph = nx.Graph()
    graph.add_nodes_from(v for v in range(n) if v not in dead)
    graph.add_weighted_edges_from((a, b, lat) for (a, b), lat in first.items()
                                  if lat <= LARGEST)
    return graph


def cut_off(n, links, remaining, dead):
    """Within each part of the intact network, the devices outside the
    largest piece the failure leaves of it (of equal pieces, the one
    holding the lowest index stays), ascending."""
    after = parts_graph(n, remaining, dead)
    gone = []
    for part in nx.connected_components(parts_graph(n, links, set())):
        pieces = [piece for piece in nx.connected_components(after.subgraph(part - dead))]
        if not pieces:
            continue
        kept = max(pieces, key=lambda piece: (len(piece), -min(piece)))
        gone += [v for v in part - dead if v not in kept]
    return sorted(gone)


def reachable(total):
    return total != float("inf")


def report(codes, links):
    n = len(codes)
    listed = saved_order(n, links)
    parts = nx.number_connected_components(parts_graph(n, links, set()))
    before = nx.floyd_warshall(route_graph(n, links, set()))

    def triple(link):
        return [codes[link[0]], codes[link[1]], link[2]]

    def without_link(position):
        # The listed link is the k-th of its identical twins in saved order,
        # which is the k-th from the newest in the order they were added.
        link = listed[position]
        twin = sum(1 for other in listed[:position] if other == link)
        added = [i for i, (a, b, lat) in enumerate(links)
                 if (min(a, b), max(a, b), lat) == link]
        gone = added[len(added) - 1 - twin]
        return links[:gone] + links[gone + 1:]

    scenarios = []
    single = []  # (lost pairs, cut off, failed) of each single point
    for element in [("device", v) for v in range(n)] + \
            [("link", i) for i, link in enumerate(listed) if carries(link)]:
        dead = {element[1]} if element[0] == "device" else set()
        remaining = links if element[0] == "device" else without_link(element[1])
        after = nx.floyd_warshall(route_graph(n, remaining, dead))
        lost = slower = 0
        worst = None
        for s in range(n):
            for t in range(s + 1, n):
                if s in dead or t in dead or not reachable(before[s][t]):
                    continue
                was, now = before[s][t], after[s][t]
                if not reachable(now):
                    lost += 1
                elif now > was:
                    slower += 1
                    if worst is None or now - was > worst["after"] - worst["before"]:
                        worst = {"from": codes[s], "to": codes[t],
                                 "before": int(was), "after": int(now)}
        failed = {"devices": [codes[v] for v in dead],
                  "links": [] if dead else [triple(listed[element[1]])]}
        parts_after = nx.number_connected_components(parts_graph(n, remaining, dead))
        gone = [codes[v] for v in cut_off(n, links, remaining, dead)]
        scenarios.append({
            "failed": failed, "parts": parts_after,
            "lost_pairs": lost, "slower_pairs": slower, "worst": worst,
            "cut_off": gone})
        if parts_after > parts:
            single.append({"failed": failed, "cut_off": gone, "lost_pairs": lost})

    cut_devices = [codes[v] for v in range(n)
                   if nx.number_connected_components(parts_graph(n, links, {v})) > parts]
    cut_links = [triple(link) for i, link in enumerate(listed) if carries(link) and
                 nx.number_connected_components(parts_graph(n, without_link(i), set())) > parts]
    return {"devices": n, "links": len(links), "parts": parts,
            "cut_devices": cut_devices, "cut_links": cut_links,
            # Stable: of equal impact, the N-1 order stays.
            "single_points": sorted(single, key=lambda point: (
                -point["lost_pairs"], -len(point["cut_off"]))),
            "scenarios": scenarios, "route": None}


def generate_sparse(rng):
    """An operator-like network: rings of 3 to 6 devices joined in a row,
    spurs of one or two devices hanging off them, and a chord or two; many
    single points of equal impact."""
    codes, links = [], []

    def device():
        codes.append("R%d" % len(codes))
        return len(codes) - 1

    previous = None
    for _ in range(rng.randint(2, 4)):
        ring = [device() for _ in range(rng.randint(3, 6))]
        links += [(ring[i], ring[(i + 1) % len(ring)], rng.randint(1, 9))
                  for i in range(len(ring))]
        if previous is not None:
            links.append((previous, ring[0], rng.randint(1, 9)))
        previous = rng.choice(ring)
        for _ in range(rng.randint(0, 2)):
            at = rng.choice(ring)
            for _ in range(rng.randint(1, 2)):
                spur = device()
                links.append((at, spur, rng.randint(1, 9)))
                at = spur
    for _ in range(rng.randint(0, 2)):
        links.append((rng.randrange(len(codes)), rng.randrange(len(codes)),
                      rng.randint(1, 9)))
    lines = ["%d %d" % (len(codes), len(links))]
    lines += ["%s 设备%d 4 24h运行" % (code, i) for i, code in enumerate(codes)]
    lines += ["%s %s %d" % (codes[a], codes[b], latency) for a, b, latency in links]
    return "\n".join(lines) + "\n"


def generate(seed):
    """Unconnected parts, leaves, parallel links, self-links, repeated
    codes, 0 ms and 32767 ms or more, mixed differently by each seed; every
    tenth seed a sparse network of rings and spurs."""
    rng = random.Random(seed)
    if seed % 10 == 0:
        return generate_sparse(rng)
    n = rng.randint(1, 14)
    codes = ["D%d" % (i // 2 if rng.random() < 0.2 else i) for i in range(n)]
    links = []
    for _ in range(rng.randint(0, min(2 * n, n * (n - 1) // 2))):
        a = rng.randrange(n)
        b = a if rng.random() < 0.1 else rng.randrange(n)
        latency = rng.choice([0, 32766, 32767, 40000] + list(range(1, 31)) * 3)
        links.append((codes[a], codes[b], latency))
    lines = ["%d %d" % (n, len(links))]
    lines += ["%s 设备%d %d 24h运行" % (code, i, 4) for i, code in enumerate(codes)]
    lines += ["%s %s %d" % link for link in links]
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--generate":
        for seed in range(1, int(sys.argv[2]) + 1):
            with open("%s/%d.txt" % (sys.argv[3], seed), "w", encoding="utf-8") as out:
                out.write(generate(seed))
        return
    for name in sys.argv[1:]:
        codes, links = read_topology(name)
        json.dump(report(codes, links), sys.stdout, ensure_ascii=False)
        sys.stdout.write("\n")


if __name__ == "__main__":
    main()
