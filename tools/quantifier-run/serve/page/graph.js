// The scene's graph on a canvas: the boxes, sockets and links the server laid out, drawn as the
// runner's own picture draws them, but only what is in view and only as much detail as the zoom
// can show. Pans, zooms and fits; marks the channels the page asks it to.
'use strict';

const NODE_FIELDS = 10;  // x, y, width, height, valueTop, sparkTop, flags, kind, group, sockets
export const NODE = { quantifier: 1, warned: 2, shared: 4, spark: 8 };
const LINK = { unread: 1, internal: 2, cycle: 4 };
const GROUP_COLOURS = ['#1f77b4', '#2ca02c', '#9467bd', '#8c564b', '#e377c2', '#17becf',
  '#bcbd22', '#7f7f7f'];
const CHAR_WIDTH = 6.5;
const MIN_SCALE = 0.005;
const MAX_SCALE = 4;
const TEXT_SCALE = 0.45;  // below this the boxes' text is too small to read and is not drawn

// The server's flat arrays, unpacked once into typed arrays.
export function unpackGraph(drawing, names) {
  const count = names.length;
  const g = {
    count, names, texts: drawing.texts, titles: drawing.titles, metrics: drawing.metrics,
    width: drawing.width, height: drawing.height,
    x: new Float32Array(count), y: new Float32Array(count), w: new Float32Array(count),
    h: new Float32Array(count), valueTop: new Float32Array(count),
    sparkTop: new Float32Array(count), flags: new Uint8Array(count),
    kind: new Int32Array(count), group: new Int32Array(count),
    socketStart: new Int32Array(count + 1), sockets: [],
  };
  const d = drawing.nodes;
  let at = 0;
  for (let n = 0; n < count; ++n) {
    g.x[n] = d[at]; g.y[n] = d[at + 1]; g.w[n] = d[at + 2]; g.h[n] = d[at + 3];
    g.valueTop[n] = d[at + 4]; g.sparkTop[n] = d[at + 5]; g.flags[n] = d[at + 6];
    g.kind[n] = d[at + 7]; g.group[n] = d[at + 8];
    const sockets = d[at + NODE_FIELDS - 1];
    g.socketStart[n] = g.sockets.length;
    for (let s = 0; s < sockets; ++s) g.sockets.push(d[at + NODE_FIELDS + s]);
    at += NODE_FIELDS + sockets;
  }
  g.socketStart[count] = g.sockets.length;
  const links = drawing.links.length / 4;
  g.links = { count: links, parent: new Int32Array(links), child: new Int32Array(links),
    socket: new Int32Array(links), flags: new Uint8Array(links) };
  let parent = 0;
  for (let e = 0; e < links; ++e) {
    parent += drawing.links[4 * e];
    g.links.parent[e] = parent;
    g.links.child[e] = drawing.links[4 * e + 1];
    g.links.socket[e] = drawing.links[4 * e + 2];
    g.links.flags[e] = drawing.links[4 * e + 3];
  }
  g.routes = drawing.routes;
  g.children = Array.from({ length: count }, () => []);
  g.readers = Array.from({ length: count }, () => []);
  for (let e = 0; e < links; ++e) {
    g.children[g.links.parent[e]].push(g.links.child[e]);
    g.readers[g.links.child[e]].push(g.links.parent[e]);
  }
  return g;
}

// A line cut to `width` pixels, with an ellipsis where it is cut.
function fitted(context, text, width) {
  if (context.measureText(text).width <= width) return text;
  let low = 0;
  let high = text.length;
  while (low < high) {
    const mid = Math.ceil((low + high) / 2);
    if (context.measureText(text.slice(0, mid) + '…').width <= width) low = mid; else high = mid - 1;
  }
  return text.slice(0, low) + '…';
}

