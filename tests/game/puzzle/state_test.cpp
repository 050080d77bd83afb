// The catalogue, rotations, the lattice tables and the settings values.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "game/puzzle/services.h"
#include "game/puzzle/state.h"

namespace {

// The catalogue as published with the game, three digits per tile.
const char* const PUBLISHED_CATALOGUE[75] = {
    "555", "525", "515", "565", "545", "535", "522", "512", "562", "542", "532", "521", "511", "561", "541",
    "531", "526", "516", "566", "546", "536", "524", "514", "564", "544", "534", "523", "513", "563", "543",
    "533", "222", "212", "262", "242", "232", "211", "261", "241", "231", "216", "266", "246", "236", "214",
    "264", "244", "234", "213", "263", "243", "233", "111", "161", "141", "131", "166", "146", "136", "164",
    "144", "134", "163", "143", "133", "666", "646", "636", "644", "634", "643", "633", "444", "434", "433"};

std::string spaced(const char* digits) {
    return std::string{digits[0], ' ', digits[1], ' ', digits[2], ' '};
}

// The smallest rotation of a code, naming its rotation class.
std::string rotation_class(const std::string& up_code) {
    std::string best = up_code, c = up_code;
    for (int i = 0; i < 6; ++i) {
        c = rotate_clockwise(c);
        best = std::min(best, c);
    }
    return best;
}

}  // namespace

TEST(Catalogue, GeneratedCodesMatchThePublishedList) {
    EXPECT_EQ(catalogue_code(0), "3 3 3 ");
    for (int n = 1; n < CATALOGUE_SIZE; ++n) EXPECT_EQ(catalogue_code(n), spaced(PUBLISHED_CATALOGUE[n - 1])) << n;
    EXPECT_EQ(catalogue_code(22), "5 2 4 ");
    EXPECT_EQ(catalogue_code(52), "2 3 3 ");
    EXPECT_EQ(catalogue_code(75), "4 3 3 ");
    EXPECT_EQ(catalogue_code(76), "");
    EXPECT_EQ(catalogue_code(-1), "");
}

TEST(Catalogue, EveryColouringUpToRotationOccursExactlyOnce) {
    std::map<std::string, int> classes;
    for (int n = 0; n < CATALOGUE_SIZE; ++n) ++classes[rotation_class(catalogue_code(n))];
    EXPECT_EQ(classes.size(), 76u);
    std::set<std::string> all;
    for (char a = '1'; a <= '6'; ++a)
        for (char b = '1'; b <= '6'; ++b)
            for (char c = '1'; c <= '6'; ++c) {
                std::string code{a, ' ', b, ' ', c, ' '};
                EXPECT_EQ(classes.count(rotation_class(code)), 1u) << code;
            }
    // Mirror images are different tiles.
    EXPECT_NE(rotation_class("5 2 1 "), rotation_class("5 1 2 "));
}

TEST(Catalogue, RotationsCycleThroughBothForms) {
    std::string code = "5 2 4 ";
    const char* expected[6] = {" 2 4 5", "2 4 5 ", " 4 5 2", "4 5 2 ", " 5 2 4", "5 2 4 "};
    for (int i = 0; i < 6; ++i) {
        code = rotate_clockwise(code);
        EXPECT_EQ(code, expected[i]);
        EXPECT_EQ(code_is_down(code), i % 2 == 0);
    }
    EXPECT_EQ(rotate_counter_clockwise("5 2 4 "), " 5 2 4");
    EXPECT_EQ(rotate_counter_clockwise(rotate_clockwise("1 6 3 ")), "1 6 3 ");
}

TEST(Catalogue, StoreSlotsFillColumnByColumn) {
    EXPECT_EQ(store_slot_x(1), 780);
    EXPECT_EQ(store_slot_y(1), 45);
    EXPECT_EQ(store_slot_x(15), 780);
    EXPECT_EQ(store_slot_y(15), 48 * 14 + 45);
    EXPECT_EQ(store_slot_x(16), 829);
    EXPECT_EQ(store_slot_y(16), 45);
    EXPECT_EQ(store_slot_x(75), 49 * 4 + 780);
    EXPECT_EQ(catalogue_code(15), "5 4 1 ");
    EXPECT_EQ(catalogue_code(16), "5 3 1 ");
}

