// The play screen: background, board, frame picture, store, status bar,
// debris, the tile in the hand, the pointer and the early-level notices.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "game/frontend/screen.h"
#include "game/play/level_names.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"
#include "runtime/gfx/gfx.h"
#include "runtime/values/values.h"

namespace {

// ---------------------------------------------------------------- layout

constexpr int BLACK = 0;
constexpr int WHITE = 0xFFFFFF;


// The board is drawn inside this area, so cells draw at their pitch alone.
constexpr int BOARD_AREA_W = 900;
constexpr int BOARD_AREA_H = 700;

constexpr int PUZZLE_WINDOW_X = 3;
constexpr int PUZZLE_WINDOW_Y = 3;
constexpr int PUZZLE_WINDOW_W = 766;
constexpr int PUZZLE_WINDOW_H = 664;
constexpr int DEBRIS_SIZE = 3;

constexpr int PRAIRIE_STEP = 128;
constexpr int PRAIRIE_LAST = 768;

constexpr int STORE_COLUMNS = 5;
constexpr int STORE_ROWS = 15;
constexpr int STORE_RAISE = 4;          // the slot under the pointer lifts up and left

constexpr double HELD_OPACITY = -0.8;
constexpr int HELD_TILE_OFFSET = 29;    // centres the box on the pointer
constexpr int SPIN_OFFSET_X = 31;
constexpr int SPIN_OFFSET_Y = 33;

constexpr int CLOCK_HAND = 35;
constexpr int TILE_CLOCK_X = 718;
constexpr int LEVEL_CLOCK_X = 53;
constexpr int CLOCK_Y = 720;
constexpr double LEVEL_CLOCK_SCALE = 100;   // 36000 frames -> 360 degrees

constexpr int SCORE_X = 320, SCORE_Y = 682, SCORE_DIGITS = 7;
constexpr int BONUS_X = 365, BONUS_Y = 724, BONUS_DIGITS = 5;
constexpr int DIGIT_PITCH = 46;
constexpr int EVEN_DIGIT_BASE = 38;     // '0' - 38 = frame 10: the second set of ten
constexpr int ODD_DIGIT_BASE = 48;      // '0' - 48 = frame 0

constexpr double NOTICE_BONUS = 18000;  // notices show while the bonus is above this
constexpr double NOTICE_FADE = 2000;
constexpr int NOTICE_X = 388;
constexpr int NOTICE_Y = 610;

// Each notice shows on the first level where its gate is closed.
struct Notice { bool (*allowed)(double level); const char* text; };
constexpr Notice NOTICES[] = {
    {recovering_allowed, "NO MORE RECOVERING TILES!"},
    {returning_allowed, "NO MORE RETURNING TILES!"},
};

constexpr int VORTEX_X = 386;
constexpr int VORTEX_Y = 325;
constexpr int VORTEX_SEGMENTS = 10;

// ---------------------------------------------------------------- tile polygons
// Every vertex sits at an offset from the box corner and takes the texture
// pixel at that same offset, so the texture lies on the tile unscaled. The
// colour names which corner colour tints it (M = the mixed centre colour).

enum Tint { C1 = 0, C2 = 1, C3 = 2, M = 3 };
struct Vertex { int dx, dy; Tint tint; };
struct Polygon { int count; Vertex v[8]; };

// Up tile: top, lower left, lower right corners, then the centre fan.
constexpr Polygon UP_TILE[] = {
    {3, {{29, -2, C1}, {17, 21, C1}, {41, 21, C1}}},
    {3, {{10, 36, C2}, {-2, 62, C2}, {23, 62, C2}}},
    {3, {{48, 36, C3}, {35, 62, C3}, {62, 62, C3}}},
    {8, {{29, 36, M}, {17, 21, C1}, {10, 36, C2}, {23, 62, C2}, {35, 62, C3}, {48, 36, C3}, {41, 21, C1},
         {17, 21, C1}}},
};

// Down tile: upper left, bottom, upper right corners, then the centre fan.
constexpr Polygon DOWN_TILE[] = {
    {3, {{-2, -2, C1}, {10, 22, C1}, {22, -2, C1}}},
    {3, {{18, 38, C2}, {29, 62, C2}, {41, 38, C2}}},
    {3, {{37, -2, C3}, {49, 22, C3}, {62, -2, C3}}},
    {8, {{29, 26, M}, {18, 38, C2}, {41, 38, C2}, {49, 22, C3}, {37, -2, C3}, {22, -2, C1}, {10, 22, C1},
         {18, 38, C2}}},
};

// Store tile, always up.
constexpr Polygon STORE_TILE[] = {
    {3, {{20, -2, C1}, {11, 15, C1}, {28, 15, C1}}},
    {3, {{8, 22, C2}, {-2, 40, C2}, {17, 40, C2}}},
    {3, {{31, 22, C3}, {22, 40, C3}, {40, 40, C3}}},
    {8, {{19, 25, M}, {11, 15, C1}, {8, 22, C2}, {17, 40, C2}, {22, 40, C3}, {31, 22, C3}, {28, 15, C1},
         {11, 15, C1}}},
};

// Frames of the turning animation: the SPRITE_TURN_* sprites hold the
// triangle at its in-between positions. Rows of one form are tested in the order listed.
struct SpinFrame {
    bool up;                 // the held tile's code is now in up form
    double low, high;        // spin_angle range, inclusive
    int sprite;
    Vertex v[3];
    double step;             // added to spin_angle afterwards
};
constexpr double SPIN_STEP = 4;
constexpr SpinFrame SPIN_FRAMES[] = {
    {true, -20, -11, SPRITE_TURN_3, {{59, -2, C1}, {0, 19, C2}, {50, 68, C3}}, SPIN_STEP},
    {true, -10, -1, SPRITE_TURN_4, {{45, -2, C1}, {-3, 45, C2}, {62, 68, C3}}, SPIN_STEP},
    {true, 11, 20, SPRITE_TURN_1, {{2, -2, C1}, {13, 68, C2}, {63, 19, C3}}, -SPIN_STEP},
    {true, 1, 10, SPRITE_TURN_2, {{17, -2, C1}, {0, 68, C2}, {65, 43, C3}}, -SPIN_STEP},
    {false, -20, -11, SPRITE_TURN_2, {{17, -2, C1}, {0, 68, C2}, {65, 43, C3}}, SPIN_STEP},
    {false, -10, -1, SPRITE_TURN_1, {{2, -2, C1}, {13, 68, C2}, {63, 19, C3}}, SPIN_STEP},
    {false, 11, 20, SPRITE_TURN_4, {{45, -2, C3}, {-3, 45, C1}, {62, 68, C2}}, -SPIN_STEP},
    {false, 1, 10, SPRITE_TURN_3, {{59, -2, C3}, {0, 19, C1}, {50, 68, C2}}, -SPIN_STEP},
};

void draw_polygon(int sprite, const Polygon& p, double x, double y, const int tints[4]) {
    polygon_begin(sprite);
    for (int i = 0; i < p.count; i++) {
        const Vertex& v = p.v[i];
        polygon_vertex(std::trunc(x + v.dx), std::trunc(y + v.dy), v.dx, v.dy, tints[v.tint]);
    }
    polygon_end();
}

int digit_at(const std::string& code, int i) { return colour_digit(string_mid(code, i, 1)); }

// The colours and digits of characters first, first + 2 and first + 4 of a code.
TileForm corner_colours(const std::string& code, int first, double angle) {
    return {angle,
            tile_colour_of(string_mid(code, first, 1)),
            tile_colour_of(string_mid(code, first + 2, 1)),
            tile_colour_of(string_mid(code, first + 4, 1)),
            digit_at(code, first),
            digit_at(code, first + 2),
            digit_at(code, first + 4)};
}

// ---------------------------------------------------------------- corner marks
// One shape per colour digit, black with a one-pixel white rim, so a mark
// reads on every colour and in black and white alike. The shapes stay
// upright whatever the tile does, as letters would; only their places follow
// the corners. Each sits part of the way from its corner toward the tile's
// middle: inside the corner's own colour, which shows around it, and clear of
// the marks of the other tiles that meet at the same point.

constexpr int MARK_SHAPES = 6;
constexpr int LARGE_MARK = 9;             // glyph size on board-sized tiles
constexpr int SMALL_MARK = 5;             // glyph size on store tiles
constexpr double LARGE_MARK_REACH = 0.42; // share of the way from corner to middle
constexpr double SMALL_MARK_REACH = 0.45;
constexpr int MARK_INK = 0x000000;
constexpr int MARK_RIM = 0xFFFFFF;

// Digits 1..6: disc, triangle, plus, hollow square, cross, bar.
constexpr const char* LARGE_MARK_ROWS[MARK_SHAPES][LARGE_MARK] = {
    {"..#####..", ".#######.", "#########", "#########", "#########", "#########", "#########", ".#######.",
     "..#####.."},
    {"....#....", "....#....", "...###...", "...###...", "..#####..", "..#####..", ".#######.", ".#######.",
     "#########"},
    {"...###...", "...###...", "...###...", "#########", "#########", "#########", "...###...", "...###...",
     "...###..."},
    {"#########", "#########", "##.....##", "##.....##", "##.....##", "##.....##", "##.....##", "#########",
     "#########"},
    {"##.....##", "###...###", ".###.###.", "..#####..", "...###...", "..#####..", ".###.###.", "###...###",
     "##.....##"},
    {".........", ".........", ".........", "#########", "#########", "#########", ".........", ".........",
     "........."},
};
constexpr const char* SMALL_MARK_ROWS[MARK_SHAPES][SMALL_MARK] = {
    {".###.", "#####", "#####", "#####", ".###."},
    {"..#..", ".###.", ".###.", "#####", "#####"},
    {"..#..", "..#..", "#####", "..#..", "..#.."},
    {"#####", "#...#", "#...#", "#...#", "#####"},
    {"#...#", ".#.#.", "..#..", ".#.#.", "#...#"},
    {".....", "#####", "#####", "#####", "....."},
};

// A sheet of the six marks side by side, each in a cell of the glyph size
// plus its rim, ink where the glyph has '#', rim on every other pixel that
// touches the glyph (diagonals included), clear elsewhere.
template <int N>
void make_mark_sheet(int slot, const char* const (&rows)[MARK_SHAPES][N]) {
    constexpr int CELL = N + 2;
    const int width = CELL * MARK_SHAPES;
    std::vector<uint8_t> rgba(static_cast<size_t>(width * CELL * 4), 0);
    auto ink = [&](int shape, int gx, int gy) {
        return gx >= 0 && gx < N && gy >= 0 && gy < N && rows[shape][gy][gx] == '#';
    };
    for (int shape = 0; shape < MARK_SHAPES; shape++)
        for (int y = 0; y < CELL; y++)
            for (int x = 0; x < CELL; x++) {
                int colour = -1;
                if (ink(shape, x - 1, y - 1)) {
                    colour = MARK_INK;
                } else {
                    for (int dy = -1; dy <= 1 && colour < 0; dy++)
                        for (int dx = -1; dx <= 1 && colour < 0; dx++)
                            if (ink(shape, x - 1 + dx, y - 1 + dy)) colour = MARK_RIM;
                }
                if (colour < 0) continue;
                uint8_t* px = &rgba[static_cast<size_t>((y * width + shape * CELL + x) * 4)];
                px[0] = static_cast<uint8_t>(colour & 0xFF);
                px[1] = static_cast<uint8_t>((colour >> 8) & 0xFF);
                px[2] = static_cast<uint8_t>((colour >> 16) & 0xFF);
                px[3] = 0xFF;
            }
    sprite_from_rgba(slot, width, CELL, rgba);
}

// The sheets are made by the game, not loaded: made on first use, so they
// are there whichever screen draws a tile first.
void ensure_mark_sheets() {
    if (sprite_width(SPRITE_LARGE_MARKS) == 0) make_mark_sheet(SPRITE_LARGE_MARKS, LARGE_MARK_ROWS);
    if (sprite_width(SPRITE_SMALL_MARKS) == 0) make_mark_sheet(SPRITE_SMALL_MARKS, SMALL_MARK_ROWS);
}

struct Point { double x, y; };

// The marks of a triangle whose corners (in screen pixels) show the digits.
void draw_marks_on(const Point corners[3], const int digits[3], bool small) {
    if (corner_marks != 1) return;
    ensure_mark_sheets();
    const int slot = small ? SPRITE_SMALL_MARKS : SPRITE_LARGE_MARKS;
    const int cell = (small ? SMALL_MARK : LARGE_MARK) + 2;
    const double reach = small ? SMALL_MARK_REACH : LARGE_MARK_REACH;
    const Point middle = {(corners[0].x + corners[1].x + corners[2].x) / 3,
                          (corners[0].y + corners[1].y + corners[2].y) / 3};
    for (int i = 0; i < 3; i++) {
        if (digits[i] < 1 || digits[i] > MARK_SHAPES) continue;
        const double cx = corners[i].x + reach * (middle.x - corners[i].x);
        const double cy = corners[i].y + reach * (middle.y - corners[i].y);
        const int x = static_cast<int>(std::lround(cx)) - cell / 2;
        const int y = static_cast<int>(std::lround(cy)) - cell / 2;
        draw_sprite_part(slot, (digits[i] - 1) * cell, 0, cell, cell, x, y, cell, cell);
    }
}

// The corners of the three tile shapes, in corner order (c1, c2, c3), as
// offsets from the box corner. A board tile's are the lattice points
// themselves, not the tips of its overhang: the six marks around a point
// then keep a pixel apart, rims included.
constexpr Point UP_CORNERS[3] = {{29, 0}, {0, 58}, {58, 58}};
constexpr Point DOWN_CORNERS[3] = {{0, 0}, {29, 58}, {58, 0}};
constexpr Point STORE_CORNERS[3] = {{20, -2}, {-2, 40}, {40, 40}};

void draw_marks_at(const Point (&offsets)[3], double x, double y, const TileForm& f, bool small) {
    const Point corners[3] = {{x + offsets[0].x, y + offsets[0].y},
                              {x + offsets[1].x, y + offsets[1].y},
                              {x + offsets[2].x, y + offsets[2].y}};
    const int digits[3] = {f.d1, f.d2, f.d3};
    draw_marks_on(corners, digits, small);
}

}  // namespace

