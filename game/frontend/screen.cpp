// Screen helpers: bitmap text over the 60-glyph font, the title backdrop,
// the three-colour triangle and the parabolic sine.
#include "game/frontend/screen.h"

#include <cmath>

#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

NumberArray glyph_width_table;
double backdrop_angle = 0;

namespace {

// ---------------------------------------------------------------- text

constexpr int FIRST_GLYPH_CODE = 32;     // frame 0 is the space
constexpr double FIXED_ADVANCE = 33;
constexpr int SMALL_GLYPH_WIDTH = 32;
constexpr int SMALL_GLYPH_HEIGHT = 20;

// Pairs "xA": the advance of x shrinks by the amount when an "A" follows.
struct KerningPair { char before; int reduction; };
constexpr KerningPair KERNING_TABLE[] = {
    {'B', 2}, {'C', 3}, {'D', 3}, {'F', 4}, {'J', 4}, {'O', 3},
    {'P', 7}, {'T', 7}, {'U', 3}, {'V', 7}, {'W', 4}, {'Y', 6},
};
constexpr char KERNED_FOLLOWER = 'A';

int kerning_reduction(char before) {
    for (const KerningPair& pair : KERNING_TABLE)
        if (pair.before == before) return pair.reduction;
    return 0;
}

int glyph_frame(char c) { return static_cast<unsigned char>(c) - FIRST_GLYPH_CODE; }

// ---------------------------------------------------------------- sine

constexpr double SINE_DEGREES_PER_RADIAN = 57.296;
constexpr double SINE_LINEAR = 1.2732;
constexpr double SINE_QUADRATIC = 0.4053;
constexpr double SINE_REFINE = 0.225;

// ---------------------------------------------------------------- backdrop

constexpr double PATTERN_STEP_X = 36;
constexpr double PATTERN_STEP_Y = 72;
constexpr double BACKDROP_TURN = 360;

constexpr int LOGO_X = 192;
constexpr double LOGO_BLEND = 0.75;    // additive, so the triangles glow through
constexpr double LOGO_TRIANGLE_RADIUS = 100;

struct LogoTriangle {
    double x, y;            // centre, before the vertical offset
    double angle_base;      // angle = base + sign * backdrop_angle
    double angle_sign;
    int c0, c1, c2;
};
constexpr LogoTriangle LOGO_TRIANGLES[] = {
    {358, 190, 0, 1, 0x0000C0, 0x00C000, 0xC00000},
    {672, 120, 410, -1, 0xC000C0, 0x00C0C0, 0xC0C000},   // turns the other way
};

constexpr int POINTER_HOT_SPOT = 5;

}  // namespace

// ---------------------------------------------------------------- sine

double fast_sin(double angle) {
    double a = angle;
    while (a > 360) a -= 360;
    while (a < 0) a += 360;
    if (a > 180) a = 180 - a;
    double x = a / SINE_DEGREES_PER_RADIAN;
    double y = SINE_LINEAR * x - SINE_QUADRATIC * x * std::fabs(x);
    return y + SINE_REFINE * (y * std::fabs(y) - y);
}

double fast_cos(double angle) { return fast_sin(angle + 90); }

// ---------------------------------------------------------------- text

double text_advance(const std::string& text, size_t i, double proportional) {
    if (proportional != 1) return FIXED_ADVANCE;
    double advance = glyph_width_table(glyph_frame(text[i]));
    if (i + 1 < text.size() && text[i + 1] == KERNED_FOLLOWER) advance -= kerning_reduction(text[i]);
    return advance;
}

double text_width(const std::string& text, double proportional) {
    double width = 0;
    for (size_t i = 0; i < text.size(); i++) width += text_advance(text, i, proportional);
    return width;
}

void draw_text(const std::string& text, double x, double y, double proportional) {
    double pen = x;
    for (size_t i = 0; i < text.size(); i++) {
        draw_anim_frame(SPRITE_FONT, glyph_frame(text[i]), whole(pen), whole(y));
        pen += text_advance(text, i, proportional);
    }
}

void draw_text_centred(const std::string& text, double x, double y, double proportional) {
    double width = text_width(text, proportional);
    draw_text(text, x - std::trunc(width * 0.5), y, proportional);
}

void draw_text_small(const std::string& text, double x, double y, double proportional) {
    double pen = x;
    for (size_t i = 0; i < text.size(); i++) {
        draw_anim_frame_stretched(SPRITE_FONT, glyph_frame(text[i]), whole(pen), whole(y),
                                  SMALL_GLYPH_WIDTH, SMALL_GLYPH_HEIGHT);
        pen += text_advance(text, i, proportional);
    }
}

std::string padded(double value, size_t width) {
    std::string s = string_from_number(value);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

// ---------------------------------------------------------------- shapes

void draw_triangle(double cx, double cy, double radius, double angle, int c0, int c1, int c2) {
    const int colours[3] = {c0, c1, c2};
    polygon_begin(-1);
    for (int k = 0; k < 3; k++) {
        double a = angle + 120 * k;
        double s = fast_sin(a);
        double c = fast_sin(a + 90);
        polygon_vertex(std::trunc(cx + radius * s), std::trunc(cy + radius * c),
                       std::trunc(radius + radius * s), std::trunc(radius + radius * c), colours[k]);
    }
    polygon_end();
}

// ---------------------------------------------------------------- backdrop

void draw_backdrop_pattern() {
    backdrop_angle += 1;
    if (backdrop_angle > 359) backdrop_angle = 0;
    double start_x = backdrop_angle / BACKDROP_TURN * PATTERN_STEP_X - PATTERN_STEP_X;
    double start_y = backdrop_angle / BACKDROP_TURN * PATTERN_STEP_Y - PATTERN_STEP_Y;
    for (double px = start_x; px <= SCREEN_WIDTH; px += PATTERN_STEP_X)
        for (double py = start_y; py <= SCREEN_HEIGHT; py += PATTERN_STEP_Y)
            draw_sprite(SPRITE_PATTERN, whole(px), whole(py));
}

void draw_logo(double offset_y) {
    draw_sprite(SPRITE_LOGO_BACK, LOGO_X, whole(offset_y));
    set_alpha_mode(LOGO_BLEND);
    for (const LogoTriangle& t : LOGO_TRIANGLES)
        draw_triangle(t.x, t.y + offset_y, LOGO_TRIANGLE_RADIUS, t.angle_base + t.angle_sign * backdrop_angle,
                      t.c0, t.c1, t.c2);
    set_alpha_mode(0);
    draw_sprite(SPRITE_LOGO_FRONT, LOGO_X, whole(offset_y));
}

void draw_backdrop() {
    draw_backdrop_pattern();
    draw_logo(0);
}

// ---------------------------------------------------------------- pointer and buttons

void draw_pointer(double x, double y) {
    draw_sprite(SPRITE_POINTER, whole(x - POINTER_HOT_SPOT), whole(y - POINTER_HOT_SPOT));
}

void wait_left_release() {
    while (mouse_axis(MOUSE_AXIS_LEFT) != 0) {
    }
}
