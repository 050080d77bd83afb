// The renderer read back from real pixels: keyed images, shapes and their
// boundary rules, animation frames, blending, polygons, viewports, grabbing
// and collisions, and batching that must not change a single pixel.
#include "tests/runtime/gfx/gfx_test_support.h"

#include "runtime/gfx/renderer_internal.h"
#include "runtime/text/text.h"
#include "runtime/gfx/gfx_testing.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

using namespace gfxtest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

constexpr int RED = rgb(255, 0, 0);
constexpr int GREEN = rgb(0, 255, 0);
constexpr int BLUE = rgb(0, 0, 255);
constexpr int WHITE = rgb(255, 255, 255);
constexpr int SLOT = 20;

using Renderer = RendererTest;

// ---------------------------------------------------------------- keyed images

TEST_F(Renderer, RgbPngKeyPixelsShowTheBackgroundInEveryMode) {
    // 3 x 2: key colour at (1, 0) and (2, 1), colours elsewhere.
    write_file(path("keyed.png"), png_from_colours(3, 2, {RED, KEY_COLOUR, GREEN, BLUE, WHITE, KEY_COLOUR}));
    load_sprite("keyed.png", SLOT);
    ASSERT_EQ(sprite_width(SLOT), 3);
    ASSERT_EQ(sprite_height(SLOT), 2);
    const int background = rgb(10, 20, 30);
    for (double mode : {0.0, -1.0, -0.5, 0.5}) {
        show_screen();
        draw_rect(0, 0, 20, 20, background);
        set_alpha_mode(mode);
        draw_sprite(SLOT, 5, 6);
        set_alpha_mode(0);
        EXPECT_EQ(get_pixel(6, 6), background) << "mode " << mode;
        EXPECT_EQ(get_pixel(7, 7), background) << "mode " << mode;
        EXPECT_NE(get_pixel(5, 6), background) << "mode " << mode;
        EXPECT_NE(get_pixel(6, 7), background) << "mode " << mode;
    }
    // Opaque mode shows the colours themselves, at the given place.
    show_screen();
    draw_sprite(SLOT, 5, 6);
    EXPECT_EQ(pixels(4, 5, 5, 4), (std::vector<int>{0, 0, 0, 0, 0,  //
                                                    0, RED, 0, GREEN, 0,
                                                    0, BLUE, WHITE, 0, 0,
                                                    0, 0, 0, 0, 0}));
}

TEST_F(Renderer, RgbaPngIsNeverKeyed) {
    // The key colour with full alpha is a colour like any other.
    write_file(path("alpha.png"), png_from_colours(2, 1, {KEY_COLOUR, GREEN}, {255, 0}));
    load_sprite("alpha.png", SLOT);
    ASSERT_EQ(sprite_width(SLOT), 2);
    draw_rect(0, 0, 10, 10, BLUE);
    draw_sprite(SLOT, 2, 2);
    EXPECT_EQ(get_pixel(2, 2), KEY_COLOUR);
    EXPECT_EQ(get_pixel(3, 2), BLUE) << "alpha 0 is transparent";
}

TEST_F(Renderer, PaletteGreyAndSixteenBitPngsDecodeToTheirColours) {
    PngLayout palette;
    palette.width = 2;
    palette.colour_type = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{255, 0, 0}, {255, 0, 128}};
    palette.data = {0, 1};
    write_file(path("palette.png"), encode_png(palette));
    PngLayout grey;
    grey.width = 2;
    grey.colour_type = PNG_COLOR_TYPE_GRAY;
    grey.bit_depth = 4;
    grey.data = {0x0F};  // levels 0 and 15 -> 0 and 255
    write_file(path("grey.png"), encode_png(grey));
    PngLayout deep;
    deep.colour_type = PNG_COLOR_TYPE_RGB;
    deep.bit_depth = 16;
    deep.data = {0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF};
    write_file(path("deep.png"), encode_png(deep));

    draw_rect(0, 0, 10, 10, BLUE);
    load_sprite("palette.png", SLOT);
    draw_sprite(SLOT, 0, 0);
    load_sprite("grey.png", SLOT + 1);
    draw_sprite(SLOT + 1, 0, 1);
    load_sprite("deep.png", SLOT + 2);
    draw_sprite(SLOT + 2, 0, 2);
    EXPECT_EQ(get_pixel(0, 0), RED);
    EXPECT_EQ(get_pixel(1, 0), BLUE) << "a palette entry equal to the key is keyed";
    EXPECT_EQ(get_pixel(0, 1), 0);
    EXPECT_EQ(get_pixel(1, 1), WHITE);
    EXPECT_EQ(get_pixel(0, 2), rgb(0x12, 0x80, 0xFF)) << "16-bit channels keep their high byte";
}

TEST_F(Renderer, BmpLoadsKeyedAndUpright) {
    // Two rows so a flipped image would show.
    write_file(path("image.bmp"), encode_bmp(2, 2, 24, {RED, KEY_COLOUR, GREEN, BLUE}));
    load_sprite("image.bmp", SLOT);
    ASSERT_EQ(sprite_width(SLOT), 2);
    draw_rect(0, 0, 4, 4, WHITE);
    draw_sprite(SLOT, 0, 0);
    EXPECT_EQ(pixels(0, 0, 2, 2), (std::vector<int>{RED, WHITE, GREEN, BLUE}));
}

TEST_F(Renderer, BrokenImagesLeaveTheSlotEmpty) {
    const std::vector<uint8_t> good = png_from_colours(4, 4, std::vector<int>(16, RED));
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    std::vector<uint8_t> corrupt = good;
    for (size_t i = 40; i < corrupt.size(); i += 3) corrupt[i] ^= 0x5A;
    // A valid header claiming 100000 x 100000 pixels.
    std::vector<uint8_t> huge = good;
    for (int at : {16, 20}) {
        huge[size_t(at)] = 0x00;
        huge[size_t(at) + 1] = 0x01;
        huge[size_t(at) + 2] = 0x86;
        huge[size_t(at) + 3] = 0xA0;
    }
    std::vector<uint8_t> bmp = encode_bmp(4, 4, 24, std::vector<int>(16, RED));
    const std::vector<uint8_t> short_bmp(bmp.begin(), bmp.end() - 10);
    std::vector<uint8_t> huge_bmp = bmp;
    huge_bmp[18] = 0xFF;
    huge_bmp[19] = 0xFF;
    huge_bmp[20] = 0xFF;
    huge_bmp[21] = 0x00;
    write_file(path("truncated.png"), truncated);
    write_file(path("corrupt.png"), corrupt);
    write_file(path("huge.png"), huge);
    write_file(path("short.bmp"), short_bmp);
    write_file(path("huge.bmp"), huge_bmp);
    write_file(path("empty.png"), {});
    write_file(path("good.png"), good);
    for (const char* name : {"truncated.png", "corrupt.png", "huge.png", "short.bmp", "huge.bmp", "empty.png",
                             "missing.png"}) {
        load_sprite("good.png", SLOT);
        ASSERT_EQ(sprite_width(SLOT), 4);
        load_anim(name, SLOT, 2, 2);
        EXPECT_EQ(sprite_width(SLOT), 0) << name;
        EXPECT_EQ(sprite_height(SLOT), 0) << name;
        draw_sprite(SLOT, 0, 0);
        draw_anim_frame(SLOT, 0, 0, 0);
        EXPECT_EQ(get_pixel(0, 0), 0) << name << " drew something";
    }
}

