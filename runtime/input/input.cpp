// Mouse and keyboard state built from the SDL events the frame's pump drains.
//
// Nothing here asks SDL for its own device state: pushed events (tests) and
// real ones take the same road, and the game sees only what the events said.
#include "runtime/input/input.h"
#include "runtime/input/input_internal.h"
#include "runtime/input/input_testing.h"
#include "runtime/values/letterbox.h"
#include "runtime/process/process.h"
#include "runtime/values/bytes.h"
#ifdef __EMSCRIPTEN__
#include "runtime/web/web.h"

#include <emscripten.h>
#endif

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>

namespace {

// ---------------------------------------------------------------- scan-code table

constexpr int SCAN_CODES = 256;
constexpr int FIRST_TRACKED_POINTER = 100;

// Start-up log lines when a device cannot be had (the program goes on).
constexpr const char* LOG_NO_RELATIVE_MOUSE = "No SDL_Mouse";
constexpr const char* LOG_NO_KEYBOARD = "No SDL_KB";

// PC set-1 scan code (extended keys as 128 + code after the E0 prefix) and
// the SDL scancode of the same physical key.
struct ScanPair {
    int scan;
    SDL_Scancode sdl;
};

constexpr ScanPair SCAN_TABLE[] = {
    {1, SDL_SCANCODE_ESCAPE},
    {2, SDL_SCANCODE_1}, {3, SDL_SCANCODE_2}, {4, SDL_SCANCODE_3}, {5, SDL_SCANCODE_4},
    {6, SDL_SCANCODE_5}, {7, SDL_SCANCODE_6}, {8, SDL_SCANCODE_7}, {9, SDL_SCANCODE_8},
    {10, SDL_SCANCODE_9}, {11, SDL_SCANCODE_0},
    {12, SDL_SCANCODE_MINUS}, {13, SDL_SCANCODE_EQUALS}, {14, SDL_SCANCODE_BACKSPACE},
    {15, SDL_SCANCODE_TAB},
    {16, SDL_SCANCODE_Q}, {17, SDL_SCANCODE_W}, {18, SDL_SCANCODE_E}, {19, SDL_SCANCODE_R},
    {20, SDL_SCANCODE_T}, {21, SDL_SCANCODE_Y}, {22, SDL_SCANCODE_U}, {23, SDL_SCANCODE_I},
    {24, SDL_SCANCODE_O}, {25, SDL_SCANCODE_P},
    {26, SDL_SCANCODE_LEFTBRACKET}, {27, SDL_SCANCODE_RIGHTBRACKET}, {28, SDL_SCANCODE_RETURN},
    {29, SDL_SCANCODE_LCTRL},
    {30, SDL_SCANCODE_A}, {31, SDL_SCANCODE_S}, {32, SDL_SCANCODE_D}, {33, SDL_SCANCODE_F},
    {34, SDL_SCANCODE_G}, {35, SDL_SCANCODE_H}, {36, SDL_SCANCODE_J}, {37, SDL_SCANCODE_K},
    {38, SDL_SCANCODE_L},
    {39, SDL_SCANCODE_SEMICOLON}, {40, SDL_SCANCODE_APOSTROPHE}, {41, SDL_SCANCODE_GRAVE},
    {42, SDL_SCANCODE_LSHIFT}, {43, SDL_SCANCODE_BACKSLASH},
    {44, SDL_SCANCODE_Z}, {45, SDL_SCANCODE_X}, {46, SDL_SCANCODE_C}, {47, SDL_SCANCODE_V},
    {48, SDL_SCANCODE_B}, {49, SDL_SCANCODE_N}, {50, SDL_SCANCODE_M},
    {51, SDL_SCANCODE_COMMA}, {52, SDL_SCANCODE_PERIOD}, {53, SDL_SCANCODE_SLASH},
    {54, SDL_SCANCODE_RSHIFT}, {55, SDL_SCANCODE_KP_MULTIPLY}, {56, SDL_SCANCODE_LALT},
    {57, SDL_SCANCODE_SPACE}, {58, SDL_SCANCODE_CAPSLOCK},
    {59, SDL_SCANCODE_F1}, {60, SDL_SCANCODE_F2}, {61, SDL_SCANCODE_F3}, {62, SDL_SCANCODE_F4},
    {63, SDL_SCANCODE_F5}, {64, SDL_SCANCODE_F6}, {65, SDL_SCANCODE_F7}, {66, SDL_SCANCODE_F8},
    {67, SDL_SCANCODE_F9}, {68, SDL_SCANCODE_F10},
    {69, SDL_SCANCODE_NUMLOCKCLEAR}, {70, SDL_SCANCODE_SCROLLLOCK},
    {71, SDL_SCANCODE_KP_7}, {72, SDL_SCANCODE_KP_8}, {73, SDL_SCANCODE_KP_9},
    {74, SDL_SCANCODE_KP_MINUS},
    {75, SDL_SCANCODE_KP_4}, {76, SDL_SCANCODE_KP_5}, {77, SDL_SCANCODE_KP_6},
    {78, SDL_SCANCODE_KP_PLUS},
    {79, SDL_SCANCODE_KP_1}, {80, SDL_SCANCODE_KP_2}, {81, SDL_SCANCODE_KP_3},
    {82, SDL_SCANCODE_KP_0}, {83, SDL_SCANCODE_KP_PERIOD},
    {86, SDL_SCANCODE_NONUSBACKSLASH}, {87, SDL_SCANCODE_F11}, {88, SDL_SCANCODE_F12},
    {100, SDL_SCANCODE_F13}, {101, SDL_SCANCODE_F14}, {102, SDL_SCANCODE_F15},
    {112, SDL_SCANCODE_INTERNATIONAL2}, {115, SDL_SCANCODE_INTERNATIONAL1},
    {121, SDL_SCANCODE_INTERNATIONAL4}, {123, SDL_SCANCODE_INTERNATIONAL5},
    {125, SDL_SCANCODE_INTERNATIONAL3},
    {141, SDL_SCANCODE_KP_EQUALS},
    {156, SDL_SCANCODE_KP_ENTER}, {157, SDL_SCANCODE_RCTRL},
    {179, SDL_SCANCODE_KP_COMMA}, {181, SDL_SCANCODE_KP_DIVIDE},
    {183, SDL_SCANCODE_PRINTSCREEN}, {184, SDL_SCANCODE_RALT}, {197, SDL_SCANCODE_PAUSE},
    {199, SDL_SCANCODE_HOME}, {200, SDL_SCANCODE_UP}, {201, SDL_SCANCODE_PAGEUP},
    {203, SDL_SCANCODE_LEFT}, {205, SDL_SCANCODE_RIGHT}, {207, SDL_SCANCODE_END},
    {208, SDL_SCANCODE_DOWN}, {209, SDL_SCANCODE_PAGEDOWN}, {210, SDL_SCANCODE_INSERT},
    {211, SDL_SCANCODE_DELETE},
    {219, SDL_SCANCODE_LGUI}, {220, SDL_SCANCODE_RGUI}, {221, SDL_SCANCODE_APPLICATION},
};

// Keys SDL tells apart that share one set-1 code (the ISO "#" key sits
// where the US backslash is).
constexpr ScanPair SDL_ALIASES[] = {
    {43, SDL_SCANCODE_NONUSHASH},
    {84, SDL_SCANCODE_SYSREQ},
};

// Both directions of the table, filled once.
struct ScanMaps {
    std::array<int, SCAN_CODES> to_sdl{};
    std::array<int, SDL_NUM_SCANCODES> to_scan{};
    ScanMaps() {
        for (const ScanPair& p : SCAN_TABLE) {
            to_sdl[p.scan] = p.sdl;
            to_scan[p.sdl] = p.scan;
        }
        for (const ScanPair& p : SDL_ALIASES) to_scan[p.sdl] = p.scan;
    }
};

const ScanMaps& scan_maps() {
    static const ScanMaps maps;
    return maps;
}

// ---------------------------------------------------------------- key characters

constexpr int SCAN_BACKSPACE = 14;
constexpr int SCAN_ENTER = 28;
constexpr int SCAN_KEYPAD_ENTER = 156;
constexpr int SCAN_LEFT_SHIFT = 42;
constexpr int SCAN_RIGHT_SHIFT = 54;
constexpr int LAST_INKEY_SCAN = 254;
constexpr char CHAR_BACKSPACE = 8;
constexpr char CHAR_ENTER = 10;
constexpr int FIRST_PRINTABLE = 32;
constexpr int DELETE_CODE = 127;
constexpr int LAST_BYTE_CHARACTER = 255;

// A key's typed character not yet known: no text event came for its press.
constexpr int TEXT_UNKNOWN = -1;

// Modifier and lock keys that never type anything, even where the layout
// would give them a character.
constexpr int SILENT_KEYS[] = {29, 42, 54, 56, 58, 69, 221};

// Modifier keys whose state goes into the keysym of pushed key events.
struct ModifierKey {
    int scan;
    Uint16 mod;
};
constexpr ModifierKey MODIFIER_KEYS[] = {
    {42, KMOD_LSHIFT}, {54, KMOD_RSHIFT}, {29, KMOD_LCTRL}, {157, KMOD_RCTRL},
    {56, KMOD_LALT}, {184, KMOD_RALT}, {219, KMOD_LGUI}, {220, KMOD_RGUI},
};

// ---------------------------------------------------------------- state

constexpr std::array<int, SCAN_CODES> nothing_typed_yet() {
    std::array<int, SCAN_CODES> typed{};
    for (int& t : typed) t = TEXT_UNKNOWN;
    return typed;
}

enum MouseButton { BUTTON_LEFT = 0, BUTTON_RIGHT = 1, BUTTON_MIDDLE = 2, BUTTON_COUNT = 3 };

// ---------------------------------------------------------------- touch
//
// The first finger is the pointer and the left button. Its press is shown
// at a frame's first read, with the finger's position, a few frames after
// it lands: a second finger landing meanwhile makes the touch a right click
// (a two-finger tap turns the held tile clockwise, as the right button
// does). Once shown, a press stays down until it has been read at least
// once, so a tap lifted within a frame is still seen by the game.

// Frames a first finger waits for a second before its press is shown.
constexpr int TOUCH_GRACE_FRAMES = 3;

enum class TouchPhase {
    None,       // no finger down, or the fingers down hold nothing
    Waiting,    // the first finger is down, its press not shown yet
    TwoFinger,  // a second finger came while waiting: the right button
    Pressed,    // the first finger's left press is shown
};

struct Touch {
    TouchPhase phase = TouchPhase::None;
    SDL_FingerID finger = 0;   // the pointer's finger
    int fingers = 0;           // fingers down on the picture
    int frames = 0;            // frames begun since the first finger landed
    bool lifted = false;       // the finger lifted while waiting
    int button = -1;           // the button shown down for the touch
    bool seen = false;         // that press has been read
    bool release_due = false;  // let go once seen
};

// ---------------------------------------------------------------- on-screen keyboard
//
// Characters typed on a device's on-screen keyboard (the browser's text
// field) arrive as text, not key events. Each becomes a key pressed for two
// frames and let go for one: inkey gives it once, a name entry's Return
// test after show_screen still finds Return down, and inkey sees no key
// between two characters, so a doubled letter types twice.

// The scan code an on-screen character is held on: none of the keyboard's.
constexpr int ON_SCREEN_KEY = 0x59;
constexpr int ON_SCREEN_HELD_FRAMES = 2;

struct OnScreenKeys {
    std::deque<int> queued;    // characters (8 Backspace, 10 Return) not yet pressed
    int held_scan = 0;         // the key now down for one of them, 0 none
    int frames = 0;            // frames it has been down
};

struct InputState {
    SDL_Window* window = nullptr;
    bool active = true;            // key and mouse events count only while true
    bool pointer_shown = false;    // false = captured, relative motion

