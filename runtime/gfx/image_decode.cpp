// BMP and PNG decoding from memory, PNG writing, transparent-block maps and
// the alpha-mask collision scan. Pure code: no GL, no files but the PNG writer.
#include "runtime/gfx/image_internal.h"

#include "runtime/values/bytes.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// ---------------------------------------------------------------- small helpers


// Empties an image but keeps its buffer for the next decode.
void reset(DecodedImage& out) {
    out.width = out.height = 0;
    out.rgba.clear();
}

// Writes one pixel, turning the key colour into transparent black.
void put_pixel(uint8_t* dst, uint8_t r, uint8_t g, uint8_t b, uint8_t a, int key) {
    if (key >= 0 && a == 255 && (r | (g << 8) | (b << 16)) == (key & 0xFFFFFF)) {
        r = g = b = a = 0;
    }
    dst[0] = r;
    dst[1] = g;
    dst[2] = b;
    dst[3] = a;
}

// ---------------------------------------------------------------- BMP

constexpr size_t BMP_FILE_HEADER = 14;
constexpr uint32_t BMP_CORE_HEADER = 12;  // OS/2 style: 16-bit sizes, 3-byte palette
constexpr uint32_t BMP_INFO_HEADER = 40;
constexpr uint32_t BMP_COMPRESSION_NONE = 0;

}  // namespace

