// CIEDE2000 after Sharma, Wu and Dalal (2005); dichromacy after Machado,
// Oliveira and Fernandes (2009), severity 1; luminance and CIELAB after
// IEC 61966-2-1 (sRGB, D65).
#include "tools/palettes/colour_vision.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>

namespace colour_vision {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// Severity 1.0 rows of Machado et al., for linear RGB.
constexpr Matrix PROTANOPIA = {{{0.152286, 1.052583, -0.204868},
                                {0.114503, 0.786281, 0.099216},
                                {-0.003882, -0.048116, 1.051998}}};
constexpr Matrix DEUTERANOPIA = {{{0.367322, 0.860646, -0.227968},
                                  {0.280085, 0.672501, 0.047413},
                                  {-0.011820, 0.042940, 0.968881}}};
constexpr Matrix TRITANOPIA = {{{1.255528, -0.076749, -0.178779},
                                {-0.078411, 0.930809, 0.147602},
                                {0.004733, 0.691367, 0.303900}}};

// Linear sRGB to CIE XYZ, and the D65 white.
constexpr Matrix RGB_TO_XYZ = {{{0.4124564, 0.3575761, 0.1804375},
                                {0.2126729, 0.7151522, 0.0721750},
                                {0.0193339, 0.1191920, 0.9503041}}};
constexpr double WHITE[3] = {0.95047, 1.0, 1.08883};

constexpr double PI = 3.14159265358979323846;

std::array<double, 3> times(const Matrix& m, const std::array<double, 3>& v) {
    std::array<double, 3> out{};
    for (int i = 0; i < 3; ++i) out[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    return out;
}

double lab_f(double t) {
    constexpr double DELTA = 6.0 / 29.0;
    return t > DELTA * DELTA * DELTA ? std::cbrt(t) : t / (3 * DELTA * DELTA) + 4.0 / 29.0;
}

double degrees(double radians) { return radians * 180.0 / PI; }
double radians(double degrees) { return degrees * PI / 180.0; }

// Hue angle in degrees, 0..360; 0 for a neutral colour.
double hue_of(double b, double a) {
    if (a == 0 && b == 0) return 0;
    double h = degrees(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
}

const struct { Condition condition; const char* name; } NAMES[] = {
    {Condition::Normal, "normal"},
    {Condition::Protanopia, "protanopia"},
    {Condition::Deuteranopia, "deuteranopia"},
    {Condition::Tritanopia, "tritanopia"},
    {Condition::Grey, "grey"},
};

}  // namespace

const char* condition_name(Condition condition) {
    for (const auto& n : NAMES)
        if (n.condition == condition) return n.name;
    return "";
}

bool condition_from_name(const std::string& name, Condition& condition) {
    for (const auto& n : NAMES)
        if (name == n.name) {
            condition = n.condition;
            return true;
        }
    return false;
}

Rgb rgb_of_packed(int packed) { return {packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF}; }

double linear_of(int channel) {
    double c = std::clamp(channel, 0, 255) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int channel_of(double linear) {
    double l = std::clamp(linear, 0.0, 1.0);
    double c = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(c * 255));
}

std::array<double, 3> simulate_linear(Rgb colour, Condition condition) {
    const std::array<double, 3> linear = {linear_of(colour.r), linear_of(colour.g), linear_of(colour.b)};
    std::array<double, 3> seen = linear;
    switch (condition) {
    case Condition::Normal: break;
    case Condition::Protanopia: seen = times(PROTANOPIA, linear); break;
    case Condition::Deuteranopia: seen = times(DEUTERANOPIA, linear); break;
    case Condition::Tritanopia: seen = times(TRITANOPIA, linear); break;
    case Condition::Grey: {
        const double y = times(RGB_TO_XYZ, linear)[1];
        seen = {y, y, y};
        break;
    }
    }
    // The simulation can leave the gamut a little; a display cannot.
    for (double& c : seen) c = std::clamp(c, 0.0, 1.0);
    return seen;
}

Rgb simulate(Rgb colour, Condition condition) {
    const std::array<double, 3> seen = simulate_linear(colour, condition);
    return {channel_of(seen[0]), channel_of(seen[1]), channel_of(seen[2])};
}

Lab lab_of_linear(const std::array<double, 3>& linear) {
    const std::array<double, 3> xyz = times(RGB_TO_XYZ, linear);
    const double fx = lab_f(xyz[0] / WHITE[0]), fy = lab_f(xyz[1] / WHITE[1]), fz = lab_f(xyz[2] / WHITE[2]);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double ciede2000(const Lab& one, const Lab& two) {
    const double c1 = std::hypot(one.a, one.b), c2 = std::hypot(two.a, two.b);
    const double c_mean = (c1 + c2) / 2;
    const double c7 = std::pow(c_mean, 7);
    const double g = 0.5 * (1 - std::sqrt(c7 / (c7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * one.a, a2 = (1 + g) * two.a;
    const double cp1 = std::hypot(a1, one.b), cp2 = std::hypot(a2, two.b);
    const double hp1 = hue_of(one.b, a1), hp2 = hue_of(two.b, a2);

    const double dl = two.l - one.l;
    const double dc = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = hp2 - hp1;
        if (dh > 180) dh -= 360;
        else if (dh < -180) dh += 360;
    }
    const double d_hue = 2 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2));

    const double l_mean = (one.l + two.l) / 2;
    const double cp_mean = (cp1 + cp2) / 2;
    double h_mean = hp1 + hp2;
    if (cp1 * cp2 != 0) {
        if (std::fabs(hp1 - hp2) <= 180) h_mean = (hp1 + hp2) / 2;
        else if (hp1 + hp2 < 360) h_mean = (hp1 + hp2 + 360) / 2;
        else h_mean = (hp1 + hp2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(radians(h_mean - 30)) + 0.24 * std::cos(radians(2 * h_mean)) +
                     0.32 * std::cos(radians(3 * h_mean + 6)) - 0.20 * std::cos(radians(4 * h_mean - 63));
    const double d_theta = 30 * std::exp(-std::pow((h_mean - 275) / 25, 2));
    const double cp7 = std::pow(cp_mean, 7);
    const double rc = 2 * std::sqrt(cp7 / (cp7 + std::pow(25.0, 7)));
    const double l50 = (l_mean - 50) * (l_mean - 50);
    const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sc = 1 + 0.045 * cp_mean;
    const double sh = 1 + 0.015 * cp_mean * t;
    const double rt = -std::sin(radians(2 * d_theta)) * rc;

    const double tl = dl / sl, tc = dc / sc, th = d_hue / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}

double difference(Rgb first, Rgb second, Condition condition) {
    return ciede2000(lab_of_linear(simulate_linear(first, condition)),
                     lab_of_linear(simulate_linear(second, condition)));
}

ClosestPair closest_pair(const std::vector<Rgb>& palette, Condition condition) {
    ClosestPair closest{INFINITY, -1, -1};
    std::vector<Lab> seen;
    for (const Rgb& c : palette) seen.push_back(lab_of_linear(simulate_linear(c, condition)));
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j) {
            const double d = ciede2000(seen[i], seen[j]);
            if (d < closest.difference) closest = {d, static_cast<int>(i), static_cast<int>(j)};
        }
    return closest;
}

// ---------------------------------------------------------------- pictures

void simulate_picture(std::vector<uint8_t>& rgba, Condition condition) {
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const Rgb seen = simulate({rgba[i], rgba[i + 1], rgba[i + 2]}, condition);
        rgba[i] = static_cast<uint8_t>(seen.r);
        rgba[i + 1] = static_cast<uint8_t>(seen.g);
        rgba[i + 2] = static_cast<uint8_t>(seen.b);
    }
}

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void png_quiet(png_structp, png_const_charp) {}
void png_fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

}  // namespace

bool read_png(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    width = static_cast<int>(png_get_image_width(png, info));
    height = static_cast<int>(png_get_image_height(png, info));
    rgba.assign(size_t(width) * size_t(height) * 4, 0);
    rows.resize(size_t(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = rgba.data() + size_t(y) * size_t(width) * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) return false;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgba.data() + size_t(y) * size_t(width) * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

bool simulate_png(const std::string& from, const std::string& to, Condition condition) {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    if (!read_png(from, width, height, rgba)) return false;
    simulate_picture(rgba, condition);
    return write_png(to, width, height, rgba);
}

}  // namespace colour_vision
