// The main menu and the intro that leads into it.
#include <iterator>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {

constexpr double MENU_CENTRE_X = 512;
constexpr int KEY_ESCAPE = 1;
constexpr const char* MENU_MUSIC = "mp3media/triangle.mp3";
constexpr const char* INTRO_MUSIC = "mp3media/marlow.mp3";

enum MenuCode {
    NOTHING = 0,
    CHANGE_COLOURS = 1,
    TOGGLE_MUSIC = 2,
    INSTRUCTIONS = 3,
    HIGH_SCORES = 4,
    PRACTICE = 5,
    START_GAME = 6,
    QUIT = 7,
    TOGGLE_VORTEX = 8,
};

// One menu line. The click box is fixed whatever wording is shown; both
// bounds are outside the box.
struct MenuItem {
    int code;
    int text_y;
    int box_x1, box_x2, box_y1, box_y2;
};

// In the order the boxes are tested; the lines are drawn top to bottom.
constexpr MenuItem MENU_ITEMS[] = {
    {CHANGE_COLOURS, 330, 200, 822, 330, 362},
    {TOGGLE_VORTEX, 385, 284, 736, 385, 417},
    {TOGGLE_MUSIC, 440, 310, 712, 440, 472},
    {INSTRUCTIONS, 495, 274, 746, 495, 527},
    {HIGH_SCORES, 550, 284, 736, 550, 582},
    {PRACTICE, 605, 270, 750, 605, 637},
    {START_GAME, 660, 356, 666, 660, 692},
    {QUIT, 715, 456, 566, 715, 747},
};

// The wording of an item, which follows the current settings.
const char* menu_text(int code) {
    switch (code) {
    case CHANGE_COLOURS: return "CHANGE COLOUR SCHEME";
    case TOGGLE_VORTEX: return vortex_on == 1 ? "TURN VORTEX OFF" : "TURN VORTEX ON";
    case TOGGLE_MUSIC: return music_off != 0 ? "TURN MUSIC ON" : "TURN MUSIC OFF";
    case INSTRUCTIONS: return "VIEW INSTRUCTIONS";
    case HIGH_SCORES: return "VIEW HIGH SCORES";
    case PRACTICE: return "PRACTICE A LEVEL";
    case START_GAME: return "START GAME";
    case QUIT: return "QUIT";
    default: return "";
    }
}

bool inside_box(const MenuItem& item, double x, double y) {
    return x > item.box_x1 && x < item.box_x2 && y > item.box_y1 && y < item.box_y2;
}

void draw_menu_item(const MenuItem& item) {
    draw_text_centred(menu_text(item.code), MENU_CENTRE_X, item.text_y, PROPORTIONAL);
}

void draw_menu_frame(double x, double y) {
    draw_backdrop();
    draw_menu_item(MENU_ITEMS[0]);
    draw_sample_tiles();
    for (size_t i = 1; i < std::size(MENU_ITEMS); ++i) draw_menu_item(MENU_ITEMS[i]);
    draw_pointer(x, y);
}

void start_menu_music() { music_play(MENU_MUSIC, 1); }

// The three intro credit lines: who lent the music a hand.
constexpr const char* INTRO_CREDITS[] = {
    "WITH MUSICAL HELP FROM",
    "TWO KIND SINGING FRIENDS",
    "AND ONE FELT SOCK PUPPET",
};
constexpr int INTRO_CREDIT_Y[] = {135, 170, 205};
constexpr int INTRO_PICTURE_X = 245, INTRO_PICTURE_Y = 30;
constexpr int INTRO_LOGO_OFFSET = 284;   // the scroll ends with the logo where the menu draws it
constexpr int INTRO_SCROLL_STEP = 4;

void draw_intro_frame(double d) {
    draw_backdrop_pattern();
    draw_sprite(SPRITE_INTRO, INTRO_PICTURE_X, static_cast<int>(INTRO_PICTURE_Y - d));
    for (size_t i = 0; i < std::size(INTRO_CREDITS); ++i)
        draw_text_centred(INTRO_CREDITS[i], MENU_CENTRE_X, INTRO_CREDIT_Y[i] - d, PROPORTIONAL);
    draw_logo(INTRO_LOGO_OFFSET - d);
    show_screen();
}

}  // namespace

// ---------------------------------------------------------------- shared with the colour editor

void draw_sample_tiles() {
    // Colours 1, 4, 3 and 5, 2, 6 (top, lower left, lower right): all six in view.
    draw_tile_form(90, 315, {UP_ANGLE, tile_colours[0], tile_colours[3], tile_colours[2], 1, 4, 3});
    draw_tile_form(870, 315, {UP_ANGLE, tile_colours[4], tile_colours[1], tile_colours[5], 5, 2, 6});
}

// ---------------------------------------------------------------- main menu

void main_menu() {
    // An Esc still held from the screen before must not quit at once.
    while (key_down(KEY_ESCAPE)) {}
    int menu_choice = NOTHING;
    int menu_latch = 0;
    double x, y, left, right;
    mouse_state(x, y, left, right);
    if (music_off == 0) start_menu_music();

    for (;;) {
        mouse_state(x, y, left, right);
        draw_menu_frame(x, y);
        show_screen();

        if (left == 1 && menu_latch == 0) {
            for (const MenuItem& item : MENU_ITEMS) {
                if (inside_box(item, x, y)) {
                    menu_choice = item.code;
                    menu_latch = 1;
                }
            }
        }
        if (left == 0) {
            menu_choice = NOTHING;
            menu_latch = 0;
        }

        if (menu_choice == CHANGE_COLOURS) {
            menu_choice = NOTHING;
            colour_scheme_screen();
        }
        if (menu_choice == TOGGLE_MUSIC) {
            menu_choice = NOTHING;
            if (music_off != 0) {
                start_menu_music();
                music_off = 0;
            } else {
                music_stop();
                music_off = 1;
            }
        }
        if (menu_choice == INSTRUCTIONS) {
            wait_left_release();
            run_tutorial();
            if (music_off == 0) {
                music_stop();
                start_menu_music();
            }
        }
        if (menu_choice == HIGH_SCORES) {
            wait_left_release();
            show_high_scores();
        }
        if (menu_choice == PRACTICE) break;
        if (menu_choice == START_GAME) {
            wait_left_release();
            music_stop();
            return;
        }
        if (menu_choice == QUIT || key_down(KEY_ESCAPE)) {
            save_high_scores();
            save_settings();
            wait_left_release();
            program_quit();
        }
        if (menu_choice == TOGGLE_VORTEX) {
            menu_choice = NOTHING;
            vortex_on = vortex_on != 1 ? 1 : 0;
        }
    }

    wait_left_release();
    practice_select();
    practice_mode = 1;
    wait_left_release();
    music_stop();
}

// ---------------------------------------------------------------- intro

void intro_screen() {
    backdrop_angle = 0;
    music_play(INTRO_MUSIC, 0);
    for (;;) {
        draw_intro_frame(0);
        if (mouse_axis(MOUSE_AXIS_LEFT) == 1) break;
    }
    for (int d = 0; d <= INTRO_LOGO_OFFSET; d += INTRO_SCROLL_STEP) draw_intro_frame(d);
    music_stop();
}