TEST_F(Renderer, UnsupportedColourTypeIsReportedOnStandardOutput) {
    PngLayout grey_alpha;
    grey_alpha.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
    grey_alpha.data = {200, 255};
    write_file(path("greyalpha.png"), encode_png(grey_alpha));
    testing::internal::CaptureStdout();
    load_sprite("greyalpha.png", SLOT);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sprite_width(SLOT), 0);
    EXPECT_EQ(printed,
              "File greyalpha.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");
}

// ---------------------------------------------------------------- shapes

TEST_F(Renderer, OnePixelRectPixelAndNegativeWidthColourTheSamePixel) {
    draw_rect(10, 10, 1, 1, RED);
    draw_pixel(20, 10, RED);
    draw_rect(30, 10, -1, 1, RED);
    draw_rect(40, 10, 1, -1, RED);
    for (int x : {10, 20, 30, 40}) {
        const std::vector<int> around = pixels(x - 1, 9, 3, 3);
        EXPECT_EQ(around, (std::vector<int>{0, 0, 0, 0, RED, 0, 0, 0, 0})) << "at x " << x;
    }
}

TEST_F(Renderer, RectanglesCoverExactlyTheirColumnsAndRows) {
    draw_rect(5, 5, 3, 2, GREEN);    // columns 5..7, rows 5..6
    draw_rect(20, 10, -3, -2, BLUE); // columns 18..20, rows 9..10
    draw_rect(30, 5, 0, 5, RED);     // empty
    std::vector<int> expected(size_t(30 * 14), 0);
    for (int y = 5; y <= 6; ++y)
        for (int x = 5; x <= 7; ++x) expected[size_t(y * 30 + x)] = GREEN;
    for (int y = 9; y <= 10; ++y)
        for (int x = 18; x <= 20; ++x) expected[size_t(y * 30 + x)] = BLUE;
    EXPECT_EQ(pixels(0, 0, 30, 14), expected);
    EXPECT_EQ(get_pixel(30, 5), 0);
}

TEST_F(Renderer, LinesIncludeBothEndPoints) {
    struct Line {
        int x1, y1, x2, y2;
    };
    const Line lines[] = {{10, 10, 20, 10}, {10, 20, 10, 30}, {40, 40, 30, 35}, {50, 10, 57, 17},
                          {60, 30, 61, 22}, {70, 70, 70, 70}};
    for (const Line& l : lines) {
        show_screen();
        draw_line(l.x1, l.y1, l.x2, l.y2, WHITE);
        EXPECT_EQ(get_pixel(l.x1, l.y1), WHITE) << l.x1 << "," << l.y1;
        EXPECT_EQ(get_pixel(l.x2, l.y2), WHITE) << l.x2 << "," << l.y2;
        // Nothing outside the bounding box, and one pixel per step of the major axis.
        const int left = std::min(l.x1, l.x2), top = std::min(l.y1, l.y2);
        const int w = std::abs(l.x2 - l.x1) + 1, h = std::abs(l.y2 - l.y1) + 1;
        const std::vector<int> area = pixels(left - 2, top - 2, w + 4, h + 4);
        const long lit = std::count(area.begin(), area.end(), WHITE);
        EXPECT_EQ(lit, std::max(w, h)) << "line to " << l.x2 << "," << l.y2;
        EXPECT_EQ(lit, long(area.size()) - std::count(area.begin(), area.end(), 0));
    }
}

TEST_F(Renderer, KeyColouredShapesWriteTheKeyOnlyWhenOpaque) {
    draw_rect(0, 0, 33, 33, KEY_COLOUR);
    EXPECT_EQ(get_pixel(31, 0), KEY_COLOUR);
    EXPECT_EQ(get_pixel(0, 32), KEY_COLOUR);
    draw_rect(40, 0, 5, 5, RED);
    set_alpha_mode(-1);
    draw_rect(40, 0, 5, 5, KEY_COLOUR);
    draw_line(40, 1, 44, 1, KEY_COLOUR);
    set_alpha_mode(1);
    draw_pixel(41, 2, KEY_COLOUR);
    set_alpha_mode(0);
    EXPECT_EQ(pixels(40, 0, 5, 5), std::vector<int>(25, RED)) << "a key-coloured shape is invisible when blended";
}

// ---------------------------------------------------------------- animation frames

// A 3 x 3 grid of 4 x 4 frames (frame n has colour rgb(20 n, 255 - 20 n, 7)).
int frame_colour(int n) { return rgb(20 * n, 255 - 20 * n, 7); }

void load_frame_grid(const std::string& file, int slot) {
    std::vector<int> colours(size_t(12 * 12));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) colours[size_t(y * 12 + x)] = frame_colour((y / 4) * 3 + x / 4);
    write_file(file, png_from_colours(12, 12, colours));
    load_anim(file, slot, 4, 4);
}

TEST_F(Renderer, FrameFiveOfThreePerRowComesFromRowOneColumnTwo) {
    load_frame_grid(path("frames.png"), SLOT);
    draw_anim_frame(SLOT, 5, 100, 100);
    EXPECT_EQ(pixels(100, 100, 4, 4), std::vector<int>(16, frame_colour(5)));
    EXPECT_EQ(get_pixel(104, 100), 0);
    EXPECT_EQ(get_pixel(100, 104), 0);
    draw_anim_frame(SLOT, 0, 0, 0);
    draw_anim_frame(SLOT, 8, 10, 0);
    EXPECT_EQ(get_pixel(1, 1), frame_colour(0));
    EXPECT_EQ(get_pixel(11, 1), frame_colour(8));
}

// Loads are decoded when first needed or when a frame has time to spare;
// what the game sees must be what loading at once gives.
TEST_F(Renderer, DeferredLoadsShowWhatLoadingAtOnceShows) {
    while (renderer_finish_deferred_load()) {}
    const std::vector<int> first = {RED, KEY_COLOUR, GREEN, BLUE, WHITE, KEY_COLOUR};
    write_file(path("first.png"), png_from_colours(3, 2, first));
    renderer_set_deferred_loading(false);
    load_sprite("first.png", SLOT + 1);
    renderer_set_deferred_loading(true);
    load_sprite("first.png", SLOT);
    // The bytes were read at load time: a file changed or gone later does
    // not change what the slot shows.
    write_file(path("first.png"), png_from_colours(3, 2, std::vector<int>(6, BLUE)));
    EXPECT_EQ(sprite_width(SLOT), 3);
    EXPECT_EQ(sprite_height(SLOT), 2);
    draw_rect(0, 0, 40, 20, rgb(10, 20, 30));
    draw_sprite(SLOT, 2, 2);
    draw_sprite(SLOT + 1, 22, 2);
    EXPECT_EQ(pixels(2, 2, 3, 2), pixels(22, 2, 3, 2));
    EXPECT_EQ(get_pixel(2, 2), RED);
    EXPECT_EQ(get_pixel(3, 2), rgb(10, 20, 30)) << "still keyed";

    // Animation frame sizes arrive with the image; a grab into a slot still
    // waiting for its image keeps that frame size, as it keeps a loaded one's.
    load_frame_grid(path("frames.png"), SLOT);
    draw_anim_frame(SLOT, 5, 100, 100);
    EXPECT_EQ(pixels(100, 100, 4, 4), std::vector<int>(16, frame_colour(5)));
    load_frame_grid(path("frames.png"), SLOT + 2);
    show_screen();
    draw_rect(0, 0, 12, 12, GREEN);
    grab_sprite(SLOT + 2, 0, 0, 12, 12);
    show_screen();
    draw_anim_frame(SLOT + 2, 4, 50, 50);
    EXPECT_EQ(pixels(50, 50, 4, 4), std::vector<int>(16, GREEN));

    // A slot loaded again before its image was needed shows the newer one;
    // a failed load after a waiting one leaves the slot empty.
    write_file(path("red.png"), png_from_colours(1, 1, {RED}));
    write_file(path("blue.png"), png_from_colours(1, 1, {BLUE}));
    load_sprite("red.png", SLOT);
    load_sprite("blue.png", SLOT);
    draw_sprite(SLOT, 0, 0);
    EXPECT_EQ(get_pixel(0, 0), BLUE);
    load_sprite("red.png", SLOT + 1);
    load_sprite("missing.png", SLOT + 1);
    EXPECT_EQ(sprite_width(SLOT + 1), 0);

    // Spare time finishes each waiting load once, oldest first; slots that
    // were reloaded, emptied or already needed are not counted again.
    while (renderer_finish_deferred_load()) {}
    load_sprite("red.png", SLOT);
    load_sprite("blue.png", SLOT + 1);
    load_sprite("red.png", SLOT + 2);
    load_sprite("blue.png", SLOT + 2);
    load_sprite("red.png", SLOT + 3);
    EXPECT_EQ(sprite_width(SLOT + 3), 1);
    int finished = 0;
    while (renderer_finish_deferred_load()) ++finished;
    EXPECT_EQ(finished, 3);
    draw_sprite(SLOT, 0, 0);
    draw_sprite(SLOT + 1, 1, 0);
    draw_sprite(SLOT + 2, 2, 0);
    EXPECT_EQ(pixels(0, 0, 3, 1), (std::vector<int>{RED, BLUE, BLUE}));
}

