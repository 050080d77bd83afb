// The letterbox the renderer copies the frame into and the input module maps
// the pointer through: whole pixels, centred, never outside the surface.
#include <gtest/gtest.h>

#include "runtime/values/letterbox.h"

namespace {

constexpr int SCREEN_W = 1024, SCREEN_H = 768;

TEST(Letterbox, FitsTheScreenShapeCentredInWholePixels) {
    struct Case { int outer_w, outer_h, left, top, width, height; };
    const Case cases[] = {
        {1024, 768, 0, 0, 1024, 768},      // the screen itself
        {800, 384, 144, 0, 512, 384},      // wide: bars left and right
        {512, 768, 0, 192, 512, 384},      // tall: bars above and below
        {2048, 1536, 0, 0, 2048, 1536},    // a HiDPI drawable of the window above
        {1025, 770, 0, 1, 1025, 769},      // an odd margin: the extra pixel goes above
        {1027, 768, 1, 0, 1024, 768},      // and on the right
    };
    for (const Case& c : cases) {
        const Letterbox box = letterbox_of(c.outer_w, c.outer_h, SCREEN_W, SCREEN_H);
        EXPECT_EQ(box.left, c.left) << c.outer_w << "x" << c.outer_h;
        EXPECT_EQ(box.top, c.top) << c.outer_w << "x" << c.outer_h;
        EXPECT_EQ(box.width, c.width) << c.outer_w << "x" << c.outer_h;
        EXPECT_EQ(box.height, c.height) << c.outer_w << "x" << c.outer_h;
    }
}

TEST(Letterbox, StaysInsideEverySurfaceAndTouchesTwoOfItsEdges) {
    for (int w = 1; w <= 2100; w += 37)
        for (int h = 1; h <= 1600; h += 29) {
            const Letterbox box = letterbox_of(w, h, SCREEN_W, SCREEN_H);
            ASSERT_GE(box.left, 0);
            ASSERT_GE(box.top, 0);
            ASSERT_LE(box.left + box.width, w);
            ASSERT_LE(box.top + box.height, h);
            // Margins differ by at most the one odd pixel.
            ASSERT_LE(w - box.width - 2 * box.left, 1);
            ASSERT_LE(h - box.height - 2 * (h - box.height - box.top), 1) << w << "x" << h;
            ASSERT_TRUE(box.width >= w - 1 || box.height >= h - 1) << w << "x" << h;
        }
}

TEST(Letterbox, NothingForAnEmptySurfaceOrScreen) {
    for (const Letterbox& box : {letterbox_of(0, 768, SCREEN_W, SCREEN_H), letterbox_of(800, -1, SCREEN_W, SCREEN_H),
                                 letterbox_of(800, 600, 0, SCREEN_H)}) {
        EXPECT_EQ(box.width, 0);
        EXPECT_EQ(box.height, 0);
    }
}

}  // namespace
