// The runtime's own bitmap fonts (the "Loading..." frame at start-up).
// Fonts 0..31 live in sprite slots 65504 and up; black is their key colour.
#pragma once

#include <string>

constexpr int FONT_SLOT_BASE = 65504;
constexpr int FONT_COUNT = 32;

// ---------------------------------------------------------------- fonts

// Loads a 16-column font image into font n (clamped 0..31), or the built-in
// font when the path does not resolve or decode; selects it.
void load_font(const std::string& path, int font);

// Installs the built-in 8 x 8 font as font n and selects it.
void install_builtin_font(int font);

// Selects the current font (clamped 0..31).
void set_font(int font);

// Glyph width and height of the current font.
void font_size(double& glyph_width, double& glyph_height);

// Number of character codes of the current font (128 or 256).
int font_codes();

// Draws the string at a fixed pitch with the current font.
void print_text(const std::string& text, double x, double y);

// The screen size in pixels.
void screen_size(double& width, double& height);
