// Shared by the renderer and font tests: one windowed runtime for the whole
// test program, a scratch folder that is the current folder, PNG and BMP
// writers for test images, and pixel helpers.
#pragma once

#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/frame/frame_testing.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gfxtest {

// Packs red, green, blue like the runtime's colours.
constexpr int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
inline int red_of(int c) { return c & 0xFF; }
inline int green_of(int c) { return (c >> 8) & 0xFF; }
inline int blue_of(int c) { return (c >> 16) & 0xFF; }

// The runtime, started once with a window and torn down at the end.
class RuntimeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char name[] = "/tmp/wedgewise-gfx-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        setenv("TMPDIR", folder.c_str(), 1);
        before_start(folder);
        // Other test programs' windows on the same display take the focus;
        // a test run never waits in the focus pause.
        frame_set_pump_hook([] {
            if (!runtime_window_active()) runtime_set_window_active(true);
        });
        ASSERT_TRUE(runtime_start(config())) << "no window: run under xvfb-run";
    }
    // Starts the runtime again, on a window with or without alpha.
    static void restart(bool window_alpha) {
        try {
            program_end();
        } catch (const ProgramEnded&) {
        }
        frame_window_without_alpha(!window_alpha);
        ASSERT_TRUE(runtime_start(config()));
    }
    static RuntimeConfig config() {
        RuntimeConfig config;
        config.full_screen = 0;
        config.automated = 1;
        config.mouse_captured = 0;
        config.frame_rate = 0;
        config.title = "Renderer Test";
        config.working_folder = folder;
        return config;
    }
    void TearDown() override {
        try {
            program_end();
        } catch (const ProgramEnded&) {
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Files the runtime must find at start-up go here.
    virtual void before_start(const std::string&) {}
    static inline std::string folder;
};

// Starts every test on a fresh, black frame in the opaque mode.
class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { show_screen(); }
    void TearDown() override {
        set_alpha_mode(0);
        set_viewport(0, 0, 0, 0);
    }
    static std::string path(const std::string& name) { return RuntimeEnvironment::folder + "/" + name; }
};

// ---------------------------------------------------------------- test images

struct PngLayout {
    int width = 1;
    int height = 1;
    int colour_type = PNG_COLOR_TYPE_RGB;
    int bit_depth = 8;
    std::vector<uint8_t> data;            // packed rows as libpng expects them
    std::vector<png_color> palette;       // palette images
    std::vector<uint8_t> trns_alpha;      // palette transparency
    bool trns_grey = false;               // a tRNS entry for grey value 0
};

inline std::vector<uint8_t> encode_png(const PngLayout& layout) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep bytes, png_size_t n) {
            auto* o = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            o->insert(o->end(), bytes, bytes + n);
        },
        nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bit_depth, layout.colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
    if (!layout.trns_alpha.empty()) {
        png_set_tRNS(png, info, layout.trns_alpha.data(), int(layout.trns_alpha.size()), nullptr);
    }
    png_color_16 grey_key{};
    if (layout.trns_grey) png_set_tRNS(png, info, nullptr, 0, &grey_key);
    png_write_info(png, info);
    const size_t row_bytes = layout.data.size() / size_t(layout.height);
    for (int y = 0; y < layout.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(layout.data.data() + size_t(y) * row_bytes));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGB or RGBA PNG from packed colours (and alphas when given).
inline std::vector<uint8_t> png_from_colours(int width, int height, const std::vector<int>& colours,
                                             const std::vector<int>& alphas = {}) {
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    layout.colour_type = alphas.empty() ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    for (size_t i = 0; i < colours.size(); ++i) {
        layout.data.push_back(uint8_t(red_of(colours[i])));
        layout.data.push_back(uint8_t(green_of(colours[i])));
        layout.data.push_back(uint8_t(blue_of(colours[i])));
        if (!alphas.empty()) layout.data.push_back(uint8_t(alphas[i]));
    }
    return encode_png(layout);
}

// A BMP of 24 bits (palette empty) or 1/4/8 bits (indices, palette of packed colours).
inline std::vector<uint8_t> encode_bmp(int width, int height, int bits, const std::vector<int>& pixels,
                                       const std::vector<int>& palette = {}, bool top_down = false) {
    const size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    const size_t palette_bytes = palette.size() * 4;
    const size_t offset = 14 + 40 + palette_bytes;
    std::vector<uint8_t> out(offset + stride * size_t(height), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, uint32_t(offset));
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(top_down ? -height : height));
    out[26] = 1;
    out[28] = uint8_t(bits);
    put32(46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) {
        out[54 + i * 4 + 0] = uint8_t(blue_of(palette[i]));
        out[54 + i * 4 + 1] = uint8_t(green_of(palette[i]));
        out[54 + i * 4 + 2] = uint8_t(red_of(palette[i]));
    }
    for (int y = 0; y < height; ++y) {
        const int stored = top_down ? y : height - 1 - y;
        uint8_t* row = &out[offset + size_t(stored) * stride];
        for (int x = 0; x < width; ++x) {
            const int p = pixels[size_t(y) * size_t(width) + size_t(x)];
            if (bits == 24) {
                row[x * 3 + 0] = uint8_t(blue_of(p));
                row[x * 3 + 1] = uint8_t(green_of(p));
                row[x * 3 + 2] = uint8_t(red_of(p));
            } else {
                const int per_byte = 8 / bits;
                const int shift = (per_byte - 1 - x % per_byte) * bits;
                row[x / per_byte] = uint8_t(row[x / per_byte] | (p << shift));
            }
        }
    }
    return out;
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An RGBA buffer of one colour (alpha 255).
inline std::vector<uint8_t> solid_rgba(int width, int height, int colour, int alpha = 255) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(), {uint8_t(red_of(colour)), uint8_t(green_of(colour)), uint8_t(blue_of(colour)),
                                 uint8_t(alpha)});
    }
    return rgba;
}

// Screen pixels of a rectangle, row by row.
inline std::vector<int> pixels(int x, int y, int width, int height) {
    std::vector<int> out;
    read_pixels(x, y, width, height, out);
    return out;
}

// Each channel within `tolerance` levels.
inline ::testing::AssertionResult near_colour(int actual, int expected, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(((actual >> shift) & 0xFF) - ((expected >> shift) & 0xFF)) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "colour %06X, expected %06X (+-%d)", actual, expected, tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace gfxtest
