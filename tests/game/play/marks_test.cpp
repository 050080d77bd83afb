// Corner marks read back in grey: the legend is learnt from the menu's two
// sample tiles (all six digits, as a player first meets them), then every
// placed tile of a nearly solved level is read from its marks alone and
// must agree with the board. Nothing here looks at a colour: the frame is
// turned to grey first, and one test paints all six colours the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "harness.h"
#include "runtime/gfx/gfx.h"
#include "tools/palettes/colour_vision.h"
#include "tools/solver/solver.h"

namespace {

constexpr int MARKS_LEVEL = 12;
constexpr size_t LEFT_EMPTY = 3;
constexpr int INK_GREY = 24;          // darker than any tile colour on the glass
constexpr int SEARCH = 9;             // how far from where a mark belongs it is looked for
constexpr int BIGGEST_MARK = 13;      // an ink shape spanning more is no mark
constexpr double REACH_LARGE = 0.42, REACH_SMALL = 0.45;

// The frame in grey: one luminance per pixel.
struct GreyFrame {
    std::vector<int> grey;
    int at(int x, int y) const {
        if (x < 0 || y < 0 || x >= SCREEN_WIDTH || y >= SCREEN_HEIGHT) return 255;
        return grey[static_cast<size_t>(y * SCREEN_WIDTH + x)];
    }
};

GreyFrame grey_frame() {
    std::vector<int> pixels;
    read_pixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, pixels);
    GreyFrame f;
    f.grey.reserve(pixels.size());
    for (int p : pixels)
        f.grey.push_back(colour_vision::simulate(colour_vision::rgb_of_packed(p), colour_vision::Condition::Grey).r);
    return f;
}

struct Spot { double x, y; };

// Where a corner's mark belongs: part of the way from the corner to the middle.
Spot mark_spot(const Spot corners[3], int i, double reach) {
    const Spot middle = {(corners[0].x + corners[1].x + corners[2].x) / 3, (corners[0].y + corners[1].y + corners[2].y) / 3};
    return {corners[i].x + reach * (middle.x - corners[i].x), corners[i].y + reach * (middle.y - corners[i].y)};
}

// The ink shape nearest the spot, as rows of '#' and '.' over its bounding
// box; "" when there is no ink near, or the ink there is too big for a mark.
std::string read_mark(const GreyFrame& f, Spot spot) {
    const int cx = static_cast<int>(std::lround(spot.x)), cy = static_cast<int>(std::lround(spot.y));
    int seed_x = -1, seed_y = -1, best = 1 << 30;
    for (int y = cy - SEARCH; y <= cy + SEARCH; y++)
        for (int x = cx - SEARCH; x <= cx + SEARCH; x++) {
            const int d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (f.at(x, y) < INK_GREY && d < best) {
                best = d;
                seed_x = x;
                seed_y = y;
            }
        }
    if (seed_x < 0) return "";
    // The ink touching the seed (diagonals included).
    std::vector<std::pair<int, int>> todo = {{seed_x, seed_y}}, shape;
    std::map<std::pair<int, int>, bool> seen;
    seen[{seed_x, seed_y}] = true;
    while (!todo.empty() && shape.size() < 400) {
        auto [x, y] = todo.back();
        todo.pop_back();
        shape.push_back({x, y});
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++) {
                if (seen[{x + dx, y + dy}] || f.at(x + dx, y + dy) >= INK_GREY) continue;
                seen[{x + dx, y + dy}] = true;
                todo.push_back({x + dx, y + dy});
            }
    }
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    for (auto [x, y] : shape) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    if (x1 - x0 >= BIGGEST_MARK || y1 - y0 >= BIGGEST_MARK) return "";
    std::string rows;
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) rows += seen.count({x, y}) && f.at(x, y) < INK_GREY ? '#' : '.';
        rows += '/';
    }
    return rows;
}

// Up-tile corners (top, lower left, lower right) of a box: the lattice points.
void up_corners(double x, double y, Spot out[3]) {
    out[0] = {x + 29, y};
    out[1] = {x, y + 58};
    out[2] = {x + 58, y + 58};
}
// Down-tile corners (upper left, bottom, upper right).
void down_corners(double x, double y, Spot out[3]) {
    out[0] = {x, y};
    out[1] = {x + 29, y + 58};
    out[2] = {x + 58, y};
}

