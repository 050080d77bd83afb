// The page around the game. It makes sure the browser can run it (WebGL 2)
// and that no other tab is playing, downloads the program and the two media
// containers with a progress line, keeps the records (settings.dat,
// hiscore.dat, options.dat) in the browser's storage file by file, shows the
// start-up log on the console, offers full screen, captures the pointer on
// the first click (losing it pauses the game), starts the sound with that
// click or tap, stores the records when the page is left, and says plainly
// what went wrong when something does. On touch screens it adds buttons that
// turn the held tile and a text field for names.
(function () {
  'use strict';

  var WORK = '/wedgewise';          // the program's folder
  var DATA_FILES = ['settings.dat', 'hiscore.dat', 'options.dat'];
  var MEDIA = ['media.gfx', 'media.aud'];
  var STORE_PREFIX = 'wedgewise/';  // localStorage key of each record file
  var LEGACY_DB = '/records';       // where earlier versions kept them (IndexedDB)
  var RESTORE_WAIT_MS = 4000;       // a restore not answered by then has failed
  var TAB_LOCK = 'wedgewise-game';  // held by the one tab that plays
  // File names as the build versioned them by content.
  var FILES = window.wedgewiseFiles || {};
  function fileName(name) { return FILES[name] || name; }

  var canvas = document.getElementById('canvas');
  var stage = document.getElementById('stage');
  var status = document.getElementById('status');
  var statusText = document.getElementById('status-text');
  var progress = document.getElementById('progress');
  var problem = document.getElementById('problem');
  var banner = document.getElementById('banner');
  var endedNotice = document.getElementById('ended');
  var endedText = document.getElementById('ended-text');
  var otherTab = document.getElementById('other-tab');
  var notice = document.getElementById('notice');
  var fullscreenButton = document.getElementById('fullscreen');
  var pausedNotice = document.getElementById('paused');
  var turns = document.getElementById('turns');
  var nameEntry = document.getElementById('name-entry');
  var nameField = document.getElementById('name-field');

  // What tests and curious players can look at.
  var page = window.wedgewisePage = {
    log: [],            // the start-up log
    saving: 0,          // stores under way (they are synchronous: always 0 after a call)
    stored: 0,          // record files stored
    storage: 'unknown', // 'ok', 'unavailable' (nothing is kept) or 'failed' (restore failed: nothing is written)
    ended: false,
    errorCode: null,
    failure: null,      // what went wrong, when something did
    captured: false,
    paused: false,      // paused: the page is hidden or the captured pointer was let go
    touch: false,       // a touch screen: the page's touch controls show
    textEntry: false,   // the game is asking for a name
    running: false,     // the program has started
  };

  // ---------------------------------------------------------------- failures

  var FAILURES = {
    webgl: 'This browser cannot show the game: it offers no WebGL 2. ' +
      'Try another browser, or switch on hardware acceleration (WebGL) in this one\'s settings.',
    download: 'The game could not be downloaded (%s). Check the connection, then reload the page.',
    crash: 'The game stopped because of an error (%s). Reload the page to play again; ' +
      'if it happens again, try another browser.',
    mismatch: 'The game\'s files do not belong together (%s): an old copy was probably cached. ' +
      'Reload the page; if that does not help, clear this site\'s data.',
  };

  function fail(kind, detail) {
    if (page.failure) return;
    page.failure = kind;
    status.hidden = true;
    pausedNotice.hidden = true;
    problem.hidden = false;
    problem.querySelector('p').textContent = FAILURES[kind].replace('%s', detail || '');
    document.body.classList.add('failed');
    if (document.pointerLockElement) document.exitPointerLock();
    console.error('wedgewise: ' + kind + ': ' + (detail || ''));
  }

  // Told once, on the page, without stopping the game.
  function warn(text) {
    banner.textContent = text;
    banner.hidden = false;
  }

  function describe(error) {
    return String((error && (error.message || error)) || 'unknown');
  }

  // An error nothing caught: in the program (a trap) or in the page.
  window.addEventListener('error', function (event) {
    fail('crash', describe(event.error || event.message));
  });

  // ---------------------------------------------------------------- records

  var storage = null;   // localStorage, when the browser lets the page keep data

  function openStorage() {
    try {
      var s = window.localStorage;
      s.setItem(STORE_PREFIX + 'probe', '1');
      s.removeItem(STORE_PREFIX + 'probe');
      return s;
    } catch (error) {
      return null;
    }
  }

  function toBase64(bytes) {
    var text = '';
    for (var i = 0; i < bytes.length; i++) text += String.fromCharCode(bytes[i]);
    return btoa(text);
  }

  function fromBase64(text) {
    var raw = atob(text), bytes = new Uint8Array(raw.length);
    for (var i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  // The record files earlier versions kept in IndexedDB, for a player who
  // has none in the new place yet. Resolves with { name: bytes }.
  function legacyRecords() {
    if (!window.indexedDB || !indexedDB.databases) return Promise.resolve({});
    return indexedDB.databases().then(function (list) {
      if (!list.some(function (db) { return db.name === LEGACY_DB; })) return {};
      return new Promise(function (resolve, reject) {
        var request = indexedDB.open(LEGACY_DB);
        request.onerror = function () { reject(request.error); };
        request.onsuccess = function () {
          var db = request.result, found = {};
          if (!db.objectStoreNames.contains('FILE_DATA')) { db.close(); resolve(found); return; }
          var files = db.transaction('FILE_DATA', 'readonly').objectStore('FILE_DATA');
          var left = DATA_FILES.length;
          DATA_FILES.forEach(function (name) {
            var get = files.get(LEGACY_DB + '/' + name);
            get.onsuccess = function () {
              if (get.result && get.result.contents) found[name] = new Uint8Array(get.result.contents);
              if (--left === 0) { db.close(); resolve(found); }
            };
            get.onerror = function () { reject(get.error); };
          });
        };
      });
    });
  }

  function withTimeout(promise, ms) {
    return Promise.race([promise, new Promise(function (resolve, reject) {
      setTimeout(function () { reject(new Error('no answer within ' + ms / 1000 + ' s')); }, ms);
    })]);
  }

  // Resolves with { name: bytes } of the stored records. When they cannot
  // be read, nothing is written later either: a save after a failed read
  // would overwrite what the player has.
  function restoreRecords() {
    storage = openStorage();
    if (!storage) {
      page.storage = 'unavailable';
      warn('This browser is not letting the page store anything (a private window, or storage switched off), ' +
        'so your scores and colours will not be kept.');
      return Promise.resolve({});
    }
    var found = {}, any = false;
    try {
      DATA_FILES.forEach(function (name) {
        var text = storage.getItem(STORE_PREFIX + name);
        if (text !== null) { found[name] = fromBase64(text); any = true; }
      });
    } catch (error) {
      return Promise.resolve(restoreFailed(error));
    }
    if (any) { page.storage = 'ok'; return Promise.resolve(found); }
    return withTimeout(legacyRecords(), RESTORE_WAIT_MS).then(function (old) {
      page.storage = 'ok';
      Object.keys(old).forEach(function (name) { storeFile(name, old[name]); });
      return old;
    }, restoreFailed);
  }

  function restoreFailed(error) {
    page.storage = 'failed';
    storage = null;
    warn('Your stored scores and colours could not be read (' + describe(error) + '), so nothing will be ' +
      'stored this time, and what you had stays as it was. Reload the page to try again.');
    console.warn('wedgewise: the records could not be restored: ' + describe(error));
    return {};
  }

  var storeWarned = false;
  function storeFile(name, bytes) {
    if (!storage || page.storage !== 'ok') return;
    try {
      storage.setItem(STORE_PREFIX + name, toBase64(bytes));
      page.stored++;
    } catch (error) {
      if (!storeWarned) warn('Your scores and colours could not be stored (' + describe(error) + ').');
      storeWarned = true;
    }
  }

  // Asks the browser to keep the records when it clears storage. Some
  // browsers (Firefox) ask the player in a prompt, and while it shows they
  // refuse to capture the pointer: those are asked once the game has ended,
  // when the pointer is free. Where it is already granted, asking is silent.
  var persistAsked = false;
  function askToPersist(ended) {
    if (persistAsked || !navigator.storage || !navigator.storage.persist) return;
    function ask() {
      if (persistAsked) return;
      persistAsked = true;
      navigator.storage.persist().catch(function () {});
    }
    if (ended) { ask(); return; }
    if (!navigator.permissions || !navigator.permissions.query) return;
    navigator.permissions.query({ name: 'persistent-storage' }).then(function (result) {
      if (result.state === 'granted') ask();
    }, function () {});
  }

  // ---------------------------------------------------------------- one tab at a time

  var channel = window.BroadcastChannel ? new BroadcastChannel('wedgewise') : null;
  var releaseTab = null;

  // Resolves once this tab may play: at once when no other tab plays; else
  // after the player chose to play here and the other tab has stored its
  // records and stopped.
  function claimTab() {
    if (!navigator.locks) return Promise.resolve();
    return new Promise(function (resolve) {
      function hold(lock) {
        if (!lock) return null;
        resolve();
        return new Promise(function (release) { releaseTab = release; });
      }
      navigator.locks.request(TAB_LOCK, { ifAvailable: true }, function (lock) {
        if (lock) return hold(lock);
        status.hidden = true;
        otherTab.hidden = false;
        document.getElementById('play-here').addEventListener('click', function () {
          otherTab.hidden = true;
          status.hidden = false;
          if (channel) channel.postMessage('take-over');
          navigator.locks.request(TAB_LOCK, hold);
        }, { once: true });
        return null;
      });
    });
  }

  // Another tab takes the game over. This one may be hidden, where the
  // browser runs nothing of the program until it is shown again: the
  // records are stored now, the program is asked to end at its next turn,
  // and the page says the game has moved.
  if (channel) channel.onmessage = function (event) {
    if (event.data !== 'take-over' || !releaseTab) return;
    storeOnLeaving();
    if (Module._wedgewise_end_here && page.running && !page.ended) Module._wedgewise_end_here();
    endedText.textContent = 'The game is now played in another tab.';
    showEnded(0);
  };

  // ---------------------------------------------------------------- downloads

  var loaded = {}, sizes = {};
  function showProgress() {
    var done = 0, total = 0;
    Object.keys(sizes).forEach(function (name) { done += loaded[name] || 0; total += sizes[name]; });
    if (total > 0) {
      progress.value = done / total;
      statusText.textContent = 'Loading\u2026 ' + Math.floor((100 * done) / total) + ' %';
    }
  }

  // The bytes of one file, counted into the progress line as they arrive.
  function download(name) {
    var url = fileName(name);
    return fetch(url).then(function (response) {
      if (!response.ok) throw new Error(name + ': ' + response.status + ' ' + response.statusText);
      sizes[name] = Number(response.headers.get('Content-Length')) || 0;
      if (!response.body || !response.body.getReader) return response.arrayBuffer();
      var reader = response.body.getReader(), chunks = [], got = 0;
      function next() {
        return reader.read().then(function (part) {
          if (part.done) {
            var all = new Uint8Array(got), at = 0;
            chunks.forEach(function (c) { all.set(c, at); at += c.length; });
            return all.buffer;
          }
          chunks.push(part.value);
          got += part.value.length;
          loaded[name] = got;
          showProgress();
          return next();
        });
      }
      return next();
    }, function (error) {
      throw new Error(name + ': ' + describe(error));
    });
  }

  function loadScript(name) {
    return new Promise(function (resolve, reject) {
      var script = document.createElement('script');
      script.src = fileName(name);
      script.async = true;
      script.onload = resolve;
      script.onerror = function () { reject(new Error(name + ' could not be loaded')); };
      document.body.appendChild(script);
    });
  }

  function webgl2Available() {
    try {
      return !!document.createElement('canvas').getContext('webgl2');
    } catch (error) {
      return false;
    }
  }

  // ---------------------------------------------------------------- files in the program's folder

  var media, wasm, records;

  function prepareFiles() {
    var FS = Module.FS;
    Module.addRunDependency('wedgewise-files');
    FS.mkdir(WORK);
    Promise.all([media, records]).then(function (results) {
      results[0].forEach(function (bytes, i) {
        FS.writeFile(WORK + '/' + MEDIA[i], new Uint8Array(bytes));
      });
      Object.keys(results[1]).forEach(function (name) {
        FS.writeFile(WORK + '/' + name, results[1][name]);
      });
      FS.chdir(WORK);
      Module.removeRunDependency('wedgewise-files');
    }).catch(function (error) {
      fail('download', describe(error));
    });
  }

  // Stores what QUIT stores: the game writes its records, which reach
  // storage through wedgewiseSaved.
  function storeOnLeaving() {
    if (page.running && !page.ended && Module._wedgewise_leave) {
      try { Module._wedgewise_leave(); } catch (error) { console.warn('wedgewise: ' + describe(error)); }
    }
  }

  // ---------------------------------------------------------------- focus and pause

  function setFocus(active) {
    if (page.running && !page.ended && Module._wedgewise_focus) Module._wedgewise_focus(active ? 1 : 0);
  }

  // Paused while the page is hidden or has lost the focus, and while a
  // captured pointer is let go: a mouse player comes back by a click, which
  // captures it again (or, where the browser refuses, plays on with the
  // pointer free); a touch player by a tap.
  var hidden = false;
  function updatePause() {
    var lockLost = page.captured && document.pointerLockElement !== canvas && !freePointer;
    var paused = !page.ended && !page.failure && (hidden || lockLost);
    if (paused === page.paused) return;
    page.paused = paused;
    pausedNotice.hidden = !paused || hidden;
    setFocus(!paused);
  }
  var freePointer = false;   // the browser refused to capture the pointer again

  function leavePage() {
    hidden = true;
    storeOnLeaving();
    updatePause();
  }

  function comeBack() {
    hidden = false;
    // A mouse player whose pointer was captured clicks to capture it again.
    if (page.captured && document.pointerLockElement !== canvas) freePointer = false;
    updatePause();
    pausedNotice.hidden = !page.paused;
  }

  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') leavePage();
    else comeBack();
  });
  window.addEventListener('pagehide', storeOnLeaving);
  window.addEventListener('blur', function () { if (!hidden) { hidden = true; updatePause(); } });
  window.addEventListener('focus', comeBack);

  // ---------------------------------------------------------------- sound

  // The sound starts with the player's first click, tap or key, in every
  // browser (some would let it start at once, others never without one).
  var gestured = false;
  function resumeAudio(event) {
    if (event && event.isTrusted === false) return;
    gestured = true;
    var context = Module.SDL2 && Module.SDL2.audioContext;
    if (context && context.state === 'suspended') context.resume().catch(function () {});
  }
  // Some browsers (Firefox) start a new context 'suspended' and let it run
  // a moment later without a gesture: it is suspended whatever its state,
  // and again whenever it starts running before the first gesture.
  function holdSoundUntilGesture() {
    var context = Module.SDL2 && Module.SDL2.audioContext;
    if (!context || gestured) return;
    var hold = function () {
      if (!gestured && context.state !== 'closed') context.suspend().catch(function () {});
    };
    hold();
    context.addEventListener('statechange', function () {
      if (context.state === 'running') hold();
    });
  }

  // ---------------------------------------------------------------- touch controls

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
    if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
  }

  // ---------------------------------------------------------------- the program

  // The program has ended (error code 0: by the player), or the game moved
  // to another tab; the tab lets go of the game either way.
  function showEnded(code) {
    if (page.ended) return;
    page.ended = true;
    page.errorCode = code;
    document.body.classList.add('ended');
    if (document.pointerLockElement) document.exitPointerLock();
    status.hidden = true;
    pausedNotice.hidden = true;
    nameEntry.hidden = true;
    if (releaseTab) { releaseTab(); releaseTab = null; }
    if (page.storage === 'ok') askToPersist(true);
    if (code === 0) endedNotice.hidden = false;
    else fail('crash', 'error ' + code + (page.log.length ? ': ' + page.log[page.log.length - 1] : ''));
  }

  window.Module = {
    canvas: canvas,
    preRun: [prepareFiles],
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    // The program as downloaded by the page (with progress), compiled here.
    instantiateWasm: function (imports, done) {
      wasm.then(function (bytes) {
        return WebAssembly.instantiate(bytes, imports);
      }).then(function (result) {
        done(result.instance, result.module);
      }, function (error) {
        if (error instanceof WebAssembly.LinkError) fail('mismatch', describe(error));
        else fail('download', describe(error));
      });
      return {};
    },
    onAbort: function (what) {
      fail('crash', describe(what));
    },
    onRuntimeInitialized: function () { page.running = true; },
    wedgewiseLog: function (line) {
      page.log.push(line);
      console.log('wedgewise: ' + line);
      if (line === 'Init Finalized') status.hidden = true;
    },
    wedgewiseSaved: function (path) {
      var name = path.split('/').pop();
      if (DATA_FILES.indexOf(name) < 0) return;
      storeFile(name, Module.FS.readFile(path));
    },
    wedgewiseNotice: function (caption, text) {
      notice.querySelector('h2').textContent = caption;
      notice.querySelector('p').textContent = text;
      notice.hidden = false;
    },
    wedgewiseFirstFrame: keepOfflineCopy,
    wedgewiseSoundOpened: holdSoundUntilGesture,
    wedgewiseEnded: showEnded,
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

  // Offline play and installing to a home screen. The worker copies every
  // file of the site, compiling the script as it stores it: begun once the
  // game is on the screen, not while the program and its first frame need
  // the machine.
  function keepOfflineCopy() {
    if (!('serviceWorker' in navigator) || location.protocol === 'file:') return;
    navigator.serviceWorker.register('service-worker.js').catch(function (error) {
      console.warn('wedgewise: no offline copy (' + describe(error) + ')');
    });
  }

  function start() {
    if (!webgl2Available()) {
      fail('webgl');
      return;
    }
    claimTab().then(function () {
      askToPersist(false);
      records = restoreRecords();
      media = Promise.all(MEDIA.map(download));
      wasm = download('wedgewise.wasm');
      media.catch(function (error) { fail('download', describe(error)); });
      wasm.catch(function (error) { fail('download', describe(error)); });
      return loadScript('wedgewise.js');
    }).catch(function (error) {
      fail('download', describe(error));
    });
  }

  // ---------------------------------------------------------------- events

  // Browsers whose requestPointerLock returns a promise (Firefox) reject it
  // when they refuse; the refusal is handled by pointerlockerror below, so
  // the rejection is not left unhandled.
  var requestLock = canvas.requestPointerLock;
  if (requestLock) canvas.requestPointerLock = function () {
    var result = requestLock.apply(canvas, arguments);
    if (result && result.catch) result.catch(function () {});
    return result;
  };

  // The pointer is captured on the first click (the program asks for it;
  // browsers grant it only during a click). Once it has been captured,
  // losing it (Escape) pauses the game; a click on the picture resumes.
  document.addEventListener('pointerlockchange', function () {
    var locked = document.pointerLockElement === canvas;
    document.body.classList.toggle('captured', locked);
    if (locked) {
      page.captured = true;
      freePointer = false;
    }
    updatePause();
  });
  // A browser that will not lock the pointer again: play on with it free.
  document.addEventListener('pointerlockerror', function () {
    freePointer = true;
    updatePause();
  });
  // (The program itself asks for the pointer again on a click after a loss.)
  document.addEventListener('mousemove', function (event) {
    Module.wedgewiseMouse = { x: event.clientX, y: event.clientY };
  }, true);
  document.addEventListener('mousedown', function (event) {
    Module.wedgewiseMouse = { x: event.clientX, y: event.clientY };
    resumeAudio(event);
  }, true);
  // Browsers let sound start on a click, a key or the end of a tap.
  ['pointerup', 'touchend', 'keydown'].forEach(function (type) {
    document.addEventListener(type, resumeAudio, true);
  });
  document.addEventListener('pointerdown', function (event) {
    if (!notice.hidden) notice.hidden = true;
    if (event.pointerType === 'mouse') return;
    markTouch();
    // Fingers and pens never capture the pointer: a tap plays on.
    if (page.paused && !hidden) {
      freePointer = true;
      updatePause();
    }
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
      resumeAudio(event);
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

  start();
})();
