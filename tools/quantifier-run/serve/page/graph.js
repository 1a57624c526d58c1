// The scene's graph on a canvas: the boxes, sockets and links the server laid out, drawn as the
// runner's own picture draws them, but only what is in view and only as much detail as the zoom
// can show. Pans, zooms and fits; marks the channels the page asks it to.
'use strict';

import { drawLinks, drawBoxes, drawBoxText } from './draw.js';

const NODE_FIELDS = 10;  // x, y, width, height, valueTop, sparkTop, flags, kind, group, sockets
export const NODE = { quantifier: 1, warned: 2, shared: 4, spark: 8 };
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
    c.fillStyle = 'rgba(255, 255, 255, 0.85)';
    c.fillRect(4, 2, c.measureText(this.heading).width + 8, 16);
    c.fillStyle = '#222';
    c.fillText(this.heading, 8, 14);
  }
}

