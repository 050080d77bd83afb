// One game: the frame loop, its counters, the debris motion and the two
// buttons of the play screen.
#include <cmath>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/frame/frame.h"
#include "runtime/values/values.h"

namespace {

constexpr double VORTEX_TURN = 0.1;       // degrees per frame
constexpr double FULL_TURN = 360;
constexpr double VORTEX_SPAWN_EVERY = 3;  // frames of level time

// Hot spots, both bounds excluded; their pictures are part of the frame image.
struct HotSpot { double left, right, top, bottom; };
constexpr HotSpot QUIT_BUTTON = {2, 38, 654, 666};
constexpr HotSpot PAUSE_BUTTON = {721, 769, 654, 666};

bool inside(const HotSpot& h, double x, double y) {
    return x > h.left && x < h.right && y > h.top && y < h.bottom;
}

constexpr double DEBRIS_FADE_STEP = 0.005;
constexpr double DEBRIS_GONE = -0.05;    // nearly transparent: dropped

}  // namespace

bool over_quit_button(double x, double y) { return inside(QUIT_BUTTON, x, y); }
bool over_pause_button(double x, double y) { return inside(PAUSE_BUTTON, x, y); }

void move_debris() {
    debris.remove_where([](Debris& d) {
        d.x += fast_sin(d.angle) * d.speed;
        d.y += fast_sin(d.angle + 90) * d.speed;
        d.fade += DEBRIS_FADE_STEP;
        return d.fade > DEBRIS_GONE || d.x < 0 || d.x > SCREEN_WIDTH || d.y < 0 || d.y > SCREEN_HEIGHT;
    });
}

bool advance_play_frame() {
    if (level_bonus > 0) level_bonus -= 1;
    if (held_tile > -1) tick_tile_timer();
    if (level_timer > 0)
        level_timer -= 1;
    else
        return false;
    vortex_angle += VORTEX_TURN;
    if (vortex_angle > FULL_TURN) vortex_angle -= FULL_TURN;
    update_pointer_targets();
    // Clicks wait while the held tile is turning.
    if (spin_angle == 0) {
        handle_play_input();
        if (returning_allowed(level)) handle_recover_return();
    }
    if (vortex_on == 1) {
        if (int_mod(std::trunc(level_timer), VORTEX_SPAWN_EVERY) == 0) spawn_vortex_arm();
        advance_vortex();
    }
    move_debris();
    return true;
}

PassResult frame_loop_pass() {
    // The completion test comes before the level clock, so a puzzle finished
    // on the last frame still counts.
    if (!board_has_space()) {
        music_stop();
        if (practice_mode == 0) level_complete();
        if (practice_mode == 1 || level > LAST_LEVEL) return PassResult::Completed;
    }
    if (!advance_play_frame()) return PassResult::OutOfTime;
    draw_play_screen();
    show_screen();
    // The buttons use the pointer as read at the start of this pass.
    if (mouse_left == 1 && over_quit_button(mouse_x, mouse_y)) {
        wait_left_release();
        return PassResult::Quit;
    }
    if (mouse_left == 1 && over_pause_button(mouse_x, mouse_y)) pause_screen();
    return PassResult::Playing;
}

void play_game() {
    start_level();
    PassResult result = PassResult::Playing;
    while (result == PassResult::Playing) result = frame_loop_pass();
    game_end(result == PassResult::OutOfTime);
}
