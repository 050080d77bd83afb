// The play screen's drawing, checked by reading the frame back after drawing
// with synthetic sprites whose colours say which frame or texture was used.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "harness.h"
#include "runtime/gfx/gfx.h"

namespace {

constexpr int WHITE = 0xFFFFFF;

bool close_to(int actual, int expected, int tolerance = 2) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance) return false;
    }
    return true;
}

int scaled(int colour, double f) {
    int out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= static_cast<int>(((colour >> shift) & 0xFF) * f) << shift;
    return out;
}

void clear_screen() { draw_rect(0, 0, 1024, 768, 0); }

// The play state a level would leave, without music or the vortex warm-up.
void fresh_play_state() {
    settings_defaults();
    vortex_on = 0;
    create_play_arrays();
    glyph_width_table.dim(60);
    for (int n = 1; n < CATALOGUE_SIZE; n++) tile_codes(n) = catalogue_code(n);
    held_tile = -1;
    spin_angle = 0;
    store_cursor = -1;
    level_bonus = 0;
    level_timer = 36000;
    tile_timer = 0;
    debris.clear();
    vortex_arms.clear();
}

// Digit frame f of the synthetic digit image is filled with this red.
int digit_colour(int frame) { return (frame + 1) * 10; }

void install_digits() {
    std::vector<std::vector<int>> frames;
    for (int f = 0; f < 20; f++) frames.push_back(std::vector<int>(64 * 32, digit_colour(f)));
    install_anim(3, 64, 32, frames);
}

std::vector<int> digit_frames_drawn(double value, int count) {
    clear_screen();
    draw_digits(value, 320, 682, count);
    std::vector<int> seen;
    for (int i = 0; i < count; i++) {
        int red = pixel_at(320 + 46 * i + 5, 690) & 0xFF;
        seen.push_back(red / 10 - 1);
    }
    return seen;
}

}  // namespace

TEST(Colours, MixColoursAveragesEachChannelAndDropsTheFraction) {
    EXPECT_EQ(mix_colours(0x0000FF, 0x00FF00, 0xFF0000), 0x555555);
    EXPECT_EQ(mix_colours(0xFFFFFF, 0xFFFFFF, 0x000001), 0xAAAAAA);
    EXPECT_EQ(mix_colours(0x102030, 0x102030, 0x102030), 0x102030);
    EXPECT_EQ(mix_colours(0x000002, 0, 0), 0);
}

TEST(StatusBar, DigitsAlternateBetweenTheTwoSetsOfTen) {
    std::vector<int> padded, long_score;
    run_in_runtime([&] {
        install_digits();
        padded = digit_frames_drawn(1234, 7);
        long_score = digit_frames_drawn(12345678, 7);
    });
    EXPECT_EQ(padded, (std::vector<int>{10, 0, 10, 1, 12, 3, 14}));
    // A number longer than the row shows its leading digits.
    EXPECT_EQ(long_score, (std::vector<int>{11, 2, 13, 4, 15, 6, 17}));
}

TEST(StatusBar, ClockHandsEndWhereTheLevelAndTileTimesPoint) {
    int quarter_end = 0, quarter_past = 0, quarter_below = 0;
    int half_end = 0, half_past = 0, tile_end = 0, tile_past = 0;
    run_in_runtime([&] {
        fresh_play_state();
        tile_timer = 360;
        level_timer = 27000;
        clear_screen();
        draw_status_bar();
        quarter_end = pixel_at(87, 719);
        quarter_past = pixel_at(88, 719);
        quarter_below = pixel_at(88, 720);
        tile_end = pixel_at(718, 685);
        tile_past = pixel_at(718, 684);
        level_timer = 18000;
        clear_screen();
        draw_status_bar();
        half_end = pixel_at(53, 754);
        half_past = pixel_at(53, 755);
    });
    EXPECT_EQ(quarter_end, WHITE);
    EXPECT_EQ(quarter_past, 0);
    EXPECT_EQ(quarter_below, 0);
    EXPECT_EQ(half_end, WHITE);
    EXPECT_EQ(half_past, 0);
    EXPECT_EQ(tile_end, WHITE);   // a full tile timer points straight up
    EXPECT_EQ(tile_past, 0);
}

