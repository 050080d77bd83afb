// Screen helpers: the parabolic sine, text advances with kerning, centring,
// and the font measuring of the start-up.
#include <gtest/gtest.h>

#include <vector>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "harness.h"
#include "runtime/gfx/gfx.h"

namespace {

constexpr int KEY = 0x8000FF;
constexpr int INK = 0xFFFFFF;

std::vector<int> empty_glyph() { return std::vector<int>(32 * 32, KEY); }

void ink(std::vector<int>& glyph, int x, int y) { glyph[static_cast<size_t>(y * 32 + x)] = INK; }

// A glyph filled from column 0 to column last.
std::vector<int> block_glyph(int last) {
    std::vector<int> g = empty_glyph();
    for (int y = 0; y < 32; y++)
        for (int x = 0; x <= last; x++) ink(g, x, y);
    return g;
}

// Leftmost and rightmost lit columns of a screen row.
void lit_span(int y, int& first, int& last) {
    std::vector<int> row;
    read_pixels(0, y, 1024, 1, row);
    first = last = -1;
    for (int x = 0; x < 1024; x++)
        if (row[static_cast<size_t>(x)] != 0) {
            if (first < 0) first = x;
            last = x;
        }
}

}  // namespace

TEST(FastSine, KeepsTheParabolicApproximationAndItsWrapping) {
    EXPECT_NEAR(fast_sin(90), 0.99988, 0.00002);
    EXPECT_NE(fast_sin(90), 1.0);
    EXPECT_EQ(fast_sin(0), 0.0);
    EXPECT_NEAR(fast_sin(30), 0.49997, 0.00002);
    EXPECT_DOUBLE_EQ(fast_sin(270), fast_sin(-90));
    EXPECT_NEAR(fast_sin(270), -0.99988, 0.00002);
    EXPECT_DOUBLE_EQ(fast_sin(720 + 30), fast_sin(30));
    EXPECT_DOUBLE_EQ(fast_sin(-330), fast_sin(30));
    EXPECT_DOUBLE_EQ(fast_cos(0), fast_sin(90));
    EXPECT_DOUBLE_EQ(fast_cos(180), fast_sin(270));
}

TEST(TextAdvance, KernsOnlyBeforeAnAInProportionalText) {
    glyph_width_table.dim(60);
    for (int g = 0; g < 60; g++) glyph_width_table(g) = 20 + g % 7;
    const double a = glyph_width_table('A' - 32), v = glyph_width_table('V' - 32);
    EXPECT_EQ(text_advance("AVA", 0, 1), a);
    EXPECT_EQ(text_advance("AVA", 1, 1), v - 7);
    EXPECT_EQ(text_advance("AVA", 2, 1), a);
    EXPECT_EQ(text_width("AVA", 1), 2 * a + v - 7);
    EXPECT_EQ(text_advance("PA", 0, 1), glyph_width_table('P' - 32) - 7);
    EXPECT_EQ(text_advance("YA", 0, 1), glyph_width_table('Y' - 32) - 6);
    EXPECT_EQ(text_advance("AV", 0, 1), a);   // only pairs ending in A
    EXPECT_EQ(text_advance("VB", 0, 1), v);
    EXPECT_EQ(text_advance("TA", 0, 0), 33);  // fixed spacing: no kerning
    EXPECT_EQ(text_advance("TA", 0, 2), 33);  // only exactly 1 is proportional
    EXPECT_EQ(text_width("", 1), 0);
}

TEST(FontMeasuring, WidthIsTheRightmostExaminedInkColumnPlusThree) {
    std::vector<double> widths;
    run_in_runtime([&] {
        std::vector<std::vector<int>> glyphs(60, block_glyph(19));
        glyphs[0] = block_glyph(31);                       // the space is always 24
        glyphs[1] = empty_glyph(); ink(glyphs[1], 31, 5);  // touches column 31
        glyphs[2] = empty_glyph();                         // nothing at all
        glyphs[3] = empty_glyph();                         // only column 0, never read
        for (int y = 0; y < 32; y++) ink(glyphs[3], 0, y);
        glyphs[4] = empty_glyph();                         // only rows 31, never read
        for (int x = 0; x < 32; x++) ink(glyphs[4], x, 31);
        glyphs[5] = empty_glyph(); ink(glyphs[5], 17, 30); ink(glyphs[5], 16, 0);
        glyphs[6] = empty_glyph(); ink(glyphs[6], 1, 0);
        install_anim(SPRITE_FONT, 32, 32, glyphs);
        glyph_width_table.dim(60);
        measure_glyphs();
        for (int g = 0; g < 8; g++) widths.push_back(glyph_width_table(g));
        widths.push_back(glyph_width_table(59));
    });
    EXPECT_EQ(widths, (std::vector<double>{24, 34, 3, 3, 3, 20, 4, 22, 22}));
}

TEST(TextDrawing, FixedCentredAndKernedTextLandWhereMeasured) {
    int centred_first = 0, centred_last = 0, kerned_last = 0, fixed_second = 0, empty_first = 0, empty_last = 0;
    int small_first = 0, small_bottom = 0;
    run_in_runtime([&] {
        std::vector<std::vector<int>> glyphs(60, block_glyph(19));
        install_anim(SPRITE_FONT, 32, 32, glyphs);
        glyph_width_table.dim(60);
        for (int g = 0; g < 60; g++) glyph_width_table(g) = 22;

        draw_rect(0, 0, 1024, 768, 0);
        draw_text_centred("AAAAAAA", 512, 100, 0);
        lit_span(110, centred_first, centred_last);

        draw_rect(0, 0, 1024, 768, 0);
        draw_text("AVA", 100, 200, 1);   // A at 100, V at 122, A at 122 + 15
        int ignored;
        lit_span(210, ignored, kerned_last);

        draw_rect(0, 0, 1024, 768, 0);
        draw_text("T A", 100, 300, 0);   // fixed: the third glyph starts at 166
        std::vector<int> row;
        read_pixels(0, 310, 1024, 1, row);
        fixed_second = row[166] != 0 && row[165] == 0;

        draw_rect(0, 0, 1024, 768, 0);
        draw_text_centred("", 512, 100, 1);
        lit_span(110, empty_first, empty_last);

        draw_rect(0, 0, 1024, 768, 0);
        draw_text_small("A", 300, 400, 1);   // stretched to 32 x 20
        lit_span(405, small_first, ignored);
        std::vector<int> column;
        read_pixels(305, 395, 1, 40, column);
        for (int i = 0; i < 40; i++)
            if (column[static_cast<size_t>(i)] != 0) small_bottom = 395 + i;
    });
    EXPECT_EQ(centred_first, 397);   // 512 - trunc(7 * 33 / 2)
    EXPECT_EQ(centred_last, 397 + 6 * 33 + 19);
    EXPECT_EQ(kerned_last, 137 + 19);
    EXPECT_TRUE(fixed_second);
    EXPECT_EQ(empty_first, -1);
    EXPECT_EQ(empty_last, -1);
    EXPECT_EQ(small_first, 300);
    EXPECT_EQ(small_bottom, 419);
}
