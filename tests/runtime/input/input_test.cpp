// Mouse and keyboard through SDL's event queue, with the real runtime: each
// show_screen is a frame, input_push_* put events where SDL's own go.
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/input/input_internal.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tests/runtime/input/input_support.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int SCAN_A = 30;
constexpr int SCAN_B = 48;
constexpr int SCAN_LEFT_SHIFT = 42;
constexpr int SCAN_RIGHT_SHIFT = 54;
constexpr int SCAN_ENTER = 28;
constexpr int SCAN_KEYPAD_ENTER = 156;
constexpr int SCAN_BACKSPACE = 14;
constexpr int SCAN_LEFT_CTRL = 29;
constexpr int SCAN_UP = 200;
constexpr int SCAN_SPACE = 57;
constexpr int SCAN_ONE = 2;
constexpr int SCAN_F1 = 59;

void run_in_runtime(const std::function<void()>& body, RuntimeConfig config = windowed()) {
    runtime_run(config, [&] {
        show_screen();
        input_set_pointer(100, 100);
        show_screen();
        body();
        program_end();
    });
}

// One frame: present and let the next read take the motion gathered so far.
void frame() { show_screen(); }

}  // namespace

// ---------------------------------------------------------------- mouse

TEST(Mouse, MotionIsTakenOncePerFrameAndRepeatedWithinIt) {
    run_in_runtime([] {
        input_push_motion(5, 3);
        input_push_motion(2, 1);
        frame();
        EXPECT_EQ(mouse_axis(0), 7);
        EXPECT_EQ(mouse_axis(1), 4);
        // Motion arriving during the frame belongs to the next one.
        input_push_motion(-4, 0);
        EXPECT_EQ(mouse_axis(0), 7);
        EXPECT_EQ(mouse_axis(1), 4);
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 107);
        EXPECT_EQ(y, 104);
        frame();
        EXPECT_EQ(mouse_axis(0), -4);
        EXPECT_EQ(mouse_axis(1), 0);
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 103);
        EXPECT_EQ(y, 104);
        frame();
        EXPECT_EQ(mouse_axis(0), 0);
    });
}

TEST(Mouse, PointerStartsAtOneHundredAndIsClampedAndStoredBack) {
    runtime_run(windowed(), [] {
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 100);
        EXPECT_EQ(y, 100);

        input_set_pointer(1000, 10);
        input_push_motion(500, -50);
        frame();
        EXPECT_EQ(mouse_axis(0), 500);
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 1023);
        EXPECT_EQ(y, 0);
        // Back at once: the clamped position was kept, not the overshoot.
        input_push_motion(-3, 2);
        frame();
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 1020);
        EXPECT_EQ(y, 2);

        input_push_motion(-5000, 5000);
        frame();
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 767);
        program_end();
    });
}

// A browser's notch can be a fraction of SDL's step (chromium's on X11 is
// about a half): each one still turns once, not every second one.
TEST(Mouse, WheelNotchSmallerThanAStepIsOneStep) {
    run_in_runtime([] {
        input_push_wheel_fraction(0.48f);
        frame();
        EXPECT_EQ(mouse_axis(2), 1);
        frame();
        EXPECT_EQ(mouse_axis(2), 0);
        input_push_wheel_fraction(-0.48f);
        frame();
        EXPECT_EQ(mouse_axis(2), -1);
    });
}

TEST(Mouse, WheelGivesItsDirectionOncePerFrame) {
    run_in_runtime([] {
        input_push_wheel(2);
        input_push_wheel(1);
        frame();
        EXPECT_EQ(mouse_axis(2), 1);
        EXPECT_EQ(mouse_axis(2), 1);
        frame();
        EXPECT_EQ(mouse_axis(2), 0);
        input_push_wheel(-1);
        frame();
        EXPECT_EQ(mouse_axis(2), -1);
        input_push_wheel(1);
        input_push_wheel(-1);
        frame();
        EXPECT_EQ(mouse_axis(2), 0);
    });
}

