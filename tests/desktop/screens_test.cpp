// Full screen on displays of other sizes than the game's, and on a HiDPI
// Weston output: the 1024 x 768 picture fills the largest centred rectangle
// of its shape, the pointer is seen where the game has it and a click there
// takes what lies under it, and everything the game reads back from its
// frame is what it reads in a 1024 x 768 window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <string>
#include <vector>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"
#include "runtime/input/input_testing.h"
#include "runtime/process/process.h"
#include "tests/desktop/live_game.h"
#include "tests/desktop/picture.h"
#include "tests/desktop/player.h"
#include "tests/desktop/stack.h"

using namespace desktop;

namespace {

constexpr int GLYPHS = 60;
constexpr int TARGET_GRID = 13;     // pixels between the pointer positions tried
constexpr int SLOT_TO_TAKE = 20;
// A 1024 x 768 window is drawn into directly, any other size offscreen.
// GL lets the two kinds of framebuffer settle a polygon edge that falls
// exactly on a pixel centre differently (Mesa stores the window's rows the
// other way up), and on the training level's play screen about a dozen
// store-tile edge pixels do. More than this many is a real difference.
constexpr int EDGE_PIXELS_ALLOWED = 64;

// What the game learns from reading its own frame back: the font's glyph
// widths, the whole play screen of a fresh training level, and the targets
// the hit masks give the pointer all over the screen.
struct Readbacks {
    std::vector<double> glyphs;
    std::vector<int> play_screen;
    std::vector<int> play_pixels;   // a sample, to show where a difference lies
    std::vector<int> targets;
};

// Pixels that differ between two pictures of the same size (all of them
// when the sizes differ).
long differing_pixels(const std::vector<int>& a, const std::vector<int>& b) {
    if (a.size() != b.size()) return long(std::max(a.size(), b.size()));
    long n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

// Inside the running program, after start-up; leaves a fresh training level.
Readbacks read_back() {
    Readbacks r;
    for (int g = 0; g < GLYPHS; ++g) r.glyphs.push_back(glyph_width_table(g));
    music_off = 1;
    vortex_on = 0;
    level = 0;
    score = 0;
    practice_mode = 0;
    debris.clear();
    start_level();
    input_set_pointer(400, 300);
    update_pointer_targets();
    draw_play_screen();
    read_pixels(0, 0, GAME_WIDTH, GAME_HEIGHT, r.play_screen);
    for (int i = 0; i < GAME_WIDTH * GAME_HEIGHT; i += 997) r.play_pixels.push_back(get_pixel(i % GAME_WIDTH, i / GAME_WIDTH));
    for (int y = 0; y < GAME_HEIGHT; y += TARGET_GRID)
        for (int x = 0; x < GAME_WIDTH; x += TARGET_GRID) {
            input_set_pointer(x, y);
            update_pointer_targets();
            r.targets.push_back(int(board_cursor_x) * 10000 + int(board_cursor_y) * 100 + int(store_cursor));
        }
    input_set_pointer(GAME_WIDTH / 2, GAME_HEIGHT / 2);
    return r;
}

// The read-backs in a 1024 x 768 window on a display of the game's size,
// as every other test of the game sees them.
Readbacks reference_readbacks() {
    static Readbacks reference;
    static bool made = false;
    if (made) return reference;
    Stack stack;
    if (!stack.start_x(GAME_WIDTH, GAME_HEIGHT)) return reference;
    stack.use_for_game(Stack::Video::X11);
    LiveGame game;
    game.config.full_screen = 0;
    game.run([] {
        program_start_up();
        reference = read_back();
        program_quit();
    }, [](LiveGame& g) { while (g.frames(30)) {} });
    made = true;
    return reference;
}

// Weston's output, shown in an X server of the same size: a player's
// Wayland desktop on a monitor of that size. (On an X server without a
// window manager a full-screen window is never made the screen's size.)
struct Display {
    const char* name;
    int width, height;   // pixels of the monitor
    int scale;           // Weston's output scale
};

class ScreenSizes : public ::testing::TestWithParam<Display> {};

}  // namespace

TEST_P(ScreenSizes, PictureFillsTheLargestCentredRectanglePointerAndReadbacksHold) {
    const Display d = GetParam();
    const std::string missing = missing_program({"Xvfb", "weston"});
    if (!missing.empty()) GTEST_SKIP() << missing << " is not installed (make deps installs it)";
    const Readbacks reference = reference_readbacks();
    ASSERT_FALSE(reference.glyphs.empty()) << "no reference run in a 1024 x 768 window";

    Stack stack;
    ASSERT_TRUE(stack.start_x(d.width, d.height));
    ASSERT_TRUE(stack.start_weston(d.width, d.height, d.scale, false)) << stack.weston_log();
    Seat seat;
    ASSERT_EQ(seat.open(stack.x_display(), d.width / 2, d.height / 2), "");
    stack.use_for_game(Stack::Video::Wayland);

    LiveGame game;
    Readbacks full_screen;
    Shown shown;
    Point slot = store_point(SLOT_TO_TAKE);
    bool reached = false, taken = false;
    double motion = 0;
    game.run([&] {
        program_start_up();
        full_screen = read_back();
        play_game();
    }, [&](LiveGame& g) {
        if (!g.until([] { return level == 0 && level_timer < LEVEL_TIME; }, 10)) return;
        // The player's first click (over nothing): Weston lets a window lock
        // the pointer only once it has been clicked.
        seat.click(g, X_LEFT);
        if (!wait_for_pointer_lock(g, seat, 1.0 / d.scale)) return;
        // How far the game's pointer goes for the server's pixel: one to one,
        // or the output's logical pixels on a scaled output.
        const Point a = settled_pointer(g);
        seat.move(100, 0);
        const Point b = settled_pointer(g);
        motion = (b.x - a.x) / 100.0;
        if (motion <= 0) return;
        // On a screen smaller than the game the pointers cannot be brought
        // together; the slot lies within reach of where they start.
        const bool roomy = d.width / d.scale >= GAME_WIDTH && d.height / d.scale >= GAME_HEIGHT;
        reached = (!roomy || align_pointer(g, seat, d.width, d.height)) && point_at(g, seat, slot, motion);
        if (!reached) return;
        shown = look_at_screen(g, seat.x(), d.width, d.height, &slot);
        seat.click(g, X_LEFT);
        taken = g.until([] { return held_tile == SLOT_TO_TAKE; }, 3);
    });
    std::printf("[ screen   ] %s: the game's pointer moves %.2f for one pixel of the server's\n", d.name, motion);
    EXPECT_EQ(game.error_code(), 0);
    // Relative motion comes in the output's logical pixels.
    EXPECT_NEAR(motion, 1.0 / d.scale, 0.02);
    ASSERT_TRUE(reached) << "the pointer did not reach store slot " << SLOT_TO_TAKE;
    expect_shown_right(shown, d.width, d.height, std::string("screen-") + d.name + ".png");
    EXPECT_TRUE(taken) << "the click at the drawn pointer did not take the tile under it";
    EXPECT_EQ(full_screen.glyphs, reference.glyphs);
    EXPECT_EQ(full_screen.play_pixels, reference.play_pixels);
    ASSERT_EQ(reference.play_screen.size(), size_t(GAME_WIDTH) * GAME_HEIGHT);
    EXPECT_LE(differing_pixels(full_screen.play_screen, reference.play_screen), EDGE_PIXELS_ALLOWED);
    EXPECT_EQ(full_screen.targets, reference.targets);
}

INSTANTIATE_TEST_SUITE_P(Desktop, ScreenSizes,
                         ::testing::Values(Display{"800x600", 800, 600, 1}, Display{"1280x800", 1280, 800, 1},
                                           Display{"1920x1080", 1920, 1080, 1},
                                           Display{"2560x1440", 2560, 1440, 1},
                                           Display{"hidpi-2560x1600-scale2", 2560, 1600, 2}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });
