// Between the frame and the input module.
#pragma once

union SDL_Event;
struct SDL_Window;

// Creates the input state for the window; captured = relative mouse. The
// pointer is clamped to the screen size; pump drains the window's events
// (the frame's), which every read runs first so it sees the live buttons.
void input_start(SDL_Window* window, bool captured, int screen_width, int screen_height, void (*pump)());

// Releases the input state.
void input_stop();

// Feeds one event drained by the frame's pump into the input state.
void input_handle_event(const SDL_Event& event);

// Called by show_screen: the next mouse read takes a new frame's motion.
void input_mark_frame();

// Called when the window loses or gains focus.
void input_focus(bool active);
