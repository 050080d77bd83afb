// Whether a picture from the build's media shows on an X screen where the
// game draws it: the proof that a program found its media, which no count
// of colours gives (shapes drawn without media have colours too).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/gfx/gfx.h"
#include "runtime/gfx/image_internal.h"

namespace screen_picture {

// The intro's picture, drawn unscaled with its top-left corner there.
constexpr const char* INTRO_PICTURE = "logo4.png";
constexpr int INTRO_PICTURE_X = 245, INTRO_PICTURE_Y = 30;

// A share of the picture's opaque pixels that only the picture itself gives.
constexpr double SHOWN = 0.9;

// Share of the picture's opaque pixels (every third one of every third row)
// that the screen (0xRRGGBB, row by row, screen_width wide) shows within a
// few levels per channel with the picture's top-left at (x, y); 0 when the
// picture cannot be read or lies off the screen.
inline double shown_share(const std::vector<uint32_t>& screen, int screen_width, const std::string& png_path,
                          int x, int y) {
    std::ifstream in(png_path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DecodedImage picture;
    if (bytes.empty() || !decode_png(bytes.data(), bytes.size(), KEY_COLOUR, png_path, picture)) return 0;
    const int screen_height = screen_width > 0 ? static_cast<int>(screen.size()) / screen_width : 0;
    if (x < 0 || y < 0 || x + picture.width > screen_width || y + picture.height > screen_height) return 0;
    long opaque = 0, shown = 0;
    for (int py = 0; py < picture.height; py += 3)
        for (int px = 0; px < picture.width; px += 3) {
            const uint8_t* p = &picture.rgba[(static_cast<size_t>(py) * picture.width + px) * 4];
            if (p[3] != 255) continue;
            ++opaque;
            const uint32_t s = screen[static_cast<size_t>(y + py) * screen_width + x + px];
            const int r = static_cast<int>(s >> 16 & 0xFF), g = static_cast<int>(s >> 8 & 0xFF),
                      b = static_cast<int>(s & 0xFF);
            shown += std::abs(r - p[0]) <= 4 && std::abs(g - p[1]) <= 4 && std::abs(b - p[2]) <= 4;
        }
    return opaque > 0 ? static_cast<double>(shown) / static_cast<double>(opaque) : 0;
}

}  // namespace screen_picture
