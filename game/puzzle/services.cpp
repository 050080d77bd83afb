// The services the rules use, with a silent stand-in until one is installed.
#include "game/puzzle/services.h"

namespace {

// Nothing under the pointer, no buttons, no sound, no pixels: the rules run
// harmlessly before the play layer installs its services.
class SilentServices final : public PuzzleServices {
public:
    void read_mouse(double& x, double& y, double& left, double& right) override {
        x = 0; y = 0; left = 0; right = 0;
    }
    int read_wheel() override { return 0; }
    bool pointer_hits(int, double, double, int, int) override { return false; }
    void play_sound(int) override {}
    void play_music(const std::string&) override {}
    void tile_pixels(const std::string&, std::vector<TilePixel>& out) override { out.clear(); }
};

SilentServices silent_services;
PuzzleServices* installed_services = nullptr;

}  // namespace

void set_puzzle_services(PuzzleServices* services) { installed_services = services; }

PuzzleServices& puzzle_services() {
    return installed_services ? *installed_services : silent_services;
}
