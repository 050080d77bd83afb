// The web edition played in Debian's chromium (headless, software WebGL):
// start-up to the menu, a game of the training level placed by real mouse
// events through pointer lock, pictures compared with the desktop build's,
// a high-score name, records kept across a reload, and a clean console.
//
// One browser and one page for the whole run: each step starts where the
// previous one left the game.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  OUT, PROBE, Pointer, REFERENCE, SCREEN_H, SCREEN_W, canvasPicture, differingShare, launchBrowser,
  dismissNotice, frames, framesOrWhile, highScoreOf, pictureWhenHeld, probe, readPng, sleep, startServer, until, waitProbe,
  watchConsole, wheelNotch,
} from './harness.mjs';

const scenes = JSON.parse(fs.readFileSync(path.join(REFERENCE, 'scenes.json'), 'utf8'));

// Menu boxes and buttons of the game (screen pixels, inside their click boxes).
const CHANGE_COLOURS = { x: 512, y: 346 };
const QUIT_ITEM = { x: 512, y: 731 };
const PLAY_QUIT_BUTTON = { x: 20, y: 660 };
const COLOUR_EXIT = { x: 511, y: 616 };
// The up arrow of colour 1's red channel: the default scheme has that red at
// its lowest, where the down arrow does nothing.
const RED_OF_COLOUR_1_UP = { x: 168, y: 425 };
const NAME = 'WEBTESTER';

// At most this share of pixels may differ by more than DIFF_LEVELS.
const DIFF_SHARE = 0.01;
const DIFF_LEVELS = 8;

let server, launched, page, pointer, messages;
let placedTiles = 0;
let scoreAtEnd = -1;
let channelsBefore = [], channelsSaved = [];

before(async () => {
  server = await startServer();
  launched = await launchBrowser();
  page = await launched.browser.newPage();
  messages = watchConsole(page);
  pointer = new Pointer(page);
});

after(async () => {
  fs.writeFileSync(path.join(OUT, 'console.txt'), messages.map((m) => `${m.type}: ${m.text}`).join('\n') + '\n');
  if (launched) await launched.close();
  if (server) await server.close();
});

async function channels() {
  const values = [];
  for (let i = 0; i < 18; i++) values.push(await probe(page, PROBE.channels + i));
  return values;
}

// Evaluated in the page: whether the canvas holds the pointer.
const pointerCaptured = () => document.pointerLockElement === document.getElementById('canvas');

// The first click on the picture, held for frames so that the intro sees it.
async function firstClick() {
  await dismissNotice(page);
  await page.mouse.move(SCREEN_W / 2, SCREEN_H / 2);
  await page.mouse.down();
  await frames(page, 2);
  await page.mouse.up();
}

// Share of pixels that are not black.
function litShare(picture) {
  let lit = 0;
  for (let o = 0; o < picture.data.length; o += 4)
    if (picture.data[o] > 16 || picture.data[o + 1] > 16 || picture.data[o + 2] > 16) lit++;
  return lit / (picture.width * picture.height);
}

// Share of the level-end screen's text band (the heading and the score
// lines) in the text's pale gold.
function textShare(picture) {
  let text = 0, all = 0;
  for (let y = 330; y < 600; y++) {
    for (let x = 0; x < picture.width; x++) {
      const o = (y * picture.width + x) * 4;
      all++;
      if (picture.data[o] > 200 && picture.data[o + 1] > 170) text++;
    }
  }
  return text / all;
}

function compare(picture, reference, name) {
  const share = differingShare(picture, readPng(path.join(REFERENCE, reference)), DIFF_LEVELS,
    path.join(OUT, `${name}-diff.png`));
  fs.writeFileSync(path.join(OUT, `${name}-share.txt`), `${(share * 100).toFixed(3)} %\n`);
  assert.ok(share <= DIFF_SHARE, `${name}: ${(share * 100).toFixed(2)} % of pixels differ by more than ${DIFF_LEVELS}`);
}

test('the page starts the program, logs its start-up and shows the intro', async () => {
  await page.goto(server.url, { waitUntil: 'load' });
  await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
  const log = await page.evaluate(() => wedgewisePage.log);
  for (const line of ['Init GFX', 'Init Input', 'Init Sound', 'Init Window', 'Init Finalized'])
    assert.ok(log.includes(line), `start-up log has "${line}": ${JSON.stringify(log)}`);
  assert.equal(await page.evaluate(() => document.title), 'Wedgewise');
  const size = await page.evaluate(() => [canvas.width, canvas.height]);
  assert.deepEqual(size, [SCREEN_W, SCREEN_H]);
});