bool decode_bmp(const uint8_t* data, size_t size, int key, DecodedImage& out) {
    reset(out);
    if (!data || size < BMP_FILE_HEADER + BMP_CORE_HEADER || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const uint32_t pixel_offset = read_le32(data + 10);
    const uint32_t header_size = read_le32(data + 14);
    int64_t width = 0, height = 0;
    int bits = 0;
    uint32_t compression = BMP_COMPRESSION_NONE;
    uint32_t colours_used = 0;
    size_t palette_entry = 4;
    if (header_size == BMP_CORE_HEADER) {
        width = read_le16(data + 18);
        height = read_le16(data + 20);
        bits = read_le16(data + 24);
        palette_entry = 3;
    } else if (header_size >= BMP_INFO_HEADER && header_size <= 1024 &&
               size >= BMP_FILE_HEADER + BMP_INFO_HEADER) {
        width = int32_t(read_le32(data + 18));
        height = int32_t(read_le32(data + 22));
        bits = read_le16(data + 28);
        compression = read_le32(data + 30);
        colours_used = read_le32(data + 46);
    } else {
        return false;
    }
    // Rows are stored bottom-up; a negative height marks a top-down file.
    const bool top_down = height < 0;
    if (top_down) height = -height;
    if (compression != BMP_COMPRESSION_NONE || !image_size_allowed(width, height)) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;

    const size_t palette_start = BMP_FILE_HEADER + header_size;
    std::vector<uint8_t> palette;  // packed as b, g, r
    if (bits <= 8) {
        size_t count = colours_used ? colours_used : (size_t(1) << bits);
        count = std::min<size_t>(count, size_t(1) << bits);
        if (palette_start > size) return false;
        count = std::min(count, (size - palette_start) / palette_entry);
        palette.assign((size_t(1) << bits) * 3, 0);  // missing entries read as black
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = data + palette_start + i * palette_entry;
            palette[i * 3 + 0] = e[0];
            palette[i * 3 + 1] = e[1];
            palette[i * 3 + 2] = e[2];
        }
    }

    const size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    if (pixel_offset > size || stride * size_t(height) > size - pixel_offset) return false;

    out.width = int(width);
    out.height = int(height);
    out.rgba.resize(size_t(width) * size_t(height) * 4);
    for (int64_t row = 0; row < height; ++row) {
        const int64_t stored_row = top_down ? row : height - 1 - row;
        const uint8_t* src = data + pixel_offset + size_t(stored_row) * stride;
        uint8_t* dst = &out.rgba[size_t(row) * size_t(width) * 4];
        for (int64_t x = 0; x < width; ++x, dst += 4) {
            switch (bits) {
            case 24: put_pixel(dst, src[x * 3 + 2], src[x * 3 + 1], src[x * 3], 255, key); break;
            case 32: put_pixel(dst, src[x * 4 + 2], src[x * 4 + 1], src[x * 4], 255, key); break;
            default: {
                const int per_byte = 8 / bits;
                const uint8_t byte = src[x / per_byte];
                const int shift = (per_byte - 1 - int(x % per_byte)) * bits;
                const size_t index = (byte >> shift) & ((1 << bits) - 1);
                put_pixel(dst, palette[index * 3 + 2], palette[index * 3 + 1], palette[index * 3], 255,
                          key);
            }
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------- PNG

namespace {

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void png_read_memory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->at) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->at, count);
    reader->at += count;
}

// libpng reports through longjmp; keep its messages off stderr.
void png_quiet_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_quiet_warning(png_structp, png_const_charp) {}

constexpr size_t PNG_SIGNATURE = 8;

// Everything that must survive a longjmp lives outside the setjmp frame.
struct PngDecode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    ~PngDecode() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Returns 1 decoded, 0 failed, -1 unsupported format (notice printed).
// filled: 8-bit RGB without a transparency chunk is read with a filler byte
// straight into rgba, opaque and still to be keyed; every other kind goes
// to d.pixels as libpng expands it.
int run_png_decode(PngDecode& d, PngReader& reader, std::vector<uint8_t>& rgba, int& width, int& height,
                   int& colour_type, int& depth, bool& filled) {
    if (setjmp(png_jmpbuf(d.png))) return 0;
    png_set_read_fn(d.png, &reader, png_read_memory);
    png_set_user_limits(d.png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
    png_read_info(d.png, d.info);
    const png_uint_32 w = png_get_image_width(d.png, d.info);
    const png_uint_32 h = png_get_image_height(d.png, d.info);
    if (!image_size_allowed(w, h)) return 0;
    filled = png_get_color_type(d.png, d.info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(d.png, d.info) == 8 &&
             !png_get_valid(d.png, d.info, PNG_INFO_tRNS);
    if (filled) png_set_filler(d.png, 0xFF, PNG_FILLER_AFTER);
    // Palette and small grey become 8-bit, tRNS becomes alpha, 16 bits become 8.
    png_set_expand(d.png);
    png_set_strip_16(d.png);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    colour_type = png_get_color_type(d.png, d.info);
    depth = png_get_bit_depth(d.png, d.info);
    if (colour_type != PNG_COLOR_TYPE_GRAY && colour_type != PNG_COLOR_TYPE_RGB &&
        colour_type != PNG_COLOR_TYPE_RGB_ALPHA) {
        return -1;
    }
    if (depth != 8) return -2;
    const size_t row_bytes = png_get_rowbytes(d.png, d.info);
    const size_t channels = png_get_channels(d.png, d.info);
    if (row_bytes != size_t(w) * channels) return 0;
    std::vector<uint8_t>& pixels = filled ? rgba : d.pixels;
    pixels.resize(row_bytes * h);
    d.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) d.rows[y] = pixels.data() + size_t(y) * row_bytes;
    png_read_image(d.png, d.rows.data());
    png_read_end(d.png, nullptr);
    width = int(w);
    height = int(h);
    return 1;
}

}  // namespace

bool decode_png(const uint8_t* data, size_t size, int key, const std::string& name,
                DecodedImage& out) {
    reset(out);
    if (!data || size < PNG_SIGNATURE || png_sig_cmp(data, 0, PNG_SIGNATURE) != 0) return false;
    PngDecode d;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quiet_error, png_quiet_warning);
    if (!d.png) return false;
    d.info = png_create_info_struct(d.png);
    if (!d.info) return false;
    PngReader reader{data, size, 0};
    int width = 0, height = 0, colour_type = 0, depth = 0;
    bool filled = false;
    const int result = run_png_decode(d, reader, out.rgba, width, height, colour_type, depth, filled);
    if (result == -1) {
        std::printf("File %s has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n",
                    name.c_str());
        std::fflush(stdout);
        return false;
    }
    if (result == -2) {
        std::printf("File %s has bit depth %d.\nOnly bit depth of 8 is supported.\n", name.c_str(), depth);
        std::fflush(stdout);
        return false;
    }
    if (result != 1) {
        out.rgba.clear();
        return false;
    }

    out.width = width;
    out.height = height;
    const size_t pixels = size_t(width) * size_t(height);
    if (filled) {
        // Already RGBA; only the key colour changes, to transparent black.
        if (key >= 0) {
            const uint8_t key_bytes[4] = {uint8_t(key & 0xFF), uint8_t((key >> 8) & 0xFF), uint8_t((key >> 16) & 0xFF),
                                          255};
            uint32_t keyed;
            std::memcpy(&keyed, key_bytes, 4);
            uint8_t* p = out.rgba.data();
            for (size_t i = 0; i < pixels; ++i, p += 4) {
                uint32_t word;
                std::memcpy(&word, p, 4);
                if (word == keyed) std::memset(p, 0, 4);
            }
        }
        return true;
    }
    out.rgba.resize(pixels * 4);
    const uint8_t* src = d.pixels.data();
    uint8_t* dst = out.rgba.data();
    for (size_t i = 0; i < pixels; ++i, dst += 4) {
        switch (colour_type) {
        case PNG_COLOR_TYPE_GRAY: put_pixel(dst, src[i], src[i], src[i], 255, key); break;
        case PNG_COLOR_TYPE_RGB: put_pixel(dst, src[i * 3], src[i * 3 + 1], src[i * 3 + 2], 255, key); break;
        default: std::memcpy(dst, src + i * 4, 4); break;  // alpha images are never keyed
        }
    }
    return true;
}

bool png_decodes_quietly(const uint8_t* data, size_t size) {
    // Signature, then the IHDR chunk: length, type, width, height, depth, colour type.
    constexpr size_t IHDR_TYPE = 12, IHDR_DEPTH = 24, IHDR_COLOUR = 25, IHDR_END = 29;
    if (!data || size < IHDR_END || png_sig_cmp(data, 0, PNG_SIGNATURE) != 0) return false;
    if (std::memcmp(data + IHDR_TYPE, "IHDR", 4) != 0 || data[IHDR_DEPTH] != 8) return false;
    return data[IHDR_COLOUR] == PNG_COLOR_TYPE_RGB || data[IHDR_COLOUR] == PNG_COLOR_TYPE_RGB_ALPHA;
}

int64_t png_pixel_count(const uint8_t* data, size_t size) {
    constexpr size_t IHDR_TYPE = 12, IHDR_WIDTH = 16, IHDR_HEIGHT = 20, IHDR_END = 24;
    if (!data || size < IHDR_END || std::memcmp(data + IHDR_TYPE, "IHDR", 4) != 0) return 0;
    auto be32 = [&](size_t at) {
        return int64_t(data[at]) << 24 | int64_t(data[at + 1]) << 16 | int64_t(data[at + 2]) << 8 | data[at + 3];
    };
    return be32(IHDR_WIDTH) * be32(IHDR_HEIGHT);
}

bool decode_image(const uint8_t* data, size_t size, int key, const std::string& name,
                  DecodedImage& out) {
    return decode_bmp(data, size, key, out) || decode_png(data, size, key, name, out);
}

// ---------------------------------------------------------------- PNG writing

namespace {

struct PngWrite {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE* file = nullptr;
    std::vector<png_bytep> rows;
    ~PngWrite() {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file) std::fclose(file);
    }
};

bool run_png_write(PngWrite& w, int width, int height) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_init_io(w.png, w.file);
    png_set_IHDR(w.png, w.info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_write_image(w.png, w.rows.data());
    png_write_end(w.png, nullptr);
    return true;
}

}  // namespace