    int pointer_x = FIRST_TRACKED_POINTER;
    int pointer_y = FIRST_TRACKED_POINTER;

    // Relative motion and wheel gathered since the frame's motion was taken.
    long pending_dx = 0;
    long pending_dy = 0;
    long pending_wheel = 0;

    // System cursor (screen pixels) while shown, and where it was last frame.
    int cursor_x = FIRST_TRACKED_POINTER;
    int cursor_y = FIRST_TRACKED_POINTER;
    int last_cursor_x = FIRST_TRACKED_POINTER;
    int last_cursor_y = FIRST_TRACKED_POINTER;

    bool needs_read = true;        // set each frame; the first read takes the motion
    int frame_dx = 0;
    int frame_dy = 0;
    int frame_wheel = 0;

    std::array<bool, BUTTON_COUNT> buttons{};
    std::array<bool, SCAN_CODES> keys{};
    // What each held key typed, from the text event of its press (layout,
    // Shift and AltGr applied by the window system): a character code
    // 1..255, 0 for nothing this program can hold, or TEXT_UNKNOWN.
    std::array<int, SCAN_CODES> typed = nothing_typed_yet();
    int last_pressed = 0;          // the key a text event that follows belongs to
    char last_character = 0;       // lower-cased, for inkey's repeat suppression

