// A channel's neighbourhood: what it reads and what reads it, to a depth, laid out on its own as
// the picture lays out a scene: what is read to the left, its readers to the right.
'use strict';

const GAP_X = 70;
const GAP_Y = 18;

// Each channel within `depth` links of `channel`, with its column: negative for what it reads,
// positive for its readers. A channel reached both ways keeps the way found first.
function reach(graph, channel, depth) {
  const column = new Map([[channel, 0]]);
  for (const [next, sign] of [[graph.children, -1], [graph.readers, 1]]) {
    let wave = [channel];
    for (let d = 1; d <= depth && wave.length; ++d) {
      const following = [];
      for (const n of wave) {
        for (const m of next[n]) {
          if (column.has(m)) continue;
          column.set(m, sign * d);
          following.push(m);
        }
      }
      wave = following;
    }
  }
  return column;
}

// The neighbourhood of `channel` to `depth`, placed in columns; within a column in the order of
// the whole picture, so that the two read alike.
export function focusOn(graph, channel, depth) {
  const column = reach(graph, channel, depth);
  const columns = new Map();
  for (const [n, c] of column) {
    if (!columns.has(c)) columns.set(c, []);
    columns.get(c).push(n);
  }
  const x = new Map();
  const y = new Map();
  let left = 0;
  for (const c of [...columns.keys()].sort((a, b) => a - b)) {
    const members = columns.get(c).sort((a, b) => graph.y[a] - graph.y[b] || a - b);
    let top = 0;
    let widest = 0;
    for (const n of members) {
      x.set(n, left);
      y.set(n, top);
      top += graph.h[n] + GAP_Y;
      widest = Math.max(widest, graph.w[n]);
    }
    // Each column stands centred on the channel's row.
    const shift = -top / 2;
    for (const n of members) y.set(n, y.get(n) + shift);
    left += widest + GAP_X;
  }
  return { channel, depth, shown: new Set(column.keys()), x, y };
}
