// Runs with the program's script, before the program is even downloaded.
// A fresh browser brings its audio output up the first time a page asks
// for it, and that blocks the page for hundreds of milliseconds: asked for
// here, it comes up while the program and its media are still on the way,
// not in the middle of the program's start. SDL's audio driver takes the
// context it finds in Module.SDL2 and adds nothing when it did not make it,
// so the browser's resume-on-first-gesture is hooked up here as SDL would.
(function () {
  var Context = typeof AudioContext !== 'undefined' ? AudioContext
    : typeof webkitAudioContext !== 'undefined' ? webkitAudioContext : null;
  if (!Context) return;
  var SDL2 = Module['SDL2'] = Module['SDL2'] || {};
  if (SDL2.audioContext) return;
  try {
    SDL2.audioContext = new Context();
  } catch (error) {
    return;   // SDL tries again when the program opens its sound device
  }
  if (typeof autoResumeAudioContext === 'function') autoResumeAudioContext(SDL2.audioContext);
})();