export class GraphView {
  constructor(canvas, onChange) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.onChange = onChange;  // after a pan or zoom settles: what is in view changed
    this.graph = null;
    this.scale = 1;
    this.tx = 0;
    this.ty = 0;
    this.values = new Map();  // channel -> its lines at the frame shown
    this.sparks = new Map();  // channel -> its sparkline's columns
    this.column = null;       // columns -> the sparklines' column of the frame shown
    this.ratio = 1;
    this.heading = '';
    this.marks = { selected: null, changed: new Set(), added: new Set() };
    this.focus = null;        // { shown: Set, x, y }: a neighbourhood laid out on its own
    this.drawnBoxes = 0;
    this.pending = false;
    this.settle = null;
  }

  setGraph(graph) {
    this.graph = graph;
    this.focus = null;
    this.sparks.clear();
    this.request();
  }

  // Where a box stands: in the neighbourhood's own layout while focused.
  boxX(n) { return this.focus ? this.focus.x.get(n) : this.graph.x[n]; }
  boxY(n) { return this.focus ? this.focus.y.get(n) : this.graph.y[n]; }
  isShown(n) { return !this.focus || this.focus.shown.has(n); }

  resize() {
    const ratio = window.devicePixelRatio || 1;
    const { width, height } = this.canvas.getBoundingClientRect();
    this.canvas.width = Math.max(1, Math.round(width * ratio));
    this.canvas.height = Math.max(1, Math.round(height * ratio));
    this.ratio = ratio;
    this.request();
  }

  size() {
    return { width: this.canvas.width / this.ratio, height: this.canvas.height / this.ratio };
  }

  // The world's rectangle [x0, y0, x1, y1] in view.
  viewRect() {
    const { width, height } = this.size();
    return [-this.tx / this.scale, -this.ty / this.scale,
      (width - this.tx) / this.scale, (height - this.ty) / this.scale];
  }

  // The boxes of `channels` (all shown when null), fitted to the window with a margin.
  fit(channels = null) {
    if (!this.graph) return;
    let [x0, y0, x1, y1] = [Infinity, Infinity, -Infinity, -Infinity];
    const each = channels ?? (this.focus ? [...this.focus.shown] : null);
    const count = each ? each.length : this.graph.count;
    for (let i = 0; i < count; ++i) {
      const n = each ? each[i] : i;
      x0 = Math.min(x0, this.boxX(n));
      y0 = Math.min(y0, this.boxY(n));
      x1 = Math.max(x1, this.boxX(n) + this.graph.w[n]);
      y1 = Math.max(y1, this.boxY(n) + this.graph.h[n]);
    }
    if (!(x1 > x0)) return;
    const { width, height } = this.size();
    const margin = 20;
    this.scale = Math.min(MAX_SCALE, Math.max(MIN_SCALE, Math.min(
      (width - 2 * margin) / (x1 - x0), (height - 2 * margin) / (y1 - y0), 1.5)));
    this.tx = (width - (x1 - x0) * this.scale) / 2 - x0 * this.scale;
    this.ty = (height - (y1 - y0) * this.scale) / 2 - y0 * this.scale;
    this.changed();
  }

  // Centres a channel's box at a zoom where its text reads.
  centre(n) {
    const { width, height } = this.size();
    this.scale = Math.max(this.scale, 1);
    this.tx = width / 2 - (this.boxX(n) + this.graph.w[n] / 2) * this.scale;
    this.ty = height / 2 - (this.boxY(n) + this.graph.h[n] / 2) * this.scale;
    this.changed();
  }

  panBy(dx, dy) {
    this.tx += dx;
    this.ty += dy;
    this.changed();
  }

  // Zooms by `factor` about the point (px, py) of the canvas, its middle when not given.
  zoomBy(factor, px, py) {
    const { width, height } = this.size();
    const x = px ?? width / 2;
    const y = py ?? height / 2;
    const scale = Math.min(MAX_SCALE, Math.max(MIN_SCALE, this.scale * factor));
    this.tx = x - (x - this.tx) * scale / this.scale;
    this.ty = y - (y - this.ty) * scale / this.scale;
    this.scale = scale;
    this.changed();
  }

  changed() {
    this.request();
    clearTimeout(this.settle);
    this.settle = setTimeout(() => this.onChange(), 120);
  }

  readable() { return this.scale >= TEXT_SCALE; }

  // The channels whose boxes are in view, in scene order.
  inView() {
    const [x0, y0, x1, y1] = this.viewRect();
    const found = [];
    if (!this.graph) return found;
    const g = this.graph;
    for (let n = 0; n < g.count; ++n) {
      if (!this.isShown(n)) continue;
      const x = this.boxX(n);
      const y = this.boxY(n);
      if (x <= x1 && x + g.w[n] >= x0 && y <= y1 && y + g.h[n] >= y0) found.push(n);
    }
    return found;
  }

  // The channel whose box holds the canvas point (px, py), or null.
  channelAt(px, py) {
    if (!this.graph) return null;
    const x = (px - this.tx) / this.scale;
    const y = (py - this.ty) / this.scale;
    const g = this.graph;
    for (let n = g.count - 1; n >= 0; --n) {
      if (!this.isShown(n)) continue;
      const bx = this.boxX(n);
      const by = this.boxY(n);
      if (x >= bx && x <= bx + g.w[n] && y >= by && y <= by + g.h[n]) return n;
    }
    return null;
  }

  request() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      this.draw();
    });
  }

  draw() {
    const c = this.context;
    c.setTransform(1, 0, 0, 1, 0, 0);
    c.clearRect(0, 0, this.canvas.width, this.canvas.height);
    if (!this.graph) return;
    c.setTransform(this.ratio * this.scale, 0, 0, this.ratio * this.scale,
      this.ratio * this.tx, this.ratio * this.ty);
    const visible = this.inView();
    drawLinks(this, c);
    drawBoxes(this, c, visible);
    if (this.readable()) for (const n of visible) drawBoxText(this, c, n, this.boxX(n), this.boxY(n));
    this.drawnBoxes = visible.length;
    c.setTransform(this.ratio, 0, 0, this.ratio, 0, 0);
    c.font = '11px sans-serif';
    c.fillStyle = '#222';
    c.fillText(this.heading, 8, 14);
  }
}

