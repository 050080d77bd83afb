// Image decoding from memory, the transparent-block map and the collision
// scan, checked without drawing anything.
#include "tests/runtime/gfx/gfx_test_support.h"

#include "runtime/gfx/image_internal.h"

using namespace gfxtest;

namespace {

constexpr int RED = rgb(255, 0, 0);
constexpr int GREEN = rgb(0, 255, 0);
constexpr int BLUE = rgb(0, 0, 255);

// The decoded pixel at (x, y) as packed colour and alpha.
int colour_at(const DecodedImage& image, int x, int y) {
    const uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
    return p[0] | (p[1] << 8) | (p[2] << 16);
}
int alpha_at(const DecodedImage& image, int x, int y) {
    return image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4 + 3];
}

// ---------------------------------------------------------------- BMP

TEST(Decode, BmpPalettesOfEveryDepthAndBothRowOrders) {
    const std::vector<int> palette = {RED, GREEN, BLUE, KEY_COLOUR};
    for (int bits : {1, 4, 8}) {
        for (bool top_down : {false, true}) {
            // 9 x 2 so rows need padding and a byte holds several pixels.
            std::vector<int> indices(18);
            for (int i = 0; i < 18; ++i) indices[size_t(i)] = (i * 5 + i / 9) % (bits == 1 ? 2 : 4);
            const std::vector<int> used(palette.begin(), palette.begin() + (bits == 1 ? 2 : 4));
            const std::vector<uint8_t> bmp = encode_bmp(9, 2, bits, indices, used, top_down);
            DecodedImage image;
            ASSERT_TRUE(decode_bmp(bmp.data(), bmp.size(), KEY_COLOUR, image)) << bits;
            ASSERT_EQ(image.width, 9);
            ASSERT_EQ(image.height, 2);
            for (int i = 0; i < 18; ++i) {
                const int expected = palette[size_t(indices[size_t(i)])];
                const bool keyed = expected == KEY_COLOUR;
                EXPECT_EQ(colour_at(image, i % 9, i / 9), keyed ? 0 : expected) << bits << " bits, pixel " << i;
                EXPECT_EQ(alpha_at(image, i % 9, i / 9), keyed ? 0 : 255);
            }
        }
    }
}

TEST(Decode, BmpKeyIsTheGivenColourOrNone) {
    const std::vector<uint8_t> bmp = encode_bmp(2, 1, 24, {0, KEY_COLOUR});
    DecodedImage image;
    ASSERT_TRUE(decode_bmp(bmp.data(), bmp.size(), 0, image));
    EXPECT_EQ(alpha_at(image, 0, 0), 0) << "black is the fonts' key";
    EXPECT_EQ(alpha_at(image, 1, 0), 255);
    ASSERT_TRUE(decode_bmp(bmp.data(), bmp.size(), -1, image));
    EXPECT_EQ(alpha_at(image, 0, 0), 255);
    EXPECT_EQ(alpha_at(image, 1, 0), 255);
}

TEST(Decode, BmpHeadersThatLieAreRefused) {
    const std::vector<uint8_t> good = encode_bmp(4, 4, 24, std::vector<int>(16, RED));
    DecodedImage image;
    ASSERT_TRUE(decode_bmp(good.data(), good.size(), KEY_COLOUR, image));
    auto refused = [&](std::vector<uint8_t> bytes) {
        DecodedImage out;
        return !decode_bmp(bytes.data(), bytes.size(), KEY_COLOUR, out) && out.rgba.empty();
    };
    std::vector<uint8_t> bad = good;
    bad[28] = 16;  // 16-bit pixels are not taken
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[30] = 1;  // compressed
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[10] = 0xF0;  // pixel data past the end
    bad[11] = 0xFF;
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[18] = 0;  // zero width
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad[25] = 0x40;  // 1 G rows
    EXPECT_TRUE(refused(bad));
    EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + 20)));
    EXPECT_TRUE(refused({'B', 'M'}));
}

// ---------------------------------------------------------------- PNG

TEST(Decode, PngPaletteTransparencyBecomesAlphaAndIsNotKeyed) {
    PngLayout layout;
    layout.width = 3;
    layout.colour_type = PNG_COLOR_TYPE_PALETTE;
    layout.palette = {{255, 0, 128}, {0, 255, 0}, {0, 0, 255}};
    layout.trns_alpha = {255, 0, 128};
    layout.data = {0, 1, 2};
    const std::vector<uint8_t> png = encode_png(layout);
    DecodedImage image;
    ASSERT_TRUE(decode_png(png.data(), png.size(), KEY_COLOUR, "p.png", image));
    EXPECT_EQ(colour_at(image, 0, 0), KEY_COLOUR) << "with alpha, the key is a colour";
    EXPECT_EQ(alpha_at(image, 0, 0), 255);
    EXPECT_EQ(alpha_at(image, 1, 0), 0);
    EXPECT_EQ(alpha_at(image, 2, 0), 128);
}

