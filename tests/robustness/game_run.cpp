// The whole-program driver of the robustness tests.
#include "tests/robustness/game_run.h"

#include <cstring>
#include <filesystem>

#include "game/frontend/frontend.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "tests/support/files.h"
#include "tests/support/places.h"
#include "tools/sbx/writer.h"

using testsupport::read_file;
using testsupport::write_file;

namespace {

const char* const TRACKS[] = {"triangle.mp3", "ingame.mp3", "marlow.mp3", "dirge.mp3"};
constexpr int KEY_ESCAPE = 1;

}  // namespace

// ---------------------------------------------------------------- set-up

GameRun::GameRun() : runner("wedgewise-robust", testsupport::GameRunner::Media::None) {
    root = runner.folder();
    work = root + "/work";
    temp = root + "/temp";
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(temp);
    runner.config.working_folder = work;
    tmpdir_.set("TMPDIR", temp);
}

bool GameRun::copy_loose_media(const std::string& left_out) {
    if (!testsupport::built_media_present()) return false;
    std::filesystem::create_directories(work + "/media");
    for (const auto& entry : std::filesystem::directory_iterator(testsupport::built_media_folder())) {
        const std::string name = entry.path().filename().string();
        if (name == left_out) continue;
        std::filesystem::copy_file(entry.path(), work + "/media/" + name);
    }
    return true;
}

bool GameRun::copy_container(const char* name) {
    std::error_code ec;
    return std::filesystem::copy_file(testsupport::built_container(name), work + "/" + name, ec);
}

bool GameRun::write_audio_container(const std::string& left_out) {
    std::vector<PackInput> inputs;
    for (const char* track : TRACKS) {
        if (left_out == track) continue;
        const std::vector<uint8_t> bytes = testsupport::file_bytes(testsupport::built_media_folder() + "/" + track);
        if (bytes.empty()) return false;
        inputs.push_back({track, bytes});
    }
    std::vector<uint8_t> out;
    std::string why;
    return sbx_build(inputs, 0, false, out, why) && write_file(work + "/media.aud", out);
}

std::string GameRun::error_log() const { return read_file(temp + "/ErrorLog.txt"); }

// ---------------------------------------------------------------- running

long GameRun::run(long frame_limit) {
    limit_ = frame_limit;
    play_frames_ = 0;
    last_level_timer_ = -1;
    let_go_at_ = -1;
    runner.on_frame = [this] { on_frame(); };
    ended_by_limit = runner.run(main_program) == testsupport::GameRunner::End::Asked;
    error_code = runner.error_code();
    return runner.frames();
}

bool GameRun::showing(const char* screen) { return std::strcmp(presenting_screen(), screen) == 0; }

void GameRun::on_frame() {
    // The frame loop counts the level clock down once per pass.
    if (level_timer > 0 && level_timer < LEVEL_TIME && level_timer != last_level_timer_) ++play_frames_;
    last_level_timer_ = level_timer;
    if (runner.frames() > let_go_at_) runner.hand.let_go();
    if (script) script();
    // A frame with nothing held between two acts, so no press or key runs
    // into the let-go of the one before.
    if ((into_play_ || menu_escape_) && runner.frames() > let_go_at_ + 1) {
        if (showing("intro")) click(places::MENU_START.x, places::MENU_START.y);
        if (showing("menu") && into_play_) click(places::MENU_START.x, places::MENU_START.y);
        if (showing("menu") && menu_escape_) key(KEY_ESCAPE);
    }
    if (runner.frames() >= limit_) runner.end("the run's frames are shown");
}

// ---------------------------------------------------------------- input

void GameRun::click(int x, int y) {
    runner.hand.place(x, y);
    runner.hand.left(true);
    let_go_at_ = runner.frames();
}

void GameRun::key(int scan_code) {
    runner.hand.key(scan_code, true);
    let_go_at_ = runner.frames();
}

void GameRun::script_into_play() { into_play_ = true; }

void GameRun::script_menu_escape() { menu_escape_ = true; }