// Where a link starts on its child's box and ends at its parent's socket.
function linkEnds(view, e) {
  const g = view.graph;
  const parent = g.links.parent[e];
  const child = g.links.child[e];
  return [view.boxX(child) + g.w[child], view.boxY(child) + g.h[child] / 2,
    view.boxX(parent), view.boxY(parent) + g.metrics.socket + g.metrics.line * g.links.socket[e]];
}

const LINK_STYLES = [
  { test: (f) => f & LINK.cycle, stroke: '#ff7f0e', dash: [] },
  { test: (f) => f & LINK.internal, stroke: '#9467bd', dash: [2, 3] },
  { test: (f) => f & LINK.unread, stroke: '#999', dash: [6, 4] },
  { test: () => true, stroke: '#444', dash: [] },
];

function styleOf(flags) {
  return LINK_STYLES.findIndex((style) => style.test(flags));
}

// The links in view, one path per style; the server's routes where it sent them and the
// picture is whole, else a curve from the child to the socket.
function drawLinks(view, c) {
  const g = view.graph;
  const [x0, y0, x1, y1] = view.viewRect();
  const paths = LINK_STYLES.map(() => new Path2D());
  const heads = new Path2D();
  const routed = g.routes && !view.focus;
  for (let e = 0; e < g.links.count; ++e) {
    if (!view.isShown(g.links.parent[e]) || !view.isShown(g.links.child[e])) continue;
    const [ax, ay, bx, by] = linkEnds(view, e);
    const path = paths[styleOf(g.links.flags[e])];
    if (routed) {
      const route = g.routes[e];
      let [lx, ly, hx, hy] = [Infinity, Infinity, -Infinity, -Infinity];
      for (let p = 0; p < route.length; p += 2) {
        lx = Math.min(lx, route[p]); hx = Math.max(hx, route[p]);
        ly = Math.min(ly, route[p + 1]); hy = Math.max(hy, route[p + 1]);
      }
      if (lx > x1 || hx < x0 || ly > y1 || hy < y0) continue;
      path.moveTo(route[0], route[1]);
      for (let p = 2; p < route.length; p += 2) path.lineTo(route[p], route[p + 1]);
      arrowHead(heads, route[route.length - 4], route[route.length - 3], route[route.length - 2],
        route[route.length - 1]);
      continue;
    }
    if (Math.min(ax, bx) - 200 > x1 || Math.max(ax, bx) + 200 < x0 ||
        Math.min(ay, by) > y1 || Math.max(ay, by) < y0) continue;
    path.moveTo(ax, ay);
    if (!view.readable()) {
      path.lineTo(bx, by);
      continue;
    }
    const bend = Math.max(40, Math.abs(bx - ax) / 2);
    path.bezierCurveTo(ax + bend, ay, bx - bend, by, bx, by);
    arrowHead(heads, bx - 10, by, bx, by);
  }
  c.lineWidth = 1 / Math.max(view.scale, 0.25);
  LINK_STYLES.forEach((style, i) => {
    c.strokeStyle = style.stroke;
    c.setLineDash(style.dash);
    c.stroke(paths[i]);
  });
  c.setLineDash([]);
  if (view.readable()) {
    c.fillStyle = '#444';
    c.fill(heads);
  }
}