    Uint16 pushed_modifiers = KMOD_NONE;   // as the pushed key events left them

    // Absolute pointer: where a finger (or, in the browser, a mouse without
    // pointer lock) is, in screen pixels; applied at the frame's first read,
    // like relative motion, so a frame sees one position throughout.
    bool target_due = false;
    int target_x = 0;
    int target_y = 0;

    Touch touch;
    OnScreenKeys typing;
    std::deque<int> turns;         // on-screen turn presses not yet given, +1/-1
    bool turn_gap = false;         // a frame without wheel between two turns
};

InputState g_input;

// ---------------------------------------------------------------- coordinates

// Given by input_start; they outlive input_stop, as the frame's configuration does.
int g_screen_width = 0;
int g_screen_height = 0;
void (*g_pump)() = nullptr;

int screen_width() { return g_screen_width; }
int screen_height() { return g_screen_height; }

// The tracked pointer's range: the screen's pixels.
int clamp_x(int x) { return std::clamp(x, 0, std::max(0, screen_width() - 1)); }
int clamp_y(int y) { return std::clamp(y, 0, std::max(0, screen_height() - 1)); }

void pump_events() {
    if (g_pump) g_pump();
}

// The picture's place in window coordinates: the renderer's letterbox,
// worked out in drawable pixels (more than one per window coordinate on a
// HiDPI screen), so both agree to the pixel. Identity without a window.
struct WindowBox {
    double left = 0.0;
    double top = 0.0;
    double scale_x = 1.0;   // window coordinates per screen pixel
    double scale_y = 1.0;
};

WindowBox window_box() {
    WindowBox box;
    if (g_input.window == nullptr) return box;
    int w = 0, h = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(g_input.window, &w, &h);
    SDL_GL_GetDrawableSize(g_input.window, &dw, &dh);
    if (dw <= 0 || dh <= 0) {
        dw = w;
        dh = h;
    }
    const Letterbox picture = letterbox_of(dw, dh, screen_width(), screen_height());
    if (w <= 0 || h <= 0 || picture.width <= 0 || picture.height <= 0) return box;
    const double pixels_x = double(dw) / w, pixels_y = double(dh) / h;
    box.left = picture.left / pixels_x;
    box.top = picture.top / pixels_y;
    box.scale_x = double(picture.width) / screen_width() / pixels_x;
    box.scale_y = double(picture.height) / screen_height() / pixels_y;
    return box;
}

void window_to_screen(int wx, int wy, int& sx, int& sy) {
    const WindowBox box = window_box();
    sx = int((wx - box.left) / box.scale_x);
    sy = int((wy - box.top) / box.scale_y);
}

void screen_to_window(int sx, int sy, int& wx, int& wy) {
    const WindowBox box = window_box();
    wx = int(sx * box.scale_x + box.left);
    wy = int(sy * box.scale_y + box.top);
}

// Whether relative motion really arrives: in the browser the pointer lock
// may be refused or lost (and a finger never takes it).
bool pointer_captured() {
#ifdef __EMSCRIPTEN__
    return web_pointer_locked();
#else
    return true;
#endif
}

// The screen pixel the mouse is at when it is not captured. The browser's
// page knows it exactly (SDL's event position has drifted from it by then).
bool mouse_on_picture(int wx, int wy, int& sx, int& sy) {
#ifdef __EMSCRIPTEN__
    (void)wx;
    (void)wy;
    return web_mouse_on_canvas(sx, sy);
#else
    window_to_screen(wx, wy, sx, sy);
    return true;
#endif
}

// ---------------------------------------------------------------- reads

int sign_of(long v) { return (v > 0) - (v < 0); }

// Shows a touch's waiting press (with the position it is at) once its
// grace is over or the finger has lifted; a second finger made it right.
void show_touch_press() {
    Touch& t = g_input.touch;
    if (t.phase == TouchPhase::Waiting && (t.frames >= TOUCH_GRACE_FRAMES || t.lifted)) {
        t.phase = TouchPhase::Pressed;
        t.button = BUTTON_LEFT;
    } else if (t.phase == TouchPhase::TwoFinger && t.button < 0) {
        t.button = BUTTON_RIGHT;
    } else {
        return;
    }
    g_input.buttons[size_t(t.button)] = true;
    t.seen = false;
    t.release_due = t.lifted;
}

// Lets go of a touch's button; the touch holds nothing until all fingers lift.
void release_touch() {
    Touch& t = g_input.touch;
    if (t.button >= 0) g_input.buttons[size_t(t.button)] = false;
    t.button = -1;
    t.release_due = false;
    t.phase = TouchPhase::None;
}

// Takes this frame's motion on the first read after show_screen; later reads
// in the same frame see the same numbers.
void take_frame_motion() {
    if (!g_input.needs_read) return;
    g_input.needs_read = false;
    if (g_input.target_due) {
        // An absolute position: the motion is the jump to it.
        g_input.target_due = false;
        g_input.frame_dx = g_input.target_x - g_input.pointer_x;
        g_input.frame_dy = g_input.target_y - g_input.pointer_y;
        g_input.pointer_x = g_input.cursor_x = g_input.last_cursor_x = g_input.target_x;
        g_input.pointer_y = g_input.cursor_y = g_input.last_cursor_y = g_input.target_y;
    } else if (g_input.pointer_shown) {
        g_input.frame_dx = g_input.cursor_x - g_input.last_cursor_x;
        g_input.frame_dy = g_input.cursor_y - g_input.last_cursor_y;
        g_input.last_cursor_x = g_input.cursor_x;
        g_input.last_cursor_y = g_input.cursor_y;
        g_input.pointer_x = g_input.cursor_x;
        g_input.pointer_y = g_input.cursor_y;
    } else {
        g_input.frame_dx = int(std::clamp<long>(g_input.pending_dx, INT16_MIN, INT16_MAX));
        g_input.frame_dy = int(std::clamp<long>(g_input.pending_dy, INT16_MIN, INT16_MAX));
        g_input.pointer_x += g_input.frame_dx;
        g_input.pointer_y += g_input.frame_dy;
    }
    g_input.frame_wheel = sign_of(g_input.pending_wheel);
    g_input.pending_dx = g_input.pending_dy = g_input.pending_wheel = 0;
    // An on-screen turn is a wheel step in a frame of its own, with a frame
    // without one after it: the game turns once per step it sees begin.
    if (g_input.frame_wheel == 0 && !g_input.turns.empty()) {
        if (g_input.turn_gap) {
            g_input.turn_gap = false;
        } else {
            g_input.frame_wheel = g_input.turns.front();
            g_input.turns.pop_front();
            g_input.turn_gap = true;
        }
    }
    show_touch_press();
}

// Every mouse read sees the live buttons: drain what is waiting first.
void read_mouse() {
    pump_events();
    // A touch lifted before the game saw its press is let go at the read
    // after the one that saw it.
    Touch& t = g_input.touch;
    if (t.release_due && t.seen) release_touch();
    take_frame_motion();
    if (t.button >= 0) t.seen = true;
}

// Screen pixel of a finger at (fx, fy), each 0..1 across the window.
void finger_to_screen(float fx, float fy, int& sx, int& sy) {
    int w = screen_width(), h = screen_height();
    if (g_input.window != nullptr) SDL_GetWindowSize(g_input.window, &w, &h);
    window_to_screen(int(fx * w), int(fy * h), sx, sy);
}

// An absolute position for the next frame's read, clamped as the tracked
// pointer is.
void aim_at(int sx, int sy) {
    g_input.target_due = true;
    g_input.target_x = clamp_x(sx);
    g_input.target_y = clamp_y(sy);
}

void handle_finger(const SDL_TouchFingerEvent& finger, Uint32 type) {
    Touch& t = g_input.touch;
    if (type == SDL_FINGERDOWN) {
        if (!g_input.active) return;
        ++t.fingers;
        if (t.fingers == 1 && t.phase == TouchPhase::None) {
            t = Touch{};
            t.fingers = 1;
            t.phase = TouchPhase::Waiting;
            t.finger = finger.fingerId;
            int sx = 0, sy = 0;
            finger_to_screen(finger.x, finger.y, sx, sy);
            aim_at(sx, sy);
        } else if (t.phase == TouchPhase::Waiting) {
            t.phase = TouchPhase::TwoFinger;
        }
        return;
    }
    if (type == SDL_FINGERMOTION) {
        if (!g_input.active || finger.fingerId != t.finger) return;
        if (t.phase != TouchPhase::Waiting && t.phase != TouchPhase::Pressed) return;
        int sx = 0, sy = 0;
        finger_to_screen(finger.x, finger.y, sx, sy);
        aim_at(sx, sy);
        return;
    }
    // A lift always counts, so a touch never sticks across a focus change.
    t.fingers = std::max(0, t.fingers - 1);
    if (t.phase == TouchPhase::Waiting) {
        if (finger.fingerId == t.finger) t.lifted = true;
    } else if (t.phase == TouchPhase::TwoFinger) {
        if (t.button < 0) t.lifted = true;
        else if (t.seen) release_touch();
        else t.release_due = true;
    } else if (t.phase == TouchPhase::Pressed && finger.fingerId == t.finger) {
        if (t.seen) release_touch();
        else t.release_due = true;
    }
    if (t.fingers == 0 && t.phase == TouchPhase::None) t = Touch{};
}

// Presses and lets go of the on-screen keyboard's keys, one frame's step.
void step_on_screen_keys() {
    OnScreenKeys& k = g_input.typing;
    if (k.held_scan != 0) {
        if (++k.frames < ON_SCREEN_HELD_FRAMES) return;
        g_input.keys[size_t(k.held_scan)] = false;
        g_input.typed[size_t(k.held_scan)] = TEXT_UNKNOWN;
        k.held_scan = 0;
        return;   // a frame with the key up before the next
    }
    if (k.queued.empty() || !g_input.active) return;
    const int c = k.queued.front();
    k.queued.pop_front();
    k.held_scan = c == CHAR_ENTER ? SCAN_ENTER : c == CHAR_BACKSPACE ? SCAN_BACKSPACE : ON_SCREEN_KEY;
    g_input.keys[size_t(k.held_scan)] = true;
    g_input.typed[size_t(k.held_scan)] = k.held_scan == ON_SCREEN_KEY ? c : TEXT_UNKNOWN;
    k.frames = 0;
}

bool is_silent_key(int scan) {
    return std::find(std::begin(SILENT_KEYS), std::end(SILENT_KEYS), scan) != std::end(SILENT_KEYS);
}

// The character a held key types, or 0: what the window system typed for
// its press, else (no text came: Ctrl held, or pushed key events) the
// layout's character for the key alone.
char character_of(int scan) {
    if (scan == SCAN_BACKSPACE) return CHAR_BACKSPACE;
    if (scan == SCAN_ENTER || scan == SCAN_KEYPAD_ENTER) return CHAR_ENTER;
    if (is_silent_key(scan)) return 0;
    if (g_input.typed[size_t(scan)] != TEXT_UNKNOWN) return char(g_input.typed[size_t(scan)]);
    const int sdl = sdl_scancode_of(scan);
    if (sdl == 0) return 0;
    const SDL_Keycode key = SDL_GetKeyFromScancode(SDL_Scancode(sdl));
    if ((key & SDLK_SCANCODE_MASK) != 0) return 0;
    if (key < FIRST_PRINTABLE || key == DELETE_CODE || key > LAST_BYTE_CHARACTER) return 0;
    return char(key);
}

// The one character of a text event as a byte (Latin-1), or 0 when the
// text is not exactly one printable character below 256.
int typed_character(const char* utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    int code = 0;
    size_t length = 0;
    if (p[0] < 0x80) {
        code = p[0];
        length = 1;
    } else if ((p[0] & 0xE0) == 0xC0 && (p[1] & 0xC0) == 0x80) {
        code = ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
        length = 2;
    } else {
        return 0;
    }
    if (p[length] != 0) return 0;
    if (code < FIRST_PRINTABLE || code == DELETE_CODE || code > LAST_BYTE_CHARACTER) return 0;
    return code;
}


// ---------------------------------------------------------------- event handling

void handle_button(Uint8 sdl_button, bool down) {
    int index = -1;
    if (sdl_button == SDL_BUTTON_LEFT) index = BUTTON_LEFT;
    else if (sdl_button == SDL_BUTTON_RIGHT) index = BUTTON_RIGHT;
    else if (sdl_button == SDL_BUTTON_MIDDLE) index = BUTTON_MIDDLE;
    if (index < 0) return;
    // A release always counts, so a button never sticks across a focus change.
    if (down && !g_input.active) return;
    g_input.buttons[index] = down;
}

Uint32 window_id() { return g_input.window ? SDL_GetWindowID(g_input.window) : 0; }

Uint32 button_mask() {
    Uint32 mask = 0;
    if (g_input.buttons[BUTTON_LEFT]) mask |= SDL_BUTTON_LMASK;
    if (g_input.buttons[BUTTON_RIGHT]) mask |= SDL_BUTTON_RMASK;
    if (g_input.buttons[BUTTON_MIDDLE]) mask |= SDL_BUTTON_MMASK;
    return mask;
}

// Hides the pointer and reads the mouse relatively, or shows it at the
// tracked position and follows the system cursor. False when relative
// motion was asked for and SDL could not give it.
bool apply_pointer_mode(bool shown) {
    bool ok = true;
    if (shown) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        if (g_input.window != nullptr) {
            int wx = 0, wy = 0;
            screen_to_window(g_input.pointer_x, g_input.pointer_y, wx, wy);
            SDL_WarpMouseInWindow(g_input.window, wx, wy);
        }
        SDL_ShowCursor(SDL_ENABLE);
        g_input.cursor_x = g_input.last_cursor_x = g_input.pointer_x;
        g_input.cursor_y = g_input.last_cursor_y = g_input.pointer_y;
    } else {
        SDL_ShowCursor(SDL_DISABLE);
        ok = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
    }
    g_input.pointer_shown = shown;
    g_input.pending_dx = g_input.pending_dy = 0;
    return ok;
}