TEST(Store, TheSlotUnderThePointerIsRaised) {
    int raised_tip = 0, resting_tip = 0, other_slot_raised = 0, other_slot_resting = 0, colour5 = 0;
    int empty_slot = -1;
    run_in_runtime([&] {
        fresh_play_state();
        install_play_masks();
        colour5 = tile_colour_of("5");
        store_cursor = 16;                // box (829, 45) moves to (825, 41)
        clear_screen();
        draw_store();
        raised_tip = pixel_at(845, 43);
        other_slot_raised = pixel_at(845, 91);    // slot 17 would be raised to (825, 89)
        other_slot_resting = pixel_at(849, 95);   // slot 17 in place
        store_cursor = -1;
        clear_screen();
        draw_store();
        resting_tip = pixel_at(845, 43);
        tile_used(16) = 1;
        clear_screen();
        draw_store();
        empty_slot = pixel_at(849, 60);
    });
    EXPECT_TRUE(close_to(raised_tip, colour5)) << std::hex << raised_tip;
    EXPECT_EQ(resting_tip, 0);
    EXPECT_EQ(other_slot_raised, 0);
    EXPECT_NE(other_slot_resting, 0);
    EXPECT_EQ(empty_slot, 0);   // a used slot is not drawn
}

TEST(HeldTile, SpinningUsesTheTexturesOfEachQuarterOfTheTurn) {
    const int texture_colour[4] = {0x0000C8, 0x00C800, 0xC80000, 0xC8C8C8};   // sprites 14..17
    auto texture_at = [&](int colour) {
        for (int i = 0; i < 4; i++)
            if (close_to(colour, texture_colour[i])) return 14 + i;
        return colour == 0 ? 0 : -1;
    };
    std::vector<int> up_turn, down_turn;
    double after_up = 99, after_extra = 99;
    int extra_frame = -1;
    run_in_runtime([&] {
        fresh_play_state();
        for (int i = 0; i < 4; i++) install_solid(14 + i, 70, 70, texture_colour[i]);
        auto run = [&](double start, double angle, std::vector<int>& seen) {
            spin_angle = start;
            for (int f = 0; f < 5; f++) {
                clear_screen();
                draw_spinning_tile(100, 100, angle, WHITE, WHITE, WHITE);
                seen.push_back(texture_at(pixel_at(135, 132)));
            }
        };
        run(-20, 0, up_turn);
        after_up = spin_angle;
        clear_screen();
        draw_spinning_tile(100, 100, 0, WHITE, WHITE, WHITE);
        extra_frame = pixel_at(135, 132);
        after_extra = spin_angle;
        run(20, 60, down_turn);
    });
    EXPECT_EQ(up_turn, (std::vector<int>{16, 16, 16, 17, 17}));
    EXPECT_EQ(after_up, 0);
    EXPECT_EQ(extra_frame, 0);    // at rest nothing is drawn and the angle stays
    EXPECT_EQ(after_extra, 0);
    EXPECT_EQ(down_turn, (std::vector<int>{17, 17, 17, 16, 16}));
}

TEST(Board, TilesTakeTheirCornerColoursFromTheCodeForm) {
    int up_top = 0, up_left = 0, up_right = 0, down_left = 0, down_bottom = 0, down_right = 0;
    int odd_angle = -1, space = 0;
    int c5 = 0, c2 = 0, c4 = 0;
    run_in_runtime([&] {
        fresh_play_state();
        install_play_masks();
        install_anim(1, 59, 59, {std::vector<int>(59 * 59, 0x404040), std::vector<int>(59 * 59, 0x404040)});
        c5 = tile_colour_of("5");
        c2 = tile_colour_of("2");
        c4 = tile_colour_of("4");
        tile_codes(22) = "5 2 4 ";
        tile_codes(23) = " 5 2 4";
        board(12, 8) = CELL_TILE + 22;   // up cell, box (356, 480)
        board(13, 8) = CELL_TILE + 23;   // down cell, box (385, 480)
        board(2, 2) = CELL_EMPTY;        // box (66, 132)
        clear_screen();
        draw_board();
        up_top = pixel_at(356 + 29, 480 + 10);
        up_left = pixel_at(356 + 8, 480 + 55);
        up_right = pixel_at(356 + 50, 480 + 55);
        down_left = pixel_at(385 + 8, 480 + 3);
        down_bottom = pixel_at(385 + 29, 480 + 50);
        down_right = pixel_at(385 + 50, 480 + 3);
        space = pixel_at(66 + 29, 132 + 40);
        clear_screen();
        draw_tile(100, 100, 30, WHITE, WHITE, WHITE);
        odd_angle = pixel_at(129, 140);
    });
    EXPECT_TRUE(close_to(up_top, c5)) << std::hex << up_top;
    EXPECT_TRUE(close_to(up_left, c2)) << std::hex << up_left;
    EXPECT_TRUE(close_to(up_right, c4)) << std::hex << up_right;
    EXPECT_TRUE(close_to(down_left, c5)) << std::hex << down_left;
    EXPECT_TRUE(close_to(down_bottom, c2)) << std::hex << down_bottom;
    EXPECT_TRUE(close_to(down_right, c4)) << std::hex << down_right;
    EXPECT_EQ(space, 0x404040);
    EXPECT_EQ(odd_angle, 0);
}

