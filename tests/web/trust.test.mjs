// The web edition when things go wrong, or players leave as web pages are
// left: records kept across tabs, closed tabs and failed storage; failures
// explained on the page; a pause that holds; offline play and new versions.
//
// Each case has a browser context of its own (its own storage). Touches
// drive the game: at 1024 x 768 the picture's pixels are the page's, and a
// finger puts the game's pointer where it is, with no capture to manage.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  BROWSER, OUT, PROBE, Pointer, SCREEN_H, SCREEN_W, SITE, dismissNotice, frames, launchBrowser, probe, startServer,
  until, waitProbe, watchConsole, sharedSiteAndBrowser,
} from './harness.mjs';

const VORTEX_ITEM = { x: 512, y: 400 };
const RECORD_KEYS = ['wedgewise/settings.dat', 'wedgewise/hiscore.dat'];

const shared = sharedSiteAndBrowser();

async function newPage(context, url = shared.server.url, setUp = null) {
  const page = await context.newPage();
  await page.setViewport({ width: SCREEN_W, height: SCREEN_H, deviceScaleFactor: 1, hasTouch: true });
  page.messages = watchConsole(page);
  if (setUp) await page.evaluateOnNewDocument(setUp);
  if (url) await page.goto(url, { waitUntil: 'load' });
  return page;
}

async function tap(page, x, y) {
  // Firefox's automation has no touch screen (chromium's is CDP's
  // emulation): there the mouse clicks instead, where the pointer is while
  // it is free, else moved there as a captured pointer is, from the corner
  // (the game places its pointer anew on some screens).
  if (BROWSER === 'firefox') {
    page.pointer = page.pointer || new Pointer(page);
    if (await page.evaluate(() => document.pointerLockElement !== null)) {
      page.pointer.x = page.pointer.y = null;
      await page.pointer.moveTo(x, y);
    } else {
      await page.mouse.move(x, y);
    }
    await page.pointer.click();
    await frames(page, 4);
    return;
  }
  const session = page.session || (page.session = await page.createCDPSession());
  await session.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: x + 0.5, y: y + 0.5, id: 1 }] });
  await session.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await frames(page, 4);
}

const started = (page) => waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame', 90000);

// From the intro to the menu, then the vortex switched: a change that the
// game's QUIT stores (settings.dat). Returns the new switch.
async function switchVortex(page) {
  await started(page);
  await dismissNotice(page);
  await tap(page, 512, 384);
  await frames(page, 90);
  const before = await probe(page, PROBE.vortexOn);
  await tap(page, VORTEX_ITEM.x, VORTEX_ITEM.y);
  return waitProbe(page, PROBE.vortexOn, (v) => v === 1 - before, 'the vortex switched');
}

const stored = (page) => page.evaluate((keys) => keys.map((k) => localStorage.getItem(k)), RECORD_KEYS);
const visible = (page, id) => page.evaluate((i) => {
  const e = document.getElementById(i);
  return !!e && !e.hidden && getComputedStyle(e).display !== 'none';
}, id);

