// The desktop icons: one RGBA picture for every hicolor size, each showing
// the emblem's four tile hues on a tile with transparent corners, and the
// small ones drawn for their pixel grid rather than shrunk from a big one.
#include "media_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

using media_test::load_png;
using media_test::media_built;
using media_test::media_dir;
using media_test::Picture;
using media_test::read_bytes;

namespace {

constexpr int ICON_SIZES[] = {16, 24, 32, 48, 64, 128, 256, 512};
constexpr int SMALL_SIZES[] = {16, 24, 32, 48};

Picture icon(int size) {
    Picture p;
    EXPECT_TRUE(load_png(media_dir() + "/wedgewise-" + std::to_string(size) + ".png", p)) << size;
    return p;
}

enum Hue { YELLOW, BLUE, MAGENTA, CYAN, OTHER };

// The hue of an opaque, saturated pixel by which of its channels stand high.
Hue hue_of(const uint8_t* p) {
    if (p[3] < 255) return OTHER;
    const int hi = std::max({p[0], p[1], p[2]}), lo = std::min({p[0], p[1], p[2]});
    if (hi - lo < 80) return OTHER;
    const int mid = lo + (hi - lo) / 2;
    const bool r = p[0] > mid, g = p[1] > mid, b = p[2] > mid;
    if (r && g && !b) return YELLOW;
    if (!r && !g && b) return BLUE;
    if (r && !g && b) return MAGENTA;
    if (!r && g && b) return CYAN;
    return OTHER;
}

// How many different colours a picture uses: a picture drawn with flat
// fills on its pixel grid needs few, one shrunk from a big picture mixes
// every edge and gradient into in-between colours.
size_t colours_used(const Picture& p) {
    std::set<uint32_t> seen;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* c = p.at(x, y);
            seen.insert(static_cast<uint32_t>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3]);
        }
    return seen.size();
}

// The big picture averaged down to size x size (straight alpha out).
Picture shrunk(const Picture& big, int size) {
    Picture out;
    out.width = out.height = size;
    out.has_alpha = true;
    out.rgba.assign(static_cast<size_t>(size) * size * 4, 0);
    const int f = big.width / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < f; ++dy)
                for (int dx = 0; dx < f; ++dx) {
                    const uint8_t* s = big.at(x * f + dx, y * f + dy);
                    for (int c = 0; c < 3; ++c) sum[c] += s[c] * s[3] / 255.0;
                    sum[3] += s[3];
                }
            uint8_t* d = &out.rgba[(static_cast<size_t>(y) * size + x) * 4];
            const double a = sum[3] / (f * f);
            d[3] = static_cast<uint8_t>(a + 0.5);
            for (int c = 0; c < 3; ++c) d[c] = a > 0 ? static_cast<uint8_t>(std::min(255.0, sum[c] / (f * f) * 255.0 / a + 0.5)) : 0;
        }
    return out;
}

}  // namespace

TEST(MediaIcons, EverySizeShowsTheEmblemOnATileWithTransparentCorners) {
    if (!media_built()) GTEST_SKIP() << "built with WEDGEWISE_MEDIA=OFF";
    for (int size : ICON_SIZES) {
        SCOPED_TRACE(size);
        Picture p = icon(size);
        ASSERT_EQ(p.width, size);
        ASSERT_EQ(p.height, size);
        EXPECT_TRUE(p.has_alpha);
        for (int corner : {0, size - 1}) {
            EXPECT_LT(p.at(corner, 0)[3], 64);
            EXPECT_LT(p.at(0, corner)[3], 64);
        }
        EXPECT_EQ(p.at(size / 2, size / 2)[3], 255);
        int count[OTHER + 1] = {};
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) ++count[hue_of(p.at(x, y))];
        const int area = size * size;
        for (int h : {YELLOW, BLUE, MAGENTA, CYAN}) EXPECT_GT(count[h], area / 40) << "hue " << h;
    }
    // The icon under the media's old name is the 128-pixel one.
    EXPECT_EQ(read_bytes(media_dir() + "/wedgewise.png"), read_bytes(media_dir() + "/wedgewise-128.png"));
}

TEST(MediaIcons, SmallSizesAreDrawnForTheirGridNotShrunkFromTheBigOne) {
    if (!media_built()) GTEST_SKIP() << "built with WEDGEWISE_MEDIA=OFF";
    const Picture big = icon(512);
    ASSERT_EQ(big.width, 512);
    for (int size : SMALL_SIZES) {
        SCOPED_TRACE(size);
        const Picture drawn = icon(size);
        ASSERT_EQ(drawn.width, size);
        const size_t drawn_colours = colours_used(drawn), shrunk_colours = colours_used(shrunk(big, size));
        EXPECT_LT(drawn_colours * 4, shrunk_colours * 3) << "drawn " << drawn_colours << ", shrunk " << shrunk_colours;
    }
}