// The six shapes as the two sample tiles show them: digits 1, 4, 3 and 5, 2, 6.
std::map<std::string, int> learn_legend(std::string& problem) {
    draw_rect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
    draw_sample_tiles();
    const GreyFrame f = grey_frame();
    const struct { double x, y; int digits[3]; } samples[] = {{90, 315, {1, 4, 3}}, {870, 315, {5, 2, 6}}};
    std::map<std::string, int> legend;
    for (const auto& s : samples) {
        Spot corners[3];
        up_corners(s.x, s.y, corners);
        for (int i = 0; i < 3; i++) {
            const std::string shape = read_mark(f, mark_spot(corners, i, REACH_LARGE));
            if (shape.empty()) problem += "no mark for digit " + std::to_string(s.digits[i]) + "; ";
            else if (legend.count(shape)) problem += "digits " + std::to_string(legend[shape]) + " and " +
                                                     std::to_string(s.digits[i]) + " share a shape; ";
            else legend[shape] = s.digits[i];
        }
    }
    return legend;
}

// The level's solution on the board but for its last few spaces.
void lay_solution() {
    const SolveReport solved = solve_level(MARKS_LEVEL);
    ASSERT_TRUE(solved.solvable);
    for (size_t i = 0; i + LEFT_EMPTY < solved.tiles.size(); i++) {
        const SolvedTile& t = solved.tiles[i];
        board(t.x, t.y) = CELL_TILE + t.tile;
        tile_codes(t.tile) = t.code;
        tile_used(t.tile) = 1;
    }
}

struct Reading {
    int corners = 0;        // corners of placed tiles looked at
    int read = 0;           // of them, read as the board says
    int unreadable = 0;     // no mark, or a shape not in the legend
    std::string first_problem;
};

// Reads every placed tile's three corner digits from the grey frame.
Reading read_board(const std::map<std::string, int>& legend) {
    const GreyFrame f = grey_frame();
    Reading r;
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++) {
            if (board(x, y) < CELL_TILE) continue;
            const std::string code = tile_codes(static_cast<int>(board(x, y)) - CELL_TILE);
            const bool up = code_is_down(code) == false;
            Spot corners[3];
            if (up) up_corners(cell_box_x(x), cell_box_y(y), corners);
            else down_corners(cell_box_x(x), cell_box_y(y), corners);
            for (int i = 0; i < 3; i++) {
                const int expected = code[static_cast<size_t>((up ? 0 : 1) + 2 * i)] - '0';
                const std::string shape = read_mark(f, mark_spot(corners, i, REACH_LARGE));
                const auto found = legend.find(shape);
                r.corners++;
                if (found == legend.end()) {
                    r.unreadable++;
                    if (r.first_problem.empty())
                        r.first_problem = "cell " + std::to_string(x) + "," + std::to_string(y) + " corner " +
                                          std::to_string(i) + ": " + (shape.empty() ? "no mark" : shape);
                } else if (found->second == expected) {
                    r.read++;
                } else if (r.first_problem.empty()) {
                    r.first_problem = "cell " + std::to_string(x) + "," + std::to_string(y) + " corner " +
                                      std::to_string(i) + " reads " + std::to_string(found->second) +
                                      ", the board says " + std::to_string(expected);
                }
            }
        }
    return r;
}

// The store's tiles, small marks: each must read as its catalogue code's digits.
Reading read_store(const std::map<std::string, int>& small_legend) {
    const GreyFrame f = grey_frame();
    Reading r;
    for (int n = 1; n <= STORE_SLOTS; n++) {
        if (tile_used(n) != 0) continue;
        const std::string code = tile_codes(n);
        const Spot corners[3] = {{store_slot_x(n) + 20.0, store_slot_y(n) - 2.0},
                                 {store_slot_x(n) - 2.0, store_slot_y(n) + 40.0},
                                 {store_slot_x(n) + 40.0, store_slot_y(n) + 40.0}};
        for (int i = 0; i < 3; i++) {
            const auto found = small_legend.find(read_mark(f, mark_spot(corners, i, REACH_SMALL)));
            r.corners++;
            if (found == small_legend.end()) r.unreadable++;
            else if (found->second == code[static_cast<size_t>(2 * i)] - '0') r.read++;
        }
    }
    return r;
}