// ---------------------------------------------------------------- tiles

TileForm tile_form(const std::string& code) {
    return code_is_down(code) ? corner_colours(code, 1, DOWN_ANGLE) : corner_colours(code, 0, UP_ANGLE);
}

int mix_colours(int a, int b, int c) {
    int mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF);
        mixed += (sum / 3) << shift;
    }
    return mixed;
}

void draw_tile(double x, double y, double angle, int c1, int c2, int c3) {
    const Polygon* polygons = nullptr;
    int sprite = 0;
    if (angle == UP_ANGLE) {
        polygons = UP_TILE;
        sprite = SPRITE_UP_TILE;
    } else if (angle == DOWN_ANGLE) {
        polygons = DOWN_TILE;
        sprite = SPRITE_DOWN_TILE;
    } else {
        return;
    }
    const int tints[4] = {c1, c2, c3, mix_colours(c1, c2, c3)};
    for (int i = 0; i < 4; i++) draw_polygon(sprite, polygons[i], x, y, tints);
}

void draw_store_tile(double x, double y, int c1, int c2, int c3) {
    const int tints[4] = {c1, c2, c3, mix_colours(c1, c2, c3)};
    for (const Polygon& p : STORE_TILE) draw_polygon(SPRITE_STORE_TILE, p, x, y, tints);
}

