// Media generator: every picture, sound and music track of the game, drawn and
// synthesised from code at build time. Output is byte-identical on every run:
// no clocks, no unseeded randomness, fixed encoder settings.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mediagen {

// ---------------------------------------------------------------- palette

// One palette for the whole game (0xRRGGBB).
constexpr uint32_t COLOUR_NIGHT_DEEP = 0x0B1030;
constexpr uint32_t COLOUR_NIGHT_LIGHT = 0x1B1F4A;
constexpr uint32_t COLOUR_GOLD = 0xE0B84A;
constexpr uint32_t COLOUR_GOLD_DARK = 0x8A6A22;
constexpr uint32_t COLOUR_GOLD_PALE = 0xFFE9A8;
constexpr uint32_t COLOUR_AMBER = 0xFFB040;
constexpr uint32_t COLOUR_SLATE = 0x23273F;
constexpr uint32_t COLOUR_SLATE_DARK = 0x151829;
constexpr uint32_t COLOUR_INK = 0x05060F;

// The transparent key colour of the game's RGB pictures: red 255, green 0, blue 128.
constexpr uint8_t KEY_R = 255, KEY_G = 0, KEY_B = 128;

// ---------------------------------------------------------------- images

// An RGBA picture in straight (not premultiplied) 8-bit channels.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4

    Image() = default;
    Image(int w, int h);
    uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    // Sets one pixel (alpha 255 unless given).
    void set(int x, int y, int r, int g, int b, int a = 255);
    // Copies src with its top-left corner at (x, y), replacing pixels (clipped).
    void blit(const Image& src, int x, int y);
    // Lays src over this picture at (x, y) by its alpha (clipped); keeps this picture's alpha.
    void over(const Image& src, int x, int y);
};

// A cairo drawing surface that becomes an Image when finished.
struct Canvas {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    int width = 0;
    int height = 0;

    Canvas(int w, int h);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    // The drawing so far as straight RGBA.
    Image image() const;
};

// Writes an RGB PNG: pixels with alpha below half become the key colour, the
// others are flattened over the matte colour (so antialiased rims blend into
// the dark they will be seen against). Opaque pixels never equal the key.
bool write_keyed_png(const std::string& path, const Image& img, uint32_t matte);
// Writes an RGB PNG of an opaque picture (alpha ignored).
bool write_rgb_png(const std::string& path, const Image& img);
// Writes an RGBA PNG (for the window icon, which keeps real alpha).
bool write_rgba_png(const std::string& path, const Image& img);

// ---------------------------------------------------------------- drawing helpers

// Sets the cairo source to a 0xRRGGBB colour with the given alpha.
void set_rgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
// Red, green or blue channel of 0xRRGGBB as 0..1.
double channel(uint32_t rgb, int shift);
// Mixes two 0xRRGGBB colours (t = 0 gives a, 1 gives b).
uint32_t mix(uint32_t a, uint32_t b, double t);
// Adds a rounded rectangle path.
void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r);

// Small deterministic generator for textures and noise (xorshift).
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t next();
    double uniform();              // 0 <= u < 1
    double range(double a, double b);
};

// ---------------------------------------------------------------- text

enum class Face { Display, DisplayBlack };

// Selects a font face and size on the cairo context.
void set_face(cairo_t* cr, Face face, double size);
// Ink extents of a text in the current face: x bearing, y bearing, width, height, advance.
struct TextBox { double x, y, w, h, advance; };
TextBox text_box(cairo_t* cr, const std::string& text);

// Fills a text with a vertical gradient, a dark outline and an offset shadow,
// baseline at (x, y). outline is the outline width in pixels (outside the fill).
struct TextStyle {
    uint32_t top = 0xFFFFFF;
    uint32_t bottom = COLOUR_GOLD_PALE;
    uint32_t outline_colour = COLOUR_INK;
    double outline = 2.0;
    double shadow_dx = 2.0, shadow_dy = 2.0;
    double shadow_alpha = 0.85;
};
void draw_styled_text(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& style);

// ---------------------------------------------------------------- geometry

struct Point { double x, y; };

// Lighting of a bevelled rim at (px, py): the sum over the triangle's edges
// nearer than width of how much each edge faces the upper-left light
// (positive lit, negative shaded), weighted by closeness to the edge.
double rim_light(Point a, Point b, Point c, double px, double py, double width);
// Bevelled glass texture inside a triangle: near-white, with a facet of the
// given width along each edge lit or shaded by the upper-left light; opaque
// within grow pixels outside the triangle and transparent beyond.
Image bevel_triangle(int width, int height, Point a, Point b, Point c, double grow, double bevel);
// Signed distance of (px, py) inside the triangle (positive inside, pixels).
double triangle_inside_distance(Point a, Point b, Point c, double px, double py);

// A lit glass triangle in a colour (emblems, ribbons, the icon).
void glass_triangle(cairo_t* cr, Point a, Point b, Point c, uint32_t colour);

// The six default tile colours (blue, red, magenta, green, cyan, yellow) as 0xRRGGBB.
constexpr uint32_t TILE_COLOURS[6] = {0x1414C8, 0xA01414, 0xC814C8, 0x14A014, 0x14C8C8, 0xC8C814};

// ---------------------------------------------------------------- generators

// Each writes its files into dir; false on a write failure.
bool make_play_pictures(const std::string& dir);
bool make_front_pictures(const std::string& dir);
bool make_sounds(const std::string& dir);
// The desktop icons, wedgewise-N.png for every hicolor size (and wedgewise.png at 128).
bool make_icons(const std::string& dir);
// Writes the named music tracks (names without ".mp3"); false for an unknown name.
bool make_music(const std::string& dir, const std::vector<std::string>& names);
// Names of all music tracks.
std::vector<std::string> music_track_names();

// ---------------------------------------------------------------- audio

constexpr int SFX_RATE = 22050;
constexpr int MUSIC_RATE = 44100;

// Writes mono or stereo 16-bit PCM WAV from float samples (-1..1, interleaved).
bool write_wav(const std::string& path, const std::vector<float>& samples, int channels, int rate);
// Scales samples so the peak sits at the given level in dBFS.
void normalise_peak(std::vector<float>& samples, double dbfs);

}  // namespace mediagen
