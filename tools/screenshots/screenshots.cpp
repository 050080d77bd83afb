// Screenshots of the running game: each scene runs the real program under
// the runtime's test seam (a window, unpaced frames, scripted input) and
// saves the frame it reaches as a PNG. A scene is one entry of SCENES.
//
// Usage: screenshots [--level N | --only PREFIX] [output folder]
//   (default folder: ./screenshots)
//   Without options every scene is shot, the play screen of each named level
//   (level_01.png .. level_40.png) among them; --level N shoots only that
//   level's play screen, --only the scenes whose file names begin with PREFIX.
//   Some scenes also leave the picture as seen in grey or with a colour-vision
//   deficiency beside it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "tools/palettes/colour_vision.h"
#include "tools/solver/solver.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "runtime/gfx/gfx_testing.h"

namespace fs = std::filesystem;

namespace {

// Each clock read moves time on a little, so the pacing loop always ends.
constexpr double CLOCK_READ_COST_MS = 0.25;

// ---------------------------------------------------------------- scripted input

// Steps run from the frame hook, one call per frame; a step returning true
// hands over to the next step on the next frame.
class Driver {
public:
    using Step = std::function<bool()>;
    Driver& then(Step step) { steps_.push_back(std::move(step)); return *this; }
    Driver& wait(int frames) {
        auto left = std::make_shared<int>(frames);
        return then([left] { return (*left)-- <= 0; });
    }
    Driver& call(std::function<void()> action) {
        return then([action] { action(); return true; });
    }
    Driver& button(int which, bool down) {
        return call([=] { input_push_button(which, down); });
    }
    Driver& click() { return button(1, true).button(1, false); }
    Driver& right_click() { return button(2, true).button(2, false).wait(6); }
    // Relative motion; the driver keeps the pointer's position itself, from
    // where the runtime starts it.
    Driver& move_to(int x, int y) {
        call([this, x, y] {
            input_push_motion(x - pointer_x_, y - pointer_y_);
            pointer_x_ = x;
            pointer_y_ = y;
        });
        return wait(1);
    }
    // The frame is cleared once presented, so the picture is taken from the
    // event pumps of the next frame: the last pump before its present sees
    // the finished frame and overwrites what the earlier pumps saved.
    Driver& shoot(const std::string& path) {
        call([this, path] {
            shot_path_ = path;
            shot_frame_ = frame_count();
        });
        return call([path] {
            if (fs::exists(path)) std::printf("%s\n", path.c_str());
            else std::fprintf(stderr, "screenshots: could not write %s\n", path.c_str());
            program_quit();
        });
    }
    // A click the game answers by waiting for the release (no frames meanwhile):
    // the button is let go once the game has spun in such a wait for a while,
    // or a few frames on at the latest.
    Driver& click_and_wait() {
        call([this] {
            input_push_button(1, true);
            held_since_ = frame_count();
            held_pumps_ = 0;
        });
        return then([this] { return held_since_ < 0; });
    }
    void pump() {
        if (!shot_path_.empty() && frame_count() == shot_frame_) gfx_save_screenshot(shot_path_);
        if (held_since_ >= 0) {
            if (frame_count() != last_pump_frame_) held_pumps_ = 0;
            last_pump_frame_ = frame_count();
            if (++held_pumps_ > WAIT_LOOP_PUMPS || frame_count() > held_since_ + 3) {
                input_push_button(1, false);
                held_since_ = -1;
            }
        }
    }
    void tick() { if (at_ < steps_.size() && steps_[at_]()) at_++; }
private:
    std::vector<Step> steps_;
    size_t at_ = 0;
    int pointer_x_ = 100, pointer_y_ = 100;
    std::string shot_path_;
    long shot_frame_ = -1;
    static constexpr int WAIT_LOOP_PUMPS = 200;
    long held_since_ = -1;
    long last_pump_frame_ = -1;
    int held_pumps_ = 0;
};

// ---------------------------------------------------------------- scene helpers

// The game as the cycle starts it, quiet and with a chosen level.
void play_level(double lvl, int vortex, int marks = 0) {
    program_start_up();
    music_off = 1;
    vortex_on = vortex;
    corner_marks = marks;
    level = lvl;
    score = 0;
    practice_mode = 0;
    play_game();
}

int slot_centre_x(int n) { return store_slot_x(n) + 20; }
int slot_centre_y(int n) { return store_slot_y(n) + 28; }

void fill_board() {
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++)
            if (board(x, y) == CELL_EMPTY) board(x, y) = CELL_TILE + 1 + (x + y) % 70;
}

// The tutorial on its given page: each earlier page is clicked away.
void tutorial_quietly() {
    program_start_up();
    music_off = 1;
    run_tutorial();
}

std::function<void(Driver&, const std::string&)> tutorial_page_shot(int page) {
    return [page](Driver& d, const std::string& p) {
        d.wait(10).move_to(380, 560);
        for (int i = 1; i < page; i++) d.wait(8).click_and_wait();
        d.wait(10).shoot(p);
    };
}

