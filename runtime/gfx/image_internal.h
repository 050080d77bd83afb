// Pure image helpers shared by the renderer, its tests and the fuzz target:
// BMP and PNG decoding from memory, the transparent-block map used to skip
// empty parts of large sprites, and the collision scan over alpha masks.
// No GL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest width or height of an image a slot may hold, decoded or grabbed,
// whatever GL could hold: four times the screen's width is more than the
// game could ever show, and keeps a tiny forged file from asking for a
// gigabyte (decode buffer, texture copy, upload).
constexpr int IMAGE_MAX_SIDE = 4096;
// Largest pixel count of such an image (16 M pixels = 64 MB of RGBA).
constexpr int64_t IMAGE_MAX_PIXELS = int64_t(IMAGE_MAX_SIDE) * IMAGE_MAX_SIDE;

// Whether an image of that size may be decoded into or grabbed into a slot.
bool image_size_allowed(int64_t width, int64_t height);

// Side of the square blocks of the transparent-block map, in image pixels.
constexpr int OPAQUE_BLOCK = 16;

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4, top row first
};

// ---------------------------------------------------------------- decoding

// True for a PNG whose header says 8-bit RGB or RGB with alpha: decoding it
// either succeeds or fails silently, never printing a notice, so when it
// happens makes no difference to what the program shows.
bool png_decodes_quietly(const uint8_t* data, size_t size);

// Width x height as a PNG's header gives them; 0 without a header.
int64_t png_pixel_count(const uint8_t* data, size_t size);

// BMP (1, 4, 8-bit palettised, 24 and 32-bit, uncompressed). Every pixel gets
// alpha 255; a pixel equal to the packed key colour (key >= 0) becomes
// (0, 0, 0, 0). False when the bytes are not a BMP this decoder takes.
bool decode_bmp(const uint8_t* data, size_t size, int key, DecodedImage& out);

// PNG through libpng, expanded to 8-bit grey, RGB or RGBA. RGB and grey
// pixels equal to the key (key >= 0) become (0, 0, 0, 0); RGBA keeps its
// alpha. An unsupported colour type or depth prints the two-line notice
// naming `name` on stdout. False when the bytes do not decode.
bool decode_png(const uint8_t* data, size_t size, int key, const std::string& name,
                DecodedImage& out);

// BMP first, then PNG.
bool decode_image(const uint8_t* data, size_t size, int key, const std::string& name,
                  DecodedImage& out);

// Encodes RGBA (top row first) as a PNG file; true on success.
bool write_png_file(const std::string& path, int width, int height,
                    const std::vector<uint8_t>& rgba);

// ---------------------------------------------------------------- sizes

// Smallest power of two >= value and >= minimum.
int power_of_two_at_least(int value, int minimum);

// ---------------------------------------------------------------- transparent blocks

// Which OPAQUE_BLOCK squares of an image hold any pixel with alpha above 0
// (only those can show anything, so drawing may skip the rest), and which
// are solid: every pixel alpha 255, so no pixel can fail the alpha test.
struct BlockMap {
    int columns = 0;
    int rows = 0;
    bool all_used = true;           // no block may be skipped
    bool all_solid = false;
    std::vector<uint8_t> used;      // columns * rows, row-major
    std::vector<uint8_t> solid;
};

// Builds the map of an RGBA image (stride = row length in pixels).
BlockMap build_block_map(const uint8_t* rgba, int width, int height, int stride);

// One horizontal run of used blocks clipped to a source rectangle.
struct SourceSpan {
    int x, y, width, height;  // image pixels
    bool solid;               // every block of the run is solid
};

// Splits the source rectangle (sx, sy, sw, sh) into spans covering every used
// block inside it (rows of blocks; neighbouring used blocks of the same
// solidity merged, equal runs of consecutive block rows merged). Appends to
// spans.
void used_spans(const BlockMap& map, int sx, int sy, int sw, int sh,
                std::vector<SourceSpan>& spans);

// ---------------------------------------------------------------- collision

// An alpha mask: one byte per texel of a texture of the given row length.
struct AlphaMask {
    const uint8_t* alpha;
    int stride;
};

// 1 if two images placed at (x1, y1) and (x2, y2) with the given sizes share a
// pixel where both masks are non-zero; the overlap is scanned even rows with
// even columns first, then even/odd, odd/even, odd/odd.
int masks_overlap(const AlphaMask& a, int x1, int y1, int w1, int h1,
                  const AlphaMask& b, int x2, int y2, int w2, int h2);
