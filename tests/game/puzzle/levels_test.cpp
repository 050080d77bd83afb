// Every layout block against the published figures of its level.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "game/puzzle/rules.h"

namespace {

struct Figures {
    int level, first_x, first_y;
    bool up;
    int spaces, min_x, max_x, min_y, max_y;
};

const Figures FIGURES[] = {
    {-1, 12, 9, false, 4, 10, 14, 9, 9},   {0, 12, 8, true, 18, 7, 17, 4, 8},
    {1, 12, 8, true, 29, 7, 17, 3, 8},     {2, 11, 5, true, 35, 7, 15, 3, 8},
    {3, 19, 6, false, 41, 6, 19, 3, 8},    {4, 12, 3, false, 41, 7, 17, 2, 9},
    {5, 12, 6, true, 51, 4, 19, 3, 7},     {6, 4, 2, true, 54, 4, 19, 0, 10},
    {7, 10, 5, false, 56, 3, 21, 3, 7},    {8, 12, 6, true, 55, 6, 16, 1, 9},
    {9, 13, 4, false, 57, 7, 19, 1, 9},    {10, 12, 4, true, 59, 5, 19, 2, 9},
    {11, 4, 5, false, 68, 4, 19, 0, 10},   {12, 12, 9, false, 59, 7, 17, 2, 9},
    {13, 8, 5, false, 66, 2, 21, 3, 8},    {14, 14, 2, true, 63, 0, 23, 0, 8},
    {15, 3, 5, true, 64, 0, 23, 2, 7},     {16, 12, 4, true, 67, 4, 18, 0, 10},
    {17, 10, 8, true, 66, 5, 17, 1, 9},    {18, 12, 3, false, 65, 5, 19, 1, 10},
    {19, 12, 8, true, 69, 2, 21, 1, 8},    {20, 14, 2, true, 65, 7, 17, 1, 9},
    {21, 13, 7, true, 68, 5, 19, 0, 10},   {22, 2, 5, false, 69, 1, 22, 1, 9},
    {23, 20, 2, true, 68, 2, 20, 1, 9},    {24, 16, 6, true, 69, 5, 19, 2, 8},
    {25, 19, 5, true, 71, 5, 19, 2, 9},    {26, 6, 2, true, 69, 2, 21, 2, 9},
    {27, 11, 7, true, 63, 4, 18, 1, 8},    {28, 4, 5, false, 71, 3, 17, 1, 9},
    {29, 12, 1, false, 72, 7, 17, 0, 10},  {30, 10, 5, false, 72, 2, 20, 1, 8},
    {31, 9, 8, false, 73, 4, 18, 0, 9},    {32, 7, 4, false, 71, 1, 20, 1, 9},
    {33, 8, 6, true, 74, 1, 24, 3, 7},     {34, 11, 6, false, 73, 2, 20, 1, 9},
    {35, 8, 2, true, 73, 1, 19, 1, 10},    {36, 17, 5, true, 73, 1, 22, 2, 7},
    {37, 10, 5, false, 73, 4, 17, 0, 10},  {38, 12, 9, false, 71, 5, 17, 1, 9},
    {39, 11, 4, false, 75, 1, 21, 2, 8},   {40, 12, 4, true, 64, 1, 23, 0, 10},
};

// The levels drawn in full, row by row: o a space, F the first tile.
struct Drawn {
    int level;
    std::vector<std::pair<int, std::string>> rows;
};
const Drawn DRAWN[] = {
    {-1, {{9, "..........ooFoo.........."}}},
    {0, {{4, ".......oo.......oo......."}, {5, "........oo.....oo........"}, {6, ".........oo...oo........."},
         {7, "..........oo.oo.........."}, {8, "...........oFo..........."}}},
    {1, {{3, ".........ooooooo........."}, {4, "........oo.....oo........"}, {5, ".......oo.......oo......."},
         {6, ".......oo.......oo......."}, {7, "........oo.....oo........"}, {8, ".........oooFooo........."}}},
    {39, {{2, "..........ooo............"}, {3, ".......o..ooo............"}, {4, "......oo..oFo............"},
          {5, "...o..ooo.oooo..oooo....."}, {6, ".oooooooooooooooooo......"}, {7, "..ooooooooooooooo.oooo..."},
          {8, "...ooooooooooooo...oo...."}}},
};

// Reads a block as the game does, pair by pair up to the end mark.
std::vector<std::pair<int, int>> read_block(int lvl) {
    DataList list = level_layout(lvl);
    std::vector<std::pair<int, int>> cells;
    data_restore(list);
    size_t pairs = list.count / 2;
    for (size_t i = 0; i < pairs; ++i) {
        int x = static_cast<int>(data_read_number());
        int y = static_cast<int>(data_read_number());
        if (x == -1) {
            EXPECT_EQ(y, -1);
            EXPECT_EQ(list.count, 2 * (i + 1)) << "numbers after the end mark";
            return cells;
        }
        cells.emplace_back(x, y);
    }
    ADD_FAILURE() << "level " << lvl << " has no end mark";
    return cells;
}

}  // namespace

