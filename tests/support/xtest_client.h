// The X server's test extension as a client: relative motion, buttons and
// keys that travel the server's and SDL's whole event path, as a real mouse
// and keyboard would. libX11 and libXtst are taken at run time, so test
// programs need no extra link libraries and skip cleanly without them.
#pragma once

#include <dlfcn.h>

#include <string>

namespace xtest {

// Xlib's types as the library uses them (its headers' macros clash with the
// test framework, and only these few are needed).
struct Display;
using KeySym = unsigned long;
using KeyCode = unsigned char;
using Bool = int;

class Client {
public:
    Client() = default;
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    ~Client() {
        if (display_ != nullptr) close_display_(display_);
        if (xtst_ != nullptr) dlclose(xtst_);
        if (xlib_ != nullptr) dlclose(xlib_);
    }

    // Connects to $DISPLAY; empty when ready, else why not.
    std::string open() {
        xlib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (xlib_ == nullptr || xtst_ == nullptr) return "libX11 or libXtst is not installed";
        if (!bind(xlib_, open_display_, "XOpenDisplay") || !bind(xlib_, close_display_, "XCloseDisplay") ||
            !bind(xlib_, sync_, "XSync") || !bind(xlib_, keysym_to_keycode_, "XKeysymToKeycode") ||
            !bind(xtst_, query_extension_, "XTestQueryExtension") ||
            !bind(xtst_, relative_motion_, "XTestFakeRelativeMotionEvent") ||
            !bind(xtst_, button_, "XTestFakeButtonEvent") || !bind(xtst_, key_, "XTestFakeKeyEvent"))
            return "XTest functions missing";
        display_ = open_display_(nullptr);
        if (display_ == nullptr) return "no X display";
        int a = 0, b = 0, c = 0, d = 0;
        if (!query_extension_(display_, &a, &b, &c, &d)) return "the X server has no XTest";
        return std::string();
    }

    // Each call returns once the server has taken the event.
    void move(int dx, int dy) {
        relative_motion_(display_, dx, dy, 0);
        sync();
    }
    // X buttons: 1 left, 3 right, 4 wheel away from the player, 5 toward.
    void button(unsigned int which, bool down) {
        button_(display_, which, down ? 1 : 0, 0);
        sync();
    }
    void key(KeySym sym, bool down) {
        key_(display_, keysym_to_keycode_(display_, sym), down ? 1 : 0, 0);
        sync();
    }

private:
    template <typename F>
    static bool bind(void* lib, F& fn, const char* name) {
        fn = reinterpret_cast<F>(dlsym(lib, name));
        return fn != nullptr;
    }
    void sync() { sync_(display_, 0); }

    void* xlib_ = nullptr;
    void* xtst_ = nullptr;
    Display* display_ = nullptr;
    Display* (*open_display_)(const char*) = nullptr;
    int (*close_display_)(Display*) = nullptr;
    int (*sync_)(Display*, Bool) = nullptr;
    KeyCode (*keysym_to_keycode_)(Display*, KeySym) = nullptr;
    Bool (*query_extension_)(Display*, int*, int*, int*, int*) = nullptr;
    int (*relative_motion_)(Display*, int, int, unsigned long) = nullptr;
    int (*button_)(Display*, unsigned int, Bool, unsigned long) = nullptr;
    int (*key_)(Display*, unsigned int, Bool, unsigned long) = nullptr;
};

}  // namespace xtest
