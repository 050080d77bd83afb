// The desktop side of the browser tests: runs the real program under the
// runtime's test seam and writes, for the scenes the browser tests hold the
// web edition on, the picture the desktop build shows, together with what
// the browser test needs to reach the same scenes (scenes.json):
//   menu.png  the main menu with the backdrop at a given angle and the
//             pointer at a given place;
//   play.png  the first frames of the training level, vortex off, the
//             pointer where START GAME was clicked;
//   and the moves that solve the training level, in screen coordinates.
//
// Usage: webref OUTPUT_FOLDER
#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/gfx_testing.h"
#include "runtime/input/input.h"
#include "runtime/input/input_testing.h"
#include "runtime/process/process.h"
#include "tools/solver/solver.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double CLOCK_READ_COST_MS = 0.25;

// The scenes, shared with the browser test through scenes.json.
constexpr int MENU_ANGLE = 120;
constexpr int MENU_POINTER_X = 600, MENU_POINTER_Y = 250;
constexpr int START_X = 512, START_Y = 676;       // inside START GAME's click box
constexpr int PLAY_TIMER = 36000 - 3;             // the third frame of play
constexpr int VORTEX_X = 512, VORTEX_Y = 400;     // inside TURN VORTEX OFF's click box

// Saves the frame drawn while `due` holds, from the event pumps of that
// frame (the last pump before it is presented sees it finished), then ends
// the program once that frame has been presented.
struct Shot {
    std::string path;
    std::function<bool()> due;
    long frame = -1;
    void pump() {
        if (frame < 0 && due()) frame = frame_count();
        if (frame >= 0 && frame_count() == frame) gfx_save_screenshot(path);
    }
    void after_frame() {
        if (frame >= 0 && frame_count() > frame) program_quit();
    }
};

// A folder of its own with the build's containers linked in.
std::string scene_folder() {
    std::string pattern = (fs::temp_directory_path() / "wedgewise-webref-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return std::string();
    const std::string folder(name.data());
    std::error_code ec;
    for (const char* container : {"media.gfx", "media.aud"}) {
        const fs::path packed = fs::path(program_dir()) / container;
        if (fs::exists(packed)) fs::create_symlink(packed, fs::path(folder) / container, ec);
    }
    return folder;
}

bool run_scene(Shot& shot, const std::function<void()>& program) {
    std::error_code ec;
    fs::remove(shot.path, ec);
    const std::string folder = scene_folder();
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = folder;
    frame_set_pump_hook([&] { shot.pump(); });
    frame_set_frame_hook([&] { shot.after_frame(); });
    runtime_run(config, program);
    frame_set_pump_hook(nullptr);
    frame_set_frame_hook(nullptr);
    if (!folder.empty()) fs::remove_all(folder, ec);
    if (!fs::exists(shot.path)) {
        std::fprintf(stderr, "webref: no picture for %s\n", shot.path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: webref OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    std::error_code ec;
    fs::create_directories(out, ec);
    double fake_now = 0;
    frame_set_clock([&] { return fake_now += CLOCK_READ_COST_MS; },
                    [&](double ms) { fake_now += ms > 0 ? ms : 0; });

    Shot menu{(out / "menu.png").string(), [] { return backdrop_angle == MENU_ANGLE; }};
    bool ok = run_scene(menu, [] {
        program_start_up();
        input_set_pointer(MENU_POINTER_X, MENU_POINTER_Y);
        backdrop_angle = MENU_ANGLE - 1;
        main_menu();
    });
    Shot play{(out / "play.png").string(), [] { return level_timer == PLAY_TIMER; }};
    ok = run_scene(play, [] {
        program_start_up();
        vortex_on = 0;
        music_off = 1;
        input_set_pointer(START_X, START_Y);
        level = 0;
        score = 0;
        practice_mode = 0;
        play_game();
    }) && ok;

    const SolveReport solution = solve_level(0);
    if (!solution.solvable) {
        std::fprintf(stderr, "webref: the training level has no solution\n");
        return 1;
    }
    FILE* json = std::fopen((out / "scenes.json").string().c_str(), "w");
    if (!json) return 1;
    std::fprintf(json, "{\n  \"menu\": {\"angle\": %d, \"x\": %d, \"y\": %d},\n", MENU_ANGLE, MENU_POINTER_X,
                 MENU_POINTER_Y);
    std::fprintf(json, "  \"vortex_item\": {\"x\": %d, \"y\": %d},\n", VORTEX_X, VORTEX_Y);
    std::fprintf(json, "  \"play\": {\"timer\": %d, \"x\": %d, \"y\": %d},\n", PLAY_TIMER, START_X, START_Y);
    std::fprintf(json, "  \"moves\": [");
    for (size_t i = 0; i < solution.tiles.size(); ++i) {
        const SolvedTile& t = solution.tiles[i];
        const int cx = cell_box_x(t.x) + 29, cy = cell_box_y(t.y) + (cell_is_up(t.x, t.y) ? 39 : 19);
        std::fprintf(json, "%s\n    {\"slot_x\": %d, \"slot_y\": %d, \"turns\": %d, \"cell_x\": %d, \"cell_y\": %d}",
                     i ? "," : "", store_slot_x(t.tile) + 20, store_slot_y(t.tile) + 28, t.turns, cx, cy);
    }
    std::fprintf(json, "\n  ]\n}\n");
    std::fclose(json);
    return ok ? 0 : 1;
}