describe('records are never lost', () => {
  test('a second tab offers to play there; the first then stores its records and stops', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      const first = await newPage(context);
      const vortex = await switchVortex(first);
      const second = await newPage(context);
      await until(second, () => !document.getElementById('other-tab').hidden, 'the other-tab notice');
      assert.equal(await probe(second, PROBE.firstIntroFrame), -1, 'the second tab waits');
      await second.click('#play-here');
      await until(first, () => wedgewisePage.ended, 'the first tab\'s game ended');
      assert.match(await first.evaluate(() => document.getElementById('ended-text').textContent), /another tab/);
      await started(second);
      assert.equal(await probe(second, PROBE.vortexOn), vortex, 'the second tab has the first one\'s switch');
    } finally {
      await context.close();
    }
  });

  test('a tab closed right after a change keeps it, as QUIT would', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      const page = await newPage(context);
      const vortex = await switchVortex(page);
      await page.close({ runBeforeUnload: false });
      const again = await newPage(context);
      await started(again);
      assert.equal(await probe(again, PROBE.vortexOn), vortex);
    } finally {
      await context.close();
    }
  });

  test('after a failed restore nothing is written, so what was stored stays', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      const page = await newPage(context);
      await switchVortex(page);
      await page.keyboard.down('Escape');
      await until(page, () => wedgewisePage.ended, 'the end by Escape');
      await page.keyboard.up('Escape');
      const kept = await stored(page);
      assert.ok(kept[0] !== null, 'settings.dat stored by Escape');
      await page.close();
      // Reading fails (the writes would work): the game plays, says so, stores nothing.
      const failing = await newPage(context, shared.server.url, () => {
        const read = Storage.prototype.getItem;
        Storage.prototype.getItem = function (key) {
          if (String(key).startsWith('wedgewise/')) throw new Error('read refused');
          return read.call(this, key);
        };
        window.realGetItem = (key) => read.call(localStorage, key);
      });
      await switchVortex(failing);
      assert.equal(await failing.evaluate(() => wedgewisePage.storage), 'failed');
      assert.ok(await visible(failing, 'banner'), 'the player is told');
      await failing.keyboard.down('Escape');
      await until(failing, () => wedgewisePage.ended, 'the end by Escape');
      await failing.keyboard.up('Escape');
      assert.deepEqual(await failing.evaluate((keys) => keys.map((k) => window.realGetItem(k)), RECORD_KEYS), kept);
    } finally {
      await context.close();
    }
  });

  test('with storage blocked the player is told once, and the game plays', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      const page = await newPage(context, shared.server.url, () => {
        Object.defineProperty(window, 'localStorage', {
          get() { throw new DOMException('The operation is insecure.', 'SecurityError'); },
        });
      });
      await switchVortex(page);
      assert.equal(await page.evaluate(() => wedgewisePage.storage), 'unavailable');
      assert.match(await page.evaluate(() => document.getElementById('banner').textContent), /will not be kept/);
    } finally {
      await context.close();
    }
  });

  test('a restore that never answers is given up after a few seconds, and said so', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      // Records of an earlier version in IndexedDB, and IndexedDB stuck.
      const page = await newPage(context, shared.server.url, () => {
        indexedDB.databases = () => Promise.resolve([{ name: '/records', version: 21 }]);
        indexedDB.open = () => ({});
      });
      await started(page);
      assert.equal(await page.evaluate(() => wedgewisePage.storage), 'failed');
      assert.match(await page.evaluate(() => document.getElementById('banner').textContent), /could not be read/);
    } finally {
      await context.close();
    }
  });
});

describe('failures are explained', () => {
  async function problemOf(targetBrowser, url) {
    const context = await targetBrowser.browser.createBrowserContext();
    try {
      const page = await newPage(context, url);
      await until(page, () => !document.getElementById('problem').hidden, 'the problem shown', 60000);
      assert.equal(await visible(page, 'ended'), false, 'not the ordinary end');
      assert.equal(await visible(page, 'status'), false, 'not "Loading..."');
      await page.screenshot({ path: path.join(OUT, `problem-${await page.evaluate(() => wedgewisePage.failure)}.png`) });
      return page.evaluate(() => document.getElementById('problem').textContent);
    } finally {
      await context.close();
    }
  }

  test('without WebGL 2', async () => {
    const plain = await launchBrowser(['--disable-webgl2'], { firefoxPrefs: { 'webgl.enable-webgl2': false } });
    try {
      assert.match(await problemOf(plain, shared.server.url), /WebGL 2.*another browser/s);
    } finally {
      await plain.close();
    }
  });

  test('a download answered with 404', async () => {
    for (const missing of [/\.wasm$/, /^media\..*\.aud$/, /^wedgewise\.[0-9a-f]+\.js$/]) {
      const broken = await startServer(SITE, { refuse: (name) => missing.test(name) });
      try {
        assert.match(await problemOf(shared.browser, broken.url), /could not be downloaded.*reload/is, String(missing));
      } finally {
        await broken.close();
      }
    }
  });

  test('program files that do not belong together', async () => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'wedgewise-site-'));
    try {
      fs.cpSync(SITE, folder, { recursive: true });
      const wasm = fs.readdirSync(folder).find((f) => f.endsWith('.wasm'));
      // A program whose imports are not what the script offers.
      fs.writeFileSync(path.join(folder, wasm), Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0,
        1, 4, 1, 0x60, 0, 0,                                          // one type: () -> ()
        2, 0x0b, 1, 3, 0x65, 0x6e, 0x76, 3, 0x7a, 0x7a, 0x7a, 0, 0]));  // imports env.zzz
      const mixed = await startServer(folder);
      try {
        assert.match(await problemOf(shared.browser, mixed.url), /do not belong together/);
      } finally {
        await mixed.close();
      }
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });
});

