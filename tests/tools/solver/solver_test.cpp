// Every level is solvable, and the solver's solution, played through the
// pointer with the game's own rules, fills the level without a conflict.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tests/game/puzzle/fake_services.h"
#include "tools/solver/solver.h"

TEST(SolverGeometry, CornerVerticesAgreeWithTheVertexTable) {
    // Two cells listed at a corner's vertex must put their listed corner on
    // the same lattice vertex.
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            bool up = cell_is_up(x, y);
            for (int slot = 0; slot < 3; ++slot) {
                LatticeVertex mine = corner_vertex(x, y, corner_direction(up, slot));
                EXPECT_EQ((mine.x + mine.y) % 2, 1);
                const VertexNeighbour* others = vertex_neighbours(up, slot);
                for (int i = 0; i < 5; ++i) {
                    LatticeVertex theirs = corner_vertex(x + others[i].dx, y + others[i].dy, others[i].direction);
                    EXPECT_EQ(theirs, mine) << x << "," << y << " slot " << slot << " entry " << i;
                }
            }
            // A cell has no corner in the other form's directions.
            EXPECT_EQ(corner_vertex(x, y, up ? 1 : 0).x, -1000);
        }
}

TEST(SolverGeometry, ColourTriplesNameCatalogueTiles) {
    std::set<int> seen;
    for (int a = 1; a <= 6; ++a)
        for (int b = 1; b <= 6; ++b)
            for (int c = 1; c <= 6; ++c) {
                int n = catalogue_index_of(a, b, c);
                ASSERT_GE(n, 0);
                seen.insert(n);
                EXPECT_EQ(n, catalogue_index_of(b, c, a));
                std::string up{static_cast<char>('0' + a), ' ', static_cast<char>('0' + b), ' ',
                               static_cast<char>('0' + c), ' '};
                EXPECT_GE(clockwise_turns(catalogue_code(n), up), 0) << up;
            }
    EXPECT_EQ(seen.size(), 76u);
    EXPECT_EQ(catalogue_index_of(3, 3, 3), 0);
    EXPECT_EQ(catalogue_index_of(5, 2, 4), 22);
    EXPECT_EQ(catalogue_index_of(0, 2, 4), -1);
    EXPECT_EQ(catalogue_index_of(5, 2, 7), -1);
    EXPECT_EQ(clockwise_turns("5 2 4 ", " 5 2 4"), 5);
    EXPECT_EQ(clockwise_turns("5 2 4 ", "5 4 2 "), -1);
}

TEST(Solver, RefusesWhatCannotBeFilled) {
    // The five cells round the first tile's top vertex all meet colour 3.
    LevelShape hexagon;
    hexagon.first_x = 12;
    hexagon.first_y = 4;
    hexagon.spaces = {{11, 4}, {13, 4}, {11, 3}, {12, 3}, {13, 3}};
    SolveReport r = solve_shape(hexagon);
    ASSERT_TRUE(r.solvable);
    for (const SolvedTile& t : r.tiles) {
        LatticeVertex top = corner_vertex(12, 4, 0);
        for (int d = 0; d < 6; ++d)
            if (corner_vertex(t.x, t.y, d) == top) {
                EXPECT_EQ(t.code[static_cast<size_t>(d)], '3');
            }
    }
    // A 76th space needs a tile the store does not have.
    LevelShape too_big;
    too_big.first_x = 12;
    too_big.first_y = 4;
    for (int y = 0; y < BOARD_ROWS && too_big.spaces.size() < 76; ++y)
        for (int x = 0; x < BOARD_COLUMNS && too_big.spaces.size() < 76; ++x)
            if (!(x == 12 && y == 4)) too_big.spaces.emplace_back(x, y);
    EXPECT_FALSE(solve_shape(too_big).solvable);
    // A space on the first tile's own corners would need the all-3 tile,
    // which the store never offers.
    LevelShape clash;
    clash.first_x = 12;
    clash.first_y = 4;
    clash.spaces = {{12, 4}};   // the first tile's own cell again
    EXPECT_FALSE(solve_shape(clash).solvable);
}

TEST(Solver, CountsSolutionsUpToTheCap) {
    LevelShape one;   // one space beside the first tile
    one.first_x = 12;
    one.first_y = 4;
    one.spaces = {{13, 4}};
    // The space shares two corners (colour 3) and picks its third freely
    // from five colours (3 would need the first tile again).
    SolveReport r = solve_shape(one, 100);
    EXPECT_TRUE(r.solvable);
    EXPECT_EQ(r.solutions, 5);
    EXPECT_FALSE(r.solutions_capped);
    SolveReport capped = solve_shape(one, 3);
    EXPECT_EQ(capped.solutions, 3);
    EXPECT_TRUE(capped.solutions_capped);
}