// Video drivers that deliver no keyboard events at all.
constexpr const char* DRIVERS_WITHOUT_KEYBOARD[] = {"offscreen", "dummy"};

bool keyboard_available() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    for (const char* none : DRIVERS_WITHOUT_KEYBOARD)
        if (std::strcmp(driver, none) == 0) return false;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- frame interface

void input_start(SDL_Window* window, bool captured, int screen_width, int screen_height, void (*pump)()) {
    g_screen_width = screen_width;
    g_screen_height = screen_height;
    g_pump = pump;
    g_input = InputState{};
    g_input.window = window;
    // Relative mode through warping loses motion; the default (off) is the
    // accurate raw-motion path.
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
    // Without them the program goes on: motion then comes from the cursor's
    // own moves, and only the events that do arrive are seen.
    if (!apply_pointer_mode(!captured)) startup_log(LOG_NO_RELATIVE_MOUSE);
    if (!keyboard_available()) startup_log(LOG_NO_KEYBOARD);
    // Typed characters come from text events, sent while text input is on.
    SDL_StartTextInput();
}

void input_stop() {
    if (g_input.window != nullptr) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        SDL_ShowCursor(SDL_ENABLE);
        SDL_StopTextInput();
    }
    g_input = InputState{};
    g_input.window = nullptr;
}

