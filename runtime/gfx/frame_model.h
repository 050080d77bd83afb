// What the frame holds, known without asking GL, while only drawing whose
// result is exact has touched it: the clear colour, opaque rectangles, and
// sprites copied one texel per pixel without blending. A read of the frame
// is then answered from this record. In a browser every read-back waits
// until the GPU process has carried out everything drawn so far (the font
// measuring at start-up reads back once per glyph); the record makes those
// reads free and leaves the GPU process to draw alongside the program.
//
// Anything else drawn (blending, scaling, lines, polygons, a viewport)
// makes the record unknown until the next frame or whole-screen clear, and
// reads go to GL again. Colours are 0xBBGGRR, as the game reads them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// An image's pixels kept beside its texture: RGBA rows, top row first.
struct ModelPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    bool edge_alphas = true;   // some alpha lies within a byte of the alpha test's threshold
};

// An image's pixels for the record, with its edge_alphas found.
std::shared_ptr<const ModelPixels> model_pixels(int width, int height, const std::vector<uint8_t>& rgba,
                                                float alpha_threshold);

class FrameModel {
public:
    explicit FrameModel(int screen_width = 0, int screen_height = 0)
        : screen_width_(screen_width), screen_height_(screen_height) {}

    // The whole frame is one colour (a new frame, or cleared), opaque.
    void clear(int colour);
    // Something the record cannot follow was drawn.
    void forget();
    bool known() const { return known_; }

    // A rectangle of one colour (pixels x..x+width-1, y..y+height-1) whose
    // pixels take that colour and this alpha byte (-1: an alpha not known,
    // which leaves the frame's alpha unknown until it is cleared).
    void fill(int x, int y, int width, int height, int colour, int alpha = 255);
    // Texels (sx, sy, width, height) of an image copied to (x, y) one to
    // one; texels whose alpha fails the test (alpha <= threshold) leave
    // the frame as it was. The part must lie inside the image, and hold no
    // alpha within a byte of the threshold, else the frame becomes unknown.
    void copy(std::shared_ptr<const ModelPixels> image, int sx, int sy, int width, int height, int x, int y,
              float alpha_threshold);

    // The colours of a rectangle, row by row (0 off the screen); false,
    // with out untouched, while the frame is not known.
    bool read(int x, int y, int width, int height, std::vector<int>& out) const;
    // The same as RGBA bytes, as GL reads them (all 0 off the screen); a
    // frame stored without alpha (opaque) reads 255 for it. False, with
    // rgba untouched, while the colours or the alpha needed are not known.
    bool read_rgba(int x, int y, int width, int height, bool opaque, std::vector<uint8_t>& rgba) const;

private:
    struct Step {
        int x = 0, y = 0, width = 0, height = 0;   // on the screen, clipped
        int colour = 0;                              // a fill's colour
        int alpha = 255;                             // and its alpha byte
        std::shared_ptr<const ModelPixels> image;    // a copy's source (null: a fill)
        int dx = 0, dy = 0;                          // image texel = screen pixel - (dx, dy)
        int threshold = 0;                           // a copy's texels show above this alpha byte
    };
    // The colour at a screen pixel, its alpha byte in the top eight bits.
    uint32_t pixel_at(int x, int y) const;
    void add(Step step);

    int screen_width_;
    int screen_height_;
    bool known_ = false;
    bool alpha_known_ = false;
    int base_ = 0;
    std::vector<Step> steps_;   // in drawing order, over the base colour
};