function arrowHead(path, fromX, fromY, x, y) {
  const angle = Math.atan2(y - fromY, x - fromX);
  const size = 7;
  path.moveTo(x, y);
  path.lineTo(x - size * Math.cos(angle - 0.45), y - size * Math.sin(angle - 0.45));
  path.lineTo(x - size * Math.cos(angle + 0.45), y - size * Math.sin(angle + 0.45));
  path.closePath();
}

function boxColours(view, n) {
  const g = view.graph;
  const flags = g.flags[n];
  const { selected, changed, added } = view.marks;
  let fill = flags & NODE.quantifier ? '#f4f8ff' : '#fff';
  let stroke = '#555';
  let width = flags & NODE.shared ? 3 : 1;
  if (flags & NODE.warned) [stroke, width] = ['#d62728', 2.5];
  if (changed.has(n)) fill = '#fff1c2';
  if (added.has(n)) fill = '#dff5df';
  if (selected === n) [stroke, width] = ['#ff7f0e', 4];
  return { fill, stroke, width };
}

// The boxes, one path per look, so that a whole scene in view is a few calls to the canvas.
function drawBoxes(view, c, visible) {
  const g = view.graph;
  const looks = new Map();
  const stripes = GROUP_COLOURS.map(() => new Path2D());
  const round = view.scale * 4 >= 1;
  for (const n of visible) {
    const { fill, stroke, width } = boxColours(view, n);
    const key = fill + stroke + width;
    if (!looks.has(key)) looks.set(key, { fill, stroke, width, path: new Path2D() });
    const x = view.boxX(n);
    const y = view.boxY(n);
    const path = looks.get(key).path;
    if (round) path.roundRect(x, y, g.w[n], g.h[n], 4); else path.rect(x, y, g.w[n], g.h[n]);
    if (g.group[n] >= 0) stripes[g.group[n] % GROUP_COLOURS.length].rect(x, y, 4, g.h[n]);
  }
  for (const { fill, stroke, width, path } of looks.values()) {
    c.fillStyle = fill;
    c.fill(path);
    c.lineWidth = Math.max(width, 1 / view.scale);
    c.strokeStyle = stroke;
    c.stroke(path);
  }
  stripes.forEach((path, i) => {
    c.fillStyle = GROUP_COLOURS[i];
    c.fill(path);
  });
}

