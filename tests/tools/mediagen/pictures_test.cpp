// The generated pictures against the play screen's fixed layout: names,
// sizes, key-colour transparency, hit masks on the real lattice, the font's
// measured widths and the digit overlap.
#include "media_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/play/level_names.h"
#include "tools/solver/solver.h"

using media_test::load_png;
using media_test::media_built;
using media_test::media_dir;
using media_test::Picture;

namespace {

#define REQUIRE_MEDIA()                                                  \
    do {                                                                 \
        if (!media_built()) GTEST_SKIP() << "built with WEDGEWISE_MEDIA=OFF"; \
    } while (0)

Picture load(const std::string& name) {
    Picture p;
    EXPECT_TRUE(load_png(media_dir() + "/" + name, p)) << name;
    return p;
}

// Counts non-key pixels in a rectangle (exclusive ends).
int solid_pixels(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += !p.key(x, y);
    return n;
}

// Inside test for a triangle with a margin (positive margin shrinks it).
bool inside(double ax, double ay, double bx, double by, double cx, double cy, double px, double py, double margin) {
    double pts[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
    double gx = (ax + bx + cx) / 3, gy = (ay + by + cy) / 3;
    for (int i = 0; i < 3; ++i) {
        double x0 = pts[i][0], y0 = pts[i][1], x1 = pts[(i + 1) % 3][0], y1 = pts[(i + 1) % 3][1];
        double nx = -(y1 - y0), ny = x1 - x0, len = std::hypot(nx, ny);
        nx /= len, ny /= len;
        if ((gx - x0) * nx + (gy - y0) * ny < 0) nx = -nx, ny = -ny;
        if ((px - x0) * nx + (py - y0) * ny < margin) return false;
    }
    return true;
}

struct Sheet { const char* name; int width, height, frame_w, frame_h, frames; bool keyed; };

// Every picture the game loads, with the frame size it is loaded with.
const Sheet SHEETS[] = {
    {"tiles.png", 118, 59, 59, 59, 2, true},       {"screen.png", 1024, 768, 0, 0, 1, true},
    {"scorenums.png", 0, 0, 64, 32, 20, true},     {"levelnames.png", 0, 0, 450, 50, 40, true},
    {"mouse.png", 0, 0, 0, 0, 1, true},            {"font.png", 0, 0, 32, 32, 60, true},
    {"practiles.png", 0, 0, 19, 19, 4, true},      {"bigtri1.png", 64, 64, 0, 0, 1, true},
    {"bigtri2.png", 64, 64, 0, 0, 1, true},        {"smtri.png", 0, 0, 0, 0, 1, true},
    {"bigtri3.png", 0, 0, 0, 0, 1, true},          {"bigtri4.png", 0, 0, 0, 0, 1, true},
    {"bigtri5.png", 0, 0, 0, 0, 1, true},          {"bigtri6.png", 0, 0, 0, 0, 1, true},
    {"prairie.png", 128, 128, 0, 0, 1, false},     {"colsframe.png", 99, 50, 0, 0, 1, true},
    {"colsarrows.png", 0, 0, 33, 30, 12, true},    {"logo1.png", 640, 0, 0, 0, 1, true},
    {"logo2.png", 640, 0, 0, 0, 1, true},          {"logo3.png", 36, 72, 0, 0, 1, false},
    {"logo4.png", 0, 0, 0, 0, 1, true},
};

TEST(MediaPictures, EveryPictureHasItsSizeAndFrames) {
    REQUIRE_MEDIA();
    for (const Sheet& s : SHEETS) {
        SCOPED_TRACE(s.name);
        Picture p = load(s.name);
        ASSERT_GT(p.width, 0);
        // The game's decoder keys only pictures without an alpha channel.
        EXPECT_FALSE(p.has_alpha);
        if (s.width) {
            EXPECT_EQ(p.width, s.width);
        }
        if (s.height) {
            EXPECT_EQ(p.height, s.height);
        }
        if (s.frame_w) {
            EXPECT_EQ(p.width % s.frame_w, 0);
            EXPECT_EQ(p.height % s.frame_h, 0);
            EXPECT_GE((p.width / s.frame_w) * (p.height / s.frame_h), s.frames);
        }
        if (s.keyed) {
            EXPECT_GT(solid_pixels(p, 0, 0, p.width, p.height), 0);
            EXPECT_GT(p.width * p.height - solid_pixels(p, 0, 0, p.width, p.height), 0) << "no transparent pixel";
        } else {
            EXPECT_EQ(solid_pixels(p, 0, 0, p.width, p.height), p.width * p.height) << "opaque tile has key pixels";
        }
    }
    Picture icon = load("wedgewise.png");
    EXPECT_TRUE(icon.has_alpha);
    EXPECT_EQ(icon.width, 128);
    EXPECT_EQ(icon.height, 128);
}

// ---------------------------------------------------------------- the frame picture

TEST(MediaPictures, ScreenLeavesThePuzzleWindowOpenButShowsTheButtons) {
    REQUIRE_MEDIA();
    Picture s = load("screen.png");
    ASSERT_EQ(s.width, 1024);
    // The window (3,3)-(769,667), apart from the two button hot spots.
    auto in_quit = [](int x, int y) { return x > 2 && x < 38 && y > 654 && y < 666; };
    auto in_pause = [](int x, int y) { return x > 721 && x < 769 && y > 654 && y < 666; };
    int stray = 0;
    for (int y = 3; y < 667; ++y)
        for (int x = 3; x < 769; ++x)
            if (!s.key(x, y) && !in_quit(x, y) && !in_pause(x, y)) ++stray;
    EXPECT_EQ(stray, 0) << "opaque pixels inside the puzzle window";
    EXPECT_GT(solid_pixels(s, 3, 655, 38, 666), 100) << "quit label";
    EXPECT_GT(solid_pixels(s, 722, 655, 769, 666), 150) << "pause label";
    // Everything outside the window is frame.
    int holes = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            if ((x < 3 || y < 3 || x >= 769 || y >= 667) && s.key(x, y)) ++holes;
    EXPECT_EQ(holes, 0);
}

// ---------------------------------------------------------------- cell masks on the lattice

struct CellShape { double ax, ay, bx, by, cx, cy; };
const CellShape UP = {29, 0, 0, 58, 58, 58};
const CellShape DOWN = {0, 0, 58, 0, 29, 58};

// Whether the mask of cell (x, y), placed at its box corner, is opaque at screen pixel (px, py).
bool mask_hit(const Picture& up, const Picture& down, int x, int y, int px, int py) {
    const Picture& m = (x + y) % 2 == 0 ? up : down;
    int mx = px - (29 * x + 8), my = py - (58 * y + 16);
    return mx >= 0 && my >= 0 && mx < m.width && my < m.height && !m.key(mx, my);
}

TEST(MediaPictures, ACellsCentroidHitsThatCellAndNoOther) {
    REQUIRE_MEDIA();
    Picture up = load("bigtri1.png"), down = load("bigtri2.png");
    ASSERT_GT(up.width, 0);
    ASSERT_GT(down.width, 0);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 25; ++x) {
            const CellShape& c = (x + y) % 2 == 0 ? UP : DOWN;
            int px = 29 * x + 8 + static_cast<int>((c.ax + c.bx + c.cx) / 3);
            int py = 58 * y + 16 + static_cast<int>((c.ay + c.by + c.cy) / 3);
            for (int ny = 0; ny < 11; ++ny)
                for (int nx = 0; nx < 25; ++nx)
                    EXPECT_EQ(mask_hit(up, down, nx, ny, px, py), nx == x && ny == y)
                        << "centroid of (" << x << "," << y << ") against cell (" << nx << "," << ny << ")";
        }
    }
}

