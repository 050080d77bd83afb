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

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>

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
};

InputState g_input;

// ---------------------------------------------------------------- coordinates

// Given by input_start; they outlive input_stop, as the frame's configuration does.
int g_screen_width = 0;
int g_screen_height = 0;
void (*g_pump)() = nullptr;

int screen_width() { return g_screen_width; }
int screen_height() { return g_screen_height; }

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

// ---------------------------------------------------------------- reads

int sign_of(long v) { return (v > 0) - (v < 0); }

// Takes this frame's motion on the first read after show_screen; later reads
// in the same frame see the same numbers.
void take_frame_motion() {
    if (!g_input.needs_read) return;
    g_input.needs_read = false;
    if (g_input.pointer_shown) {
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
}

// Every mouse read sees the live buttons: drain what is waiting first.
void read_mouse() {
    pump_events();
    take_frame_motion();
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
        if (!g_input.active) return;
        if (g_input.pointer_shown) {
            window_to_screen(event.motion.x, event.motion.y, g_input.cursor_x, g_input.cursor_y);
        } else {
            g_input.pending_dx += event.motion.xrel;
            g_input.pending_dy += event.motion.yrel;
        }
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        handle_button(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
        return;
    case SDL_MOUSEWHEEL: {
        if (!g_input.active) return;
        long steps = event.wheel.y;
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

void input_mark_frame() { g_input.needs_read = true; }

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
    }
}

// ---------------------------------------------------------------- mouse

void mouse_state(double& x, double& y, double& left, double& right) {
    read_mouse();
    g_input.pointer_x = std::clamp(g_input.pointer_x, 0, std::max(0, screen_width() - 1));
    g_input.pointer_y = std::clamp(g_input.pointer_y, 0, std::max(0, screen_height() - 1));
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

void input_push_wheel(int steps) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = SDL_GetTicks();
    e.wheel.windowID = window_id();
    e.wheel.y = steps;
    e.wheel.preciseY = float(steps);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

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
