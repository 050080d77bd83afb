// Pictures of the play screen: sockets, tile masks and textures, the frame
// picture, the digits, the pointer, the background tile and the practice
// miniatures. Every position here follows the play screen's fixed layout.
#include "mediagen.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace mediagen {

namespace {

// ---------------------------------------------------------------- lattice geometry

constexpr int CELL_FRAME = 59;       // one frame of the socket picture
constexpr int TILE_IMAGE = 64;       // tile textures reach offset 62
constexpr double MASK_GROW = 1.0;    // masks reach this far past the nominal edge, so tiles meet without gaps
constexpr double BIG_BEVEL = 5.0;    // bevel facet widths of the board and store tiles
constexpr double SMALL_BEVEL = 3.5;
constexpr double SPIN_BEVEL = 4.0;   // the turning triangles are partly cut off by the picture edge

constexpr Point UP_TRIANGLE[3] = {{29, 0}, {0, 58}, {58, 58}};
constexpr Point DOWN_TRIANGLE[3] = {{0, 0}, {58, 0}, {29, 58}};

// Store slot: box corner at (49c + 780, 48r + 45); the tile inside points up.
constexpr int STORE_IMAGE = 42;
constexpr Point STORE_TRIANGLE[3] = {{20, 0}, {0, 40}, {40, 40}};
constexpr int STORE_COLUMNS = 5, STORE_ROWS = 15;
constexpr int STORE_X = 780, STORE_Y = 45, STORE_DX = 49, STORE_DY = 48;

// Spinning tile: the triangle at four intermediate turning positions.
constexpr int SPIN_W = 68, SPIN_H = 72;
constexpr Point SPIN_TRIANGLES[4][3] = {
    {{2, -2}, {13, 68}, {63, 19}},
    {{17, -2}, {0, 68}, {65, 43}},
    {{59, -2}, {0, 19}, {50, 68}},
    {{45, -2}, {-3, 45}, {62, 68}},
};

// Practice miniature: cells 9 apart horizontally and 18 vertically.
constexpr int MINI = 19;
constexpr Point MINI_UP[3] = {{9, 0}, {0, 18}, {18, 18}};
constexpr Point MINI_DOWN[3] = {{0, 0}, {18, 0}, {9, 18}};

// Play screen frame.
constexpr int SCREEN_W = 1024, SCREEN_H = 768;
constexpr int WINDOW_X0 = 3, WINDOW_Y0 = 3, WINDOW_X1 = 769, WINDOW_Y1 = 667;  // exclusive ends
constexpr double CLOCK_LEVEL_X = 53, CLOCK_TILE_X = 718, CLOCK_Y = 720, CLOCK_RADIUS = 43;
constexpr int SCORE_X = 320, SCORE_Y = 682, SCORE_DIGITS = 7;
constexpr int BONUS_X = 365, BONUS_Y = 724, BONUS_DIGITS = 5;
constexpr int DIGIT_PITCH = 46, DIGIT_W = 64, DIGIT_H = 32;
// Each digit's dark well lies inside its 46-pixel pitch, so a neighbour drawn
// over the frame's last 18 columns never cuts it.
constexpr int DIGIT_WELL_X = 2, DIGIT_WELL_W = 42;
constexpr uint32_t DIGIT_WELL = 0x07080F;
// Hot spots of the two buttons (exclusive bounds).
struct Box { int x0, y0, x1, y1; };
constexpr Box QUIT_SPOT = {2, 654, 38, 666};
constexpr Box PAUSE_SPOT = {721, 654, 769, 666};

// ---------------------------------------------------------------- shaded triangles

// A recessed socket: dark glass, shaded on the walls facing the light (the
// upper-left walls of a hole are in shadow), with a thin light rim.
Image socket_triangle(int w, int h, const Point t[3], double rim, uint32_t base_top, uint32_t base_bottom,
                      uint32_t rim_colour) {
    Image img(w, h);
    double miny = std::min({t[0].y, t[1].y, t[2].y}), maxy = std::max({t[0].y, t[1].y, t[2].y});
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double d = triangle_inside_distance(t[0], t[1], t[2], px, py);
            if (d < -0.5) continue;
            uint32_t c = mix(base_top, base_bottom, std::clamp((py - miny) / (maxy - miny), 0.0, 1.0));
            double lit = rim_light(t[0], t[1], t[2], px, py, 6.0);
            c = lit > 0 ? mix(c, 0x000000, 0.55 * lit) : mix(c, 0x4A5590, -0.35 * lit);
            if (d < rim) c = mix(c, rim_colour, 0.8);
            img.set(x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
        }
    }
    return img;
}

