// Where the screen sits inside the window: one geometry for the renderer,
// which copies the frame there, and the input module, which maps the system
// pointer back. Pure arithmetic, so both always agree to the pixel.
#pragma once

#include <algorithm>
#include <cmath>

// The largest rectangle of the screen's shape that fits in an outer surface
// (the window's drawable, in its own pixels), centred. Sizes are rounded to
// whole pixels; an odd margin leaves the extra pixel above and on the right.
struct Letterbox {
    int left = 0;
    int top = 0;      // from the top edge
    int width = 0;
    int height = 0;
};

inline Letterbox letterbox_of(int outer_width, int outer_height, int screen_width, int screen_height) {
    Letterbox box;
    if (outer_width <= 0 || outer_height <= 0 || screen_width <= 0 || screen_height <= 0) return box;
    const double scale = std::min(double(outer_width) / screen_width, double(outer_height) / screen_height);
    box.width = int(std::lround(screen_width * scale));
    box.height = int(std::lround(screen_height * scale));
    box.left = (outer_width - box.width) / 2;
    // The frame is copied with its bottom margin rounded down.
    box.top = outer_height - box.height - (outer_height - box.height) / 2;
    return box;
}
