// The page's script: draws what the engine answers and wires clicks, keys
// and the search lists to it. Every figure comes from the engine (the
// programs' own C++ analyses compiled to WebAssembly); nothing here
// analyses the network. The pan and zoom library (`panzoom`) is inlined
// before this script.
'use strict';

(function () {
  const data = JSON.parse(document.getElementById('topoplan-data').textContent);
  const $ = (id) => document.getElementById(id);
  const svgNs = 'http://www.w3.org/2000/svg';

  // ---- The engine's page API: plain objects in the report's JSON shapes.
  function makeApi(engine) {
    const call = (name, types, args) => {
      const started = performance.now();
      const text = engine.ccall(name, 'string', types, args);
      window.topoplanPage.engineMs += performance.now() - started;
      const answer = JSON.parse(text);
      if (answer !== null && typeof answer === 'object' && 'error' in answer) {
        throw new Error(answer.error);
      }
      return answer;
    };
    const failedText = (failed) => JSON.stringify(failed || {});
    return {
      route: (from, to, failed) => call('topoplan_route',
        ['string', 'string', 'string'], [from, to, failedText(failed)]),
      scenario: (failed) => call('topoplan_scenario', ['string'], [failedText(failed)]),
      risks: () => call('topoplan_risks', [], []),
      plan: (algorithm, failed) => call('topoplan_plan',
        ['string', 'string'], [algorithm, failedText(failed)]),
      // Beyond the report's shapes, for the page's own drawing: a device's
      // detail as option 8 shows it, the devices a failure cuts off, and
      // a failure set resolved to a scenario's "failed".
      device: (code) => call('topoplan_device', ['string'], [code]),
      cutOff: (failed) => call('topoplan_cut_off', ['string'], [failedText(failed)]),
      failed: (failed) => call('topoplan_failed', ['string'], [failedText(failed)]),
      // What the page shows: the engine's lines, and the devices and links
      // (by index, and by position in the saved order) to mark, so that
      // the engine also tells which of parallel links a route or a plan
      // takes.
      pageRoute: (from, to, failed) => call('topoplan_page_route',
        ['string', 'string', 'string'], [from, to, failedText(failed)]),
      pagePlan: (algorithm, failed) => call('topoplan_page_plan',
        ['string', 'string'], [algorithm, failedText(failed)]),
      pageScenario: (failed) => call('topoplan_page_scenario', ['string'],
        [failedText(failed)]),
      pageRisks: () => call('topoplan_page_risks', [], []),
      pageDevice: (code) => call('topoplan_page_device', ['string'], [code]),
      // The links tried before they are built, [[from, to, ms]...] by
      // device index, in place of those tried before; answers as loading
      // does, with where each link of the saved order comes from.
      tryLinks: (links) => call('topoplan_try_links', ['string'], [JSON.stringify(links)]),
    };
  }

  function loadTopology(engine) {
    const text = atob(data.topology);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    const started = performance.now();
    const loaded = engine.ccall('topoplan_load', 'string', ['array', 'number'],
      [bytes, bytes.length]);
    window.topoplanPage.loadMs = performance.now() - started;
    const answer = JSON.parse(loaded);
    if ('error' in answer) throw new Error(answer.error);
    return answer;
  }

  // ---- What the user has chosen.
  const state = {
    from: '', to: '', plan: 'none', clickFails: false, showRisks: false,
    failedDevices: [],  // codes, in the order they failed
    failedLinks: [],    // [code, code], in the order they failed
  };

  let api = null;
  let topology = null;        // {devices: [code...], links: [[code, code, ms]...]}
  let deviceElements = [];    // by device index
  let linkElements = [];      // by position in the saved link order
  let linkLines = [];         // each link's drawn line, by position
  const firstIndex = new Map();  // code -> lowest device index
  const linksByPair = new Map();  // pairKey -> link positions, in order
  const linksByDevice = new Map();  // code -> positions of its links
  let marked = [];                // the elements the last drawing classed
  let overlay = null;             // the route and its labels, above every line
  let risks = null;               // the intact network's, asked for once
  const finders = [];             // the search lists, refreshed by render

  const pairKey = (a, b) => (a < b ? a + '\u0000' + b : b + '\u0000' + a);
  const failed = () => ({ devices: state.failedDevices.slice(),
                          links: state.failedLinks.map((l) => l.slice()) });
  const failsAnything = () => state.failedDevices.length + state.failedLinks.length > 0;
  const deviceFailed = (code) => state.failedDevices.includes(code);
  const sameLink = (x, y) => pairKey(x[0], x[1]) === pairKey(y[0], y[1]);
  const linkFailed = (index) => {
    const [a, b] = topology.links[index];
    return state.failedLinks.some((l) => sameLink(l, [a, b]));
  };

  function setText(id, lines, isError) {
    const element = $(id);
    element.textContent = lines.join('\n');
    element.classList.toggle('error', Boolean(isError));
  }

  // Runs one part of the drawing; a refusal shows where its result would.
  function attempt(id, work) {
    try {
      work();
    } catch (error) {
      setText(id, [error.message], true);
    }
  }

  function mark(elements, className) {
    for (const element of elements) {
      if (element === null) continue;
      element.classList.add(className);
      marked.push(element);
    }
  }

  // A copy of `shape` just below it, for a highlight that must show
  // beside the others (a halo, an under-stroke); made the first time one
  // is needed.
  function layerUnder(shape, className) {
    const group = shape.parentNode;
    let layer = group.querySelector(':scope > .' + className);
    if (layer === null) {
      layer = shape.cloneNode(false);
      layer.removeAttribute('id');
      layer.setAttribute('class', className);
      layer.setAttribute('aria-hidden', 'true');
      group.insertBefore(layer, className === 'halo'
        ? group.querySelector(':scope > .under') || shape : shape);
    }
    return layer;
  }

  // The links that join two devices, parallel ones included, by code.
  function linksBetween(a, b) {
    return (linksByPair.get(pairKey(a, b)) || []).map((i) => linkElements[i]);
  }

  function deviceElement(code) {
    return firstIndex.has(code) ? deviceElements[firstIndex.get(code)] : null;
  }

  const markLinks = (positions, className) =>
    mark(positions.filter((i) => i >= 0).map((i) => linkElements[i]), className);

  // Draws the route's links again above every other line, then their
  // latency labels above those, on a white edge, so that neither another
  // link nor the route itself hides a figure of the route.
  function raiseRoute(primary, backup) {
    const lines = [];
    const labels = [];
    routeCopies = [];
    for (const [positions, kind] of [[backup, 'backup'], [primary, 'route']]) {
      for (const i of positions.filter((p) => p >= 0)) {
        const line = linkLines[i].cloneNode(false);
        line.setAttribute('class', kind + '-line');
        lines.push(line);
        for (const label of linkElements[i].querySelectorAll('text')) {
          const copy = label.cloneNode(true);
          copy.setAttribute('class', kind + '-label');
          labels.push(copy);
          routeCopies.push([copy, label]);
        }
      }
    }
    overlay.replaceChildren(...lines, ...labels);
  }

  function drawRoute() {
    // An end is marked as soon as it is picked.
    mark([deviceElement(state.from), deviceElement(state.to)], 'endpoint');
    if (!state.from || !state.to) {
      setText('route-result', [$('route-result').dataset.idle]);
      return;
    }
    const route = api.pageRoute(state.from, state.to, failsAnything() ? failed() : undefined);
    markLinks(route.primary, 'route');
    markLinks(route.backup, 'backup');
    raiseRoute(route.primary, route.backup);
    setText('route-result', route.lines);
  }

  function drawPlan() {
    if (state.plan === 'none') {
      setText('plan-result', []);
      return;
    }
    const plan = api.pagePlan(state.plan, failsAnything() ? failed() : undefined);
    for (const i of plan.links) layerUnder(linkLines[i], 'under');
    markLinks(plan.links, 'plan');
    setText('plan-result', plan.lines);
  }

  function drawFailures() {
    mark(state.failedDevices.map(deviceElement), 'failed');
    // A failed device takes its links down with it.
    for (const code of state.failedDevices) {
      mark((linksByDevice.get(code) || []).map((i) => linkElements[i]), 'failed');
    }
    for (const [a, b] of state.failedLinks) mark(linksBetween(a, b), 'failed');
    if (!failsAnything()) {
      setText('scenario-result', [$('scenario-result').dataset.idle]);
      return;
    }
    const scenario = api.pageScenario(failed());
    mark(scenario.cut.map((i) => deviceElements[i]), 'cut');
    setText('scenario-result', scenario.lines);
  }

  function drawRisks() {
    if (!state.showRisks) {
      setText('risk-result', []);
      return;
    }
    // They belong to the intact network, which never changes: one answer
    // serves every drawing after it.
    if (risks === null) risks = api.pageRisks();
    for (const i of risks.devices) layerUnder(deviceElements[i].querySelector('.shape'), 'halo');
    for (const i of risks.links) layerUnder(linkLines[i], 'halo');
    mark(risks.devices.map((i) => deviceElements[i]), 'risk');
    markLinks(risks.links, 'risk');
    setText('risk-result', risks.lines);
  }

  // Redraws everything from the state; the page's one drawing path.
  function render() {
    const started = performance.now();
    for (const element of marked) {
      element.classList.remove('failed', 'cut', 'route', 'backup', 'plan', 'endpoint', 'risk');
    }
    marked = [];
    overlay.replaceChildren();
    routeCopies = [];
    attempt('scenario-result', drawFailures);
    attempt('route-result', drawRoute);
    attempt('plan-result', drawPlan);
    attempt('risk-result', drawRisks);
    for (const finder of finders) finder.refresh();
    // The route's ends and latencies are labelled first.
    layoutLabels(labelScale);
    window.topoplanPage.lastRenderMs = performance.now() - started;
  }

  function showDevice(code) {
    attempt('device-detail', () => {
      const detailLines = api.pageDevice(code);
      const detail = $('device-detail');
      detail.classList.remove('error');
      detail.textContent = '';
      const list = document.createElement('dl');
      for (const [label, value] of detailLines) {
        const term = document.createElement('dt');
        term.textContent = label;
        const definition = document.createElement('dd');
        definition.textContent = String(value);
        list.append(term, definition);
      }
      detail.append(list);
    });
  }

  function toggle(list, item, same) {
    const at = list.findIndex((entry) => same(entry, item));
    if (at === -1) list.push(item); else list.splice(at, 1);
  }

  function setFailed(list, item, same, down) {
    const at = list.findIndex((entry) => same(entry, item));
    if (down && at === -1) list.push(item);
    if (!down && at !== -1) list.splice(at, 1);
  }

  function pickEnd(code) {
    if (!state.from || state.to) {
      state.from = code;
      state.to = '';
    } else {
      state.to = code;
    }
  }

  function activateDevice(index) {
    const code = topology.devices[index];
    if (state.clickFails) {
      toggle(state.failedDevices, code, (a, b) => a === b);
    } else {
      pickEnd(code);
    }
    syncControls();
    showDevice(code);
    render();
  }

  function activateLink(index) {
    const [a, b] = topology.links[index];
    toggle(state.failedLinks, [a, b], sameLink);
    render();
  }

  function syncControls() {
    $('route-from').value = state.from;
    $('route-to').value = state.to;
    for (const radio of document.querySelectorAll('input[name=plan]')) {
      radio.checked = radio.value === state.plan;
    }
  }

  // ---- The drawing: pan and zoom, and what a click or a key aims at.
  let zoom = null;
  let svg = null;
  const kMaxFitScale = 1.5;  // small networks are not blown up further
  const kStep = 1.5;         // one press of + or -
  const kSmallestTextScale = 0.4;  // dot's 10-point labels below 4 px

  let fitted = null;  // the transform fit() last set, as text
  let drawingBox = null;  // the drawing's extent at its own size

  function fit() {
    // Measured once, before any label is sized.
    if (drawingBox === null) drawingBox = svg.querySelector('g.graph').getBBox();
    const box = drawingBox;
    const view = svg.getBoundingClientRect();
    if (box.width === 0 || box.height === 0 || view.width === 0) return;
    const scale = Math.min(view.width / box.width, view.height / box.height,
      kMaxFitScale) * 0.98;
    zoom.setMinZoom(Math.min(scale / 2, 0.5));
    zoom.zoomAbs(0, 0, scale);
    zoom.moveTo((view.width - box.width * scale) / 2 - box.x * scale,
      (view.height - box.height * scale) / 2 - box.y * scale);
    fitted = JSON.stringify(zoom.getTransform());
  }

  // A drawing still as fit() left it is fitted again when the window
  // changes size (a phone turned); one the user zoomed or panned is not.
  function refit() {
    if (fitted === JSON.stringify(zoom.getTransform())) fit();
  }

  function zoomBy(factor) {
    const view = svg.getBoundingClientRect();
    zoom.zoomTo(view.width / 2, view.height / 2, factor);
  }

  // Centres the drawing on an element picked from a list and, where the
  // drawing is shown smaller than its own size, zooms in to that size so
  // that its labels can be read.
  function reveal(element) {
    const box = element.getBoundingClientRect();
    const view = svg.getBoundingClientRect();
    zoom.moveBy(view.left + view.width / 2 - (box.left + box.width / 2),
      view.top + view.height / 2 - (box.top + box.height / 2), false);
    if (zoom.getTransform().scale < 1) zoom.zoomAbs(view.width / 2, view.height / 2, 1);
  }

  // The distance on screen from (x, y) to a drawn line: the line sampled
  // about every two pixels, then the nearest sample refined.
  function distanceToLine(line, x, y) {
    const matrix = line.getScreenCTM();
    const toLocal = matrix.inverse();
    const px = toLocal.a * x + toLocal.c * y + toLocal.e;
    const py = toLocal.b * x + toLocal.d * y + toLocal.f;
    const scale = Math.hypot(matrix.a, matrix.b);
    const length = line.getTotalLength();
    const apart = (at) => {
      const point = line.getPointAtLength(at);
      return Math.hypot(point.x - px, point.y - py);
    };
    const steps = Math.max(1, Math.min(400, Math.ceil(length * scale / 2)));
    let best = 0;
    let bestDistance = apart(0);
    for (let s = 1; s <= steps; ++s) {
      const distance = apart(length * s / steps);
      if (distance < bestDistance) [best, bestDistance] = [length * s / steps, distance];
    }
    for (let span = length / steps; span > 0.01; span /= 2) {
      for (const at of [best - span, best + span]) {
        if (at < 0 || at > length) continue;
        const distance = apart(at);
        if (distance < bestDistance) [best, bestDistance] = [at, distance];
      }
    }
    return bestDistance * scale;
  }

  // What a click at (x, y) aimed at: a device when the pointer is inside
  // its box, even where a link's band crosses it; else, unless the click
  // is not over its target (one a script sent, which keeps it), of the
  // links whose band lies under the pointer the one whose line passes
  // nearest; a label otherwise.
  function aimedAt(target, x, y) {
    const under = document.elementsFromPoint(x, y);
    const groups = under.map((element) => [element, element.closest('.edge, .node')])
      .filter(([, group]) => group !== null && group.dataset.index);
    const device = groups.find(([, group]) => group.classList.contains('node'));
    if (device) return device[1];
    if (target !== null && !under.some((element) => target.contains(element))) return target;
    let link = null;
    let linkDistance = Infinity;
    for (const [element, group] of groups) {
      if (!element.classList.contains('band')) continue;
      const distance = distanceToLine(linkLines[group.dataset.index], x, y);
      if (distance < linkDistance) [link, linkDistance] = [group, distance];
    }
    return link || target;
  }

  function activate(element) {
    const index = Number(element.dataset.index);
    if (element.classList.contains('node')) activateDevice(index); else activateLink(index);
  }

  // Makes a drawn element a button for the mouse and the keyboard.
  function makeActive(element, index, label) {
    element.dataset.index = index;
    element.setAttribute('tabindex', '0');
    element.setAttribute('role', 'button');
    element.setAttribute('aria-label', label);
    // dot titles each element by its node names ("d3"); the tooltip should
    // name the device or link instead.
    const title = element.querySelector('title');
    if (title !== null) title.textContent = label;
  }

  // ---- Labels: each one shown is 12 px or more on screen, and none lies
  // on another. At every new scale each label is sized about its centre,
  // then the labels are taken in a fixed order of priority, each kept
  // where it overlaps none kept before; a device whose label is left out
  // shows a dot, which no label covers, so that it can still be seen and
  // clicked.
  const kSmallestLabelPx = 12;
  const kDotRadius = 4;  // a device without its label, in screen pixels
  const kDotReach = kDotRadius + 1.5;  // with its outline
  // Text measured on screen can reach a fraction of a pixel past the box
  // it was placed by: a label that is text alone keeps this much room, in
  // pixels, from the others.
  const kTextGap = 1;

  // Every label of the drawing, made the first time they are laid out
  // (again when links are tried); the scale they were last laid out for.
  let labels = null;
  let labelOf = new Map();  // element -> its label
  let labelScale = 0;
  let laidOut = null;  // the scale and the labels first, as layoutLabels last placed them
  let routeCopies = [];  // [copy in the overlay, its original] of the route's latencies

  // A label: the element sized (a device's or a row head's group, or a
  // latency's text), the centre it is sized about and its box at the
  // drawing's size (a device's is its shape's), its font size there, its
  // place in the order, and the transform and the state last set.
  function makeLabel(element, box, kind) {
    const text = element.tagName === 'text' ? element : element.querySelector('text');
    return { element, kind, x: box.x + box.width / 2, y: box.y + box.height / 2,
             width: box.width, height: box.height, links: 0, index: 0, rank: 0,
             font: Number(text.getAttribute('font-size')) || 10,
             transform: null, bare: false };
  }

  function addDot(label) {
    if (label.element.querySelector(':scope > .dot') !== null) return;
    const shape = label.element.querySelector('path, polygon');
    const dot = document.createElementNS(svgNs, 'circle');
    dot.setAttribute('class', 'dot');
    dot.setAttribute('cx', label.x);
    dot.setAttribute('cy', label.y);
    dot.setAttribute('r', kDotRadius);
    if (shape !== null) dot.setAttribute('fill', shape.getAttribute('fill') || '#ffffff');
    label.element.append(dot);
  }

  // The labels in their order of priority but for the route's ends and
  // the picked device, which go first when the labels are laid out: the
  // row heads and the legend, the devices with more links first, then by
  // index, and the latencies in the drawing's order. Those `known` keep
  // their record: their boxes were measured before they were sized.
  function collectLabels(scene, known) {
    const recordOf = (element, measure, kind) => known.get(element) ||
      makeLabel(element, measure(), kind);
    const links = new Map();
    for (const group of scene.querySelectorAll('g.edge[data-from]')) {
      for (const code of new Set([group.dataset.from, group.dataset.to])) {
        links.set(code, (links.get(code) || 0) + 1);
      }
    }
    const heads = [];
    const devices = [];
    for (const group of scene.querySelectorAll('g.node')) {
      if (group.querySelector('text') === null) continue;  // a wrapped row's point
      const shape = group.querySelector('path, polygon');
      const isDevice = group.id.startsWith('device');
      const label = recordOf(group, () => (shape || group).getBBox(), isDevice ? 'device' : 'head');
      if (isDevice) {
        label.index = Number(group.id.slice(6));
        label.links = links.get(group.dataset.code) || 0;
        devices.push(label);
      } else {
        heads.push(label);
      }
    }
    devices.sort((a, b) => b.links - a.links || a.index - b.index);
    const latencies = [...scene.querySelectorAll('g.edge text')]
      .map((text) => recordOf(text, () => text.getBBox(), 'latency'));
    // Each measured first: a box measured after a change to the drawing
    // makes the browser lay it out again.
    for (const device of devices) addDot(device);
    return heads.concat(devices, latencies);
  }

  // Boxes in a grid of square cells, in the drawing's units, so that
  // finding what a box overlaps costs the few cells it covers.
  function makeGrid(cell) {
    const cells = new Map();
    const each = (box, visit) => {
      for (let i = Math.floor(box.left / cell); i <= Math.floor(box.right / cell); ++i) {
        for (let j = Math.floor(box.top / cell); j <= Math.floor(box.bottom / cell); ++j) {
          visit(i * 1048576 + j);
        }
      }
    };
    return {
      add(box) {
        each(box, (key) => {
          if (!cells.has(key)) cells.set(key, []);
          cells.get(key).push(box);
        });
      },
      // Whether `box` overlaps a box kept, leaving out those of `owner`.
      hits(box, owner) {
        let hit = false;
        each(box, (key) => {
          hit = hit || (cells.get(key) || []).some((other) => other.owner !== owner &&
            other.left < box.right && box.left < other.right &&
            other.top < box.bottom && box.top < other.bottom);
        });
        return hit;
      },
    };
  }

  const boxAround = (x, y, halfWidth, halfHeight, owner) => ({
    left: x - halfWidth, right: x + halfWidth, top: y - halfHeight, bottom: y + halfHeight, owner,
  });

  const scaledAbout = (label, factor) => (factor === 1 ? null
    : `translate(${label.x} ${label.y}) scale(${factor}) translate(${-label.x} ${-label.y})`);

  function showLabel(label, transform, bare) {
    if (label.transform !== transform) {
      label.transform = transform;
      if (transform === null) {
        label.element.removeAttribute('transform');
      } else {
        label.element.setAttribute('transform', transform);
      }
    }
    if (label.bare !== bare) {
      label.bare = bare;
      label.element.classList.toggle('bare', bare);
    }
  }

  // The devices whose labels go first: the route's ends, then the one
  // last picked from a list.
  function firstDevices() {
    if (topology === null) return [];
    const ends = [state.from, state.to].filter((code) => firstIndex.has(code))
      .map((code) => deviceElements[firstIndex.get(code)]);
    const pickedDevice = picked !== null && picked.classList.contains('node') ? [picked] : [];
    return [...new Set(ends.concat(pickedDevice))].map((element) => labelOf.get(element));
  }

  // Lays the labels out for the scale `scale`, again only when the scale
  // or what goes first has changed; far out, where no text is shown,
  // everything keeps the drawing's own size. Beyond the drawing's size a
  // label keeps its size on screen, at least 12 px: the drawing keeps
  // labels apart at its own size, so zooming in only parts them further.
  function layoutLabels(scale) {
    const started = performance.now();
    if (labels === null) {
      labels = collectLabels(svg.querySelector('g.graph'), labelOf);
      labels.forEach((label, rank) => { label.rank = rank; });
      labelOf = new Map(labels.map((label) => [label.element, label]));
      laidOut = null;
    }
    labelScale = scale;
    const far = scale < kSmallestTextScale;
    const leading = far ? [] : firstDevices();
    const raised = far ? [] : routeCopies.map(([, original]) => labelOf.get(original));
    const wanted = far ? 'far'
      : [scale, ...leading.map((label) => label.rank), '', ...raised.map((label) => label.rank)].join(' ');
    if (wanted !== laidOut) {
      laidOut = wanted;
      if (far) {
        for (const label of labels) showLabel(label, null, false);
      } else {
        placeLabels(scale, leading, raised);
      }
    }
    // The route's raised copies of its latencies follow their originals.
    for (const [copy, original] of routeCopies) {
      const transform = original.getAttribute('transform');
      if (transform === null) {
        copy.removeAttribute('transform');
      } else {
        copy.setAttribute('transform', transform);
      }
      copy.classList.toggle('bare', original.classList.contains('bare'));
    }
    window.topoplanPage.lastLabelsMs = performance.now() - started;
  }

  // Places the labels at `scale`: the devices `leading` first, then the
  // others in their order, the latencies `raised` (the route's) before
  // the other latencies.
  function placeLabels(scale, leading, raised) {
    const factorOf = (label) =>
      Math.max(kSmallestLabelPx / (label.font * scale), Math.min(1, 1 / scale));
    const grid = makeGrid(4 * kSmallestLabelPx / scale);
    const dotReach = kDotReach / scale;
    const textGap = 2 * kTextGap / scale;
    for (const device of labels.filter((label) => label.kind === 'device')) {
      grid.add(boxAround(device.x, device.y, dotReach, dotReach, device));
    }
    const early = new Set(leading.concat(raised));
    const [others, latencies] = [false, true].map((latency) => labels.filter((label) =>
      (label.kind === 'latency') === latency && !early.has(label)));
    const order = leading.concat(others, raised, latencies);
    for (const label of order) {
      const factor = factorOf(label);
      const gap = label.kind === 'device' ? 0 : textGap;
      const box = boxAround(label.x, label.y, (label.width * factor + gap) / 2,
        (label.height * factor + gap) / 2, label);
      const fits = !grid.hits(box, label);
      if (fits) grid.add(box);
      // A device left without its label keeps its dot at a few pixels.
      const dotOnly = !fits && label.kind === 'device';
      showLabel(label, scaledAbout(label, dotOnly ? 1 / scale : factor), !fits);
    }
  }

  function wireDrawing() {
    const drawing = $('drawing');
    svg = drawing.querySelector('svg');
    const scene = svg.querySelector('g.graph');
    svg.removeAttribute('width');
    svg.removeAttribute('height');
    svg.setAttribute('tabindex', '0');
    svg.setAttribute('role', 'group');
    svg.setAttribute('aria-label', drawing.dataset.label);
    overlay = document.createElementNS(svgNs, 'g');
    overlay.id = 'overlay';
    overlay.setAttribute('pointer-events', 'none');
    overlay.setAttribute('aria-hidden', 'true');
    scene.append(overlay);
    zoom = panzoom(scene, {
      smoothScroll: false,
      maxZoom: 8,
      zoomDoubleClickSpeed: 1,  // a double click toggles twice; it does not zoom
      disableKeyboardInteraction: true,
      // The page's own keys below; the library pans with the arrows.
      filterKey: (event, x, y, z) => z !== 0,
      // One finger taps (a click) and pans; the browser leaves two to the
      // library's pinch.
      onTouch: (event) => event.touches.length > 1,
    });
    // Line widths are set in screen pixels (see --u in the page's style).
    let unit = 0;
    zoom.on('transform', () => {
      const scale = zoom.getTransform().scale;
      if (scale === unit) return;
      unit = scale;
      svg.style.setProperty('--u', 1 / scale + 'px');
      // Too far out to read text (see .far in the page's style).
      svg.classList.toggle('far', scale < kSmallestTextScale);
      layoutLabels(scale);
    });
    fit();

    drawing.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      const keys = { '+': () => zoomBy(kStep), '=': () => zoomBy(kStep),
                     '-': () => zoomBy(1 / kStep), '\u2212': () => zoomBy(1 / kStep), '0': fit };
      if (event.key in keys) {
        event.preventDefault();
        keys[event.key]();
      } else if ((event.key === 'Enter' || event.key === ' ') && topology !== null &&
                 event.target.dataset.index) {
        event.preventDefault();
        activate(event.target);
      }
    });
    $('zoom-in').addEventListener('click', () => zoomBy(kStep));
    $('zoom-out').addEventListener('click', () => zoomBy(1 / kStep));
    $('zoom-fit').addEventListener('click', fit);
    window.addEventListener('resize', refit);

    // A press that moved before it was let go panned the drawing; its
    // click aims at nothing.
    let pressedAt = null;
    svg.addEventListener('pointerdown', (event) => { pressedAt = [event.clientX, event.clientY]; });
    svg.addEventListener('click', (event) => {
      const moved = pressedAt !== null && event.isTrusted &&
        Math.hypot(event.clientX - pressedAt[0], event.clientY - pressedAt[1]) > 4;
      pressedAt = null;
      if (moved || topology === null) return;
      const target = event.target.closest('[data-index]');
      const element = aimedAt(target, event.clientX, event.clientY);
      if (element !== null) activate(element);
    });
  }

  // ---- The search lists: the keyboard's way to every device and link.
  function makeFinder(inputId, listId, items, isFailed, onPick) {
    const input = $(inputId);
    const list = $(listId);
    const failedMark = list.closest('.finder').dataset.failedMark;
    let shown = [];
    const finder = {
      selected: () => (list.value === '' ? null : Number(list.value)),
      // Marks the failed items; only those that changed are touched, so
      // that a failure costs the same on a long list.
      refresh() {
        for (const option of shown) {
          const down = isFailed(Number(option.value));
          if (option.down === down) continue;
          option.down = down;
          option.textContent = items[option.value].label + (down ? failedMark : '');
          option.classList.toggle('down', down);
        }
        finder.onChange();
      },
      onChange: () => {},
      // New items (the links, once one is tried or taken away).
      setItems(next) {
        items = next;
        fill();
      },
    };
    function fill() {
      const wanted = input.value.trim().toLowerCase();
      const keep = list.value;
      shown = [];
      items.forEach((item, index) => {
        if (wanted === '' || item.search.includes(wanted)) shown.push(new Option('', index));
      });
      list.replaceChildren(...shown);
      if (shown.some((option) => option.value === keep)) {
        list.value = keep;
      } else if (shown.length > 0 && wanted !== '') {
        list.value = shown[0].value;
      }
      finder.refresh();
    }
    input.addEventListener('input', fill);
    input.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && finder.selected() !== null) {
        event.preventDefault();
        onPick(finder.selected());
      }
    });
    list.addEventListener('change', () => {
      finder.onChange();
      if (finder.selected() !== null) onPick(finder.selected());
    });
    fill();
    finders.push(finder);
    return finder;
  }

  let linkFinder = null;  // the links' search list, refilled as links change
  const nodeIds = data.node_ids || [];  // a GraphML input's, by device index

  let picked = null;  // the element last picked from a list
  function pick(element) {
    if (picked !== null) picked.classList.remove('picked');
    picked = element;
    element.classList.add('picked');
    reveal(element);
    layoutLabels(zoom.getTransform().scale);
  }

  // A device as the lists show it: its code, and its description beside
  // it; found by either, or by its GraphML node id.
  function shownName(index) {
    const code = topology.devices[index];
    const label = topology.labels[index];
    return label && label !== code ? code + '\u3000' + label : code;
  }

  function deviceSearch(index) {
    return [topology.devices[index], topology.labels[index], nodeIds[index] || '']
      .join('\u0000').toLowerCase();
  }

  // The links by their ends, found by either end's code, label or node id.
  function linkItems() {
    return topology.links.map(([a, b], i) => {
      const [from, to] = topology.ends[i];
      return { label: topology.link_names[i],
               search: (a + '\u0000' + b + '\u0000' + deviceSearch(from) + '\u0000' +
                        deviceSearch(to)).toLowerCase() };
    });
  }

  function wireFinders() {
    const devices = makeFinder('device-search', 'device-list',
      topology.devices.map((code, i) => ({ label: shownName(i), search: deviceSearch(i) })),
      (i) => deviceFailed(topology.devices[i]),
      (i) => {
        pick(deviceElements[i]);
        showDevice(topology.devices[i]);
      });
    const links = makeFinder('link-search', 'link-list', linkItems(),
      linkFailed, (i) => pick(linkElements[i]));
    linkFinder = links;
    devices.onChange = () => {
      const i = devices.selected();
      const down = i !== null && deviceFailed(topology.devices[i]);
      for (const id of ['device-from', 'device-to']) $(id).disabled = i === null;
      $('device-fail').disabled = i === null || down;
      $('device-restore').disabled = !down;
    };
    links.onChange = () => {
      const i = links.selected();
      const down = i !== null && linkFailed(i);
      $('link-fail').disabled = i === null || down;
      $('link-restore').disabled = !down;
    };
    devices.onChange();
    links.onChange();
    const onDevice = (work) => () => {
      if (devices.selected() === null) return;
      work(topology.devices[devices.selected()]);
      syncControls();
      render();
    };
    $('device-from').addEventListener('click', onDevice((code) => { state.from = code; }));
    $('device-to').addEventListener('click', onDevice((code) => { state.to = code; }));
    $('device-fail').addEventListener('click', onDevice((code) =>
      setFailed(state.failedDevices, code, (a, b) => a === b, true)));
    $('device-restore').addEventListener('click', onDevice((code) =>
      setFailed(state.failedDevices, code, (a, b) => a === b, false)));
    const onLink = (down) => () => {
      if (links.selected() === null) return;
      const [a, b] = topology.links[links.selected()];
      setFailed(state.failedLinks, [a, b], sameLink, down);
      render();
    };
    $('link-fail').addEventListener('click', onLink(true));
    $('link-restore').addEventListener('click', onLink(false));
  }

  // ---- Links tried before they are built: drawn straight between their
  // devices, dashed green, after the file's; the engine answers every
  // question about the network with them.
  let fileLinkElements = [];  // the drawing's own links, by position
  let fileLinkLines = [];
  const tried = [];           // {from, to, latency, element, line}, in order

  // Where the line from device `index` towards device `other` leaves the
  // device's box, as dot's own lines end at the box.
  function endOf(index, other) {
    const boxOf = (i) => (deviceElements[i].querySelector('.shape') || deviceElements[i]).getBBox();
    const box = boxOf(index);
    const far = boxOf(other);
    const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
    const [dx, dy] = [far.x + far.width / 2 - x, far.y + far.height / 2 - y];
    const t = Math.min(dx === 0 ? Infinity : box.width / 2 / Math.abs(dx),
      dy === 0 ? Infinity : box.height / 2 / Math.abs(dy), 1);
    return [x + dx * t, y + dy * t];
  }

  function drawTriedLink(link) {
    const scene = svg.querySelector('g.graph');
    const group = document.createElementNS(svgNs, 'g');
    group.setAttribute('class', 'edge tried');
    group.append(document.createElementNS(svgNs, 'title'));
    const [[x1, y1], [x2, y2]] = [endOf(link.from, link.to), endOf(link.to, link.from)];
    const line = document.createElementNS(svgNs, 'path');
    line.setAttribute('d', `M${x1},${y1}L${x2},${y2}`);
    line.setAttribute('class', 'line');
    const label = document.createElementNS(svgNs, 'text');
    label.setAttribute('x', (x1 + x2) / 2);
    label.setAttribute('y', (y1 + y2) / 2 - 3);
    label.setAttribute('text-anchor', 'middle');
    label.setAttribute('font-size', '10');
    label.textContent = link.latency + 'ms';
    const band = line.cloneNode(false);
    band.setAttribute('class', 'band');
    band.setAttribute('aria-hidden', 'true');
    group.append(line, label, band);
    // Under the devices, as dot draws links.
    scene.insertBefore(group, scene.querySelector(':scope > .node'));
    link.element = group;
    link.line = line;
  }

  // Takes the engine's answer for the links now tried: every list by
  // position follows the new saved order.
  function applyLinks(answer) {
    const fileCount = fileLinkElements.length;
    topology.links = answer.links;
    topology.link_names = answer.link_names;
    topology.sources = answer.sources;
    topology.ends = answer.ends;
    const from = (source, files, own) => (source < fileCount ? files[source] : own(tried[source - fileCount]));
    linkElements = answer.sources.map((source) => from(source, fileLinkElements, (t) => t.element));
    linkLines = answer.sources.map((source) => from(source, fileLinkLines, (t) => t.line));
    linksByPair.clear();
    linksByDevice.clear();
    const index = (map, key, position) => map.set(key, (map.get(key) || []).concat([position]));
    topology.links.forEach(([a, b], position) => {
      index(linksByPair, pairKey(a, b), position);
      for (const code of new Set([a, b])) index(linksByDevice, code, position);
      makeActive(linkElements[position], position, topology.link_names[position]);
    });
    // A failed pair that no longer has a link is no failure any more.
    state.failedLinks = state.failedLinks.filter(([a, b]) => linksByPair.has(pairKey(a, b)));
    risks = null;
    // The tried links' latencies are labels too.
    labels = null;
    linkFinder.setItems(linkItems());
    setText('engine-status', [answer.status]);
    listTried();
    render();
  }

  function listTried() {
    const list = $('try-list');
    const fileCount = fileLinkElements.length;
    list.replaceChildren(...tried.map((link, k) => {
      const item = document.createElement('li');
      item.textContent = topology.link_names[topology.sources.indexOf(fileCount + k)];
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = list.dataset.remove;
      remove.addEventListener('click', () => removeTried(k));
      item.append(remove);
      return item;
    }));
  }

  const triedLinks = () => tried.map((link) => [link.from, link.to, link.latency]);

  // Adds the link from-to of `latency` ms, by device index; false, with
  // the reason shown, when the page refuses it.
  function addTried(from, to, latency) {
    const result = $('try-result');
    if (from === to || !Number.isInteger(latency) || latency < 0) {
      setText('try-result', [from === to ? result.dataset.same : result.dataset.latency], true);
      return false;
    }
    const link = { from, to, latency };
    let answer = null;
    try {
      answer = api.tryLinks(triedLinks().concat([[from, to, latency]]));
    } catch (error) {
      setText('try-result', [error.message], true);
      return false;
    }
    drawTriedLink(link);
    tried.push(link);
    setText('try-result', [result.dataset.idle]);
    applyLinks(answer);
    return true;
  }

  function removeTried(k) {
    const [link] = tried.splice(k, 1);
    link.element.remove();
    applyLinks(api.tryLinks(triedLinks()));
  }

  function wireTrial() {
    for (const id of ['try-from', 'try-to']) {
      const select = $(id);
      topology.devices.forEach((code, i) => select.add(new Option(shownName(i), String(i))));
    }
    if (topology.devices.length > 1) $('try-to').value = '1';
    setText('try-result', [$('try-result').dataset.idle]);
    $('try-add').addEventListener('click', () => {
      const latency = $('try-latency').value.trim();
      addTried(Number($('try-from').value), Number($('try-to').value),
        /^\d{1,9}$/.test(latency) ? Number(latency) : -1);
    });
  }

  function restoreAll() {
    state.failedDevices = [];
    state.failedLinks = [];
    render();
  }

  function wire() {
    // The row heads are titled by their layer's name, not dot's node name.
    for (const head of document.querySelectorAll('.node:not([id^=device]) title')) {
      const label = head.parentNode.querySelector('text');
      if (label !== null) head.textContent = label.textContent;
    }
    topology.devices.forEach((code, i) => {
      if (!firstIndex.has(code)) firstIndex.set(code, i);
      const element = $('device' + i);
      deviceElements.push(element);
      const shape = element.querySelector('path, polygon');
      if (shape !== null) shape.classList.add('shape');
      makeActive(element, i, topology.device_names[i]);
      element.addEventListener('mouseenter', () => showDevice(code));
      element.addEventListener('focus', () => showDevice(code));
      for (const select of [$('route-from'), $('route-to')]) {
        if (firstIndex.get(code) === i) select.add(new Option(shownName(i), code));
      }
    });
    topology.links.forEach(([a, b], i) => {
      const key = pairKey(a, b);
      if (!linksByPair.has(key)) linksByPair.set(key, []);
      linksByPair.get(key).push(i);
      for (const code of new Set([a, b])) {
        if (!linksByDevice.has(code)) linksByDevice.set(code, []);
        linksByDevice.get(code).push(i);
      }
      const element = $('link' + i);
      linkElements.push(element);
      const line = element.querySelector('path');
      line.classList.add('line');
      linkLines.push(line);
      // An invisible band along the line, wide enough to hit.
      const band = line.cloneNode(false);
      band.setAttribute('class', 'band');
      band.setAttribute('aria-hidden', 'true');
      element.append(band);
      makeActive(element, i, topology.link_names[i]);
    });
    fileLinkElements = linkElements.slice();
    fileLinkLines = linkLines.slice();
    wireFinders();
    wireTrial();
    $('route-from').addEventListener('change', (event) => { state.from = event.target.value; render(); });
    $('route-to').addEventListener('change', (event) => { state.to = event.target.value; render(); });
    $('route-clear').addEventListener('click', () => {
      state.from = state.to = '';
      syncControls();
      render();
    });
    for (const radio of document.querySelectorAll('input[name=plan]')) {
      radio.addEventListener('change', () => { state.plan = radio.value; render(); });
    }
    for (const radio of document.querySelectorAll('input[name=click]')) {
      radio.addEventListener('change', () => { state.clickFails = radio.value === 'fail'; });
    }
    $('restore-all').addEventListener('click', restoreAll);
    $('show-risks').addEventListener('change', (event) => {
      state.showRisks = event.target.checked;
      render();
    });
  }

  // For tests: whether the engine is ready and when, how long the last
  // drawing and the last laying out of the labels took, and how much of
  // the time went to the engine (loading, and all calls since).
  window.topoplanPage = { ready: false, readyMs: 0, lastRenderMs: 0, lastLabelsMs: 0,
                          loadMs: 0, engineMs: 0 };
  $('page-title').textContent = document.title;
  // The drawing pans and zooms while the engine is still starting.
  wireDrawing();
  createTopoplanEngine().then((engine) => {
    topology = loadTopology(engine);
    api = makeApi(engine);
    window.topoplan = {
      route: api.route, scenario: api.scenario, risks: api.risks, plan: api.plan,
      device: api.device, cutOff: api.cutOff,
      // The failures chosen on the page, as a scenario's "failed" gives them.
      failed: () => api.failed(failed()),
      restoreAll,
      // The links tried on the page, [[from, to, ms]...] by device index.
      tried: triedLinks,
    };
    wire();
    const initial = data.initial;
    if (initial.plan) state.plan = initial.plan;
    if (initial.route) [state.from, state.to] = initial.route;
    if (initial.risks) state.showRisks = $('show-risks').checked = true;
    if (initial.failed) {
      state.failedDevices = initial.failed.devices;
      state.failedLinks = initial.failed.links;
    }
    syncControls();
    setText('engine-status', [topology.status]);
    render();
    window.topoplanPage.readyMs = performance.now();
    window.topoplanPage.ready = true;
  }).catch((error) => {
    setText('engine-status', [$('engine-status').dataset.failed + error.message], true);
  });
}());
