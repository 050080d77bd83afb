// The browser tests' probe: reads a few numbers of the game's state and can
// hold the program on a chosen frame, so that the page shows that frame
// while a test takes its picture. It acts only when a test calls it; the
// frame hook is the runtime's own test seam.
#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "runtime/web/web.h"

#include <emscripten.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

enum HoldKind { HOLD_NONE = 0, HOLD_BACKDROP_ANGLE = 1, HOLD_LEVEL_TIMER = 2 };

int hold_kind = HOLD_NONE;
double hold_value = 0;
bool held = false;
double first_intro_frame_ms = -1;   // the first frame that drew the backdrop
// Each presented frame while recording: the clock, the browser's animation
// frame it was drawn in, and how its present and wait went.
struct RecordedFrame {
    double at_ms;
    double animation_frame_ms;
    FrameSpend spend;
};
std::vector<RecordedFrame> recorded;
size_t frames_wanted = 0;

const RecordedFrame* recorded_frame(int i) {
    return i >= 0 && size_t(i) < recorded.size() ? &recorded[size_t(i)] : nullptr;
}

constexpr unsigned HOLD_NAP_MS = 20;

bool hold_due() {
    switch (hold_kind) {
    case HOLD_BACKDROP_ANGLE: return backdrop_angle == hold_value;
    case HOLD_LEVEL_TIMER: return level_timer == hold_value && level >= 0;
    default: return false;
    }
}

int spaces_left() {
    int n = 0;
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++)
            if (board(x, y) == CELL_EMPTY) n++;
    return n;
}

// After each presented frame.
void on_frame() {
    const double now = emscripten_get_now();
    if (first_intro_frame_ms < 0 && backdrop_angle >= 1) first_intro_frame_ms = now;
    if (recorded.size() < frames_wanted) recorded.push_back({now, web_last_animation_frame_ms(), frame_last_spend()});
    if (hold_kind != HOLD_NONE && hold_due()) {
        hold_kind = HOLD_NONE;
        held = true;
        while (held) emscripten_sleep(HOLD_NAP_MS);
    }
}

// The runtime's pointer as the game last read it, on every screen.
int tracked_pointer(bool x_axis) {
    int x = 0, y = 0;
    input_tracked_pointer(x, y);
    return x_axis ? x : y;
}

}  // namespace

void probe_install() { frame_set_frame_hook(on_frame); }

extern "C" {

// 0 backdrop angle, 1 level, 2 level timer, 3 score, 4 frames shown,
// 5 held tile, 6 empty spaces, 7 and 8 the pointer, 9 vortex on,
// 10 music off, 11 first intro frame (ms of the page clock, -1 = none yet),
// 12..29 the colour scheme's eighteen channels.
EMSCRIPTEN_KEEPALIVE double wedgewise_probe(int what) {
    switch (what) {
    case 0: return backdrop_angle;
    case 1: return level;
    case 2: return level_timer;
    case 3: return score;
    case 4: return double(frame_count());
    case 5: return held_tile;
    case 6: return spaces_left();
    case 7: return tracked_pointer(true);
    case 8: return tracked_pointer(false);
    case 9: return vortex_on;
    case 10: return music_off;
    case 11: return first_intro_frame_ms;
    default:
        if (what >= 12 && what < 30) return colour_channels[what - 12];
        return -1;
    }
}

// The high-score table as the game holds it (saved or not): the character
// codes of row's name (0 past its end) and its score. Numbers only: a call
// that returned a string would wait for the program's asynchronous main.
EMSCRIPTEN_KEEPALIVE int wedgewise_high_score_char(int row, int i) {
    if (row < 0 || row >= 15) return 0;
    const std::string& name = high_score_table(row, 0);
    return i >= 0 && size_t(i) < name.size() ? static_cast<unsigned char>(name[size_t(i)]) : 0;
}
EMSCRIPTEN_KEEPALIVE double wedgewise_high_score(int row) {
    return row >= 0 && row < 15 ? std::atof(high_score_table(row, 1).c_str()) : -1;
}

// Holds the program after the first frame presented in that state.
EMSCRIPTEN_KEEPALIVE void wedgewise_hold(int kind, double value) {
    hold_kind = kind;
    hold_value = value;
}

EMSCRIPTEN_KEEPALIVE int wedgewise_held() { return held ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE void wedgewise_release() { held = false; }

// Starts recording the clock of the next n presented frames.
EMSCRIPTEN_KEEPALIVE void wedgewise_record_frames(int n) {
    recorded.clear();
    frames_wanted = n > 0 ? size_t(n) : 0;
}

EMSCRIPTEN_KEEPALIVE int wedgewise_recorded_frames() { return int(recorded.size()); }

EMSCRIPTEN_KEEPALIVE double wedgewise_frame_time(int i) {
    const RecordedFrame* f = recorded_frame(i);
    return f ? f->at_ms : -1;
}

// The browser's time of the animation frame recorded frame i was drawn in.
EMSCRIPTEN_KEEPALIVE double wedgewise_animation_frame_time(int i) {
    const RecordedFrame* f = recorded_frame(i);
    return f ? f->animation_frame_ms : -1;
}

// Of recorded frame i: 0 the ms spent presenting, 1 the ms waited for the deadline.
EMSCRIPTEN_KEEPALIVE double wedgewise_frame_spend(int i, int which) {
    const RecordedFrame* f = recorded_frame(i);
    if (!f) return -1;
    return which == 0 ? f->spend.present_ms : f->spend.wait_ms;
}
}