TEST_F(Renderer, StretchedFramesClampAtTheImageEdge) {
    // Two 4 x 4 frames filling an 8 x 4 texture: frame 0 stretched fourfold.
    std::vector<int> colours(32);
    for (int i = 0; i < 32; ++i) colours[size_t(i)] = (i % 8) < 4 ? RED : BLUE;
    write_file(path("pair.png"), png_from_colours(8, 4, colours));
    load_anim("pair.png", SLOT, 4, 4);
    draw_anim_frame_stretched(SLOT, 0, 50, 50, 16, 16);
    // Wrapping would pull blue in at the left and top edges; clamping keeps
    // the outer part pure. Only the seam to frame 1 on the right may blend.
    const std::vector<int> area = pixels(50, 50, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 12; ++x) EXPECT_EQ(area[size_t(y * 16 + x)], RED) << x << "," << y;
    EXPECT_NE(area[15], RED) << "the seam blends with the next frame";
    // The 0.1 overlap does not reach the next pixel column or row.
    EXPECT_EQ(get_pixel(66, 50), 0);
    EXPECT_EQ(get_pixel(50, 66), 0);
}

TEST_F(Renderer, SpritesWithoutFrameSizeDrawNoFrame) {
    write_file(path("plain.png"), png_from_colours(2, 2, std::vector<int>(4, RED)));
    load_sprite("plain.png", SLOT);
    draw_anim_frame(SLOT, 0, 0, 0);
    draw_anim_frame_stretched(SLOT, 0, 0, 0, 5, 5);
    // A frame wider than the image has no frames at all.
    load_anim("plain.png", SLOT + 1, 3, 1);
    draw_anim_frame(SLOT + 1, 0, 0, 0);
    EXPECT_EQ(pixels(0, 0, 6, 6), std::vector<int>(36, 0));
}

// ---------------------------------------------------------------- read-back

