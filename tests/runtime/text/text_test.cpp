// The runtime fonts read back from real pixels: the built-in glyphs and their
// outline, font image grids, code wrapping, font selection and the start-up
// font found in the program's folder.
#include "tests/runtime/gfx/gfx_test_support.h"

#include "runtime/text/text.h"
#include "runtime/text/text_internal.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/text/text_testing.h"

#include <algorithm>

using namespace gfxtest;

namespace {

// The start-up font: a 256 x 256 RGB image, black background (the font key)
// and, in the cell of code 200, a white 2 x 2 square at (3, 5).
class StartupFontEnvironment : public RuntimeEnvironment {
public:
    void before_start(const std::string& folder) override {
        std::vector<int> colours(256 * 256, 0);
        const int cell_x = (200 % 16) * 16, cell_y = (200 / 16) * 16;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) colours[size_t((cell_y + 5 + y) * 256 + cell_x + 3 + x)] = 0xFFFFFF;
        write_file(folder + "/smalfont.png", png_from_colours(256, 256, colours));
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new StartupFontEnvironment);

constexpr int WHITE = rgb(255, 255, 255);
constexpr int OUTLINE = rgb(8, 8, 8);
constexpr int BACKGROUND = rgb(0, 0, 200);

class Text : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        draw_rect(0, 0, 400, 100, BACKGROUND);
    }
};

// ---------------------------------------------------------------- start-up font

TEST_F(Text, StartupLoadsTheFontFoundInTheProgramFolder) {
    set_font(0);
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(font_codes(), 256) << "a square image has 16 rows of codes";
    print_text(std::string(1, char(200)), 10, 10);
    // Black is the key: only the white square shows.
    EXPECT_EQ(pixels(12, 14, 4, 4),
              (std::vector<int>{BACKGROUND, BACKGROUND, BACKGROUND, BACKGROUND,  //
                                BACKGROUND, WHITE, WHITE, BACKGROUND,            //
                                BACKGROUND, WHITE, WHITE, BACKGROUND,            //
                                BACKGROUND, BACKGROUND, BACKGROUND, BACKGROUND}));
}

// ---------------------------------------------------------------- built-in font

TEST_F(Text, BuiltinPatternsCoverPrintableCodesOnly) {
    EXPECT_EQ(builtin_glyph_bits(31), 0u);
    EXPECT_EQ(builtin_glyph_bits(32), 0u);
    EXPECT_EQ(builtin_glyph_bits(65), 0x00A5394Eu);
    EXPECT_EQ(builtin_glyph_bits(127), 0x3F18C63Fu);
    EXPECT_EQ(builtin_glyph_bits(128), 0u);
    EXPECT_EQ(builtin_glyph_bits(-1), 0u);
}

TEST_F(Text, BuiltinGlyphsAreWhiteWithADarkOutline) {
    install_builtin_font(3);
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(font_codes(), 128);
    print_text("A", 20, 30);
    // Every pixel of the cell from the pattern: design white, its four-way
    // neighbours dark grey, the rest showing the background.
    const unsigned bits = builtin_glyph_bits('A');
    auto design = [&](int x, int y) {
        return x >= 1 && x <= 5 && y >= 1 && y <= 6 && ((bits >> (5 * (y - 1) + (x - 1))) & 1u);
    };
    const std::vector<int> cell = pixels(20, 30, 8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            int expected = BACKGROUND;
            if (design(x, y)) expected = WHITE;
            else if (design(x - 1, y) || design(x + 1, y) || design(x, y - 1) || design(x, y + 1)) expected = OUTLINE;
            EXPECT_EQ(cell[size_t(y * 8 + x)], expected) << "cell pixel " << x << "," << y;
        }
    }
    // The hollow box of code 127 fills the whole 5 x 6 design area's rim.
    print_text(std::string(1, char(127)), 40, 30);
    EXPECT_EQ(get_pixel(41, 31), WHITE);
    EXPECT_EQ(get_pixel(45, 36), WHITE);
    EXPECT_EQ(get_pixel(42, 33), OUTLINE) << "inside, next to the left side";
    EXPECT_EQ(get_pixel(43, 33), BACKGROUND) << "the middle of the box touches no design pixel";
    EXPECT_EQ(get_pixel(40, 30), BACKGROUND) << "corners touch no design pixel";
}

