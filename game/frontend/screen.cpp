// Scaffolding: bodies are filled in as the helpers come together.
#include "game/frontend/screen.h"

NumberArray glyph_width_table;
double backdrop_angle = 0;

double fast_sin(double) { return 0; }
double fast_cos(double) { return 0; }
double text_advance(const std::string&, size_t, double) { return 33; }
double text_width(const std::string&, double) { return 0; }
void draw_text(const std::string&, double, double, double) {}
void draw_text_centred(const std::string&, double, double, double) {}
void draw_text_small(const std::string&, double, double, double) {}
void draw_triangle(double, double, double, double, int, int, int) {}
void draw_backdrop_pattern() {}
void draw_logo(double) {}
void draw_backdrop() {}
void draw_pointer(double, double) {}
void wait_left_release() {}