namespace {

// Plays a solution through the pointer: pick from the store, turn with
// right clicks, drop into the cell.
void play_solution(FakeServices& fake, const SolveReport& report) {
    for (const SolvedTile& t : report.tiles) {
        pick(fake, t.tile);
        ASSERT_EQ(held_tile, t.tile);
        for (int k = 0; k < t.turns; ++k) turn_clockwise(fake);
        ASSERT_EQ(tile_codes(t.tile), t.code);
        drop(fake, t.x, t.y);
        ASSERT_EQ(board(t.x, t.y), CELL_TILE + t.tile) << "tile " << t.tile << " at " << t.x << "," << t.y;
    }
}

}  // namespace

TEST(Solver, EveryLevelIsSolvedThroughTheRules) {
    FakeServices fake;
    start_quiet_rules(fake);
    for (int lvl = FIRST_LEVEL; lvl <= LAST_LEVEL; ++lvl) {
        SCOPED_TRACE("level " + std::to_string(lvl));
        LevelShape shape = read_level_shape(lvl);
        SolveReport report = solve_shape(shape);
        ASSERT_TRUE(report.solvable);
        ASSERT_EQ(report.tiles.size(), shape.spaces.size());
        std::set<int> used;
        for (const SolvedTile& t : report.tiles) {
            EXPECT_GE(t.tile, 1);
            EXPECT_TRUE(used.insert(t.tile).second) << "tile " << t.tile << " twice";
        }
        level = lvl;
        score = 0;
        practice_mode = 0;
        start_level();
        fake.sounds.clear();
        play_solution(fake, report);
        if (HasFatalFailure()) return;
        EXPECT_EQ(fake.count(0), 0) << "an explosion";
        for (int y = 0; y < BOARD_ROWS; ++y)
            for (int x = 0; x < BOARD_COLUMNS; ++x) EXPECT_NE(board(x, y), CELL_EMPTY) << x << "," << y;
        EXPECT_EQ(score, 180.0 * static_cast<double>(shape.spaces.size()));
    }
    set_puzzle_services(nullptr);
}

TEST(Solver, AWrongTurnIsCaughtByTheRules) {
    // The solver's codes are what the rules check: one tile turned a third
    // of a turn too far explodes against the first tile or a neighbour.
    FakeServices fake;
    set_puzzle_services(&fake);
    create_play_arrays();
    music_off = 1;
    vortex_on = 0;
    level = 1;
    start_level();
    LevelShape shape = read_level_shape(1);
    SolveReport report = solve_shape(shape);
    ASSERT_TRUE(report.solvable);
    // The tile beside the first tile at (13, 8). A third of a turn moves
    // every colour to another corner, so no store tile (never all one
    // colour) keeps its code.
    auto beside = std::find_if(report.tiles.begin(), report.tiles.end(),
                               [](const SolvedTile& t) { return t.x == 13 && t.y == 8; });
    ASSERT_NE(beside, report.tiles.end()) << "level 1 has no space at (13, 8)";
    pick(fake, beside->tile);
    for (int k = 0; k < beside->turns + 2; ++k) turn_clockwise(fake);
    ASSERT_NE(tile_codes(beside->tile), beside->code);
    drop(fake, beside->x, beside->y);
    EXPECT_EQ(board(13, 8), CELL_EMPTY);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(fake.count(0), 1) << "one explosion";
    set_puzzle_services(nullptr);
}

TEST(Solver, RankCorrelationOfDifficultyWithLevel) {
    EXPECT_DOUBLE_EQ(rank_correlation({1, 2, 3, 4}), 1.0);
    EXPECT_DOUBLE_EQ(rank_correlation({9, 7, 5, 1}), -1.0);
    // Ranks, not sizes: one huge value counts as one step.
    EXPECT_DOUBLE_EQ(rank_correlation({1, 2, 3, 1000}), 1.0);
    // Ties share their mean rank: ranks 0, 1.5, 1.5, 3.
    EXPECT_NEAR(rank_correlation({1, 5, 5, 9}), 4.5 / std::sqrt(5.0 * 4.5), 1e-12);
    // One swapped pair of four: 1 - 6 * 2 / (4 * 15).
    EXPECT_NEAR(rank_correlation({1, 3, 2, 4}), 0.8, 1e-12);
    EXPECT_EQ(rank_correlation({3}), 0.0);
    EXPECT_EQ(rank_correlation({2, 2, 2}), 0.0);
}
