#include "tests/desktop/picture.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/desktop/live_game.h"
#include "tests/desktop/moves.h"

namespace desktop {

namespace {

// Filtering blends neighbouring frame pixels: a screen pixel lies inside
// their range, give or take rounding.
constexpr int CHANNEL_SLACK = 6;
constexpr int BLACK_LIMIT = 8;
constexpr int SAMPLE_STEP = 3;
constexpr int CONTROL_SHIFT = 4;
constexpr int POINTER_BOX = 24;   // the drawn pointer lies inside this square round its spot
constexpr int POINTER_SPOT = 5;
// The servers show a presented frame a moment later: the screen is read
// until it shows the frame, or for this long.
constexpr auto SHOWN_WITHIN = std::chrono::seconds(10);
constexpr auto SHOWN_POLL = std::chrono::milliseconds(20);
constexpr double PICTURE_MATCH = 0.97;
constexpr double CONTROL_MARGIN = 0.03;

int channel(uint32_t rgb, int c) { return int(rgb >> (16 - 8 * c)) & 0xFF; }

uint32_t frame_rgb(int packed) {
    const uint32_t p = uint32_t(packed);
    return (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
}

// Whether the screen pixel lies within the range of the frame's 3 x 3
// pixels around (fx, fy).
bool inside_range(uint32_t shown, const std::vector<int>& frame, int fx, int fy) {
    for (int c = 0; c < 3; ++c) {
        int lo = 255, hi = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = std::clamp(fx + dx, 0, GAME_WIDTH - 1);
                const int y = std::clamp(fy + dy, 0, GAME_HEIGHT - 1);
                const int v = channel(frame_rgb(frame[size_t(y * GAME_WIDTH + x)]), c);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        const int v = channel(shown, c);
        if (v < lo - CHANNEL_SLACK || v > hi + CHANNEL_SLACK) return false;
    }
    return true;
}

double share_matching(const std::vector<uint32_t>& screen, int sw, const std::vector<int>& frame,
                      const Letterbox& box, int gx, int gy, int gw, int gh, int shift) {
    long tried = 0, matched = 0;
    const int x0 = box.left + int(std::ceil(gx * box.scale)), x1 = box.left + int((gx + gw) * box.scale);
    const int y0 = box.top + int(std::ceil(gy * box.scale)), y1 = box.top + int((gy + gh) * box.scale);
    for (int y = y0; y < y1; y += SAMPLE_STEP)
        for (int x = x0; x < x1; x += SAMPLE_STEP) {
            const int fx = int(std::lround((x - box.left + 0.5) / box.scale - 0.5)) + shift;
            const int fy = int(std::lround((y - box.top + 0.5) / box.scale - 0.5));
            if (fx < 0 || fx >= GAME_WIDTH || fy < 0 || fy >= GAME_HEIGHT) continue;
            ++tried;
            if (inside_range(screen[size_t(y * sw + x)], frame, fx, fy)) ++matched;
        }
    return tried > 0 ? double(matched) / double(tried) : 0;
}

}  // namespace

Letterbox letterbox_for(int screen_width, int screen_height) {
    Letterbox box;
    box.scale = std::min(double(screen_width) / GAME_WIDTH, double(screen_height) / GAME_HEIGHT);
    box.width = int(std::lround(GAME_WIDTH * box.scale));
    box.height = int(std::lround(GAME_HEIGHT * box.scale));
    box.left = (screen_width - box.width) / 2;
    box.top = (screen_height - box.height) / 2;
    return box;
}

std::string PictureMatch::describe() const {
    return std::to_string(outside_lit) + " lit pixels outside the picture, " + std::to_string(inside * 100) +
           "% of the picture matches the frame (" + std::to_string(shifted * 100) + "% when shifted)";
}

PictureMatch match_picture(const std::vector<uint32_t>& screen, int sw, int sh, const std::vector<int>& frame,
                           const Letterbox& box, int gx, int gy, int gw, int gh) {
    PictureMatch m;
    if (screen.size() != size_t(sw) * size_t(sh) || frame.size() != size_t(GAME_WIDTH * GAME_HEIGHT)) return m;
    // One pixel of slack round the rectangle: its edge is filtered.
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            const bool near_picture = x >= box.left - 1 && x <= box.left + box.width && y >= box.top - 1 &&
                                      y <= box.top + box.height;
            if (near_picture) continue;
            const uint32_t p = screen[size_t(y * sw + x)];
            if (channel(p, 0) > BLACK_LIMIT || channel(p, 1) > BLACK_LIMIT || channel(p, 2) > BLACK_LIMIT)
                ++m.outside_lit;
        }
    m.inside = share_matching(screen, sw, frame, box, gx, gy, gw, gh, 0);
    m.shifted = share_matching(screen, sw, frame, box, gx, gy, gw, gh, CONTROL_SHIFT);
    return m;
}

std::vector<uint32_t> grab_screen(xtest::Client& x, int width, int height) {
    std::vector<uint32_t> pixels;
    if (!x.screen_pixels(width, height, pixels)) pixels.clear();
    return pixels;
}

Shown look_at_screen(LiveGame& game, xtest::Client& x, int sw, int sh, const Point* pointer) {
    Shown shown;
    shown.has_pointer = pointer != nullptr;
    const Letterbox box = letterbox_for(sw, sh);
    shown.held = game.hold_presented([&](const std::vector<int>& frame) {
        const auto end = std::chrono::steady_clock::now() + SHOWN_WITHIN;
        for (bool first = true;; first = false) {
            if (!first) std::this_thread::sleep_for(SHOWN_POLL);   // the servers need the processor
            shown.screen = grab_screen(x, sw, sh);
            shown.whole = match_picture(shown.screen, sw, sh, frame, box);
            if (pointer)
                shown.pointer = match_picture(shown.screen, sw, sh, frame, box, pointer->x - POINTER_SPOT,
                                              pointer->y - POINTER_SPOT, POINTER_BOX, POINTER_BOX);
            const bool matches = shown.whole.outside_lit == 0 && shown.whole.inside >= PICTURE_MATCH &&
                                 (!pointer || shown.pointer.inside >= PICTURE_MATCH);
            if (matches || std::chrono::steady_clock::now() >= end) break;
        }
    });
    return shown;
}

void expect_shown_right(const Shown& shown, int sw, int sh, const std::string& picture) {
    ASSERT_TRUE(shown.held) << "the game ended before presenting a frame";
    ASSERT_FALSE(shown.screen.empty()) << "the X server's screen could not be read";
    if (!picture.empty()) {
        const std::string path = pictures_folder() + "/" + picture;
        EXPECT_TRUE(write_picture(path, sw, sh, shown.screen)) << path;
        std::printf("[ picture  ] %s\n", path.c_str());
    }
    EXPECT_EQ(shown.whole.outside_lit, 0) << shown.whole.describe();
    EXPECT_GE(shown.whole.inside, PICTURE_MATCH) << shown.whole.describe();
    EXPECT_LT(shown.whole.shifted, shown.whole.inside - CONTROL_MARGIN)
        << "the picture is too plain to tell: " << shown.whole.describe();
    if (shown.has_pointer) {
        EXPECT_GE(shown.pointer.inside, PICTURE_MATCH) << "round the pointer: " << shown.pointer.describe();
    }
}

}  // namespace desktop