bool make_tiles(const std::string& dir) {
    Image img(CELL_FRAME * 2, CELL_FRAME);
    constexpr uint32_t TOP = 0x0A0D26, BOTTOM = 0x161C45, RIM = 0x3C4780;
    img.blit(socket_triangle(CELL_FRAME, CELL_FRAME, UP_TRIANGLE, 1.2, TOP, BOTTOM, RIM), 0, 0);
    img.blit(socket_triangle(CELL_FRAME, CELL_FRAME, DOWN_TRIANGLE, 1.2, TOP, BOTTOM, RIM), CELL_FRAME, 0);
    return write_keyed_png(dir + "/tiles.png", img, COLOUR_NIGHT_DEEP);
}

bool make_tile_textures(const std::string& dir) {
    bool ok = true;
    ok &= write_keyed_png(dir + "/bigtri1.png",
                          bevel_triangle(TILE_IMAGE, TILE_IMAGE, UP_TRIANGLE[0], UP_TRIANGLE[1], UP_TRIANGLE[2],
                                         MASK_GROW, BIG_BEVEL),
                          0x000000);
    ok &= write_keyed_png(dir + "/bigtri2.png",
                          bevel_triangle(TILE_IMAGE, TILE_IMAGE, DOWN_TRIANGLE[0], DOWN_TRIANGLE[1],
                                         DOWN_TRIANGLE[2], MASK_GROW, BIG_BEVEL),
                          0x000000);
    ok &= write_keyed_png(dir + "/smtri.png",
                          bevel_triangle(STORE_IMAGE, STORE_IMAGE, STORE_TRIANGLE[0], STORE_TRIANGLE[1],
                                         STORE_TRIANGLE[2], MASK_GROW, SMALL_BEVEL),
                          0x000000);
    for (int i = 0; i < 4; ++i) {
        const Point* t = SPIN_TRIANGLES[i];
        ok &= write_keyed_png(dir + "/bigtri" + std::to_string(3 + i) + ".png",
                              bevel_triangle(SPIN_W, SPIN_H, t[0], t[1], t[2], MASK_GROW, SPIN_BEVEL), 0x000000);
    }
    return ok;
}

bool make_practiles(const std::string& dir) {
    Image img(MINI * 4, MINI);
    constexpr uint32_t EMPTY_TOP = 0x1A2150, EMPTY_BOTTOM = 0x232C66, EMPTY_RIM = 0x5A6AB0;
    // The first tile in its default colour 3 (magenta), as lit glass.
    constexpr uint32_t FIRST_TOP = 0xE070E0, FIRST_BOTTOM = 0xA01CA0, FIRST_RIM = 0xFFC8FF;
    img.blit(socket_triangle(MINI, MINI, MINI_UP, 1.0, EMPTY_TOP, EMPTY_BOTTOM, EMPTY_RIM), 0, 0);
    img.blit(socket_triangle(MINI, MINI, MINI_DOWN, 1.0, EMPTY_TOP, EMPTY_BOTTOM, EMPTY_RIM), MINI, 0);
    img.blit(socket_triangle(MINI, MINI, MINI_UP, 1.0, FIRST_TOP, FIRST_BOTTOM, FIRST_RIM), MINI * 2, 0);
    img.blit(socket_triangle(MINI, MINI, MINI_DOWN, 1.0, FIRST_TOP, FIRST_BOTTOM, FIRST_RIM), MINI * 3, 0);
    return write_keyed_png(dir + "/practiles.png", img, 0x080800);
}

// ---------------------------------------------------------------- frame picture