test('the first click captures the pointer and leads from the intro to the menu', async () => {
  // Browsers let sound start only with a gesture: until the click it is held.
  assert.equal(await page.evaluate(() => Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state),
    'suspended', 'the sound waits for the first click');
  await firstClick();
  await until(page, pointerCaptured, 'pointer lock');
  assert.equal(await page.evaluate(() => wedgewisePage.captured), true);
  // Browsers let sound start only with a gesture: the click resumes it.
  await until(page, () => Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state === 'running',
    'the sound running after the click', 5000);
  // The intro scrolls its logo into the menu's place (72 frames).
  await frames(page, 90);
  await pointer.moveTo(scenes.menu.x, scenes.menu.y);
  await waitProbe(page, PROBE.mouseX, (v) => v === scenes.menu.x, 'the pointer at the menu place', 5000);
  assert.equal(await probe(page, PROBE.mouseY), scenes.menu.y, 'the pointer at the menu place');
});

test('the menu looks as on the desktop', async () => {
  const picture = await pictureWhenHeld(page, 1, scenes.menu.angle, path.join(OUT, 'menu-browser.png'));
  fs.copyFileSync(path.join(REFERENCE, 'menu.png'), path.join(OUT, 'menu-desktop.png'));
  compare(picture, 'menu.png', 'menu');
});

// While the pointer is free the game stands still; a click on the picture
// captures the pointer again and the game goes on.
async function pausedUntilClicked() {
  await until(page, () => document.pointerLockElement === null && !document.body.classList.contains('captured'),
    'the pointer let go');
  const paused = await probe(page, PROBE.frames);
  await sleep(600);
  assert.ok((await probe(page, PROBE.frames)) - paused <= 1, 'no frames are shown while the pointer is free');
  // The browser's own mouse is wherever the relative moves left it: it goes
  // back over the picture, to a corner where the menu has nothing, to click.
  pointer.mouseX = 24;
  pointer.mouseY = SCREEN_H - 24;
  await page.mouse.move(pointer.mouseX, pointer.mouseY);
  await page.mouse.down();
  await sleep(100);
  await page.mouse.up();
  await until(page, pointerCaptured, 'the pointer captured again');
  await frames(page, 5);
  pointer.x = pointer.y = null;   // moves made while it was free may have reached the game
}

test('losing the captured pointer pauses the game, and a click captures it again', async () => {
  await page.evaluate(() => document.exitPointerLock());
  await pausedUntilClicked();
});

test('F11 or the button shows the picture full screen, letterboxed, and again leaves it', async () => {
  await page.keyboard.press('F11');
  await until(page, () => document.fullscreenElement === document.getElementById('stage'), 'full screen', 5000);
  const box = await page.evaluate(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return { width: r.width, height: r.height, screenWidth: innerWidth, screenHeight: innerHeight };
  });
  assert.ok(Math.abs(box.width * 3 - box.height * 4) <= 4, `the picture keeps 4:3: ${JSON.stringify(box)}`);
  assert.ok(box.width === box.screenWidth || box.height === box.screenHeight, `it fills the screen one way: ${JSON.stringify(box)}`);
  await frames(page, 5);
  await page.keyboard.press('F11');
  await until(page, () => document.fullscreenElement === null, 'full screen left', 5000);
  // Chromium may let go of the pointer when full screen ends, at once or a
  // moment later. Letting go here makes the next steps the same either way:
  // the game pauses as for any loss of the pointer, and the page's button shows.
  await page.evaluate(() => document.exitPointerLock());
  await until(page, () => getComputedStyle(document.getElementById('fullscreen')).display !== 'none',
    'the full-screen button shown');
  await page.click('#fullscreen');
  await until(page, () => document.fullscreenElement === document.getElementById('stage'), 'full screen by the button', 5000);
  // Full screen shows the picture alone; F11 (or the browser's Escape) leaves.
  await page.keyboard.press('F11');
  await until(page, () => document.fullscreenElement === null, 'full screen left', 5000);
  await pausedUntilClicked();
});

