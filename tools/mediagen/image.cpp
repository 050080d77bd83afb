// Pictures: pixel buffers, cairo canvases, deterministic PNG output, text and
// the bevelled triangle texture shared by all tile pictures.
#include "mediagen.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace mediagen {

// ---------------------------------------------------------------- images

Image::Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}

void Image::set(int x, int y, int r, int g, int b, int a) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = at(x, y);
    p[0] = static_cast<uint8_t>(r);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(b);
    p[3] = static_cast<uint8_t>(a);
}

void Image::blit(const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= width || dy >= height) continue;
            std::copy_n(src.at(sx, sy), 4, at(dx, dy));
        }
    }
}

void Image::over(const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= width || dy >= height) continue;
            const uint8_t* s = src.at(sx, sy);
            uint8_t* d = at(dx, dy);
            const int a = s[3];
            for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>((s[k] * a + d[k] * (255 - a) + 127) / 255);
        }
    }
}

Canvas::Canvas(int w, int h) : width(w), height(h) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

Image Canvas::image() const {
    cairo_surface_flush(surface);
    Image img(width, height);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            uint32_t v = row[x];
            int a = static_cast<int>(v >> 24);
            int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            if (a > 0 && a < 255) {  // cairo stores premultiplied colour
                r = std::min(255, (r * 255 + a / 2) / a);
                g = std::min(255, (g * 255 + a / 2) / a);
                b = std::min(255, (b * 255 + a / 2) / a);
            }
            img.set(x, y, r, g, b, a);
        }
    }
    return img;
}

// ---------------------------------------------------------------- PNG output

namespace {

// Writes rows of the given channel count (3 or 4) with fixed settings and no
// time stamp, so identical pixels always give identical files.
bool write_png(const std::string& path, int width, int height, int channels,
               const std::vector<uint8_t>& pixels) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * width * channels]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

bool write_keyed_png(const std::string& path, const Image& img, uint32_t matte) {
    std::vector<uint8_t> out(static_cast<size_t>(img.width) * img.height * 3);
    const int mr = (matte >> 16) & 0xFF, mg = (matte >> 8) & 0xFF, mb = matte & 0xFF;
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            uint8_t* o = &out[(static_cast<size_t>(y) * img.width + x) * 3];
            int a = p[3];
            if (a < 128) {
                o[0] = KEY_R, o[1] = KEY_G, o[2] = KEY_B;
                continue;
            }
            o[0] = static_cast<uint8_t>((p[0] * a + mr * (255 - a) + 127) / 255);
            o[1] = static_cast<uint8_t>((p[1] * a + mg * (255 - a) + 127) / 255);
            o[2] = static_cast<uint8_t>((p[2] * a + mb * (255 - a) + 127) / 255);
            if (o[0] == KEY_R && o[1] == KEY_G && o[2] == KEY_B) o[2] = KEY_B - 1;
        }
    }
    return write_png(path, img.width, img.height, 3, out);
}

bool write_rgb_png(const std::string& path, const Image& img) {
    std::vector<uint8_t> out(static_cast<size_t>(img.width) * img.height * 3);
    for (size_t i = 0, n = static_cast<size_t>(img.width) * img.height; i < n; ++i) {
        std::copy_n(&img.rgba[i * 4], 3, &out[i * 3]);
        if (out[i * 3] == KEY_R && out[i * 3 + 1] == KEY_G && out[i * 3 + 2] == KEY_B) out[i * 3 + 2] = KEY_B - 1;
    }
    return write_png(path, img.width, img.height, 3, out);
}

bool write_rgba_png(const std::string& path, const Image& img) {
    return write_png(path, img.width, img.height, 4, img.rgba);
}

// ---------------------------------------------------------------- drawing helpers

double channel(uint32_t rgb, int shift) { return ((rgb >> shift) & 0xFF) / 255.0; }