TEST(Mouse, ButtonsAreReadAtEveryCall) {
    run_in_runtime([] {
        double x = 0, y = 0, left = 0, right = 0;
        input_push_button(1, true);
        // No frame in between: the read itself drains the queue.
        EXPECT_EQ(mouse_axis(3), 1);
        mouse_state(x, y, left, right);
        EXPECT_EQ(left, 1);
        EXPECT_EQ(right, 0);
        input_push_button(2, true);
        input_push_button(3, true);
        EXPECT_EQ(mouse_axis(4), 1);
        EXPECT_EQ(mouse_axis(5), 1);
        mouse_state(x, y, left, right);
        EXPECT_EQ(right, 1);
        input_push_button(1, false);
        input_push_button(2, false);
        EXPECT_EQ(mouse_axis(3), 0);
        EXPECT_EQ(mouse_axis(4), 0);
        EXPECT_EQ(mouse_axis(5), 1);
        input_push_button(3, false);
        EXPECT_EQ(mouse_axis(5), 0);
        // Axes outside 0..5 read as 0 even with everything held.
        input_push_button(1, true);
        input_push_motion(9, 9);
        frame();
        EXPECT_EQ(mouse_axis(6), 0);
        EXPECT_EQ(mouse_axis(-1), 0);
        input_push_button(1, false);
    });
}

TEST(Mouse, WaitForReleaseEndsWhenTheReleaseArrives) {
    run_in_runtime([] {
        input_push_button(1, true);
        frame();
        ASSERT_EQ(mouse_axis(3), 1);
        int pumps = 0;
        frame_set_pump_hook([&] {
            if (++pumps == 3) input_push_button(1, false);
        });
        int reads = 0;
        // The game's wait loop: no frames, only reads.
        while (mouse_axis(3) != 0 && reads < 1000) ++reads;
        frame_set_pump_hook(nullptr);
        EXPECT_LT(reads, 1000) << "the release never reached the read";
        EXPECT_GE(pumps, 3);
    });
}

TEST(Mouse, InactiveWindowIgnoresMotionAndDropsButtons) {
    run_in_runtime([] {
        input_push_button(1, true);
        EXPECT_EQ(mouse_axis(3), 1);
        input_focus(false);
        EXPECT_EQ(mouse_axis(3), 0);
        input_push_button(2, true);
        input_push_motion(40, 40);
        input_push_wheel(1);
        EXPECT_EQ(mouse_axis(4), 0);
        input_focus(true);
        frame();
        EXPECT_EQ(mouse_axis(0), 0);
        EXPECT_EQ(mouse_axis(2), 0);
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 100);
    });
}

TEST(Mouse, ShownPointerFollowsTheSystemCursor) {
    run_in_runtime([] {
        EXPECT_TRUE(SDL_GetRelativeMouseMode());
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
        input_set_pointer(300, 200);
        show_system_pointer(1);
        EXPECT_FALSE(SDL_GetRelativeMouseMode());
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
        // Let the cursor's own move to the tracked position arrive first.
        for (int i = 0; i < 5; ++i) {
            SDL_Delay(5);
            frame();
            (void)mouse_axis(0);
        }
        input_push_motion(15, -5);
        frame();
        EXPECT_EQ(mouse_axis(0), 15);
        EXPECT_EQ(mouse_axis(1), -5);
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 315);
        EXPECT_EQ(y, 195);
        // Captured again: relative motion moves the tracked pointer from there.
        show_system_pointer(0);
        EXPECT_TRUE(SDL_GetRelativeMouseMode());
        input_push_motion(5, 5);
        frame();
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 320);
        EXPECT_EQ(y, 200);
    });
}

TEST(Mouse, ShownPointerIsMappedThroughTheLetterbox) {
    run_in_runtime([] {
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        ASSERT_NE(window, nullptr);
        // A wide window: the screen is scaled by one half and centred.
        SDL_SetWindowSize(window, 800, 384);
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        if (w != 800 || h != 384) GTEST_SKIP() << "the X server kept the window at " << w << "x" << h;
        show_system_pointer(1);
        for (int i = 0; i < 5; ++i) {
            SDL_Delay(5);
            frame();
        }
        // A motion event as the window reports it, in window coordinates.
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(window);
        e.motion.x = 144 + 128;
        e.motion.y = 96;
        SDL_PushEvent(&e);
        frame();
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 256);
        EXPECT_EQ(y, 192);
        // Left of the picture: clamped to its edge.
        e.motion.x = 20;
        SDL_PushEvent(&e);
        frame();
        mouse_state(x, y, left, right);
        EXPECT_EQ(x, 0);
    });
}

