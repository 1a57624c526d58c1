// The live page of a scene: the server's pictures, its status as it changes (server-sent
// events), values and explanations at the frame the slider chooses. Every text from the scene
// reaches the page as textContent or inside the runner's own escaped SVG, never as markup.
'use strict';

const $ = (id) => document.getElementById(id);
// The charts' plot spans this many pixels, with this margin on its right (the chart writer's).
const kPlotWidth = 660;
const kPlotRight = 20;

const shown = { server: null, generation: -1, frames: 0 };
let chosenFrame = null;  // null: the last frame
let selected = null;     // the channel whose explanation stays
let boxes = [];          // per channel: its box, and its texts as the picture drew them
let frameAsked = 0;
let explainAsked = 0;
let frameTimer = null;
let hoverTimer = null;

function parseSvg(text) {
  const doc = new DOMParser().parseFromString(text, 'image/svg+xml');
  const root = doc.documentElement;
  if (!root || root.nodeName !== 'svg') return null;
  return document.importNode(root, true);
}

async function getJson(path) {
  const response = await fetch(path, { cache: 'no-store' });
  if (!response.ok) throw new Error(path + ': ' + response.status);
  return response.json();
}

function showStatus(status) {
  const text = status.running
    ? 'running: frame ' + (status.frame + 1) + ' of ' + status.total
    : status.frames !== undefined
      ? status.frames + (status.frames === 1 ? ' frame in ' : ' frames in ') + status.ms + ' ms'
      : 'no good run yet';
  $('status').textContent = text;
  const progress = $('progress');
  progress.hidden = !status.running || status.total === 0;
  if (status.running) {
    progress.max = Math.max(status.total, 1);
    progress.value = status.frame;
  }
  const error = $('error');
  error.hidden = status.error === null;
  error.textContent = status.error === null ? '' : status.error;
  document.body.dataset.running = status.running ? 'yes' : 'no';
  document.body.dataset.error = status.error === null ? 'no' : 'yes';
}

function lastFrame() {
  return Math.max(shown.frames - 1, 0);
}

function frameShown() {
  return chosenFrame === null ? lastFrame() : Math.min(chosenFrame, lastFrame());
}

async function loadView() {
  const view = await getJson('/api/view');
  showStatus(view.status);
  if (view.graph === undefined) return;
  const graph = parseSvg(view.graph);
  const charts = parseSvg(view.charts);
  if (!graph || !charts) return;
  shown.frames = view.status.frames;
  shown.generation = view.status.generation;

  $('graph').replaceChildren(graph);
  boxes = [...graph.querySelectorAll('g.channel')].map((box, channel) => {
    const texts = box.querySelectorAll('text');
    box.dataset.channel = channel;
    box.addEventListener('click', () => select(channel));
    box.addEventListener('mouseenter', () => hover(channel));
    return { box, texts, drawn: [...texts].map((t) => t.textContent) };
  });
  graph.dataset.frameText = graph.querySelector(':scope > text')?.textContent ?? '';

  const warnings = $('warnings');
  warnings.replaceChildren(...view.warnings.map((line) => {
    const item = document.createElement('li');
    item.textContent = line;
    return item;
  }));

  charts.id = 'chart-picture';
  const mark = document.createElementNS('http://www.w3.org/2000/svg', 'line');
  mark.id = 'frame-mark';
  mark.setAttribute('y1', 0);
  mark.setAttribute('y2', charts.getAttribute('height'));
  mark.setAttribute('stroke', '#ff7f0e');
  mark.setAttribute('stroke-width', 1.5);
  charts.appendChild(mark);
  $('charts').replaceChildren(charts);

  const slider = $('frame');
  slider.max = lastFrame();
  slider.disabled = shown.frames === 0;
  slider.value = frameShown();
  if (selected !== null && selected >= boxes.length) selected = null;
  await showFrame();
  document.body.dataset.generation = shown.generation;
  document.body.dataset.server = shown.server;
}

function markChartFrame(frame) {
  const charts = document.getElementById('chart-picture');
  if (!charts || shown.frames === 0) return;
  const left = Number(charts.getAttribute('width')) - kPlotWidth - kPlotRight;
  const x = left + (frame + 0.5) * kPlotWidth / shown.frames;
  const mark = document.getElementById('frame-mark');
  mark.setAttribute('x1', x);
  mark.setAttribute('x2', x);
}

// The graph as drawn is at the last frame; any other frame's values come from the server.
async function showFrame() {
  const frame = frameShown();
  $('frame-label').textContent = String(frame);
  markChartFrame(frame);
  const asked = ++frameAsked;
  let values = null;
  if (frame !== lastFrame()) {
    try {
      values = (await getJson('/api/frame?n=' + frame)).values;
    } catch (error) {
      return;
    }
    if (asked !== frameAsked) return;
  }
  const picture = $('graph').querySelector('svg');
  const title = picture?.querySelector(':scope > text');
  if (title) title.textContent = 'frame ' + frame;
  boxes.forEach((entry, channel) => {
    const { texts, drawn } = entry;
    if (texts.length < 3) return;
    texts[2].textContent = values ? values[channel].value : drawn[2];
    if (texts.length > 3 && (values ? values[channel].counts !== null : true))
      texts[3].textContent = values ? values[channel].counts : drawn[3];
  });
  document.body.dataset.frame = frame;
  if (selected !== null) explain(selected);
}

