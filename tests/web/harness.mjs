// What the browser tests and figures share: a local server for the site,
// the browser (Debian's chromium headless, or Debian's firefox-esr in a
// window on an X server of its own) with a fresh profile, the game's probe,
// the pointer moved by real mouse events, and picture comparison.
import { execFile, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { after, before } from 'node:test';

export const SITE = process.env.WEDGEWISE_SITE;
export const REFERENCE = process.env.WEDGEWISE_REFERENCE;
export const OUT = process.env.WEDGEWISE_OUT || os.tmpdir();
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const FIREFOX = process.env.FIREFOX || '/usr/bin/firefox-esr';

// The browser the tests run in: WEDGEWISE_BROWSER=chromium (the default) or firefox.
export const BROWSER = process.env.WEDGEWISE_BROWSER || 'chromium';
if (!['chromium', 'firefox'].includes(BROWSER)) throw new Error(`WEDGEWISE_BROWSER: no browser "${BROWSER}"`);

// A test's options that skip it in one browser, whose automation cannot
// perform it, with the reason printed in the run's report.
export function onlyIn(browser, reason) {
  return BROWSER === browser ? {} : { skip: `${BROWSER}: ${reason}` };
}

export const SCREEN_W = 1024;
export const SCREEN_H = 768;

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.gfx': 'application/octet-stream',
  '.aud': 'application/octet-stream',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};

// A static server for the site folder on 127.0.0.1 and a free port (or the
// port given). `refuse(name)` names files to answer with 404; `folder` can
// be changed while it runs (a new version of the site).
export async function startServer(folder = SITE, { port = 0, refuse = () => false } = {}) {
  let root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    if (refuse(path.basename(url.pathname))) {
      response.writeHead(404).end();
      return;
    }
    let file = path.normalize(path.join(root, decodeURIComponent(url.pathname)));
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    if (fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, 'index.html');
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(port, '127.0.0.1', resolve));
  const sockets = new Set();
  server.on('connection', (socket) => {
    sockets.add(socket);
    socket.on('close', () => sockets.delete(socket));
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    port: server.address().port,
    serve: (other) => { root = path.resolve(other); },
    close: () => new Promise((resolve) => {
      server.close(resolve);
      for (const socket of sockets) socket.destroy();
    }),
  };
}

// Debian's chromium, headless, software WebGL, a profile of its own.
async function launchChromium(extraArgs) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'wedgewise-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: profile,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--enable-unsafe-swiftshader', '--use-angle=swiftshader',
      // As a player's browser: sound starts only after a gesture.
      '--autoplay-policy=user-gesture-required',
      `--window-size=${SCREEN_W},${SCREEN_H}`,
      ...extraArgs,
    ],
    defaultViewport: { width: SCREEN_W, height: SCREEN_H, deviceScaleFactor: 1 },
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// One site server and one browser for a whole test file, started before
// its first test and stopped after its last: read `.server` and `.browser`.
export function sharedSiteAndBrowser() {
  const shared = { server: null, browser: null };
  before(async () => {
    shared.server = await startServer();
    shared.browser = await launchBrowser();
  });
  after(async () => {
    if (shared.browser) await shared.browser.close();
    if (shared.server) await shared.server.close();
  });
  return shared;
}

// An X server of our own for a browser window: Xvfb picks a free display
// and writes its number to the descriptor given by -displayfd.
async function startXvfb() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp', '-noreset'],
    { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
  let errors = '';
  xvfb.stderr.on('data', (d) => { errors += d; });
  const display = await new Promise((resolve, reject) => {
    let text = '';
    xvfb.stdio[3].on('data', (d) => {
      text += d;
      if (text.includes('\n')) resolve(`:${text.trim()}`);
    });
    xvfb.on('error', reject);
    xvfb.on('exit', (code) => reject(new Error(`Xvfb ended (${code}): ${errors}`)));
  });
  return {
    display,
    stop: () => new Promise((resolve) => {
      if (xvfb.exitCode !== null) { resolve(); return; }
      xvfb.on('exit', resolve);
      xvfb.kill('SIGTERM');
    }),
  };
}

// Debian's firefox-esr in a real window: headless it offers no WebGL 2
// here. WebGL is allowed on the software renderer (Mesa's llvmpipe), as a
// player without a GPU would allow it. Driven over WebDriver BiDi.
async function launchFirefox(extraPrefs) {
  const xvfb = await startXvfb();
  let browser;
  try {
    browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: FIREFOX,
      headless: false,
      args: ['--no-remote', `--width=${SCREEN_W + 64}`, `--height=${SCREEN_H + 192}`],
      env: { ...process.env, DISPLAY: xvfb.display, MOZ_CRASHREPORTER_DISABLE: '1' },
      extraPrefsFirefox: {
        'webgl.force-enabled': true,
        // As a player's browser: sound starts only after a gesture.
        'media.autoplay.default': 1,
        'media.autoplay.blocking_policy': 0,
        // No sound device here: a silent one, as chromium's headless fake output.
        'media.cubeb.force_mock_context': true,
        'browser.shell.checkDefaultBrowser': false,
        'datareporting.policy.firstRunURL': '',
        ...extraPrefs,
        ...(process.env.WEDGEWISE_DUMP ? { 'devtools.console.stdout.content': true } : {}),
      },
      dumpio: !!process.env.WEDGEWISE_DUMP,
      defaultViewport: { width: SCREEN_W, height: SCREEN_H, deviceScaleFactor: 1 },
    });
  } catch (error) {
    await xvfb.stop();
    throw error;
  }
  return {
    browser,
    display: xvfb.display,
    close: async () => {
      await browser.close().catch(() => {});
      await xvfb.stop();
    },
  };
}

