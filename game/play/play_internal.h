// Pieces of the spine shared with its tests and the screenshot tool.
#pragma once

#include <string>

// ---------------------------------------------------------------- start-up

// Everything main_program does before the intro: containers, pointer, Escape,
// the program-wide arrays, media, records, settings and the font widths.
void program_start_up();

// The runtime configuration game_entry uses, from the command line options.
// Returns false (and fills message, exit_code) when the program should stop
// at once: --help, --version or an unknown option.
struct RuntimeConfig;
bool parse_command_line(int argc, char** argv, RuntimeConfig& config, std::string& message,
                        int& exit_code);

// ---------------------------------------------------------------- game cycle

// After the frame loop: music off, the out-of-time screen when the level
// clock ran out (never after a completed puzzle or QUIT, even on the frame
// the clock reached 0), practice return, name entry when the score beats
// the fifteenth entry.
void game_end(bool clock_ran_out);

// Whether the score earns a place in the high-score table.
bool score_enters_table(double score_value);

// ---------------------------------------------------------------- buttons of the play screen

// Both bounds excluded.
bool over_quit_button(double x, double y);
bool over_pause_button(double x, double y);
