// The live page of a scene: the graph the server laid out, drawn here (graph.js), its status as
// it changes (server-sent events), the values of the channels in view at the frame the slider
// chooses, a channel's neighbourhood, chart and explanation, and what the last save changed.
// Every text from the scene reaches the page as textContent or canvas text, never as markup. The
// server words and cuts every line it sends; the page only puts each where its name says.
'use strict';

import { GraphView, unpackGraph, NODE } from './graph.js';
import { drawSpark } from './draw.js';
import { focusOn } from './focus.js';
import { attachPointer, attachKeys, attachSearch } from './controls.js';

const $ = (id) => document.getElementById(id);
const MOST_ASKED = 2000;  // channels asked for at once, as the server takes them

const shown = { server: null, generation: -1, frames: 0 };
let chosenFrame = null;  // null: the last frame
let selected = null;     // the channel whose explanation and chart stay
let names = [];
let byName = new Map();
let chart = null;        // where the charts' plots lie
let changes = null;      // what the last save changed, as the server compared it
let nextChange = 0;
let valuesFrame = null;  // the frame of the values the view holds
let valuesAsked = 0;
let explainAsked = 0;
let frameTimer = null;
let hoverTimer = null;
let beforeFocus = null;  // where the whole scene was in view

const view = new GraphView($('graph-canvas'), () => refreshValues());
window.quantifierPage = { view, find, select, channel: (name) => byName.get(name) };

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

function showCharts(svg) {
  if (svg === null) {
    const note = document.createElement('p');
    note.className = 'hint';
    note.textContent = 'Too many channels to chart them all: click a channel to chart it.';
    $('charts').replaceChildren(note);
    return;
  }
  const charts = new DOMParser().parseFromString(svg, 'image/svg+xml').documentElement;
  if (!charts || charts.nodeName !== 'svg') return;
  charts.id = 'chart-picture';
  const mark = document.createElementNS('http://www.w3.org/2000/svg', 'line');
  mark.id = 'frame-mark';
  mark.setAttribute('y1', 0);
  mark.setAttribute('y2', chart.height);
  mark.setAttribute('stroke', '#ff7f0e');
  mark.setAttribute('stroke-width', 1.5);
  charts.appendChild(mark);
  $('charts').replaceChildren(document.importNode(charts, true));
}

async function loadView() {
  const answer = await getJson('/api/view');
  showStatus(answer.status);
  if (answer.graph === undefined) return;
  const first = view.graph === null;
  const focused = view.focus ? names[view.focus.channel] : null;
  const chosen = selected === null ? null : names[selected];
  shown.frames = answer.status.frames;
  shown.generation = answer.status.generation;
  names = answer.channels;
  byName = new Map(names.map((name, i) => [name, i]));
  chart = answer.chart;
  view.setGraph(unpackGraph(answer.graph, names));
  view.heading = answer.graph.heading;
  view.values.clear();
  valuesFrame = null;
  showChanges(answer.changes);
  $('warnings').replaceChildren(...answer.warnings.map((line) => {
    const item = document.createElement('li');
    item.textContent = line;
    return item;
  }));
  showCharts(answer.charts);
  const slider = $('frame');
  slider.max = lastFrame();
  slider.disabled = shown.frames === 0;
  slider.value = frameShown();
  selected = byName.get(chosen) ?? null;
  view.marks.selected = selected;
  if (first) view.fit();
  if (focused !== null && byName.has(focused)) focus(byName.get(focused), false);
  else if (focused !== null) back();
  await showFrame();
  document.body.dataset.generation = shown.generation;
  document.body.dataset.server = shown.server;
}

// The channels the save changed, added and removed: marked in the graph and counted.
function showChanges(compared) {
  changes = compared;
  nextChange = 0;
  view.marks.changed = new Set(compared?.changed ?? []);
  view.marks.added = new Set(compared?.added ?? []);
  const button = $('changes');
  button.hidden = compared === null;
  document.body.dataset.changed = compared === null ? '' : compared.changed.length;
  if (compared === null) return;
  const count = (n, what) => n + (n === 1 ? ' channel ' : ' channels ') + what;
  const parts = [count(compared.changed.length, 'changed')];
  if (compared.added.length) parts.push(compared.added.length + ' added');
  if (compared.removed.length)
    parts.push(compared.removed.length + ' removed (' + compared.removed.slice(0, 3).join(', ') +
      (compared.removed.length > 3 ? ', …' : '') + ')');
  button.textContent = parts.join(', ');
}

function markChartFrame(frame) {
  const mark = document.getElementById('frame-mark');
  if (!mark || !chart || shown.frames === 0) return;
  const x = chart.plotLeft + (frame + 0.5) * chart.plotWidth / shown.frames;
  mark.setAttribute('x1', x);
  mark.setAttribute('x2', x);
}

