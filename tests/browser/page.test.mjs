// The live page of quantifier-run --serve in Debian's headless Chromium: what it shows, the
// slider, an explanation, saves (timed), a broken save, a restart. Prints the measured figures.
//   node page.test.mjs QUANTIFIER_RUN [--screenshot PNG] [--figures]
import { chromium } from 'playwright-core';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';

const runner = path.resolve(process.argv[2] ?? '../../build/default/bin/quantifier-run');
const screenshot = process.argv.includes('--screenshot')
  ? path.resolve(process.argv[process.argv.indexOf('--screenshot') + 1]) : null;
const figures = process.argv.includes('--figures');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quantifier-page-'));
const servers = new Set();

// A scene of `counters` wrapping counters (each its own step) over `frames` frames, a channel
// whose name is markup, and a quantifier without its children (a warning).
function sceneText({ counters, frames, bump = 0 }) {
  const channels = [
    { name: 'zero', type: 'float', value: 0 },
    { name: 'hundred', type: 'float', value: 100 },
    { name: '<img src=x onerror="window.injected=1">', type: 'float', value: 7 },
    { name: 'lonely', type: 'quantifier', operation: 'Toggle', children: [] },
  ];
  for (let i = 0; i < counters; ++i) {
    channels.push({ name: `step${i}`, type: 'float', value: i + 1 + bump });
    channels.push({ name: `c${i}`, type: 'quantifier', operation: 'WrapAccumulate',
      children: ['zero', 'hundred', `step${i}`] });
  }
  return JSON.stringify({ frames, channels, outputs: ['c0', 'c1'] }, null, 1);
}

function startServer(scene, extra = []) {
  const child = spawn(runner, ['--serve', ...extra, scene], { stdio: ['ignore', 'ignore', 'pipe'] });
  servers.add(child);
  child.exited = new Promise((resolve) => child.on('exit', (code) => {
    servers.delete(child);
    resolve(code);
  }));
  return new Promise((resolve, reject) => {
    let err = '';
    child.stderr.on('data', (chunk) => {
      err += chunk;
      const found = err.match(/serving the scene on (http:\/\/127\.0\.0\.1:(\d+)\/)/);
      if (found && !child.url) {
        child.url = found[1];
        child.port = Number(found[2]);
        resolve(child);
      }
    });
    child.on('exit', (code) => reject(new Error(`the server left with ${code}: ${err}`)));
  });
}

