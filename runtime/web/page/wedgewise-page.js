// The page around the game: it fetches the two media containers into the
// program's folder, keeps settings.dat and hiscore.dat in IndexedDB, shows
// the start-up log on the console, offers full screen, captures the pointer
// on the first click (losing it pauses the game), starts the sound with
// that click and says when the program has ended.
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

  // What tests and curious players can look at.
  var page = window.wedgewisePage = {
    log: [],          // the start-up log
    saving: 0,        // IndexedDB writes not yet finished
    ended: false,
    errorCode: null,
    captured: false,
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

  function resumeAudio() {
    var context = Module.SDL2 && Module.SDL2.audioContext;
    if (context && context.state === 'suspended') context.resume();
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
      endedNotice.hidden = false;
    },
  };

  // The pointer is captured on the first click (the program asks for it;
  // browsers grant it only during a click). Once it has been captured,
  // losing it (Escape) pauses the game; a click on the picture resumes.
  document.addEventListener('pointerlockchange', function () {
    var locked = document.pointerLockElement === canvas;
    document.body.classList.toggle('captured', locked);
    if (locked) page.captured = true;
    if (page.captured) setFocus(locked);
  });
  // (The program itself asks for the pointer again on a click after a loss.)
  canvas.addEventListener('mousedown', resumeAudio);
  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });
  document.addEventListener('keydown', function (event) {
    resumeAudio();
    if (event.key === 'F11') {
      event.preventDefault();
      toggleFullscreen();
    }
  }, true);
  fullscreenButton.addEventListener('click', toggleFullscreen);
})();