void input_handle_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEMOTION:
        // SDL's copy of a touch as mouse events: the fingers are read themselves.
        if (!g_input.active || event.motion.which == SDL_TOUCH_MOUSEID) return;
        if (!g_input.pointer_shown && !pointer_captured()) {
            // Not captured (a browser without pointer lock): the pointer is
            // where the mouse is on the picture.
            int sx = 0, sy = 0;
            if (mouse_on_picture(event.motion.x, event.motion.y, sx, sy)) aim_at(sx, sy);
        } else if (g_input.pointer_shown) {
            window_to_screen(event.motion.x, event.motion.y, g_input.cursor_x, g_input.cursor_y);
        } else {
            g_input.pending_dx += event.motion.xrel;
            g_input.pending_dy += event.motion.yrel;
        }
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.which == SDL_TOUCH_MOUSEID) return;
        handle_button(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
        return;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION:
        handle_finger(event.tfinger, event.type);
        return;
    case SDL_MOUSEWHEEL: {
        if (!g_input.active || event.wheel.which == SDL_TOUCH_MOUSEID) return;
        // One notch is one step, however small: browsers report a notch
        // in pixels, of which SDL counts 100 to a step and gives whole steps
        // only once fractions add up. Chromium's notch on X11 is 53 pixels,
        // Firefox's follows the line height: a lone small notch would be lost.
        long steps = event.wheel.y;
        if (steps == 0) steps = event.wheel.preciseY > 0 ? 1 : event.wheel.preciseY < 0 ? -1 : 0;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
        g_input.pending_wheel += steps;
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // While another window is active the last state read stays.
        if (!g_input.active) return;
        const int scan = scan_code_of_sdl(event.key.keysym.scancode);
        if (scan == 0) return;
        const bool down = event.type == SDL_KEYDOWN;
        g_input.keys[size_t(scan)] = down;
        // A key repeat keeps what the press typed.
        if (event.key.repeat != 0) return;
        g_input.typed[size_t(scan)] = TEXT_UNKNOWN;
        if (down)
            g_input.last_pressed = scan;
        else if (g_input.last_pressed == scan)
            g_input.last_pressed = 0;
        return;
    }
    case SDL_TEXTINPUT: {
        // The window system sends a key's text right after its press.
        const int scan = g_input.last_pressed;
        if (!g_input.active || scan == 0 || !g_input.keys[size_t(scan)]) return;
        if (g_input.typed[size_t(scan)] == TEXT_UNKNOWN) g_input.typed[size_t(scan)] = typed_character(event.text.text);
        return;
    }
    default:
        return;
    }
}