// Brushed dark metal: a vertical sheen with fine horizontal streaks.
void brushed_metal(cairo_t* cr, double x, double y, double w, double h, uint64_t seed) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(0x2A2F4C, 16), channel(0x2A2F4C, 8), channel(0x2A2F4C, 0));
    cairo_pattern_add_color_stop_rgb(g, 0.5, channel(COLOUR_SLATE, 16), channel(COLOUR_SLATE, 8),
                                     channel(COLOUR_SLATE, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(COLOUR_SLATE_DARK, 16), channel(COLOUR_SLATE_DARK, 8),
                                     channel(COLOUR_SLATE_DARK, 0));
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    Rng rng(seed);
    cairo_set_line_width(cr, 1.0);
    for (double yy = y + 0.5; yy < y + h; yy += 1.0) {
        double alpha = rng.range(0.0, 0.05);
        bool light = rng.uniform() < 0.5;
        set_rgb(cr, light ? 0xFFFFFF : 0x000000, alpha);
        double x0 = x + rng.range(0, w * 0.3);
        double x1 = x0 + rng.range(w * 0.3, w);
        cairo_move_to(cr, x0, yy);
        cairo_line_to(cr, std::min(x1, x + w), yy);
        cairo_stroke(cr);
    }
}

// A gold inlay line round a rectangle: a bright line with a dark groove inside.
void gold_inlay(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_set_line_width(cr, 1.0);
    rounded_rect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r);
    set_rgb(cr, COLOUR_GOLD);
    cairo_stroke(cr);
    rounded_rect(cr, x + 1.5, y + 1.5, w - 3, h - 3, std::max(0.0, r - 1));
    set_rgb(cr, COLOUR_GOLD_DARK, 0.7);
    cairo_stroke(cr);
}

// A recessed well: darker inside, shadow along its top, light along its bottom edge.
void recess(cairo_t* cr, double x, double y, double w, double h, double r, uint32_t fill) {
    rounded_rect(cr, x, y, w, h, r);
    set_rgb(cr, fill);
    cairo_fill(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, x + r, y + 0.5);
    cairo_line_to(cr, x + w - r, y + 0.5);
    set_rgb(cr, 0x000000, 0.6);
    cairo_stroke(cr);
    cairo_move_to(cr, x + r, y + h - 0.5);
    cairo_line_to(cr, x + w - r, y + h - 0.5);
    set_rgb(cr, 0x8090C0, 0.25);
    cairo_stroke(cr);
}

// Small engraved capitals: a dark cut with a pale gold face.
void engraved(cairo_t* cr, const std::string& text, double x, double y, double size, uint32_t colour,
              bool centre) {
    set_face(cr, Face::Display, size);
    TextBox b = text_box(cr, text);
    double tx = centre ? x - b.advance / 2 : x;
    set_rgb(cr, 0x000000, 0.8);
    cairo_move_to(cr, tx + 1, y + 1);
    cairo_show_text(cr, text.c_str());
    set_rgb(cr, colour);
    cairo_move_to(cr, tx, y);
    cairo_show_text(cr, text.c_str());
}

