// Fuzzes the image decoders with arbitrary bytes (tried as BMP, then PNG, with
// and without a key colour) and checks what a decoded image promises: its size
// within the limits, a block map whose spans stay inside the image and cover
// every visible pixel, and a collision scan that agrees with the pixels.
#include "runtime/gfx/image_internal.h"

#include <cstdlib>

namespace {

// Keeps one input's work small: the map and collision checks visit pixels.
constexpr int64_t MAX_CHECKED_PIXELS = 1 << 20;

void check(const DecodedImage& image) {
    if (image.width <= 0 || image.height <= 0 || image.width > IMAGE_MAX_SIDE || image.height > IMAGE_MAX_SIDE)
        std::abort();
    const size_t pixels = size_t(image.width) * size_t(image.height);
    if (image.rgba.size() != pixels * 4) std::abort();
    if (int64_t(pixels) > MAX_CHECKED_PIXELS) return;

    bool any_visible = false;
    const BlockMap map = build_block_map(image.rgba.data(), image.width, image.height, image.width);
    std::vector<SourceSpan> spans;
    used_spans(map, 0, 0, image.width, image.height, spans);
    for (const SourceSpan& s : spans) {
        if (s.x < 0 || s.y < 0 || s.width <= 0 || s.height <= 0 || s.x + s.width > image.width ||
            s.y + s.height > image.height)
            std::abort();
    }
    std::vector<uint8_t> alpha(pixels);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
            alpha[size_t(y) * size_t(image.width) + size_t(x)] = p[3];
            if (p[3] == 0) continue;
            any_visible = true;
            bool covered = false;
            for (const SourceSpan& s : spans)
                covered = covered || (x >= s.x && x < s.x + s.width && y >= s.y && y < s.y + s.height);
            if (!covered) std::abort();
        }
    }
    const AlphaMask mask{alpha.data(), image.width};
    if (masks_overlap(mask, 3, -2, image.width, image.height, mask, 3, -2, image.width, image.height) !=
        (any_visible ? 1 : 0))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int key : {0x8000FF, -1}) {
        DecodedImage image;
        if (decode_image(data, size, key, "fuzz", image)) check(image);
    }
    return 0;
}
