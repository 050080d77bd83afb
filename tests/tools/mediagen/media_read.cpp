// Readers for the generated media, independent of the generator's own code.
#include "media_read.h"

#include "tests/support/files.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace media_test {

std::string media_dir() { return std::string(WEDGEWISE_BINARY_DIR) + "/media"; }

bool media_built() {
#ifdef WEDGEWISE_MEDIA_BUILT
    return true;
#else
    return false;
#endif
}

std::vector<uint8_t> read_bytes(const std::string& path) { return testsupport::file_bytes(path); }

bool Picture::key(int x, int y) const {
    const uint8_t* p = at(x, y);
    return !has_alpha && p[0] == 255 && p[1] == 0 && p[2] == 128;
}

bool load_png(const std::string& path, Picture& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    int type = png_get_color_type(png, info);
    out.has_alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    if (!out.has_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
    std::vector<png_bytep> rows(static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y) rows[static_cast<size_t>(y)] = &out.rgba[static_cast<size_t>(y) * out.width * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return true;
}

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool load_wav(const std::string& path, Wave& out) {
    std::vector<uint8_t> b = read_bytes(path);
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    if (le32(&b[4]) + 8 != b.size()) return false;
    size_t pos = 12;
    bool have_format = false;
    while (pos + 8 <= b.size()) {
        uint32_t size = le32(&b[pos + 4]);
        if (pos + 8 + size > b.size()) return false;
        const uint8_t* body = &b[pos + 8];
        if (std::memcmp(&b[pos], "fmt ", 4) == 0 && size >= 16) {
            out.format = le16(body);
            out.channels = le16(body + 2);
            out.rate = static_cast<int>(le32(body + 4));
            out.bits = le16(body + 14);
            have_format = true;
        } else if (std::memcmp(&b[pos], "data", 4) == 0) {
            if (!have_format || out.bits != 16) return false;
            out.samples.resize(size / 2);
            for (size_t i = 0; i < out.samples.size(); ++i) out.samples[i] = static_cast<int16_t>(le16(body + 2 * i));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

Mp3Walk walk_mp3(const std::vector<uint8_t>& b) {
    static const int BITRATES[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int RATES[4] = {44100, 48000, 32000, 0};
    Mp3Walk w;
    size_t pos = 0;
    if (b.size() >= 10 && std::memcmp(b.data(), "ID3", 3) == 0) {
        pos = 10 + ((b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F));
    }
    size_t end = b.size();
    if (end >= 128 && std::memcmp(&b[end - 128], "TAG", 3) == 0) end -= 128;
    while (pos + 4 <= end) {
        const uint8_t* h = &b[pos];
        // Sync, MPEG-1, layer III.
        if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) break;
        int bitrate = BITRATES[h[2] >> 4], rate = RATES[(h[2] >> 2) & 3], padding = (h[2] >> 1) & 1;
        if (bitrate == 0 || rate == 0) break;
        if (w.sample_rate != 0 && w.sample_rate != rate) break;
        w.sample_rate = rate;
        w.stereo = (h[3] >> 6) != 3;
        size_t length = static_cast<size_t>(144000 * bitrate / rate + padding);
        if (pos + length > end) break;
        pos += length;
        ++w.frames;
    }
    w.reached_end = pos == end;
    return w;
}

}  // namespace media_test