bool write_png_file(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) return false;
    PngWrite w;
    w.file = std::fopen(path.c_str(), "wb");
    if (!w.file) return false;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_quiet_error, png_quiet_warning);
    if (!w.png) return false;
    w.info = png_create_info_struct(w.png);
    if (!w.info) return false;
    w.rows.resize(size_t(height));
    for (int y = 0; y < height; ++y) {
        w.rows[size_t(y)] = const_cast<png_bytep>(rgba.data() + size_t(y) * size_t(width) * 4);
    }
    if (!run_png_write(w, width, height)) return false;
    const bool closed = std::fclose(w.file) == 0;
    w.file = nullptr;
    return closed;
}

// ---------------------------------------------------------------- sizes

bool image_size_allowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE &&
           width * height <= IMAGE_MAX_PIXELS;
}

int power_of_two_at_least(int value, int minimum) {
    int size = 1;
    while (size < value || size < minimum) size *= 2;
    return size;
}

// ---------------------------------------------------------------- transparent blocks

BlockMap build_block_map(const uint8_t* rgba, int width, int height, int stride) {
    BlockMap map;
    map.columns = (width + OPAQUE_BLOCK - 1) / OPAQUE_BLOCK;
    map.rows = (height + OPAQUE_BLOCK - 1) / OPAQUE_BLOCK;
    map.used.assign(size_t(map.columns) * size_t(map.rows), 0);
    map.solid.assign(size_t(map.columns) * size_t(map.rows), 1);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rgba + size_t(y) * size_t(stride) * 4;
        const size_t first = size_t(y / OPAQUE_BLOCK) * size_t(map.columns);
        for (int x = 0; x < width; ++x) {
            const uint8_t alpha = row[size_t(x) * 4 + 3];
            if (alpha) map.used[first + size_t(x / OPAQUE_BLOCK)] = 1;
            if (alpha != 255) map.solid[first + size_t(x / OPAQUE_BLOCK)] = 0;
        }
    }
    auto all = [](const std::vector<uint8_t>& marks) {
        return std::all_of(marks.begin(), marks.end(), [](uint8_t m) { return m != 0; });
    };
    map.all_used = all(map.used);
    map.all_solid = all(map.solid);
    return map;
}