TEST(Levels, EveryBlockMatchesItsFigures) {
    // One row per level the game has, from the tutorial to the last.
    std::vector<int> listed;
    for (const Figures& f : FIGURES) listed.push_back(f.level);
    std::vector<int> levels;
    for (int lvl = FIRST_LEVEL; lvl <= LAST_LEVEL; ++lvl) levels.push_back(lvl);
    EXPECT_EQ(listed, levels);
    for (const Figures& f : FIGURES) {
        SCOPED_TRACE("level " + std::to_string(f.level));
        std::vector<std::pair<int, int>> cells = read_block(f.level);
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells[0], std::make_pair(f.first_x, f.first_y));
        EXPECT_EQ(cell_is_up(f.first_x, f.first_y), f.up);
        EXPECT_EQ(static_cast<int>(cells.size()) - 1, f.spaces);
        std::set<std::pair<int, int>> distinct(cells.begin(), cells.end());
        EXPECT_EQ(distinct.size(), cells.size()) << "a cell listed twice";
        int min_x = 99, max_x = -1, min_y = 99, max_y = -1;
        for (auto [x, y] : cells) {
            EXPECT_TRUE(cell_on_board(x, y)) << x << "," << y;
            min_x = std::min(min_x, x);
            max_x = std::max(max_x, x);
            min_y = std::min(min_y, y);
            max_y = std::max(max_y, y);
        }
        EXPECT_EQ(min_x, f.min_x);
        EXPECT_EQ(max_x, f.max_x);
        EXPECT_EQ(min_y, f.min_y);
        EXPECT_EQ(max_y, f.max_y);
    }
    EXPECT_EQ(read_block(39).size(), 76u);   // every store tile is needed
}

TEST(Levels, DrawnLevelsAreExact) {
    for (const Drawn& d : DRAWN) {
        SCOPED_TRACE("level " + std::to_string(d.level));
        std::set<std::pair<int, int>> expected_spaces;
        std::pair<int, int> expected_first{-1, -1};
        for (const auto& [y, row] : d.rows)
            for (int x = 0; x < static_cast<int>(row.size()); ++x) {
                if (row[static_cast<size_t>(x)] == 'o') expected_spaces.insert({x, y});
                if (row[static_cast<size_t>(x)] == 'F') expected_first = {x, y};
            }
        std::vector<std::pair<int, int>> cells = read_block(d.level);
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells[0], expected_first);
        std::set<std::pair<int, int>> spaces(cells.begin() + 1, cells.end());
        EXPECT_EQ(spaces, expected_spaces);
    }
}

TEST(Levels, LoadedBoardHoldsTheBlock) {
    create_play_arrays();
    for (int lvl = FIRST_LEVEL; lvl <= LAST_LEVEL; ++lvl) {
        level = lvl;
        load_level_layout();
        std::vector<std::pair<int, int>> cells = read_block(lvl);
        int empty = 0, first = 0, other = 0;
        for (int y = 0; y < BOARD_ROWS; ++y)
            for (int x = 0; x < BOARD_COLUMNS; ++x) {
                if (board(x, y) == CELL_EMPTY) ++empty;
                else if (board(x, y) == CELL_TILE) ++first;
                else if (board(x, y) != 0) ++other;
            }
        EXPECT_EQ(empty + 1, static_cast<int>(cells.size())) << lvl;
        EXPECT_EQ(first, 1) << lvl;
        EXPECT_EQ(other, 0) << lvl;
        EXPECT_EQ(board(cells[0].first, cells[0].second), CELL_TILE) << lvl;
        EXPECT_EQ(tile_codes(0), cell_is_up(cells[0].first, cells[0].second) ? "3 3 3 " : " 3 3 3") << lvl;
    }
}
