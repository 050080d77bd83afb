// Program frame: start-up, the per-frame present and pacing, the orderly end.
//
// Every screen of the game is a loop that draws a whole frame and calls
// show_screen(); show_screen is the only place that presents, paces to the
// frame rate and drains the window's messages. program_end() (in
// runtime/process) runs the frame's shut-down and unwinds to runtime_run(),
// which returns 0.
#pragma once

#include <functional>
#include <string>

// ---------------------------------------------------------------- configuration

struct RuntimeConfig {
    int screen_width = 1024;
    int screen_height = 768;
    int full_screen = 1;        // desktop full screen; 0 = a captioned window
    int frame_rate = 60;        // frames per second; <= 0 = no limit
    int anti_aliasing = 0;
    int mouse_captured = 1;     // relative mouse, system pointer hidden
    int debug = 0;              // verbose end log and no auto-pause
    int automated = 0;          // automated runs (tests): no software-GL dialog, and
                                // focus changes only when runtime_set_window_active
                                // says so; the game sets it from WEDGEWISE_AUTOMATED
    std::string working_folder; // tests: the folder made current instead of the program's
    long quit_after_frames = 0;  // > 0: the program ends after main_program has shown this
                                 // many frames, and reports on stderr when it showed its first
    std::string title = "Wedgewise";
    std::string command_line;
};

// ---------------------------------------------------------------- life cycle

// Starts the runtime (log, window, GL, input, sound, containers, "Loading...").
// Returns false when no window could be made; the rest of start-up is skipped.
bool runtime_start(const RuntimeConfig& config);

// runtime_start, then main_program, catching the unwind of program_end().
// Returns the process exit code, always 0.
int runtime_run(const RuntimeConfig& config, const std::function<void()>& main_program);

// Presents the frame, paces to the next deadline, handles window messages,
// focus pause, Escape and Alt+F4, polls input and restarts looping music.
void show_screen();

// Milliseconds since the end of start-up.
double timer_ms();

// Whether Escape ends the program inside show_screen (on at start).
void allow_escape(double on);

// What the player's QUIT stores, run when the browser's page is left
// (closed, reloaded or hidden), which is how web pages are quit. Never
// called on the desktop, where closing the window ends without storing.
void set_leave_handler(void (*store)());

// True between runtime_start and program_end.
bool runtime_running();

// The configuration runtime_start was given.
const RuntimeConfig& runtime_config();