TEST(MediaPictures, MasksCoverTheirWholeTriangleSoTheBoardHasNoDeadPixels) {
    REQUIRE_MEDIA();
    Picture up = load("bigtri1.png"), down = load("bigtri2.png");
    ASSERT_GT(up.width, 0);
    // Every pixel of a patch of board inside some cell's triangle (half a pixel in) hits that cell.
    for (int py = 58 * 2 + 16; py < 58 * 5 + 16; ++py) {
        for (int px = 29 * 3 + 8; px < 29 * 9 + 8; ++px) {
            for (int y = 1; y < 6; ++y) {
                for (int x = 2; x < 11; ++x) {
                    const CellShape& c = (x + y) % 2 == 0 ? UP : DOWN;
                    double lx = px + 0.5 - (29 * x + 8), ly = py + 0.5 - (58 * y + 16);
                    if (inside(c.ax, c.ay, c.bx, c.by, c.cx, c.cy, lx, ly, 0.5)) {
                        EXPECT_TRUE(mask_hit(up, down, x, y, px, py)) << px << "," << py << " cell " << x << "," << y;
                    }
                }
            }
        }
    }
    // No mask reaches more than two pixels beyond its triangle.
    for (const auto& [pic, c] : {std::pair{&up, UP}, {&down, DOWN}}) {
        for (int my = 0; my < pic->height; ++my)
            for (int mx = 0; mx < pic->width; ++mx)
                if (!pic->key(mx, my)) {
                    EXPECT_TRUE(inside(c.ax, c.ay, c.bx, c.by, c.cx, c.cy, mx + 0.5, my + 0.5, -2.0));
                }
    }
}

