// Figures of the web edition in the browser of the run (Debian's chromium
// headless, or firefox-esr in a window of its own; software WebGL in both): page load to the first intro frame, the runtime's start-up beside
// the desktop game's on the same machine (started in turn with the page
// loads, phase by phase), the frame interval over 600 frames of play, and
// the size of the site folder. Prints them; asserts nothing (speed targets
// are shown, not tested).
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  BROWSER, PROBE, Pointer, SCREEN_H, SCREEN_W, SITE, dismissNotice, frames, launchBrowser, startServer, until,
  waitProbe,
} from './harness.mjs';

const LOADS = 5;
const FRAMES = 600;
const START_GAME = { x: 512, y: 676 };

const LOAD_TARGET_MS = 2000;
const FPS_TARGET = 59.5;          // 60 held, allowing for the clock's grain
const P99_TARGET_MS = 20;
const SIZE_TARGET_MB = 8;
const START_RATIO_TARGET = 2;     // the browser's start-up at most twice the desktop's

// The desktop game of the same tree, started from a folder of its own with
// the two containers (as the browser has them), under a display of its own.
const DESKTOP = process.env.BUILD;
const XVFB = ['-a', '-s', '-screen 0 1024x768x24'];
const HEADLESS = { LIBGL_ALWAYS_SOFTWARE: '1', SDL_AUDIODRIVER: 'dummy', WEDGEWISE_AUTOMATED: '1' };

// A player's browser is open before the game's page is. A page loaded at
// once would meet the browser's own start-up on the machine's cores
// (chromium builds pages of its own user interface for a second or two
// after it starts), so each load waits until the browser's processes
// together use less than a tenth of one processor over half a second.
const SETTLE_SHARE = 0.1;
const SETTLE_WINDOW_MS = 500;
const SETTLE_POLL_MS = 50;
const SETTLE_LIMIT_MS = 30000;
const CLOCK_TICKS = Number(execFileSync('getconf', ['CLK_TCK'], { encoding: 'utf8' }));

function verdict(ok) { return ok ? 'met' : 'NOT met'; }

// The start-up table the program writes to the console at its first frame
// ("wedgewise: profile began at <ms>", "wedgewise: phase <key> <wall> <cpu>
// <faults>"); the page's clock starts with the page.
function startupPhases(lines) {
  const out = { phases: [] };
  for (const line of lines) {
    let m = /^wedgewise: profile began at ([\d.]+)/.exec(line);
    if (m) out.began = Number(m[1]);
    m = /^wedgewise: phase (\S+) ([\d.]+) /.exec(line);
    if (m) out.phases.push([m[1], Number(m[2])]);
  }
  return out;
}

// The desktop game's start to its first frame ("--frames 1"): its runtime
// start to the first intro frame on the screen, and the phase table it
// writes to stderr; null when it did not get there. Mesa keeps the code it
// builds for each kind of drawing in a cache on disk, so every start after
// the first is quicker; `emptyCache` starts with a cache of its own, empty,
// as a player's first start. (Chromium's software WebGL keeps no such cache:
// each of its starts builds that code again.)
function desktopStart(folder, emptyCache = false) {
  const cache = emptyCache ? fs.mkdtempSync(path.join(folder, 'cache-')) : null;
  const caching = cache ? { XDG_CACHE_HOME: cache, MESA_SHADER_CACHE_DIR: cache } : {};
  return new Promise((resolve) => {
    const child = spawn('xvfb-run', [...XVFB, path.join(folder, 'wedgewise'), '--windowed', '--frames', '1'], {
      cwd: folder, env: { ...process.env, ...HEADLESS, ...caching, TMPDIR: folder }, stdio: ['ignore', 'ignore', 'pipe'],
    });
    let text = '';
    child.stderr.on('data', (chunk) => { text += chunk; });
    child.on('error', () => resolve(null));
    child.on('close', () => {
      if (cache) fs.rmSync(cache, { recursive: true, force: true });
      const lines = text.split('\n');
      const table = startupPhases(lines);
      const shown = lines.map((l) => /^wedgewise: first frame shown at ([\d.]+) ms/.exec(l)).find((m) => m);
      if (!shown || table.began === undefined) resolve(null);
      else resolve({ start: Number(shown[1]) - table.began, phases: table.phases });
    });
  });
}