// The level's solution laid on the board, all but its last `left_empty`
// spaces, so the level is not complete and plays on; the first tile left
// out goes into the hand.
void lay_solution(int lvl, size_t left_empty) {
    const SolveReport solved = solve_level(lvl);
    for (size_t i = 0; i + left_empty < solved.tiles.size(); i++) {
        const SolvedTile& t = solved.tiles[i];
        board(t.x, t.y) = CELL_TILE + t.tile;
        tile_codes(t.tile) = t.code;
        tile_used(t.tile) = 1;
    }
    if (left_empty == 0 || left_empty > solved.tiles.size()) return;
    held_tile = solved.tiles[solved.tiles.size() - left_empty].tile;
    tile_used(held_tile) = 1;
    tile_timer = 300;
}

// A preset's screenshot name: "COLOUR SAFE" -> "colour_safe".
std::string file_word(const char* name) {
    std::string word;
    for (const char* c = name; *c; c++) word += *c == ' ' ? '_' : static_cast<char>(std::tolower(*c));
    return word;
}

constexpr int MARKS_LEVEL = 12;

// ---------------------------------------------------------------- scenes

// A picture derived from a scene's: the same frame as seen in a condition.
struct Derived {
    std::string file;
    colour_vision::Condition condition;
};

struct Scene {
    std::string file;
    std::function<void()> program;
    std::function<void(Driver&, const std::string& path)> script;
    std::vector<Derived> derived = {};
};

// The colour scheme screen just after a click on the preset.
Scene colour_editor_scene(const ColourPreset& preset, int marks) {
    return {"colour_editor_" + file_word(preset.name) + ".png",
            [&preset, marks] {
                program_start_up();
                std::copy(preset.channels.begin(), preset.channels.end(), colour_channels);
                rebuild_tile_colours();
                corner_marks = marks;
                colour_scheme_screen();
            },
            [](Driver& d, const std::string& p) { d.wait(10).move_to(980, 600).wait(5).shoot(p); }};
}

// The play screen of a level as it opens, name and empty puzzle in view;
// the pointer rests over the store.
Scene level_scene(int lvl) {
    char file[32];
    std::snprintf(file, sizeof file, "level_%02d.png", lvl);
    return {file, [lvl] { play_level(lvl, 1); },
            [](Driver& d, const std::string& p) { d.wait(5).move_to(900, 700).wait(10).shoot(p); }};
}

const std::vector<Scene> SCENES = {
    {"intro.png", [] { program_start_up(); intro_screen(); },
     [](Driver& d, const std::string& p) { d.wait(90).shoot(p); }},
    {"menu.png", [] { program_start_up(); main_menu(); },
     [](Driver& d, const std::string& p) { d.wait(30).move_to(512, 400).wait(5).shoot(p); }},
    {"level_vortex.png", [] { play_level(12, 1); },
     [](Driver& d, const std::string& p) {
         d.wait(5).move_to(slot_centre_x(20), slot_centre_y(20)).click().move_to(400, 330).wait(10).shoot(p);
     }},
    {"level_prairie.png", [] { play_level(5, 0); },
     [](Driver& d, const std::string& p) {
         d.wait(5).move_to(slot_centre_x(33), slot_centre_y(33)).click().right_click()
             .move_to(350, 300).wait(5).move_to(slot_centre_x(47), slot_centre_y(47)).wait(3).shoot(p);
     }},
    {"explosion.png", [] { play_level(0, 1); },
     [](Driver& d, const std::string& p) {
         // Tile 1 (all colour 5) turned down and dropped beside the all-3 first tile.
         d.wait(5).move_to(slot_centre_x(1), slot_centre_y(1)).click().right_click()
             .move_to(cell_box_x(11) + 29, cell_box_y(8) + 19).click().wait(6).shoot(p);
     }},
    {"level_end.png", [] { play_level(3, 1); },
     [](Driver& d, const std::string& p) {
         d.wait(30).call([] { score = 12345; fill_board(); }).wait(200).shoot(p);
     }},
    {"high_scores.png", [] { program_start_up(); show_high_scores(); },
     [](Driver& d, const std::string& p) { d.wait(30).shoot(p); }},
    {"practice.png", [] { program_start_up(); practice_select(); },
     [](Driver& d, const std::string& p) { d.wait(10).move_to(760, 530).wait(5).shoot(p); }},
    {"colour_editor.png", [] { program_start_up(); colour_scheme_screen(); },
     [](Driver& d, const std::string& p) { d.wait(10).move_to(300, 425).wait(5).shoot(p); }},
    colour_editor_scene(COLOUR_PRESETS[0], 0),
    colour_editor_scene(COLOUR_PRESETS[1], 1),
    // A level nearly solved, with the marks on: a tile in the hand over the
    // board, the store's last tiles beside it.
    {"level_marks.png",
     [] { play_level(MARKS_LEVEL, 0, 1); },
     [](Driver& d, const std::string& p) {
         d.wait(5).call([] { lay_solution(MARKS_LEVEL, 4); }).move_to(600, 560).wait(10).shoot(p);
     },
     {{"level_marks_grey.png", colour_vision::Condition::Grey},
      {"level_marks_deuteranopia.png", colour_vision::Condition::Deuteranopia}}},
    // The same nearly solved level in the colour-safe preset, without marks.
    {"level_colour_safe.png",
     [] {
         program_start_up();
         const ColourPreset& safe = COLOUR_PRESETS[1];
         std::copy(safe.channels.begin(), safe.channels.end(), colour_channels);
         rebuild_tile_colours();
         music_off = 1;
         vortex_on = 0;
         level = MARKS_LEVEL;
         score = 0;
         practice_mode = 0;
         play_game();
     },
     [](Driver& d, const std::string& p) {
         d.wait(5).call([] { lay_solution(MARKS_LEVEL, 4); }).move_to(600, 560).wait(10).shoot(p);
     },
     {{"level_colour_safe_deuteranopia.png", colour_vision::Condition::Deuteranopia},
      {"level_colour_safe_protanopia.png", colour_vision::Condition::Protanopia},
      {"level_colour_safe_tritanopia.png", colour_vision::Condition::Tritanopia}}},
    {"tutorial_page2.png", tutorial_quietly, tutorial_page_shot(2)},
    {"tutorial_page4.png", tutorial_quietly, tutorial_page_shot(4)},
    {"tutorial_page5.png", tutorial_quietly, tutorial_page_shot(5)},
};