// ---------------------------------------------------------------- start-up

namespace {

// The start-up log lines of one run of the runtime with the given video
// driver ("" = the usual one), and whether pushed motion still moved the
// pointer in it.
std::vector<std::string> startup_lines(const char* driver, bool& input_went_on) {
    const testsupport::TempDir folder("wedgewise-input-log");
    if (folder.path().empty()) return {"mkdtemp failed"};
    testsupport::ScopedEnv env("TMPDIR", folder.path().c_str());
    if (*driver) env.set("SDL_VIDEODRIVER", driver);
    input_went_on = false;
    RuntimeConfig config = windowed();
    config.mouse_captured = 1;
    runtime_run(config, [&] {
        show_screen();
        (void)mouse_axis(0);
        input_push_motion(5, 3);
        show_screen();
        input_went_on = mouse_axis(0) == 5 && mouse_axis(1) == 3;
        program_end();
    });
    env.restore();
    std::vector<std::string> lines;
    const std::string log = folder / "ErrorLog.txt";
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// startup_lines in a child process of its own. SDL's offscreen driver brings
// up EGL with threads of its own, and the leak checker's stop-the-world at
// the test program's exit sometimes crashes on them; the child leaves with
// _exit, so only its results come back.
std::vector<std::string> startup_lines_apart(const char* driver, bool& input_went_on) {
    int fds[2];
    if (pipe(fds) != 0) return {"pipe failed"};
    const pid_t pid = fork();
    if (pid < 0) return {"fork failed"};
    if (pid == 0) {
        close(fds[0]);
        bool went_on = false;
        std::string out;
        for (const std::string& line : startup_lines(driver, went_on)) out += line + "\n";
        out = (went_on ? "1\n" : "0\n") + out;
        for (size_t done = 0; done < out.size();) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string in;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) in.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = in.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(in.substr(start, end - start));
    input_went_on = !lines.empty() && lines.front() == "1";
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
}

}  // namespace

TEST(Startup, MissingRelativeMouseAndKeyboardAreLoggedAndTheProgramGoesOn) {
    bool went_on = false;
    // The window system's driver gives both: nothing is logged.
    auto lines = startup_lines_apart("", went_on);
    EXPECT_TRUE(has_line(lines, "Init Finalized"));
    EXPECT_FALSE(has_line(lines, "No SDL_Mouse"));
    EXPECT_FALSE(has_line(lines, "No SDL_KB"));
    EXPECT_TRUE(went_on);
    // SDL's offscreen driver has neither relative motion nor a keyboard.
    lines = startup_lines_apart("offscreen", went_on);
    if (!has_line(lines, "Init Finalized")) GTEST_SKIP() << "the offscreen video driver could not start here";
    EXPECT_TRUE(has_line(lines, "No SDL_Mouse"));
    EXPECT_TRUE(has_line(lines, "No SDL_KB"));
    EXPECT_TRUE(went_on) << "input stopped after the missing devices";
}

// ---------------------------------------------------------------- touch

namespace {

struct Pointer {
    double x = 0, y = 0, left = 0, right = 0;
};

Pointer read_pointer() {
    Pointer p;
    mouse_state(p.x, p.y, p.left, p.right);
    return p;
}

// Frames until the pointer's left or right button shows down (at most 10).
int frames_until_pressed() {
    for (int n = 0; n < 10; ++n) {
        frame();
        const Pointer p = read_pointer();
        if (p.left != 0 || p.right != 0) return n;
    }
    return -1;
}

}  // namespace

TEST(Touch, ATapPressesTheLeftButtonWhereTheFingerIsEvenWhenLiftedWithinAFrame) {
    run_in_runtime([] {
        // The window is the screen's size: a finger at 0.25, 0.5 is at (256, 384).
        input_push_finger(7, true, 0.25f, 0.5f);
        input_push_finger(7, false, 0.25f, 0.5f);
        frame();
        Pointer p = read_pointer();
        EXPECT_EQ(p.x, 256);
        EXPECT_EQ(p.y, 384);
        EXPECT_EQ(p.left, 1) << "a tap lifted before the game read it is still seen";
        EXPECT_EQ(p.right, 0);
        EXPECT_EQ(read_pointer().left, 0) << "and let go at the next read";
        frame();
        EXPECT_EQ(read_pointer().left, 0);
    });
}

TEST(Touch, ADragMovesThePointerWithTheButtonHeldAndSdlsMouseCopyIsIgnored) {
    run_in_runtime([] {
        input_push_finger(1, true, 0.5f, 0.5f);
        ASSERT_GE(frames_until_pressed(), 1) << "the press waits a few frames for a second finger";
        Pointer p = read_pointer();
        EXPECT_EQ(p.x, 512);
        EXPECT_EQ(p.left, 1);
        // SDL's own mouse copy of the touch (a jump and a press) counts for nothing.
        SDL_Event copy{};
        copy.type = SDL_MOUSEBUTTONUP;
        copy.button.which = SDL_TOUCH_MOUSEID;
        copy.button.button = SDL_BUTTON_LEFT;
        SDL_PushEvent(&copy);
        input_push_finger_motion(1, 0.75f, 0.25f);
        frame();
        p = read_pointer();
        EXPECT_EQ(p.x, 768);
        EXPECT_EQ(p.y, 192);
        EXPECT_EQ(p.left, 1) << "held through the move";
        EXPECT_EQ(mouse_axis(MOUSE_AXIS_DX), 256);
        // Far off the picture: clamped as the mouse is.
        input_push_finger_motion(1, 1.5f, -0.5f);
        frame();
        p = read_pointer();
        EXPECT_EQ(p.x, 1023);
        EXPECT_EQ(p.y, 0);
        input_push_finger(1, false, 1.5f, -0.5f);
        EXPECT_EQ(read_pointer().left, 0) << "a lift after the press was seen lets go at once";
    });
}

TEST(Touch, ASecondFingerMakesTheTouchARightClick) {
    run_in_runtime([] {
        input_push_finger(1, true, 0.5f, 0.5f);
        input_push_finger(2, true, 0.6f, 0.5f);
        input_push_finger(2, false, 0.6f, 0.5f);
        input_push_finger(1, false, 0.5f, 0.5f);
        frame();
        Pointer p = read_pointer();
        EXPECT_EQ(p.right, 1);
        EXPECT_EQ(p.left, 0) << "the first finger presses nothing of its own";
        for (int n = 0; n < 5; ++n) {
            frame();
            p = read_pointer();
            EXPECT_EQ(p.right + p.left, 0);
        }
        // The next single finger is a plain tap again.
        input_push_finger(3, true, 0.1f, 0.1f);
        input_push_finger(3, false, 0.1f, 0.1f);
        EXPECT_EQ(frames_until_pressed(), 0);
        EXPECT_EQ(read_pointer().left, 0) << "read once: let go";
    });
}

TEST(Touch, LosingTheFocusDropsATouch) {
    run_in_runtime([] {
        input_push_finger(1, true, 0.5f, 0.5f);
        ASSERT_GE(frames_until_pressed(), 0);
        input_focus(false);
        EXPECT_EQ(read_pointer().left, 0);
        input_push_finger(1, false, 0.5f, 0.5f);
        input_focus(true);
        for (int n = 0; n < 5; ++n) {
            frame();
            EXPECT_EQ(read_pointer().left, 0);
        }
    });
}

TEST(OnScreen, TurnsAreOneWheelStepEachWithAFrameBetween) {
    run_in_runtime([] {
        input_turn_on_screen(-1);
        input_turn_on_screen(-1);
        input_turn_on_screen(1);
        std::vector<int> wheel;
        for (int n = 0; n < 7; ++n) {
            frame();
            wheel.push_back(mouse_axis(MOUSE_AXIS_WHEEL));
            EXPECT_EQ(mouse_axis(MOUSE_AXIS_WHEEL), wheel.back()) << "repeated within the frame";
        }
        EXPECT_EQ(wheel, (std::vector<int>{-1, 0, -1, 0, 1, 0, 0}));
    });
}

TEST(OnScreen, TypedTextReachesInkeyOnceACharacterAndReturnEndsAnEntry) {
    run_in_runtime([] {
        input_type_on_screen("AAb\x08\n");
        std::string typed;
        bool return_seen = false;
        for (int n = 0; n < 40 && !return_seen; ++n) {
            typed += inkey();
            frame();
            // The name entry tests Return right after presenting its frame.
            return_seen = key_down(SCAN_ENTER) == 1;
        }
        // Return ends the loop as soon as it is down, before inkey reads it.
        EXPECT_EQ(typed, "AAb\x08");
        EXPECT_TRUE(return_seen);
        for (int n = 0; n < 4; ++n) frame();
        EXPECT_EQ(key_down(SCAN_ENTER), 0) << "Return is let go";
        EXPECT_EQ(inkey(), "");
    });
}

// ---------------------------------------------------------------- keyboard

TEST(Keyboard, KeyDownFollowsPressAndReleaseByScanCode) {
    run_in_runtime([] {
        EXPECT_EQ(key_down(SCAN_UP), 0);
        input_push_key(SCAN_UP, true);
        EXPECT_EQ(key_down(SCAN_UP), 1);
        EXPECT_EQ(key_down(SCAN_UP + 256), 1) << "only the low 8 bits count";
        EXPECT_EQ(key_down(SCAN_A), 0);
        input_push_key(SCAN_KEYPAD_ENTER, true);
        EXPECT_EQ(key_down(SCAN_KEYPAD_ENTER), 1);
        EXPECT_EQ(key_down(SCAN_ENTER), 0) << "keypad Enter is its own key";
        input_push_key(SCAN_UP, false);
        input_push_key(SCAN_KEYPAD_ENTER, false);
        EXPECT_EQ(key_down(SCAN_UP), 0);
        EXPECT_EQ(key_down(SCAN_KEYPAD_ENTER), 0);
    });
}

TEST(Keyboard, InactiveWindowKeepsTheLastKeyState) {
    run_in_runtime([] {
        input_push_key(SCAN_F1, true);
        ASSERT_EQ(key_down(SCAN_F1), 1);
        input_focus(false);
        input_push_key(SCAN_F1, false);
        input_push_key(SCAN_B, true);
        EXPECT_EQ(key_down(SCAN_F1), 1);
        EXPECT_EQ(key_down(SCAN_B), 0);
        input_focus(true);
        input_push_key(SCAN_F1, false);
        EXPECT_EQ(key_down(SCAN_F1), 0);
    });
}

TEST(Keyboard, InkeyGivesAHeldKeyOnce) {
    run_in_runtime([] {
        EXPECT_EQ(inkey(), "");
        input_push_key(SCAN_A, true);
        frame();
        EXPECT_EQ(inkey(), "a");
        EXPECT_EQ(inkey(), "");
        frame();
        EXPECT_EQ(inkey(), "");
        // "a" is scanned before "b" and repeats the last character.
        input_push_key(SCAN_B, true);
        EXPECT_EQ(inkey(), "");
        input_push_key(SCAN_A, false);
        EXPECT_EQ(inkey(), "b");
        input_push_key(SCAN_B, false);
        EXPECT_EQ(inkey(), "");
        input_push_key(SCAN_A, true);
        EXPECT_EQ(inkey(), "a");
        input_push_key(SCAN_A, false);
        EXPECT_EQ(inkey(), "");
    });
}

TEST(Keyboard, InkeyShiftEnterBackspaceAndSilentKeys) {
    run_in_runtime([] {
        input_push_key(SCAN_LEFT_SHIFT, true);
        EXPECT_EQ(inkey(), "") << "Shift alone types nothing";
        input_push_key(SCAN_A, true);
        EXPECT_EQ(inkey(), "A");
        input_push_key(SCAN_A, false);
        EXPECT_EQ(inkey(), "");
        input_push_key(SCAN_LEFT_SHIFT, false);
        // Nothing was seen in between, so "a" is new; Shift added to the held
        // "a" makes the same letter and is suppressed.
        input_push_key(SCAN_A, true);
        EXPECT_EQ(inkey(), "a");
        input_push_key(SCAN_RIGHT_SHIFT, true);
        EXPECT_EQ(inkey(), "") << "A while a was last: the same letter";
        input_push_key(SCAN_A, false);
        input_push_key(SCAN_RIGHT_SHIFT, false);
        EXPECT_EQ(inkey(), "");

        const struct {
            int scan;
            const char* text;
        } keys[] = {
            {SCAN_ENTER, "\n"}, {SCAN_KEYPAD_ENTER, "\n"}, {SCAN_BACKSPACE, "\x08"},
            {SCAN_SPACE, " "}, {SCAN_ONE, "1"}, {SCAN_LEFT_CTRL, ""}, {SCAN_F1, ""},
            {SCAN_UP, ""}, {15, ""},
        };
        for (const auto& k : keys) {
            SCOPED_TRACE(k.scan);
            input_push_key(k.scan, true);
            EXPECT_EQ(inkey(), k.text);
            input_push_key(k.scan, false);
            EXPECT_EQ(inkey(), "");
        }
        // Shift does not change digits: only a..z are upper-cased.
        input_push_key(SCAN_LEFT_SHIFT, true);
        input_push_key(SCAN_ONE, true);
        EXPECT_EQ(inkey(), "1");
        input_push_key(SCAN_ONE, false);
        input_push_key(SCAN_LEFT_SHIFT, false);
    });
}

TEST(Keyboard, InkeyGivesWhatTheWindowSystemTypedForTheKey) {
    constexpr int SCAN_Q = 16;
    constexpr int SCAN_RIGHT_ALT = 184;
    constexpr int SCAN_SLASH = 53;
    run_in_runtime([] {
        // A key press followed by its text, as SDL sends them.
        auto press = [](int scan, const char* text) {
            input_push_key(scan, true);
            input_push_text(text);
        };
        input_push_key(SCAN_LEFT_SHIFT, true);
        press(SCAN_ONE, "!");
        EXPECT_EQ(inkey(), "!");
        input_push_key(SCAN_ONE, false);
        press(SCAN_SLASH, "?");
        EXPECT_EQ(inkey(), "?");
        input_push_key(SCAN_SLASH, false);
        press(SCAN_A, "A");
        EXPECT_EQ(inkey(), "A");
        input_push_key(SCAN_A, false);
        input_push_key(SCAN_LEFT_SHIFT, false);
        EXPECT_EQ(inkey(), "");

        // AltGr on a German layout: Q types "@".
        input_push_key(SCAN_RIGHT_ALT, true);
        press(SCAN_Q, "@");
        EXPECT_EQ(inkey(), "@");
        input_push_key(SCAN_Q, false);
        input_push_key(SCAN_RIGHT_ALT, false);
        EXPECT_EQ(inkey(), "");

        // Latin-1 comes through as its byte; a character beyond it types nothing.
        press(SCAN_A, "\xC3\xA4");
        EXPECT_EQ(inkey(), "\xE4");
        input_push_key(SCAN_A, false);
        EXPECT_EQ(inkey(), "");
        press(SCAN_B, "\xE2\x82\xAC");
        EXPECT_EQ(inkey(), "");
        input_push_key(SCAN_B, false);

        // The text belongs to the press it follows; the next press of the key
        // without text (Ctrl held) falls back to the layout's own character.
        input_push_key(SCAN_ONE, true);
        EXPECT_EQ(inkey(), "1");
        input_push_key(SCAN_ONE, false);
        EXPECT_EQ(inkey(), "");
        // Text after its key was released goes to no key.
        input_push_key(SCAN_A, true);
        input_push_key(SCAN_A, false);
        input_push_text("x");
        input_push_key(SCAN_A, true);
        EXPECT_EQ(inkey(), "a");
        input_push_key(SCAN_A, false);
    });
}

TEST(Keyboard, PushedKeysCarryTheTrackedModifiers) {
    run_in_runtime([] {
        // Takes the next pushed key event before the runtime drains it.
        auto take = [](SDL_Event& e) {
            return SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYUP) == 1;
        };
        SDL_Event e;
        input_push_key(SCAN_LEFT_SHIFT, true);
        input_push_key(SCAN_A, true);
        ASSERT_TRUE(take(e));
        EXPECT_EQ(e.type, SDL_KEYDOWN);
        EXPECT_EQ(e.key.keysym.scancode, SDL_SCANCODE_LSHIFT);
        ASSERT_TRUE(take(e));
        EXPECT_EQ(e.key.keysym.scancode, SDL_SCANCODE_A);
        EXPECT_EQ(e.key.keysym.sym, SDLK_a);
        EXPECT_EQ(e.key.state, SDL_PRESSED);
        EXPECT_NE(e.key.keysym.mod & KMOD_LSHIFT, 0);
        input_push_key(SCAN_LEFT_SHIFT, false);
        input_push_key(SCAN_A, false);
        ASSERT_TRUE(take(e));
        EXPECT_EQ(e.type, SDL_KEYUP);
        EXPECT_EQ(e.key.keysym.mod & KMOD_LSHIFT, 0);
        ASSERT_TRUE(take(e));
        EXPECT_EQ(e.key.keysym.mod & KMOD_SHIFT, 0);
        EXPECT_EQ(e.key.state, SDL_RELEASED);
    });
}

