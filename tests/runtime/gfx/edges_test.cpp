// Read-back and grabs that reach past the top or the left edge of the
// screen: the part on the screen keeps its place, the rest reads as 0 and
// grabs as clear.
#include "tests/runtime/gfx/gfx_test_support.h"

using namespace gfxtest;

namespace {

constexpr int RED = rgb(255, 0, 0);
constexpr int GREEN = rgb(0, 255, 0);
constexpr int WHITE = rgb(255, 255, 255);
constexpr int GRABBED = 21;
constexpr int DOT = 22;

using Edges = RendererTest;

// Red in the top-left 2 x 2 corner of the screen, its top right pixel green.
void draw_corner() {
    draw_rect(0, 0, 2, 2, RED);
    draw_pixel(1, 0, GREEN);
}

TEST_F(Edges, ReadBackPastTheTopAndLeftGivesZerosThereAndThePixelsInPlace) {
    draw_corner();
    EXPECT_EQ(get_pixel(-1, 0), 0);
    EXPECT_EQ(get_pixel(0, -1), 0);
    EXPECT_EQ(get_pixel(1, 0), GREEN);
    EXPECT_EQ(pixels(-2, -1, 4, 3), (std::vector<int>{0, 0, 0, 0, 0, 0, RED, GREEN, 0, 0, RED, RED}));
    EXPECT_EQ(pixels(-5, -5, 3, 3), std::vector<int>(9, 0)) << "wholly off the screen";
}

TEST_F(Edges, GrabsPastTheTopAndLeftKeepThePixelsInPlaceAndLeaveTheRestClear) {
    draw_corner();
    grab_sprite(GRABBED, -2, -1, 4, 3);
    EXPECT_EQ(sprite_width(GRABBED), 4);
    EXPECT_EQ(sprite_height(GRABBED), 3);
    draw_rect(100, 100, 4, 3, WHITE);
    draw_sprite(GRABBED, 100, 100);
    EXPECT_EQ(pixels(100, 100, 4, 3),
              (std::vector<int>{WHITE, WHITE, WHITE, WHITE, WHITE, WHITE, RED, GREEN, WHITE, WHITE, RED, RED}));
    // Its mask holds the screen's pixels only.
    sprite_from_rgba(DOT, 1, 1, {255, 255, 255, 255});
    EXPECT_EQ(sprite_collision(GRABBED, 100, 100, DOT, 100, 100), 0);
    EXPECT_EQ(sprite_collision(GRABBED, 100, 100, DOT, 101, 101), 0);
    EXPECT_EQ(sprite_collision(GRABBED, 100, 100, DOT, 102, 101), 1);
    EXPECT_EQ(sprite_collision(GRABBED, 100, 100, DOT, 103, 102), 1);
}

}  // namespace
