// Level setup, picking, turning, placing, explosions, recovery and returns,
// driven through the pointer as the frame loop drives them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <map>
#include <set>

#include "tests/game/puzzle/fake_services.h"

namespace {

class Rules : public ::testing::Test {
protected:
    FakeServices fake;

    void SetUp() override {
        start_quiet_rules(fake);
        random_seed(12345);
        score = 0;
        practice_mode = 0;
        click_latch = 0;
        rotate_latch = 0;
        debris.clear();
    }
    void TearDown() override { set_puzzle_services(nullptr); }

    // An open field of empty spaces (rows 3..9, columns 4..20) with the
    // first tile, up form, at (12, 8).
    void open_field(double lvl = 0) {
        level = 1;
        start_level();
        board.dim(BOARD_COLUMNS, BOARD_ROWS);
        for (int y = 3; y <= 9; ++y)
            for (int x = 4; x <= 20; ++x) board(x, y) = CELL_EMPTY;
        board(12, 8) = CELL_TILE;
        tile_codes(0) = "3 3 3 ";
        level = lvl;
        fake.sounds.clear();
    }
    // Puts catalogue tile n, with the given code, straight onto the board.
    void lay(int n, int x, int y, const std::string& code) {
        tile_codes(n) = code;
        tile_used(n) = 1;
        board(x, y) = CELL_TILE + n;
    }
};

}  // namespace

// ---------------------------------------------------------------- level setup

TEST_F(Rules, TutorialLayoutIsFiveCellsInRowNine) {
    level = -1;
    load_level_layout();
    int cells = 0;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x)
            if (board(x, y) != 0) {
                ++cells;
                EXPECT_EQ(y, 9);
                EXPECT_GE(x, 10);
                EXPECT_LE(x, 14);
            }
    EXPECT_EQ(cells, 5);
    EXPECT_EQ(board(12, 9), CELL_TILE);
    EXPECT_EQ(tile_codes(0), " 3 3 3");
    level = 0;
    load_level_layout();
    EXPECT_EQ(tile_codes(0), "3 3 3 ");
    EXPECT_EQ(board(12, 9), 0);   // the previous board is gone
}

TEST_F(Rules, StartLevelRestoresEverything) {
    level = 1;
    start_level();
    pick(fake, 9);
    turn_clockwise(fake);
    tile_used(30) = 1;
    tile_codes(44) = "junk";
    score = 777;
    level_bonus = 3;
    level_timer = 5;
    spin_angle = 8;
    start_level();
    for (int n = 1; n < CATALOGUE_SIZE; ++n) {
        EXPECT_EQ(tile_codes(n), catalogue_code(n));
        EXPECT_EQ(tile_used(n), 0);
    }
    EXPECT_EQ(tile_used(0), 1);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(tile_timer, 0);
    EXPECT_EQ(level_bonus, 20000);
    EXPECT_EQ(level_timer, 36000);
    EXPECT_EQ(spin_angle, 0);
    EXPECT_EQ(score, 777);   // the score carries over
    EXPECT_EQ(level, 1);
}

TEST_F(Rules, MusicOnlyWhenSwitchedOn) {
    level = 0;
    music_off = 1;
    start_level();
    EXPECT_TRUE(fake.music.empty());
    music_off = 0;
    start_level();
    ASSERT_EQ(fake.music.size(), 1u);
    EXPECT_EQ(fake.music[0], "mp3media/ingame.mp3");
}

TEST_F(Rules, VortexWarmsUpOnlyWhenShown) {
    vortex_arms.clear();
    vortex_angle = 33;
    level = 0;
    vortex_on = 0;
    start_level();
    EXPECT_TRUE(vortex_arms.empty());
    EXPECT_EQ(vortex_angle, 33);
    vortex_on = 1;
    start_level();
    EXPECT_EQ(vortex_arms.size(), 171u);   // spawned on counters 0, 3, ..., 510
    EXPECT_EQ(vortex_angle, 0);
    EXPECT_EQ(vortex_arms[0].radius, 502 - 511);
    EXPECT_EQ(vortex_arms[-1].radius, 501);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(vortex_colour[c], 15);
        EXPECT_LE(vortex_colour[c], 215);
        EXPECT_GE(vortex_colour_target[c], 15);
        EXPECT_LE(vortex_colour_target[c], 215);
    }
    start_level();   // the list persists; old arms age out
    EXPECT_EQ(vortex_arms.size(), 171u + 171u - 170u);
}

