// The web edition by touch alone, in chromium's touch emulation: a phone
// held sideways, a phone held upright and a tablet. On each, taps lead from
// the intro through the menu into the training level, which is played to its
// level-end screen with the page's turn buttons (and one two-finger tap);
// the name entry takes a name through the page's text field; QUIT ends it.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  OUT, PROBE, REFERENCE, onlyIn, SCREEN_H, SCREEN_W, frames, framesOrWhile, highScoreOf, launchBrowser, probe,
  startServer, until, waitProbe, watchConsole, sharedSiteAndBrowser,
} from './harness.mjs';

const scenes = JSON.parse(fs.readFileSync(path.join(REFERENCE, 'scenes.json'), 'utf8'));

// Screen places of the game (screen pixels).
const VORTEX_BOX = { x1: 284, x2: 736, y1: 385, y2: 417 };   // the menu's click box, bounds outside it
const QUIT_ITEM = { x: 512, y: 731 };
const PLAY_QUIT_BUTTON = { x: 20, y: 660 };
const EMPTY_PLACE = { x: 40, y: 40 };                         // nothing there on the menu or the play screen

const DEVICES = [
  { name: 'phone-sideways', width: 844, height: 390, scale: 3, player: 'SIDEWAYS' },
  { name: 'phone-upright', width: 390, height: 844, scale: 3, player: 'UPRIGHT' },
  { name: 'tablet', width: 1024, height: 768, scale: 2, player: 'TABLET' },
];

const shared = sharedSiteAndBrowser();

