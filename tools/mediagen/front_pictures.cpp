// Pictures of the front end: the bitmap font, the level names, the title
// logo layers and backdrop tile, the intro picture and the colour editor parts.
#include "mediagen.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "game/play/level_names.h"

namespace mediagen {

namespace {

// ---------------------------------------------------------------- font

constexpr int GLYPH = 32;
constexpr int GLYPHS = 60;            // codes 32 (space) to 91 ("[")
constexpr int GLYPHS_PER_ROW = 10;
constexpr int GLYPH_LAST_ROW = 30;    // the width scan reads rows 0..30
constexpr double GLYPH_OUTLINE = 2.0;
constexpr double GLYPH_SHADOW = 2.0;      // straight down, so it adds nothing to the measured width
constexpr double GLYPH_CAP_HEIGHT = 23.0;
// Letters are drawn a little extended: the game spaces glyphs by their ink plus
// three pixels, and with 2-pixel outlines normal widths look letter-spaced.
constexpr double GLYPH_EXTEND = 1.15;

bool make_font(const std::string& dir) {
    const int rows = (GLYPHS + GLYPHS_PER_ROW - 1) / GLYPHS_PER_ROW;
    Canvas cv(GLYPH * GLYPHS_PER_ROW, GLYPH * rows);
    cairo_t* cr = cv.cr;
    // Size the face so capitals stand GLYPH_CAP_HEIGHT tall.
    set_face(cr, Face::Display, 100);
    double size = 100 * GLYPH_CAP_HEIGHT / text_box(cr, "H").h;
    set_face(cr, Face::Display, size);
    const double baseline = GLYPH_OUTLINE + GLYPH_CAP_HEIGHT;
    const double max_ink = GLYPH - 1 - 2 * GLYPH_OUTLINE;
    TextStyle style;
    style.outline = GLYPH_OUTLINE;
    style.shadow_dx = 0;
    style.shadow_dy = GLYPH_SHADOW;
    for (int g = 1; g < GLYPHS; ++g) {
        std::string ch(1, static_cast<char>(32 + g));
        double cx = (g % GLYPHS_PER_ROW) * GLYPH, cy = (g / GLYPHS_PER_ROW) * GLYPH;
        TextBox b = text_box(cr, ch);
        // Wide capitals are narrowed to fit the cell; the glyph starts at the cell's left edge.
        double squeeze = std::min(GLYPH_EXTEND, max_ink / b.w);
        cairo_save(cr);
        cairo_rectangle(cr, cx, cy, GLYPH, GLYPH_LAST_ROW + 1);
        cairo_clip(cr);
        cairo_translate(cr, cx + GLYPH_OUTLINE - b.x * squeeze, cy);
        cairo_scale(cr, squeeze, 1.0);
        draw_styled_text(cr, ch, 0, baseline, style);
        cairo_restore(cr);
    }
    return write_keyed_png(dir + "/font.png", cv.image(), COLOUR_INK);
}

// ---------------------------------------------------------------- level names

constexpr int NAMES_PER_ROW = 2;
// Chapter colours, top and bottom of the letters: dawn blue, green, amber, rose.
constexpr uint32_t CHAPTER_TOP[4] = {0xFFFFFF, 0xF2FFF2, 0xFFF7DC, 0xFFEAF8};
constexpr uint32_t CHAPTER_BOTTOM[4] = {0x86D4FF, 0x6EE39A, 0xFFB040, 0xFF74C8};
constexpr double NAME_OUTLINE = 2.5;
constexpr double NAME_SHADOW = 2.0;
// Antialiased rims reach about a pixel past the path; the letters keep that
// far inside their box so no inked pixel leaves it.
constexpr double NAME_FRINGE = 1.0;
// Letters may be narrowed to this share of their width before they shrink.
constexpr double NAME_MIN_SQUEEZE = 0.8;
constexpr double NAME_MEASURE_SIZE = 100;

// Each name is drawn as large as its letter box allows, centred in the box:
// the level designer keeps the puzzle's spaces off the box, so every inked
// pixel must stay inside it.
bool make_levelnames(const std::string& dir) {
    Canvas cv(LEVEL_NAME_W * NAMES_PER_ROW, LEVEL_NAME_H * (NAMED_LEVELS / NAMES_PER_ROW));
    cairo_t* cr = cv.cr;
    for (int n = 0; n < NAMED_LEVELS; ++n) {
        const LevelName& name = LEVEL_NAMES[n];
        double fx = (n % NAMES_PER_ROW) * LEVEL_NAME_W, fy = (n / NAMES_PER_ROW) * LEVEL_NAME_H;
        // Ink of the text at the measuring size, outline and shadow included;
        // the outline and shadow keep their pixel widths at any size.
        set_face(cr, Face::Display, NAME_MEASURE_SIZE);
        TextBox b = text_box(cr, name.text);
        double room_w = name.ink_w - 2 * NAME_FRINGE - 2 * NAME_OUTLINE - NAME_SHADOW;
        double room_h = name.ink_h - 2 * NAME_FRINGE - 2 * NAME_OUTLINE - NAME_SHADOW;
        double scale = room_h / b.h;
        double squeeze = std::min(1.0, room_w / (b.w * scale));
        if (squeeze < NAME_MIN_SQUEEZE) {
            scale *= squeeze / NAME_MIN_SQUEEZE;
            squeeze = NAME_MIN_SQUEEZE;
        }
        double text_w = b.w * scale * squeeze, text_h = b.h * scale;
        double left = fx + name.ink_x + NAME_FRINGE + NAME_OUTLINE +
                      (room_w - text_w) / 2;
        double top = fy + name.ink_y + NAME_FRINGE + NAME_OUTLINE + (room_h - text_h) / 2;
        TextStyle style;
        style.top = CHAPTER_TOP[n / 10];
        style.bottom = CHAPTER_BOTTOM[n / 10];
        style.outline = NAME_OUTLINE;
        style.shadow_dx = NAME_SHADOW;
        style.shadow_dy = NAME_SHADOW;
        set_face(cr, Face::Display, NAME_MEASURE_SIZE * scale);
        cairo_save(cr);
        cairo_rectangle(cr, fx + name.ink_x, fy + name.ink_y, name.ink_w, name.ink_h);
        cairo_clip(cr);
        cairo_translate(cr, left - b.x * scale * squeeze, top - b.y * scale);
        cairo_scale(cr, squeeze, 1.0);
        draw_styled_text(cr, name.text, 0, 0, style);
        cairo_restore(cr);
    }
    return write_keyed_png(dir + "/levelnames.png", cv.image(), COLOUR_INK);
}

// ---------------------------------------------------------------- title

constexpr int LOGO_W = 640, LOGO_H = 310;
constexpr uint32_t BACKDROP_MATTE = 0x12173E;

// Lattice facets of the backdrop: triangles 36 wide and 36 high, two rows per tile.
bool make_logo3(const std::string& dir) {
    constexpr int W = 36, H = 72;
    Canvas cv(W, H);
    cairo_t* cr = cv.cr;
    set_rgb(cr, 0x10143A);
    cairo_paint(cr);
    // Upward facets are a touch lighter than downward ones, lit from above.
    auto facet = [&](Point a, Point b, Point c, uint32_t top, uint32_t bottom) {
        cairo_move_to(cr, a.x, a.y);
        cairo_line_to(cr, b.x, b.y);
        cairo_line_to(cr, c.x, c.y);
        cairo_close_path(cr);
        double y0 = std::min({a.y, b.y, c.y}), y1 = std::max({a.y, b.y, c.y});
        cairo_pattern_t* g = cairo_pattern_create_linear(0, y0, 0, y1);
        cairo_pattern_add_color_stop_rgb(g, 0, channel(top, 16), channel(top, 8), channel(top, 0));
        cairo_pattern_add_color_stop_rgb(g, 1, channel(bottom, 16), channel(bottom, 8), channel(bottom, 0));
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    };
    constexpr uint32_t UP_TOP = 0x1C2256, UP_BOTTOM = 0x141A46, DOWN_TOP = 0x0E1234, DOWN_BOTTOM = 0x131840;
    facet({18, 0}, {0, 36}, {36, 36}, UP_TOP, UP_BOTTOM);
    facet({-18, 0}, {18, 0}, {0, 36}, DOWN_TOP, DOWN_BOTTOM);
    facet({18, 0}, {54, 0}, {36, 36}, DOWN_TOP, DOWN_BOTTOM);
    facet({0, 36}, {36, 36}, {18, 72}, DOWN_TOP, DOWN_BOTTOM);
    facet({0, 36}, {-18, 72}, {18, 72}, UP_TOP, UP_BOTTOM);
    facet({36, 36}, {18, 72}, {54, 72}, UP_TOP, UP_BOTTOM);
    // Fine lattice lines, repeated across the tile edges so the seams match.
    cairo_set_line_width(cr, 1.0);
    set_rgb(cr, 0x2C3578, 0.55);
    for (int k = -1; k <= 1; ++k) {
        double ox = k * 36.0;
        cairo_move_to(cr, ox - 18, 72);
        cairo_line_to(cr, ox + 18, 0);
        cairo_move_to(cr, ox + 18, 0);
        cairo_line_to(cr, ox + 54, 72);
    }
    cairo_stroke(cr);
    for (double y : {0.5, 36.5}) {
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, W, y);
    }
    cairo_stroke(cr);
    // A small glint where lines cross.
    cairo_arc(cr, 18, 0.5, 1.2, 0, 2 * M_PI);
    cairo_arc(cr, 18, 72.5, 1.2, 0, 2 * M_PI);
    set_rgb(cr, 0x6A78C8, 0.5);
    cairo_fill(cr);
    return write_rgb_png(dir + "/logo3.png", cv.image());
}

// The back plate: a long faceted gem of dark glass with a gold rim.
bool make_logo1(const std::string& dir) {
    Canvas cv(LOGO_W, LOGO_H);
    cairo_t* cr = cv.cr;
    const Point plate[] = {{14, 165}, {84, 52}, {556, 52}, {626, 165}, {556, 278}, {84, 278}};
    auto plate_path = [&](double inset) {
        cairo_new_path(cr);
        for (const Point& p : plate) {
            double dx = p.x < 320 ? inset : -inset, dy = p.y < 165 ? inset * 0.6 : (p.y > 165 ? -inset * 0.6 : 0);
            if (p.y == 165) dx *= 1.6;
            cairo_line_to(cr, p.x + dx, p.y + dy);
        }
        cairo_close_path(cr);
    };
    plate_path(0);
    set_rgb(cr, 0x05060F);
    cairo_set_line_width(cr, 8);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 52, 0, 278);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(0x222A66, 16), channel(0x222A66, 8), channel(0x222A66, 0));
    cairo_pattern_add_color_stop_rgb(g, 0.5, channel(0x101440, 16), channel(0x101440, 8), channel(0x101440, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(0x080A22, 16), channel(0x080A22, 8), channel(0x080A22, 0));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Facet lines from the rim towards the middle, like a cut stone.
    cairo_set_line_width(cr, 1);
    set_rgb(cr, 0x3A4690, 0.35);
    for (const Point& p : plate) {
        cairo_move_to(cr, p.x, p.y);
        cairo_line_to(cr, 320 + (p.x - 320) * 0.8, 165 + (p.y - 165) * 0.55);
    }
    cairo_stroke(cr);
    plate_path(12);
    set_rgb(cr, 0x3A4690, 0.35);
    cairo_stroke(cr);
    // Gold rim, bright along the top.
    plate_path(0);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, 52, 0, 278);
    cairo_pattern_add_color_stop_rgb(rim, 0, channel(COLOUR_GOLD_PALE, 16), channel(COLOUR_GOLD_PALE, 8),
                                     channel(COLOUR_GOLD_PALE, 0));
    cairo_pattern_add_color_stop_rgb(rim, 0.5, channel(COLOUR_GOLD, 16), channel(COLOUR_GOLD, 8),
                                     channel(COLOUR_GOLD, 0));
    cairo_pattern_add_color_stop_rgb(rim, 1, channel(COLOUR_GOLD_DARK, 16), channel(COLOUR_GOLD_DARK, 8),
                                     channel(COLOUR_GOLD_DARK, 0));
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
    plate_path(5);
    set_rgb(cr, COLOUR_GOLD, 0.45);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    return write_keyed_png(dir + "/logo1.png", cv.image(), BACKDROP_MATTE);
}