// Share of a picture's opaque pixels whose channels are all at least 200.
double bright_share(const Picture& p) {
    int solid = 0, bright = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (p.key(x, y)) continue;
            ++solid;
            const uint8_t* c = p.at(x, y);
            bright += std::min({c[0], c[1], c[2]}) >= 200;
        }
    return solid ? double(bright) / solid : 0;
}

TEST(MediaPictures, TileTexturesAreBrightAndCoverTheirPolygons) {
    REQUIRE_MEDIA();
    struct Tex { const char* name; CellShape t; };
    // Triangles the game draws with each texture (vertex offsets = texture pixels).
    const Tex textures[] = {
        {"bigtri1.png", UP},
        {"bigtri2.png", DOWN},
        {"smtri.png", {20, 0, 0, 40, 40, 40}},
        {"bigtri3.png", {2, -2, 13, 68, 63, 19}},
        {"bigtri4.png", {17, -2, 0, 68, 65, 43}},
        {"bigtri5.png", {59, -2, 0, 19, 50, 68}},
        {"bigtri6.png", {45, -2, -3, 45, 62, 68}},
    };
    for (const Tex& t : textures) {
        SCOPED_TRACE(t.name);
        Picture p = load(t.name);
        ASSERT_GT(p.width, 0);
        EXPECT_GT(bright_share(p), 0.75);
        int missing = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (inside(t.t.ax, t.t.ay, t.t.bx, t.t.by, t.t.cx, t.t.cy, x + 0.5, y + 0.5, 0.5) && p.key(x, y))
                    ++missing;
        EXPECT_EQ(missing, 0);
        // The far vertices of the triangle lie inside the picture.
        EXPECT_GT(p.width, static_cast<int>(std::max({t.t.ax, t.t.bx, t.t.cx})) - 1);
        EXPECT_GT(p.height, static_cast<int>(std::max({t.t.ay, t.t.by, t.t.cy})) - 1);
    }
}

TEST(MediaPictures, StoreSlotMaskHitsOnlyItsOwnSlot) {
    REQUIRE_MEDIA();
    Picture m = load("smtri.png");
    ASSERT_GT(m.width, 0);
    // Slot boxes are 49 x 48 apart; a mask wider or taller than that would overlap its neighbour.
    EXPECT_LE(m.width, 49);
    EXPECT_LE(m.height, 48);
    EXPECT_FALSE(m.key(20, 26)) << "slot centre";
}

// ---------------------------------------------------------------- sockets and miniatures

