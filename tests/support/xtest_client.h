// The X server's test extension as a client: relative motion, buttons and
// keys that travel the server's and SDL's whole event path, as a real mouse
// and keyboard would, and the screen's pixels as the server shows them. libX11 and libXtst are taken at run time, so test
// programs need no extra link libraries and skip cleanly without them.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace xtest {

// Xlib's types as the library uses them (its headers' macros clash with the
// test framework, and only these few are needed).
struct Display;
using KeySym = unsigned long;
using KeyCode = unsigned char;
using Bool = int;
using Window = unsigned long;

// The leading fields of Xlib's XImage, as the library lays them out.
struct ImagePrefix {
    int width, height, xoffset, format;
    char* data;
    int byte_order, bitmap_unit, bitmap_bit_order, bitmap_pad, depth, bytes_per_line, bits_per_pixel;
};

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

    // Connects to the named display ($DISPLAY when empty); empty when ready,
    // else why not.
    std::string open(const std::string& name = std::string()) {
        xlib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (xlib_ == nullptr || xtst_ == nullptr) return "libX11 or libXtst is not installed";
        if (!bind(xlib_, open_display_, "XOpenDisplay") || !bind(xlib_, close_display_, "XCloseDisplay") ||
            !bind(xlib_, sync_, "XSync") || !bind(xlib_, keysym_to_keycode_, "XKeysymToKeycode") ||
            !bind(xtst_, query_extension_, "XTestQueryExtension") ||
            !bind(xtst_, relative_motion_, "XTestFakeRelativeMotionEvent") ||
            !bind(xtst_, button_, "XTestFakeButtonEvent") || !bind(xtst_, key_, "XTestFakeKeyEvent") ||
            !bind(xlib_, root_window_, "XDefaultRootWindow") || !bind(xlib_, get_image_, "XGetImage") ||
            !bind(xlib_, free_, "XFree") || !bind(xtst_, absolute_motion_, "XTestFakeMotionEvent") ||
            !bind(xlib_, query_pointer_, "XQueryPointer") ||
            !bind(xlib_, pointer_control_, "XChangePointerControl"))
            return "XTest functions missing";
        display_ = open_display_(name.empty() ? nullptr : name.c_str());
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
    // The pointer to a place on the screen (an absolute move).
    void move_to(int x, int y) {
        absolute_motion_(display_, -1, x, y, 0);
        sync();
    }
    // Where the server has the pointer, in screen pixels.
    bool pointer(int& x, int& y) {
        Window root = 0, child = 0;
        int wx = 0, wy = 0;
        unsigned int mask = 0;
        const bool ok = query_pointer_(display_, root_window_(display_), &root, &child, &x, &y, &wx, &wy, &mask) != 0;
        sync();
        return ok;
    }
    // Motion one to one: the server's pointer acceleration off.
    void acceleration_off() {
        pointer_control_(display_, 1, 1, 1, 1, 0);
        sync();
    }

    // The screen's top-left w x h pixels as 0xRRGGBB, row by row; false when
    // the server's pixels are not 32 bits wide or cannot be read.
    bool screen_pixels(int w, int h, std::vector<uint32_t>& out) {
        constexpr unsigned long ALL_PLANES = ~0ul;
        constexpr int Z_PIXMAP = 2;
        out.clear();
        ImagePrefix* image = get_image_(display_, root_window_(display_), 0, 0, static_cast<unsigned>(w),
                                        static_cast<unsigned>(h), ALL_PLANES, Z_PIXMAP);
        if (image == nullptr) return false;
        const bool readable = image->bits_per_pixel == 32;
        if (readable)
            for (int y = 0; y < image->height; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line);
                for (int x = 0; x < image->width; ++x) out.push_back(row[x] & 0xFFFFFFu);
            }
        free_(image->data);
        free_(image);
        return readable;
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
    Window (*root_window_)(Display*) = nullptr;
    ImagePrefix* (*get_image_)(Display*, Window, int, int, unsigned int, unsigned int, unsigned long, int) = nullptr;
    int (*free_)(void*) = nullptr;
    int (*absolute_motion_)(Display*, int, int, int, unsigned long) = nullptr;
    Bool (*query_pointer_)(Display*, Window, Window*, Window*, int*, int*, int*, int*, unsigned int*) = nullptr;
    int (*pointer_control_)(Display*, Bool, Bool, int, int, int) = nullptr;
};

}  // namespace xtest