// The word mark; everything but the letters and the motto stays transparent
// so the spinning triangles show through between the layers.
bool make_logo2(const std::string& dir) {
    Canvas cv(LOGO_W, LOGO_H);
    cairo_t* cr = cv.cr;
    const std::string word = "WEDGEWISE";
    set_face(cr, Face::DisplayBlack, 100);
    TextBox b = text_box(cr, word);
    double size = 100 * 540 / b.w;
    set_face(cr, Face::DisplayBlack, size);
    b = text_box(cr, word);
    TextStyle style;
    style.top = 0xFFFFFF;
    style.bottom = COLOUR_GOLD;
    style.outline = 4;
    style.shadow_dx = 4;
    style.shadow_dy = 5;
    double x = (LOGO_W - b.w) / 2 - b.x, base = 165 + b.h / 2 - 8;
    draw_styled_text(cr, word, x, base, style);
    // A glint on the letter tops.
    cairo_new_path(cr);
    cairo_move_to(cr, x, base);
    cairo_text_path(cr, word.c_str());
    cairo_pattern_t* shine = cairo_pattern_create_linear(0, base + b.y, 0, base + b.y + b.h * 0.45);
    cairo_pattern_add_color_stop_rgba(shine, 0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(shine, 1, 1, 1, 1, 0.0);
    cairo_set_source(cr, shine);
    cairo_fill(cr);
    cairo_pattern_destroy(shine);
    // Motto under the word.
    set_face(cr, Face::Display, 17);
    const std::string motto = "A PUZZLE OF COLOURED GLASS";
    TextBox m = text_box(cr, motto);
    TextStyle small;
    small.top = COLOUR_GOLD_PALE;
    small.bottom = COLOUR_GOLD;
    small.outline = 2;
    small.shadow_dx = 1.5;
    small.shadow_dy = 1.5;
    draw_styled_text(cr, motto, (LOGO_W - m.advance) / 2, base + 40, small);
    return write_keyed_png(dir + "/logo2.png", cv.image(), COLOUR_INK);
}

// The intro picture: a gold-framed ribbon of coloured glass over a title
// line set between two gold rules.
bool make_logo4(const std::string& dir) {
    constexpr int W = 534, H = 90;  // drawn at y 30, ending above the credit lines
    constexpr double TRI = 30;      // ribbon triangle height and base
    constexpr int COUNT = 31;
    Canvas cv(W, H);
    cairo_t* cr = cv.cr;
    const double ribbon_w = (COUNT + 1) * TRI / 2, x0 = (W - ribbon_w) / 2, y0 = 6;
    rounded_rect(cr, x0 - 6, y0 - 4, ribbon_w + 12, TRI + 8, 6);
    set_rgb(cr, COLOUR_INK);
    cairo_fill_preserve(cr);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, y0 - 4, 0, y0 + TRI + 4);
    cairo_pattern_add_color_stop_rgb(rim, 0, channel(COLOUR_GOLD_PALE, 16), channel(COLOUR_GOLD_PALE, 8),
                                     channel(COLOUR_GOLD_PALE, 0));
    cairo_pattern_add_color_stop_rgb(rim, 1, channel(COLOUR_GOLD_DARK, 16), channel(COLOUR_GOLD_DARK, 8),
                                     channel(COLOUR_GOLD_DARK, 0));
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
    for (int i = 0; i < COUNT; ++i) {
        double x = x0 + i * TRI / 2;
        uint32_t colour = mix(TILE_COLOURS[(i * 5 + i / 6) % 6], 0xFFFFFF, 0.15);
        if (i % 2 == 0) {
            glass_triangle(cr, {x + TRI / 2, y0}, {x, y0 + TRI}, {x + TRI, y0 + TRI}, colour);
        } else {
            glass_triangle(cr, {x, y0}, {x + TRI, y0}, {x + TRI / 2, y0 + TRI}, colour);
        }
    }
    // A sheen across the top half of the ribbon.
    cairo_rectangle(cr, x0, y0, ribbon_w, TRI / 2);
    cairo_pattern_t* sheen = cairo_pattern_create_linear(0, y0, 0, y0 + TRI / 2);
    cairo_pattern_add_color_stop_rgba(sheen, 0, 1, 1, 1, 0.35);
    cairo_pattern_add_color_stop_rgba(sheen, 1, 1, 1, 1, 0.0);
    cairo_set_source(cr, sheen);
    cairo_fill(cr);
    cairo_pattern_destroy(sheen);

    set_face(cr, Face::Display, 26);
    const std::string title = "THE TRIANGLE TILE PUZZLE";
    TextBox b = text_box(cr, title);
    TextStyle style;
    style.top = COLOUR_GOLD_PALE;
    style.bottom = COLOUR_GOLD;
    style.outline = 2.5;
    const double baseline = 76, tx = (W - b.w) / 2 - b.x;
    draw_styled_text(cr, title, tx, baseline, style);
    // Gold rules either side of the title, each ending in a small diamond.
    const double rule_y = baseline - b.h / 2 - 0.5;
    for (int side = -1; side <= 1; side += 2) {
        double inner = side < 0 ? tx + b.x - 12 : tx + b.x + b.w + 12;
        double outer = side < 0 ? x0 : x0 + ribbon_w;
        cairo_move_to(cr, inner, rule_y);
        cairo_line_to(cr, outer, rule_y);
        set_rgb(cr, COLOUR_INK);
        cairo_set_line_width(cr, 4);
        cairo_stroke(cr);
        cairo_move_to(cr, inner, rule_y);
        cairo_line_to(cr, outer, rule_y);
        set_rgb(cr, COLOUR_GOLD);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_move_to(cr, outer, rule_y - 4);
        cairo_line_to(cr, outer + 4, rule_y);
        cairo_line_to(cr, outer, rule_y + 4);
        cairo_line_to(cr, outer - 4, rule_y);
        cairo_close_path(cr);
        set_rgb(cr, COLOUR_GOLD_PALE);
        cairo_fill_preserve(cr);
        set_rgb(cr, COLOUR_INK);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    return write_keyed_png(dir + "/logo4.png", cv.image(), BACKDROP_MATTE);
}

// ---------------------------------------------------------------- colour editor

constexpr int COLS_FRAME_W = 99, COLS_FRAME_H = 50;
constexpr int SWATCH_INSET = 6;
constexpr int ARROW_W = 33, ARROW_H = 30, ARROW_FRAMES = 12;
constexpr uint32_t CHANNEL_COLOURS[3] = {0xE5484D, 0x46C35A, 0x4A7DF0};

bool make_colsframe(const std::string& dir) {
    Canvas cv(COLS_FRAME_W, COLS_FRAME_H);
    cairo_t* cr = cv.cr;
    rounded_rect(cr, 0.5, 0.5, COLS_FRAME_W - 1, COLS_FRAME_H - 1, 6);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, COLS_FRAME_H);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(COLOUR_GOLD_PALE, 16), channel(COLOUR_GOLD_PALE, 8),
                                     channel(COLOUR_GOLD_PALE, 0));
    cairo_pattern_add_color_stop_rgb(g, 0.45, channel(COLOUR_GOLD, 16), channel(COLOUR_GOLD, 8),
                                     channel(COLOUR_GOLD, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(COLOUR_GOLD_DARK, 16), channel(COLOUR_GOLD_DARK, 8),
                                     channel(COLOUR_GOLD_DARK, 0));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set_rgb(cr, COLOUR_INK);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // The swatch well, dark-lined, with the swatch itself left clear.
    rounded_rect(cr, SWATCH_INSET - 2, SWATCH_INSET - 2, COLS_FRAME_W - 2 * SWATCH_INSET + 4,
                 COLS_FRAME_H - 2 * SWATCH_INSET + 4, 3);
    set_rgb(cr, 0x1A1406);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, SWATCH_INSET, SWATCH_INSET, COLS_FRAME_W - 2 * SWATCH_INSET, COLS_FRAME_H - 2 * SWATCH_INSET);
    cairo_fill(cr);
    return write_keyed_png(dir + "/colsframe.png", cv.image(), COLOUR_INK);
}

