// The few places where a rule plays a sound, reads the pointer or reads
// pixels go through this interface, so the rules build and test without a
// window. The play layer installs the real one; tests install fakes.
#pragma once

#include <string>
#include <vector>

// ---------------------------------------------------------------- media slots the rules name

// Sound slots.
constexpr int SOUND_EXPLOSION = 0;
constexpr int SOUND_PLACE = 1;
constexpr int SOUND_SPIN = 2;
constexpr int SOUND_PICKUP = 3;

// The tile sprites. Their opaque pixels are also the hit masks of an up
// cell, a down cell and a store slot.
constexpr int SPRITE_UP_TILE = 11;
constexpr int SPRITE_DOWN_TILE = 12;
constexpr int SPRITE_STORE_TILE = 13;

// ---------------------------------------------------------------- services

struct TilePixel { int px, py, colour; };

class PuzzleServices {
public:
    virtual ~PuzzleServices() = default;
    // mouse_state: pointer position and buttons.
    virtual void read_mouse(double& x, double& y, double& left, double& right) = 0;
    // mouse_axis(MOUSE_AXIS_WHEEL): the wheel this frame, -1, 0 or 1.
    virtual int read_wheel() = 0;
    // Whether the pixel at (px, py) is an opaque pixel of the mask sprite
    // placed at (x, y) (sprite_collision of the 1 x 1 pointer sprite).
    virtual bool pointer_hits(int mask_slot, double px, double py, int x, int y) = 0;
    // play_sound(slot, 0, 1).
    virtual void play_sound(int slot) = 0;
    // music_play(name, 1).
    virtual void play_music(const std::string& name) = 0;
    // The non-black pixels at (px, py), px and py in 0, 3, ..., 60, of the
    // tile drawn with draw_tile at (0, 0) on a black square.
    virtual void tile_pixels(const std::string& code, std::vector<TilePixel>& out) = 0;
};

// Installs the services the rules use (nullptr = silent defaults).
void set_puzzle_services(PuzzleServices* services);
PuzzleServices& puzzle_services();
