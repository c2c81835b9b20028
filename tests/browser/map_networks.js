// Networks with coordinates, as GraphML, that reproduce what piles an
// operator's map into unreadable heaps: a few sites across an ocean from
// the main cluster, many devices of one city at one point, a network
// across the date line, a dense metro area, a third of the devices with
// no coordinates, and 2,000 devices. Each is a chain with a cross link
// every few devices, so that every device is reachable. The same name
// gives the same file.
//
// Usage as a program: node map_networks.js FOLDER (writes NAME.graphml).
'use strict';

const fs = require('node:fs');
const path = require('node:path');

// A repeatable spread in [0, 1).
const scatter = (i, salt) => {
  let h = (Math.imul(i + 1, 2654435761) ^ Math.imul(salt, 2246822519)) >>> 0;
  h = Math.imul(h ^ (h >>> 15), 2246822519) >>> 0;
  h = Math.imul(h ^ (h >>> 13), 3266489917) >>> 0;
  return ((h ^ (h >>> 16)) >>> 0) / 4294967296;
};

// [longitude, latitude], or null for no coordinates, of device i.
const places = {
  // A Japanese network with three US sites.
  ocean: [60, (i) => (i < 3 ? [-122 + 24 * i, 37 + i]
    : [139.4 + 1.2 * scatter(i, 1), 35.3 + scatter(i, 2)])],
  // Fifteen devices of one city at one point, the rest around.
  'one-city': [40, (i) => (i < 15 ? [2.35, 48.85]
    : [1 + 3 * scatter(i, 3), 47.5 + 2.5 * scatter(i, 4)])],
  // Islands either side of 180 degrees.
  'date-line': [30, (i) => [i % 2 === 0 ? 174 + 6 * scatter(i, 5) : -180 + 6 * scatter(i, 6),
    -20 + 6 * scatter(i, 7)]],
  // A hundred devices within a few kilometres.
  metro: [100, (i) => [-0.15 + 0.08 * scatter(i, 8), 51.47 + 0.06 * scatter(i, 9)]],
  'third-unplaced': [60, (i) => (i % 3 === 2 ? null
    : [5 + 10 * scatter(i, 10), 45 + 8 * scatter(i, 11)])],
  // Seven regions of a continent-wide network.
  large: [2000, (i) => [-120 + 9 * (i % 7) + 4 * scatter(i, 12),
    30 + 3 * (i % 5) + 4 * scatter(i, 13)]],
};

function mapNetwork(name) {
  const [count, place] = places[name];
  const lines = ['<?xml version="1.0" encoding="UTF-8"?>',
    '<graphml xmlns="http://graphml.graphdrawing.org/xmlns">',
    '  <key id="label" for="node" attr.name="label" attr.type="string"/>',
    '  <key id="lat" for="node" attr.name="Latitude" attr.type="double"/>',
    '  <key id="lon" for="node" attr.name="Longitude" attr.type="double"/>',
    '  <key id="ms" for="edge" attr.name="latency" attr.type="int"/>',
    '  <graph edgedefault="undirected">'];
  for (let i = 0; i < count; ++i) {
    const at = place(i);
    const data = at === null ? ''
      : `<data key="lat">${at[1].toFixed(4)}</data><data key="lon">${at[0].toFixed(4)}</data>`;
    lines.push(`    <node id="n${i}"><data key="label">S${i}</data>${data}</node>`);
  }
  const link = (a, b) => lines.push(
    `    <edge source="n${a}" target="n${b}"><data key="ms">${1 + (a * 7 + b) % 20}</data></edge>`);
  for (let i = 1; i < count; ++i) {
    link(i - 1, i);
    if (i % 5 === 0 && i >= 10) link(i - 10, i);
  }
  lines.push('  </graph>', '</graphml>', '');
  return lines.join('\n');
}

module.exports = { mapNames: Object.keys(places), mapNetwork, mapPlace: (name, i) => places[name][1](i) };

if (require.main === module) {
  for (const name of Object.keys(places)) {
    fs.writeFileSync(path.join(process.argv[2], name + '.graphml'), mapNetwork(name));
  }
}
