// The runtime's bitmap fonts: 32 font slots living in sprite slots, a
// built-in 8 x 8 font made from bit patterns, and fixed-pitch printing.
#include "runtime/text/text.h"
#include "runtime/text/text_internal.h"
#include "runtime/text/text_testing.h"

#include "runtime/files/files.h"
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/renderer_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// ---------------------------------------------------------------- constants

// Font images without alpha take black as their transparent colour.
constexpr int FONT_KEY = 0x000000;
constexpr int FONT_COLUMNS = 16;
constexpr int BUILTIN_CELL = 8;
constexpr int BUILTIN_WIDTH = FONT_COLUMNS * BUILTIN_CELL;  // 128
constexpr int BUILTIN_HEIGHT = 8 * BUILTIN_CELL;            // 64, eight rows of codes
constexpr int DESIGN_COLUMNS = 5;
constexpr int DESIGN_ROWS = 6;
constexpr int FIRST_DRAWN_CODE = 32;
constexpr uint8_t DESIGN_LEVEL = 255;   // white design pixels
constexpr uint8_t OUTLINE_LEVEL = 8;    // dark grey rim, survives the black key
constexpr const char* LOADING_TEXT = "Loading...";
constexpr const char* START_FONT_NAMES[] = {"smalfont.png", "smalfont.bmp"};

// Glyph designs of codes 32..127: bit 5 * row + column marks a design pixel.
constexpr uint32_t BUILTIN_GLYPHS[96] = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E,
    0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E,
    0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5,
    0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800,
    0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400,
    0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};

int current_font = 0;
int configured_width = 0;    // given at start-up, for screen_size without a renderer
int configured_height = 0;

int clamp_font(int font) { return std::clamp(font, 0, FONT_COUNT - 1); }

int font_slot(int font) { return FONT_SLOT_BASE + clamp_font(font); }

// Whether the built-in design of `code` has a pixel at cell position (x, y).
bool design_pixel(int code, int x, int y) {
    const int column = x - 1, row = y - 1;
    if (column < 0 || column >= DESIGN_COLUMNS || row < 0 || row >= DESIGN_ROWS) return false;
    return (builtin_glyph_bits(code) >> (DESIGN_COLUMNS * row + column)) & 1u;
}

// The built-in font image: white designs with a dark grey rim, clear elsewhere.
std::vector<uint8_t> builtin_font_image() {
    std::vector<uint8_t> rgba(size_t(BUILTIN_WIDTH) * BUILTIN_HEIGHT * 4, 0);
    static constexpr int NEIGHBOURS[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (int code = FIRST_DRAWN_CODE; code < 128; ++code) {
        const int cell_x = (code % FONT_COLUMNS) * BUILTIN_CELL;
        const int cell_y = (code / FONT_COLUMNS) * BUILTIN_CELL;
        for (int y = 0; y < BUILTIN_CELL; ++y) {
            for (int x = 0; x < BUILTIN_CELL; ++x) {
                int level = -1;
                if (design_pixel(code, x, y)) {
                    level = DESIGN_LEVEL;
                } else {
                    for (const auto& n : NEIGHBOURS) {
                        if (design_pixel(code, x + n[0], y + n[1])) level = OUTLINE_LEVEL;
                    }
                }
                if (level < 0) continue;
                uint8_t* p = &rgba[(size_t(cell_y + y) * BUILTIN_WIDTH + size_t(cell_x + x)) * 4];
                p[0] = p[1] = p[2] = uint8_t(level);
                p[3] = 255;
            }
        }
    }
    return rgba;
}

// Glyph grid of a font image: 16 columns, 8 rows when wider than high
// (codes 0..127: the 128 x 64 built-in font, 256 x 128 images), else 16 rows
// (codes 0..255), so a square image has square cells.
void font_metrics(int font, int& glyph_width, int& glyph_height, int& codes) {
    const int width = sprite_width(font_slot(font));
    const int height = sprite_height(font_slot(font));
    const int rows = width > height ? 8 : 16;
    codes = rows * FONT_COLUMNS;
    glyph_width = width / FONT_COLUMNS;
    glyph_height = height / rows;
}

}  // namespace

// ---------------------------------------------------------------- fonts

unsigned builtin_glyph_bits(int code) {
    if (code < FIRST_DRAWN_CODE || code > 127) return 0;
    return BUILTIN_GLYPHS[code - FIRST_DRAWN_CODE];
}

void install_builtin_font(int font) {
    font = clamp_font(font);
    sprite_from_rgba(font_slot(font), BUILTIN_WIDTH, BUILTIN_HEIGHT, builtin_font_image());
    current_font = font;
}

void load_font(const std::string& path, int font) {
    font = clamp_font(font);
    load_sprite_keyed(path, font_slot(font), FONT_KEY);
    if (sprite_width(font_slot(font)) <= 0) install_builtin_font(font);
    current_font = font;
}

void set_font(int font) { current_font = clamp_font(font); }

void font_size(double& glyph_width, double& glyph_height) {
    int w = 0, h = 0, codes = 0;
    font_metrics(current_font, w, h, codes);
    glyph_width = w;
    glyph_height = h;
}

int font_codes() {
    int w = 0, h = 0, codes = 0;
    font_metrics(current_font, w, h, codes);
    return codes;
}

void print_text(const std::string& text, double x, double y) {
    int w = 0, h = 0, codes = 0;
    font_metrics(current_font, w, h, codes);
    if (w <= 0 || h <= 0) return;
    const double left = std::ceil(x), top = std::ceil(y);
    const int slot = font_slot(current_font);
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<unsigned char>(text[i]) % codes;
        draw_sprite_part(slot, (code % FONT_COLUMNS) * w, (code / FONT_COLUMNS) * h, w, h,
                         left + double(i) * w, top, w, h);
    }
}

void screen_size(double& width, double& height) {
    int w = 0, h = 0;
    renderer_screen_size(w, h);
    if (w <= 0 || h <= 0) {
        w = configured_width;
        h = configured_height;
    }
    width = w;
    height = h;
}

// ---------------------------------------------------------------- start-up

void text_show_loading(int screen_width, int screen_height) {
    configured_width = screen_width;
    configured_height = screen_height;
    install_builtin_font(0);
    double gw = 0, gh = 0, sw = 0, sh = 0;
    font_size(gw, gh);
    screen_size(sw, sh);
    const std::string loading = LOADING_TEXT;
    print_text(loading, (sw - double(loading.size()) * gw) * 0.5, (sh - gh) * 0.5);
}

void text_load_start_font() {
    for (const char* name : START_FONT_NAMES) {
        std::string resolved;
        if (media_resolve(Container::Graphics, name, true, resolved)) {
            load_font(name, 0);
            break;
        }
    }
    set_font(0);
}