// Every cell's corners as screen points, from the box offsets of the two
// triangle forms; the vertex table must list exactly the other cells that
// have a corner at the same point, each with that corner's direction.
TEST(Lattice, VertexTableAgreesWithCornerGeometry) {
    struct Corner { int px, py, direction; };
    auto corners = [](int x, int y) {
        std::vector<Corner> c;
        int bx = cell_box_x(x), by = cell_box_y(y);
        if (cell_is_up(x, y)) c = {{bx + 29, by, 0}, {bx, by + 58, 2}, {bx + 58, by + 58, 4}};
        else c = {{bx, by, 1}, {bx + 58, by, 5}, {bx + 29, by + 58, 3}};
        return c;
    };
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            bool up = cell_is_up(x, y);
            std::vector<Corner> own = corners(x, y);
            for (int slot = 0; slot < 3; ++slot) {
                int direction = corner_direction(up, slot);
                const Corner* mine = nullptr;
                for (const Corner& c : own)
                    if (c.direction == direction) mine = &c;
                ASSERT_NE(mine, nullptr);
                std::set<std::tuple<int, int, int>> geometric;
                for (int oy = y - 2; oy <= y + 2; ++oy)
                    for (int ox = x - 3; ox <= x + 3; ++ox) {
                        if (!cell_on_board(ox, oy) || (ox == x && oy == y)) continue;
                        for (const Corner& c : corners(ox, oy))
                            if (c.px == mine->px && c.py == mine->py) geometric.insert({ox, oy, c.direction});
                    }
                std::set<std::tuple<int, int, int>> listed;
                const VertexNeighbour* table = vertex_neighbours(up, slot);
                for (int i = 0; i < 5; ++i) {
                    int ox = x + table[i].dx, oy = y + table[i].dy;
                    if (cell_on_board(ox, oy)) listed.insert({ox, oy, table[i].direction});
                }
                EXPECT_EQ(listed, geometric) << "cell " << x << "," << y << " corner " << direction;
            }
        }
    EXPECT_FALSE(cell_is_up(12, 9));
    EXPECT_TRUE(cell_is_up(12, 8));
}

TEST(Lattice, CornerSlotsWalkTheMatchOrder) {
    EXPECT_EQ(corner_direction(true, 0), 0);
    EXPECT_EQ(corner_direction(true, 1), 2);
    EXPECT_EQ(corner_direction(true, 2), 4);
    EXPECT_EQ(corner_direction(false, 0), 1);
    EXPECT_EQ(corner_direction(false, 1), 5);
    EXPECT_EQ(corner_direction(false, 2), 3);
}

TEST(Settings, TimerRateAndColours) {
    EXPECT_DOUBLE_EQ(tile_timer_rate(0), 0.4);
    EXPECT_DOUBLE_EQ(tile_timer_rate(4), 0.4);
    EXPECT_DOUBLE_EQ(tile_timer_rate(5), 0.85);
    EXPECT_DOUBLE_EQ(tile_timer_rate(40), 2.6);
    EXPECT_DOUBLE_EQ(tile_timer_rate(-1), 0.55);

    settings_defaults();
    EXPECT_EQ(music_off, 0);
    EXPECT_EQ(vortex_on, 1);
    EXPECT_EQ(tile_colour_of("1"), 20 + 256 * 20 + 65536 * 200);
    EXPECT_EQ(tile_colour_of("6"), 200 + 256 * 200 + 65536 * 20);
    EXPECT_EQ(tile_colour_of(" "), 0);
    EXPECT_EQ(tile_colour_of(""), 0);
    EXPECT_EQ(tile_colour_of("7"), 0);
    EXPECT_EQ(tile_colour_of("0"), 0);
    EXPECT_EQ(tile_colour_of("11"), 0);

    colour_channels[3] = 256 + 7;   // only the low byte counts
    colour_channels[4] = -1;
    colour_channels[5] = 0;
    rebuild_tile_colours();
    EXPECT_EQ(tile_colour_of("2"), 7 + 256 * 255);
    settings_defaults();
    EXPECT_EQ(tile_colour_of("2"), 160 + 256 * 20 + 65536 * 20);
}

TEST(Services, DefaultsAreSilentAndHitNothing) {
    set_puzzle_services(nullptr);
    PuzzleServices& s = puzzle_services();
    double x = 9, y = 9, l = 9, r = 9;
    s.read_mouse(x, y, l, r);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(s.read_wheel(), 0);
    EXPECT_FALSE(s.pointer_hits(11, 37, 30, 8, 16));
    std::vector<TilePixel> pixels{{1, 1, 1}};
    s.tile_pixels("5 2 4 ", pixels);
    EXPECT_TRUE(pixels.empty());
}
