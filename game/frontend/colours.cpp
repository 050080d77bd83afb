// The colour scheme editor: eighteen channels stepped by held arrow buttons.
#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {

constexpr int LIMIT_FRAMES = 6;
constexpr int DOWN_FRAMES = 3;

constexpr int COLOURS = 6;
constexpr int CHANNELS = 3;
constexpr int COLUMN_LEFT = 152, COLOUR_PITCH = 124, CHANNEL_PITCH = 33;
constexpr int FRAME_Y = 450;
constexpr int SWATCH_DX = 6, SWATCH_Y = 456, SWATCH_W = 87, SWATCH_H = 38;
constexpr int UP_ARROW_Y = 410, DOWN_ARROW_Y = 510, ARROW_H = 30;

// Stepping stops at these: an up arrow works below UP_LIMIT, a down arrow above DOWN_LIMIT.
constexpr int UP_LIMIT = 254;
constexpr int DOWN_LIMIT = 20;
constexpr int STEP = 2;

constexpr int EXIT_X1 = 456, EXIT_X2 = 566, EXIT_Y1 = 600, EXIT_Y2 = 632;

int colour_left(int k) { return COLUMN_LEFT + COLOUR_PITCH * k; }
int channel_left(int k, int c) { return colour_left(k) + CHANNEL_PITCH * c; }

void draw_arrows() {
    for (int k = 0; k < COLOURS; ++k) {
        for (int c = 0; c < CHANNELS; ++c) {
            int value = colour_channels[k * CHANNELS + c];
            int up = value > UP_LIMIT - 1 ? LIMIT_FRAMES + c : c;
            int down = value <= DOWN_LIMIT ? LIMIT_FRAMES + DOWN_FRAMES + c : DOWN_FRAMES + c;
            draw_anim_frame(SPRITE_COLOUR_ARROWS, up, channel_left(k, c), UP_ARROW_Y);
            draw_anim_frame(SPRITE_COLOUR_ARROWS, down, channel_left(k, c), DOWN_ARROW_Y);
        }
    }
}

// Every channel whose column holds the pointer moves one step, within its limit.
void step_channels(double x, double y, double left) {
    if (left != 1) return;
    bool up = y > UP_ARROW_Y && y < UP_ARROW_Y + ARROW_H;
    bool down = y > DOWN_ARROW_Y && y < DOWN_ARROW_Y + ARROW_H;
    for (int k = 0; k < COLOURS; ++k) {
        for (int c = 0; c < CHANNELS; ++c) {
            int column = channel_left(k, c);
            if (!(x > column && x < column + CHANNEL_PITCH)) continue;
            int& value = colour_channels[k * CHANNELS + c];
            if (up && value < UP_LIMIT) value += STEP;
            if (down && value > DOWN_LIMIT) value -= STEP;
        }
    }
}

}  // namespace

void colour_scheme_screen() {
    for (;;) {
        double x, y, left, right;
        mouse_state(x, y, left, right);
        draw_backdrop();
        draw_text_centred("CHANGE COLOUR SCHEME", 512, 330, PROPORTIONAL);
        // Drawn before the step, so the tiles follow the swatches a frame later.
        draw_sample_tiles();
        for (int k = 0; k < COLOURS; ++k) draw_sprite(SPRITE_COLOUR_FRAME, colour_left(k), FRAME_Y);
        draw_arrows();
        step_channels(x, y, left);
        rebuild_tile_colours();
        for (int k = 0; k < COLOURS; ++k)
            draw_rect(colour_left(k) + SWATCH_DX, SWATCH_Y, SWATCH_W, SWATCH_H, tile_colours[k]);
        draw_text_centred("EXIT", 512, 600, PROPORTIONAL);
        draw_pointer(x, y);
        show_screen();
        if (left == 1 && x > EXIT_X1 && x < EXIT_X2 && y > EXIT_Y1 && y < EXIT_Y2) break;
    }
    save_settings();
    wait_left_release();
}