TEST(MediaPictures, SocketsAndMiniaturesAreTrianglesOfTheRightWay) {
    REQUIRE_MEDIA();
    Picture t = load("tiles.png");
    ASSERT_EQ(t.width, 118);
    // Up socket: apex at the top; down socket: apex at the bottom.
    EXPECT_FALSE(t.key(29, 2));
    EXPECT_TRUE(t.key(3, 2));
    EXPECT_FALSE(t.key(3, 56));
    EXPECT_FALSE(t.key(59 + 3, 2));
    EXPECT_TRUE(t.key(59 + 3, 56));
    EXPECT_FALSE(t.key(59 + 29, 56));
    Picture p = load("practiles.png");
    ASSERT_GE(p.width, 76);
    for (int f = 0; f < 4; ++f) {
        bool up = f % 2 == 0;
        EXPECT_FALSE(p.key(19 * f + 9, up ? 13 : 5)) << "frame " << f;
        EXPECT_TRUE(p.key(19 * f + 1, up ? 2 : 16)) << "frame " << f;
    }
    // The first-tile frames differ from the empty ones.
    EXPECT_NE(std::vector<uint8_t>(p.at(9, 13), p.at(9, 13) + 3), std::vector<uint8_t>(p.at(38 + 9, 13), p.at(38 + 9, 13) + 3));
}

// ---------------------------------------------------------------- font

// The game's width scan: columns 31 down to 1, rows 0..30; width = column + 3.
int measured_width(const Picture& f, int glyph) {
    int fx = (glyph % (f.width / 32)) * 32, fy = (glyph / (f.width / 32)) * 32;
    for (int x = 31; x > 0; --x)
        for (int y = 0; y <= 30; ++y)
            if (!f.key(fx + x, fy + y)) return x + 3;
    return 3;
}

TEST(MediaPictures, FontGlyphsAreLeftAlignedAndMeasureSensibly) {
    REQUIRE_MEDIA();
    Picture f = load("font.png");
    ASSERT_GT(f.width, 0);
    const int per_row = f.width / 32;
    for (int g = 0; g < 60; ++g) {
        SCOPED_TRACE(std::string("glyph '") + static_cast<char>(32 + g) + "'");
        int fx = (g % per_row) * 32, fy = (g / per_row) * 32;
        int pixels = solid_pixels(f, fx, fy, fx + 32, fy + 32);
        if (g == 0) {
            EXPECT_EQ(pixels, 0) << "the space is blank";
            continue;
        }
        EXPECT_GT(pixels, 0);
        EXPECT_EQ(solid_pixels(f, fx, fy + 31, fx + 32, fy + 32), 0) << "row 31 is outside the measured rows";
        int left = 32;
        for (int x = 0; x < 32 && left == 32; ++x)
            if (solid_pixels(f, fx + x, fy, fx + x + 1, fy + 31)) left = x;
        EXPECT_LE(left, 1) << "glyph does not start at the left edge";
        EXPECT_GE(measured_width(f, g), 8);
    }
    EXPECT_LT(measured_width(f, 'I' - 32), measured_width(f, 'W' - 32));
    EXPECT_LT(measured_width(f, '.' - 32), measured_width(f, 'M' - 32));
}

// ---------------------------------------------------------------- digits

TEST(MediaPictures, DigitsStayInsideTheirPitchAndAreAllDifferent) {
    REQUIRE_MEDIA();
    Picture d = load("scorenums.png");
    ASSERT_GT(d.width, 0);
    const int per_row = d.width / 64;
    std::set<std::vector<uint8_t>> seen;
    for (int f = 0; f < 20; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        int fx = (f % per_row) * 64, fy = (f / per_row) * 32;
        // Drawn 46 apart: the next digit covers columns 46..63, so they hold nothing.
        EXPECT_EQ(solid_pixels(d, fx + 46, fy, fx + 64, fy + 32), 0);
        int amber = 0;
        std::vector<uint8_t> face;
        for (int y = fy; y < fy + 32; ++y)
            for (int x = fx; x < fx + 46; ++x) {
                const uint8_t* c = d.at(x, y);
                amber += c[0] > 200 && c[1] > 100 && c[2] < 150;
                face.insert(face.end(), c, c + 3);
            }
        EXPECT_GT(amber, 30) << "lit segments";
        if (f < 10) seen.insert(face);
    }
    EXPECT_EQ(seen.size(), 10u) << "ten distinct digits";
}