test('a game starts from the menu and its first frames look as on the desktop', async () => {
  await pointer.moveTo(scenes.vortex_item.x, scenes.vortex_item.y);
  await pointer.click();
  await waitProbe(page, PROBE.vortexOn, (v) => v === 0, 'the vortex switched off');
  await pointer.moveTo(scenes.play.x, scenes.play.y);
  // While the button is held the menu waits for its release, showing no new
  // frames: the page must go on showing the last one, not a cleared canvas.
  let waiting;
  const picture = await pictureWhenHeld(page, 2, scenes.play.timer, path.join(OUT, 'play-browser.png'),
    async () => {
      await page.mouse.down();
      await sleep(400);
      waiting = await canvasPicture(page, path.join(OUT, 'menu-waiting-browser.png'));
      await page.mouse.up();
    });
  assert.ok(litShare(waiting) > 0.5, `the menu while its button is held: ${(litShare(waiting) * 100).toFixed(1)} % lit`);
  fs.copyFileSync(path.join(REFERENCE, 'play.png'), path.join(OUT, 'play-desktop.png'));
  assert.equal(await probe(page, PROBE.level), 0, 'the training level');
  compare(picture, 'play.png', 'play');
});

// Takes a tile from the store, turns it with the right button (or the
// wheel, a notch a turn), drops it: a tile turned too few times or too
// many does not fit.
async function place(move, { byWheel = false } = {}) {
  const spaces = await probe(page, PROBE.spaces);
  await pointer.moveTo(move.slot_x, move.slot_y);
  await pointer.click();
  await waitProbe(page, PROBE.heldTile, (v) => v >= 0, 'a tile in the hand', 5000);
  for (let i = 0; i < move.turns; i++) {
    if (byWheel) await wheelNotch(launched, page, true);
    else await pointer.click('right');
    await frames(page, 6);   // the turn's animation ends before the next click counts
  }
  await pointer.moveTo(move.cell_x, move.cell_y);
  await pointer.click();
  await waitProbe(page, PROBE.spaces, (v) => v === spaces - 1, 'the tile on the board', 5000);
  assert.equal(await probe(page, PROBE.heldTile), -1);
  placedTiles++;
}

test('the first tile of the training level is placed by mouse through pointer lock', async () => {
  assert.ok(scenes.moves.length > 0);
  await place(scenes.moves[0]);
  assert.ok((await probe(page, PROBE.score)) > 0, 'a placed tile scores');
});

test('the training level is played to its level-end screen', async () => {
  assert.equal(placedTiles, 1, 'the first tile is on the board');
  // One tile that needs turning is turned by the wheel.
  const wheeled = scenes.moves.findIndex((m, i) => i > 0 && m.turns > 0);
  assert.ok(wheeled > 0, 'a tile to turn by the wheel');
  for (const [i, move] of scenes.moves.entries()) if (i > 0) await place(move, { byWheel: i === wheeled });
  assert.equal(await probe(page, PROBE.spaces), 0);
  // Past the announcement, the bonus is counted; holding the button skips
  // the count, the screen waiting for the release presenting nothing: the
  // page keeps showing the last frame, text and all, not one half drawn.
  await frames(page, 200);
  const shown = await canvasPicture(page, path.join(OUT, 'level-end-browser.png'));
  await page.mouse.down();
  await framesOrWhile(page, 3, 1500);
  const held = await canvasPicture(page, path.join(OUT, 'level-end-held-browser.png'));
  await page.mouse.up();
  assert.ok(textShare(shown) > 0.01, `the level-end screen shows its text: ${textShare(shown)}`);
  assert.ok(textShare(held) >= 0.8 * textShare(shown),
    `its text stays while the button is held: ${textShare(held)} against ${textShare(shown)}`);
  // Clicks skip the bonus count and then leave the level-end screen, which
  // shows its announcement for some 180 frames first.
  const started = Date.now();
  while ((await probe(page, PROBE.level)) !== 1) {
    assert.ok(Date.now() - started < 180000, 'level 1 within three minutes');
    await pointer.click();
    await frames(page, 20);
  }
  scoreAtEnd = await probe(page, PROBE.score);
  assert.ok(scoreAtEnd > 0);
});

test('quitting the game asks for a name, which joins the high scores', async () => {
  assert.ok(scoreAtEnd > 0, 'the training level was played');
  await pointer.moveTo(PLAY_QUIT_BUTTON.x, PLAY_QUIT_BUTTON.y);
  await pointer.click();
  await frames(page, 10);
  await canvasPicture(page, path.join(OUT, 'name-entry-browser.png'));
  // Each key is held for frames and let go for frames: the name entry reads
  // the keys once a frame and takes a letter again only after a release.
  for (const key of [...NAME, 'Enter']) {
    await page.keyboard.down(key);
    await frames(page, 3);
    await page.keyboard.up(key);
    await frames(page, 3);
  }
  let entered = -1;
  for (const started = Date.now(); entered < 0 && Date.now() - started < 10000; await frames(page, 1))
    entered = await highScoreOf(page, NAME);
  assert.equal(entered, scoreAtEnd, `"${NAME}" in the game's high scores with the score the game ended on`);
});