void input_mark_frame() {
    g_input.needs_read = true;
    if (g_input.touch.phase == TouchPhase::Waiting) ++g_input.touch.frames;
    step_on_screen_keys();
}

void input_focus(bool active) {
    g_input.active = active;
    if (active) {
        SDL_StartTextInput();
    } else {
        SDL_StopTextInput();
        // The buttons cannot be watched from outside; motion made elsewhere
        // must not move the tracked pointer.
        g_input.buttons.fill(false);
        g_input.pending_dx = g_input.pending_dy = g_input.pending_wheel = 0;
        g_input.touch = Touch{};
        g_input.target_due = false;
        g_input.turns.clear();
    }
}

// ---------------------------------------------------------------- mouse

void mouse_state(double& x, double& y, double& left, double& right) {
    read_mouse();
    g_input.pointer_x = clamp_x(g_input.pointer_x);
    g_input.pointer_y = clamp_y(g_input.pointer_y);
    x = g_input.pointer_x;
    y = g_input.pointer_y;
    left = g_input.buttons[BUTTON_LEFT] ? 1 : 0;
    right = g_input.buttons[BUTTON_RIGHT] ? 1 : 0;
}

int mouse_axis(int n) {
    read_mouse();
    switch (n) {
    case MOUSE_AXIS_DX: return g_input.frame_dx;
    case MOUSE_AXIS_DY: return g_input.frame_dy;
    case MOUSE_AXIS_WHEEL: return g_input.frame_wheel;
    case MOUSE_AXIS_LEFT: return g_input.buttons[BUTTON_LEFT] ? 1 : 0;
    case MOUSE_AXIS_RIGHT: return g_input.buttons[BUTTON_RIGHT] ? 1 : 0;
    case MOUSE_AXIS_MIDDLE: return g_input.buttons[BUTTON_MIDDLE] ? 1 : 0;
    default: return 0;
    }
}

