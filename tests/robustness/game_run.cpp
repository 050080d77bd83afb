// The whole-program driver of the robustness tests.
#include "tests/robustness/game_run.h"

#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tools/sbx/writer.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr double FRAME_MS = 1000.0 / 60.0;
constexpr long STUCK_PUMPS = 200;       // a wait loop that presents nothing
constexpr long INTRO_CLICK_FRAME = 5;
constexpr long MENU_CLICK_FRAME = 92;   // after the intro's 72-frame scroll
constexpr int START_GAME_X = 511, START_GAME_Y = 676;
constexpr int LEFT_BUTTON = 1;

const char* const TRACKS[] = {"triangle.mp3", "ingame.mp3", "marlow.mp3", "dirge.mp3"};

std::string media_root() { return std::string(WEDGEWISE_BINARY_DIR) + "/"; }



}  // namespace

// ---------------------------------------------------------------- files

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

bool file_present(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// ---------------------------------------------------------------- set-up

GameRun::GameRun() {
    char name[] = "/tmp/wedgewise-robust-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    root = name;
    work = root + "/work";
    temp = root + "/temp";
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
}

GameRun::~GameRun() {
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    std::error_code ignored;
    std::filesystem::permissions(work, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root, ignored);
}

std::string GameRun::built_media_folder() {
    const std::string folder = media_root() + "media";
    return file_present(folder + "/tiles.png") ? folder : std::string();
}

std::string GameRun::built_container(const char* name) {
    const std::string path = media_root() + name;
    return file_present(path) ? path : std::string();
}

bool GameRun::copy_loose_media(const std::string& left_out) {
    const std::string from = built_media_folder();
    if (from.empty()) return false;
    std::filesystem::create_directories(work + "/media");
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
        const std::string name = entry.path().filename().string();
        if (name == left_out) continue;
        std::filesystem::copy_file(entry.path(), work + "/media/" + name);
    }
    return true;
}

bool GameRun::copy_container(const char* name) {
    const std::string from = built_container(name);
    if (from.empty()) return false;
    std::filesystem::copy_file(from, work + "/" + name);
    return true;
}

bool GameRun::write_audio_container(const std::string& left_out) {
    const std::string from = built_media_folder();
    if (from.empty()) return false;
    std::vector<PackInput> inputs;
    for (const char* track : TRACKS) {
        if (left_out == track) continue;
        const std::string bytes = read_file(from + "/" + track);
        if (bytes.empty()) return false;
        inputs.push_back({track, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    std::vector<uint8_t> out;
    std::string why;
    if (!sbx_build(inputs, 0, false, out, why)) return false;
    return write_file(work + "/media.aud", std::string(out.begin(), out.end()));
}

std::string GameRun::error_log() const { return read_file(temp + "/ErrorLog.txt"); }

// ---------------------------------------------------------------- running

long GameRun::run(long frame_limit) {
    frames_ = 0;
    limit_ = frame_limit;
    play_frames_ = 0;
    ended_by_limit = false;
    frame_set_clock([this] { return clock_; }, [this](double ms) { clock_ += ms > 0 ? ms : 0; });
    frame_set_frame_hook([this] { on_frame(); });
    frame_set_pump_hook([this] { on_pump(); });

    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = work;
    runtime_run(config, main_program);
    error_code = runtime_error_code();

    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    return frames_;
}

void GameRun::on_pump() {
    // A screen waiting for a release presents nothing: let go after a while.
    if (++pumps_since_frame_ < STUCK_PUMPS) return;
    pumps_since_frame_ = 0;
    if (release_left_) {
        release_left_ = false;
        input_push_button(LEFT_BUTTON, false);
    }
    if (release_key_ >= 0) {
        input_push_key(release_key_, false);
        release_key_ = -1;
    }
}

void GameRun::on_frame() {
    ++frames_;
    pumps_since_frame_ = 0;
    // The frame loop counts the level clock down once per pass.
    if (level_timer > 0 && level_timer < LEVEL_TIME && level_timer != last_level_timer_) ++play_frames_;
    last_level_timer_ = level_timer;
    if (frames_ > pressed_frame_) {
        if (release_left_) input_push_button(LEFT_BUTTON, false);
        if (release_key_ >= 0) input_push_key(release_key_, false);
        release_left_ = false;
        release_key_ = -1;
    }
    for (auto& step : steps_) step(frames_);
    if (script) script(frames_);
    if (frames_ >= limit_) {
        ended_by_limit = true;
        program_quit();
    }
}

// ---------------------------------------------------------------- input

void GameRun::click(int x, int y) {
    input_set_pointer(x, y);
    input_push_button(LEFT_BUTTON, true);
    release_left_ = true;
    pressed_frame_ = frames_;
}

void GameRun::key(int scan_code) {
    input_push_key(scan_code, true);
    release_key_ = scan_code;
    pressed_frame_ = frames_;
}

void GameRun::script_into_play() {
    steps_.push_back([this](long frame) {
        if (frame == INTRO_CLICK_FRAME) click(START_GAME_X, START_GAME_Y);
        if (frame == MENU_CLICK_FRAME) click(START_GAME_X, START_GAME_Y);
    });
}

void GameRun::script_menu_escape(long at_frame) {
    steps_.push_back([this, at_frame](long frame) {
        if (frame == INTRO_CLICK_FRAME) click(START_GAME_X, START_GAME_Y);
        if (frame == at_frame) key(1);
    });
}