void used_spans(const BlockMap& map, int sx, int sy, int sw, int sh, std::vector<SourceSpan>& spans) {
    if (sw <= 0 || sh <= 0) return;
    if ((map.all_used && !map.all_solid) || map.columns == 0) {
        spans.push_back({sx, sy, sw, sh, false});
        return;
    }
    if (map.all_solid) {
        spans.push_back({sx, sy, sw, sh, true});
        return;
    }
    const int x_end = sx + sw, y_end = sy + sh;
    const int first_row = std::max(0, sy / OPAQUE_BLOCK);
    const int last_row = std::min(map.rows - 1, (y_end - 1) / OPAQUE_BLOCK);
    const int first_col = std::max(0, sx / OPAQUE_BLOCK);
    const int last_col = std::min(map.columns - 1, (x_end - 1) / OPAQUE_BLOCK);
    // Runs of the block row above, extended downward while the next row repeats them.
    const size_t first_of_previous = spans.size();
    size_t previous_begin = first_of_previous, previous_end = first_of_previous;
    std::vector<SourceSpan> row_runs;
    for (int r = first_row; r <= last_row; ++r) {
        const int top = std::max(sy, r * OPAQUE_BLOCK);
        const int bottom = std::min(y_end, (r + 1) * OPAQUE_BLOCK);
        row_runs.clear();
        const uint8_t* used = &map.used[size_t(r) * size_t(map.columns)];
        const uint8_t* solid = &map.solid[size_t(r) * size_t(map.columns)];
        for (int c = first_col; c <= last_col;) {
            if (!used[c]) {
                ++c;
                continue;
            }
            int end = c;
            while (end + 1 <= last_col && used[end + 1] && solid[end + 1] == solid[c]) ++end;
            const int left = std::max(sx, c * OPAQUE_BLOCK);
            const int right = std::min(x_end, (end + 1) * OPAQUE_BLOCK);
            row_runs.push_back({left, top, right - left, bottom - top, solid[c] != 0});
            c = end + 1;
        }
        bool same = row_runs.size() == previous_end - previous_begin && !row_runs.empty();
        for (size_t i = 0; same && i < row_runs.size(); ++i) {
            const SourceSpan& p = spans[previous_begin + i];
            same = p.x == row_runs[i].x && p.width == row_runs[i].width && p.y + p.height == top &&
                   p.solid == row_runs[i].solid;
        }
        if (same) {
            for (size_t i = 0; i < row_runs.size(); ++i) spans[previous_begin + i].height += bottom - top;
        } else {
            previous_begin = spans.size();
            spans.insert(spans.end(), row_runs.begin(), row_runs.end());
            previous_end = spans.size();
        }
    }
}

// ---------------------------------------------------------------- collision

int masks_overlap(const AlphaMask& a, int x1, int y1, int w1, int h1, const AlphaMask& b, int x2, int y2,
                  int w2, int h2) {
    const int left = std::max(x1, x2), right = std::min(x1 + w1, x2 + w2);
    const int top = std::max(y1, y2), bottom = std::min(y1 + h1, y2 + h2);
    if (left >= right || top >= bottom || !a.alpha || !b.alpha) return 0;
    // Four interleaved passes find a hit in a large overlap sooner on average.
    static constexpr int PASSES[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (const auto& pass : PASSES) {
        for (int y = top + ((top + pass[0]) & 1 ? 1 : 0); y < bottom; y += 2) {
            const uint8_t* row_a = a.alpha + size_t(y - y1) * size_t(a.stride);
            const uint8_t* row_b = b.alpha + size_t(y - y2) * size_t(b.stride);
            for (int x = left + ((left + pass[1]) & 1 ? 1 : 0); x < right; x += 2) {
                if (row_a[x - x1] && row_b[x - x2]) return 1;
            }
        }
    }
    return 0;
}
