// How the graph's parts are drawn on the canvas, as the runner's picture draws them: links by
// their style, boxes by their look, and once it can be read, each box's lines and sparkline.
'use strict';

const NODE = { quantifier: 1, warned: 2, shared: 4, spark: 8 };
const LINK = { unread: 1, internal: 2, cycle: 4 };
const GROUP_COLOURS = ['#1f77b4', '#2ca02c', '#9467bd', '#8c564b', '#e377c2', '#17becf',
  '#bcbd22', '#7f7f7f'];
const CHAR_WIDTH = 6.5;

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
export function drawLinks(view, c) {
  const g = view.graph;
  const [x0, y0, x1, y1] = view.viewRect();
  const paths = LINK_STYLES.map(() => new Path2D());
  const chosen = new Path2D();  // the links of the channel chosen, drawn over the others
  const heads = new Path2D();
  const routed = g.routes && !view.focus;
  for (let e = 0; e < g.links.count; ++e) {
    if (!view.isShown(g.links.parent[e]) || !view.isShown(g.links.child[e])) continue;
    const [ax, ay, bx, by] = linkEnds(view, e);
    const touches = g.links.parent[e] === view.marks.selected ||
      g.links.child[e] === view.marks.selected;
    const path = touches ? chosen : paths[styleOf(g.links.flags[e])];
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
  // Without their routes the links of a whole large scene cross its boxes: they stay faint, so
  // that the boxes read; a focus draws its few at full strength.
  c.globalAlpha = routed || view.focus ? 1 : 0.3;
  LINK_STYLES.forEach((style, i) => {
    c.strokeStyle = style.stroke;
    c.setLineDash(style.dash);
    c.stroke(paths[i]);
  });
  c.setLineDash([]);
  c.globalAlpha = 1;
  c.strokeStyle = '#ff7f0e';
  c.stroke(chosen);
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
export function drawBoxes(view, c, visible) {
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
export function drawBoxText(view, c, n, x, y) {
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
