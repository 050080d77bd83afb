// Front-end screens and the player's records (scaffolding; filled in piece by piece).
#include "game/frontend/frontend.h"

StringArray high_score_table;
std::string player_name;

const char* default_high_score_name(int) { return ""; }
void load_settings() {}
void save_settings() {}
void load_high_scores() {}
void save_high_scores() {}
void pad_high_scores() {}
void insert_high_score(const std::string&) {}
void show_high_scores() {}
void enter_name() {}
void main_menu() {}
void intro_screen() {}
void practice_select() {}
void run_tutorial() {}
void colour_scheme_screen() {}
std::string data_folder() { return std::string(); }
