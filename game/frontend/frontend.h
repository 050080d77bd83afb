// The front-end screens and the player's records.
#pragma once

#include <array>
#include <string>

#include "game/puzzle/state.h"
#include "runtime/values/values.h"

// ---------------------------------------------------------------- settings (settings.dat, 20 bytes)

// Both also read or write options.dat, after settings.dat.
void load_settings();
void save_settings();

// The names of the two files, in the data folder.
extern const char* const SETTINGS_FILE;
extern const char* const OPTIONS_FILE;

// ---------------------------------------------------------------- options (options.dat, 4 bytes)
// "W", "O", format 1, corner marks 0 or 1. A missing or damaged file means
// every option off; it is replaced whole at the next save.

void load_options();
void save_options();

// ---------------------------------------------------------------- colour presets

// A whole colour scheme the colour scheme screen sets with one click: the
// eighteen channels of colours 1..6 as red, green, blue, each even and within
// 20..254 so the arrows step it as they step their own.
struct ColourPreset {
    const char* name;                 // as shown, in the game's font
    std::array<int, 18> channels;
    bool colour_safe;                 // made for every kind of colour vision
};

// The smallest CIEDE2000 difference a colour-safe preset keeps between any
// two of its colours, under normal vision and each simulated dichromacy.
constexpr double COLOUR_SAFE_DIFFERENCE = 25;

// CLASSIC is the first run's scheme. COLOUR SAFE keeps every two of its
// colours at least 25 apart (CIEDE2000) for normal vision and for each of
// protanopia, deuteranopia and tritanopia: blue, red, magenta, green, white
// and yellow, told apart by lightness as much as by hue.
inline constexpr ColourPreset COLOUR_PRESETS[] = {
    {"CLASSIC", DEFAULT_COLOUR_CHANNELS, false},
    {"COLOUR SAFE", {20, 34, 150, 160, 20, 20, 240, 70, 254, 56, 164, 132, 228, 244, 254, 244, 222, 20}, true},
};

// ---------------------------------------------------------------- high scores (hiscore.dat, 405 bytes)

extern StringArray high_score_table;   // 16 x 2: name, score text
extern std::string player_name;

// The fifteen default names, top to bottom.
const char* default_high_score_name(int row);

void load_high_scores();
void save_high_scores();
void pad_high_scores();
void insert_high_score(const std::string& name);
void show_high_scores();
void enter_name();
// One character from inkey applied to player_name: backspace removes the last
// character; '"' becomes '#', letters become upper case, and only codes
// 32..90 are kept, at most 20 of them.
void apply_name_key(const std::string& key);

// ---------------------------------------------------------------- screens

void main_menu();
void intro_screen();
void practice_select();
void run_tutorial();
void colour_scheme_screen();

// The two sample tiles beside the colour scheme item (menu and editor).
void draw_sample_tiles();

// The tutorial page on screen, 1..23 (both halves of page 15 are 15); 0 when
// the tutorial is not running. Lets tests follow the script.
int tutorial_page();

// Where settings.dat and hiscore.dat live: the program's folder when it is
// writable and the game is a portable copy, else (an installed game, or a
// folder it cannot write) the player's data folder, created on demand.
// Ends with "/".
std::string data_folder();
