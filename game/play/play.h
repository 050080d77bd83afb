// The game's spine: entry, main program, frame loop, play screen, level end.
#pragma once

#include <string>

// ---------------------------------------------------------------- program

// Sets the configuration, starts the runtime and runs the main program.
// Returns the process exit code (0). Options: --windowed, --help, --version.
int game_entry(int argc, char** argv);

// Start-up then the game cycle; never returns (ends through program_end).
void main_program();

// Loads the media table, slot by slot.
void load_media();

// Fills the glyph width table by reading the font back once.
void measure_glyphs();

// Installs the runtime-backed services of the puzzle rules.
void install_play_services();

// One game from start_level to its end (frame loop and game end).
void play_game();

// One pass of the frame loop; returns false when the game ends.
bool frame_loop_pass();

// Moves, fades and drops the debris (one frame).
void move_debris();

// ---------------------------------------------------------------- play screen

void draw_play_screen();
void draw_board();
void draw_store();
void draw_status_bar();
void draw_digits(double value, double x, double y, int count);
void draw_tile(double x, double y, double angle, int c1, int c2, int c3);
void draw_store_tile(double x, double y, int c1, int c2, int c3);
void draw_spinning_tile(double x, double y, double angle, int c1, int c2, int c3);
int mix_colours(int a, int b, int c);
void draw_vortex();

// ---------------------------------------------------------------- interludes

void level_complete();
void out_of_time();
void pause_screen();
