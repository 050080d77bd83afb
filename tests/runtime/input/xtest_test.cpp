// The whole real input path once: the X server's test extension moves the
// mouse relatively, clicks, scrolls and types, and the game-facing reads
// must see it through SDL exactly as the pushed events are seen.
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/input/input_testing.h"
#include "tests/runtime/input/input_support.h"
#include "tests/support/private_display.h"
#include "tests/support/xtest_client.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Typing through the X server needs the keyboard focus, which on a shared
// display another test program's window would take: this program has a
// display of its own.
const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

using xtest::KeySym;
constexpr KeySym XK_a = 0x61;
constexpr KeySym XK_Shift_L = 0xffe1;
constexpr KeySym XK_Up = 0xff52;
constexpr KeySym XK_1 = 0x31;
constexpr KeySym XK_slash = 0x2f;
constexpr KeySym XK_apostrophe = 0x27;

// Identical relative moves in the same millisecond are merged by SDL.
constexpr Uint32 MOVE_SPACING_MS = 8;
constexpr int MAX_FRAMES = 400;

// Presents frames (giving the X server a moment each) until done() holds.
bool frames_until(const std::function<bool()>& done) {
    for (int i = 0; i < MAX_FRAMES; ++i) {
        SDL_Delay(2);
        show_screen();
        if (done()) return true;
    }
    return false;
}

// A few frames so the window is mapped, relative mode is on and nothing
// the X server sent is still pending.
void settle_window() {
    for (int i = 0; i < 10; ++i) {
        SDL_Delay(5);
        show_screen();
    }
}

}  // namespace

TEST(RealInput, XTestEventsTravelSdlsWholePath) {
    xtest::Client x;
    const std::string why = x.open();
    if (!why.empty()) GTEST_SKIP() << why;

    runtime_run(windowed(), [&] {
        settle_window();
        input_set_pointer(100, 100);
        show_screen();
        (void)mouse_axis(0);

        // Relative motion: three identical moves, spaced so none is merged.
        for (int i = 0; i < 3; ++i) {
            x.move(7, 4);
            SDL_Delay(MOVE_SPACING_MS);
        }
        int total_dx = 0, total_dy = 0;
        EXPECT_TRUE(frames_until([&] {
            total_dx += mouse_axis(0);
            total_dy += mouse_axis(1);
            return total_dx >= 21 && total_dy >= 12;
        }));
        EXPECT_EQ(total_dx, 21);
        EXPECT_EQ(total_dy, 12);
        double px = 0, py = 0, left = 0, right = 0;
        mouse_state(px, py, left, right);
        EXPECT_EQ(px, 121);
        EXPECT_EQ(py, 112);

        // Buttons: 1 left, 3 right, 2 middle.
        const struct {
            unsigned int x_button;
            int axis;
        } buttons[] = {{1, 3}, {3, 4}, {2, 5}};
        for (const auto& b : buttons) {
            SCOPED_TRACE(b.axis);
            x.button(b.x_button, true);
            EXPECT_TRUE(frames_until([&] { return mouse_axis(b.axis) == 1; }));
            x.button(b.x_button, false);
            EXPECT_TRUE(frames_until([&] { return mouse_axis(b.axis) == 0; }));
        }

        // Wheel: button 4 away from the user, 5 toward.
        x.button(4, true);
        x.button(4, false);
        EXPECT_TRUE(frames_until([] { return mouse_axis(2) == 1; }));
        x.button(5, true);
        x.button(5, false);
        EXPECT_TRUE(frames_until([] { return mouse_axis(2) == -1; }));

        // Keys, with Shift as the real keyboard sends it.
        (void)inkey();
        x.key(XK_a, true);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 1; }));
        EXPECT_EQ(inkey(), "a");
        x.key(XK_a, false);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 0; }));
        EXPECT_EQ(inkey(), "");
        x.key(XK_Shift_L, true);
        x.key(XK_a, true);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 1 && key_down(42) == 1; }));
        EXPECT_EQ(inkey(), "A");
        x.key(XK_a, false);
        x.key(XK_Shift_L, false);
        x.key(XK_Up, true);
        EXPECT_TRUE(frames_until([] { return key_down(200) == 1; }));
        x.key(XK_Up, false);
        EXPECT_TRUE(frames_until([] { return key_down(200) == 0 && key_down(42) == 0; }));

        // The tracked pointer never saw an absolute jump.
        mouse_state(px, py, left, right);
        EXPECT_EQ(px, 121);
        EXPECT_EQ(py, 112);
        program_end();
    });
}

// Name entry takes ! " # and the rest from Shift with a digit or a
// punctuation key: the character is the one the X server's layout types.
TEST(RealInput, ShiftedKeysTypeTheLayoutsCharacters) {
    xtest::Client x;
    const std::string why = x.open();
    if (!why.empty()) GTEST_SKIP() << why;

    runtime_run(windowed(), [&] {
        settle_window();
        (void)inkey();
        const struct {
            KeySym key;
            int scan;
            const char* plain;
            const char* shifted;
        } keys[] = {{XK_1, 2, "1", "!"}, {XK_slash, 53, "/", "?"}, {XK_apostrophe, 40, "'", "\""}};
        for (const auto& k : keys) {
            SCOPED_TRACE(k.plain);
            x.key(k.key, true);
            EXPECT_TRUE(frames_until([&] { return key_down(k.scan) == 1; }));
            EXPECT_EQ(inkey(), k.plain);
            x.key(k.key, false);
            EXPECT_TRUE(frames_until([&] { return key_down(k.scan) == 0; }));
            EXPECT_EQ(inkey(), "");

            x.key(XK_Shift_L, true);
            x.key(k.key, true);
            EXPECT_TRUE(frames_until([&] { return key_down(k.scan) == 1 && key_down(42) == 1; }));
            EXPECT_EQ(inkey(), k.shifted);
            x.key(k.key, false);
            x.key(XK_Shift_L, false);
            EXPECT_TRUE(frames_until([&] { return key_down(k.scan) == 0 && key_down(42) == 0; }));
            EXPECT_EQ(inkey(), "");
        }
        program_end();
    });
}