// The values of the channels in view at the frame shown, those the view lacks; with the
// sparklines not yet had.
async function refreshValues(frameChanged = false) {
  const frame = frameShown();
  const graph = view.graph;
  if (!graph) return;
  let wanted = view.readable() ? view.inView() : [];
  if (!frameChanged && frame === valuesFrame) wanted = wanted.filter((n) => !view.values.has(n));
  if (!frameChanged && !wanted.length) return;
  wanted = wanted.slice(0, MOST_ASKED);
  const sparks = wanted.some((n) => (graph.flags[n] & NODE.spark) && !view.sparks.has(n));
  const asked = ++valuesAsked;
  let answer;
  try {
    answer = await getJson('/api/frame?n=' + frame + '&channels=' + wanted.join(',') +
      (sparks ? '&spark=1' : ''));
  } catch (error) {
    return;
  }
  if (view.graph !== graph || (frameChanged && asked !== valuesAsked)) return;
  if (frame !== valuesFrame) view.values.clear();
  valuesFrame = frame;
  for (const [channel, lines] of Object.entries(answer.values)) {
    view.values.set(Number(channel), lines);
    if (lines.spark) view.sparks.set(Number(channel), lines.spark);
  }
  view.heading = answer.heading;
  view.column = (columns) => Math.min(Math.floor(frame * columns / shown.frames), columns - 1);
  view.request();
  document.body.dataset.frame = frame;
  document.body.dataset.values = view.values.size;
}

async function showFrame() {
  const frame = frameShown();
  $('frame-label').textContent = String(frame);
  markChartFrame(frame);
  await refreshValues(true);
  if (selected !== null) {
    explain(selected);
    chartChannel(selected);
  }
}

function select(channel) {
  selected = channel;
  view.marks.selected = channel;
  view.request();
  if (channel === null) return;
  explain(channel);
  chartChannel(channel);
}

// The channel's line over the run, from its sparkline's columns, the frame shown marked.
async function chartChannel(channel) {
  const frame = frameShown();
  let answer;
  try {
    answer = await getJson('/api/frame?n=' + frame + '&channels=' + channel + '&spark=1');
  } catch (error) {
    return;
  }
  if (channel !== selected) return;
  const lines = answer.values[channel];
  const box = $('channel-chart');
  box.hidden = false;
  const canvas = box.querySelector('canvas');
  const c = canvas.getContext('2d');
  c.clearRect(0, 0, canvas.width, canvas.height);
  const spark = lines?.spark;
  $('channel-chart-title').textContent = '"' + names[channel] + '" ' + (spark
    ? 'over the run, lowest to highest of each stretch of frames'
    : 'has no number to chart over the run');
  if (!spark) return;
  const column = Math.min(Math.floor(frame * spark.length / shown.frames), spark.length - 1);
  drawSpark(c, spark, column, 6, 8, canvas.width - 12, canvas.height - 16);
  box.dataset.channel = channel;
}

function hover(channel) {
  const canvas = $('graph-canvas');
  canvas.title = channel === null
    ? '' : view.values.get(channel)?.tip ?? view.graph.titles[channel] ?? names[channel];
  canvas.style.cursor = channel === null ? 'grab' : 'pointer';
  if (selected !== null || channel === null) return;
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
  let answer;
  try {
    answer = await getJson('/api/explain?channel=' + channel + '&frame=' + frame);
  } catch (error) {
    return;
  }
  if (asked !== explainAsked) return;
  const heading = document.createElement('p');
  heading.textContent = answer.page.heading;
  const tree = document.createElement('ul');
  tree.appendChild(explainItem(answer.page.tree));
  $('explain').replaceChildren(heading, tree);
  $('explain').dataset.channel = channel;
  $('explain').dataset.frame = answer.frame;
}

// A channel's neighbourhood on its own, fitted to the window; the whole scene is kept to go
// back to.
function focus(channel, fit = true) {
  // A focus found again after a save keeps the place of the whole scene it had.
  if (!view.focus && fit) beforeFocus = { scale: view.scale, tx: view.tx, ty: view.ty };
  view.focus = focusOn(view.graph, channel, Number($('depth').value));
  $('focus-bar').hidden = false;
  $('focus-name').textContent = '"' + names[channel] + '": ' + (view.focus.shown.size - 1) +
    ' channels it reads or that read it';
  document.body.dataset.focus = channel;
  if (fit) view.fit(); else view.request();
  view.changed();
}

function back() {
  if (!view.focus) return select(null);
  view.focus = null;
  $('focus-bar').hidden = true;
  document.body.dataset.focus = '';
  Object.assign(view, beforeFocus);
  view.changed();
}

function click(channel) {
  select(channel);
  focus(channel);
}

// Finds a channel by name: centred and highlighted, in the whole scene if the focus lacks it.
function find(name) {
  const channel = byName.get(name);
  if (channel === undefined) return;
  if (view.focus && !view.focus.shown.has(channel)) back();
  view.centre(channel);
  select(channel);
  document.body.dataset.found = channel;
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
$('changes').addEventListener('click', () => {
  const marked = [...(changes?.changed ?? []), ...(changes?.added ?? [])];
  if (!marked.length) return;
  find(names[marked[nextChange++ % marked.length]]);
});
$('back').addEventListener('click', back);
$('depth').addEventListener('change', () => view.focus && focus(view.focus.channel));
attachPointer(view, $('graph-canvas'), { click, hover });
attachKeys(view, $('search'), { back });
attachSearch($('search'), $('names'), () => names, find);
view.resize();
new ResizeObserver(() => view.resize()).observe($('graph-canvas'));
listen();
