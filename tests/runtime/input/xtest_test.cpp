// The whole real input path once: the X server's test extension moves the
// mouse relatively, clicks, scrolls and types, and the game-facing reads
// must see it through SDL exactly as the pushed events are seen.
#include "runtime/frame/frame.h"
#include "runtime/input/input.h"

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Xlib's types as the library uses them (its headers' macros clash with the
// test framework, and only these few are needed).
struct Display;
using KeySym = unsigned long;
using KeyCode = unsigned char;
using Bool = int;
constexpr Bool True = 1;
constexpr Bool False = 0;
constexpr KeySym XK_a = 0x61;
constexpr KeySym XK_Shift_L = 0xffe1;
constexpr KeySym XK_Up = 0xff52;

// The few Xlib and XTest calls, taken from the system libraries at run time
// so the test program needs no extra link libraries.
struct XTest {
    void* xlib = nullptr;
    void* xtst = nullptr;
    Display* display = nullptr;

    Display* (*open_display)(const char*) = nullptr;
    int (*close_display)(Display*) = nullptr;
    int (*flush)(Display*) = nullptr;
    int (*sync)(Display*, Bool) = nullptr;
    KeyCode (*keysym_to_keycode)(Display*, KeySym) = nullptr;
    Bool (*query_extension)(Display*, int*, int*, int*, int*) = nullptr;
    int (*relative_motion)(Display*, int, int, unsigned long) = nullptr;
    int (*button)(Display*, unsigned int, Bool, unsigned long) = nullptr;
    int (*key)(Display*, unsigned int, Bool, unsigned long) = nullptr;

    template <typename F>
    bool bind(void* lib, F& fn, const char* name) {
        fn = reinterpret_cast<F>(dlsym(lib, name));
        return fn != nullptr;
    }

    // Empty when ready, else why not.
    std::string open() {
        xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xtst = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (xlib == nullptr || xtst == nullptr) return "libX11 or libXtst is not installed";
        if (!bind(xlib, open_display, "XOpenDisplay") || !bind(xlib, close_display, "XCloseDisplay") ||
            !bind(xlib, flush, "XFlush") || !bind(xlib, sync, "XSync") ||
            !bind(xlib, keysym_to_keycode, "XKeysymToKeycode") ||
            !bind(xtst, query_extension, "XTestQueryExtension") ||
            !bind(xtst, relative_motion, "XTestFakeRelativeMotionEvent") ||
            !bind(xtst, button, "XTestFakeButtonEvent") || !bind(xtst, key, "XTestFakeKeyEvent"))
            return "XTest functions missing";
        display = open_display(nullptr);
        if (display == nullptr) return "no X display";
        int a = 0, b = 0, c = 0, d = 0;
        if (!query_extension(display, &a, &b, &c, &d)) return "the X server has no XTest";
        return std::string();
    }

    ~XTest() {
        if (display != nullptr) close_display(display);
        if (xtst != nullptr) dlclose(xtst);
        if (xlib != nullptr) dlclose(xlib);
    }

    void done() { sync(display, False); }
    void move(int dx, int dy) {
        relative_motion(display, dx, dy, 0);
        done();
    }
    void click(unsigned int b, bool down) {
        button(display, b, down ? True : False, 0);
        done();
    }
    void type(KeySym sym, bool down) {
        key(display, keysym_to_keycode(display, sym), down ? True : False, 0);
        done();
    }
};

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

RuntimeConfig windowed() {
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.frame_rate = 0;
    return config;
}

}  // namespace

TEST(RealInput, XTestEventsTravelSdlsWholePath) {
    XTest x;
    const std::string why = x.open();
    if (!why.empty()) GTEST_SKIP() << why;

    runtime_run(windowed(), [&] {
        // Settle: window mapped, relative mode on, nothing pending.
        for (int i = 0; i < 10; ++i) {
            SDL_Delay(5);
            show_screen();
        }
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
            x.click(b.x_button, true);
            EXPECT_TRUE(frames_until([&] { return mouse_axis(b.axis) == 1; }));
            x.click(b.x_button, false);
            EXPECT_TRUE(frames_until([&] { return mouse_axis(b.axis) == 0; }));
        }

        // Wheel: button 4 away from the user, 5 toward.
        x.click(4, true);
        x.click(4, false);
        EXPECT_TRUE(frames_until([] { return mouse_axis(2) == 1; }));
        x.click(5, true);
        x.click(5, false);
        EXPECT_TRUE(frames_until([] { return mouse_axis(2) == -1; }));

        // Keys, with Shift as the real keyboard sends it.
        (void)inkey();
        x.type(XK_a, true);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 1; }));
        EXPECT_EQ(inkey(), "a");
        x.type(XK_a, false);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 0; }));
        EXPECT_EQ(inkey(), "");
        x.type(XK_Shift_L, true);
        x.type(XK_a, true);
        EXPECT_TRUE(frames_until([] { return key_down(30) == 1 && key_down(42) == 1; }));
        EXPECT_EQ(inkey(), "A");
        x.type(XK_a, false);
        x.type(XK_Shift_L, false);
        x.type(XK_Up, true);
        EXPECT_TRUE(frames_until([] { return key_down(200) == 1; }));
        x.type(XK_Up, false);
        EXPECT_TRUE(frames_until([] { return key_down(200) == 0 && key_down(42) == 0; }));

        // The tracked pointer never saw an absolute jump.
        mouse_state(px, py, left, right);
        EXPECT_EQ(px, 121);
        EXPECT_EQ(py, 112);
        program_end();
    });
}