function desktopFolder() {
  if (!DESKTOP || !fs.existsSync(path.join(DESKTOP, 'wedgewise'))) return null;
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'wedgewise-desktop-start-'));
  for (const name of ['wedgewise', 'media.gfx', 'media.aud']) fs.copyFileSync(path.join(DESKTOP, name), path.join(folder, name));
  fs.chmodSync(path.join(folder, 'wedgewise'), 0o755);
  return folder;
}

// Processor time (ms) used so far by a process and every process under it.
function treeCpuMs(rootPid) {
  const own = new Map();
  const children = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
    } catch {
      continue;   // ended meanwhile
    }
    // The command may hold spaces and parentheses: the fields follow the last one.
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const pid = Number(name), parent = Number(fields[1]);
    own.set(pid, Number(fields[11]) + Number(fields[12]));   // user and system time, in clock ticks
    if (!children.has(parent)) children.set(parent, []);
    children.get(parent).push(pid);
  }
  let ticks = 0;
  for (const pending = [rootPid]; pending.length > 0;) {
    const pid = pending.pop();
    ticks += own.get(pid) || 0;
    pending.push(...(children.get(pid) || []));
  }
  return (ticks * 1000) / CLOCK_TICKS;
}

// Waits until the browser has settled (see SETTLE_SHARE); returns how long
// that took, or null if it was still busy after SETTLE_LIMIT_MS.
async function browserSettled(launched) {
  const pid = launched.browser.process()?.pid;
  if (!pid) return null;
  const begun = performance.now();
  const samples = [];
  while (performance.now() - begun < SETTLE_LIMIT_MS) {
    const now = performance.now();
    const cpu = treeCpuMs(pid);
    samples.push([now, cpu]);
    const base = samples.findLast(([at]) => now - at >= SETTLE_WINDOW_MS);
    if (base && (cpu - base[1]) / (now - base[0]) < SETTLE_SHARE) return now - begun;
    await new Promise((resolve) => setTimeout(resolve, SETTLE_POLL_MS));
  }
  return null;
}

const median = (values) => ascending(values)[Math.floor(values.length / 2)];
const sum = (values) => values.reduce((a, b) => a + b, 0);
const spread = (values) => `${values.map((v) => v.toFixed(0)).join(', ')} ms`;

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

// The intervals between successive times, in order.
function intervalsOf(times) {
  return times.slice(1).map((t, i) => t - times[i]);
}

function describe(sorted) {
  return `median ${percentile(sorted, 50).toFixed(2)} ms, p95 ${percentile(sorted, 95).toFixed(2)} ms, ` +
    `p99 ${percentile(sorted, 99).toFixed(2)} ms, max ${sorted[sorted.length - 1].toFixed(2)} ms`;
}

const ascending = (values) => [...values].sort((a, b) => a - b);

