// The page's script: draws what the engine answers and wires clicks and
// keys to it. Every figure comes from the engine (the programs' own C++
// analyses compiled to WebAssembly); nothing here analyses the network.
'use strict';

(function () {
  const data = JSON.parse(document.getElementById('topoplan-data').textContent);
  const $ = (id) => document.getElementById(id);

  // ---- The engine's page API: plain objects in the report's JSON shapes.
  function makeApi(engine) {
    const call = (name, types, args) => {
      const answer = JSON.parse(engine.ccall(name, 'string', types, args));
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
      // detail as option 8 shows it, and the devices a failure cuts off.
      device: (code) => call('topoplan_device', ['string'], [code]),
      cutOff: (failed) => call('topoplan_cut_off', ['string'], [failedText(failed)]),
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
    };
  }

  function loadTopology(engine) {
    const text = atob(data.topology);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    const answer = JSON.parse(engine.ccall('topoplan_load', 'string',
      ['array', 'number'], [bytes, bytes.length]));
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
  const firstIndex = new Map();  // code -> lowest device index
  const linksByPair = new Map();  // pairKey -> link positions, in order
  const linksByDevice = new Map();  // code -> positions of its links
  let marked = [];                // the elements the last drawing classed

  const pairKey = (a, b) => (a < b ? a + '\u0000' + b : b + '\u0000' + a);
  const failed = () => ({ devices: state.failedDevices.slice(),
                          links: state.failedLinks.map((l) => l.slice()) });
  const failsAnything = () => state.failedDevices.length + state.failedLinks.length > 0;

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
      element.classList.add(className);
      marked.push(element);
    }
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

  function drawRoute() {
    if (!state.from || !state.to) {
      setText('route-result', [$('route-result').dataset.idle]);
      return;
    }
    const route = api.pageRoute(state.from, state.to, failsAnything() ? failed() : undefined);
    mark([deviceElement(state.from), deviceElement(state.to)], 'endpoint');
    markLinks(route.primary, 'route');
    markLinks(route.backup, 'backup');
    setText('route-result', route.lines);
  }

  function drawPlan() {
    if (state.plan === 'none') {
      setText('plan-result', []);
      return;
    }
    const plan = api.pagePlan(state.plan, failsAnything() ? failed() : undefined);
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
    const risks = api.pageRisks();
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
    attempt('scenario-result', drawFailures);
    attempt('route-result', drawRoute);
    attempt('plan-result', drawPlan);
    attempt('risk-result', drawRisks);
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

  function activateDevice(index) {
    const code = topology.devices[index];
    if (state.clickFails) {
      toggle(state.failedDevices, code, (a, b) => a === b);
    } else if (!state.from || state.to) {
      state.from = code;
      state.to = '';
    } else {
      state.to = code;
    }
    syncControls();
    showDevice(code);
    render();
  }

  function activateLink(index) {
    const [a, b] = topology.links[index];
    toggle(state.failedLinks, [a, b], (x, y) => pairKey(x[0], x[1]) === pairKey(y[0], y[1]));
    render();
  }

  function syncControls() {
    $('route-from').value = state.from;
    $('route-to').value = state.to;
    for (const radio of document.querySelectorAll('input[name=plan]')) {
      radio.checked = radio.value === state.plan;
    }
  }

  // Makes a drawn element a button for the mouse and the keyboard.
  function makeActive(element, label, activate) {
    element.setAttribute('tabindex', '0');
    element.setAttribute('role', 'button');
    element.setAttribute('aria-label', label);
    // dot titles each element by its node names ("d3"); the tooltip should
    // name the device or link instead.
    const title = element.querySelector('title');
    if (title !== null) title.textContent = label;
    element.addEventListener('click', activate);
    element.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' || event.key === ' ') {
        event.preventDefault();
        activate();
      }
    });
  }

  function wire() {
    // The row heads are titled by their layer's name, not dot's node name.
    for (const head of document.querySelectorAll('.node:not([id^=device]) title')) {
      head.textContent = head.parentNode.querySelector('text').textContent;
    }
    topology.devices.forEach((code, i) => {
      if (!firstIndex.has(code)) firstIndex.set(code, i);
      const element = $('device' + i);
      deviceElements.push(element);
      makeActive(element, topology.device_names[i], () => activateDevice(i));
      element.addEventListener('mouseenter', () => showDevice(code));
      element.addEventListener('focus', () => showDevice(code));
      for (const select of [$('route-from'), $('route-to')]) {
        if (firstIndex.get(code) === i) select.add(new Option(code, code));
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
      makeActive(element, topology.link_names[i], () => activateLink(i));
    });
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
    $('restore-all').addEventListener('click', () => {
      state.failedDevices = [];
      state.failedLinks = [];
      render();
    });
    $('show-risks').addEventListener('change', (event) => {
      state.showRisks = event.target.checked;
      render();
    });
  }

  window.topoplanPage = { ready: false, lastRenderMs: 0 };
  $('page-title').textContent = document.title;
  createTopoplanEngine().then((engine) => {
    topology = loadTopology(engine);
    api = makeApi(engine);
    window.topoplan = {
      route: api.route, scenario: api.scenario, risks: api.risks, plan: api.plan,
      device: api.device, cutOff: api.cutOff,
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
    window.topoplanPage.ready = true;
  }).catch((error) => {
    setText('engine-status', [$('engine-status').dataset.failed + error.message], true);
  });
}());