void draw_spinning_tile(double x, double y, double angle, int c1, int c2, int c3) {
    draw_spinning_tile_form(x, y, {angle, c1, c2, c3, 0, 0, 0});
}

void draw_tile_form(double x, double y, const TileForm& f) {
    draw_tile(x, y, f.angle, f.c1, f.c2, f.c3);
    draw_tile_marks(x, y, f);
}

void draw_tile_marks(double x, double y, const TileForm& f) {
    if (f.angle == UP_ANGLE) draw_marks_at(UP_CORNERS, x, y, f, false);
    if (f.angle == DOWN_ANGLE) draw_marks_at(DOWN_CORNERS, x, y, f, false);
}

void draw_store_tile_form(double x, double y, const TileForm& f) {
    draw_store_tile(x, y, f.c1, f.c2, f.c3);
    draw_marks_at(STORE_CORNERS, x, y, f, true);
}

void draw_spinning_tile_form(double x, double y, const TileForm& form) {
    const int tints[4] = {form.c1, form.c2, form.c3, 0};
    const int digits[3] = {form.d1, form.d2, form.d3};
    bool up = form.angle == UP_ANGLE;
    for (const SpinFrame& f : SPIN_FRAMES) {
        if (f.up != up || spin_angle < f.low || spin_angle > f.high) continue;
        polygon_begin(f.sprite);
        for (const Vertex& v : f.v)
            polygon_vertex(std::trunc(x + v.dx), std::trunc(y + v.dy), v.dx, v.dy, tints[v.tint]);
        polygon_end();
        // The marks ride on the turning corners; each vertex names its corner by its tint.
        Point corners[3];
        int corner_digits[3];
        for (int i = 0; i < 3; i++) {
            corners[i] = {x + f.v[i].dx, y + f.v[i].dy};
            corner_digits[i] = digits[f.v[i].tint];
        }
        draw_marks_on(corners, corner_digits, false);
        spin_angle += f.step;
        return;
    }
}