// The small shapes, from two store-sized tiles drawn as a legend: digits
// 1, 2, 3 and 4, 5, 6 at their top, lower left and lower right corners.
std::map<std::string, int> learn_small_legend(std::string& problem) {
    draw_rect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
    const struct { double x, y; int digits[3]; } samples[] = {{100, 100, {1, 2, 3}}, {200, 100, {4, 5, 6}}};
    for (const auto& s : samples)
        draw_store_tile_form(s.x, s.y, {UP_ANGLE, tile_colours[s.digits[0] - 1], tile_colours[s.digits[1] - 1],
                                        tile_colours[s.digits[2] - 1], s.digits[0], s.digits[1], s.digits[2]});
    const GreyFrame f = grey_frame();
    std::map<std::string, int> legend;
    for (const auto& s : samples) {
        const Spot corners[3] = {{s.x + 20, s.y - 2}, {s.x - 2, s.y + 40}, {s.x + 40, s.y + 40}};
        for (int i = 0; i < 3; i++) {
            const std::string shape = read_mark(f, mark_spot(corners, i, REACH_SMALL));
            if (shape.empty() || legend.count(shape)) problem += "digit " + std::to_string(s.digits[i]) + " has no small shape of its own; ";
            else legend[shape] = s.digits[i];
        }
    }
    return legend;
}

// Start-up as the program does it, then the level's play state with most
// of its solution laid, the hand empty and the pointer off the board.
void nearly_solved_level(int marks) {
    program_start_up();
    music_off = 1;
    vortex_on = 0;
    level = MARKS_LEVEL;
    score = 0;
    start_level();
    lay_solution();
    held_tile = -1;
    spin_angle = 0;
    store_cursor = -1;
    mouse_x = 1010;
    mouse_y = 10;
    debris.clear();
    corner_marks = marks;
}

// Every pixel inside the triangle (a, b, c).
template <typename Visit>
void each_pixel_in(Spot a, Spot b, Spot c, Visit visit) {
    auto side = [](Spot p, Spot q, double x, double y) { return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x); };
    const int x0 = static_cast<int>(std::floor(std::min({a.x, b.x, c.x})));
    const int x1 = static_cast<int>(std::ceil(std::max({a.x, b.x, c.x})));
    const int y0 = static_cast<int>(std::floor(std::min({a.y, b.y, c.y})));
    const int y1 = static_cast<int>(std::ceil(std::max({a.y, b.y, c.y})));
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double s1 = side(a, b, px, py), s2 = side(b, c, px, py), s3 = side(c, a, px, py);
            if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) visit(x, y);
        }
}

}  // namespace

TEST(CornerMarks, EveryPlacedCornerReadsInGreyFromItsMarkAlone) {
    if (!media_available()) GTEST_SKIP() << "the generated media are needed for the tile textures";
    std::string legend_problem;
    std::map<std::string, int> legend;
    Reading board_reading, no_marks;
    int placed = 0;
    run_in_runtime([&] {
        nearly_solved_level(1);
        legend = learn_legend(legend_problem);
        draw_play_screen();
        board_reading = read_board(legend);
        for (int y = 0; y < BOARD_ROWS; y++)
            for (int x = 0; x < BOARD_COLUMNS; x++) placed += board(x, y) >= CELL_TILE ? 1 : 0;
        // The same board without the marks: the reading has nothing to go on.
        corner_marks = 0;
        draw_play_screen();
        no_marks = read_board(legend);
    });
    EXPECT_EQ(legend_problem, "");
    EXPECT_EQ(legend.size(), 6u) << "six distinct shapes, one per digit";
    EXPECT_GT(placed, 40) << "a board with many placed tiles";
    EXPECT_EQ(board_reading.corners, 3 * placed);
    EXPECT_EQ(board_reading.read, board_reading.corners) << board_reading.first_problem;
    EXPECT_EQ(no_marks.read, 0);
    EXPECT_EQ(no_marks.unreadable, no_marks.corners);
}

TEST(CornerMarks, TellTheDigitsWhenAllSixColoursAreTheSame) {
    if (!media_available()) GTEST_SKIP() << "the generated media are needed for the tile textures";
    std::string legend_problem, small_problem;
    std::map<std::string, int> legend, small_legend;
    Reading board_reading, store_reading;
    run_in_runtime([&] {
        nearly_solved_level(1);
        // Colour tells nothing now: every corner is the same mid grey.
        for (int& c : colour_channels) c = 128;
        rebuild_tile_colours();
        legend = learn_legend(legend_problem);
        small_legend = learn_small_legend(small_problem);
        draw_play_screen();
        board_reading = read_board(legend);
        store_reading = read_store(small_legend);
    });
    EXPECT_EQ(legend_problem, "");
    EXPECT_EQ(small_problem, "");
    EXPECT_GT(board_reading.corners, 100);
    EXPECT_EQ(board_reading.read, board_reading.corners) << board_reading.first_problem;
    EXPECT_GT(store_reading.corners, 9);
    EXPECT_EQ(store_reading.read, store_reading.corners);
}

