// Pieces shared by the gamebench modes.
#pragma once

#include <string>
#include <vector>

struct RuntimeConfig;

// ---------------------------------------------------------------- set-up

// The game's configuration in a window, for benchmarks (automated, no dialogs).
RuntimeConfig bench_config(const std::string& working_folder);

// A clock that moves only when pacing sleeps on it: frames are not paced,
// yet every timer of the game sees 60 frames per second.
void install_unpaced_clock();

// Runs a program (looked up on PATH when its name has no slash) with these
// arguments and waits for it: its exit status, 128 + the signal that ended
// it, or -1 when it could not be started.
int run_and_wait(const std::vector<std::string>& args);

// Milliseconds on the steady clock.
double now_ms();

// Processor time of the whole process (every thread) in milliseconds.
double process_cpu_ms();

// A fresh private folder under /tmp (removed by remove_folder).
std::string make_temp_folder(const char* tag);
void remove_folder(const std::string& folder);

// The folder of the generated media beside this program ("" when absent).
std::string media_home();

// ---------------------------------------------------------------- play state

// Starts a practice game of the level, quiet and with the vortex turning.
void start_bench_level(int level);

// Fills the level's spaces with tiles: with use_solver a solution (every
// corner agrees), else catalogue tiles in order (quick; only the board being
// full counts). Leaves `left_empty` spaces empty. Returns how many spaces
// were filled; from_solver tells whether a solution was used.
int fill_board(int level, int left_empty, bool use_solver, bool* from_solver);

// ---------------------------------------------------------------- modes

int bench_startup(int runs);
int bench_frames(int frames);
int bench_pacing(int frames);
int bench_work(int frames, bool under_callgrind_only);
int work_child(int frames, bool rounds);
int bench_memory(long frame_limit);
int bench_soak(long frames, unsigned seed);