void clock_face(cairo_t* cr, double cx, double cy, const std::string& label) {
    // Bezel: gold ring over a dark rim.
    cairo_arc(cr, cx, cy, CLOCK_RADIUS + 3, 0, 2 * M_PI);
    set_rgb(cr, 0x0A0C18);
    cairo_fill(cr);
    cairo_pattern_t* ring = cairo_pattern_create_linear(cx - CLOCK_RADIUS, cy - CLOCK_RADIUS, cx + CLOCK_RADIUS,
                                                        cy + CLOCK_RADIUS);
    cairo_pattern_add_color_stop_rgb(ring, 0, channel(COLOUR_GOLD_PALE, 16), channel(COLOUR_GOLD_PALE, 8),
                                     channel(COLOUR_GOLD_PALE, 0));
    cairo_pattern_add_color_stop_rgb(ring, 1, channel(COLOUR_GOLD_DARK, 16), channel(COLOUR_GOLD_DARK, 8),
                                     channel(COLOUR_GOLD_DARK, 0));
    cairo_arc(cr, cx, cy, CLOCK_RADIUS + 1, 0, 2 * M_PI);
    cairo_set_source(cr, ring);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_pattern_destroy(ring);
    // Dial: deep night glass, lighter towards the upper left.
    cairo_pattern_t* dial = cairo_pattern_create_radial(cx - 12, cy - 14, 4, cx, cy, CLOCK_RADIUS);
    cairo_pattern_add_color_stop_rgb(dial, 0, channel(0x2A3370, 16), channel(0x2A3370, 8), channel(0x2A3370, 0));
    cairo_pattern_add_color_stop_rgb(dial, 1, channel(COLOUR_NIGHT_DEEP, 16), channel(COLOUR_NIGHT_DEEP, 8),
                                     channel(COLOUR_NIGHT_DEEP, 0));
    cairo_arc(cr, cx, cy, CLOCK_RADIUS - 0.5, 0, 2 * M_PI);
    cairo_set_source(cr, dial);
    cairo_fill(cr);
    cairo_pattern_destroy(dial);
    // Twelve ticks, the quarters longer and gold.
    for (int i = 0; i < 12; ++i) {
        double a = i * M_PI / 6;
        bool quarter = i % 3 == 0;
        double r0 = CLOCK_RADIUS - (quarter ? 10 : 6), r1 = CLOCK_RADIUS - 3;
        cairo_move_to(cr, cx + r0 * std::sin(a), cy - r0 * std::cos(a));
        cairo_line_to(cr, cx + r1 * std::sin(a), cy - r1 * std::cos(a));
        cairo_set_line_width(cr, quarter ? 2.5 : 1.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        set_rgb(cr, quarter ? COLOUR_GOLD : 0x9AA4D0);
        cairo_stroke(cr);
    }
    set_face(cr, Face::Display, 9);
    TextBox b = text_box(cr, label);
    set_rgb(cr, 0x7C86B8);
    cairo_move_to(cr, cx - b.advance / 2, cy + 20);
    cairo_show_text(cr, label.c_str());
    // Hub under the hand.
    cairo_arc(cr, cx, cy, 3.5, 0, 2 * M_PI);
    set_rgb(cr, COLOUR_GOLD);
    cairo_fill(cr);
}

// A small engraved plate for a button inside its hot spot.
void button_plate(cairo_t* cr, const Box& spot, const std::string& label) {
    double x = spot.x0 + 1, y = spot.y0 + 1, w = spot.x1 - spot.x0 - 1, h = spot.y1 - spot.y0 - 1;
    rounded_rect(cr, x, y, w, h, 3);
    set_rgb(cr, 0x1A1E36);
    cairo_fill_preserve(cr);
    set_rgb(cr, COLOUR_GOLD_DARK);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    set_face(cr, Face::Display, 9.5);
    TextBox b = text_box(cr, label);
    double tx = x + (w - b.w) / 2 - b.x, ty = y + (h - b.h) / 2 - b.y;
    set_rgb(cr, 0x000000, 0.8);
    cairo_move_to(cr, tx + 0.6, ty + 0.6);
    cairo_show_text(cr, label.c_str());
    set_rgb(cr, COLOUR_GOLD_PALE);
    cairo_move_to(cr, tx, ty);
    cairo_show_text(cr, label.c_str());
}

// The game's emblem for the empty end of the status bar: a triangle of four
// glass tiles in a gold rim, with the name engraved below.
constexpr double EMBLEM_X = 180, EMBLEM_Y = 712, EMBLEM_SIZE = 50;

void emblem(cairo_t* cr, double cx, double cy) {
    const double h = EMBLEM_SIZE, half = h / 2;
    const Point apex = {cx, cy - half}, bl = {cx - half, cy + half}, br = {cx + half, cy + half};
    cairo_move_to(cr, apex.x, apex.y - 3);
    cairo_line_to(cr, bl.x - 3.5, bl.y + 2);
    cairo_line_to(cr, br.x + 3.5, br.y + 2);
    cairo_close_path(cr);
    set_rgb(cr, 0x0A0C18);
    cairo_fill_preserve(cr);
    set_rgb(cr, COLOUR_GOLD);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    const Point ml = {(apex.x + bl.x) / 2, cy}, mr = {(apex.x + br.x) / 2, cy}, mb = {cx, bl.y};
    glass_triangle(cr, apex, ml, mr, TILE_COLOURS[5]);
    glass_triangle(cr, ml, bl, mb, TILE_COLOURS[0]);
    glass_triangle(cr, mr, mb, br, TILE_COLOURS[2]);
    glass_triangle(cr, ml, mr, mb, TILE_COLOURS[4]);
    engraved(cr, "WEDGEWISE", cx, cy + half + 17, 12, COLOUR_GOLD, true);
}

bool make_screen(const std::string& dir) {
    Canvas cv(SCREEN_W, SCREEN_H);
    cairo_t* cr = cv.cr;
    brushed_metal(cr, 0, 0, SCREEN_W, SCREEN_H, 7);

    // Store panel: a lighter recess with a socket behind every slot.
    constexpr double PANEL_X = 773, PANEL_Y = 36, PANEL_W = 247, PANEL_H = 727;
    rounded_rect(cr, PANEL_X, PANEL_Y, PANEL_W, PANEL_H, 6);
    cairo_pattern_t* g = cairo_pattern_create_linear(PANEL_X, 0, PANEL_X + PANEL_W, 0);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(0x161A38, 16), channel(0x161A38, 8), channel(0x161A38, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(0x1F2550, 16), channel(0x1F2550, 8), channel(0x1F2550, 0));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    gold_inlay(cr, PANEL_X - 1, PANEL_Y - 1, PANEL_W + 2, PANEL_H + 2, 7);
    engraved(cr, "TILE STORE", PANEL_X + PANEL_W / 2, 26, 15, COLOUR_GOLD, true);

    Image frame = cv.image();
    Image slot = socket_triangle(STORE_IMAGE, STORE_IMAGE, STORE_TRIANGLE, 1.0, 0x0D1030, 0x151A42, 0x2E3768);
    for (int c = 0; c < STORE_COLUMNS; ++c) {
        for (int r = 0; r < STORE_ROWS; ++r) frame.over(slot, STORE_DX * c + STORE_X, STORE_DY * r + STORE_Y);
    }

    // Second pass over the composed picture for the status bar and the window edge.
    Canvas top(SCREEN_W, SCREEN_H);
    cr = top.cr;
    gold_inlay(cr, WINDOW_X0 - 1, WINDOW_Y0 - 1, WINDOW_X1 - WINDOW_X0 + 2, WINDOW_Y1 - WINDOW_Y0 + 2, 0);
    clock_face(cr, CLOCK_LEVEL_X, CLOCK_Y, "LEVEL");
    clock_face(cr, CLOCK_TILE_X, CLOCK_Y, "TILE");
    // Digit windows, one recessed cell per digit, in a gold-lined tray.
    auto digit_row = [&](int x, int y, int count, const char* label) {
        rounded_rect(cr, x - 3, y - 3, DIGIT_PITCH * count + 4, DIGIT_H + 6, 6);
        set_rgb(cr, 0x0C0E1C);
        cairo_fill(cr);
        gold_inlay(cr, x - 4, y - 4, DIGIT_PITCH * count + 6, DIGIT_H + 8, 7);
        for (int i = 0; i < count; ++i) recess(cr, x + DIGIT_PITCH * i + DIGIT_WELL_X, y, DIGIT_WELL_W, DIGIT_H, 4, DIGIT_WELL);
        set_face(cr, Face::Display, 15);
        TextBox b = text_box(cr, label);
        engraved(cr, label, x - 12 - b.advance, y + DIGIT_H / 2.0 + 6, 15, COLOUR_GOLD, false);
    };
    digit_row(SCORE_X, SCORE_Y, SCORE_DIGITS, "SCORE");
    digit_row(BONUS_X, BONUS_Y, BONUS_DIGITS, "BONUS");
    emblem(cr, EMBLEM_X, EMBLEM_Y);
    button_plate(cr, QUIT_SPOT, "QUIT");
    button_plate(cr, PAUSE_SPOT, "PAUSE");
    Image over = top.image();

    // Compose: the overlay on the frame, then cut the puzzle window.
    frame.over(over, 0, 0);
    for (int y = 0; y < SCREEN_H; ++y) {
        for (int x = 0; x < SCREEN_W; ++x) {
            uint8_t* d = frame.at(x, y);
            const int a = over.at(x, y)[3];
            d[3] = 255;
            bool in_window = x >= WINDOW_X0 && x < WINDOW_X1 && y >= WINDOW_Y0 && y < WINDOW_Y1;
            bool on_button = a > 0 && y > QUIT_SPOT.y0 && y < QUIT_SPOT.y1 &&
                             ((x > QUIT_SPOT.x0 && x < QUIT_SPOT.x1) || (x > PAUSE_SPOT.x0 && x < PAUSE_SPOT.x1));
            if (in_window && !on_button) d[3] = 0;
        }
    }
    return write_keyed_png(dir + "/screen.png", frame, COLOUR_SLATE);
}

// ---------------------------------------------------------------- digits

// Seven segments a..g: which are lit for each digit.
constexpr uint8_t SEGMENTS[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// One segment as a hexagonal bar from (x0, y0) to (x1, y1), slanted by the italic skew.
void segment_path(cairo_t* cr, double x0, double y0, double x1, double y1, double half) {
    bool horizontal = std::abs(y1 - y0) < std::abs(x1 - x0);
    if (horizontal) {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x0 + half, y0 - half);
        cairo_line_to(cr, x1 - half, y1 - half);
        cairo_line_to(cr, x1, y1);
        cairo_line_to(cr, x1 - half, y1 + half);
        cairo_line_to(cr, x0 + half, y0 + half);
    } else {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x0 + half, y0 + half);
        cairo_line_to(cr, x1 + half, y1 - half);
        cairo_line_to(cr, x1, y1);
        cairo_line_to(cr, x1 - half, y1 - half);
        cairo_line_to(cr, x0 - half, y0 + half);
    }
    cairo_close_path(cr);
}