// The browser of this run, with a profile of its own. `chromiumArgs` and
// `firefoxPrefs` set what only that browser understands.
export async function launchBrowser(chromiumArgs = [], { firefoxPrefs = {} } = {}) {
  const launched = BROWSER === 'firefox' ? await launchFirefox(firefoxPrefs) : await launchChromium(chromiumArgs);
  return { name: BROWSER, ...launched };
}

// One notch of the mouse wheel, towards the player or away. In Firefox it
// is a real notch: the wheel's button pressed on its X server (over the
// captured pointer, which Firefox keeps at the window's centre), reported
// by Firefox as a player's would be (here 114 pixels). Headless chromium
// has no X server: there it is a wheel event of the 53 pixels chromium
// gives a notch on X11, about half of SDL's step of 100.
export async function wheelNotch(launched, page, towardsPlayer) {
  if (!launched.display) {
    await page.mouse.wheel({ deltaY: towardsPlayer ? 53 : -53 });
    return;
  }
  await new Promise((resolve, reject) => execFile('xdotool', ['click', towardsPlayer ? '5' : '4'],
    { env: { ...process.env, DISPLAY: launched.display } }, (error) => (error ? reject(error) : resolve())));
}

// Every console message and page error, kept for the end of the run.
export function watchConsole(page) {
  const messages = [];
  page.on('console', (m) => messages.push({ type: m.type(), text: m.text() }));
  page.on('pageerror', (e) => messages.push({ type: 'pageerror', text: String(e) }));
  // A request the browser abandoned because the page went away (the
  // service worker's copies for offline play, made while the game runs) is
  // no failure; any other is.
  page.on('requestfailed', (r) => {
    const why = r.failure() ? r.failure().errorText : '';
    if (why !== 'net::ERR_ABORTED') messages.push({ type: 'requestfailed', text: `${r.url()} (${why})` });
  });
  return messages;
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls fn in the page until it returns something truthy.
export async function until(page, fn, what, timeout = 30000, ...args) {
  const started = Date.now();
  for (;;) {
    const value = await page.evaluate(fn, ...args).catch(() => undefined);
    if (value) return value;
    if (Date.now() - started > timeout) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

// The page's software-GL notice, when the browser draws WebGL without a GPU
// (llvmpipe), is shown over the picture until a click, which the game does
// not see: a test's first click that the game must see comes after it.
export async function dismissNotice(page) {
  if (!(await page.evaluate(() => !document.getElementById('notice').hidden))) return;
  await page.mouse.click(SCREEN_W / 2, SCREEN_H / 2);
  await until(page, () => document.getElementById('notice').hidden, 'the notice dismissed', 5000);
}

// The probe's numbers (tools/web/probe.cpp).
export const PROBE = {
  angle: 0, level: 1, levelTimer: 2, score: 3, frames: 4, heldTile: 5, spaces: 6,
  mouseX: 7, mouseY: 8, vortexOn: 9, musicOff: 10, firstIntroFrame: 11, channels: 12,
};

// The game's high-score table, as it holds it: [{ name, score }], 15 rows.
export function highScores(page) {
  return page.evaluate(() => {
    const rows = [];
    for (let r = 0; r < 15; r++) {
      let name = '';
      for (let i = 0, c; (c = Module._wedgewise_high_score_char(r, i)) !== 0; i++) name += String.fromCharCode(c);
      // Names are kept padded to their field's 20 characters.
      rows.push({ name: name.trimEnd(), score: Module._wedgewise_high_score(r) });
    }
    return rows;
  });
}

// The score beside a name in the game's high-score table, or -1.
export async function highScoreOf(page, name) {
  const row = (await highScores(page)).find((r) => r.name === name);
  return row ? row.score : -1;
}

export function probe(page, what) {
  // -1 until the program's module is instantiated.
  return page.evaluate((w) => (window.Module && Module.asm && Module._wedgewise_probe ? Module._wedgewise_probe(w) : -1),
    what);
}

// Waits until the program has shown n more frames (its speed is the
// browser's, not the clock's).
export async function frames(page, n) {
  const start = await probe(page, PROBE.frames);
  await waitProbe(page, PROBE.frames, (v) => v >= start + n, `${n} frames`, 60000 + n * 500);
}

// n more frames, or ms of time if the program shows no frames meanwhile.
export async function framesOrWhile(page, n, ms) {
  const start = await probe(page, PROBE.frames);
  const started = Date.now();
  while ((await probe(page, PROBE.frames)) < start + n && Date.now() - started < ms) await sleep(20);
}

export async function waitProbe(page, what, test, description, timeout = 30000) {
  const started = Date.now();
  for (;;) {
    const value = await probe(page, what);
    if (test(value)) return value;
    if (Date.now() - started > timeout) throw new Error(`timed out waiting for ${description} (last ${value})`);
    await sleep(30);
  }
}

// The game's pointer, moved by real mouse events while the pointer is
// captured: the browser turns each move into movementX / movementY. The
// game clamps its pointer to the screen, so a long move up and left puts
// it at (0, 0), from where every place is a known distance away.
export class Pointer {
  constructor(page) {
    this.page = page;
    this.mouseX = SCREEN_W / 2;  // where the browser's mouse is
    this.mouseY = SCREEN_H / 2;
    this.x = null;               // where the game's pointer is, once known
    this.y = null;
  }

  async moveBy(dx, dy) {
    // Steps of at most 40 pixels, each its own event a few ms apart.
    const steps = Math.max(1, Math.ceil(Math.max(Math.abs(dx), Math.abs(dy)) / 40));
    let doneX = 0, doneY = 0;
    for (let i = 1; i <= steps; i++) {
      const sx = Math.round((dx * i) / steps) - doneX;
      const sy = Math.round((dy * i) / steps) - doneY;
      doneX += sx;
      doneY += sy;
      if (BROWSER === 'firefox') {
        // Firefox keeps a captured pointer at the viewport's centre, as it
        // does a real mouse's: each move is measured from there (and must
        // stay inside the viewport), so a step goes out and back.
        await this.page.mouse.move(SCREEN_W / 2 + sx, SCREEN_H / 2 + sy);
        await this.page.mouse.move(SCREEN_W / 2, SCREEN_H / 2);
        this.mouseX = SCREEN_W / 2;
        this.mouseY = SCREEN_H / 2;
      } else {
        this.mouseX += sx;
        this.mouseY += sy;
        await this.page.mouse.move(this.mouseX, this.mouseY);
      }
      await sleep(4);
    }
  }

  async home() {
    await this.moveBy(-1200, -900);
    await frames(this.page, 2);
    this.x = 0;
    this.y = 0;
  }

  async moveTo(x, y) {
    if (this.x === null) await this.home();
    await this.moveBy(x - this.x, y - this.y);
    this.x = x;
    this.y = y;
    await frames(this.page, 2);
  }

  // The button is held for `hold` frames, so that the game sees it down.
  // A click the game answers with a loop waiting for the release shows no
  // frames meanwhile: then the button is let go after a while instead.
  async click(button = 'left', hold = 2) {
    await this.page.mouse.down({ button });
    await framesOrWhile(this.page, hold, 400 + hold * 150);
    await this.page.mouse.up({ button });
    await framesOrWhile(this.page, 2, 2000);
  }
}

// The canvas as the page shows it, 1:1 in a 1024 x 768 viewport.
export async function canvasPicture(page, file) {
  const canvas = await page.$('#canvas');
  const png = await canvas.screenshot({ type: 'png' });
  if (file) fs.writeFileSync(file, png);
  return PNG.sync.read(png);
}

export function readPng(file) {
  return PNG.sync.read(fs.readFileSync(file));
}

// Share of pixels whose red, green or blue differs by more than `levels`;
// writes a picture of the differing pixels beside the others.
export function differingShare(a, b, levels, diffFile) {
  if (a.width !== b.width || a.height !== b.height) return 1;
  const diff = new PNG({ width: a.width, height: a.height });
  let differing = 0;
  for (let i = 0; i < a.width * a.height; i++) {
    const o = i * 4;
    const off = Math.abs(a.data[o] - b.data[o]) > levels || Math.abs(a.data[o + 1] - b.data[o + 1]) > levels ||
      Math.abs(a.data[o + 2] - b.data[o + 2]) > levels;
    if (off) differing++;
    diff.data[o] = off ? 255 : a.data[o] >> 2;
    diff.data[o + 1] = off ? 0 : a.data[o + 1] >> 2;
    diff.data[o + 2] = off ? 0 : a.data[o + 2] >> 2;
    diff.data[o + 3] = 255;
  }
  if (diffFile) fs.writeFileSync(diffFile, PNG.sync.write(diff));
  return differing / (a.width * a.height);
}

// Holds the program after the first frame presented in a state (the probe's
// hold kinds: 1 backdrop angle, 2 level timer), takes the canvas, lets go.
export async function pictureWhenHeld(page, kind, value, file, act = async () => {}) {
  await page.evaluate((k, v) => Module._wedgewise_hold(k, v), kind, value);
  try {
    await act();
    // The backdrop turns once in 360 frames, which a slow browser takes a while to show.
    await until(page, () => Module._wedgewise_held() === 1, `the hold (${kind}, ${value})`, 180000);
    await sleep(300);  // the held frame reaches the screen
    return await canvasPicture(page, file);
  } finally {
    await page.evaluate(() => { Module._wedgewise_hold(0, 0); Module._wedgewise_release(); });
  }
}
