// Mouse and keyboard, polled by the game.
//
// State is built from SDL's events (so pushed events behave like real ones).
// The mouse is relative while captured; the runtime tracks its own pointer,
// starting at (100, 100) and clamped to the screen. A finger (and in the
// browser a mouse without pointer lock) puts the pointer where it is: a tap
// is the left button, a two-finger tap the right. Motion and wheel are taken
// once per frame; buttons are read at every call. Keys use PC set-1 scan codes.
// At start-up "No SDL_Mouse" is logged when relative motion cannot be had and
// "No SDL_KB" when the video driver has no keyboard; the program goes on.
#pragma once

#include <string>

// ---------------------------------------------------------------- mouse

// The axes mouse_axis reads.
constexpr int MOUSE_AXIS_DX = 0;
constexpr int MOUSE_AXIS_DY = 1;
constexpr int MOUSE_AXIS_WHEEL = 2;     // -1, 0 or 1
constexpr int MOUSE_AXIS_LEFT = 3;      // buttons: 0 or 1
constexpr int MOUSE_AXIS_RIGHT = 4;
constexpr int MOUSE_AXIS_MIDDLE = 5;

// Tracked pointer (clamped, stored back) and the left and right buttons (0/1).
void mouse_state(double& x, double& y, double& left, double& right);

// One MOUSE_AXIS_* value; any other axis reads 0.
int mouse_axis(int n);

// Shows (on != 0) or hides the system pointer (hidden = captured, relative).
void show_system_pointer(double on);

// ---------------------------------------------------------------- keyboard

// 1 while the key with this set-1 scan code (low 8 bits) is held.
int key_down(int scan_code);

// The game asks for typed text (on != 0) or is done with it: where keys come
// from an on-screen keyboard (a phone's), it is shown meanwhile.
void ask_for_text(double on);

// One character for a key newly pressed ("\x08" Backspace, "\n" Enter), or "".
// The character is the one the window system typed for the key's press
// (layout, Shift and AltGr applied, Latin-1); a-z become A-Z under Shift.
std::string inkey();
