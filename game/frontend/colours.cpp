// The colour scheme editor: eighteen channels stepped by held arrow buttons,
// whole schemes set by a preset's name, and the corner marks switched on and
// off. The presets and the switch sit below EXIT, where the screen is free.
#include <algorithm>
#include <cstddef>
#include <iterator>

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

constexpr int SCREEN_CENTRE_X = 512;
constexpr int TEXT_HEIGHT = 32;
constexpr int PRESET_Y = 655;
constexpr int PRESET_PITCH = 400;          // between the centres of neighbouring presets
constexpr int UNDERLINE_GAP = 1, UNDERLINE_H = 3;
constexpr int UNDERLINE_COLOUR = 0x4AB8E0; // the frame's gold inlay
constexpr int MARKS_Y = 710;
constexpr const char* MARKS_ON_TEXT = "CORNER MARKS: ON";
constexpr const char* MARKS_OFF_TEXT = "CORNER MARKS: OFF";

// A line of text and the box that takes its clicks (both bounds excluded).
struct TextItem {
    double centre_x, y, half_width;
    bool holds(double x, double py) const {
        return x > centre_x - half_width && x < centre_x + half_width && py > y && py < y + TEXT_HEIGHT;
    }
};

TextItem preset_item(size_t i) {
    const double offset = static_cast<double>(i) - (static_cast<double>(std::size(COLOUR_PRESETS)) - 1) / 2;
    return {SCREEN_CENTRE_X + PRESET_PITCH * offset, PRESET_Y,
            text_width(COLOUR_PRESETS[i].name, PROPORTIONAL) / 2};
}

// The box stays the same for both wordings, as the menu's switches do.
TextItem marks_item() {
    return {SCREEN_CENTRE_X, MARKS_Y,
            std::max(text_width(MARKS_ON_TEXT, PROPORTIONAL), text_width(MARKS_OFF_TEXT, PROPORTIONAL)) / 2};
}

bool preset_in_use(const ColourPreset& preset) {
    return std::equal(preset.channels.begin(), preset.channels.end(), colour_channels);
}

// The presets, the one in use underlined, and the marks switch with its state.
void draw_options() {
    for (size_t i = 0; i < std::size(COLOUR_PRESETS); ++i) {
        const TextItem item = preset_item(i);
        draw_text_centred(COLOUR_PRESETS[i].name, item.centre_x, item.y, PROPORTIONAL);
        if (preset_in_use(COLOUR_PRESETS[i]))
            draw_rect(static_cast<int>(item.centre_x - item.half_width), PRESET_Y + TEXT_HEIGHT + UNDERLINE_GAP,
                      static_cast<int>(2 * item.half_width), UNDERLINE_H, UNDERLINE_COLOUR);
    }
    draw_text_centred(corner_marks == 1 ? MARKS_ON_TEXT : MARKS_OFF_TEXT, SCREEN_CENTRE_X, MARKS_Y, PROPORTIONAL);
}

// A preset sets all eighteen channels (again each frame it is held: no harm).
void apply_presets(double x, double y, double left) {
    if (left != 1) return;
    for (size_t i = 0; i < std::size(COLOUR_PRESETS); ++i)
        if (preset_item(i).holds(x, y))
            std::copy(COLOUR_PRESETS[i].channels.begin(), COLOUR_PRESETS[i].channels.end(), colour_channels);
}

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
    // The switch flips once a press: after it, not again until the button is released.
    bool marks_latch = false;
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
        apply_presets(x, y, left);
        if (left != 1) {
            marks_latch = false;
        } else if (!marks_latch && marks_item().holds(x, y)) {
            corner_marks = corner_marks == 1 ? 0 : 1;
            marks_latch = true;
        }
        rebuild_tile_colours();
        for (int k = 0; k < COLOURS; ++k)
            draw_rect(colour_left(k) + SWATCH_DX, SWATCH_Y, SWATCH_W, SWATCH_H, tile_colours[k]);
        draw_text_centred("EXIT", 512, 600, PROPORTIONAL);
        draw_options();
        draw_pointer(x, y);
        show_screen();
        if (left == 1 && x > EXIT_X1 && x < EXIT_X2 && y > EXIT_Y1 && y < EXIT_Y2) break;
    }
    save_settings();
    wait_left_release();
}