// ---------------------------------------------------------------- picking and turning

TEST_F(Rules, PickUpTakesTheTileOnce) {
    open_field();
    pick(fake, 17);
    EXPECT_EQ(held_tile, 17);
    EXPECT_EQ(tile_used(17), 1);
    EXPECT_EQ(tile_timer, 360);
    EXPECT_EQ(fake.count(3), 1);
    // Holding the button does not pick again; an empty slot gives nothing.
    explode_held_tile();
    fake.sounds.clear();
    pick(fake, 17);
    EXPECT_EQ(held_tile, -1);
    EXPECT_TRUE(fake.sounds.empty());
}

TEST_F(Rules, HeldRightButtonTurnsOnce) {
    open_field();
    pick(fake, 22);
    fake.right = 1;
    for (int i = 0; i < 40; ++i) rules_frame();
    EXPECT_EQ(tile_codes(22), " 2 4 5");
    EXPECT_EQ(fake.count(2), 1);
    fake.right = 0;
    for (int i = 0; i < 6; ++i) rules_frame();
    turn_clockwise(fake);
    EXPECT_EQ(tile_codes(22), "2 4 5 ");
}

TEST_F(Rules, WheelTurnsBothWays) {
    open_field();
    pick(fake, 22);
    fake.wheel = 1;
    rules_frame();
    EXPECT_EQ(tile_codes(22), " 5 2 4");
    EXPECT_EQ(spin_angle, -16);   // -20, then 4 back toward 0 this frame
    fake.wheel = 0;
    for (int i = 0; i < 6; ++i) rules_frame();
    fake.wheel = -1;
    rules_frame();
    EXPECT_EQ(tile_codes(22), "5 2 4 ");
    fake.wheel = 0;
    for (int i = 0; i < 6; ++i) rules_frame();
    EXPECT_EQ(fake.count(2), 2);
    // Turning with an empty hand does nothing.
    explode_held_tile();
    fake.right = 1;
    rules_frame();
    EXPECT_EQ(spin_angle, 0);
}

TEST_F(Rules, AWheelHeldAcrossFramesTurnsOnceUntilItRests) {
    open_field();
    pick(fake, 22);   // "5 2 4 "
    fake.wheel = -1;
    for (int i = 0; i < 30; ++i) rules_frame();
    EXPECT_EQ(tile_codes(22), " 2 4 5");
    // Nor does the other way turn while the wheel has not rested a frame.
    fake.wheel = 1;
    for (int i = 0; i < 30; ++i) rules_frame();
    EXPECT_EQ(tile_codes(22), " 2 4 5");
    EXPECT_EQ(fake.count(2), 1);
    fake.wheel = 0;
    rules_frame();
    fake.wheel = 1;
    for (int i = 0; i < 30; ++i) rules_frame();
    EXPECT_EQ(tile_codes(22), "5 2 4 ");
    EXPECT_EQ(fake.count(2), 2);
}

TEST_F(Rules, ClicksWaitForTheSpinToEnd) {
    open_field();
    pick(fake, 5);
    spin_angle = 20;
    fake.point_at_cell(10, 6);
    fake.left = 1;
    for (int i = 0; i < 5; ++i) {
        rules_frame();
        EXPECT_EQ(board(10, 6), CELL_EMPTY);
    }
    EXPECT_EQ(spin_angle, 0);
    rules_frame();
    EXPECT_EQ(board(10, 6), 105);
}

// ---------------------------------------------------------------- pointer

namespace {
// Reports a hit for exactly the boxes listed.
class OverlapServices : public FakeServices {
public:
    std::set<std::pair<int, int>> boxes;
    bool pointer_hits(int, double, double, int bx, int by) override { return boxes.count({bx, by}) > 0; }
};
}  // namespace

