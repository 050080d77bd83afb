// The desktop icons: the game's emblem (a triangle of four glass tiles,
// yellow at the top, blue, cyan and magenta below) on a night-blue tile, at
// every size the hicolor theme asks for. Each size is drawn for its own
// pixel grid: the small ones flat, with their edges on whole pixels; the
// large ones lit and rimmed in gold like the emblem of the status bar.
#include "mediagen.h"

#include <cmath>
#include <string>

namespace mediagen {

namespace {

// The four tiles of the emblem: apex, left, right and the centre one.
constexpr uint32_t APEX_COLOUR = TILE_COLOURS[5];
constexpr uint32_t LEFT_COLOUR = TILE_COLOURS[0];
constexpr uint32_t RIGHT_COLOUR = TILE_COLOURS[2];
constexpr uint32_t CENTRE_COLOUR = TILE_COLOURS[4];
constexpr uint32_t BACK_TOP = 0x232B6C;
constexpr uint32_t RIM_SHADOW = 0x0A0C18;

// ---------------------------------------------------------------- small sizes

// A small icon on its pixel grid: the background tile fills the square, its
// gold frame (0: none) is stroked on whole pixels, and the emblem's corners
// sit so that the base and the middle row fall on pixel edges.
struct SmallIcon {
    int size;
    double radius;
    double frame;        // gold frame width in pixels
    double apex_x, apex_y;
    double base_y, base_left, base_right;
    double seam;         // dark line between the tiles (0: the colours alone)
};

constexpr SmallIcon SMALL_ICONS[] = {
    {16, 3, 0, 8, 2, 14, 1, 15, 0},
    {24, 4, 1, 12, 3, 21, 2, 22, 0},
    {32, 5, 1, 16, 4, 28, 3, 29, 1},
    {48, 7, 2, 24, 6, 42, 5, 43, 1},
};

// A flat colour a little lighter than the tile colour, so the small tiles
// read as the glass of the large ones.
uint32_t flat_tile(uint32_t colour) { return mix(colour, 0xFFFFFF, 0.2); }

void triangle_path(cairo_t* cr, Point a, Point b, Point c) {
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_line_to(cr, c.x, c.y);
    cairo_close_path(cr);
}

Image draw_small(const SmallIcon& s) {
    Canvas cv(s.size, s.size);
    cairo_t* cr = cv.cr;
    const double inset = s.frame / 2;
    rounded_rect(cr, inset, inset, s.size - s.frame, s.size - s.frame, s.radius);
    set_rgb(cr, mix(BACK_TOP, COLOUR_NIGHT_DEEP, 0.5));
    cairo_fill_preserve(cr);
    if (s.frame > 0) {
        set_rgb(cr, COLOUR_GOLD);
        cairo_set_line_width(cr, s.frame);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);

    const Point apex = {s.apex_x, s.apex_y}, bl = {s.base_left, s.base_y}, br = {s.base_right, s.base_y};
    const double mid_y = (s.apex_y + s.base_y) / 2;
    const Point ml = {(s.apex_x + s.base_left) / 2, mid_y}, mr = {(s.apex_x + s.base_right) / 2, mid_y};
    const Point mb = {s.apex_x, s.base_y};
    struct Piece { Point a, b, c; uint32_t colour; };
    const Piece pieces[] = {
        {apex, ml, mr, APEX_COLOUR}, {ml, bl, mb, LEFT_COLOUR}, {mr, mb, br, RIGHT_COLOUR}, {ml, mr, mb, CENTRE_COLOUR}};
    for (const Piece& p : pieces) {
        triangle_path(cr, p.a, p.b, p.c);
        set_rgb(cr, flat_tile(p.colour));
        cairo_fill(cr);
    }
    if (s.seam > 0) {
        // The seams: the middle row and the two inner edges.
        cairo_set_line_width(cr, s.seam);
        cairo_move_to(cr, ml.x, ml.y);
        cairo_line_to(cr, mr.x, mr.y);
        cairo_line_to(cr, mb.x, mb.y);
        cairo_close_path(cr);
        set_rgb(cr, COLOUR_NIGHT_DEEP, 0.85);
        cairo_stroke(cr);
    }
    return cv.image();
}

// ---------------------------------------------------------------- large sizes

// Large icons are drawn in a 128-unit design square; the finer parts (the
// gold rim around the emblem and the glint on the glass) are left out where
// they would be smaller than a pixel.
constexpr double DESIGN = 128;
constexpr int LARGE_ICON_SIZES[] = {64, 128, 256, 512};
constexpr int RIM_FROM_SIZE = 128;
constexpr int GLINT_FROM_SIZE = 256;

Image draw_large(int size) {
    Canvas cv(size, size);
    cairo_t* cr = cv.cr;
    cairo_scale(cr, size / DESIGN, size / DESIGN);

    rounded_rect(cr, 4, 4, DESIGN - 8, DESIGN - 8, 22);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 4, 0, DESIGN - 4);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(BACK_TOP, 16), channel(BACK_TOP, 8), channel(BACK_TOP, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(COLOUR_NIGHT_DEEP, 16), channel(COLOUR_NIGHT_DEEP, 8),
                                     channel(COLOUR_NIGHT_DEEP, 0));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set_rgb(cr, COLOUR_GOLD);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);