void draw_digit(cairo_t* cr, double ox, double oy, int digit, bool lit_pass) {
    constexpr double W = 16, H = 24, SKEW = 0.1, HALF = 2.2, GAP = 0.6;
    // Corner points of the digit (before skew), origin top-left of the glyph.
    auto pt = [&](double x, double y, double& sx, double& sy) {
        sx = ox + x + (H - y) * SKEW;
        sy = oy + y;
    };
    struct Seg { double x0, y0, x1, y1; };
    const Seg segs[7] = {
        {GAP, 0, W - GAP, 0},              // a top
        {W, GAP, W, H / 2 - GAP},          // b upper right
        {W, H / 2 + GAP, W, H - GAP},      // c lower right
        {GAP, H, W - GAP, H},              // d bottom
        {0, H / 2 + GAP, 0, H - GAP},      // e lower left
        {0, GAP, 0, H / 2 - GAP},          // f upper left
        {GAP, H / 2, W - GAP, H / 2},      // g middle
    };
    for (int s = 0; s < 7; ++s) {
        bool on = (SEGMENTS[digit] >> s) & 1;
        if (lit_pass != on) continue;
        double x0, y0, x1, y1;
        pt(segs[s].x0, segs[s].y0, x0, y0);
        pt(segs[s].x1, segs[s].y1, x1, y1);
        segment_path(cr, x0, y0, x1, y1, HALF);
    }
}

