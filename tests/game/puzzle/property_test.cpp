// Long random sequences of picks, turns, drops, recoveries, returns and
// timer expiries never break the play state's invariants.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "tests/game/puzzle/fake_services.h"

namespace {

// Colour shown by a board cell at a screen point, from its corner points.
void record_corners(int x, int y, const std::string& code,
                    std::map<std::pair<int, int>, std::set<char>>& colours_at) {
    int bx = cell_box_x(x), by = cell_box_y(y);
    struct P { int px, py, direction; };
    std::vector<P> points;
    if (cell_is_up(x, y)) points = {{bx + 29, by, 0}, {bx, by + 58, 2}, {bx + 58, by + 58, 4}};
    else points = {{bx, by, 1}, {bx + 58, by, 5}, {bx + 29, by + 58, 3}};
    for (const P& p : points) colours_at[{p.px, p.py}].insert(code[static_cast<size_t>(p.direction)]);
}

void check_invariants(const NumberArray& start_board, int first_x, int first_y, int step) {
    SCOPED_TRACE("step " + std::to_string(step));
    std::set<int> on_board;
    std::map<std::pair<int, int>, std::set<char>> colours_at;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            double v = board(x, y);
            if (start_board(x, y) == 0) ASSERT_EQ(v, 0) << x << "," << y;
            else ASSERT_TRUE(v == CELL_EMPTY || v >= CELL_TILE) << x << "," << y;
            if (v < CELL_TILE) continue;
            int n = static_cast<int>(v) - CELL_TILE;
            ASSERT_TRUE(on_board.insert(n).second) << "tile " << n << " twice";
            ASSERT_EQ(tile_used(n), 1) << "tile " << n;
            const std::string& code = tile_codes(n);
            ASSERT_EQ(code_is_down(code), !cell_is_up(x, y)) << "tile " << n << " in the wrong form";
            record_corners(x, y, code, colours_at);
        }
    ASSERT_EQ(board(first_x, first_y), CELL_TILE);
    for (const auto& [point, colours] : colours_at) ASSERT_EQ(colours.size(), 1u) << "corners disagree";
    if (held_tile != -1) {
        ASSERT_EQ(tile_used(static_cast<int>(held_tile)), 1);
        ASSERT_EQ(on_board.count(static_cast<int>(held_tile)), 0u);
    }
    ASSERT_EQ(tile_used(0), 1);
    ASSERT_GE(score, 0);
    for (int n = 0; n < CATALOGUE_SIZE; ++n) ASSERT_EQ(tile_codes(n).size(), 6u);
}

}  // namespace

TEST(PlayProperties, RandomPlayKeepsTheInvariants) {
    FakeServices fake;
    start_quiet_rules(fake);
    // What the sequences did, so the test knows it covered every move.
    int placed = 0, exploded = 0, recovered = 0, returned = 0, expired = 0;
    for (int round = 0; round < 16; ++round) {
        std::mt19937 rng(static_cast<unsigned>(round) * 7919u + 1u);
        random_seed(static_cast<uint32_t>(round));
        auto pick_int = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        level = round % 3 == 0 ? -1 : round % 3;   // the drawn levels
        start_level();
        level = pick_int(0, 8);                    // the gates of levels 0..8
        score = pick_int(0, 400);
        practice_mode = pick_int(0, 1);
        NumberArray start_board = board;
        int first_x = -1, first_y = -1;
        std::vector<std::pair<int, int>> spaces;
        for (int y = 0; y < BOARD_ROWS; ++y)
            for (int x = 0; x < BOARD_COLUMNS; ++x) {
                if (board(x, y) == CELL_TILE) { first_x = x; first_y = y; }
                if (board(x, y) == CELL_EMPTY) spaces.emplace_back(x, y);
            }
        for (int step = 0; step < 1200; ++step) {
            int move = pick_int(0, 9);
            double held_before = held_tile;
            int tiles_before = 0, used_before = 0;
            for (int y = 0; y < BOARD_ROWS; ++y)
                for (int x = 0; x < BOARD_COLUMNS; ++x) tiles_before += board(x, y) > CELL_TILE;
            for (int n = 1; n < CATALOGUE_SIZE; ++n) used_before += tile_used(n) == 1;
            size_t booms_before = static_cast<size_t>(fake.count(0));
            switch (move) {
                case 0: case 1: pick(fake, pick_int(1, 75)); break;
                case 2: turn_clockwise(fake); break;
                case 3:
                    fake.wheel = pick_int(0, 1) ? 1 : -1;
                    rules_frame();
                    fake.wheel = 0;
                    rules_frame();
                    break;
                case 4: case 5: case 6: {
                    auto [x, y] = spaces[static_cast<size_t>(pick_int(0, static_cast<int>(spaces.size()) - 1))];
                    drop(fake, x, y);
                    break;
                }
                case 7: drop(fake, first_x, first_y); break;
                case 8: {
                    int frames = pick_int(1, 600);
                    for (int i = 0; i < frames; ++i) rules_frame(true);
                    break;
                }
                default:
                    fake.point_at_nothing();
                    fake.left = pick_int(0, 1);
                    fake.right = pick_int(0, 1);
                    rules_frame(true);
                    break;
            }
            int tiles_after = 0, used_after = 0;
            for (int y = 0; y < BOARD_ROWS; ++y)
                for (int x = 0; x < BOARD_COLUMNS; ++x) tiles_after += board(x, y) > CELL_TILE;
            for (int n = 1; n < CATALOGUE_SIZE; ++n) used_after += tile_used(n) == 1;
            bool boom = static_cast<size_t>(fake.count(0)) > booms_before;
            if (boom) ++exploded;
            if (boom && move == 8) ++expired;
            if (!boom && tiles_after == tiles_before + 1) ++placed;
            if (held_before == -1 && held_tile != -1 && tiles_after == tiles_before - 1) ++recovered;
            if (held_before != -1 && held_tile == -1 && used_after == used_before - 1) ++returned;
            check_invariants(start_board, first_x, first_y, step);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(placed, 100);
    EXPECT_GT(exploded, 20);
    EXPECT_GT(recovered, 10);
    EXPECT_GT(returned, 10);
    EXPECT_GT(expired, 5);
    std::printf("placed %d, exploded %d, recovered %d, returned %d, expired %d\n", placed, exploded, recovered,
                returned, expired);
    set_puzzle_services(nullptr);
}