TEST_F(Renderer, ReadBackSeesDrawingBetweenReads) {
    draw_rect(0, 0, 64, 64, RED);
    EXPECT_EQ(get_pixel(3, 3), RED);
    draw_pixel(3, 3, GREEN);
    EXPECT_EQ(get_pixel(3, 3), GREEN) << "a read after drawing sees the new pixel";
    EXPECT_EQ(get_pixel(4, 3), RED);
    EXPECT_EQ(get_pixel(-1, 0), 0);
    EXPECT_EQ(get_pixel(1024, 0), 0);
    draw_rect(1020, 764, 4, 4, BLUE);
    EXPECT_EQ(get_pixel(1023, 767), BLUE);
    const std::vector<int> edge = pixels(1022, 766, 4, 4);
    EXPECT_EQ(edge, (std::vector<int>{BLUE, BLUE, 0, 0, BLUE, BLUE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
        << "off-screen parts read as 0";
}

// ---------------------------------------------------------------- blending

TEST_F(Renderer, NormalAndAdditiveBlendingMixChannels) {
    const int background = rgb(200, 100, 40);
    draw_rect(0, 0, 30, 10, background);
    set_alpha_mode(-0.5);
    draw_rect(0, 0, 10, 10, WHITE);
    set_alpha_mode(0.5);
    draw_rect(10, 0, 10, 10, rgb(100, 100, 100));
    set_alpha_mode(-3);  // opacity is capped at 1
    draw_rect(20, 0, 10, 10, rgb(1, 2, 3));
    set_alpha_mode(0);
    EXPECT_TRUE(near_colour(get_pixel(5, 5), rgb(228, 178, 148), 2));
    EXPECT_TRUE(near_colour(get_pixel(15, 5), rgb(250, 150, 90), 2));
    EXPECT_EQ(get_pixel(25, 5), rgb(1, 2, 3));
}

TEST_F(Renderer, SpriteOpacityFollowsTheAlphaMode) {
    sprite_from_rgba(SLOT, 4, 4, solid_rgba(4, 4, WHITE));
    draw_rect(0, 0, 40, 10, rgb(0, 0, 100));
    set_alpha_mode(-0.25);
    draw_sprite(SLOT, 0, 0);
    set_alpha_mode(0.25);
    draw_sprite(SLOT, 10, 0);
    set_alpha_mode(-0.04);  // below the alpha test threshold: nothing passes
    draw_sprite(SLOT, 20, 0);
    set_alpha_mode(0);
    draw_sprite(SLOT, 30, 0);
    EXPECT_TRUE(near_colour(get_pixel(1, 1), rgb(64, 64, 139), 2));
    EXPECT_TRUE(near_colour(get_pixel(11, 1), rgb(64, 64, 164), 2));
    EXPECT_EQ(get_pixel(21, 1), rgb(0, 0, 100));
    EXPECT_EQ(get_pixel(31, 1), WHITE);
}

// ---------------------------------------------------------------- polygons

TEST_F(Renderer, PolygonVertexColoursTintTheTexture) {
    sprite_from_rgba(SLOT, 16, 16, solid_rgba(16, 16, rgb(200, 200, 200)));
    polygon_begin(SLOT);
    polygon_vertex(10, 10, 0, 0, rgb(255, 128, 0));
    polygon_vertex(10, 40, 0, 15, rgb(255, 128, 0));
    polygon_vertex(40, 40, 15, 15, rgb(255, 128, 0));
    polygon_vertex(40, 10, 15, 0, rgb(255, 128, 0));
    polygon_end();
    EXPECT_TRUE(near_colour(get_pixel(20, 20), rgb(200, 100, 0), 2));
    // Untextured, one colour per vertex: each corner region takes its colour.
    polygon_begin(-1);
    polygon_vertex(100, 100, 0, 0, RED);
    polygon_vertex(100, 200, 0, 0, RED);
    polygon_vertex(200, 200, 0, 0, RED);
    polygon_end();
    EXPECT_EQ(get_pixel(110, 180), RED);
    EXPECT_EQ(get_pixel(180, 110), 0) << "outside the triangle";
    polygon_begin(-1);
    polygon_vertex(300, 300, 0, 0, RED);
    polygon_vertex(300, 400, 0, 0, GREEN);
    polygon_vertex(400, 400, 0, 0, BLUE);
    polygon_end();
    EXPECT_TRUE(near_colour(get_pixel(301, 302), RED, 8));
    EXPECT_TRUE(near_colour(get_pixel(301, 398), GREEN, 8));
    EXPECT_TRUE(near_colour(get_pixel(397, 398), BLUE, 8));
}

TEST_F(Renderer, PolygonTexturePixelsCountFromTheTop) {
    // Top half red, bottom half green.
    std::vector<uint8_t> rgba = solid_rgba(8, 8, RED);
    const std::vector<uint8_t> green = solid_rgba(8, 4, GREEN);
    std::copy(green.begin(), green.end(), rgba.begin() + 8 * 4 * 4);
    sprite_from_rgba(SLOT, 8, 8, rgba);
    polygon_begin(SLOT);
    polygon_vertex(0, 0, 0, 0, WHITE);
    polygon_vertex(0, 8, 0, 8, WHITE);
    polygon_vertex(8, 8, 8, 8, WHITE);
    polygon_vertex(8, 0, 8, 0, WHITE);
    polygon_end();
    EXPECT_EQ(get_pixel(4, 1), RED);
    EXPECT_EQ(get_pixel(4, 6), GREEN);
}

TEST_F(Renderer, PolygonsFaceTheViewerOnlyCounterClockwise) {
    // Fans wound clockwise on screen are back faces and stay invisible, as are
    // key-coloured vertices (alpha 0 fails the alpha test).
    polygon_begin(-1);
    polygon_vertex(10, 10, 0, 0, RED);
    polygon_vertex(50, 10, 0, 0, RED);
    polygon_vertex(10, 50, 0, 0, RED);
    polygon_end();
    polygon_begin(-1);
    polygon_vertex(100, 10, 0, 0, KEY_COLOUR);
    polygon_vertex(100, 50, 0, 0, KEY_COLOUR);
    polygon_vertex(140, 50, 0, 0, KEY_COLOUR);
    polygon_end();
    EXPECT_EQ(get_pixel(15, 15), 0);
    EXPECT_EQ(get_pixel(105, 45), 0);
}

TEST_F(Renderer, LongPolygonsKeepEveryVertex) {
    // A 1000-vertex fan approximating a disc: the list grows past its first room.
    constexpr int count = 1000;
    polygon_begin(-1);
    polygon_vertex(300, 300, 0, 0, GREEN);
    for (int i = 0; i < count - 1; ++i) {
        const double a = 2.0 * M_PI * i / (count - 2);
        polygon_vertex(300 + 100 * std::sin(a), 300 + 100 * std::cos(a), 0, 0, GREEN);
    }
    polygon_end();
    for (int degrees = 0; degrees < 360; degrees += 30) {
        const double a = degrees * M_PI / 180.0;
        EXPECT_EQ(get_pixel(int(300 + 95 * std::sin(a)), int(300 + 95 * std::cos(a))), GREEN) << degrees;
    }
    EXPECT_EQ(get_pixel(300, 405), 0);
}

// ---------------------------------------------------------------- viewport

TEST_F(Renderer, ViewportMovesTheOriginAndClips) {
    set_viewport(100, 50, 20, 10);
    draw_rect(0, 0, 100, 100, RED);
    draw_pixel(-1, -1, GREEN);
    set_viewport(0, 0, 0, 0);  // an empty viewport restores the whole screen
    draw_pixel(0, 0, BLUE);
    EXPECT_EQ(get_pixel(0, 0), BLUE);
    EXPECT_EQ(get_pixel(100, 50), RED);
    EXPECT_EQ(get_pixel(119, 59), RED);
    EXPECT_EQ(get_pixel(120, 59), 0);
    EXPECT_EQ(get_pixel(119, 60), 0);
    EXPECT_EQ(get_pixel(99, 49), 0);
    set_viewport(500, 500, 10, 0);
    draw_pixel(1, 1, WHITE);
    EXPECT_EQ(get_pixel(1, 1), WHITE);
}

TEST_F(Renderer, NewFrameClearsAndResetsTheDrawingState) {
    draw_rect(0, 0, 10, 10, RED);
    set_alpha_mode(-0.5);
    set_viewport(50, 50, 10, 10);
    show_screen();
    EXPECT_EQ(get_pixel(5, 5), 0);
    draw_rect(0, 0, 1, 1, WHITE);
    EXPECT_EQ(get_pixel(0, 0), WHITE) << "opaque, whole screen after a frame";
}

TEST_F(Renderer, AWindowOfTheScreensSizeIsPresentedByTheSwapAlone) {
    show_screen();   // from the frame after a present the window is known to fit
    draw_rect(0, 0, 10, 10, RED);
    EXPECT_EQ(get_pixel(5, 5), RED) << "read back from where the frame is drawn";
    const long before = gfx_draw_calls();
    show_screen();
    EXPECT_EQ(gfx_draw_calls() - before, 0) << "no copy of the frame into the window";
    EXPECT_EQ(get_pixel(5, 5), 0);
}

// A yield in the middle of a frame moves it offscreen with what it has so
// far; presenting it is a copy again, and the frame after it is direct.
TEST_F(Renderer, AFrameMovedOffscreenMidwayKeepsWhatItHadDrawn) {
    show_screen();
    draw_rect(0, 0, 10, 10, RED);
    renderer_move_frame_offscreen();
    draw_rect(20, 0, 10, 10, BLUE);
    EXPECT_EQ(get_pixel(5, 5), RED) << "drawn in the window before the move";
    EXPECT_EQ(get_pixel(25, 5), BLUE) << "drawn offscreen after it";
    EXPECT_EQ(get_pixel(15, 5), 0);
    long before = gfx_draw_calls();
    show_screen();
    EXPECT_GT(gfx_draw_calls() - before, 0) << "the moved frame is copied into the window";
    before = gfx_draw_calls();
    show_screen();
    EXPECT_EQ(gfx_draw_calls() - before, 0) << "the next one is drawn there again";
    // Moved before anything was drawn, the offscreen frame starts clear.
    draw_rect(0, 0, 10, 10, RED);
    show_screen();
    renderer_move_frame_offscreen();
    EXPECT_EQ(get_pixel(5, 5), 0);
}

// A wait that presents nothing yields mid-frame: the window (a browser's
// canvas) shows the last presented frame meanwhile, not the next one half drawn.
TEST_F(Renderer, AFrameMovedOffscreenLeavesTheLastPresentedOneInTheWindow) {
    renderer_keep_presented_frame(true);
    show_screen();
    draw_rect(0, 0, 10, 10, RED);
    show_screen();
    ASSERT_EQ(gfx_window_pixel(5, 5), RED) << "presented";
    draw_rect(0, 0, 10, 10, BLUE);
    draw_rect(20, 0, 10, 10, BLUE);
    renderer_move_frame_offscreen();
    EXPECT_EQ(gfx_window_pixel(5, 5), RED) << "the window shows the last presented frame";
    EXPECT_EQ(gfx_window_pixel(25, 5), 0);
    EXPECT_EQ(get_pixel(5, 5), BLUE) << "the frame goes on offscreen with what it had";
    show_screen();
    EXPECT_EQ(gfx_window_pixel(25, 5), BLUE) << "and is presented whole";
    renderer_keep_presented_frame(false);
}

// The warm-up draws where no frame shows it: a frame already drawn into is
// left alone, one not yet drawn into clears the warm-up away when it is, and
// the frame's viewport and alpha mode hold after it.
TEST_F(Renderer, TheWarmUpLeavesNoTraceInAnyFrame) {
    show_screen();
    renderer_move_frame_offscreen();
    draw_rect(0, 0, 10, 10, RED);
    renderer_warm_up();
    show_screen();
    EXPECT_EQ(gfx_window_pixel(1, 1), RED) << "nothing is warmed up over a frame drawn into";

    renderer_move_frame_offscreen();   // the offscreen frame is this frame's, not yet drawn into
    set_viewport(100, 50, 20, 10);
    set_alpha_mode(0.5);
    long before = gfx_draw_calls();
    renderer_warm_up();
    EXPECT_GT(gfx_draw_calls(), before) << "warmed up";
    draw_rect(0, 0, 4, 4, rgb(200, 200, 200));
    set_alpha_mode(0);
    show_screen();
    EXPECT_EQ(gfx_window_pixel(1, 1), 0) << "the warm-up's drawing was cleared with the frame";
    EXPECT_TRUE(near_colour(gfx_window_pixel(101, 51), rgb(100, 100, 100), 2)) << "in the viewport, half opaque";

    show_screen();   // a frame drawn straight into the window: the warm-up goes offscreen
    before = gfx_draw_calls();
    renderer_warm_up();
    EXPECT_GT(gfx_draw_calls(), before);
    draw_rect(20, 20, 2, 2, BLUE);
    renderer_move_frame_offscreen();
    show_screen();
    EXPECT_EQ(gfx_window_pixel(1, 1), 0) << "the window's frame, moved offscreen, replaced the warm-up there";
    EXPECT_EQ(gfx_window_pixel(21, 21), BLUE);
}

// The window resized while a frame waits for its deadline: the frame after
// it is drawn for the window's new size (offscreen, scaled when presented),
// not straight into a window it no longer fits.
TEST_F(Renderer, AFrameBegunAfterTheWindowWasResizedIsDrawnForItsNewSize) {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    struct SizeBack {
        SDL_Window* window;
        ~SizeBack() {
            frame_set_frame_hook(nullptr);
            SDL_SetWindowSize(window, 1024, 768);
            show_screen();
            show_screen();
        }
    } size_back{window};
    show_screen();   // the window fits: this frame goes straight into it
    // The frame hook runs after the wait, before the next frame begins.
    frame_set_frame_hook([window] { SDL_SetWindowSize(window, 800, 600); });
    show_screen();
    frame_set_frame_hook(nullptr);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    ASSERT_EQ(width, 800);
    ASSERT_EQ(height, 600);
    draw_rect(1000, 700, 10, 10, RED);
    draw_rect(0, 0, 10, 10, BLUE);
    EXPECT_EQ(get_pixel(1005, 705), RED) << "past the window's edge, inside the frame";
    EXPECT_EQ(get_pixel(5, 5), BLUE);
    const long before = gfx_draw_calls();
    show_screen();
    EXPECT_GT(gfx_draw_calls() - before, 0) << "the frame is scaled into the window";
}

// ---------------------------------------------------------------- grab and collision

TEST_F(Renderer, GrabbedWhitePixelCollidesOnlyWithOpaquePixels) {
    draw_pixel(0, 0, WHITE);
    grab_sprite(10, 0, 0, 1, 1);
    EXPECT_EQ(sprite_width(10), 1);
    EXPECT_EQ(sprite_height(10), 1);
    // A 4 x 4 mask: the left half opaque, the right half keyed.
    std::vector<int> colours(16);
    for (int i = 0; i < 16; ++i) colours[size_t(i)] = (i % 4) < 2 ? RED : KEY_COLOUR;
    write_file(path("mask.png"), png_from_colours(4, 4, colours));
    load_sprite("mask.png", 11);
    EXPECT_EQ(sprite_collision(10, 100, 100, 11, 100, 100), 1);
    EXPECT_EQ(sprite_collision(10, 101, 103, 11, 100, 100), 1);
    EXPECT_EQ(sprite_collision(10, 102, 100, 11, 100, 100), 0);
    EXPECT_EQ(sprite_collision(10, 103, 103, 11, 100, 100), 0);
    EXPECT_EQ(sprite_collision(10, 99, 100, 11, 100, 100), 0);
    EXPECT_EQ(sprite_collision(10, 100, 104, 11, 100, 100), 0);
    EXPECT_EQ(sprite_collision(11, 100, 100, 10, 100, 100), 1) << "the order of the two sprites does not matter";
    // Reloading the slot replaces its mask.
    write_file(path("mask2.png"), png_from_colours(4, 4, std::vector<int>(16, KEY_COLOUR)));
    load_sprite("mask2.png", 11);
    EXPECT_EQ(sprite_collision(10, 100, 100, 11, 100, 100), 0);
    EXPECT_EQ(sprite_collision(10, 100, 100, 99, 100, 100), 0) << "an empty slot collides with nothing";
}

TEST_F(Renderer, ImagesAndGrabsBeyondTheSizeCapLeaveTheSlotEmpty) {
    write_file(path("wide.png"), png_from_colours(4097, 1, std::vector<int>(4097, RED)));
    write_file(path("widest.png"), png_from_colours(4096, 1, std::vector<int>(4096, RED)));
    load_sprite("widest.png", SLOT);
    EXPECT_EQ(sprite_width(SLOT), 4096);
    load_sprite("wide.png", SLOT);
    EXPECT_EQ(sprite_width(SLOT), 0);
    // Grabs share the cap, whatever GL could hold.
    grab_sprite(SLOT, 0, 0, 4096, 1);
    EXPECT_EQ(sprite_width(SLOT), 4096);
    for (const auto& size : {std::pair{4097, 1}, std::pair{1, 4097}}) {
        grab_sprite(SLOT, 0, 0, 8, 8);
        ASSERT_EQ(sprite_width(SLOT), 8);
        grab_sprite(SLOT, 0, 0, size.first, size.second);
        EXPECT_EQ(sprite_width(SLOT), 0) << size.first << " x " << size.second;
        EXPECT_EQ(sprite_height(SLOT), 0);
    }
}

TEST_F(Renderer, GrabCopiesTheScreenRectangleUpright) {
    draw_rect(10, 10, 3, 1, RED);
    draw_rect(10, 11, 3, 1, GREEN);
    grab_sprite(SLOT, 10, 10, 3, 2);
    EXPECT_EQ(sprite_width(SLOT), 3);
    EXPECT_EQ(sprite_height(SLOT), 2);
    draw_sprite(SLOT, 50, 50);
    EXPECT_EQ(pixels(50, 50, 3, 2), (std::vector<int>{RED, RED, RED, GREEN, GREEN, GREEN}));
    // A grab over key-coloured pixels: those were written with alpha 0 and stay clear.
    draw_rect(0, 0, 2, 1, KEY_COLOUR);
    draw_pixel(1, 0, BLUE);
    grab_sprite(SLOT, 0, 0, 2, 1);
    draw_rect(60, 60, 2, 1, WHITE);
    draw_sprite(SLOT, 60, 60);
    EXPECT_EQ(pixels(60, 60, 2, 1), (std::vector<int>{WHITE, BLUE}));
}

// A frame without alpha (the browser's canvas, a desktop visual without it)
// cannot hold the alpha 0 of key-coloured pixels: a grab from it keys by
// the colour instead, found by a probe pixel that leaves no trace.
TEST_F(Renderer, GrabsFromAFrameWithoutAlphaAreKeyedByColour) {
    struct AlphaBack {
        ~AlphaBack() { RuntimeEnvironment::restart(true); }
    } alpha_back;
    RuntimeEnvironment::restart(false);
    int alpha_bits = -1;
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alpha_bits);
    ASSERT_EQ(alpha_bits, 0) << "the window was made with alpha";
    show_screen();
    show_screen();   // drawn straight into the window from here on
    for (bool moved : {false, true}) {
        const int slot = moved ? SLOT + 2 : SLOT;
        draw_rect(0, 0, 10, 10, GREEN);
        draw_rect(0, 0, 3, 1, KEY_COLOUR);
        draw_pixel(1, 0, BLUE);
        // A browser's yield moves a frame offscreen with what it has drawn.
        if (moved) renderer_move_frame_offscreen();
        grab_sprite(slot, 0, 0, 3, 1);
        EXPECT_EQ(get_pixel(4, 4), GREEN) << "the probe pixel is put back";
        draw_rect(60, 60, 3, 1, WHITE);
        draw_sprite(slot, 60, 60);
        EXPECT_EQ(pixels(60, 60, 3, 1), (std::vector<int>{WHITE, BLUE, WHITE})) << (moved ? "moved" : "in the window");
        // The key's pixels are clear to the collision test too.
        draw_pixel(0, 0, WHITE);
        grab_sprite(slot + 1, 0, 0, 1, 1);
        EXPECT_EQ(sprite_collision(slot + 1, 100, 100, slot, 100, 100), 0);
        EXPECT_EQ(sprite_collision(slot + 1, 101, 100, slot, 100, 100), 1);
        show_screen();
        show_screen();
    }
}

// ---------------------------------------------------------------- batching

// A noisy texture: neighbouring texels differ, so any filtering between
// them would show.
std::vector<uint8_t> noise_rgba(int width, int height, int seed) {
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    uint32_t state = uint32_t(seed) * 2654435761u + 1;
    for (size_t i = 0; i < rgba.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        rgba[i] = uint8_t(state >> 24);
    }
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = rgba[i] < 60 ? 0 : 255;
    return rgba;
}

// A scene mixing every primitive, blend mode and texture path.
void busy_scene(int slot_a, int slot_b, int big, int solid) {
    draw_sprite(big, -7, -3);
    // Solid parts drawn at opacities that pass and that fail the alpha test.
    for (double mode : {0.0, -0.5, -0.03, 0.04, 0.3}) {
        set_alpha_mode(mode);
        draw_sprite(solid, 150 + int(mode * 100), 40);
    }
    for (int i = 0; i < 40; ++i) {
        set_alpha_mode(i % 3 == 0 ? 0.0 : (i % 3 == 1 ? -0.1 * (i % 10 + 1) : 0.3));
        draw_sprite(i % 2 ? slot_a : slot_b, 5 * i - 20, 3 * i - 4);
        draw_line(i * 7, 0, 300 - i * 5, 200, rgb(i * 6, 255 - i * 6, 90));
        draw_rect(i * 9, 100 + i, 3, 3, i % 4 ? rgb(200, i * 5, 30) : KEY_COLOUR);
        // Textured fans laid on unscaled (like the tiles), reaching past the
        // texture's edges, and one scaled.
        const int px = 20 + (i % 8) * 45, py = 150 + (i / 8) * 30;
        const double scale = i % 7 == 0 ? 1.5 : 1.0;
        polygon_begin(i % 5 ? slot_a : slot_b);
        polygon_vertex(px + 16, py - 2, 16, -2, rgb(255, 200, i * 6));
        polygon_vertex(px - 3, py + 20 * scale, -3, 20, rgb(0, 255, 100));
        polygon_vertex(px + 10, py + 35 * scale, 10, 35, rgb(90, 90, 255));
        polygon_vertex(px + 34 * scale, py + 30 * scale, 34, 30, WHITE);
        polygon_end();
        polygon_begin(-1);
        polygon_vertex(100 + i * 4, 50, 0, 0, rgb(255, 0, i * 6));
        polygon_vertex(60 + i * 4, 150, 0, 16, rgb(0, 255, 0));
        polygon_vertex(140 + i * 4, 150, 16, 16, rgb(0, 0, 255));
        polygon_end();
        draw_pixel(i * 3, 250, WHITE);
        draw_sprite_part(slot_a, i % 5, 2, 9, 7, 300 + i * 2, 260 - i, 9, 7);
        draw_sprite_part(slot_b, 1, 1, 4, 4, 350, 200 + i, 6.5, 5);
        if (i == 20) draw_sprite(solid, 60, 120);
    }
    set_alpha_mode(0);
}

TEST_F(Renderer, FastPathsLeaveEveryPixelAsDrawingOneByOne) {
    sprite_from_rgba(SLOT, 32, 32, noise_rgba(32, 32, 1));
    sprite_from_rgba(SLOT + 1, 5, 7, noise_rgba(5, 7, 2));
    // Large, so it stays out of the atlas; clear blocks are skipped.
    std::vector<uint8_t> big = noise_rgba(300, 280, 3);
    for (int y = 40; y < 240; ++y)
        for (int x = 30; x < 270; ++x) big[size_t(y * 300 + x) * 4 + 3] = (x == 100 && y == 100) ? 255 : 0;
    sprite_from_rgba(SLOT + 2, 300, 280, big);
    // Solid but for a clear hole and a half-transparent stripe.
    std::vector<uint8_t> solid = noise_rgba(200, 160, 6);
    for (size_t i = 3; i < solid.size(); i += 4) solid[i] = 255;
    for (int y = 50; y < 100; ++y)
        for (int x = 0; x < 200; ++x) solid[size_t(y * 200 + x) * 4 + 3] = x < 120 ? 0 : 100;
    sprite_from_rgba(SLOT + 3, 200, 160, solid);

    const long calls_before = gfx_draw_calls();
    busy_scene(SLOT, SLOT + 1, SLOT + 2, SLOT + 3);
    const std::vector<int> fast = pixels(0, 0, 400, 300);
    const long fast_calls = gfx_draw_calls() - calls_before;

    show_screen();
    renderer_set_fast_paths(false);
    const long calls_between = gfx_draw_calls();
    busy_scene(SLOT, SLOT + 1, SLOT + 2, SLOT + 3);
    const std::vector<int> reference = pixels(0, 0, 400, 300);
    const long single_calls = gfx_draw_calls() - calls_between;
    renderer_set_fast_paths(true);

    ASSERT_EQ(fast.size(), reference.size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        if (fast[i] != reference[i] && differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << "first at " << first % 400 << "," << first / 400;
    EXPECT_EQ(single_calls, 1 + 5 + 40 * 8 + 1) << "the reference draws one primitive per call";
    EXPECT_LT(fast_calls, single_calls);
}

// Reads answered from the frame's record (the browser's way) must be what
// GL reads. A read GL answers draws what is pending first; one the record
// answers draws nothing, which shows who answered.
TEST_F(Renderer, ReadsFromTheFramesRecordAreWhatGlReads) {
    renderer_set_model_reads(true);
    // Every alpha but the two at the alpha test's edge (0.05 of 255 lies
    // between 12 and 13, where drivers differ); images are loaded with the
    // record on, which keeps their pixels.
    const std::vector<uint8_t> noise = noise_rgba(64, 32, 9);
    std::vector<int> colours, alphas;
    for (size_t i = 0; i < noise.size() / 4; ++i) {
        colours.push_back(rgb(noise[i * 4], noise[i * 4 + 1], noise[i * 4 + 2]));
        alphas.push_back(int(i % 256) == 12 ? 11 : int(i % 256) == 13 ? 14 : int(i % 256));
    }
    write_file(path("glyphs.png"), png_from_colours(64, 32, colours, alphas));
    load_anim("glyphs.png", SLOT, 16, 16);
    sprite_from_rgba(SLOT + 1, 5, 7, noise_rgba(5, 7, 2));
    struct Read {
        int x, y, width, height;
    };
    // Reads the rectangle through the record, then through GL.
    auto both_ways = [](const Read& r, bool record_answers) {
        const long before = gfx_draw_calls();
        std::vector<int> recorded;
        read_pixels(r.x, r.y, r.width, r.height, recorded);
        EXPECT_EQ(gfx_draw_calls() == before, record_answers) << "answered by the record";
        renderer_set_model_reads(false);
        std::vector<int> real;
        read_pixels(r.x, r.y, r.width, r.height, real);
        renderer_set_model_reads(true);
        size_t differing = 0, first = 0;
        for (size_t i = 0; i < real.size(); ++i)
            if (recorded.at(i) != real[i] && differing++ == 0) first = i;
        EXPECT_EQ(differing, 0u) << "first at " << first % size_t(r.width) << "," << first / size_t(r.width);
    };

    // As the font is measured: a key-coloured square, a glyph over it, a read.
    for (int g = 0; g < 8; ++g) {
        draw_rect(0, 0, 33, 33, KEY_COLOUR);
        draw_anim_frame(SLOT, g, 0, 0);
        both_ways({0, 0, 32, 31}, true);
    }
    // Rectangles of every sort and copies at the screen's edges, under and
    // over one another; a read partly off the screen.
    int SCREEN_W = 0, SCREEN_H = 0;
    renderer_screen_size(SCREEN_W, SCREEN_H);
    show_screen();
    draw_rect(-3, -2, SCREEN_W + 10, SCREEN_H + 10, rgb(20, 40, 60));   // clears
    draw_rect(10, 12, -6, 5, RED);
    draw_pixel(40, 3, WHITE);
    draw_sprite(SLOT, 20, 2);
    draw_sprite_part(SLOT, 7, 3, 20, 9, 30, 10, 20, 9);
    draw_sprite(SLOT + 1, -2, -3);
    draw_sprite(SLOT, SCREEN_W - 30, SCREEN_H - 20);
    draw_rect(25, 5, 10, 10, GREEN);
    both_ways({-4, -4, 100, 50}, true);
    both_ways({SCREEN_W - 40, SCREEN_H - 25, 50, 30}, true);
    EXPECT_EQ(get_pixel(27, 7), GREEN);
    // A texel at the alpha test's edge: GL answers.
    std::vector<uint8_t> edge = solid_rgba(4, 4, RED);
    edge[5 * 4 + 3] = 13;
    sprite_from_rgba(SLOT + 2, 4, 4, edge);
    show_screen();
    draw_sprite(SLOT + 2, 2, 2);
    both_ways({0, 0, 8, 8}, false);
    // Blending, a line, scaling or a viewport: GL answers until the next frame.
    for (int kind = 0; kind < 4; ++kind) {
        show_screen();
        draw_rect(0, 0, 50, 50, BLUE);
        both_ways({0, 0, 50, 50}, true);
        if (kind == 0) set_alpha_mode(-0.5), draw_sprite(SLOT, 3, 3), set_alpha_mode(0);
        if (kind == 1) draw_line(0, 0, 40, 30, WHITE);
        if (kind == 2) draw_sprite_part(SLOT, 0, 0, 10, 10, 5, 5, 20, 20);
        if (kind == 3) set_viewport(10, 10, 30, 30), draw_rect(0, 0, 5, 5, RED), set_viewport(0, 0, 0, 0);
        draw_rect(40, 40, 5, 5, GREEN);
        both_ways({0, 0, 50, 50}, false);
        show_screen();
        draw_rect(0, 0, 5, 5, RED);
        both_ways({0, 0, 8, 8}, true);
    }
    renderer_set_model_reads(false);
}

// A grab the record can answer (the pointer's mask, grabbed at start-up)
// must give the sprite a grab through GL gives, alpha and keying alike, in
// a frame with alpha and in one without; and must ask GL nothing.
TEST_F(Renderer, GrabsFromTheFramesRecordAreWhatGlGrabs) {
    struct AlphaBack {
        ~AlphaBack() {
            renderer_set_model_reads(false);
            RuntimeEnvironment::restart(true);
        }
    } alpha_back;
    for (bool window_alpha : {true, false}) {
        RuntimeEnvironment::restart(window_alpha);
        renderer_set_model_reads(true);
        // Alphas of every sort but those at the alpha test's edge.
        std::vector<uint8_t> texels = noise_rgba(16, 8, 5);
        for (size_t i = 3; i < texels.size(); i += 4) {
            const size_t alpha = i * 37 % 256;
            texels[i] = uint8_t(alpha == 12 ? 11 : alpha == 13 ? 14 : alpha);
        }
        sprite_from_rgba(SLOT, 16, 8, texels);
        show_screen();
        show_screen();   // drawn straight into the window from here on
        int width = 0, height = 0;
        renderer_screen_size(width, height);
        draw_rect(0, 0, width, height, rgb(20, 40, 60));
        draw_rect(5, 5, 20, 10, KEY_COLOUR);
        draw_rect(30, 2, 4, 4, KEY_COLOUR + 1);
        draw_pixel(0, 0, WHITE);
        draw_sprite(SLOT, 8, 3);
        const long reads = gfx_frame_reads();
        grab_sprite(SLOT + 1, -2, -1, 40, 24);
        EXPECT_EQ(gfx_frame_reads(), reads) << "answered by the record";
        renderer_set_model_reads(false);
        grab_sprite(SLOT + 2, -2, -1, 40, 24);
        EXPECT_GT(gfx_frame_reads(), reads);
        // Drawn blended over a colour, each alpha shows.
        show_screen();
        draw_rect(0, 0, 100, 30, rgb(200, 100, 50));
        set_alpha_mode(-1);
        draw_sprite(SLOT + 1, 0, 0);
        draw_sprite(SLOT + 2, 50, 0);
        set_alpha_mode(0);
        EXPECT_EQ(pixels(0, 0, 40, 24), pixels(50, 0, 40, 24)) << (window_alpha ? "with alpha" : "without alpha");
        EXPECT_NE(pixels(0, 0, 40, 24), std::vector<int>(40 * 24, rgb(200, 100, 50))) << "the grab shows";
    }
}

TEST_F(Renderer, SmallSpritesDrawnInTurnShareOneRun) {
    // Like the board: up and down tiles alternate, each a fan laid on unscaled.
    sprite_from_rgba(SLOT, 64, 64, noise_rgba(64, 64, 4));
    sprite_from_rgba(SLOT + 1, 64, 64, noise_rgba(64, 64, 5));
    const long before = gfx_draw_calls();
    for (int i = 0; i < 30; ++i) {
        const int x = 29 * (i % 10) + 8, y = 58 * (i / 10) + 16;
        polygon_begin(SLOT + i % 2);
        polygon_vertex(x + 29, y - 2, 29, -2, rgb(200, 100, 50));
        polygon_vertex(x - 2, y + 62, -2, 62, rgb(50, 200, 100));
        polygon_vertex(x + 62, y + 62, 62, 62, rgb(100, 50, 200));
        polygon_end();
        draw_sprite(SLOT + 1 - i % 2, 400 + i * 3, 300);
    }
    get_pixel(0, 0);
    EXPECT_EQ(gfx_draw_calls() - before, 1);
}

TEST_F(Renderer, LinesOfManyOpacitiesShareOneDrawCall) {
    const long before = gfx_draw_calls();
    for (int arm = 0; arm < 20; ++arm) {
        for (int k = 0; k < 10; ++k) {
            set_alpha_mode(k < 9 ? -0.1 * (k + 1) : 0.0);
            draw_line(100 + arm * 10, 100 + k * 5, 105 + arm * 10, 104 + k * 5, WHITE);
        }
    }
    get_pixel(0, 0);
    EXPECT_EQ(gfx_draw_calls() - before, 1);
    // The opaque newest segment ends white, the faintest one a tenth of white.
    EXPECT_EQ(get_pixel(105, 149), WHITE);
    EXPECT_TRUE(near_colour(get_pixel(100, 100), rgb(25, 25, 25), 2));
}

TEST_F(Renderer, AnOpaqueRectangleOverTheWholeScreenCoversWhatWasDrawnBefore) {
    // Drawn over earlier drawing, under later drawing, as the reference draws it.
    int SCREEN_W = 0, SCREEN_H = 0;
    renderer_screen_size(SCREEN_W, SCREEN_H);
    const int colour = rgb(20, 40, 60);
    std::vector<std::vector<int>> pictures;
    for (bool fast : {true, false}) {
        show_screen();
        renderer_set_fast_paths(fast);
        draw_rect(5, 5, 20, 20, RED);
        draw_rect(-3, -2, SCREEN_W + 10, SCREEN_H + 10, colour);
        draw_rect(10, 10, 5, 5, GREEN);
        pictures.push_back(pixels(0, 0, 40, 40));
        EXPECT_EQ(get_pixel(SCREEN_W - 1, SCREEN_H - 1), colour) << fast;
        EXPECT_EQ(get_pixel(6, 6), colour) << fast;
        EXPECT_EQ(get_pixel(12, 12), GREEN) << fast;
    }
    renderer_set_fast_paths(true);
    EXPECT_EQ(pictures[0], pictures[1]);
    // A see-through one, one in a smaller viewport and one short of the
    // screen are drawn as rectangles.
    show_screen();
    set_alpha_mode(-0.5);
    draw_rect(0, 0, SCREEN_W, SCREEN_H, WHITE);
    set_alpha_mode(0);
    EXPECT_TRUE(near_colour(get_pixel(3, 3), rgb(128, 128, 128), 2));
    set_viewport(0, 0, 100, 100);
    draw_rect(0, 0, SCREEN_W, SCREEN_H, RED);
    set_viewport(0, 0, 0, 0);
    EXPECT_EQ(get_pixel(99, 99), RED);
    EXPECT_NE(get_pixel(100, 100), RED);
    draw_rect(1, 0, SCREEN_W, SCREEN_H, GREEN);
    EXPECT_NE(get_pixel(0, 0), GREEN);
    EXPECT_EQ(get_pixel(1, 0), GREEN);
}

TEST_F(Renderer, LargeSpritesWithClearAreasDrawLikeAWholeQuad) {
    // A 200 x 150 frame with a clear 160 x 100 hole and one stray pixel in it.
    std::vector<uint8_t> frame = solid_rgba(200, 150, rgb(90, 160, 220));
    for (int y = 20; y < 120; ++y)
        for (int x = 20; x < 180; ++x) frame[size_t(y * 200 + x) * 4 + 3] = 0;
    frame[size_t(70 * 200 + 100) * 4 + 3] = 255;
    sprite_from_rgba(SLOT, 200, 150, frame);
    draw_rect(0, 0, 420, 160, rgb(30, 30, 30));
    draw_sprite(SLOT, 3, 5);
    draw_sprite_part(SLOT, 0, 0, 200, 150, 213, 5, 200, 150);  // one quad, nothing skipped
    EXPECT_EQ(pixels(3, 5, 200, 150), pixels(213, 5, 200, 150));
    EXPECT_EQ(get_pixel(103, 75), rgb(90, 160, 220));
    EXPECT_EQ(get_pixel(104, 75), rgb(30, 30, 30));
}

TEST_F(Renderer, TexelsBeyondTheImageStayClearWhateverWasLoadedBefore) {
    // Textures are filled from the image and a reused block of zeros; the
    // atlas page is never filled as a whole. Sampling past an image's edge,
    // in its own texture or its atlas copy, must still find nothing.
    sprite_from_rgba(SLOT, 300, 200, solid_rgba(300, 200, RED));
    sprite_from_rgba(SLOT + 1, 40, 30, solid_rgba(40, 30, GREEN));    // 64 x 32, with an atlas copy
    sprite_from_rgba(SLOT + 2, 300, 100, solid_rgba(300, 100, BLUE));  // 512 x 128
    const int back = rgb(10, 20, 30);
    for (bool fast : {true, false}) {
        renderer_set_fast_paths(fast);
        draw_rect(0, 0, 700, 300, back);
        draw_sprite_part(SLOT + 1, 0, 0, 64, 32, 10, 10, 64, 32);
        draw_sprite_part(SLOT + 2, 0, 0, 512, 128, 100, 60, 512, 128);
        EXPECT_EQ(get_pixel(10 + 39, 10 + 29), GREEN) << fast;
        EXPECT_EQ(get_pixel(10 + 40, 10), back) << fast;
        EXPECT_EQ(get_pixel(10 + 63, 10 + 31), back) << fast;
        EXPECT_EQ(get_pixel(100 + 299, 60 + 99), BLUE) << fast;
        EXPECT_EQ(get_pixel(100 + 300, 60), back) << fast;
        EXPECT_EQ(get_pixel(100, 60 + 100), back) << fast;
        EXPECT_EQ(get_pixel(100 + 511, 60 + 127), back) << fast;
    }
    renderer_set_fast_paths(true);
}

// ---------------------------------------------------------------- screenshot

TEST_F(Renderer, ScreenshotStoresTheFrame) {
    draw_rect(0, 0, 2, 1, RED);
    draw_rect(1023, 767, 1, 1, GREEN);
    const std::string file = path("shot.png");
    ASSERT_TRUE(gfx_save_screenshot(file));
    load_sprite("shot.png", SLOT);
    ASSERT_EQ(sprite_width(SLOT), 1024);
    ASSERT_EQ(sprite_height(SLOT), 768);
    show_screen();
    draw_sprite(SLOT, 0, 0);
    EXPECT_EQ(get_pixel(1, 0), RED);
    EXPECT_EQ(get_pixel(1023, 767), GREEN);
    EXPECT_FALSE(gfx_save_screenshot(path("no-such-folder/shot.png")));
}

TEST_F(Renderer, WithoutAStartupFontTheBuiltinFontIsFontZero) {
    // This program's folder has no smalfont.png or smalfont.bmp.
    EXPECT_EQ(sprite_width(FONT_SLOT_BASE), 128);
    EXPECT_EQ(sprite_height(FONT_SLOT_BASE), 64);
    set_font(0);
    double w = 0, h = 0;
    font_size(w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 8);
}

TEST_F(Renderer, OutOfRangeSlotsAreIgnored) {
    draw_sprite(-1, 0, 0);
    draw_sprite(SPRITE_SLOTS, 0, 0);
    load_sprite("nothing.png", -5);
    grab_sprite(SPRITE_SLOTS + 3, 0, 0, 4, 4);
    EXPECT_EQ(sprite_width(-1), 0);
    EXPECT_EQ(sprite_collision(-1, 0, 0, SPRITE_SLOTS, 0, 0), 0);
    EXPECT_TRUE(renderer_ready());
}

}  // namespace