test('a changed colour scheme and the score are saved when the player quits', async () => {
  channelsBefore = await channels();
  await pointer.moveTo(CHANGE_COLOURS.x, CHANGE_COLOURS.y);
  await pointer.click();
  await frames(page, 10);
  await pointer.moveTo(RED_OF_COLOUR_1_UP.x, RED_OF_COLOUR_1_UP.y);
  await pointer.click('left', 20);    // held: the channel steps down every frame
  channelsSaved = await channels();
  assert.ok(channelsSaved[0] > channelsBefore[0], `colour 1's red went up: ${channelsBefore[0]} -> ${channelsSaved[0]}`);
  assert.deepEqual(channelsSaved.slice(1), channelsBefore.slice(1), 'only that channel moved');
  await pointer.moveTo(COLOUR_EXIT.x, COLOUR_EXIT.y);
  await pointer.click();
  await frames(page, 10);
  await pointer.moveTo(QUIT_ITEM.x, QUIT_ITEM.y);
  await pointer.click();
  await until(page, () => wedgewisePage.ended, 'the program end');
  assert.equal(await page.evaluate(() => wedgewisePage.errorCode), 0);
  await until(page, () => wedgewisePage.saving === 0, 'the records stored');
  assert.equal(await page.evaluate(() => !document.getElementById('ended').hidden), true,
    'the page says the game has ended');
  assert.equal(await page.evaluate(() => document.pointerLockElement), null, 'the pointer is free again');
  await canvasPicture(page, path.join(OUT, 'ended-browser.png'));
});

// hiscore.dat: 15 records of a 20-character name and a 7-character score,
// each character stored as its code minus 20.
function highScores(bytes) {
  const rows = [];
  for (let r = 0; r < 15; r++) {
    const text = Array.from(bytes.slice(r * 27, r * 27 + 27), (b) => String.fromCharCode((b + 20) & 0xff));
    rows.push({ name: text.slice(0, 20).join('').trim(), score: Number(text.slice(20).join('').trim()) });
  }
  return rows;
}

test('after a reload the score and the colours are still there', async () => {
  assert.ok(channelsSaved.length === 18, 'the colours were saved');
  await page.goto(server.url, { waitUntil: 'load' });
  await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
  assert.deepEqual(await channels(), channelsSaved);
  const table = highScores(await page.evaluate(() => Array.from(Module.FS.readFile('/wedgewise/hiscore.dat'))));
  const row = table.find((r) => r.name === NAME);
  assert.ok(row, `"${NAME}" in the high scores: ${JSON.stringify(table)}`);
  assert.equal(row.score, scoreAtEnd);
});

test('Escape on the menu ends the program as QUIT does, and the records are stored', async () => {
  await firstClick();
  await frames(page, 150);   // the intro scrolls into the menu
  // A change that only a stored settings.dat can bring back: the vortex.
  const vortexBefore = await probe(page, PROBE.vortexOn);
  pointer.x = pointer.y = null;
  await pointer.moveTo(scenes.vortex_item.x, scenes.vortex_item.y);
  await pointer.click();
  await waitProbe(page, PROBE.vortexOn, (v) => v === 1 - vortexBefore, 'the vortex switched');
  // Held for frames, as a player's key is: the menu reads the key's state
  // once a frame.
  await page.keyboard.down('Escape');
  await framesOrWhile(page, 3, 1000);
  await page.keyboard.up('Escape');
  await until(page, () => wedgewisePage.ended && !document.getElementById('ended').hidden, 'the program end');
  assert.equal(await page.evaluate(() => wedgewisePage.errorCode), 0, 'an end by the player');
  await until(page, () => wedgewisePage.saving === 0, 'the records stored');
  await page.goto(server.url, { waitUntil: 'load' });
  await waitProbe(page, PROBE.firstIntroFrame, (v) => v > 0, 'the first intro frame');
  assert.equal(await probe(page, PROBE.vortexOn), 1 - vortexBefore, 'the switch made before Escape was stored');
});

test('nothing went to the console as an error', () => {
  const bad = messages.filter((m) => m.type === 'error' || m.type === 'pageerror' || m.type === 'requestfailed');
  assert.deepEqual(bad, []);
});