TEST(Decode, PngGreyWithTransparencyIsUnsupported) {
    PngLayout layout;
    layout.colour_type = PNG_COLOR_TYPE_GRAY;
    layout.trns_grey = true;
    layout.data = {0};
    const std::vector<uint8_t> png = encode_png(layout);
    DecodedImage image;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(decode_png(png.data(), png.size(), KEY_COLOUR, "g.png", image));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "File g.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");
}

TEST(Decode, PngInterlacedDecodesLikeAPlainOne) {
    std::vector<int> colours(9 * 7);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = rgb(int(i) * 4, 255 - int(i) * 3, int(i) % 7 * 30);
    const std::vector<uint8_t> plain = png_from_colours(9, 7, colours);
    // Same pixels, Adam7 interlacing.
    std::vector<uint8_t> interlaced;
    {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(
            png, &interlaced,
            [](png_structp p, png_bytep bytes, png_size_t n) {
                auto* o = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
                o->insert(o->end(), bytes, bytes + n);
            },
            nullptr);
        png_set_IHDR(png, info, 9, 7, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<uint8_t> rgb_rows;
        for (int c : colours) rgb_rows.insert(rgb_rows.end(), {uint8_t(red_of(c)), uint8_t(green_of(c)), uint8_t(blue_of(c))});
        std::vector<png_bytep> rows;
        for (int y = 0; y < 7; ++y) rows.push_back(rgb_rows.data() + y * 27);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
    }
    DecodedImage a, b;
    ASSERT_TRUE(decode_png(plain.data(), plain.size(), KEY_COLOUR, "a", a));
    ASSERT_TRUE(decode_png(interlaced.data(), interlaced.size(), KEY_COLOUR, "b", b));
    EXPECT_EQ(a.rgba, b.rgba);
}

TEST(Decode, ImagesTryBmpThenPng) {
    const std::vector<uint8_t> png = png_from_colours(1, 1, {GREEN});
    const std::vector<uint8_t> bmp = encode_bmp(1, 1, 24, {BLUE});
    DecodedImage image;
    ASSERT_TRUE(decode_image(png.data(), png.size(), KEY_COLOUR, "x", image));
    EXPECT_EQ(colour_at(image, 0, 0), GREEN);
    ASSERT_TRUE(decode_image(bmp.data(), bmp.size(), KEY_COLOUR, "x", image));
    EXPECT_EQ(colour_at(image, 0, 0), BLUE);
    const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(decode_image(text.data(), text.size(), KEY_COLOUR, "x", image));
    EXPECT_FALSE(decode_image(nullptr, 0, KEY_COLOUR, "x", image));
}

TEST(Decode, ImagesLargerThanTheGameCouldShowAreRefused) {
    DecodedImage image;
    // A tiny file that would decode to 64 M pixels: one-bit grey, all zero.
    PngLayout huge;
    huge.width = huge.height = 8192;
    huge.colour_type = PNG_COLOR_TYPE_GRAY;
    huge.bit_depth = 1;
    huge.data.assign(size_t(huge.width / 8) * size_t(huge.height), 0);
    const std::vector<uint8_t> tiny = encode_png(huge);
    ASSERT_FALSE(tiny.empty());
    EXPECT_LT(tiny.size(), 100000u);
    EXPECT_FALSE(decode_png(tiny.data(), tiny.size(), KEY_COLOUR, "huge.png", image));
    EXPECT_TRUE(image.rgba.empty());
    // The cap is the side: 4096 is taken, one more is not, either way round.
    const std::vector<uint8_t> widest = png_from_colours(IMAGE_MAX_SIDE, 1, std::vector<int>(IMAGE_MAX_SIDE, RED));
    ASSERT_TRUE(decode_png(widest.data(), widest.size(), KEY_COLOUR, "x", image));
    EXPECT_EQ(image.width, 4096);
    for (const auto& size : {std::pair{IMAGE_MAX_SIDE + 1, 1}, std::pair{1, IMAGE_MAX_SIDE + 1}}) {
        const std::vector<int> colours(size_t(size.first) * size_t(size.second), RED);
        const std::vector<uint8_t> png = png_from_colours(size.first, size.second, colours);
        const std::vector<uint8_t> bmp = encode_bmp(size.first, size.second, 24, colours);
        EXPECT_FALSE(decode_image(png.data(), png.size(), KEY_COLOUR, "x", image)) << size.first;
        EXPECT_FALSE(decode_image(bmp.data(), bmp.size(), KEY_COLOUR, "x", image)) << size.first;
    }
}

// ---------------------------------------------------------------- sizes and blocks

TEST(Blocks, TextureSidesArePowersOfTwoAboveAMinimum) {
    EXPECT_EQ(power_of_two_at_least(1, 2), 2);
    EXPECT_EQ(power_of_two_at_least(2, 2), 2);
    EXPECT_EQ(power_of_two_at_least(3, 2), 4);
    EXPECT_EQ(power_of_two_at_least(1024, 2), 1024);
    EXPECT_EQ(power_of_two_at_least(1025, 2), 2048);
    EXPECT_EQ(power_of_two_at_least(5, 32), 32);
    EXPECT_EQ(power_of_two_at_least(33, 32), 64);
}

TEST(Blocks, SpansCoverExactlyTheUsedBlocksAndMergeRepeats) {
    // 48 x 48 = 3 x 3 blocks. Used: the top row (solid), the middle row's
    // left and right blocks (half transparent), nothing in the bottom row
    // except one pixel in the middle block.
    const int size = 48;
    std::vector<uint8_t> rgba(size * size * 4, 0);
    auto set_alpha = [&](int x, int y, uint8_t a) { rgba[size_t(y * size + x) * 4 + 3] = a; };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x) set_alpha(x, y, 255);
    for (int y = 16; y < 32; ++y)
        for (int x : {3, 40}) set_alpha(x, y, 9);
    set_alpha(20, 45, 1);
    const BlockMap map = build_block_map(rgba.data(), size, size, size);
    EXPECT_FALSE(map.all_used);
    EXPECT_FALSE(map.all_solid);
    std::vector<SourceSpan> spans;
    used_spans(map, 0, 0, 48, 48, spans);
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_TRUE(spans[0].x == 0 && spans[0].y == 0 && spans[0].width == 48 && spans[0].height == 16 && spans[0].solid);
    EXPECT_TRUE(spans[1].x == 0 && spans[1].y == 16 && spans[1].width == 16 && spans[1].height == 16 && !spans[1].solid);
    EXPECT_TRUE(spans[2].x == 32 && spans[2].y == 16 && spans[2].width == 16 && !spans[2].solid);
    EXPECT_TRUE(spans[3].x == 16 && spans[3].y == 32 && spans[3].width == 16 && spans[3].height == 16);

    // A source rectangle inside clips the spans; repeated rows merge.
    spans.clear();
    used_spans(map, 5, 20, 40, 10, spans);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_TRUE(spans[0].x == 5 && spans[0].y == 20 && spans[0].width == 11 && spans[0].height == 10);
    EXPECT_TRUE(spans[1].x == 32 && spans[1].y == 20 && spans[1].width == 13 && spans[1].height == 10);

    // Two equal block rows become one span.
    std::vector<uint8_t> bars(32 * 32 * 4, 0);
    for (int y = 0; y < 32; ++y) bars[size_t(y * 32 + 2) * 4 + 3] = 255;
    const BlockMap bar_map = build_block_map(bars.data(), 32, 32, 32);
    spans.clear();
    used_spans(bar_map, 0, 0, 32, 32, spans);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].height, 32);
    EXPECT_EQ(spans[0].width, 16);
}