// ---------------------------------------------------------------- level names

// Board-area pixels (x, y) a level's name picture inks, at its frame position.
std::vector<std::pair<int, int>> name_ink(const Picture& names, int level) {
    const LevelName& name = LEVEL_NAMES[level - 1];
    int per_row = names.width / LEVEL_NAME_W;
    int fx = ((level - 1) % per_row) * LEVEL_NAME_W, fy = ((level - 1) / per_row) * LEVEL_NAME_H;
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < LEVEL_NAME_H; ++y)
        for (int x = 0; x < LEVEL_NAME_W; ++x)
            if (!names.key(fx + x, fy + y)) ink.emplace_back(name.x + x, name.y + y);
    return ink;
}

// Whether the tile a cell holds once filled covers a board-area pixel: the
// tile overhangs its box (offsets -2 to 62), so it hides more than the
// empty socket does and is the shape a name has to stay clear of.
bool tile_covers(int cx, int cy, int px, int py) {
    double bx = 29.0 * cx, by = 58.0 * cy, x = px + 0.5, y = py + 0.5;
    if ((cx + cy) % 2 == 0) return inside(bx + 29, by - 2, bx - 2, by + 62, bx + 62, by + 62, x, y, 0);
    return inside(bx - 2, by - 2, bx + 62, by - 2, bx + 29, by + 62, x, y, 0);
}

// The puzzle cells of a level (first tile included) that cover any of the ink.
std::set<std::pair<int, int>> cells_over(const LevelShape& shape, const std::vector<std::pair<int, int>>& ink) {
    std::vector<std::pair<int, int>> cells = shape.spaces;
    cells.emplace_back(shape.first_x, shape.first_y);
    std::set<std::pair<int, int>> over;
    for (auto [cx, cy] : cells)
        for (auto [px, py] : ink)
            if (tile_covers(cx, cy, px, py)) {
                over.insert({cx, cy});
                break;
            }
    return over;
}