TEST(CornerMarks, TheHandsTileShowsItsMarksStillAndTurning) {
    if (!media_available()) GTEST_SKIP() << "the generated media are needed for the tile textures";
    std::string legend_problem;
    std::map<std::string, int> legend;
    std::string still[3], turning[3];
    double spin_after = 0;
    run_in_runtime([&] {
        nearly_solved_level(1);
        legend = learn_legend(legend_problem);
        // A tile whose corners show 1, 2, 3, held over the dark empty
        // background right of the puzzle.
        held_tile = 75;
        tile_used(75) = 1;
        tile_codes(75) = "1 2 3 ";
        mouse_x = 680;
        mouse_y = 300;
        // The pointer, drawn over everything at the tile's middle, may touch
        // a mark's rim: a clear pointer lets the reading see the marks alone.
        sprite_from_rgba(SPRITE_POINTER, 1, 1, {0, 0, 0, 0});
        draw_play_screen();
        GreyFrame f = grey_frame();
        Spot corners[3];
        up_corners(mouse_x - 29, mouse_y - 29, corners);
        for (int i = 0; i < 3; i++) still[i] = read_mark(f, mark_spot(corners, i, REACH_LARGE));
        // First frame of a turn: the triangle stands at its in-between
        // position, its corners 1, 2, 3 at (2, -2), (13, 68), (63, 19).
        spin_angle = 20;
        draw_play_screen();
        spin_after = spin_angle;
        f = grey_frame();
        const double x = mouse_x - 31, y = mouse_y - 33;
        const Spot turned[3] = {{x + 2, y - 2}, {x + 13, y + 68}, {x + 63, y + 19}};
        for (int i = 0; i < 3; i++) turning[i] = read_mark(f, mark_spot(turned, i, REACH_LARGE));
    });
    ASSERT_EQ(legend_problem, "");
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(legend.count(still[i]) ? legend[still[i]] : 0, i + 1) << "still, corner " << i << ": " << still[i];
        EXPECT_EQ(legend.count(turning[i]) ? legend[turning[i]] : 0, i + 1) << "turning, corner " << i << ": " << turning[i];
    }
    EXPECT_EQ(spin_after, 16) << "the turn went on as before";
}

TEST(CornerMarks, LeaveMostOfEveryCornersColourInView) {
    if (!media_available()) GTEST_SKIP() << "the generated media are needed for the tile textures";
    std::vector<int> with_marks, without;
    run_in_runtime([&] {
        nearly_solved_level(1);
        draw_play_screen();
        read_pixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, with_marks);
        corner_marks = 0;
        draw_play_screen();
        read_pixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, without);
    });
    ASSERT_EQ(with_marks.size(), without.size());
    ASSERT_FALSE(with_marks.empty());
    // Each corner's solid triangle, as the tile is built: the share of its
    // pixels the mark leaves as they were.
    double least_kept = 1;
    int corners = 0;
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++) {
            if (board(x, y) < CELL_TILE) continue;
            const bool up = !code_is_down(tile_codes(static_cast<int>(board(x, y)) - CELL_TILE));
            const double bx = cell_box_x(x), by = cell_box_y(y);
            const Spot up_parts[3][3] = {{{29, -2}, {17, 21}, {41, 21}},
                                         {{10, 36}, {-2, 62}, {23, 62}},
                                         {{48, 36}, {35, 62}, {62, 62}}};
            const Spot down_parts[3][3] = {{{-2, -2}, {10, 22}, {22, -2}},
                                           {{18, 38}, {29, 62}, {41, 38}},
                                           {{37, -2}, {49, 22}, {62, -2}}};
            for (const auto& part : up ? up_parts : down_parts) {
                int inside = 0, kept = 0;
                each_pixel_in({bx + part[0].x, by + part[0].y}, {bx + part[1].x, by + part[1].y},
                              {bx + part[2].x, by + part[2].y}, [&](int px, int py) {
                                  const size_t i = static_cast<size_t>(py * SCREEN_WIDTH + px);
                                  inside++;
                                  kept += with_marks[i] == without[i] ? 1 : 0;
                              });
                ASSERT_GT(inside, 0);
                least_kept = std::min(least_kept, double(kept) / inside);
                corners++;
            }
        }
    EXPECT_GT(corners, 100);
    EXPECT_GE(least_kept, 0.5) << "a mark covers at most half of its corner's own colour";
    EXPECT_LT(least_kept, 1.0) << "the marks were drawn";
}