bool make_colsarrows(const std::string& dir) {
    Canvas cv(ARROW_W * ARROW_FRAMES, ARROW_H);
    cairo_t* cr = cv.cr;
    constexpr uint32_t LIMIT_COLOUR = 0x4A4F6A;
    for (int f = 0; f < ARROW_FRAMES; ++f) {
        bool up = (f / 3) % 2 == 0;
        bool limit = f >= 6;
        uint32_t colour = limit ? LIMIT_COLOUR : CHANNEL_COLOURS[f % 3];
        double ox = f * ARROW_W;
        Point a = {ox + 16.5, up ? 3.0 : 27.0}, b = {ox + 3, up ? 26.5 : 3.5}, c = {ox + 30, up ? 26.5 : 3.5};
        // Dark backing so the arrow reads on any backdrop.
        cairo_move_to(cr, a.x, a.y);
        cairo_line_to(cr, b.x, b.y);
        cairo_line_to(cr, c.x, c.y);
        cairo_close_path(cr);
        set_rgb(cr, COLOUR_INK);
        cairo_set_line_width(cr, 4);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
        glass_triangle(cr, a, b, c, colour);
        if (!limit) {
            cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, b.x, b.y);
            cairo_line_to(cr, c.x, c.y);
            cairo_close_path(cr);
            set_rgb(cr, COLOUR_GOLD, 0.9);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    }
    return write_keyed_png(dir + "/colsarrows.png", cv.image(), COLOUR_INK);
}

}  // namespace

bool make_front_pictures(const std::string& dir) {
    bool ok = make_font(dir);
    ok &= make_levelnames(dir);
    ok &= make_logo1(dir);
    ok &= make_logo2(dir);
    ok &= make_logo3(dir);
    ok &= make_logo4(dir);
    ok &= make_colsframe(dir);
    ok &= make_colsarrows(dir);
    return ok;
}

}  // namespace mediagen