TEST(Blocks, FullyOpaqueImagesAreOneSolidSpan) {
    const std::vector<uint8_t> rgba = solid_rgba(40, 20, RED);
    const BlockMap map = build_block_map(rgba.data(), 40, 20, 40);
    EXPECT_TRUE(map.all_used);
    EXPECT_TRUE(map.all_solid);
    std::vector<SourceSpan> spans;
    used_spans(map, 3, 4, 30, 10, spans);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_TRUE(spans[0].x == 3 && spans[0].y == 4 && spans[0].width == 30 && spans[0].height == 10 && spans[0].solid);
}

// ---------------------------------------------------------------- collision scan

TEST(Collision, OnlyPixelsOpaqueInBothCount) {
    // a: 3 x 2, opaque only at (2, 1). b: 2 x 2, opaque only at (0, 0).
    const uint8_t a_mask[] = {0, 0, 0, 0,   //
                              0, 0, 5, 0};  // texture 4 wide
    const uint8_t b_mask[] = {1, 0,  //
                              0, 0};
    const AlphaMask ma{a_mask, 4}, mb{b_mask, 2};
    EXPECT_EQ(masks_overlap(ma, 10, 10, 3, 2, mb, 12, 11, 2, 2), 1);
    EXPECT_EQ(masks_overlap(ma, 10, 10, 3, 2, mb, 11, 11, 2, 2), 0);
    EXPECT_EQ(masks_overlap(ma, 10, 10, 3, 2, mb, 13, 11, 2, 2), 0) << "touching rectangles do not overlap";
    EXPECT_EQ(masks_overlap(ma, -5, -7, 3, 2, mb, -3, -6, 2, 2), 1) << "negative places work alike";
    EXPECT_EQ(masks_overlap(ma, 10, 10, 0, 0, mb, 10, 10, 2, 2), 0);
}

TEST(Collision, EveryParityOfRowAndColumnIsScanned) {
    // A 5 x 5 full mask against a single opaque pixel at each position.
    const std::vector<uint8_t> full(25, 255);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            std::vector<uint8_t> one(25, 0);
            one[size_t(y * 5 + x)] = 255;
            EXPECT_EQ(masks_overlap({full.data(), 5}, 1, 2, 5, 5, {one.data(), 5}, 1, 2, 5, 5), 1) << x << "," << y;
            EXPECT_EQ(masks_overlap({one.data(), 5}, 0, 0, 5, 5, {one.data(), 5}, 1, 0, 5, 5), 0);
        }
    }
}

}  // namespace
