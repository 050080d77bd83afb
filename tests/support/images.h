// Test pictures in the runtime's colour packing (red in the low byte, then
// green, then blue), written as the BMP files the game loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

constexpr int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
inline int red_of(int c) { return c & 0xFF; }
inline int green_of(int c) { return (c >> 8) & 0xFF; }
inline int blue_of(int c) { return (c >> 16) & 0xFF; }

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

}  // namespace testsupport
