// How far apart two colours look: CIEDE2000 differences between sRGB colours
// as seen with normal vision, with each of the three dichromacies (Machado,
// Oliveira and Fernandes 2009, severity 1, applied in linear sRGB) and in
// grey (relative luminance alone). The palette tool, its test and the
// screenshot tool's simulated pictures all measure with this one file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace colour_vision {

// ---------------------------------------------------------------- conditions

enum class Condition { Normal, Protanopia, Deuteranopia, Tritanopia, Grey };

constexpr Condition ALL_CONDITIONS[] = {Condition::Normal, Condition::Protanopia, Condition::Deuteranopia,
                                        Condition::Tritanopia, Condition::Grey};
// The conditions a colour-safe palette must serve; grey is for information.
constexpr Condition SAFE_CONDITIONS[] = {Condition::Normal, Condition::Protanopia, Condition::Deuteranopia,
                                         Condition::Tritanopia};

// Lower-case name ("normal", "protanopia", ..., "grey").
const char* condition_name(Condition condition);
// The condition of that name; false when there is none.
bool condition_from_name(const std::string& name, Condition& condition);

// ---------------------------------------------------------------- colours

struct Rgb { int r, g, b; };   // sRGB, 0..255 each
struct Lab { double l, a, b; };

// The game's packed colour value (red + 256 green + 65536 blue) as sRGB.
Rgb rgb_of_packed(int packed);

// Linear-light channels (0..1) of an 8-bit sRGB channel, and back (rounded).
double linear_of(int channel);
int channel_of(double linear);

// The colour as someone with the condition sees it, in linear sRGB (0..1).
std::array<double, 3> simulate_linear(Rgb colour, Condition condition);
// The same, as an 8-bit sRGB colour (for pictures).
Rgb simulate(Rgb colour, Condition condition);

// CIELAB (D65 white) of a linear sRGB colour.
Lab lab_of_linear(const std::array<double, 3>& linear);

// CIEDE2000 difference (kL = kC = kH = 1).
double ciede2000(const Lab& first, const Lab& second);

// Difference between two colours as seen with the condition.
double difference(Rgb first, Rgb second, Condition condition);

// ---------------------------------------------------------------- palettes

// The closest pair of a palette under one condition.
struct ClosestPair {
    double difference;
    int first, second;   // indices into the palette, first < second
};
ClosestPair closest_pair(const std::vector<Rgb>& palette, Condition condition);

// ---------------------------------------------------------------- pictures

// Rewrites an RGBA picture (4 bytes a pixel) as seen with the condition;
// alpha is kept.
void simulate_picture(std::vector<uint8_t>& rgba, Condition condition);

// Reads a PNG file as 8-bit RGBA; false when it cannot.
bool read_png(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba);
// Writes 8-bit RGBA as a PNG file; false when it cannot.
bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

// Reads a PNG, simulates the condition, writes the result; false on failure.
bool simulate_png(const std::string& from, const std::string& to, Condition condition);

}  // namespace colour_vision