TEST_F(Rules, LaterCellWinsWhereMasksOverlap) {
    open_field();
    OverlapServices overlap;
    set_puzzle_services(&overlap);
    overlap.boxes = {{cell_box_x(6), cell_box_y(5)}, {cell_box_x(7), cell_box_y(5)}};
    update_pointer_targets();
    EXPECT_EQ(board_cursor_x, 7);
    EXPECT_EQ(board_cursor_y, 5);
    overlap.boxes = {{cell_box_x(9), cell_box_y(4)}, {cell_box_x(5), cell_box_y(5)}};
    update_pointer_targets();
    EXPECT_EQ(board_cursor_x, 5);
    EXPECT_EQ(board_cursor_y, 5);
    // Cells that are not part of the puzzle are never targets.
    overlap.boxes = {{cell_box_x(0), cell_box_y(0)}};
    update_pointer_targets();
    EXPECT_EQ(board_cursor_x, -1);
    EXPECT_EQ(board_cursor_y, -1);
    overlap.boxes = {{store_slot_x(31), store_slot_y(31)}};
    update_pointer_targets();
    EXPECT_EQ(store_cursor, 31);
    set_puzzle_services(&fake);
}

TEST_F(Rules, PointerFindsCellsAndSlots) {
    open_field();
    fake.point_at_cell(9, 4);
    update_pointer_targets();
    EXPECT_EQ(board_cursor_x, 9);
    EXPECT_EQ(board_cursor_y, 4);
    EXPECT_EQ(store_cursor, -1);
    fake.point_at_slot(75);
    update_pointer_targets();
    EXPECT_EQ(board_cursor_x, -1);
    EXPECT_EQ(store_cursor, 75);
}

// ---------------------------------------------------------------- placing

TEST_F(Rules, PlacementScoresHalfTheTimeLeft) {
    open_field();
    score = 1000;
    pick(fake, 5);
    tile_timer = 280;
    drop(fake, 10, 6);
    EXPECT_EQ(board(10, 6), 105);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(tile_timer, 0);
    EXPECT_EQ(score, 1140);
    EXPECT_EQ(fake.count(1), 1);

    practice_mode = 1;
    pick(fake, 6);
    tile_timer = 280;
    drop(fake, 16, 4);
    EXPECT_EQ(board(16, 4), 106);
    EXPECT_EQ(score, 1140);

    practice_mode = 0;
    pick(fake, 7);
    tile_timer = 0.5 * 3 + 0.9;   // 2.4: 1.2 truncates to 1
    drop(fake, 6, 8);
    EXPECT_EQ(score, 1141);
}

TEST_F(Rules, WrongFormIsRefusedWithoutPenalty) {
    open_field();
    score = 500;
    pick(fake, 5);
    turn_clockwise(fake);   // now in down form
    fake.sounds.clear();
    size_t debris_before = debris.size();
    drop(fake, 10, 6);      // an up cell
    EXPECT_EQ(board(10, 6), CELL_EMPTY);
    EXPECT_EQ(held_tile, 5);
    EXPECT_EQ(score, 500);
    EXPECT_TRUE(fake.sounds.empty());
    EXPECT_EQ(debris.size(), debris_before);
    double before = tile_timer;
    tick_tile_timer();
    EXPECT_DOUBLE_EQ(tile_timer, before - 0.4);
    drop(fake, 11, 6);      // a down cell takes it
    EXPECT_EQ(board(11, 6), 105);
}

TEST_F(Rules, DroppingOntoAFilledCellDoesNothing) {
    open_field();
    lay(40, 10, 6, catalogue_code(40));
    pick(fake, 5);
    drop(fake, 10, 6);
    EXPECT_EQ(board(10, 6), 140);
    EXPECT_EQ(held_tile, 5);
    drop(fake, 12, 8);   // nor onto the first tile
    EXPECT_EQ(board(12, 8), CELL_TILE);
    EXPECT_EQ(held_tile, 5);
}

