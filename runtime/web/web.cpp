// Browser seams of the runtime (see web.h). The page side of each call is a
// function on Module, set up by the page's script (wedgewise-page.js). This
// module sits at the floor of the runtime with process/: it uses no other.
#ifdef __EMSCRIPTEN__
#include "runtime/web/web.h"

#include <emscripten.h>

namespace {

// The longest the program runs without giving the browser a turn while it
// polls (a wait loop for a button release): about one display frame.
constexpr double YIELD_EVERY_MS = 16.0;

double last_yield_ms = 0;
double last_animation_frame_ms = -1;

// Resolves at the browser's next animation frame (the callback runs before
// the browser's next rendering of the page) with that frame's time.
EM_ASYNC_JS(double, page_animation_frame, (), {
    return await new Promise(function(resolve) { requestAnimationFrame(resolve); });
});

EM_JS(void, page_log, (const char* line), {
    var text = UTF8ToString(line);
    if (Module.wedgewiseLog) Module.wedgewiseLog(text);
    else console.log('wedgewise: ' + text);
});

EM_JS(void, page_file_saved, (const char* path), {
    if (Module.wedgewiseSaved) Module.wedgewiseSaved(UTF8ToString(path));
});

EM_JS(int, page_pointer_locked, (), {
    return document.pointerLockElement ? 1 : 0;
});

// The last mouse position the page saw, packed as x * 65536 + y in canvas
// pixels, or -1. SDL's own position drifts from it once relative motion has
// been clamped at the window's edges.
EM_JS(int, page_mouse_on_canvas, (), {
    var at = Module.wedgewiseMouse;
    var canvas = Module.canvas;
    if (!at || !canvas) return -1;
    var r = canvas.getBoundingClientRect();
    if (r.width <= 0 || r.height <= 0) return -1;
    var x = Math.floor((at.x - r.left) * canvas.width / r.width);
    var y = Math.floor((at.y - r.top) * canvas.height / r.height);
    x = Math.max(0, Math.min(canvas.width - 1, x));
    y = Math.max(0, Math.min(canvas.height - 1, y));
    return x * 65536 + y;
});

EM_JS(void, page_text_entry, (int on), {
    if (Module.wedgewiseTextEntry) Module.wedgewiseTextEntry(on !== 0);
});

EM_JS(void, page_notice, (const char* caption, const char* text), {
    if (Module.wedgewiseNotice) Module.wedgewiseNotice(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, page_first_frame_shown, (), {
    if (Module.wedgewiseFirstFrame) Module.wedgewiseFirstFrame();
});

EM_JS(void, page_sound_opened, (), {
    if (Module.wedgewiseSoundOpened) Module.wedgewiseSoundOpened();
});

EM_JS(void, page_program_ended, (double code), {
    if (Module.wedgewiseEnded) Module.wedgewiseEnded(code);
});

}  // namespace

void web_sleep_ms(double ms) {
    emscripten_sleep(ms > 0 ? static_cast<unsigned>(ms) : 0);
    last_yield_ms = emscripten_get_now();
}

double web_wait_animation_frame() {
    last_animation_frame_ms = page_animation_frame();
    last_yield_ms = emscripten_get_now();
    return last_animation_frame_ms;
}

double web_last_animation_frame_ms() { return last_animation_frame_ms; }

bool web_yield_due() { return emscripten_get_now() - last_yield_ms >= YIELD_EVERY_MS; }

void web_log(const std::string& line) { page_log(line.c_str()); }

void web_file_saved(const std::string& path) { page_file_saved(path.c_str()); }

bool web_pointer_locked() { return page_pointer_locked() != 0; }

bool web_mouse_on_canvas(int& x, int& y) {
    const int packed = page_mouse_on_canvas();
    if (packed < 0) return false;
    x = packed / 65536;
    y = packed % 65536;
    return true;
}

void web_text_entry(bool on) { page_text_entry(on ? 1 : 0); }

void web_notice(const char* caption, const char* text) { page_notice(caption, text); }

void web_first_frame_shown() { page_first_frame_shown(); }

void web_sound_opened() { page_sound_opened(); }

void web_program_ended(double error_code) { page_program_ended(error_code); }
#endif
