// The high-score view and the name-entry screen.
#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {


// Rows 0..2 are drawn full size, the rest small below a grey rule.
constexpr int BIG_ROWS = 3;
constexpr int SHOWN_ROWS = 15;
constexpr int NAME_X = 50;
constexpr int SCORE_X = 746;
constexpr int BIG_TOP = 330, BIG_PITCH = 42;
constexpr int SMALL_TOP = 460, SMALL_PITCH = 25;
constexpr int RULE_X1 = 50, RULE_X2 = 974, RULE_Y = 453;
constexpr int RULE_COLOUR = 0x606060;

constexpr int KEY_RETURN = 28;
constexpr int KEY_KEYPAD_ENTER = 156;
constexpr int BACKSPACE = 8;
constexpr int DOUBLE_QUOTE = 34;
constexpr int FIRST_NAME_CODE = 32;   // space
constexpr int LAST_NAME_CODE = 90;    // "Z"
constexpr size_t MAX_NAME_LENGTH = 20;
constexpr double NAME_BOB = 20;
constexpr double NAME_Y = 640;

void draw_high_score_rows() {
    for (int row = 0; row < BIG_ROWS; ++row) {
        double y = BIG_TOP + BIG_PITCH * row;
        draw_text(high_score_table(row, 0), NAME_X, y, PROPORTIONAL);
        draw_text(high_score_table(row, 1), SCORE_X, y, FIXED);
    }
    draw_line(RULE_X1, RULE_Y, RULE_X2, RULE_Y, RULE_COLOUR);
    for (int row = BIG_ROWS; row < SHOWN_ROWS; ++row) {
        double y = SMALL_TOP + SMALL_PITCH * (row - BIG_ROWS);
        draw_text_small(high_score_table(row, 0), NAME_X, y, PROPORTIONAL);
        draw_text_small(high_score_table(row, 1), SCORE_X, y, FIXED);
    }
}

}  // namespace

void apply_name_key(const std::string& key) {
    int code = string_char_code(key);
    if (code == BACKSPACE) {
        if (!player_name.empty()) player_name.pop_back();
        return;
    }
    std::string c = code == DOUBLE_QUOTE ? std::string("#") : string_upper(key);
    code = string_char_code(c);
    if (code >= FIRST_NAME_CODE && code <= LAST_NAME_CODE && player_name.size() < MAX_NAME_LENGTH)
        player_name += c;
}

void show_high_scores() {
    for (;;) {
        draw_backdrop();
        draw_high_score_rows();
        if (mouse_axis(MOUSE_AXIS_LEFT) == 1) {
            wait_left_release();
            return;
        }
        show_screen();
    }
}

void enter_name() {
    ask_for_text(1);
    for (;;) {
        draw_backdrop();
        draw_text_centred("YOU HAVE A HIGH SCORE!", 512, 400, PROPORTIONAL);
        draw_text_centred("PLEASE ENTER YOUR NAME", 512, 500, PROPORTIONAL);
        double y = fast_sin(backdrop_angle) * NAME_BOB + NAME_Y;
        draw_text_centred(player_name.empty() ? std::string("?") : player_name, 512, y, PROPORTIONAL);
        std::string key = inkey();
        if (!key.empty()) apply_name_key(key);
        show_screen();
        if (key_down(KEY_RETURN) || key_down(KEY_KEYPAD_ENTER)) break;
    }
    ask_for_text(0);
    insert_high_score(player_name.empty() ? std::string("ANONYMOUS") : player_name);
}
