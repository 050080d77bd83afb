// The input module's test seams: events pushed into SDL's queue, so the real
// event path runs, and the scan-code table. Included by tests and tools only.
#pragma once

#include <string>

// ---------------------------------------------------------------- test injection
// These push events into SDL's queue, so the real event path runs.

void input_push_motion(int dx, int dy);
void input_push_button(int button, bool down);   // 1 left, 2 right, 3 middle
void input_push_wheel(int steps);                // +1 away from the user
void input_push_wheel_fraction(float steps);     // a notch SDL counts as part of a step
void input_push_key(int scan_code, bool down);   // set-1 scan code
void input_push_text(const std::string& text);   // typed text, if needed
// A finger (id) landing or lifting at (x, y), each 0..1 across the window.
void input_push_finger(int finger, bool down, float x, float y);
void input_push_finger_motion(int finger, float x, float y);

// The page's controls (the browser's text field and turn buttons): text
// typed on an on-screen keyboard, and one turn (+1 anticlockwise, -1 clockwise).
void input_type_on_screen(const std::string& text);
void input_turn_on_screen(int steps);

// The tracked pointer as the last read left it (no read of its own).
void input_tracked_pointer(int& x, int& y);

// Places the tracked pointer directly (tests only).
void input_set_pointer(int x, int y);

// SDL scancode for a set-1 scan code, and back (0 when none).
int sdl_scancode_of(int scan_code);
int scan_code_of_sdl(int sdl_scancode);