async function stopServer(child) {
  child.kill('SIGINT');
  return child.exited;
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// The rows a plain run writes, to hold the page's values against.
function plainRows(scene) {
  const run = spawnSync(runner, ['--format', 'json', scene], { encoding: 'utf8' });
  assert.equal(run.status, 0, run.stderr);
  return JSON.parse(run.stdout).frames;
}

const generation = (page) => page.evaluate(() => Number(document.body.dataset.generation ?? -1));

async function waitForGeneration(page, wanted) {
  await page.waitForFunction((n) => Number(document.body.dataset.generation) >= n, wanted,
    { timeout: 10000 });
}

// The value line of channel `name` as the page shows it at `frame`: found, so that it is in view.
async function valueOf(page, name, frame) {
  await page.evaluate((n) => window.quantifierPage.find(n), name);
  const shown = await page.waitForFunction(([n, f]) => {
    const { view, channel } = window.quantifierPage;
    const lines = view.values.get(channel(n));
    return document.body.dataset.frame === String(f) && lines && lines.rows[0];
  }, [name, frame], { timeout: 10000 });
  return shown.jsonValue();
}

// Where channel `n`'s box stands on the page, in the page's pixels.
function boxPoint(page, n) {
  return page.evaluate((c) => {
    const { view } = window.quantifierPage;
    const canvas = view.canvas.getBoundingClientRect();
    return [canvas.left + view.tx + (view.boxX(c) + view.graph.w[c] / 2) * view.scale,
      canvas.top + view.ty + (view.boxY(c) + 20) * view.scale];
  }, n);
}

let context = null;

async function main() {
  // A fresh profile each time.
  context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(work, 'profile-')), {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic'],
    viewport: { width: 1400, height: 1000 },
  });
  const scene = path.join(work, 'scene.json');
  fs.writeFileSync(scene, sceneText({ counters: 48, frames: 40 }));  // 100 channels
  const rows = plainRows(scene);
  let server = await startServer(scene);
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));

  // The graph, the warnings and the charts; the name that is markup stays text.
  await page.goto(server.url);
  await waitForGeneration(page, 1);
  const boxes = () => page.evaluate(() => window.quantifierPage.view.graph.count);
  assert.equal(await boxes(), 100);
  assert.equal(await page.locator('#charts svg').count(), 1);
  assert.match(await page.locator('#warnings').textContent(), /lonely/);
  await page.locator('#search').fill('<img');
  assert.match(await page.locator('#names option').first().getAttribute('value'), /^<img src=x/);
  assert.equal(await page.evaluate(() => document.querySelectorAll('img').length), 0);
  assert.equal(await page.evaluate(() => window.injected), undefined);
  assert.match(await page.locator('#status').textContent(), /40 frames in \d+ ms/);

  // The slider: the values at the frame chosen, as a plain run writes them, and the charts'
  // mark moved.
  const markX = () => page.locator('#frame-mark').getAttribute('x1');
  const lastMark = await markX();
  for (const frame of [5, 0, 23]) {
    await page.locator('#frame').fill(String(frame));
    await page.waitForFunction((f) => document.body.dataset.frame === String(f), frame);
    assert.equal(await valueOf(page, 'c0', frame), `= ${rows[frame].values[0]}`);
    assert.equal(await valueOf(page, 'c1', frame), `= ${rows[frame].values[1]}`);
    assert.notEqual(await markX(), lastMark);
  }

  // A channel clicked: its explanation at the frame chosen, its result last, and its chart.
  await page.mouse.click(...await boxPoint(page, 7));
  await page.waitForFunction(() => document.getElementById('explain').dataset.channel === '7');
  const explained = await page.locator('#explain').textContent();
  assert.match(explained, /At frame 23:/);
  assert.match(explained, /"c1" \(quantifier, WrapAccumulate\) = /);
  assert.match(explained, /step \(float 2\): "step1" = 2/);
  assert.match(explained, new RegExp(`result: ${rows[23].values[1]}$`));
  await page.waitForFunction(() => document.getElementById('channel-chart').dataset.channel === '7');
  await page.keyboard.press('Escape');

  // The explanation links to the operation's page in the reference the server carries, written
  // from its Markdown with the cases' tables, the chart and the links to the other pages.
  const about = page.locator('#explain a.reference').first();
  assert.equal(await about.textContent(), 'about WrapAccumulate');
  const reference = await context.newPage();
  reference.on('pageerror', (error) => problems.push(error.message));
  await reference.goto(new URL(await about.getAttribute('href'), server.url).href);
  await reference.waitForFunction(() => document.body.dataset.page === '09-WrapAccumulate.md');
  assert.equal(await reference.locator('#reference h1').textContent(), '9 WrapAccumulate');
  assert.ok(await reference.locator('#reference table').count() >= 3);
  assert.ok(await reference.locator('#reference img').evaluate((img) => img.naturalWidth > 0));
  assert.equal(await reference.locator('#reference a[href="/reference/?page=CONVENTIONS.md#children"]')
    .count(), 1);
  await reference.close();

  // Saves: each shows on the page by itself; timed from the write to the new picture.
  const took = [];
  for (let save = 1; save <= (figures ? 20 : 5); ++save) {
    const before = await generation(page);
    const start = performance.now();
    fs.writeFileSync(scene, sceneText({ counters: 48, frames: 40, bump: save }));
    await waitForGeneration(page, before + 1);
    took.push(performance.now() - start);
    assert.equal(await valueOf(page, 'step0', 23), `= ${1 + save}`);
    // Every step changed, and with it every counter but those that wrapped to the same values.
    assert.match(await page.locator('#changes').textContent(), /^\d+ channels changed$/);
    assert.ok(Number(await page.evaluate(() => document.body.dataset.changed)) >= 48);
  }
  console.log(`save -> page updated, 100 channels: median ${median(took).toFixed(0)} ms, ` +
    `most ${Math.max(...took).toFixed(0)} ms over ${took.length} saves`);

  // A broken save: its error shows, the last good graph and charts stay.
  const good = await generation(page);
  fs.writeFileSync(scene, '{"frames": 3, "channels": [');
  await page.waitForFunction(() => document.body.dataset.error === 'yes', null, { timeout: 10000 });
  assert.match(await page.locator('#error').textContent(), /scene\.json/);
  assert.equal(await boxes(), 100);
  assert.equal(await page.locator('#charts svg').count(), 1);
  assert.equal(await generation(page), good);
  fs.writeFileSync(scene, sceneText({ counters: 48, frames: 40 }));
  await waitForGeneration(page, good + 1);
  assert.equal(await page.locator('#error').isHidden(), true);

  // A second tab sees the same; a restart of the server on the same port reconnects both.
  const other = await context.newPage();
  await other.goto(server.url);
  await waitForGeneration(other, 1);
  const port = server.port;
  assert.equal(await stopServer(server), 0);
  await page.waitForFunction(() => document.body.dataset.connected === 'no');
  server = await startServer(scene, [String(port)]);
  for (const tab of [page, other]) {
    await tab.waitForFunction(() => document.body.dataset.connected === 'yes', null,
      { timeout: 10000 });
  }
  for (const tab of [page, other]) await tab.evaluate(() => window.quantifierPage.find('step0'));
  fs.writeFileSync(scene, sceneText({ counters: 48, frames: 40, bump: 50 }));
  for (const tab of [page, other]) {
    await tab.waitForFunction(() => window.quantifierPage.view.values.get(4)?.rows[0] === '= 51',
      null, { timeout: 10000 });
  }
  await other.close();

  await largeScene(context, problems);
  if (figures) await measure(context, server);
  assert.equal(await stopServer(server), 0);

  if (screenshot) await takeScreenshot(context);
  assert.deepEqual(problems, []);
  await context.close();
  console.log('page tests passed');
}

