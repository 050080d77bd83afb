// The services of the puzzle rules, backed by the runtime: the pointer and
// the wheel, hit tests against the sprite masks, sounds, music, and the
// explosion's debris read back from a tile drawn on a scratch square.
#include <cmath>
#include <string>
#include <vector>

#include "game/play/play.h"
#include "game/puzzle/services.h"
#include "runtime/audio/audio.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

namespace {

constexpr int SOUND_CENTRE = 0;
constexpr double SOUND_FULL = 1;
constexpr int SCRATCH_SQUARE = 80;
constexpr int TILE_SPAN = 61;          // pixels 0..60 of the tile box
constexpr int TILE_SAMPLE_STEP = 3;

// The services of the rules, backed by the runtime.
class RuntimePuzzleServices : public PuzzleServices {
public:
    void read_mouse(double& x, double& y, double& left, double& right) override {
        mouse_state(x, y, left, right);
    }
    int read_wheel() override { return mouse_axis(MOUSE_AXIS_WHEEL); }
    bool pointer_hits(int mask_slot, double px, double py, int x, int y) override {
        return sprite_collision(SPRITE_POINTER_MASK, static_cast<int>(std::trunc(px)),
                                static_cast<int>(std::trunc(py)), mask_slot, x, y) != 0;
    }
    void play_sound(int slot) override { ::play_sound(slot, SOUND_CENTRE, SOUND_FULL); }
    void play_music(const std::string& name) override { music_play(name, 1); }
    void tile_pixels(const std::string& code, std::vector<TilePixel>& out) override {
        out.clear();
        draw_rect(0, 0, SCRATCH_SQUARE, SCRATCH_SQUARE, 0);
        const TileForm f = tile_form(code);
        draw_tile(0, 0, f.angle, f.c1, f.c2, f.c3);
        // One read of the whole box; a pixel-by-pixel read costs far more.
        std::vector<int> pixels;
        read_pixels(0, 0, TILE_SPAN, TILE_SPAN, pixels);
        for (int px = 0; px < TILE_SPAN; px += TILE_SAMPLE_STEP)
            for (int py = 0; py < TILE_SPAN; py += TILE_SAMPLE_STEP) {
                int c = pixels[static_cast<size_t>(py * TILE_SPAN + px)];
                if (c != 0) out.push_back({px, py, c});
            }
    }
};

RuntimePuzzleServices runtime_services;

}  // namespace

void install_play_services() { set_puzzle_services(&runtime_services); }
