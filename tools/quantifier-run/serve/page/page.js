// The live page of a scene: the server's pictures, its status as it changes (server-sent
// events), values and explanations at the frame the slider chooses. Every text from the scene
// reaches the page as textContent or inside the runner's own escaped SVG, never as markup. The
// server words and cuts every line it sends; the page only puts each where its name says.
'use strict';

const $ = (id) => document.getElementById(id);

const shown = { server: null, generation: -1, frames: 0 };
let chosenFrame = null;  // null: the last frame
let selected = null;     // the channel whose explanation stays
let boxes = [];          // per channel: its box in the picture
let chart = null;        // where the charts' plots lie
let lastLines = null;    // the picture's lines at the last frame
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

  chart = view.chart;
  lastLines = view.last;

  $('graph').replaceChildren(graph);
  boxes = [...graph.querySelectorAll('g.channel')].map((box, channel) => {
    box.dataset.channel = channel;
    box.addEventListener('click', () => select(channel));
    box.addEventListener('mouseenter', () => hover(channel));
    return box;
  });

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
  mark.setAttribute('y2', chart.height);
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
  if (!charts || !chart || shown.frames === 0) return;
  const x = chart.plotLeft + (frame + 0.5) * chart.plotWidth / shown.frames;
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
  let lines = lastLines;
  if (frame !== lastFrame()) {
    try {
      lines = await getJson('/api/frame?n=' + frame);
    } catch (error) {
      return;
    }
    if (asked !== frameAsked) return;
  }
  showLines(lines);
  document.body.dataset.frame = frame;
  if (selected !== null) explain(selected);
}

// Each line the server sent in the place of the picture's line of that name.
function showLines(lines) {
  if (!lines) return;
  const heading = $('graph').querySelector('svg > [data-line="heading"]');
  if (heading) heading.textContent = lines.heading;
  boxes.forEach((box, channel) => {
    for (const [name, text] of Object.entries(lines.values[channel] ?? {})) {
      const line = box.querySelector(`[data-line="${name}"]`);
      if (line && text !== null) line.textContent = text;
    }
  });
}

function select(channel) {
  selected = selected === channel ? null : channel;
  boxes.forEach((box, i) => box.classList.toggle('selected', i === selected));
  if (selected !== null) explain(selected);
}

function hover(channel) {
  if (selected !== null) return;
  clearTimeout(hoverTimer);
  hoverTimer = setTimeout(() => explain(channel), 120);
}

// One item of an explanation as the server laid it out: its lines, each of spans, and the items
// beneath it.
function explainItem(item) {
  const entry = document.createElement('li');
  item.lines.forEach((line, i) => {
    if (i > 0) entry.appendChild(document.createElement('br'));
    for (const part of line) {
      // A part with an address links to the operation's page in the reference this server holds.
      const span = document.createElement(part.href ? 'a' : 'span');
      span.textContent = part.text ?? JSON.stringify(part.json);
      if (part.class) span.className = part.class;
      if (part.href) Object.assign(span, {href: part.href, target: '_blank', rel: 'noopener'});
      entry.appendChild(span);
    }
  });
  if (item.items.length) {
    const list = document.createElement('ul');
    list.append(...item.items.map(explainItem));
    entry.appendChild(list);
  }
  return entry;
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
  heading.textContent = document_.page.heading;
  const tree = document.createElement('ul');
  tree.appendChild(explainItem(document_.page.tree));
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