// A generated scene of 10,000 channels, as authors build them: its rows by channel name.
function generated(count, edit = (scene) => scene) {
  const script = new URL('../../scripts/generate-graph-scene.py', import.meta.url);
  const made = spawnSync('python3', [script.pathname, String(count)],
    { encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(made.status, 0, made.stderr);
  return JSON.stringify(edit(JSON.parse(made.stdout)));
}

function valuesByName(scene) {
  const run = spawnSync(runner, ['--format', 'json', scene], { encoding: 'utf8',
    maxBuffer: 1 << 28 });
  assert.equal(run.status, 0, run.stderr);
  const { outputs, frames } = JSON.parse(run.stdout);
  return new Map(outputs.map((name, i) => [name, JSON.stringify(frames.map((f) => f.values[i]))]));
}

const pageState = (page) => page.evaluate(() => {
  const { view } = window.quantifierPage;
  return { scale: view.scale, focus: view.focus?.shown.size ?? 0, drawn: view.drawnBoxes,
    values: view.values.size, inView: view.readable() ? view.inView().length : 0 };
});

// Search, focus, zoom, fit and the slider on a 10,000-channel scene, then a save whose changes
// are marked: the channels whose values differ from a plain run of each scene, one added, one
// removed.
async function largeScene(context, problems) {
  const scene = path.join(work, 'large.json');
  fs.writeFileSync(scene, generated(10000));
  const server = await startServer(scene);
  while ((await (await fetch(server.url + 'api/status')).json()).generation < 1)
    await new Promise((resolve) => setTimeout(resolve, 50));
  const page = await context.newPage();
  page.on('pageerror', (error) => problems.push(error.message));
  let bytes = 0;
  page.on('response', async (response) => {
    if (!response.url().endsWith('/events')) bytes += (await response.body().catch(() => '')).length;
  });
  const start = performance.now();
  await page.goto(server.url);
  await waitForGeneration(page, 1);
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
  figure(`first view, 10,000 channels: ${(performance.now() - start).toFixed(0)} ms, ` +
    `${bytes} bytes received`);
  assert.ok((await pageState(page)).drawn > 1000);

  // Search: suggestions as one types, Enter centres and highlights the channel.
  await page.locator('#search').fill('q1523_49');
  const offered = await page.locator('#names option').evaluateAll((all) => all.map((o) => o.value));
  assert.ok(offered.includes('q1523_4999') && offered.every((name) => name.includes('q1523_49')));
  await page.locator('#search').fill('q1523_4999');
  await page.keyboard.press('Enter');
  const found = await page.evaluate(() => window.quantifierPage.channel('q1523_4999'));
  await page.waitForFunction((n) => document.body.dataset.found === String(n), found);
  await page.waitForFunction(() => Number(document.body.dataset.values) > 0);
  let state = await pageState(page);
  assert.ok(state.scale >= 1);
  // The values asked for are those in view, not the scene's.
  assert.ok(state.values > 0 && state.values <= state.inView, JSON.stringify(state));

  // The slider, timed from the move to the values shown.
  const steps = [];
  for (const frame of [0, 2, 1, 3, 0]) {
    const moved = performance.now();
    await page.locator('#frame').fill(String(frame));
    await page.waitForFunction((f) => document.body.dataset.frame === String(f), frame);
    steps.push(performance.now() - moved);
  }
  figure(`slider step, 10,000 channels: median ${median(steps).toFixed(0)} ms ` +
    '(of which 60 ms is the page\'s wait for the slider to rest)');

  // Focus by a click: the channel, what it reads and what reads it; zoom, fit, the way back.
  await page.mouse.click(...await boxPoint(page, found));
  await page.waitForFunction((n) => document.body.dataset.focus === String(n), found);
  state = await pageState(page);
  assert.ok(state.focus > 1 && state.drawn === state.focus, JSON.stringify(state));
  await page.locator('#graph').focus();
  await page.keyboard.press('+');
  assert.ok((await pageState(page)).scale > state.scale);
  await page.keyboard.press('0');
  assert.ok(Math.abs((await pageState(page)).scale - state.scale) < 1e-6);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.body.dataset.focus === '');
  const whole = (await pageState(page)).scale;
  await page.mouse.move(400, 400);
  await page.mouse.wheel(0, 400);
  await page.waitForFunction((s) => window.quantifierPage.view.scale < s, whole);
  figure(`pan or zoom frame, 10,000 channels: ${await drawTimes(page)}`);

  // A save: one float changed, one channel added, an unread one removed.
  const before = valuesByName(scene);
  const generationBefore = await generation(page);
  fs.writeFileSync(scene, generated(10000, (edited) => {
    edited.channels.find((c) => c.name === 'f3').value = 4.5;
    edited.channels.push({ name: 'added', type: 'float', value: 1 });
    edited.channels = edited.channels.filter((c) => c.name !== 'v256');
    return edited;
  }));
  await waitForGeneration(page, generationBefore + 1);
  const after = valuesByName(scene);
  const changed = 1 + [...after].filter(([name, values]) => before.get(name) !== values).length;
  assert.equal(await page.locator('#changes').textContent(),
    `${changed} channels changed, 1 added, 1 removed (v256)`);
  const marks = await page.evaluate(() => {
    const { view, channel } = window.quantifierPage;
    return { f3: view.marks.changed.has(channel('f3')), added: [...view.marks.added] };
  });
  assert.deepEqual(marks, { f3: true, added: [9999] });
  figure(`tab memory, 10,000 channels: ${rendererMemory()} kB (the largest renderer's resident)`);
  await page.close();
  await stopServer(server);
}

function figure(line) {
  if (figures) console.log(line);
}

// The time to draw one frame of the graph after a pan and after a zoom, at the fit and zoomed in.
function drawTimes(page) {
  return page.evaluate(() => {
    const { view } = window.quantifierPage;
    const times = [];
    view.fit();
    for (let i = 0; i < 40; ++i) {
      const start = performance.now();
      if (i % 2) view.panBy(3, 2); else view.zoomBy(i % 4 ? 1.02 : 0.98);
      view.draw();
      times.push(performance.now() - start);
    }
    times.sort((a, b) => a - b);
    return `median ${times[20].toFixed(1)} ms, most ${times[39].toFixed(1)} ms over 40 frames at the fit`;
  });
}

// Whether a process or one it descends from was started with `text` on its command line.
function startedWith(pid, text) {
  for (let at = pid; at > 1;) {
    if (fs.readFileSync(`/proc/${at}/cmdline`, 'utf8').includes(text)) return true;
    at = Number(fs.readFileSync(`/proc/${at}/status`, 'utf8').match(/PPid:\s+(\d+)/)[1]);
  }
  return false;
}

// The resident memory of this test's Chromium renderers, the largest: the tab of the graph.
function rendererMemory() {
  let most = 0;
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!command.includes('--type=renderer') || !startedWith(pid, work)) continue;
      const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
      most = Math.max(most, Number(status.match(/VmRSS:\s+(\d+)/)[1]));
    } catch (error) {
      // a process that ended meanwhile
    }
  }
  return most;
}