void show_system_pointer(double on) {
    const bool shown = on != 0;
    if (shown == g_input.pointer_shown) return;
    apply_pointer_mode(shown);
}

// ---------------------------------------------------------------- keyboard

void ask_for_text(double on) {
#ifdef __EMSCRIPTEN__
    web_text_entry(on != 0);
#else
    (void)on;   // the window's keyboard types at any time
#endif
}

int key_down(int scan_code) {
    pump_events();
    return g_input.keys[scan_code & (SCAN_CODES - 1)] ? 1 : 0;
}

std::string inkey() {
    pump_events();
    char found = 0;
    for (int scan = 0; scan <= LAST_INKEY_SCAN && found == 0; ++scan)
        if (g_input.keys[scan]) found = character_of(scan);
    if (found != 0 && (g_input.keys[SCAN_LEFT_SHIFT] || g_input.keys[SCAN_RIGHT_SHIFT]))
        found = ascii_upper(found);
    const char lowered = ascii_lower(found);
    if (lowered == g_input.last_character) return std::string();
    g_input.last_character = lowered;
    return found ? std::string(1, found) : std::string();
}

// ---------------------------------------------------------------- test injection

void input_push_motion(int dx, int dy) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEMOTION;
    e.motion.timestamp = SDL_GetTicks();
    e.motion.windowID = window_id();
    e.motion.state = button_mask();
    int wx = 0, wy = 0;
    const int base_x = g_input.pointer_shown ? g_input.cursor_x : g_input.pointer_x;
    const int base_y = g_input.pointer_shown ? g_input.cursor_y : g_input.pointer_y;
    screen_to_window(base_x + dx, base_y + dy, wx, wy);
    e.motion.x = wx;
    e.motion.y = wy;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    SDL_PushEvent(&e);
}

