// The frame's record for reads without GL (see frame_model.h).
#include "runtime/gfx/frame_model.h"

#include <algorithm>
#include <cmath>

namespace {

// Beyond this many steps a read costs more than it saves: the record is dropped.
constexpr size_t MAX_STEPS = 64;

bool inside(int x, int y, int left, int top, int width, int height) {
    return x >= left && y >= top && x < left + width && y < top + height;
}

// Drivers differ right at the threshold (a fixed-function alpha test may
// compare bytes, a shader compares alpha / 255).
bool near_edge(uint8_t alpha, float edge) { return std::abs(float(alpha) - edge) <= 1.0f; }

}  // namespace

std::shared_ptr<const ModelPixels> model_pixels(int width, int height, const std::vector<uint8_t>& rgba,
                                                float alpha_threshold) {
    auto pixels = std::make_shared<ModelPixels>(ModelPixels{width, height, rgba, false});
    for (size_t i = 3; i < rgba.size() && !pixels->edge_alphas; i += 4)
        pixels->edge_alphas = near_edge(rgba[i], alpha_threshold * 255.0f);
    return pixels;
}

void FrameModel::clear(int colour) {
    known_ = true;
    alpha_known_ = true;
    base_ = colour & 0xFFFFFF;
    steps_.clear();
}

void FrameModel::forget() {
    known_ = false;
    steps_.clear();
}

void FrameModel::add(Step step) {
    if (!known_) return;
    // Clipped to the screen; what falls outside changes nothing.
    const int left = std::max(step.x, 0), top = std::max(step.y, 0);
    const int right = std::min(step.x + step.width, screen_width_);
    const int bottom = std::min(step.y + step.height, screen_height_);
    if (left >= right || top >= bottom) return;
    step.x = left;
    step.y = top;
    step.width = right - left;
    step.height = bottom - top;
    // A fill hides every earlier step it covers entirely.
    if (!step.image) {
        std::erase_if(steps_, [&](const Step& s) {
            return s.x >= step.x && s.y >= step.y && s.x + s.width <= step.x + step.width &&
                   s.y + s.height <= step.y + step.height;
        });
    }
    if (steps_.size() >= MAX_STEPS) {
        forget();
        return;
    }
    steps_.push_back(std::move(step));
}

void FrameModel::fill(int x, int y, int width, int height, int colour, int alpha) {
    if (alpha < 0) alpha_known_ = false;
    Step step;
    step.x = x;
    step.y = y;
    step.width = width;
    step.height = height;
    step.colour = colour & 0xFFFFFF;
    step.alpha = std::clamp(alpha, 0, 255);
    add(std::move(step));
}

void FrameModel::copy(std::shared_ptr<const ModelPixels> image, int sx, int sy, int width, int height, int x, int y,
                      float alpha_threshold) {
    if (!known_) return;
    if (!image || sx < 0 || sy < 0 || width < 0 || height < 0 || sx + width > image->width ||
        sy + height > image->height) {
        forget();
        return;
    }
    // A texel within a byte of the threshold leaves the frame unknown.
    const float edge = alpha_threshold * 255.0f;
    for (int row = sy; image->edge_alphas && row < sy + height; ++row) {
        const uint8_t* texel = &image->rgba[(size_t(row) * size_t(image->width) + size_t(sx)) * 4];
        for (int column = 0; column < width; ++column, texel += 4) {
            if (near_edge(texel[3], edge)) {
                forget();
                return;
            }
        }
    }
    Step step;
    step.x = x;
    step.y = y;
    step.width = width;
    step.height = height;
    step.image = std::move(image);
    step.dx = x - sx;
    step.dy = y - sy;
    step.threshold = int(std::floor(edge));   // the largest byte that fails
    add(std::move(step));
}

uint32_t FrameModel::pixel_at(int x, int y) const {
    // The last step that shows at this pixel decides it. Unblended, a copied
    // texel brings its own alpha.
    for (auto s = steps_.rbegin(); s != steps_.rend(); ++s) {
        if (!inside(x, y, s->x, s->y, s->width, s->height)) continue;
        if (!s->image) return uint32_t(s->colour) | uint32_t(s->alpha) << 24;
        const ModelPixels& image = *s->image;
        const uint8_t* texel = &image.rgba[(size_t(y - s->dy) * size_t(image.width) + size_t(x - s->dx)) * 4];
        if (texel[3] > s->threshold)
            return uint32_t(texel[0]) | uint32_t(texel[1]) << 8 | uint32_t(texel[2]) << 16 | uint32_t(texel[3]) << 24;
    }
    return uint32_t(base_) | 0xFF000000u;
}

bool FrameModel::read(int x, int y, int width, int height, std::vector<int>& out) const {
    if (!known_) return false;
    out.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), 0);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const int px = x + column, py = y + row;
            if (inside(px, py, 0, 0, screen_width_, screen_height_))
                out[size_t(row) * size_t(width) + size_t(column)] = int(pixel_at(px, py) & 0xFFFFFF);
        }
    }
    return true;
}

bool FrameModel::read_rgba(int x, int y, int width, int height, bool opaque, std::vector<uint8_t>& rgba) const {
    if (!known_ || (!opaque && !alpha_known_)) return false;
    rgba.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)) * 4, 0);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const int px = x + column, py = y + row;
            if (!inside(px, py, 0, 0, screen_width_, screen_height_)) continue;
            const uint32_t pixel = pixel_at(px, py);
            uint8_t* out = &rgba[(size_t(row) * size_t(width) + size_t(column)) * 4];
            out[0] = uint8_t(pixel);
            out[1] = uint8_t(pixel >> 8);
            out[2] = uint8_t(pixel >> 16);
            out[3] = opaque ? 255 : uint8_t(pixel >> 24);
        }
    }
    return true;
}