describe('the pause holds', () => {
  test('focus lost and regained without the capture stays paused until a click', async () => {
    const context = await shared.browser.browser.createBrowserContext();
    try {
      const page = await context.newPage();
      await page.setViewport({ width: SCREEN_W, height: SCREEN_H, deviceScaleFactor: 1 });
      await page.goto(shared.server.url, { waitUntil: 'load' });
      await started(page);
      await page.mouse.move(SCREEN_W / 2, SCREEN_H / 2);
      await page.mouse.down();
      await frames(page, 2);
      await page.mouse.up();
      await until(page, () => document.pointerLockElement !== null, 'the pointer captured');
      await frames(page, 5);
      // Another window takes the focus, and the browser lets go of the pointer.
      await page.evaluate(() => {
        window.dispatchEvent(new Event('blur'));
        document.exitPointerLock();
      });
      await until(page, () => document.pointerLockElement === null, 'the pointer let go');
      await page.evaluate(() => window.dispatchEvent(new Event('focus')));
      const shown = await probe(page, PROBE.frames);
      await until(page, () => !document.getElementById('paused').hidden, 'the paused notice');
      await page.evaluate(() => new Promise((r) => setTimeout(r, 500)));
      assert.ok((await probe(page, PROBE.frames)) - shown <= 1, 'no frames while the pointer is free');
      await page.mouse.down();
      await until(page, () => document.pointerLockElement !== null, 'the pointer captured again');
      await page.mouse.up();
      await frames(page, 3);
      assert.equal(await visible(page, 'paused'), false);
    } finally {
      await context.close();
    }
  });
});

describe('offline play', () => {
  test('after the first visit the game plays offline, and a new version replaces the cached one', async () => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'wedgewise-site-'));
    const site = await startServer(SITE);
    const context = await shared.browser.browser.createBrowserContext();
    try {
      // The copy is begun once the game is on the screen, not while start-up needs the machine.
      let page = await newPage(context, site.url, () => {
        const container = navigator.serviceWorker;
        const register = container.register.bind(container);
        container.register = (...args) => {
          window.offlineCopyBegun = performance.now();
          return register(...args);
        };
      });
      const firstFrame = await started(page);
      await until(page, async () => {
        const names = await caches.keys();
        if (!names.length) return false;
        const cache = await caches.open(names[0]);
        return (await cache.keys()).some((r) => r.url.endsWith('.wasm'));
      }, 'the program in the offline copy', 60000);
      const begun = await page.evaluate(() => window.offlineCopyBegun);
      assert.ok(begun >= firstFrame, `the offline copy was begun at ${begun} ms, the first frame drawn at ${firstFrame} ms`);
      await page.close();
      // No server at all.
      const port = site.port;
      await site.close();
      page = await newPage(context, null);
      await page.goto(`http://127.0.0.1:${port}/`, { waitUntil: 'load' });
      await started(page);
      await page.close();
      // A new version on the same address.
      fs.cpSync(SITE, folder, { recursive: true });
      const index = path.join(folder, 'index.html');
      fs.writeFileSync(index, fs.readFileSync(index, 'utf8').replace('<title>Wedgewise</title>',
        '<title>Wedgewise</title>\n<meta name="wedgewise-test" content="new version">'));
      const sw = path.join(folder, 'service-worker.js');
      fs.writeFileSync(sw, fs.readFileSync(sw, 'utf8').replace(/var VERSION = '([^']*)'/, "var VERSION = '$1-new'"));
      const newer = await startServer(folder, { port });
      try {
        page = await newPage(context, `http://127.0.0.1:${port}/`);
        assert.ok(await page.$('meta[name="wedgewise-test"]'), 'the new page is shown at once');
        await started(page);
        await until(page, async () => (await caches.keys()).some((k) => k.endsWith('-new')) &&
          !(await caches.keys()).some((k) => !k.endsWith('-new')), 'the new version\'s copy replacing the old', 60000);
      } finally {
        await newer.close();
      }
    } finally {
      await context.close();
      await site.close().catch(() => {});
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });
});