TEST_F(Text, PrintingRoundsUpAndAdvancesAtAFixedPitch) {
    install_builtin_font(4);
    print_text("||", 10.2, 20.7);
    // '|' has its design in column 2: screen x = 11 + 3 and 11 + 8 + 3, rows from 21 + 1.
    EXPECT_EQ(get_pixel(14, 22), WHITE);
    EXPECT_EQ(get_pixel(22, 22), WHITE);
    EXPECT_EQ(get_pixel(14, 21), OUTLINE);
    print_text("", 100, 50);
    EXPECT_EQ(get_pixel(101, 51), BACKGROUND);
    // Codes wrap at the font's count: 128 + 'A' prints 'A'.
    print_text(std::string(1, char(128 + 'A')), 200, 50);
    print_text("A", 220, 50);
    EXPECT_EQ(pixels(200, 50, 8, 8), pixels(220, 50, 8, 8));
}

// ---------------------------------------------------------------- font images

TEST_F(Text, WideFontImagesHaveEightRowsOfCodes) {
    // 256 x 128: 16 x 16 glyphs, codes 0..127; code 17 (row 1, column 1)
    // holds a red pixel at its cell's (0, 0); RGBA, so black is kept here.
    std::vector<int> colours(256 * 128, 0);
    std::vector<int> alphas(256 * 128, 255);
    colours[size_t(16 * 256 + 16)] = rgb(255, 0, 0);
    write_file(path("wide.png"), png_from_colours(256, 128, colours, alphas));
    load_font("wide.png", 7);
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(font_codes(), 128);
    print_text(std::string(1, char(17)), 50, 40);
    EXPECT_EQ(get_pixel(50, 40), rgb(255, 0, 0));
    EXPECT_EQ(get_pixel(51, 40), 0) << "RGBA fonts are not keyed";
    print_text(std::string(1, char(17 + 128)), 80, 40);
    EXPECT_EQ(get_pixel(80, 40), rgb(255, 0, 0));
}

TEST_F(Text, FontNumbersAreClampedAndMissingImagesFallBackToTheBuiltinFont) {
    write_file(path("tall.png"), png_from_colours(32, 64, std::vector<int>(32 * 64, 0x00FF00)));
    load_font("tall.png", 31);
    load_font("missing.png", 30);
    EXPECT_EQ(sprite_width(FONT_SLOT_BASE + 30), 128) << "the built-in font took its place";
    set_font(40);
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(font_codes(), 256);
    set_font(-3);
    font_size(w, h);
    EXPECT_EQ(w, 16) << "font 0 is the start-up font";
    load_font("missing.png", 99);
    EXPECT_EQ(sprite_width(FONT_SLOT_BASE + 31), 128) << "99 means font 31";
}

TEST_F(Text, StartupShowsLoadingCentredInTheBuiltinFont) {
    // The frame is read while show_screen drains events, before it presents.
    std::vector<int> shown;
    frame_set_pump_hook([&] {
        if (shown.empty()) read_pixels(0, 0, 1024, 768, shown);
        if (!runtime_window_active()) runtime_set_window_active(true);
    });
    show_screen();
    shown.clear();
    // The frame's start-up steps: draw, present, then the start-up font.
    text_show_loading(1024, 768);
    show_screen();
    text_load_start_font();
    frame_set_pump_hook([] {
        if (!runtime_window_active()) runtime_set_window_active(true);
    });
    ASSERT_EQ(shown.size(), size_t(1024 * 768));
    // "Loading..." is 10 glyphs of 8 x 8: x = (1024 - 80) / 2 = 472, y = (768 - 8) / 2 = 380.
    int left = 1024, right = -1, top = 768, bottom = -1;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            if (shown[size_t(y * 1024 + x)] != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    // The 'L' stands in design column 1, so its outline starts one pixel in.
    EXPECT_EQ(left, 473);
    EXPECT_LT(right, 472 + 80);
    EXPECT_EQ(top, 380);
    EXPECT_LT(bottom, 388);
    EXPECT_EQ(shown[size_t(381 * 1024 + 474)], WHITE) << "the top of the 'L'";
    EXPECT_EQ(shown[size_t(381 * 1024 + 473)], OUTLINE);
    // Afterwards font 0 is the start-up font again.
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 16);
}

TEST_F(Text, ScreenSizeIsTheFrameSize) {
    double w = 0, h = 0;
    screen_size(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
}

}  // namespace