// ---------------------------------------------------------------- board and store

void draw_board() {
    set_viewport(BOARD_ORIGIN_X, BOARD_ORIGIN_Y, BOARD_AREA_W, BOARD_AREA_H);
    if (level >= 1 && level <= NAMED_LEVELS) {
        int n = whole(level);
        const LevelName& name = LEVEL_NAMES[n - 1];
        draw_anim_frame(SPRITE_LEVEL_NAMES, n - 1, name.x, name.y);
    }
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++)
            if (board(x, y) == CELL_EMPTY)
                draw_anim_frame(SPRITE_SPACES, (x + y) % 2, COLUMN_PITCH * x, ROW_PITCH * y);
    // Tiles after all spaces, so a tile's overhang is never covered; marks
    // after all tiles, so no neighbour's overhang covers one.
    for (int pass = 0; pass < 2; pass++)
        for (int y = 0; y < BOARD_ROWS; y++)
            for (int x = 0; x < BOARD_COLUMNS; x++) {
                if (board(x, y) < CELL_TILE) continue;
                const TileForm f = tile_form(tile_codes(whole(board(x, y)) - CELL_TILE));
                if (pass == 0) draw_tile(COLUMN_PITCH * x, ROW_PITCH * y, f.angle, f.c1, f.c2, f.c3);
                else draw_tile_marks(COLUMN_PITCH * x, ROW_PITCH * y, f);
            }
    set_viewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
}