void input_push_button(int button, bool down) {
    static constexpr Uint8 SDL_BUTTON_OF[] = {0, SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE};
    if (button < 1 || button > 3) return;
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.timestamp = SDL_GetTicks();
    e.button.windowID = window_id();
    e.button.button = SDL_BUTTON_OF[button];
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    int wx = 0, wy = 0;
    screen_to_window(g_input.pointer_x, g_input.pointer_y, wx, wy);
    e.button.x = wx;
    e.button.y = wy;
    SDL_PushEvent(&e);
}

namespace {

// A wheel event of `whole` SDL steps and `precise` steps as the device measured them.
void push_wheel_event(int whole, float precise) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = SDL_GetTicks();
    e.wheel.windowID = window_id();
    e.wheel.y = whole;
    e.wheel.preciseY = precise;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

}  // namespace

void input_push_wheel(int steps) { push_wheel_event(steps, float(steps)); }

// SDL's whole steps: none until the fractions add up.
void input_push_wheel_fraction(float steps) { push_wheel_event(0, steps); }

void input_push_key(int scan_code, bool down) {
    const int sdl = sdl_scancode_of(scan_code);
    if (sdl == 0) return;
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = window_id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_Scancode(sdl);
    e.key.keysym.sym = SDL_GetKeyFromScancode(SDL_Scancode(sdl));
    // Like SDL's own events, the modifiers include this key's new state.
    Uint16& mod = g_input.pushed_modifiers;
    for (const ModifierKey& m : MODIFIER_KEYS)
        if (m.scan == scan_code) mod = down ? Uint16(mod | m.mod) : Uint16(mod & ~m.mod);
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

void input_push_text(const std::string& text) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_TEXTINPUT;
    e.text.timestamp = SDL_GetTicks();
    e.text.windowID = window_id();
    const size_t n = std::min(text.size(), sizeof e.text.text - 1);
    std::memcpy(e.text.text, text.data(), n);
    SDL_PushEvent(&e);
}

void input_push_finger(int finger, bool down, float x, float y) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_FINGERDOWN : SDL_FINGERUP;
    e.tfinger.timestamp = SDL_GetTicks();
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = finger;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.pressure = down ? 1.0f : 0.0f;
    e.tfinger.windowID = window_id();
    SDL_PushEvent(&e);
}

void input_push_finger_motion(int finger, float x, float y) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_FINGERMOTION;
    e.tfinger.timestamp = SDL_GetTicks();
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = finger;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.pressure = 1.0f;
    e.tfinger.windowID = window_id();
    SDL_PushEvent(&e);
}

void input_type_on_screen(const std::string& text) {
    for (unsigned char c : text) {
        const bool control = c == CHAR_ENTER || c == CHAR_BACKSPACE;
        if (control || (c >= FIRST_PRINTABLE && c != DELETE_CODE)) g_input.typing.queued.push_back(c);
    }
}

void input_turn_on_screen(int steps) {
    if (steps != 0 && g_input.active) g_input.turns.push_back(steps > 0 ? 1 : -1);
}

void input_tracked_pointer(int& x, int& y) {
    x = g_input.pointer_x;
    y = g_input.pointer_y;
}

void input_set_pointer(int x, int y) {
    g_input.pointer_x = x;
    g_input.pointer_y = y;
    g_input.cursor_x = g_input.last_cursor_x = x;
    g_input.cursor_y = g_input.last_cursor_y = y;
}

int sdl_scancode_of(int scan_code) {
    if (scan_code < 0 || scan_code >= SCAN_CODES) return 0;
    return scan_maps().to_sdl[scan_code];
}

int scan_code_of_sdl(int sdl_scancode) {
    if (sdl_scancode < 0 || sdl_scancode >= SDL_NUM_SCANCODES) return 0;
    return scan_maps().to_scan[sdl_scancode];
}

#ifdef __EMSCRIPTEN__
// ---------------------------------------------------------------- the page's controls

// One character typed on the on-screen keyboard (Latin-1 code; 10 Return,
// 8 Backspace).
extern "C" EMSCRIPTEN_KEEPALIVE void wedgewise_type(int code) {
    if (code > 0 && code <= LAST_BYTE_CHARACTER) input_type_on_screen(std::string(1, char(code)));
}

// One press of an on-screen turn button: +1 anticlockwise, -1 clockwise
// (the wheel's directions).
extern "C" EMSCRIPTEN_KEEPALIVE void wedgewise_turn(int steps) { input_turn_on_screen(steps); }
#endif