// The figures the documentation gives: a 200-channel first view, one view of a million frames,
// memory while ten tabs watch.
async function measure(context, server) {
  const rss = (pid) => Number(fs.readFileSync(`/proc/${pid}/status`, 'utf8')
    .match(/VmRSS:\s+(\d+)/)[1]);
  const pages = [];
  for (let i = 0; i < 10; ++i) {
    const tab = await context.newPage();
    await tab.goto(server.url);
    await waitForGeneration(tab, 1);
    pages.push(tab);
  }
  const serving = rss(server.pid);
  const scene = path.join(work, 'scene.json');
  const plain = spawnSync('/usr/bin/time', ['-f', '%M', runner, '--format', 'svg', scene],
    { encoding: 'utf8' });
  const plainKb = Number(plain.stderr.trim().split('\n').pop());
  console.log(`resident memory serving 10 tabs: ${serving} kB; a plain run: ${plainKb} kB`);
  for (const tab of pages) await tab.close();

  const big = path.join(work, 'big.json');
  fs.writeFileSync(big, sceneText({ counters: 98, frames: 40 }));
  const bigServer = await startServer(big);
  const tab = await context.newPage();
  const start = performance.now();
  await tab.goto(bigServer.url);
  await waitForGeneration(tab, 1);
  console.log(`first view, 200 channels: ${(performance.now() - start).toFixed(0)} ms`);
  await tab.close();
  await stopServer(bigServer);

  const long = await startServer(scene, ['--frames', '1000000']);
  const runStart = performance.now();
  while ((await (await fetch(long.url + 'api/status')).json()).generation < 1)
    await new Promise((resolve) => setTimeout(resolve, 50));
  console.log(`a 1,000,000-frame run of 100 channels: ${(performance.now() - runStart).toFixed(0)} ms`);
  let bytes = 0;
  const every = Array.from({ length: 100 }, (_, i) => i).join(',');
  for (const asked of ['', 'page.js', 'graph.js', 'draw.js', 'focus.js', 'controls.js', 'page.css',
    'api/view', `api/frame?n=500000&channels=${every}`, 'api/explain?channel=7&frame=500000']) {
    const response = await fetch(long.url + asked);
    assert.equal(response.status, 200);
    bytes += (await response.arrayBuffer()).byteLength;
  }
  const frameStart = performance.now();
  await fetch(long.url + `api/frame?n=999998&channels=${every}`);
  console.log(`one view of a 1,000,000-frame run: ${bytes} bytes; values at frame 999998 in ` +
    `${(performance.now() - frameStart).toFixed(0)} ms`);
  await stopServer(long);
}

// The picture the README shows: the wrapping counter at a frame, its counter explained.
async function takeScreenshot(context) {
  const example = path.join(work, 'wrapping-counter.json');
  const source = path.join(path.dirname(runner), '../../../examples/wrapping-counter.json');
  fs.copyFileSync(fs.existsSync(source) ? source
    : new URL('../../examples/wrapping-counter.json', import.meta.url), example);
  const server = await startServer(example);
  const page = await context.newPage();
  await page.setViewportSize({ width: 1300, height: 900 });
  await page.goto(server.url);
  await waitForGeneration(page, 1);
  await page.locator('#frame').fill('8');
  await page.waitForFunction(() => document.body.dataset.frame === '8');
  await page.evaluate(() => window.quantifierPage.find('counter'));
  await page.waitForFunction(() => document.getElementById('explain').dataset.frame === '8');
  await page.keyboard.press('0');
  await page.waitForFunction(() => document.body.dataset.values === '5');
  await page.screenshot({ path: screenshot, fullPage: true });
  await stopServer(server);
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
}).finally(async () => {
  for (const child of servers) child.kill('SIGKILL');
  await context?.close();
  fs.rmSync(work, { recursive: true, force: true });
});