void draw_store() {
    for (int c = 0; c < STORE_COLUMNS; c++)
        for (int r = 0; r < STORE_ROWS; r++) {
            int n = STORE_ROWS * c + r + 1;
            if (tile_used(n) != 0) continue;
            // A tile in the store is always in up form.
            const TileForm f = corner_colours(tile_codes(n), 0, UP_ANGLE);
            int raise = n == store_cursor ? STORE_RAISE : 0;
            draw_store_tile_form(store_slot_x(n) - raise, store_slot_y(n) - raise, f);
        }
}

// ---------------------------------------------------------------- status bar

void draw_digits(double value, double x, double y, int count) {
    std::string s = padded(value, static_cast<size_t>(count < 0 ? 0 : count));
    for (int i = 0; i < count; i++) {
        int k = static_cast<unsigned char>(s[static_cast<size_t>(i)]);
        int frame = i % 2 == 0 ? k - EVEN_DIGIT_BASE : k - ODD_DIGIT_BASE;
        draw_anim_frame(SPRITE_DIGITS, frame, whole(x + DIGIT_PITCH * i), whole(y));
    }
}

void draw_status_bar() {
    // The tile clock turns anticlockwise as the timer falls, the level clock
    // clockwise: mirror images.
    double t = tile_timer;
    draw_line(TILE_CLOCK_X, CLOCK_Y, whole(TILE_CLOCK_X + CLOCK_HAND * fast_sin(t)),
              whole(CLOCK_Y - CLOCK_HAND * fast_sin(t + 90)), WHITE);
    double T = level_timer / LEVEL_CLOCK_SCALE;
    draw_line(LEVEL_CLOCK_X, CLOCK_Y, whole(LEVEL_CLOCK_X - CLOCK_HAND * fast_sin(T)),
              whole(CLOCK_Y - CLOCK_HAND * fast_sin(T + 90)), WHITE);
    draw_digits(score, SCORE_X, SCORE_Y, SCORE_DIGITS);
    draw_digits(level_bonus, BONUS_X, BONUS_Y, BONUS_DIGITS);
}