TEST_F(Rules, MatchingCornersOnEverySideFit) {
    open_field();
    // Up cell (10, 6): top vertex shared with (9,5) at its lower right.
    lay(9, 9, 5, "5 6 2 ");    // lower right 2
    pick(fake, 34);            // "2 6 2 ": top 2
    drop(fake, 10, 6);
    EXPECT_EQ(board(10, 6), 134);
    EXPECT_EQ(board(9, 5), 109);
}

TEST_F(Rules, ConflictAboveLeftDestroysBoth) {
    open_field();
    score = 1000;
    lay(5, 9, 5, "5 4 5 ");    // lower right 5 at (10, 6)'s top vertex
    pick(fake, 32);            // "2 2 2 "
    drop(fake, 10, 6);
    EXPECT_EQ(board(9, 5), CELL_EMPTY);
    EXPECT_EQ(board(10, 6), CELL_EMPTY);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(tile_used(5), 1);    // gone for the level
    EXPECT_EQ(tile_used(32), 1);
    EXPECT_EQ(score, 875);
    EXPECT_EQ(fake.count(0), 1);
    EXPECT_EQ(fake.count(1), 0);
    EXPECT_FALSE(debris.empty());
    // The click is not latched: a second click over the store picks at once.
    EXPECT_EQ(click_latch, 0);
}

TEST_F(Rules, EdgeCellsWhoseNeighboursLieOffTheBoardTakeTilesAndStillSeeConflicts) {
    open_field();
    // The board's corners and the middle of its side edges, up and down cells.
    const int edges[][2] = {{0, 0}, {24, 0}, {0, 10}, {24, 10}, {0, 5}, {24, 5}, {11, 0}, {12, 10}};
    for (const auto& e : edges) board(e[0], e[1]) = CELL_EMPTY;
    int slot = 1;
    for (const auto& e : edges) {
        pick(fake, slot);
        if (!cell_is_up(e[0], e[1])) turn_clockwise(fake);
        drop(fake, e[0], e[1]);
        EXPECT_EQ(board(e[0], e[1]), CELL_TILE + slot) << e[0] << "," << e[1];
        ++slot;
    }
    EXPECT_EQ(fake.count(0), 0);
    // (1, 0) meets the corner cell (0, 0) along its upper left edge.
    board(0, 0) = CELL_EMPTY;
    lay(40, 1, 0, " 5 4 5");
    score = 1000;
    pick(fake, 32);   // "2 2 2 "
    drop(fake, 0, 0);
    EXPECT_EQ(board(0, 0), CELL_EMPTY);
    EXPECT_EQ(board(1, 0), CELL_EMPTY);
    EXPECT_EQ(score, 1000 - 100 - 25);
    EXPECT_EQ(fake.count(0), 1);
}

TEST_F(Rules, NeighbourConflictingAtBothEndsIsDestroyedOnce) {
    open_field();
    score = 1000;
    lay(1, 11, 6, " 5 5 5");   // the edge neighbour to the right of (10, 6)
    pick(fake, 32);
    size_t debris_before = debris.size();
    drop(fake, 10, 6);
    EXPECT_EQ(board(11, 6), CELL_EMPTY);
    EXPECT_EQ(score, 875);
    // Two bursts: the neighbour and the held tile, not three.
    std::vector<TilePixel> neighbour, held;
    fake.tile_pixels(" 5 5 5", neighbour);
    fake.tile_pixels("2 2 2 ", held);
    EXPECT_EQ(debris.size() - debris_before, neighbour.size() + held.size());
}

TEST_F(Rules, ThreeNeighboursAndTheFirstTile) {
    open_field();
    score = 1000;
    // Up cell (10, 8): the first tile (12, 8) shares its lower right vertex.
    lay(1, 9, 8, " 5 5 5");
    lay(2, 10, 7, " 5 5 5");
    lay(3, 11, 7, "5 5 5 ");
    lay(4, 14, 7, " 2 2 2");   // not at any vertex of (10, 8)
    pick(fake, 32);
    drop(fake, 10, 8);
    EXPECT_EQ(board(9, 8), CELL_EMPTY);
    EXPECT_EQ(board(10, 7), CELL_EMPTY);
    EXPECT_EQ(board(11, 7), CELL_EMPTY);
    EXPECT_EQ(board(14, 7), 104);
    EXPECT_EQ(board(12, 8), CELL_TILE);
    EXPECT_EQ(board(10, 8), CELL_EMPTY);
    EXPECT_EQ(score, 1000 - 3 * 100 - 25);
    EXPECT_EQ(fake.count(0), 1);
}

