// Screen helpers shared by every screen: bitmap text, the title backdrop,
// the three-colour triangle and the fast sine.
#pragma once

#include <string>

#include "runtime/values/values.h"

// Sprite slots of the front end.
constexpr int SPRITE_POINTER = 5;
constexpr int SPRITE_FONT = 6;
constexpr int SPRITE_MINIATURE = 7;       // frames 19 x 19: space up, down; first tile up, down
constexpr int SPRITE_COLOUR_FRAME = 60;   // the frame around one colour's swatch
constexpr int SPRITE_COLOUR_ARROWS = 61;  // frames 33 x 30: up 0..2, down 3..5, at the limit +6
constexpr int SPRITE_LOGO_BACK = 101;
constexpr int SPRITE_LOGO_FRONT = 102;
constexpr int SPRITE_PATTERN = 103;
constexpr int SPRITE_INTRO = 104;

// The screen the game draws on, in pixels.
constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

// The proportional argument of the text helpers: glyph widths with kerning,
// or every glyph at the same fixed pitch.
constexpr double PROPORTIONAL = 1;
constexpr double FIXED = 0;

extern NumberArray glyph_width_table;   // 60 entries, filled by measure_glyphs
extern double backdrop_angle;           // 0..359, shared by all front-end screens

// Parabolic sine of an angle in degrees (constants 57.296, 1.2732, 0.4053, 0.225).
double fast_sin(double angle);
// fast_sin(angle + 90).
double fast_cos(double angle);

// Advance of character i of text (proportional == 1: glyph width and kerning).
double text_advance(const std::string& text, size_t i, double proportional);
// Sum of the advances.
double text_width(const std::string& text, double proportional);

// Text with its first glyph's top-left at (x, y).
void draw_text(const std::string& text, double x, double y, double proportional);
// Text whose middle falls on x.
void draw_text_centred(const std::string& text, double x, double y, double proportional);
// Glyphs stretched to 32 x 20, advances as full size.
void draw_text_small(const std::string& text, double x, double y, double proportional);

// A number as text, zero-padded on the left to width; padding only
// lengthens, so a longer number stays whole.
std::string padded(double value, size_t width);

// Filled equilateral triangle, one colour per corner.
void draw_triangle(double cx, double cy, double radius, double angle, int c0, int c1, int c2);

// Advances backdrop_angle and draws the drifting pattern.
void draw_backdrop_pattern();
// The logo group shifted down by offset_y.
void draw_logo(double offset_y);
// draw_backdrop_pattern then draw_logo(0).
void draw_backdrop();

// The pointer sprite at the tracked position.
void draw_pointer(double x, double y);

// Waits, presenting nothing, until the left button is released.
void wait_left_release();