function select(channel) {
  selected = selected === channel ? null : channel;
  boxes.forEach((entry, i) => entry.box.classList.toggle('selected', i === selected));
  if (selected !== null) explain(selected);
}

function hover(channel) {
  if (selected !== null) return;
  clearTimeout(hoverTimer);
  hoverTimer = setTimeout(() => explain(channel), 120);
}

function line(text, className) {
  const span = document.createElement('span');
  span.textContent = text;
  if (className) span.className = className;
  return span;
}

function explainNode(node) {
  const item = document.createElement('li');
  let head = '"' + node.channel + '" (' + node.kind +
    (node.operation ? ', ' + node.operation : '') + ')';
  head += node.value === null ? ' not read at this frame' : ' = ' + JSON.stringify(node.value);
  item.appendChild(line(head, 'node'));
  if (node.page) {
    // The operation's page in the reference the server holds: docs/operations/NN-Name.md.
    const name = node.page.slice(node.page.lastIndexOf('/') + 1);
    const link = document.createElement('a');
    link.className = 'reference';
    link.href = '/reference/?page=' + encodeURIComponent(name);
    link.target = '_blank';
    link.rel = 'noopener';
    link.textContent = 'about ' + node.operation;
    item.appendChild(link);
  }
  if (node.reads !== undefined) {
    item.appendChild(document.createElement('br'));
    item.appendChild(line('read ' + node.reads + ', computed ' + node.computations +
      (node.fromCache ? ', ' + node.fromCache + ' from this render\'s cache' : '')));
  }
  if (node.state && node.state.kept !== 'none') {
    item.appendChild(document.createElement('br'));
    item.appendChild(line('state kept: ' + node.state.kept + '; before ' +
      JSON.stringify(node.state.before) + ', after ' + JSON.stringify(node.state.after)));
  }
  if (node.slots && node.slots.length) {
    const list = document.createElement('ul');
    for (const slot of node.slots) {
      const entry = document.createElement('li');
      entry.appendChild(line(slot.slot + ': ' + (slot.found === null ? 'missing'
        : '"' + slot.found + '" = ' + JSON.stringify(slot.value))));
      if (slot.mark) entry.appendChild(line(' (' + slot.mark + ')', 'mark'));
      if (slot.child) {
        const children = document.createElement('ul');
        children.appendChild(explainNode(slot.child));
        entry.appendChild(children);
      }
      list.appendChild(entry);
    }
    item.appendChild(list);
  }
  return item;
}

async function explain(channel) {
  const frame = frameShown();
  const asked = ++explainAsked;
  let document_;
  try {
    document_ = await getJson('/api/explain?channel=' + channel + '&frame=' + frame);
  } catch (error) {
    return;
  }
  if (asked !== explainAsked) return;
  const heading = document.createElement('p');
  heading.textContent = 'At frame ' + document_.frame + ':';
  const tree = document.createElement('ul');
  tree.appendChild(explainNode(document_.explain));
  $('explain').replaceChildren(heading, tree);
  $('explain').dataset.channel = channel;
  $('explain').dataset.frame = document_.frame;
}

function onStatus(status) {
  showStatus(status);
  if (status.server !== shown.server || status.generation !== shown.generation) {
    shown.server = status.server;
    loadView().catch(() => {});
  }
}

function connected(yes) {
  $('connection').textContent = yes ? 'live' : 'reconnecting';
  $('connection').className = yes ? '' : 'lost';
  document.body.dataset.connected = yes ? 'yes' : 'no';
}

// Through the tabs' shared stream where the browser has shared workers, else a stream of its own.
function listen() {
  if (window.SharedWorker) {
    const worker = new SharedWorker('/events.js');
    worker.port.addEventListener('message', (message) => {
      if (message.data.status !== undefined) onStatus(JSON.parse(message.data.status));
      if (message.data.connected !== undefined) connected(message.data.connected);
    });
    worker.port.start();
    window.addEventListener('pagehide', () => worker.port.postMessage('closing'));
    return;
  }
  const events = new EventSource('/events');
  events.addEventListener('status', (event) => onStatus(JSON.parse(event.data)));
  events.addEventListener('open', () => connected(true));
  events.addEventListener('error', () => connected(false));
}

$('frame').addEventListener('input', () => {
  const frame = Number($('frame').value);
  chosenFrame = frame === lastFrame() ? null : frame;
  $('frame-label').textContent = String(frame);
  markChartFrame(frame);
  clearTimeout(frameTimer);
  frameTimer = setTimeout(showFrame, 60);
});
listen();