// The box's lines where the picture draws them: name, kind, sockets, value, counts, sparkline.
function drawBoxText(view, c, n, x, y) {
  const g = view.graph;
  const { line, pad, socket } = g.metrics;
  const room = g.w[n] - 2 * pad;
  const flags = g.flags[n];
  c.font = 'bold 11px sans-serif';
  c.fillStyle = flags & NODE.warned ? '#d62728' : '#222';
  c.fillText(fitted(c, g.titles[n] ?? g.names[n], room), x + pad, y + 15);
  c.font = '11px sans-serif';
  c.fillStyle = '#222';
  c.fillText(fitted(c, g.texts[g.kind[n]], room), x + pad, y + 15 + line);
  for (let s = g.socketStart[n]; s < g.socketStart[n + 1]; ++s) {
    const label = g.sockets[s];
    const missing = label < 0;
    const cy = y + socket + line * (s - g.socketStart[n]);
    c.beginPath();
    c.arc(x, cy, 3, 0, 2 * Math.PI);
    c.fillStyle = missing ? '#d62728' : '#fff';
    c.fill();
    c.strokeStyle = missing ? '#d62728' : '#444';
    c.lineWidth = 1;
    c.stroke();
    c.fillStyle = '#333';
    const word = missing ? 'missing' : '';
    c.fillText(fitted(c, g.texts[missing ? -1 - label : label],
      room - (missing ? 8 * CHAR_WIDTH : 0)), x + pad, cy + 4);
    if (missing) {
      c.font = 'bold 11px sans-serif';
      c.fillStyle = '#d62728';
      c.textAlign = 'end';
      c.fillText(word, x + g.w[n] - pad, cy + 4);
      c.textAlign = 'start';
      c.font = '11px sans-serif';
    }
  }
  const lines = view.values.get(n);
  if (!lines) return;
  c.fillStyle = '#222';
  let row = y + g.valueTop[n];
  lines.rows.forEach((text, v) => {
    const indent = v ? 2 * CHAR_WIDTH : 0;
    c.fillText(fitted(c, text, room - indent), x + pad + indent, row);
    row += line;
  });
  if (lines.counts !== null) c.fillText(fitted(c, lines.counts, room), x + pad, row);
  const spark = view.sparks.get(n);
  if (spark) drawSpark(c, spark, view.column?.(spark.length), x + pad, y + g.sparkTop[n], room, g.metrics.spark - 10);
}

// The sparkline as the picture draws it: per column from its lowest value to its highest, the
// column of the frame shown marked.
export function drawSpark(c, columns, mark, x, y, width, height) {
  let least = Infinity;
  let most = -Infinity;
  for (const column of columns) {
    if (column === null) continue;
    least = Math.min(least, column[0]);
    most = Math.max(most, column[1]);
  }
  c.fillStyle = '#f7f7f7';
  c.fillRect(x - 2, y - 2, width + 4, height + 4);
  if (!(least <= most)) return;
  const range = most > least ? most - least : 1;
  const step = columns.length > 1 ? width / (columns.length - 1) : 0;
  const at = (value) => y + height - (value - least) / range * height;
  const path = new Path2D();
  let started = false;
  let dot = null;
  columns.forEach((column, i) => {
    if (column === null) return;
    const cx = columns.length > 1 ? x + step * i : x + width / 2;
    if (started) path.lineTo(cx, at(column[0])); else path.moveTo(cx, at(column[0]));
    started = true;
    if (column[1] !== column[0]) path.lineTo(cx, at(column[1]));
    if (i === mark) dot = [cx, at(column[1])];
  });
  c.strokeStyle = '#1f77b4';
  c.lineWidth = 1.5;
  c.lineJoin = 'round';
  c.stroke(path);
  if (dot) {
    c.beginPath();
    c.arc(dot[0], dot[1], 2.5, 0, 2 * Math.PI);
    c.fillStyle = '#d62728';
    c.fill();
  }
}