// A private working folder with the build's media linked in, so the records
// the game writes stay out of the build tree.
std::string scene_folder() {
    std::string pattern = (fs::temp_directory_path() / "wedgewise-shots-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return std::string();
    std::string folder(buf.data());
    fs::path media = fs::path(program_dir()) / "media";
    std::error_code ec;
    if (fs::exists(media)) fs::create_directory_symlink(media, fs::path(folder) / "media", ec);
    for (const char* container : {"media.gfx", "media.aud"}) {
        fs::path packed = fs::path(program_dir()) / container;
        if (fs::exists(packed)) fs::create_symlink(packed, fs::path(folder) / container, ec);
    }
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    int only_level = 0;
    std::string only_prefix;
    fs::path out = "screenshots";
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only_prefix = argv[++i];
        } else if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
            only_level = std::atoi(argv[++i]);
            if (only_level < 1 || only_level > LAST_LEVEL) {
                std::fprintf(stderr, "screenshots: --level takes 1..%d\n", LAST_LEVEL);
                return 2;
            }
        } else {
            out = argv[i];
        }
    }
    std::vector<Scene> scenes;
    if (only_level == 0) scenes = SCENES;
    for (int lvl = 1; lvl <= LAST_LEVEL; lvl++)
        if (only_level == 0 || only_level == lvl) scenes.push_back(level_scene(lvl));
    if (!only_prefix.empty())
        std::erase_if(scenes, [&](const Scene& s) { return s.file.rfind(only_prefix, 0) != 0; });
    std::error_code ec;
    fs::create_directories(out, ec);
    out = fs::absolute(out);
    double fake_now = 0;
    frame_set_clock([&] { return fake_now += CLOCK_READ_COST_MS; }, [&](double ms) { fake_now += ms > 0 ? ms : 0; });
    int failures = 0;
    for (const Scene& scene : scenes) {
        std::string path = (out / scene.file).string();
        fs::remove(path, ec);
        std::string folder = scene_folder();
        RuntimeConfig config;
        config.full_screen = 0;
        config.automated = 1;
        config.working_folder = folder;
        // Every scene is a fresh start of the game, whose particle and
        // vortex lists begin empty; an earlier scene's would show through.
        debris.clear();
        vortex_arms.clear();
        Driver driver;
        scene.script(driver, path);
        frame_set_frame_hook([&] { driver.tick(); });
        frame_set_pump_hook([&] { driver.pump(); });
        runtime_run(config, scene.program);
        frame_set_frame_hook(nullptr);
        frame_set_pump_hook(nullptr);
        if (!folder.empty()) fs::remove_all(folder, ec);
        if (!fs::exists(path)) {
            std::fprintf(stderr, "screenshots: scene %s ended without a picture\n", scene.file.c_str());
            failures++;
            continue;
        }
        for (const Derived& d : scene.derived) {
            const std::string derived_path = (out / d.file).string();
            if (colour_vision::simulate_png(path, derived_path, d.condition)) {
                std::printf("%s\n", derived_path.c_str());
            } else {
                std::fprintf(stderr, "screenshots: could not write %s\n", derived_path.c_str());
                failures++;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