bool make_scorenums(const std::string& dir) {
    constexpr int PER_ROW = 10;
    Canvas cv(DIGIT_W * PER_ROW, DIGIT_H * 2);
    cairo_t* cr = cv.cr;
    for (int f = 0; f < 20; ++f) {
        int digit = f % 10;
        double fx = (f % PER_ROW) * DIGIT_W, fy = (f / PER_ROW) * DIGIT_H;
        recess(cr, fx + DIGIT_WELL_X, fy, DIGIT_WELL_W, DIGIT_H, 4, DIGIT_WELL);
        double gx = fx + 13, gy = fy + 4;
        // Unlit segments show faintly, like a real display.
        draw_digit(cr, gx, gy, digit, false);
        set_rgb(cr, 0x1E1407);
        cairo_fill(cr);
        // Glow, then the lit segments with a hot core.
        draw_digit(cr, gx, gy, digit, true);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        set_rgb(cr, 0xFF8A20, 0.22);
        cairo_set_line_width(cr, 5);
        cairo_stroke_preserve(cr);
        set_rgb(cr, 0xFF9A30, 0.35);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke_preserve(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, gy, 0, gy + 24);
        cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.85, 0.45);
        cairo_pattern_add_color_stop_rgb(g, 1, channel(COLOUR_AMBER, 16), channel(COLOUR_AMBER, 8),
                                         channel(COLOUR_AMBER, 0));
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    return write_keyed_png(dir + "/scorenums.png", cv.image(), DIGIT_WELL);
}