const server = await startServer();
const figures = [];
try {
  // Load: a fresh browser each time, so nothing comes from a cache, settled
  // before the page is loaded; each load is followed by a start of the
  // desktop game, so both meet the same load on the machine.
  const loads = [];
  const browser = [];   // start-up profiles: runtime start to the first intro frame presented, and shown
  const desktop = [];
  const desktopFirst = [];   // the same with an empty shader cache
  const settles = [];        // how long each browser took to settle before its load
  const folder = desktopFolder();
  for (let i = 0; i < LOADS; i++) {
    const launched = await launchBrowser();
    try {
      const page = await launched.browser.newPage();
      settles.push(await browserSettled(launched));
      const lines = [];
      page.on('console', (m) => lines.push(m.text()));
      await page.goto(server.url, { waitUntil: 'load' });
      const load = await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
      loads.push(load);
      await until(page, () => true, 'the console');   // one more round trip: the table's lines arrive
      const table = startupPhases(lines);
      if (table.began !== undefined) {
        browser.push({ load, began: table.began, phases: table.phases,
          start: sum(table.phases.map(([, wall]) => wall)), shown: load - table.began });
      }
    } finally {
      await launched.close();
    }
    if (folder) {
      const run = await desktopStart(folder);
      if (run) desktop.push(run);
      const first = await desktopStart(folder, true);
      if (first) desktopFirst.push(first);
    }
  }
  if (folder) fs.rmSync(folder, { recursive: true, force: true });
  const load = median(loads);
  const settled = settles.filter((t) => t !== null);
  figures.push(`each load in a browser that had finished its own start-up: it settled in ` +
    (settled.length > 0 ? `median ${median(settled).toFixed(0)} ms (${spread(settled)})` : 'no time measured') +
    (settled.length < settles.length ? `; ${settles.length - settled.length} still busy after ${SETTLE_LIMIT_MS} ms` : ''));
  figures.push(`page load to first intro frame: median ${load.toFixed(0)} ms ` +
    `(${spread(loads)}; target under ${LOAD_TARGET_MS} ms: ${verdict(load < LOAD_TARGET_MS)})`);
  if (browser.length > 0) {
    figures.push(`  of which page, program download and compile, before the runtime starts: median ` +
      `${median(browser.map((b) => b.began)).toFixed(0)} ms (${spread(browser.map((b) => b.began))})`);
    figures.push(`runtime start to first intro frame, browser (presented by the program, as the phases ` +
      `add up): median ${median(browser.map((b) => b.start)).toFixed(0)} ms (${spread(browser.map((b) => b.start))})`);
    figures.push(`  the same to the browser's animation frame that showed it: median ` +
      `${median(browser.map((b) => b.shown)).toFixed(0)} ms (${spread(browser.map((b) => b.shown))})`);
  }
  if (desktop.length > 0) {
    figures.push(`runtime start to first intro frame, desktop (windowed, software GL, the same containers, ` +
      `started after each load): median ${median(desktop.map((d) => d.start)).toFixed(0)} ms ` +
      `(${spread(desktop.map((d) => d.start))})`);
  } else {
    figures.push(`runtime start to first intro frame, desktop: not measured (no desktop game in ${DESKTOP})`);
  }
  if (desktopFirst.length > 0) {
    const starts = desktopFirst.map((d) => d.start);
    const against = browser.length > 0
      ? `; browser as shown against it: ${(median(browser.map((b) => b.shown)) / median(starts)).toFixed(2)} times` : '';
    figures.push(`  the same with an empty shader cache (a first start on this machine): median ` +
      `${median(starts).toFixed(0)} ms (${spread(starts)})${against}`);
  }
  if (browser.length > 0 && desktop.length > 0) {
    const ratio = median(browser.map((b) => b.start)) / median(desktop.map((d) => d.start));
    const shownRatio = median(browser.map((b) => b.shown)) / median(desktop.map((d) => d.start));
    // The target is judged on the frame the player sees: the program may
    // present long before the browser's GPU process has drawn it.
    figures.push(`  browser against desktop, as shown: ${shownRatio.toFixed(2)} times (target at most ` +
      `${START_RATIO_TARGET}: ${verdict(shownRatio <= START_RATIO_TARGET)}); as presented by the program: ` +
      `${ratio.toFixed(2)} times`);
    // Medians of each phase over the runs (0 where a run did not have it).
    const keys = [];
    for (const run of [...browser, ...desktop]) for (const [key] of run.phases) if (!keys.includes(key)) keys.push(key);
    const phase = (runs, key) => median(runs.map((r) => (r.phases.find(([k]) => k === key) || [key, 0])[1]));
    figures.push(`  by phase (medians, ms wall)${' '.repeat(22)}browser   desktop`);
    for (const key of keys) {
      figures.push(`    ${key.padEnd(44)} ${phase(browser, key).toFixed(1).padStart(8)}  ${phase(desktop, key).toFixed(1).padStart(8)}`);
    }
  }

  // Play: the training level from the menu, the pointer wandering over the board.
  const launched = await launchBrowser();
  try {
    const page = await launched.browser.newPage();
    await page.goto(server.url, { waitUntil: 'load' });
    await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
    await dismissNotice(page);   // Firefox names the software renderer: its notice waits for a click
    // Held for frames, as in the tests: a press shorter than a frame may go unseen,
    // and then the intro plays on instead of giving way to the menu.
    const pointer = new Pointer(page);
    await page.mouse.move(SCREEN_W / 2, SCREEN_H / 2);
    await pointer.click();
    await until(page, () => document.pointerLockElement !== null, 'pointer lock');
    // The intro scrolls into the menu (72 frames); a busy machine shows them slowly.
    await frames(page, 90);
    await pointer.moveTo(START_GAME.x, START_GAME.y);
    for (let attempt = 1; ; attempt++) {
      await pointer.click();
      try {
        await waitProbe(page, PROBE.levelTimer, (v) => v > 0 && v < 36000, 'play', 5000);
        break;
      } catch (error) {
        if (attempt === 5) throw error;
      }
    }
    await page.evaluate((n) => Module._wedgewise_record_frames(n), FRAMES + 1);
    const wander = (async () => {
      for (let i = 0; (await page.evaluate(() => Module._wedgewise_recorded_frames())) <= FRAMES; i++) {
        await pointer.moveTo(200 + ((i * 97) % 500), 150 + ((i * 61) % 400));
      }
    })();
    await until(page, (n) => Module._wedgewise_recorded_frames() > n, 'the recorded frames', 60000, FRAMES);
    await wander;
    // Of each recorded frame: the browser's time of the animation frame it
    // was drawn in (the display's cadence), the program's clock as it ended,
    // and its presenting and waiting.
    const recorded = await page.evaluate((n) => {
      const out = [];
      for (let i = 0; i <= n; i++) {
        out.push({ shown: Module._wedgewise_animation_frame_time(i), ended: Module._wedgewise_frame_time(i),
          present: Module._wedgewise_frame_spend(i, 0), wait: Module._wedgewise_frame_spend(i, 1) });
      }
      return out;
    }, FRAMES);
    const shown = recorded.map((r) => r.shown);
    const intervals = ascending(intervalsOf(shown));
    const fps = 1000 / ((shown[FRAMES] - shown[0]) / FRAMES), p99 = percentile(intervals, 99);
    figures.push(`frame interval over ${FRAMES} frames of play (the browser's animation frames they were drawn in): ` +
      `${describe(intervals)}, ${fps.toFixed(1)} frames per second ` +
      `(target 60 held: ${verdict(fps >= FPS_TARGET)}; p99 under ${P99_TARGET_MS} ms: ${verdict(p99 < P99_TARGET_MS)})`);
    const byInterval = intervalsOf(recorded.map((r) => r.ended));
    figures.push(`  the same frames on the program's clock as each ended: ${describe(ascending(byInterval))}`);
    const later = recorded.slice(1);
    const work = ascending(byInterval.map((t, i) => t - later[i].present - later[i].wait));
    const present = ascending(later.map((r) => r.present));
    const wait = ascending(later.map((r) => r.wait));
    // The game's own work and drawing calls, presenting (the swap, and the
    // frame's copy into the canvas when it was drawn offscreen) and the
    // wait, in which the browser renders and composites what was drawn.
    figures.push(`  per frame (medians): game work and drawing ${percentile(work, 50).toFixed(2)} ms, ` +
      `presenting ${percentile(present, 50).toFixed(2)} ms, waiting (the browser's turn) ${percentile(wait, 50).toFixed(2)} ms`);
    // The same browser's own floor: a page that only clears a canvas of the
    // game's size in each animation frame.
    const floor = await launched.browser.newPage();
    await floor.setContent(`<canvas width="${SCREEN_W}" height="${SCREEN_H}"></canvas><script>
      const gl = document.querySelector('canvas').getContext('webgl2', { alpha: false, antialias: false });
      window.times = [];
      (function frame(t) {
        gl.clearColor(0, 0, times.length % 2, 1);
        gl.clear(gl.COLOR_BUFFER_BIT);
        times.push(t);
        if (times.length <= ${FRAMES} + 30) requestAnimationFrame(frame);
      })(performance.now());
    </script>`);
    const floorTimes = (await until(floor, (n) => window.times.length > n && window.times, 'the empty page', 60000,
      FRAMES + 30)).slice(30);
    figures.push(`  an empty page in the same browser (a canvas cleared each animation frame): ` +
      `${describe(ascending(intervalsOf(floorTimes)))}`);
  } finally {
    await launched.close();
  }
} finally {
  await server.close();
}

let total = 0;
const parts = [];
for (const name of fs.readdirSync(SITE).sort()) {
  const size = fs.statSync(path.join(SITE, name)).size;
  total += size;
  parts.push(`${name} ${(size / 1024).toFixed(0)} kB`);
}
const megabytes = total / 1048576;
figures.push(`site folder: ${megabytes.toFixed(2)} MB (${parts.join(', ')}; target under ${SIZE_TARGET_MB} MB: ` +
  `${verdict(megabytes < SIZE_TARGET_MB)})`);

console.log(BROWSER === 'firefox' ? 'web edition, firefox-esr in a window on Xvfb with software WebGL:'
  : 'web edition, headless chromium with software WebGL:');
for (const line of figures) console.log('  ' + line);