// ---------------------------------------------------------------- vortex

void draw_vortex() {
    int colour = (whole(vortex_colour[0]) & 0xFF) + 256 * (whole(vortex_colour[1]) & 0xFF) +
                 65536 * (whole(vortex_colour[2]) & 0xFF);
    auto point_x = [](double angle, double radius) { return whole(VORTEX_X + radius * fast_sin(angle)); };
    auto point_y = [](double angle, double radius) { return whole(VORTEX_Y + radius * fast_sin(angle + 90)); };
    for (size_t i = 0; i < vortex_arms.size(); i++) {
        const VortexArm& arm = vortex_arms[static_cast<int>(i)];
        // Oldest segment first; opacity rises toward the arm's head.
        for (int k = 0; k < VORTEX_SEGMENTS; k++) {
            double v = arm.radius + 9 - k;
            if (v <= 0) continue;
            set_alpha_mode(k < VORTEX_SEGMENTS - 1 ? -0.1 * (k + 1) : 0);
            double from = arm.trail[9 - k];
            double to = k < VORTEX_SEGMENTS - 1 ? arm.trail[8 - k] : arm.angle;
            draw_line(point_x(from, v + 1), point_y(from, v + 1), point_x(to, v), point_y(to, v), colour);
        }
    }
}

// ---------------------------------------------------------------- the whole screen

void draw_play_screen() {
    if (level > -1 && vortex_on == 1) {
        draw_rect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, BLACK);
        draw_vortex();
    } else if (level > -1) {
        for (int x = 0; x <= PRAIRIE_LAST; x += PRAIRIE_STEP)
            for (int y = 0; y <= PRAIRIE_LAST; y += PRAIRIE_STEP) draw_sprite(SPRITE_PRAIRIE, x, y);
    } else {
        draw_rect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, BLACK);
    }
    draw_board();
    draw_sprite(SPRITE_FRAME, 0, 0);
    draw_store();
    draw_status_bar();

    set_viewport(PUZZLE_WINDOW_X, PUZZLE_WINDOW_Y, PUZZLE_WINDOW_W, PUZZLE_WINDOW_H);
    for (size_t i = 0; i < debris.size(); i++) {
        const Debris& d = debris[static_cast<int>(i)];
        set_alpha_mode(d.fade);
        draw_rect(whole(d.x), whole(d.y), DEBRIS_SIZE, DEBRIS_SIZE, whole(d.colour));
    }
    set_alpha_mode(0);
    set_viewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);

    if (held_tile != -1) {
        set_alpha_mode(HELD_OPACITY);
        const TileForm f = tile_form(tile_codes(whole(held_tile)));
        if (spin_angle != 0)
            draw_spinning_tile_form(mouse_x - SPIN_OFFSET_X, mouse_y - SPIN_OFFSET_Y, f);
        else
            draw_tile_form(mouse_x - HELD_TILE_OFFSET, mouse_y - HELD_TILE_OFFSET, f);
        set_alpha_mode(0);
    }

    draw_pointer(mouse_x, mouse_y);

    for (const Notice& n : NOTICES) {
        if (n.allowed(level) || !n.allowed(level - 1) || level_bonus <= NOTICE_BONUS) continue;
        set_alpha_mode((level_bonus - NOTICE_BONUS) / NOTICE_FADE);
        draw_text_centred(n.text, NOTICE_X, NOTICE_Y, PROPORTIONAL);
        set_alpha_mode(0);
    }
}