for (const device of DEVICES) {
  describe(`by touch on a ${device.name} (${device.width} x ${device.height})`,
    onlyIn('chromium', 'touch screens are emulated through chromium\'s CDP alone'), () => {
    let context, page, session, messages, rect;

    before(async () => {
      context = await shared.browser.browser.createBrowserContext();
      page = await context.newPage();
      messages = watchConsole(page);
      await page.setViewport({
        width: device.width, height: device.height, deviceScaleFactor: device.scale, isMobile: true, hasTouch: true,
      });
      session = await page.createCDPSession();
    });

    after(async () => {
      fs.writeFileSync(path.join(OUT, `touch-${device.name}-console.txt`),
        messages.map((m) => `${m.type}: ${m.text}`).join('\n') + '\n');
      if (context) await context.close();
    });

    // Where a finger at CSS offset t (whole pixels: the browser passes
    // them so) from the canvas's edge lands, as the runtime maps it: the
    // fraction of the canvas in single precision, times the screen's size.
    const lands = (t, size, screen) => Math.trunc(Math.fround(Math.fround(t / size) * screen));
    // The CSS point whose finger lands nearest the screen pixel (x, y), and
    // the pixel it lands on.
    function finger(x, y) {
      const nearest = (v, size, screen) => {
        let best = 0, off = Infinity;
        const guess = Math.floor(((v + 0.5) * size) / screen);
        for (let t = guess - 3; t <= guess + 3; t++) {
          if (Math.abs(lands(t, size, screen) - v) < off) { off = Math.abs(lands(t, size, screen) - v); best = t; }
        }
        return best;
      };
      const tx = nearest(x, rect.width, SCREEN_W), ty = nearest(y, rect.height, SCREEN_H);
      return {
        css: { x: rect.left + tx + 0.5, y: rect.top + ty + 0.5 },
        at: { x: lands(tx, rect.width, SCREEN_W), y: lands(ty, rect.height, SCREEN_H) },
      };
    }
    const at = (x, y) => finger(x, y).css;

    async function touch(type, points) {
      await session.send('Input.dispatchTouchEvent', { type, touchPoints: points });
    }

    // A finger down and up, held for frames as a player's is (or lifted at
    // once, which the game must see all the same).
    async function tap(x, y, hold = 2) {
      const p = at(x, y);
      await touch('touchStart', [{ x: p.x, y: p.y, id: 1 }]);
      if (hold) await framesOrWhile(page, hold, 1500);
      await touch('touchEnd', []);
      await framesOrWhile(page, 2, 1500);
    }

    async function tapElement(selector) {
      const box = await (await page.$(selector)).boundingBox();
      assert.ok(box && box.width > 0, `${selector} is shown`);
      await touch('touchStart', [{ x: box.x + box.width / 2, y: box.y + box.height / 2, id: 1 }]);
      await touch('touchEnd', []);
    }

    async function shot(name) {
      await page.screenshot({ path: path.join(OUT, `touch-${device.name}-${name}.png`) });
    }

    test('the page fits the screen, and the sound waits for the first tap', async () => {
      await page.goto(shared.server.url, { waitUntil: 'load' });
      await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
      rect = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { left: r.left, top: r.top, width: r.width, height: r.height };
      });
      assert.ok(rect.left >= 0 && rect.top >= 0 && rect.left + rect.width <= device.width + 0.5 &&
        rect.top + rect.height <= device.height + 0.5, `the whole picture is on the screen: ${JSON.stringify(rect)}`);
      // In whole pixels: a side rounded by half a pixel at most.
      assert.ok(Math.abs(rect.width * 3 - rect.height * 4) <= 2, `at 4:3: ${rect.width} x ${rect.height}`);
      const upright = device.height > device.width;
      assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('turn-hint')).display !== 'none'),
        upright, 'the hint to turn the phone shows when it is upright');
      assert.equal(await page.evaluate(() => Module.SDL2.audioContext.state), 'suspended');
      await tap(512, 384);
      await until(page, () => Module.SDL2.audioContext.state === 'running', 'the sound running after the first tap', 5000);
      await frames(page, 90);   // the intro scrolls into the menu
      await shot('menu');
    });

    test('a tap lands where the finger is, and a tap on a click box\'s edge takes nothing', async () => {
      const place = finger(EMPTY_PLACE.x, EMPTY_PLACE.y);
      assert.ok(Math.abs(place.at.x - EMPTY_PLACE.x) <= 2 && Math.abs(place.at.y - EMPTY_PLACE.y) <= 2);
      await tap(EMPTY_PLACE.x, EMPTY_PLACE.y, 0);
      assert.deepEqual([await probe(page, PROBE.mouseX), await probe(page, PROBE.mouseY)], [place.at.x, place.at.y],
        'a tap lifted at once is still seen where it was');
      // The box's bounds are outside it: a finger mapped onto one is not in
      // it. A finger lands on whole CSS pixels, so on a phone an edge itself
      // may not be reachable: then the nearest pixel on its outside is used.
      const vortex = await probe(page, PROBE.vortexOn);
      const mid = { x: (VORTEX_BOX.x1 + VORTEX_BOX.x2) >> 1, y: (VORTEX_BOX.y1 + VORTEX_BOX.y2) >> 1 };
      const outside = [
        { x: VORTEX_BOX.x1, y: mid.y, dx: -1, dy: 0 }, { x: VORTEX_BOX.x2, y: mid.y, dx: 1, dy: 0 },
        { x: mid.x, y: VORTEX_BOX.y1, dx: 0, dy: -1 }, { x: mid.x, y: VORTEX_BOX.y2, dx: 0, dy: 1 },
      ];
      let exact = 0;
      for (const edge of outside) {
        let f = finger(edge.x, edge.y);
        for (let step = 1; (f.at.x - edge.x) * edge.dx < 0 || (f.at.y - edge.y) * edge.dy < 0; step++)
          f = finger(edge.x + edge.dx * step, edge.y + edge.dy * step);
        assert.ok(Math.abs(f.at.x - edge.x) + Math.abs(f.at.y - edge.y) <= 3, `near the edge: ${JSON.stringify(f.at)}`);
        if (f.at.x === edge.x && f.at.y === edge.y) exact++;
        await tap(f.at.x, f.at.y);
        assert.deepEqual([await probe(page, PROBE.mouseX), await probe(page, PROBE.mouseY)], [f.at.x, f.at.y]);
        assert.equal(await probe(page, PROBE.vortexOn), vortex, `a tap on (${f.at.x}, ${f.at.y}) takes nothing`);
      }
      if (device.scale <= 2) assert.equal(exact, 4, 'at the tablet\'s scale every edge is reached exactly');
      // Just inside takes the item; a second tap puts it back.
      await tap(VORTEX_BOX.x1 + 4, mid.y);
      await waitProbe(page, PROBE.vortexOn, (v) => v === 1 - vortex, 'the vortex switched by a tap inside');
      await tap(mid.x, mid.y);
      await waitProbe(page, PROBE.vortexOn, (v) => v === vortex, 'the vortex switched back');
    });

    test('START GAME, then the training level played to its end with the turn buttons', async () => {
      await tap(scenes.play.x, scenes.play.y);
      await waitProbe(page, PROBE.level, (v) => v === 0, 'the training level');
      await waitProbe(page, PROBE.spaces, (v) => v === scenes.moves.length, 'the board', 60000);
      assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('turns')).display), 'flex',
        'the turn buttons show on a touch screen');
      let twoFingerDone = false;
      for (const [i, move] of scenes.moves.entries()) {
        const spaces = await probe(page, PROBE.spaces);
        await tap(move.slot_x, move.slot_y);
        await waitProbe(page, PROBE.heldTile, (v) => v >= 0, 'a tile in the hand', 5000);
        let turns = move.turns;
        if (turns > 0 && !twoFingerDone) {
          // A two-finger tap turns clockwise, as the right button does.
          const p = at(700, 300);
          await touch('touchStart', [{ x: p.x, y: p.y, id: 1 }, { x: p.x + 30, y: p.y, id: 2 }]);
          await touch('touchEnd', []);
          await frames(page, 4);
          turns--;
          twoFingerDone = true;
        }
        // Each press is one step, given a frame of its own: presses made
        // quickly one after another all count. Anticlockwise then clockwise
        // (the first move) is back where it was only if both turned.
        const presses = i === 0 ? ['#turn-anticlockwise', '#turn-clockwise'] : [];
        const clockwise = turns <= 3;
        for (let t = 0; t < (clockwise ? turns : 6 - turns); t++)
          presses.push(clockwise ? '#turn-clockwise' : '#turn-anticlockwise');
        for (const button of presses) await tapElement(button);
        if (presses.length) await frames(page, 2 * presses.length + 4);
        if (i === 0) await shot('play');
        await tap(move.cell_x, move.cell_y);
        await waitProbe(page, PROBE.spaces, (v) => v === spaces - 1, `tile ${i + 1} on the board`, 5000);
      }
      assert.ok(twoFingerDone, 'a move needed a turn');
      await frames(page, 30);
      await shot('level-end');
      const started = Date.now();
      while ((await probe(page, PROBE.level)) !== 1) {
        assert.ok(Date.now() - started < 180000, 'level 1 within three minutes');
        await tap(EMPTY_PLACE.x, EMPTY_PLACE.y);
        await frames(page, 20);
      }
    });

    test('QUIT asks for a name, typed through the page\'s text field', async () => {
      const score = await probe(page, PROBE.score);
      assert.ok(score > 0);
      await tap(PLAY_QUIT_BUTTON.x, PLAY_QUIT_BUTTON.y);
      await until(page, () => !document.getElementById('name-entry').hidden, 'the name field', 10000);
      assert.equal(await page.evaluate(() => document.activeElement && document.activeElement.id), 'name-field',
        'the field has the focus, so the keyboard opens');
      await page.type('#name-field', device.player.toLowerCase().slice(0, 3));
      await page.keyboard.press('Backspace');
      await page.type('#name-field', device.player.toLowerCase().slice(2));
      await frames(page, 5);
      await shot('name');
      await tapElement('#name-done');
      let entered = -1;
      for (const started = Date.now(); entered < 0 && Date.now() - started < 15000; await frames(page, 1))
        entered = await highScoreOf(page, device.player);
      assert.equal(entered, score, `"${device.player}" in the high scores with the game's score`);
      assert.equal(await page.evaluate(() => document.getElementById('name-entry').hidden), true, 'the field goes');
    });

    test('a tap leaves the high scores, and QUIT ends the game', async () => {
      await frames(page, 10);
      await tap(512, 384);
      await frames(page, 30);
      await tap(QUIT_ITEM.x, QUIT_ITEM.y);
      await until(page, () => wedgewisePage.ended, 'the program end', 15000);
      assert.equal(await page.evaluate(() => wedgewisePage.errorCode), 0);
      const bad = messages.filter((m) => m.type === 'error' || m.type === 'pageerror');
      assert.deepEqual(bad, []);
    });
  });
}