TEST(MediaPictures, LevelNamesAreDistinctReadableAndInsideTheirLetterBoxes) {
    REQUIRE_MEDIA();
    Picture n = load("levelnames.png");
    ASSERT_EQ(n.width % LEVEL_NAME_W, 0);
    ASSERT_EQ(n.width / LEVEL_NAME_W * (n.height / LEVEL_NAME_H), NAMED_LEVELS);
    std::set<std::vector<uint8_t>> seen;
    std::set<std::string> texts;
    double mean[NAMED_LEVELS][3] = {};
    int per_row = n.width / LEVEL_NAME_W;
    for (int f = 0; f < NAMED_LEVELS; ++f) {
        SCOPED_TRACE("level " + std::to_string(f + 1));
        const LevelName& name = LEVEL_NAMES[f];
        texts.insert(name.text);
        EXPECT_GE(name.ink_x, 0);
        EXPECT_GE(name.ink_y, 0);
        EXPECT_LE(name.ink_x + name.ink_w, LEVEL_NAME_W);
        EXPECT_LE(name.ink_y + name.ink_h, LEVEL_NAME_H);
        int fx = (f % per_row) * LEVEL_NAME_W, fy = (f / per_row) * LEVEL_NAME_H;
        int left = LEVEL_NAME_W, right = -1, top = LEVEL_NAME_H, bottom = -1, fill = 0, outside = 0;
        std::vector<uint8_t> face;
        for (int y = 0; y < LEVEL_NAME_H; ++y)
            for (int x = 0; x < LEVEL_NAME_W; ++x) {
                face.push_back(n.key(fx + x, fy + y));
                if (n.key(fx + x, fy + y)) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                if (x < name.ink_x || x >= name.ink_x + name.ink_w || y < name.ink_y || y >= name.ink_y + name.ink_h)
                    ++outside;
                const uint8_t* c = n.at(fx + x, fy + y);
                if (c[0] + c[1] + c[2] < 300) continue;  // outline and shadow
                ++fill;
                for (int k = 0; k < 3; ++k) mean[f][k] += c[k];
            }
        ASSERT_GE(right, 0) << "empty name";
        ASSERT_GT(fill, 0);
        for (double& v : mean[f]) v /= fill;
        EXPECT_EQ(outside, 0) << "ink outside the letter box";
        EXPECT_LT(name.x + right, LEVEL_NAME_VISIBLE_RIGHT) << "name runs under the store panel";
        // Letters of at least 16 rows (outline and shadow included) still read at a glance.
        EXPECT_GE(bottom - top + 1, 16) << "letters too small to read";
        // The letters fill most of their box, so the box says where they are.
        EXPECT_GE(right - left + 1, name.ink_w * 3 / 5);
        seen.insert(face);
    }
    EXPECT_EQ(seen.size(), 40u) << "every level has its own name picture";
    EXPECT_EQ(texts.size(), 40u) << "every level has its own name";
    // Each chapter has its own colour: names of one chapter are close, chapters far apart.
    auto distance = [&](int a, int b) {
        return std::hypot(mean[a][0] - mean[b][0], mean[a][1] - mean[b][1], mean[a][2] - mean[b][2]);
    };
    for (int a = 0; a < 40; ++a)
        for (int b = a + 1; b < 40; ++b) {
            if (a / 10 == b / 10) {
                EXPECT_LT(distance(a, b), 25) << a + 1 << " and " << b + 1;
            } else {
                EXPECT_GT(distance(a, b), 25) << a + 1 << " and " << b + 1;
            }
        }
}

TEST(MediaPictures, NoPuzzleCellCoversItsLevelsName) {
    REQUIRE_MEDIA();
    Picture n = load("levelnames.png");
    ASSERT_EQ(n.width % LEVEL_NAME_W, 0);
    for (int lvl = 1; lvl <= NAMED_LEVELS; ++lvl) {
        SCOPED_TRACE("level " + std::to_string(lvl) + " " + LEVEL_NAMES[lvl - 1].text);
        std::vector<std::pair<int, int>> ink = name_ink(n, lvl);
        ASSERT_FALSE(ink.empty());
        LevelShape shape = read_level_shape(lvl);
        std::set<std::pair<int, int>> over = cells_over(shape, ink);
        for (auto [x, y] : over) ADD_FAILURE() << "cell (" << x << "," << y << ") covers the name";
        // The check sees a cover: a space laid on the name's first inked
        // pixel is caught.
        auto [px, py] = ink.front();
        LevelShape covered = shape;
        int cy = py / 58, cx = std::max(0, px / 29 - 1);
        while (cx < 25 && !tile_covers(cx, cy, px, py)) ++cx;
        ASSERT_LT(cx, 25);
        covered.spaces.emplace_back(cx, cy);
        EXPECT_EQ(cells_over(covered, ink).count({cx, cy}), 1u);
    }
}

// ---------------------------------------------------------------- pointer, editor, title

TEST(MediaPictures, PointerTipSitsAtFiveFive) {
    REQUIRE_MEDIA();
    Picture m = load("mouse.png");
    ASSERT_GT(m.width, 6);
    EXPECT_FALSE(m.key(5, 5));
    EXPECT_EQ(solid_pixels(m, 0, 0, 3, 3), 0);
    EXPECT_TRUE(m.key(m.width - 1, 0));
}

