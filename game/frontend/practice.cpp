// The practice level select: a miniature of one level's puzzle on a panel
// that slides off and back in when PREV or NEXT is clicked.
#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {

constexpr int FRAME_SPACE_UP = 0;
constexpr int FRAME_FIRST_TILE_UP = 2;

constexpr double PANEL_REST = 512;
constexpr double PANEL_GONE_LEFT = -256;
constexpr double PANEL_GONE_RIGHT = 1280;
constexpr double SLIDE_SPEED = 32;
constexpr double TOWARD_NEXT = -1;
constexpr double TOWARD_PREVIOUS = 1;

constexpr int BORDER_COLOUR = 0x202020;
constexpr int FACE_COLOUR = 0x000808;

// Click boxes, bounds excluded, valid only while the panel rests.
struct Box { int x1, x2, y1, y2; };
constexpr Box PANEL_BOX = {390, 630, 427, 630};
constexpr Box PREV_BOX = {196, 323, 515, 545};
constexpr Box NEXT_BOX = {697, 824, 515, 545};

bool inside(const Box& box, double x, double y) {
    return x > box.x1 && x < box.x2 && y > box.y1 && y < box.y2;
}

void draw_miniature(double panel) {
    for (int y = 0; y < BOARD_ROWS; ++y) {
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            double cell = board(x, y);
            int frame;
            if (cell == CELL_EMPTY) frame = FRAME_SPACE_UP;
            else if (cell == CELL_TILE) frame = FRAME_FIRST_TILE_UP;
            else continue;
            if (!cell_is_up(x, y)) frame += 1;
            draw_anim_frame(SPRITE_MINIATURE, frame, static_cast<int>(panel - 118 + 9 * x), 430 + 18 * y);
        }
    }
}

void draw_practice_frame(double panel, double x, double y) {
    draw_text_centred("CLICK ON LEVEL TO START", 512, 360, PROPORTIONAL);
    draw_rect(static_cast<int>(panel - 122), 426, 244, 207, BORDER_COLOUR);
    draw_rect(static_cast<int>(panel - 121), 427, 242, 205, FACE_COLOUR);
    draw_miniature(panel);
    draw_text_centred("LEVEL " + string_from_number(level), panel, 680, PROPORTIONAL);
    draw_text_centred("PREV", panel - 250, 516, PROPORTIONAL);
    draw_text_centred("NEXT", panel + 250, 516, PROPORTIONAL);
    draw_pointer(x, y);
}

}  // namespace

void practice_select() {
    level = 1;
    load_level_layout();
    double panel = PANEL_REST;
    double slide = 0;

    for (;;) {
        draw_backdrop();
        double x, y, left, right;
        mouse_state(x, y, left, right);
        draw_practice_frame(panel, x, y);
        show_screen();

        if (slide != 0) {
            panel += slide * SLIDE_SPEED;
            if (panel == PANEL_GONE_LEFT) {
                level = level >= LAST_LEVEL ? 1 : level + 1;
                load_level_layout();
                panel = PANEL_GONE_RIGHT;
            } else if (panel == PANEL_GONE_RIGHT) {
                level = level <= 1 ? LAST_LEVEL : level - 1;
                load_level_layout();
                panel = PANEL_GONE_LEFT;
            }
            if (panel == PANEL_REST) slide = 0;
        } else if (left == 1) {
            // No latch: a held button keeps stepping once the panel is back.
            if (inside(PANEL_BOX, x, y)) return;
            if (inside(PREV_BOX, x, y)) slide = TOWARD_PREVIOUS;
            if (inside(NEXT_BOX, x, y)) slide = TOWARD_NEXT;
        }
    }
}