TEST(PlayScreen, BackgroundFollowsTheLevelAndTheVortexSetting) {
    int prairie = -1, vortex_black = -1, tutorial_black = -1;
    run_in_runtime([&] {
        fresh_play_state();
        install_solid(50, 128, 128, 0x00A000);
        level = 0;
        vortex_on = 0;
        draw_play_screen();
        prairie = pixel_at(890, 765);   // the 49 copies end at x = 896
        vortex_on = 1;
        draw_play_screen();
        vortex_black = pixel_at(890, 765);
        level = -1;
        draw_play_screen();
        tutorial_black = pixel_at(890, 765);
    });
    EXPECT_EQ(prairie, 0x00A000);
    EXPECT_EQ(vortex_black, 0);
    EXPECT_EQ(tutorial_black, 0);
}

TEST(PlayScreen, DebrisIsBlendedAndClippedToThePuzzleWindow) {
    int inside = -1, clipped = -1, held = -1, colour5 = 0;
    run_in_runtime([&] {
        fresh_play_state();
        install_play_masks();
        colour5 = tile_colour_of("5");
        level = -1;   // black background
        debris.push({100, 100, 0, 4, static_cast<double>(WHITE), -0.7});
        debris.push({770, 100, 0, 4, static_cast<double>(WHITE), -0.7});
        held_tile = 22;
        tile_used(22) = 1;
        mouse_x = 400;
        mouse_y = 300;
        draw_play_screen();
        inside = pixel_at(104, 104);
        clipped = pixel_at(774, 104);
        held = pixel_at(400, 281);   // top corner of the held tile
    });
    EXPECT_TRUE(close_to(inside, scaled(WHITE, 0.7), 3)) << std::hex << inside;
    EXPECT_EQ(clipped, 0);
    EXPECT_TRUE(close_to(held, scaled(colour5, 0.8), 3)) << std::hex << held;
}

TEST(PlayScreen, EarlyLevelNoticesFadeDuringTheFirstFramesOnly) {
    auto lit_pixels = [] {
        std::vector<int> row;
        read_pixels(200, 620, 380, 1, row);
        int lit = 0;
        for (int c : row) lit += c != 0;
        return lit;
    };
    int level4 = 0, level4_late = 0, level5 = 0, level7 = 0;
    run_in_runtime([&] {
        fresh_play_state();
        std::vector<std::vector<int>> glyphs(60, std::vector<int>(32 * 32, 0xFFFFFF));
        install_anim(6, 32, 32, glyphs);
        for (int g = 0; g < 60; g++) glyph_width_table(g) = 22;
        level = -1;
        level_bonus = 20000;
        auto draw_at = [&](double lvl) {
            level = lvl;
            draw_play_screen();
            return lit_pixels();
        };
        // The background only stays black below level 0, so the notice is
        // compared against a frame of the same level without it.
        install_solid(50, 128, 128, 0);
        level4 = draw_at(4);
        level7 = draw_at(7);
        level5 = draw_at(5);
        level_bonus = 18000;
        level4_late = draw_at(4);
    });
    EXPECT_GT(level4, 200);
    EXPECT_GT(level7, 200);
    EXPECT_EQ(level5, 0);
    EXPECT_EQ(level4_late, 0);
}