void set_rgb(cairo_t* cr, uint32_t rgb, double alpha) {
    cairo_set_source_rgba(cr, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0), alpha);
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double v = ((a >> shift) & 0xFF) * (1.0 - t) + ((b >> shift) & 0xFF) * t;
        out |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
    }
    return out;
}

void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

uint64_t Rng::next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

double Rng::uniform() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

double Rng::range(double a, double b) { return a + (b - a) * uniform(); }

void glass_triangle(cairo_t* cr, Point a, Point b, Point c, uint32_t colour) {
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_line_to(cr, c.x, c.y);
    cairo_close_path(cr);
    double y0 = std::min({a.y, b.y, c.y}), y1 = std::max({a.y, b.y, c.y});
    uint32_t light = mix(colour, 0xFFFFFF, 0.45), dark = mix(colour, 0x000000, 0.35);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(g, 0, channel(light, 16), channel(light, 8), channel(light, 0));
    cairo_pattern_add_color_stop_rgb(g, 1, channel(dark, 16), channel(dark, 8), channel(dark, 0));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set_rgb(cr, mix(colour, 0xFFFFFF, 0.7), 0.9);
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

// ---------------------------------------------------------------- text

namespace {

struct FaceFile { Face face; const char* path; };

// Display face first; DejaVu stands in if a font package is missing.
constexpr FaceFile FACE_FILES[] = {
    {Face::Display, "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf"},
    {Face::DisplayBlack, "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-ExtraBold.otf"},
};
constexpr const char* FALLBACK_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

FT_Library ft_library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) throw std::runtime_error("FreeType did not start");
        return l;
    }();
    return lib;
}

cairo_font_face_t* font_face(Face face) {
    static std::map<Face, cairo_font_face_t*> cache;
    auto it = cache.find(face);
    if (it != cache.end()) return it->second;
    const char* path = FALLBACK_FONT;
    for (const FaceFile& f : FACE_FILES) {
        if (f.face == face) path = f.path;
    }
    FT_Face ft = nullptr;
    if (FT_New_Face(ft_library(), path, 0, &ft) != 0 && FT_New_Face(ft_library(), FALLBACK_FONT, 0, &ft) != 0) {
        throw std::runtime_error(std::string("font not found: ") + path);
    }
    cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(ft, 0);
    cache[face] = cf;
    return cf;
}

}  // namespace

void set_face(cairo_t* cr, Face face, double size) {
    cairo_set_font_face(cr, font_face(face));
    cairo_set_font_size(cr, size);
    // Unhinted outlines: the same shapes whatever the FreeType defaults.
    cairo_font_options_t* opt = cairo_font_options_create();
    cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, opt);
    cairo_font_options_destroy(opt);
}

TextBox text_box(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return {e.x_bearing, e.y_bearing, e.width, e.height, e.x_advance};
}

void draw_styled_text(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& style) {
    cairo_save(cr);
    // Shadow: the outlined shape, offset and dark.
    cairo_new_path(cr);
    cairo_move_to(cr, x + style.shadow_dx, y + style.shadow_dy);
    cairo_text_path(cr, text.c_str());
    set_rgb(cr, COLOUR_INK, style.shadow_alpha);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, style.outline * 2);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    // Outline, then the gradient fill over it.
    cairo_new_path(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    set_rgb(cr, style.outline_colour);
    cairo_set_line_width(cr, style.outline * 2);
    cairo_stroke_preserve(cr);
    TextBox box = text_box(cr, text);
    cairo_pattern_t* grad = cairo_pattern_create_linear(0, y + box.y, 0, y + box.y + box.h);
    cairo_pattern_add_color_stop_rgb(grad, 0, channel(style.top, 16), channel(style.top, 8), channel(style.top, 0));
    cairo_pattern_add_color_stop_rgb(grad, 1, channel(style.bottom, 16), channel(style.bottom, 8),
                                     channel(style.bottom, 0));
    cairo_set_source(cr, grad);
    cairo_fill(cr);
    cairo_pattern_destroy(grad);
    cairo_restore(cr);
}