    const double top = 22, bottom = 106, left = 18, right = 110, mid = 64, half = (top + bottom) / 2;
    const Point apex = {mid, top}, bl = {left, bottom}, br = {right, bottom};
    const Point ml = {(left + mid) / 2, half}, mr = {(right + mid) / 2, half}, mb = {mid, bottom};
    if (size >= RIM_FROM_SIZE) {
        // The emblem's dark backing and gold rim, as on the status bar.
        cairo_move_to(cr, apex.x, apex.y - 4);
        cairo_line_to(cr, bl.x - 4.5, bl.y + 2.5);
        cairo_line_to(cr, br.x + 4.5, br.y + 2.5);
        cairo_close_path(cr);
        set_rgb(cr, RIM_SHADOW);
        cairo_fill_preserve(cr);
        set_rgb(cr, COLOUR_GOLD);
        cairo_set_line_width(cr, 1.5);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    glass_triangle(cr, apex, ml, mr, APEX_COLOUR);
    glass_triangle(cr, ml, bl, mb, LEFT_COLOUR);
    glass_triangle(cr, mr, mb, br, RIGHT_COLOUR);
    glass_triangle(cr, ml, mr, mb, CENTRE_COLOUR);
    if (size >= GLINT_FROM_SIZE) {
        // A glint across the top of the glass, fading downwards.
        triangle_path(cr, {apex.x, apex.y + 6}, {apex.x - 14, apex.y + 30}, {apex.x - 6, apex.y + 30});
        cairo_pattern_t* glint = cairo_pattern_create_linear(0, apex.y, 0, apex.y + 30);
        cairo_pattern_add_color_stop_rgba(glint, 0, 1, 1, 1, 0.7);
        cairo_pattern_add_color_stop_rgba(glint, 1, 1, 1, 1, 0);
        cairo_set_source(cr, glint);
        cairo_fill(cr);
        cairo_pattern_destroy(glint);
    }
    return cv.image();
}

}  // namespace

bool make_icons(const std::string& dir) {
    bool ok = true;
    for (const SmallIcon& s : SMALL_ICONS)
        ok &= write_rgba_png(dir + "/wedgewise-" + std::to_string(s.size) + ".png", draw_small(s));
    for (int size : LARGE_ICON_SIZES) {
        const Image icon = draw_large(size);
        ok &= write_rgba_png(dir + "/wedgewise-" + std::to_string(size) + ".png", icon);
        // The 128-pixel icon also under the name the game's media have always had.
        if (size == 128) ok &= write_rgba_png(dir + "/wedgewise.png", icon);
    }
    return ok;
}

}  // namespace mediagen
