// The full-screen interludes of a game: level end with the bonus payment,
// out of time, and pause. The play state stands still while they run.
#include <string>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/frame/frame.h"
#include "runtime/input/input.h"
#include "runtime/values/values.h"

namespace {

constexpr double CENTRE_X = 512;

// ---------------------------------------------------------------- level end

constexpr int ANNOUNCEMENT_FRAMES = 180;     // clicks are ignored meanwhile
constexpr double BONUS_STEP = 19;            // paid per frame
constexpr double HEADING_Y = 340;
constexpr double SCORE_LINE_Y = 500;
constexpr double BONUS_LINE_Y = 560;
constexpr double PROMPT_Y = 720;
constexpr size_t SCORE_WIDTH = 7;
constexpr size_t BONUS_WIDTH = 5;

// ---------------------------------------------------------------- out of time

constexpr double MUSIC_CUT_MS = 20000;
constexpr const char* DIRGE = "mp3media/dirge.mp3";
constexpr double OUT_OF_TIME_Y = 500;

// ---------------------------------------------------------------- pause

constexpr double PAUSED_Y = 380;
constexpr double CONTINUE_Y = 575;
constexpr int PAUSE_DONE = 3;

void draw_level_heading() {
    std::string heading =
        level != 0 ? "LEVEL " + string_from_number(level) + " COMPLETE!" : "TRAINING LEVEL COMPLETE!";
    draw_text_centred(heading, CENTRE_X, HEADING_Y, PROPORTIONAL);
}

void draw_score_line() {
    draw_text_centred("SCORE - " + padded(score, SCORE_WIDTH), CENTRE_X, SCORE_LINE_Y, FIXED);
}

void draw_bonus_line() {
    draw_text_centred("LEVEL BONUS - " + padded(level_bonus, BONUS_WIDTH), CENTRE_X, BONUS_LINE_Y, FIXED);
}

}  // namespace

void level_complete() {
    for (int frame = 0; frame < ANNOUNCEMENT_FRAMES; frame++) {
        draw_backdrop();
        draw_level_heading();
        draw_score_line();
        draw_bonus_line();
        show_screen();
    }
    while (level_bonus > 0) {
        draw_backdrop();
        if (level_bonus > BONUS_STEP - 1) {
            score += BONUS_STEP;
            level_bonus -= BONUS_STEP;
        } else {
            score += level_bonus;
            level_bonus = 0;
        }
        // A click pays the rest at once.
        if (mouse_axis(MOUSE_AXIS_LEFT) != 0) {
            wait_left_release();
            score += level_bonus;
            level_bonus = 0;
        }
        draw_level_heading();
        draw_score_line();
        draw_bonus_line();
        show_screen();
    }
    for (;;) {
        draw_backdrop();
        draw_level_heading();
        draw_score_line();
        draw_text_centred("LEVEL BONUS - 00000", CENTRE_X, BONUS_LINE_Y, FIXED);
        draw_text_centred(level < LAST_LEVEL ? "CLICK MOUSE FOR NEXT LEVEL" : "GAME COMPLETED - WAY TO GO!",
                          CENTRE_X, PROMPT_Y, PROPORTIONAL);
        if (mouse_axis(MOUSE_AXIS_LEFT) == 1) break;
        show_screen();
    }
    wait_left_release();
    level += 1;
    if (level < LAST_LEVEL + 1) start_level();
}

void out_of_time() {
    double t0 = timer_ms();
    if (music_off == 0) music_play(DIRGE, 1);
    for (;;) {
        if (timer_ms() > t0 + MUSIC_CUT_MS) music_stop();
        draw_backdrop();
        draw_text_centred("OUT OF TIME!", CENTRE_X, OUT_OF_TIME_Y, PROPORTIONAL);
        if (mouse_axis(MOUSE_AXIS_LEFT) == 1) break;
        show_screen();
    }
    wait_left_release();
}

void pause_screen() {
    mouse_state(mouse_x, mouse_y, mouse_left, mouse_right);
    // Stages: the opening click's release, a new press, its release.
    int stage = 0;
    while (stage < PAUSE_DONE) {
        draw_backdrop();
        draw_text_centred("GAME PAUSED", CENTRE_X, PAUSED_Y, PROPORTIONAL);
        draw_text_centred("CLICK TO CONTINUE", CENTRE_X, CONTINUE_Y, PROPORTIONAL);
        show_screen();
        int b = mouse_axis(MOUSE_AXIS_LEFT);
        if ((stage == 0 || stage == 2) && b == 0)
            stage++;
        else if (stage == 1 && b == 1)
            stage++;
    }
}