// ---------------------------------------------------------------- bevelled triangles


namespace {

// The light falls from the upper left.
constexpr double LIGHT_X = -0.6, LIGHT_Y = -0.8;

// A triangle's edges with their inward unit normals.
struct Edges {
    Point v[3];
    double nx[3], ny[3];
    Edges(Point a, Point b, Point c) : v{a, b, c} {
        const double cx = (a.x + b.x + c.x) / 3, cy = (a.y + b.y + c.y) / 3;
        for (int i = 0; i < 3; ++i) {
            Point p = v[i], q = v[(i + 1) % 3];
            double ex = q.x - p.x, ey = q.y - p.y, len = std::hypot(ex, ey);
            nx[i] = -ey / len, ny[i] = ex / len;
            if ((cx - p.x) * nx[i] + (cy - p.y) * ny[i] < 0) nx[i] = -nx[i], ny[i] = -ny[i];
        }
    }
    // Distance of a point inside edge i (negative outside).
    double distance(int i, double px, double py) const { return (px - v[i].x) * nx[i] + (py - v[i].y) * ny[i]; }
    // How much edge i's outward side faces the light (-1 .. 1).
    double facing(int i) const { return -(nx[i] * LIGHT_X + ny[i] * LIGHT_Y); }
};

}  // namespace

double triangle_inside_distance(Point a, Point b, Point c, double px, double py) {
    Edges e(a, b, c);
    return std::min({e.distance(0, px, py), e.distance(1, px, py), e.distance(2, px, py)});
}

double rim_light(Point a, Point b, Point c, double px, double py, double width) {
    Edges e(a, b, c);
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        double d = e.distance(i, px, py);
        if (d >= width) continue;
        double w = 1.0 - std::max(d, 0.0) / width;
        sum += w * w * (3 - 2 * w) * e.facing(i);
    }
    return sum;
}

Image bevel_triangle(int width, int height, Point a, Point b, Point c, double grow, double bevel) {
    constexpr double BASE = 222.0;      // flat glass brightness
    constexpr double RIM_LIGHT = 36.0;  // brightening of a facet facing the light
    constexpr double RIM_SHADE = 70.0;  // darkening of a facet facing away
    constexpr double SOFT = 1.2;        // width of the step from facet to face
    constexpr double GLOSS = 16.0;
    const Edges e(a, b, c);
    Image img(width, height);
    double minx = std::min({a.x, b.x, c.x}), maxx = std::max({a.x, b.x, c.x});
    double miny = std::min({a.y, b.y, c.y}), maxy = std::max({a.y, b.y, c.y});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double px = x + 0.5, py = y + 0.5;
            // Like a cut stone: the nearest edge decides which facet a pixel is on.
            int near = 0;
            double d[3];
            for (int i = 0; i < 3; ++i) {
                d[i] = e.distance(i, px, py);
                if (d[i] < d[near]) near = i;
            }
            if (d[near] < -grow) continue;
            double shade = BASE;
            double w = std::clamp((bevel - d[near]) / SOFT, 0.0, 1.0);
            if (w > 0) {
                double facing = e.facing(near);
                shade += w * (facing > 0 ? RIM_LIGHT * facing : RIM_SHADE * facing);
            }
            // A soft gloss across the upper-left of the face.
            double u = (px - minx) / std::max(1.0, maxx - minx), t = (py - miny) / std::max(1.0, maxy - miny);
            shade += GLOSS * std::exp(-((u - 0.36) * (u - 0.36) + (t - 0.4) * (t - 0.4)) * 10.0);
            int s = static_cast<int>(std::lround(std::clamp(shade, 140.0, 255.0)));
            // A faint cool tint keeps white glass from looking like paper.
            img.set(x, y, std::max(0, s - 3), std::max(0, s - 1), s);
        }
    }
    return img;
}

}  // namespace mediagen