TEST(ScanCodes, TableMatchesPcSetOneBothWays) {
    const struct {
        int scan;
        SDL_Scancode sdl;
    } known[] = {
        {1, SDL_SCANCODE_ESCAPE}, {2, SDL_SCANCODE_1}, {11, SDL_SCANCODE_0},
        {14, SDL_SCANCODE_BACKSPACE}, {15, SDL_SCANCODE_TAB}, {16, SDL_SCANCODE_Q},
        {21, SDL_SCANCODE_Y}, {28, SDL_SCANCODE_RETURN}, {30, SDL_SCANCODE_A},
        {42, SDL_SCANCODE_LSHIFT}, {44, SDL_SCANCODE_Z}, {54, SDL_SCANCODE_RSHIFT},
        {56, SDL_SCANCODE_LALT}, {57, SDL_SCANCODE_SPACE}, {58, SDL_SCANCODE_CAPSLOCK},
        {59, SDL_SCANCODE_F1}, {68, SDL_SCANCODE_F10}, {69, SDL_SCANCODE_NUMLOCKCLEAR},
        {71, SDL_SCANCODE_KP_7}, {82, SDL_SCANCODE_KP_0}, {83, SDL_SCANCODE_KP_PERIOD},
        {87, SDL_SCANCODE_F11}, {88, SDL_SCANCODE_F12},
        {156, SDL_SCANCODE_KP_ENTER}, {157, SDL_SCANCODE_RCTRL}, {181, SDL_SCANCODE_KP_DIVIDE},
        {184, SDL_SCANCODE_RALT}, {199, SDL_SCANCODE_HOME}, {200, SDL_SCANCODE_UP},
        {201, SDL_SCANCODE_PAGEUP}, {203, SDL_SCANCODE_LEFT}, {205, SDL_SCANCODE_RIGHT},
        {207, SDL_SCANCODE_END}, {208, SDL_SCANCODE_DOWN}, {209, SDL_SCANCODE_PAGEDOWN},
        {210, SDL_SCANCODE_INSERT}, {211, SDL_SCANCODE_DELETE}, {219, SDL_SCANCODE_LGUI},
        {220, SDL_SCANCODE_RGUI}, {221, SDL_SCANCODE_APPLICATION},
    };
    for (const auto& k : known) {
        EXPECT_EQ(sdl_scancode_of(k.scan), k.sdl) << k.scan;
        EXPECT_EQ(scan_code_of_sdl(k.sdl), k.scan) << k.scan;
    }
    int mapped = 0;
    for (int scan = -5; scan < 300; ++scan) {
        const int sdl = sdl_scancode_of(scan);
        if (sdl == 0) continue;
        ++mapped;
        EXPECT_EQ(scan_code_of_sdl(sdl), scan) << scan;
    }
    // Every letter, digit and function key of a full keyboard has a code.
    EXPECT_GE(mapped, 100);
    for (int sdl = SDL_SCANCODE_A; sdl <= SDL_SCANCODE_F12; ++sdl) EXPECT_NE(scan_code_of_sdl(sdl), 0) << sdl;
    for (int sdl = SDL_SCANCODE_LCTRL; sdl <= SDL_SCANCODE_RGUI; ++sdl) EXPECT_NE(scan_code_of_sdl(sdl), 0) << sdl;
    EXPECT_EQ(scan_code_of_sdl(SDL_SCANCODE_NONUSHASH), 43);
    EXPECT_EQ(scan_code_of_sdl(-1), 0);
    EXPECT_EQ(scan_code_of_sdl(SDL_NUM_SCANCODES), 0);
    EXPECT_EQ(sdl_scancode_of(0), 0);
}
