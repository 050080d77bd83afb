// Scaffolding: bodies are filled in as the spine comes together.
#include "game/play/play.h"

int game_entry(int, char**) { return 0; }
void main_program() {}
void load_media() {}
void measure_glyphs() {}
void install_play_services() {}
void play_game() {}
bool frame_loop_pass() { return false; }
void move_debris() {}
void draw_play_screen() {}
void draw_board() {}
void draw_store() {}
void draw_status_bar() {}
void draw_digits(double, double, double, int) {}
void draw_tile(double, double, double, int, int, int) {}
void draw_store_tile(double, double, int, int, int) {}
void draw_spinning_tile(double, double, double, int, int, int) {}
int mix_colours(int, int, int) { return 0; }
void draw_vortex() {}
void level_complete() {}
void out_of_time() {}
void pause_screen() {}