// ---------------------------------------------------------------- pointer and background

bool make_mouse(const std::string& dir) {
    constexpr double TIP_X = 5, TIP_Y = 5;
    Canvas cv(24, 30);
    cairo_t* cr = cv.cr;
    const Point arrow[] = {{0, 0}, {0, 17.5}, {4.3, 13.6}, {7.3, 20.4}, {10.4, 19}, {7.5, 12.4}, {13, 12.4}};
    auto path = [&](double dx, double dy) {
        cairo_new_path(cr);
        for (const Point& p : arrow) cairo_line_to(cr, TIP_X + p.x + dx, TIP_Y + p.y + dy);
        cairo_close_path(cr);
    };
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    path(1.5, 1.5);
    set_rgb(cr, COLOUR_INK, 0.8);
    cairo_set_line_width(cr, 3);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    path(0, 0);
    set_rgb(cr, COLOUR_INK);
    cairo_set_line_width(cr, 3);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(TIP_X, TIP_Y, TIP_X + 8, TIP_Y + 20);
    cairo_pattern_add_color_stop_rgb(g, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(g, 1, channel(COLOUR_GOLD_PALE, 16), channel(COLOUR_GOLD_PALE, 8),
                                     channel(COLOUR_GOLD_PALE, 0));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    return write_keyed_png(dir + "/mouse.png", cv.image(), COLOUR_INK);
}

bool make_prairie(const std::string& dir) {
    constexpr int SIZE = 128;
    Image img(SIZE, SIZE);
    // Base: indigo with soft clouds made of waves that repeat every 128 pixels.
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            double u = 2 * M_PI * x / SIZE, v = 2 * M_PI * y / SIZE;
            // Kept faint: the tile repeats every 128 pixels and strong clouds would show it.
            double cloud = 0.45 + 0.12 * std::sin(u + 2 * v) + 0.07 * std::sin(3 * u - v + 1.3) +
                           0.05 * std::sin(2 * u + 3 * v + 0.4);
            uint32_t c = mix(COLOUR_NIGHT_DEEP, COLOUR_NIGHT_LIGHT, std::clamp(cloud, 0.0, 1.0));
            img.set(x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
        }
    }
    Canvas cv(SIZE, SIZE);
    cairo_t* cr = cv.cr;
    // Faint lattice of 64-pixel triangles (two rows, so it repeats in 128).
    cairo_set_line_width(cr, 1);
    set_rgb(cr, 0x3A4690, 0.16);
    for (int row = 0; row <= 2; ++row) {
        cairo_move_to(cr, 0, row * 64 + 0.5);
        cairo_line_to(cr, SIZE, row * 64 + 0.5);
    }
    for (int k = -4; k <= 4; ++k) {
        double x0 = k * 64.0;
        cairo_move_to(cr, x0, 0);
        cairo_line_to(cr, x0 + 64, 128);
        cairo_move_to(cr, x0 + 64, 0);
        cairo_line_to(cr, x0, 128);
    }
    cairo_stroke(cr);
    // Sparse stars, each drawn at every wrapped position so the tile has no seams.
    Rng rng(41);
    for (int i = 0; i < 9; ++i) {
        double sx = rng.range(0, SIZE), sy = rng.range(0, SIZE), r = rng.range(0.5, 1.2);
        double a = rng.range(0.35, 0.8);
        for (int wx = -1; wx <= 1; ++wx) {
            for (int wy = -1; wy <= 1; ++wy) {
                cairo_arc(cr, sx + wx * SIZE, sy + wy * SIZE, r, 0, 2 * M_PI);
                set_rgb(cr, i % 3 == 0 ? COLOUR_GOLD_PALE : 0xC8D4FF, a);
                cairo_fill(cr);
            }
        }
    }
    img.over(cv.image(), 0, 0);
    return write_rgb_png(dir + "/prairie.png", img);
}

}  // namespace

bool make_play_pictures(const std::string& dir) {
    bool ok = make_tiles(dir);
    ok &= make_tile_textures(dir);
    ok &= make_practiles(dir);
    ok &= make_screen(dir);
    ok &= make_scorenums(dir);
    ok &= make_mouse(dir);
    ok &= make_prairie(dir);
    return ok;
}

}  // namespace mediagen