TEST_F(Rules, ConflictWithOnlyTheFirstTileCostsTheHeldTile) {
    open_field();
    score = 1000;
    pick(fake, 32);
    drop(fake, 10, 8);
    EXPECT_EQ(board(12, 8), CELL_TILE);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(score, 975);
}

TEST_F(Rules, PenaltiesStopAtZero) {
    open_field();
    score = 60;
    lay(5, 9, 5, "5 4 5 ");
    pick(fake, 32);
    drop(fake, 10, 6);
    EXPECT_EQ(score, 0);
    deduct(10);
    EXPECT_EQ(score, 0);
    score = 30;
    deduct(25);
    EXPECT_EQ(score, 5);
}

TEST_F(Rules, CornerMatchesSkipsWhatIsNotATile) {
    open_field();
    EXPECT_EQ(corner_matches("5", -1, 4, 2), 1);
    EXPECT_EQ(corner_matches("5", 25, 4, 2), 1);
    EXPECT_EQ(corner_matches("5", 3, 11, 2), 1);
    EXPECT_EQ(corner_matches("5", 1, 1, 2), 1);    // no cell
    EXPECT_EQ(corner_matches("5", 10, 6, 2), 1);   // empty space
    EXPECT_EQ(corner_matches("3", 12, 8, 2), 1);   // the first tile
    EXPECT_EQ(corner_matches("5", 12, 8, 2), 0);
    lay(9, 9, 5, "5 6 2 ");
    EXPECT_EQ(corner_matches("6", 9, 5, 2), 1);
    EXPECT_EQ(corner_matches("2", 9, 5, 2), 0);
}

// ---------------------------------------------------------------- explosions

TEST_F(Rules, DebrisFliesFromTheTileCentre) {
    open_field();
    pick(fake, 22);   // "5 2 4 "
    fake.x = 300;
    fake.y = 200;
    update_pointer_targets();
    explode_held_tile();
    std::vector<TilePixel> pixels;
    fake.tile_pixels("5 2 4 ", pixels);
    ASSERT_EQ(debris.size(), pixels.size());
    std::map<int, int> speeds;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Debris& d = debris[static_cast<int>(i)];
        EXPECT_EQ(d.x, 271 + pixels[i].px);
        EXPECT_EQ(d.y, 171 + pixels[i].py);
        EXPECT_DOUBLE_EQ(d.angle, atan2_degrees(pixels[i].px - 29, pixels[i].py - 29));
        EXPECT_EQ(d.colour, pixels[i].colour);
        EXPECT_EQ(d.fade, -0.7);
        ++speeds[static_cast<int>(d.speed)];
    }
    for (auto [speed, n] : speeds) {
        EXPECT_GE(speed, 4);
        EXPECT_LE(speed, 6);
    }
    EXPECT_GT(speeds[4], 0);
    EXPECT_GT(speeds[5], 0);
    // Straight away from the centre: x moves by sin, y by cos of the angle.
    for (size_t i = 0; i < pixels.size(); ++i) {
        double a = debris[static_cast<int>(i)].angle * std::numbers::pi / 180;
        EXPECT_GE(std::sin(a) * (pixels[i].px - 29), -1e-9);
        EXPECT_GE(std::cos(a) * (pixels[i].py - 29), -1e-9);
    }
}

