// The in-process runner shared by every suite that runs the real program.
#include "tests/support/game_runner.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "game/frontend/screen.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "runtime/process/process.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

constexpr int LEFT = 1;
constexpr int RIGHT = 2;

class PushedInput : public InputDevice {
public:
    void motion(int dx, int dy) override { input_push_motion(dx, dy); }
    void button(int which, bool down) override { input_push_button(which, down); }
    void wheel(int steps) override { input_push_wheel(steps); }
    void key(int scan_code, bool down) override { input_push_key(scan_code, down); }
};

std::string make_folder(const std::string& prefix) {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / (prefix + "-XXXXXX")).string();
    if (ec) pattern = "/tmp/" + prefix + "-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace

// ---------------------------------------------------------------- the build's media

std::string built_media_folder() { return (fs::path(WEDGEWISE_BINARY_DIR) / "media").string(); }

std::string built_container(const char* name) { return (fs::path(WEDGEWISE_BINARY_DIR) / name).string(); }

bool built_media_present() {
    const fs::path media = built_media_folder();
    std::error_code ec;
    return fs::exists(media / "font.png", ec) && fs::exists(media / "tiles.png", ec) &&
           fs::exists(media / "bigtri1.png", ec);
}

// ---------------------------------------------------------------- the hand

InputDevice& pushed_input() {
    static PushedInput device;
    return device;
}

void Hand::move_to(int x, int y) {
    x = std::clamp(x, 0, SCREEN_WIDTH - 1);
    y = std::clamp(y, 0, SCREEN_HEIGHT - 1);
    if (x == x_ && y == y_) return;
    device_->motion(x - x_, y - y_);
    x_ = x;
    y_ = y;
}

void Hand::place(int x, int y) {
    input_set_pointer(x, y);
    x_ = x;
    y_ = y;
}

void Hand::left(bool down) {
    if (down == left_down_) return;
    device_->button(LEFT, down);
    left_down_ = down;
    (down ? press_frame_ : release_frame_) = frame_ ? *frame_ : -1;
}

void Hand::right(bool down) {
    device_->button(RIGHT, down);
    right_down_ = down;
}

void Hand::wheel(int steps) { device_->wheel(steps); }

void Hand::key(int scan_code, bool down) {
    device_->key(scan_code, down);
    if (down) key_held_ = scan_code;
    else if (key_held_ == scan_code) key_held_ = -1;
}

void Hand::let_go() {
    if (left_down_) left(false);
    if (right_down_) right(false);
    if (key_held_ >= 0) key(key_held_, false);
    device_->settle();
}

void Hand::use_device(InputDevice* device) { device_ = device ? device : &pushed_input(); }

void Hand::reset() {
    x_ = y_ = 100;
    left_down_ = right_down_ = false;
    key_held_ = -1;
    press_frame_ = release_frame_ = -1;
}

// ---------------------------------------------------------------- the runner

const char* to_string(GameRunner::End end) {
    switch (end) {
    case GameRunner::End::ByItself: return "by itself";
    case GameRunner::End::FrameLimit: return "at the frame limit";
    case GameRunner::End::Hang: return "hung";
    case GameRunner::End::Asked: return "as asked";
    }
    return "?";
}

GameRunner::GameRunner(const std::string& prefix, Media media) : folder_(make_folder(prefix)) {
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = folder_;
    hand.frame_ = &frames_;
    if (media == Media::None || folder_.empty()) return;
    std::error_code ec;
    fs::create_directory_symlink(built_media_folder(), fs::path(folder_) / "media", ec);
    if (media == Media::FolderOnly) return;
    // Music ("mp3media/...") resolves only from the audio container.
    for (const char* container : {"media.gfx", "media.aud"})
        fs::create_symlink(built_container(container), fs::path(folder_) / container, ec);
}

GameRunner::~GameRunner() {
    std::error_code ec;
    // A test may have left the folder read-only.
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
    if (!folder_.empty() && std::getenv("WEDGEWISE_KEEP_RUNS") == nullptr) fs::remove_all(folder_, ec);
}

GameRunner::End GameRunner::run(const std::function<void()>& program) {
    frames_ = 0;
    pumps_since_frame_ = 0;
    pumps_at_release_ = 0;
    ended_ = End::ByItself;
    end_reason_.clear();
    clock_ms_ = clock_start_ms;
    hand.reset();
    std::error_code ec;
    const fs::path start_folder = fs::current_path(ec);

    if (virtual_clock)
        frame_set_clock([this] { return clock_ms_ += clock_read_cost_ms; },
                        [this](double ms) { clock_ms_ += ms > 0 ? ms : 0; });
    frame_set_frame_hook([this] { frame_hook(); });
    frame_set_pump_hook([this] { pump_hook(); });
    runtime_run(config, program);
    error_code_ = runtime_error_code();
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    // The runtime made the working folder current; the folder goes with the runner.
    fs::current_path(start_folder, ec);
    return ended_;
}

void GameRunner::end(const std::string& why) {
    if (ended_ == End::ByItself) ended_ = End::Asked;
    if (end_reason_.empty()) end_reason_ = why;
    program_quit();
}

void GameRunner::frame_hook() {
    ++frames_;
    pumps_since_frame_ = 0;
    if (frame_limit > 0 && frames_ > frame_limit) {
        ended_ = End::FrameLimit;
        end("more than " + std::to_string(frame_limit) + " frames");
    }
    if (on_frame) on_frame();
}

void GameRunner::pump_hook() {
    ++pumps_since_frame_;
    if (on_pump) on_pump();
    if (release_after_pumps > 0 && pumps_since_frame_ >= release_after_pumps && hand.holds_anything()) {
        pumps_at_release_ = pumps_since_frame_;
        hand.let_go();
    }
    if (hang_after_pumps > 0 && pumps_since_frame_ == hang_after_pumps) {
        ended_ = End::Hang;
        end("waited without presenting for " + std::to_string(hang_after_pumps) + " event pumps after frame " +
            std::to_string(frames_));
    }
}

}  // namespace testsupport
