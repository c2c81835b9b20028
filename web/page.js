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
      route: (from, to, failed) => call(
          'topoplan_route', ['string', 'string', 'string'],
          [from, to, failedText(failed)]),
      scenario: (failed) =>
          call('topoplan_scenario', ['string'], [failedText(failed)]),
      risks: () => call('topoplan_risks', [], []),
      plan: (algorithm, failed) => call(
          'topoplan_plan', ['string', 'string'],
          [algorithm, failedText(failed)]),
      // Beyond the report's shapes, for the page's own drawing: a device's
      // detail as option 8 shows it, and the devices a failure cuts off.
      device: (code) => call('topoplan_device', ['string'], [code]),
      cutOff: (failed) =>
          call('topoplan_cut_off', ['string'], [failedText(failed)]),
      // The links, by position in the saved order, that a route and its
      // backup run over, that a plan accepts, and that are single points
      // of failure: the engine tells which of parallel links it is.
      routeLinks: (from, to, failed) => call(
          'topoplan_route_links', ['string', 'string', 'string'],
          [from, to, failedText(failed)]),
      planLinks: (algorithm, failed) => call(
          'topoplan_plan_links', ['string', 'string'],
          [algorithm, failedText(failed)]),
      riskLinks: () => call('topoplan_risk_links', [], []),
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
  const routeText = (route) => route.devices.join(' → ');

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

  const markLinks = (positions, className) => mark(
      positions.filter((i) => i >= 0).map((i) => linkElements[i]), className);

  function drawRoute() {
    if (!state.from || !state.to) {
      setText('route-result', ['请选择起点和终点，或点击图中的两台设备。']);
      return;
    }
    const scenario = failsAnything() ? failed() : undefined;
    const route = api.route(state.from, state.to, scenario);
    const links = api.routeLinks(state.from, state.to, scenario);
    mark([deviceElement(route.from), deviceElement(route.to)], 'endpoint');
    const lines = [];
    const sameDevice = route.primary !== null && route.primary.devices.length === 1;
    if (route.primary === null) {
      lines.push('从 ' + route.from + ' 到 ' + route.to + ' 不可达（无连通路径）！');
    } else if (sameDevice) {
      lines.push('起点和终点相同，延迟为0。');
    } else {
      markLinks(links.primary, 'route');
      lines.push('最优路径：' + routeText(route.primary),
        '最短延迟：' + route.primary.latency + 'ms');
    }
    if (route.backup !== null) {
      markLinks(links.backup, 'backup');
      lines.push('备用路由（' + route.backup.latency + 'ms）：' + routeText(route.backup));
    } else if (sameDevice) {
      lines.push('备用路由：无（起点和终点相同）');
    } else if (route.primary !== null) {
      lines.push('备用路由：无（没有不与最优路由共用链路的路由）');
    }
    setText('route-result', lines);
  }

  function drawPlan() {
    if (state.plan === 'none') {
      setText('plan-result', []);
      return;
    }
    const scenario = failsAnything() ? failed() : undefined;
    const plan = api.plan(state.plan, scenario);
    markLinks(api.planLinks(state.plan, scenario), 'plan');
    const name = state.plan === 'prim' ? 'Prim' : 'Kruskal';
    const lines = ['光纤骨干网布线方案（' + name + '算法）'];
    for (const [a, b, latency, accepted] of plan.links) {
      if (!accepted) {
        lines.push('  ❌ 跳过  ' + a + ' ── ' + b + '  (延迟:' + latency + 'ms)');
      }
    }
    const accepted = plan.links.filter((link) => link[3]).length;
    lines.splice(1, 0, '选中 ' + accepted + ' 条链路', 'MST总延迟：' + plan.total + 'ms');
    if (!plan.connected) lines.push('(图不连通，布线无法覆盖所有设备)');
    setText('plan-result', lines);
  }

  const linkLabel = (link) => link[0] + ' ── ' + link[1] + '（' + link[2] + 'ms）';

  function drawFailures() {
    mark(state.failedDevices.map(deviceElement), 'failed');
    // A failed device takes its links down with it.
    for (const code of state.failedDevices) {
      mark((linksByDevice.get(code) || []).map((i) => linkElements[i]), 'failed');
    }
    for (const [a, b] of state.failedLinks) mark(linksBetween(a, b), 'failed');
    if (!failsAnything()) {
      setText('scenario-result', ['当前没有故障。']);
      return;
    }
    const scenario = api.scenario(failed());
    const cutOff = api.cutOff(failed());
    for (const code of cutOff) mark([deviceElement(code)], 'cut');
    const names = scenario.failed.devices.map((code) => '设备 ' + code).concat(
      scenario.failed.links.map((link) => '链路 ' + linkLabel(link)));
    const worst = scenario.worst;
    setText('scenario-result', [
      '故障：' + names.join('、'),
      '连通分区：' + scenario.parts + ' 个',
      '断开（不再可达的设备对）：' + scenario.lost_pairs + ' 对',
      '变慢（延迟变大的设备对）：' + scenario.slower_pairs + ' 对',
      '最大变慢：' + (worst === null ? '—' : worst.from + ' ↔ ' + worst.to + ' ' +
        worst.before + 'ms → ' + worst.after + 'ms'),
      '切断：' + (cutOff.length === 0 ? '—' : cutOff.join('、')),
    ]);
  }

  function drawRisks() {
    if (!state.showRisks) {
      setText('risk-result', []);
      return;
    }
    const risks = api.risks();
    mark(risks.cut_devices.map(deviceElement), 'risk');
    markLinks(api.riskLinks(), 'risk');
    const count = risks.cut_devices.length + risks.cut_links.length;
    if (count === 0) {
      setText('risk-result', ['✔ 没有单点故障：任何一台设备或一条链路单独故障，都不会使网络分裂。']);
      return;
    }
    const line = (what, failure) => '⚠ ' + what + '：故障后切断 ' + api.cutOff(failure).join('、');
    setText('risk-result', ['单点故障共 ' + count + ' 处：'].concat(
      risks.cut_devices.map((code) => line('设备 ' + code, { devices: [code] })),
      risks.cut_links.map((link) => line('链路 ' + linkLabel(link),
        { links: [[link[0], link[1]]] }))));
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
      const device = api.device(code);
      const detail = $('device-detail');
      detail.classList.remove('error');
      detail.textContent = '';
      const list = document.createElement('dl');
      const neighbours = device.neighbours.length === 0 ? '无'
        : device.neighbours.map((n) => n[0] + '(' + n[1] + 'ms)').join('  ');
      for (const [label, value] of [['设备名称：', device.code],
        ['设备描述：', device.description], ['所属层级：', device.layer],
        ['端口数量：', device.ports], ['运行时间：', device.uptime],
        ['相邻设备：', neighbours]]) {
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
      makeActive(element, '设备 ' + code, () => activateDevice(i));
      element.addEventListener('mouseenter', () => showDevice(code));
      element.addEventListener('focus', () => showDevice(code));
      for (const select of [$('route-from'), $('route-to')]) {
        if (firstIndex.get(code) === i) select.add(new Option(code, code));
      }
    });
    topology.links.forEach(([a, b, latency], i) => {
      const key = pairKey(a, b);
      if (!linksByPair.has(key)) linksByPair.set(key, []);
      linksByPair.get(key).push(i);
      for (const code of new Set([a, b])) {
        if (!linksByDevice.has(code)) linksByDevice.set(code, []);
        linksByDevice.get(code).push(i);
      }
      const element = $('link' + i);
      linkElements.push(element);
      makeActive(element, '链路 ' + a + '─' + b + ' ' + latency + 'ms', () => activateLink(i));
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
    setText('engine-status', ['分析引擎已就绪：共' + topology.devices.length + '台设备，' +
      topology.links.length + '条链路。']);
    render();
    window.topoplanPage.ready = true;
  }).catch((error) => {
    setText('engine-status', ['✘ 分析引擎无法启动：' + error.message], true);
  });
}());
