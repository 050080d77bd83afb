// The runtime's seams to the browser (built with Emscripten only): how the
// program waits and yields, where the start-up log goes, how saved files
// reach persistent storage and how the page learns that the program ended.
//
// The game's blocking loops stay as they are: under ASYNCIFY a wait unwinds
// the stack to the browser and resumes it later, so show_screen and the
// loops that wait for a button release give the page its turn.
#pragma once

#ifdef __EMSCRIPTEN__
#include <string>

// Sleeps by yielding to the browser.
void web_sleep_ms(double ms);

// Yields until the browser's next animation frame; returns its time (ms
// of the page clock, the clock the program reads: the frame's start, a
// display frame's steady beat, not the moment the program resumed).
double web_wait_animation_frame();

// The browser's time (ms of the page clock) of the last animation frame
// waited for, -1 before the first.
double web_last_animation_frame_ms();

// True once the program has run a while without letting the browser run:
// events reach the program only between its turns (wait loops poll the
// mouse), so the caller then yields.
bool web_yield_due();

// Copies one start-up log line to the browser's console.
void web_log(const std::string& line);

// A data file was written and renamed into place: the page copies it to
// IndexedDB.
void web_file_saved(const std::string& path);

// Whether the page holds the pointer lock (relative motion arrives).
bool web_pointer_locked();

// Where the page last saw the mouse, in the canvas's pixels (the picture's:
// the page letterboxes the canvas itself); false before it has seen it.
bool web_mouse_on_canvas(int& x, int& y);

// The game asks for typed text, or is done: the page shows its text field
// (a phone's on-screen keyboard opens for it) and a button that ends the entry.
void web_text_entry(bool on);

// A notice over the picture (the software-GL warning), until a click; the
// program goes on meanwhile.
void web_notice(const char* caption, const char* text);

// The game's first frame is on the screen: the page starts what waited
// for it (the offline copy, which would otherwise compete with start-up).
void web_first_frame_shown();

// The sound device has been opened (its context is Module.SDL2.audioContext).
void web_sound_opened();

// The program has ended (error code 0 = the player quit); the page says so.
void web_program_ended(double error_code);
#endif
