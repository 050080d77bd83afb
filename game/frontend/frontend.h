// The front-end screens and the player's records.
#pragma once

#include <string>

#include "runtime/values/values.h"

// ---------------------------------------------------------------- settings (settings.dat, 20 bytes)

void load_settings();
void save_settings();

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
