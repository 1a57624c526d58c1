// How a person moves about the graph: drag to pan, the wheel or two fingers to zoom, keys for
// zoom, fit and the way back, a click to focus, and the search box with its suggestions.
'use strict';

const CLICK_SLOP = 4;  // pixels a press may move and still be a click
const SUGGESTIONS = 20;

// Pointers down on the canvas: one pans, two pinch; one that barely moved is a click.
export function attachPointer(view, canvas, actions) {
  const down = new Map();
  let moved = 0;
  let pinch = null;
  const point = (event) => {
    const box = canvas.getBoundingClientRect();
    return [event.clientX - box.left, event.clientY - box.top];
  };
  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    down.set(event.pointerId, point(event));
    moved = 0;
    pinch = null;
  });
  canvas.addEventListener('pointermove', (event) => {
    const at = point(event);
    if (!down.has(event.pointerId)) return actions.hover(view.channelAt(...at));
    const [px, py] = down.get(event.pointerId);
    down.set(event.pointerId, at);
    if (down.size === 2) {
      const [a, b] = [...down.values()];
      const distance = Math.hypot(a[0] - b[0], a[1] - b[1]);
      if (pinch) view.zoomBy(distance / pinch, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2);
      pinch = distance;
      moved += CLICK_SLOP;
      return;
    }
    moved += Math.abs(at[0] - px) + Math.abs(at[1] - py);
    view.panBy(at[0] - px, at[1] - py);
  });
  const up = (event) => {
    if (!down.has(event.pointerId)) return;
    down.delete(event.pointerId);
    if (down.size === 0 && moved < CLICK_SLOP && event.type === 'pointerup') {
      const channel = view.channelAt(...point(event));
      if (channel !== null) actions.click(channel);
    }
  };
  canvas.addEventListener('pointerup', up);
  canvas.addEventListener('pointercancel', up);
  canvas.addEventListener('wheel', (event) => {
    event.preventDefault();
    view.zoomBy(Math.exp(-event.deltaY * 0.0015), ...point(event));
  }, { passive: false });
}

// Keys anywhere but in a text field: + and - zoom, 0 and f fit, / finds, Escape goes back.
export function attachKeys(view, search, actions) {
  document.addEventListener('keydown', (event) => {
    const typing = event.target instanceof HTMLInputElement && event.target.type !== 'range';
    if (event.key === 'Escape') {
      if (typing) search.blur();
      actions.back();
      return;
    }
    if (typing || event.ctrlKey || event.metaKey || event.altKey) return;
    const handled = {
      '+': () => view.zoomBy(1.25), '=': () => view.zoomBy(1.25),
      '-': () => view.zoomBy(0.8), '_': () => view.zoomBy(0.8),
      '0': () => view.fit(), 'f': () => view.fit(),
      '/': () => search.focus(),
    }[event.key];
    if (!handled) return;
    event.preventDefault();
    handled();
  });
}

// Names that begin with what was typed come first, then names that hold it, each in scene order.
export function suggest(names, typed, most = SUGGESTIONS) {
  const wanted = typed.toLowerCase();
  if (!wanted) return [];
  const starts = [];
  const holds = [];
  for (const name of names) {
    const lower = name.toLowerCase();
    if (lower.startsWith(wanted)) {
      if (starts.push(name) >= most) break;
    } else if (holds.length < most && lower.includes(wanted)) {
      holds.push(name);
    }
  }
  return starts.concat(holds).slice(0, most);
}

// The search box: suggestions as one types; Enter or a suggestion chosen finds the channel.
export function attachSearch(search, list, names, find) {
  let suggested = [];
  search.addEventListener('input', (event) => {
    suggested = suggest(names(), search.value);
    list.replaceChildren(...suggested.map((name) => {
      const option = document.createElement('option');
      option.value = name;
      return option;
    }));
    // A suggestion picked from the list arrives as an input without a key.
    if (!(event instanceof InputEvent) && names().includes(search.value)) find(search.value);
  });
  search.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    const exact = names().includes(search.value);
    const name = exact ? search.value : suggested[0];
    if (name !== undefined) find(name);
  });
}