TEST(MediaPictures, ColourEditorFrameShowsTheSwatchAndArrowsPointTheRightWay) {
    REQUIRE_MEDIA();
    Picture f = load("colsframe.png");
    ASSERT_EQ(f.width, 99);
    // The swatch (87 x 38 at offset 6, 6) is drawn after the frame; the border surrounds it.
    EXPECT_EQ(solid_pixels(f, 6, 6, 93, 44), 0);
    EXPECT_GT(solid_pixels(f, 0, 0, 99, 6), 99 * 4);
    EXPECT_GT(solid_pixels(f, 0, 44, 99, 50), 99 * 4);
    Picture a = load("colsarrows.png");
    ASSERT_GT(a.width, 0);
    const int per_row = a.width / 33;
    for (int k = 0; k < 12; ++k) {
        int fx = (k % per_row) * 33, fy = (k / per_row) * 30;
        int top = solid_pixels(a, fx, fy, fx + 33, fy + 10), bottom = solid_pixels(a, fx, fy + 20, fx + 33, fy + 30);
        bool up = (k / 3) % 2 == 0;
        EXPECT_EQ(up, bottom > top) << "frame " << k;  // an up arrow is wide at the bottom
    }
    // Limit frames are dim beside the live ones.
    auto brightness = [&](int k) {
        int fx = (k % per_row) * 33 + 16, fy = (k / per_row) * 30 + 18;
        const uint8_t* c = a.at(fx, fy);
        return c[0] + c[1] + c[2];
    };
    for (int k = 0; k < 6; ++k) EXPECT_NE(brightness(k), brightness(k + 6));
}

TEST(MediaPictures, TitleLayersLeaveRoomForTheSpinningTriangles) {
    REQUIRE_MEDIA();
    Picture front = load("logo2.png");
    ASSERT_EQ(front.width, 640);
    // Triangles centred at (358, 190) and (672, 120) on screen, radius 100; the logo sits at x 192.
    for (auto [cx, cy] : {std::pair{166, 190}, {480, 120}}) {
        int open = 0, total = 0;
        for (int y = cy - 60; y <= cy + 60; ++y)
            for (int x = cx - 60; x <= cx + 60; ++x) {
                if (std::hypot(x - cx, y - cy) > 60 || y < 0 || y >= front.height) continue;
                ++total;
                open += front.key(x, y);
            }
        EXPECT_GT(open, total / 3) << "triangle at " << cx << "," << cy << " hidden";
    }
    Picture intro = load("logo4.png");
    EXPECT_LE(30 + intro.height, 125) << "the intro picture runs into the credit lines at y 135";
    EXPECT_LE(intro.width, 1024 - 245);
}

// Mean colour difference between two columns (or rows) of an opaque tile.
double line_difference(const Picture& p, bool columns, int a, int b) {
    double sum = 0;
    int n = columns ? p.height : p.width;
    for (int i = 0; i < n; ++i) {
        const uint8_t* c1 = columns ? p.at(a, i) : p.at(i, a);
        const uint8_t* c2 = columns ? p.at(b, i) : p.at(i, b);
        for (int k = 0; k < 3; ++k) sum += std::abs(c1[k] - c2[k]);
    }
    return sum / n;
}

TEST(MediaPictures, RepeatingTilesHaveNoVisibleSeams) {
    REQUIRE_MEDIA();
    for (const char* name : {"prairie.png", "logo3.png"}) {
        SCOPED_TRACE(name);
        Picture p = load(name);
        ASSERT_GT(p.width, 2);
        // The wrap-around step may be no harsher than the roughest step inside the tile.
        double worst_col = 0, worst_row = 0;
        for (int x = 0; x + 1 < p.width; ++x) worst_col = std::max(worst_col, line_difference(p, true, x, x + 1));
        for (int y = 0; y + 1 < p.height; ++y) worst_row = std::max(worst_row, line_difference(p, false, y, y + 1));
        EXPECT_LE(line_difference(p, true, p.width - 1, 0), worst_col + 1.0);
        EXPECT_LE(line_difference(p, false, p.height - 1, 0), worst_row + 1.0);
    }
}

}  // namespace
