// The frame's test seams: an injected clock, hooks into every frame and
// every event pump, focus and window messages on demand. Included by tests
// and tools only; the game sees frame.h.
#pragma once

#include <functional>
#include <string>

// ---------------------------------------------------------------- clock and hooks

// Replaces the clock and the sleep used by pacing (ms); nullptr restores them.
void frame_set_clock(std::function<double()> clock, std::function<void(double)> sleep);

// Makes start-up's full-screen request fail, as a display refusing it would.
void frame_refuse_full_screen(bool refuse);

// Start-up asks for a window without alpha, as the browser's canvas is and
// some desktop visuals are: what the renderer does on such a frame.
void frame_window_without_alpha(bool on);

// Automated runs ignore the window's focus changes, because test programs
// sharing one display take the focus from each other. A test on a display
// of its own sets this to hear them as a player's run does.
void frame_hear_focus(bool on);

// Called once per show_screen, after presenting (tests script input here).
void frame_set_frame_hook(std::function<void()> hook);

// Called by every event pump, also inside the game's wait loops (tests).
void frame_set_pump_hook(std::function<void()> hook);

// Frames presented since start-up.
long frame_count();

// Drains pending window and input events (show_screen and input reads use it).
void runtime_pump_events();

// Window focus as the frame sees it; tests may force a focus change.
bool runtime_window_active();
void runtime_set_window_active(bool active);

// The window caption currently shown.
std::string runtime_caption();

// Push a quit request or a window close into SDL's queue (tests); the next
// event pump ends the program as the window system would.
void runtime_push_quit();
void runtime_push_window_close();

// ---------------------------------------------------------------- benchmarks

// How the last show_screen spent its time (ms, on the steady clock):
// presenting (pending drawing, the copy to the window, the swap, the next
// frame's clear) and then waiting for the deadline.
struct FrameSpend {
    double present_ms = 0;
    double wait_ms = 0;
};
FrameSpend frame_last_spend();

// Shows `frames` frames by the shortest path there is (clear the offscreen
// frame, copy it to the window, swap), without pacing, input or anything
// else show_screen does; what show_screen costs beyond this is its own.
void frame_present_probe(int frames);
