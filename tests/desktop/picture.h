// The screen as the X server shows it, against the game's own offscreen
// frame: the 1024 x 768 picture must fill the largest centred rectangle of
// its shape, black around it, every pixel inside a filtered copy of the
// frame's pixels there.
#pragma once

#include "tests/support/places.h"

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/xtest_client.h"

namespace desktop {

// The largest rectangle of the game's shape that fits the screen, centred.
struct Letterbox {
    double scale = 1;
    int left = 0, top = 0, width = 0, height = 0;
};
Letterbox letterbox_for(int screen_width, int screen_height);

struct PictureMatch {
    long outside_lit = 0;      // pixels outside the rectangle that are not black
    double inside = 0;         // share of the sampled pixels inside that match
    double shifted = 0;        // the same with the frame taken 4 pixels to the right
    std::string describe() const;
};

// Compares the screen (0xRRGGBB) with the frame (packed R + 256 G + 65536 B)
// over the game's rectangle gx, gy, gw, gh (the whole frame by default).
PictureMatch match_picture(const std::vector<uint32_t>& screen, int screen_width, int screen_height,
                           const std::vector<int>& frame, const Letterbox& box, int gx = 0, int gy = 0,
                           int gw = 1024, int gh = 768);

// The whole screen of the X client's display; empty when it cannot be read.
std::vector<uint32_t> grab_screen(xtest::Client& x, int width, int height);

// The next frame the game presents, against the screen once it shows it:
// the whole picture, and the square round the drawn pointer when given.
struct Shown {
    bool held = false;
    bool has_pointer = false;
    std::vector<uint32_t> screen;
    PictureMatch whole, pointer;
};
using places::Point;
class LiveGame;
Shown look_at_screen(LiveGame& game, xtest::Client& x, int screen_width, int screen_height,
                     const Point* pointer);

// Full screen, letterboxed, the frame's pixels, the pointer where the game
// has it (gtest expectations); the screen saved as build/pictures/<picture>
// unless that is empty.
void expect_shown_right(const Shown& shown, int screen_width, int screen_height, const std::string& picture);

}  // namespace desktop