TEST_F(Rules, TimerRunsOutAtThePointer) {
    open_field(5);
    score = 100;
    pick(fake, 12);
    fake.point_at_slot(40);
    int frames = 0;
    while (held_tile != -1 && frames < 1000) {
        rules_frame(true);
        ++frames;
    }
    EXPECT_EQ(frames, 424);   // 360 / 0.85, rounded up
    EXPECT_EQ(tile_timer, 0);
    EXPECT_EQ(score, 75);
    EXPECT_EQ(tile_used(12), 1);
    ASSERT_FALSE(debris.empty());
    double sx = 0, sy = 0;
    for (size_t i = 0; i < debris.size(); ++i) {
        sx += debris[static_cast<int>(i)].x;
        sy += debris[static_cast<int>(i)].y;
    }
    EXPECT_NEAR(sx / debris.size(), fake.x, 6);
    EXPECT_NEAR(sy / debris.size(), fake.y, 12);
    // Nothing happens to an empty hand.
    tick_tile_timer();
    EXPECT_EQ(score, 75);
    EXPECT_EQ(tile_timer, 0);
}

TEST_F(Rules, RecoveringOnlyBelowLevelFour) {
    open_field(3);
    score = 1000;
    pick(fake, 9);
    turn_clockwise(fake);
    drop(fake, 11, 6);
    std::string on_board = tile_codes(9);
    tile_timer = 0;
    fake.sounds.clear();
    int placed_score = static_cast<int>(score);
    drop(fake, 11, 6);   // click the placed tile with an empty hand
    EXPECT_EQ(held_tile, 9);
    EXPECT_EQ(board(11, 6), CELL_EMPTY);
    EXPECT_EQ(tile_timer, 360);
    EXPECT_EQ(tile_codes(9), on_board);
    EXPECT_EQ(score, placed_score - 250);
    EXPECT_EQ(fake.count(3), 1);

    drop(fake, 11, 6);
    level = 4;
    int before = static_cast<int>(score);
    drop(fake, 11, 6);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(board(11, 6), 109);
    EXPECT_EQ(score, before);
}

TEST_F(Rules, TheFirstTileCannotBeRecovered) {
    open_field(0);
    score = 1000;
    drop(fake, 12, 8);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(board(12, 8), CELL_TILE);
    EXPECT_EQ(score, 1000);
}

TEST_F(Rules, ReturningOnlyBelowLevelSeven) {
    for (int lvl : {6, 7}) {
        open_field(lvl);
        score = 1000;
        pick(fake, 7);
        turn_clockwise(fake);
        fake.sounds.clear();
        pick(fake, 7);   // its own, now empty, slot
        if (lvl == 6) {
            EXPECT_EQ(held_tile, -1);
            EXPECT_EQ(tile_used(7), 0);
            // Back in up form by one more clockwise turn.
            EXPECT_EQ(tile_codes(7), rotate_clockwise(rotate_clockwise(catalogue_code(7))));
            EXPECT_EQ(tile_timer, 0);
            EXPECT_EQ(score, 900);
            EXPECT_EQ(fake.count(1), 1);
        } else {
            EXPECT_EQ(held_tile, 7);
            // The handler itself refuses too, whoever calls it.
            fake.left = 1;
            update_pointer_targets();
            handle_recover_return();
            fake.left = 0;
            EXPECT_EQ(held_tile, 7);
            EXPECT_EQ(tile_used(7), 1);
            EXPECT_EQ(score, 1000);
        }
    }
    // The frame loop's gate sits at the same levels.
    EXPECT_TRUE(returning_allowed(6));
    EXPECT_FALSE(returning_allowed(7));
    EXPECT_TRUE(recovering_allowed(3));
    EXPECT_FALSE(recovering_allowed(4));
}

TEST_F(Rules, ReturningToAFullSlotDoesNothing) {
    open_field(2);
    score = 1000;
    pick(fake, 7);
    pick(fake, 8);
    EXPECT_EQ(held_tile, 7);
    EXPECT_EQ(tile_used(8), 0);
    EXPECT_EQ(score, 1000);
}

