// The page around the game: it fetches the two media containers into the
// program's folder, keeps settings.dat and hiscore.dat in IndexedDB, shows
// the start-up log on the console, offers full screen, captures the pointer
// on the first click (losing it pauses the game), starts the sound with
// that click or tap and says when the program has ended. On touch screens
// it adds buttons that turn the held tile and a text field for names.
(function () {
  'use strict';

  var WORK = '/wedgewise';          // the program's folder
  var RECORDS = '/records';         // IndexedDB copy of the data files
  var DATA_FILES = ['settings.dat', 'hiscore.dat'];
  var MEDIA = ['media.gfx', 'media.aud'];

  var canvas = document.getElementById('canvas');
  var stage = document.getElementById('stage');
  var status = document.getElementById('status');
  var endedNotice = document.getElementById('ended');
  var fullscreenButton = document.getElementById('fullscreen');
  var pausedNotice = document.getElementById('paused');
  var turns = document.getElementById('turns');
  var nameEntry = document.getElementById('name-entry');
  var nameField = document.getElementById('name-field');

  // What tests and curious players can look at.
  var page = window.wedgewisePage = {
    log: [],          // the start-up log
    saving: 0,        // IndexedDB writes not yet finished
    ended: false,
    errorCode: null,
    captured: false,
    paused: false,      // paused because the captured pointer was let go
    touch: false,       // a touch screen: the page's touch controls show
    textEntry: false,   // the game is asking for a name
  };

  // Started at once, in parallel with the program's own download.
  var media = Promise.all(MEDIA.map(function (name) {
    return fetch(name).then(function (response) {
      if (!response.ok) throw new Error(name + ': ' + response.status);
      return response.arrayBuffer();
    });
  }));

  function fail(message) {
    status.hidden = false;
    status.textContent = message;
    console.error('wedgewise: ' + message);
  }

  function prepareFiles() {
    var FS = Module.FS;
    Module.addRunDependency('wedgewise-files');
    FS.mkdir(WORK);
    FS.mkdir(RECORDS);
    FS.mount(FS.filesystems.IDBFS, {}, RECORDS);
    var restored = new Promise(function (resolve) {
      FS.syncfs(true, function (error) {
        if (error) console.warn('wedgewise: no stored records (' + error + ')');
        resolve();
      });
    });
    Promise.all([media, restored]).then(function (results) {
      results[0].forEach(function (bytes, i) {
        FS.writeFile(WORK + '/' + MEDIA[i], new Uint8Array(bytes));
      });
      DATA_FILES.forEach(function (name) {
        if (FS.analyzePath(RECORDS + '/' + name).exists)
          FS.writeFile(WORK + '/' + name, FS.readFile(RECORDS + '/' + name));
      });
      FS.chdir(WORK);
      Module.removeRunDependency('wedgewise-files');
    }).catch(function (error) {
      fail('The game could not be loaded (' + error.message + ').');
    });
  }

  // One IndexedDB write at a time; a save made meanwhile is written next.
  var syncing = false, again = false;
  function storeRecords() {
    if (syncing) { again = true; return; }
    syncing = true;
    page.saving++;
    Module.FS.syncfs(false, function (error) {
      syncing = false;
      page.saving--;
      if (error) console.warn('wedgewise: the records could not be stored (' + error + ')');
      if (again) { again = false; storeRecords(); }
    });
  }

  function setFocus(active) {
    if (!page.ended && Module._wedgewise_focus) Module._wedgewise_focus(active ? 1 : 0);
  }

  // Paused while a captured pointer is let go; a click captures it again
  // (or, where the browser refuses, plays on with the pointer free).
  function setPaused(paused) {
    page.paused = paused && !page.ended;
    pausedNotice.hidden = !page.paused;
    setFocus(!page.paused);
  }

  // The sound starts with the player's first click, tap or key, in every
  // browser (some would let it start at once, others never without one).
  var gestured = false;
  function resumeAudio(event) {
    if (event && event.isTrusted === false) return;
    gestured = true;
    var context = Module.SDL2 && Module.SDL2.audioContext;
    if (context && context.state === 'suspended') context.resume();
  }
  function holdSoundUntilGesture() {
    var context = Module.SDL2 && Module.SDL2.audioContext;
    if (context && !gestured && context.state === 'running') context.suspend();
  }

  function markTouch() {
    if (page.touch) return;
    page.touch = true;
    document.body.classList.add('touch');
    layoutControls();
  }

  // The turn buttons sit beside the picture where the letterbox leaves
  // room, else over the top-right corner of the play area (screen pixels
  // 620..760 across, from 14 down), where the play screen shows only the vortex.
  var CONTROL_ROOM = 76;
  function layoutControls() {
    var r = canvas.getBoundingClientRect();
    var right = innerWidth - r.right, below = innerHeight - r.bottom;
    turns.classList.toggle('column', right >= CONTROL_ROOM);
    turns.style.left = turns.style.top = turns.style.right = turns.style.bottom = '';
    if (right >= CONTROL_ROOM) {
      turns.style.left = (r.right + (right - 64) / 2) + 'px';
      turns.style.top = (r.top + r.height / 2 - 70) + 'px';
    } else if (below >= CONTROL_ROOM) {
      turns.style.left = (r.left + r.width / 2 - 70) + 'px';
      turns.style.top = (r.bottom + (below - 64) / 2) + 'px';
    } else {
      turns.style.left = (r.left + r.width * 620 / 1024) + 'px';
      turns.style.top = (r.top + r.height * 14 / 768) + 'px';
    }
  }

  // The name typed into the field reaches the game as typed keys: what was
  // added as characters, what was taken away as Backspaces.
  var typedName = '';
  function typeKey(code) {
    if (Module._wedgewise_type) Module._wedgewise_type(code);
  }
  function nameChanged() {
    var now = nameField.value, kept = 0;
    while (kept < now.length && kept < typedName.length && now[kept] === typedName[kept]) kept++;
    for (var i = kept; i < typedName.length; i++) typeKey(8);
    for (var j = kept; j < now.length; j++) {
      var code = now.charCodeAt(j);
      if (code < 256) typeKey(code);
    }
    typedName = now;
  }
  function finishName(event) {
    if (event) event.preventDefault();
    nameChanged();
    typeKey(10);
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
  }

  window.Module = {
    canvas: canvas,
    preRun: [prepareFiles],
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    wedgewiseLog: function (line) {
      page.log.push(line);
      console.log('wedgewise: ' + line);
      if (line === 'Init Window') holdSoundUntilGesture();   // the sound device is open by now
      if (line === 'Init Finalized') status.hidden = true;
    },
    wedgewiseSaved: function (path) {
      var name = path.split('/').pop();
      if (DATA_FILES.indexOf(name) < 0) return;
      var FS = Module.FS;
      FS.writeFile(RECORDS + '/' + name, FS.readFile(path));
      storeRecords();
    },
    wedgewiseEnded: function (code) {
      page.ended = true;
      page.errorCode = code;
      document.body.classList.add('ended');
      if (document.pointerLockElement) document.exitPointerLock();
      status.hidden = true;
      pausedNotice.hidden = true;
      nameEntry.hidden = true;
      endedNotice.hidden = false;
    },
    // The name entry: on touch screens the field is shown and focused, so
    // the device's keyboard opens; elsewhere the keys reach the game as ever.
    wedgewiseTextEntry: function (on) {
      page.textEntry = on;
      if (!page.touch) return;
      nameEntry.hidden = !on;
      typedName = nameField.value = '';
      if (on) nameField.focus();
      else nameField.blur();
    },
  };

  // The pointer is captured on the first click (the program asks for it;
  // browsers grant it only during a click). Once it has been captured,
  // losing it (Escape) pauses the game; a click on the picture resumes.
  document.addEventListener('pointerlockchange', function () {
    var locked = document.pointerLockElement === canvas;
    document.body.classList.toggle('captured', locked);
    if (locked) page.captured = true;
    if (locked) setPaused(false);
    else if (page.captured) setPaused(true);
  });
  // A browser that will not lock the pointer again: play on with it free.
  document.addEventListener('pointerlockerror', function () {
    if (page.paused) setPaused(false);
  });
  // (The program itself asks for the pointer again on a click after a loss.)
  document.addEventListener('mousemove', function (event) {
    Module.wedgewiseMouse = { x: event.clientX, y: event.clientY };
  }, true);
  document.addEventListener('mousedown', function (event) {
    Module.wedgewiseMouse = { x: event.clientX, y: event.clientY };
    resumeAudio();
  }, true);
  // Browsers let sound start on a click, a key or the end of a tap.
  ['pointerup', 'touchend', 'keydown'].forEach(function (type) {
    document.addEventListener(type, resumeAudio, true);
  });
  document.addEventListener('pointerdown', function (event) {
    if (event.pointerType === 'mouse') return;
    markTouch();
    // Fingers and pens never capture the pointer: a tap plays on.
    if (page.paused) setPaused(false);
  }, true);
  document.addEventListener('touchstart', markTouch, { capture: true, passive: true });
  if (navigator.maxTouchPoints > 0 || (window.matchMedia && matchMedia('(pointer: coarse)').matches)) markTouch();

  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'F11') {
      event.preventDefault();
      toggleFullscreen();
    }
  }, true);
  fullscreenButton.addEventListener('click', toggleFullscreen);

  // One step per press, through the game's wheel (+1 turns anticlockwise).
  [['turn-anticlockwise', 1], ['turn-clockwise', -1]].forEach(function (button) {
    document.getElementById(button[0]).addEventListener('pointerdown', function (event) {
      event.preventDefault();
      event.stopPropagation();
      resumeAudio();
      if (Module._wedgewise_turn) Module._wedgewise_turn(button[1]);
    });
  });

  // Keys typed into the field are the field's, not the game's as well.
  ['keydown', 'keyup', 'keypress'].forEach(function (type) {
    nameField.addEventListener(type, function (event) {
      event.stopPropagation();
      if (type === 'keydown' && event.key === 'Enter') finishName(event);
    });
  });
  nameField.addEventListener('input', nameChanged);
  nameEntry.addEventListener('submit', finishName);
  ['pointerdown', 'touchstart', 'touchend', 'mousedown'].forEach(function (type) {
    nameEntry.addEventListener(type, function (event) { event.stopPropagation(); });
  });

  addEventListener('resize', layoutControls);
  layoutControls();
})();