TEST_F(Rules, ReturnIntoAnotherTilesSlotExchangesThem) {
    open_field(5);
    score = 1000;
    pick(fake, 12);           // "5 1 1 "
    turn_clockwise(fake);     // " 1 1 5"
    drop(fake, 10, 5);        // a down cell
    ASSERT_EQ(board(10, 5), 112);
    std::string tile_twelve = tile_codes(12);
    pick(fake, 4);            // "5 6 5 "
    fake.wheel = 1;
    rules_frame();
    fake.wheel = 0;
    for (int i = 0; i < 6; ++i) rules_frame();
    ASSERT_EQ(tile_codes(4), " 5 6 5");
    double before = score;
    pick(fake, 12);           // the empty slot 12
    EXPECT_EQ(tile_codes(12), "5 6 5 ");
    EXPECT_EQ(tile_codes(4), tile_twelve);
    EXPECT_EQ(board(10, 5), 104);
    EXPECT_EQ(tile_used(4), 1);
    EXPECT_EQ(tile_used(12), 0);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(score, before - 100);
    // Slot 12 now offers the returned tile.
    pick(fake, 12);
    EXPECT_EQ(held_tile, 12);
    EXPECT_EQ(tile_codes(12), "5 6 5 ");
}

// ---------------------------------------------------------------- vortex

TEST_F(Rules, ArmsLeaveOnTheir513thAdvance) {
    vortex_arms.clear();
    vortex_angle = 0;
    spawn_vortex_arm();
    double a = vortex_arms[0].angle;
    for (double t : vortex_arms[0].trail) EXPECT_EQ(t, a);
    EXPECT_EQ(vortex_arms[0].radius, 502);
    for (int i = 0; i < 10; ++i) advance_vortex();
    EXPECT_EQ(vortex_arms[0].trail[9], a);
    advance_vortex();
    double next = a + 1 > 360 ? a + 1 - 360 : a + 1;
    EXPECT_EQ(vortex_arms[0].trail[9], next);
    for (int i = 11; i < 512; ++i) advance_vortex();
    ASSERT_EQ(vortex_arms.size(), 1u);
    EXPECT_EQ(vortex_arms[0].radius, -10);
    advance_vortex();
    EXPECT_TRUE(vortex_arms.empty());
}

TEST_F(Rules, TurningSpeedFollowsTheVortexAngle) {
    vortex_arms.clear();
    spawn_vortex_arm();
    vortex_arms[0].angle = 100;
    vortex_angle = 90;
    advance_vortex();
    EXPECT_NEAR(vortex_arms[0].angle, 100, 1e-9);
    vortex_angle = 180;
    advance_vortex();
    EXPECT_NEAR(vortex_arms[0].angle, 99, 1e-9);
    vortex_angle = 88;   // 5 cos 88 = 0.1745
    advance_vortex();
    EXPECT_NEAR(vortex_arms[0].angle, 99 + 5 * std::cos(88 * std::numbers::pi / 180), 1e-6);
    vortex_arms[0].angle = 359.5;
    vortex_angle = 0;
    advance_vortex();
    EXPECT_NEAR(vortex_arms[0].angle, 0.5, 1e-9);
    vortex_arms[0].angle = 0.5;
    vortex_angle = 180;
    advance_vortex();
    advance_vortex();
    EXPECT_NEAR(vortex_arms[0].angle, -1.5, 1e-9);   // below 0 is not wrapped
    vortex_arms.clear();
}

TEST_F(Rules, ColourDriftsAndRetargetsOnArrival) {
    vortex_arms.clear();
    vortex_colour[0] = 100; vortex_colour_target[0] = 101;
    vortex_colour[1] = 100; vortex_colour_target[1] = 50;
    vortex_colour[2] = 100; vortex_colour_target[2] = 99;
    random_seed(99);
    double first_new = random_int(200) + 15;
    double second_new = random_int(200) + 15;
    random_seed(99);
    advance_vortex();
    EXPECT_EQ(vortex_colour[0], 101);
    EXPECT_EQ(vortex_colour_target[0], first_new);
    EXPECT_EQ(vortex_colour[1], 99);
    EXPECT_EQ(vortex_colour_target[1], 50);
    EXPECT_EQ(vortex_colour[2], 99);
    EXPECT_EQ(vortex_colour_target[2], second_new);
    double v = vortex_colour[0], g = vortex_colour_target[0];
    advance_vortex();
    double step = g > v ? 1 : (g < v ? -1 : 0);
    EXPECT_EQ(vortex_colour[0], v + step);
}
