#include "session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tests/support/private_display.h"

namespace fs = std::filesystem;

namespace {

// No other program's window takes the focus (and the held buttons) there.
const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

constexpr long PUMPS_MEANING_A_WAIT = 200;     // a frame pumps far fewer times
constexpr long PUMPS_MEANING_A_HANG = 2000000;
constexpr int GLYPHS = 60;

fs::path media_source() { return fs::path(WEDGEWISE_BINARY_DIR) / "media"; }

}  // namespace

ScreenSession::ScreenSession() {
    char pattern[] = "/tmp/wedgewise-screens-XXXXXX";
    if (mkdtemp(pattern)) folder_ = pattern;
    std::error_code ignored;
    fs::create_directory_symlink(media_source(), fs::path(folder_) / "media", ignored);
    // Music is only found through the audio container.
    for (const char* container : {"media.gfx", "media.aud"})
        fs::create_symlink(fs::path(WEDGEWISE_BINARY_DIR) / container, fs::path(folder_) / container, ignored);
    setenv("TMPDIR", folder_.c_str(), 1);
}

ScreenSession::~ScreenSession() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool ScreenSession::media_ready(std::string& why) const {
    if (!fs::exists(media_source() / "font.png") || !fs::exists(media_source() / "bigtri1.png")) {
        why = "no generated media in " + media_source().string();
        return false;
    }
    return true;
}

void ScreenSession::point(int x, int y) { input_set_pointer(x, y); }

void ScreenSession::press_left() {
    input_push_button(1, true);
    left_held_ = true;
}

void ScreenSession::release_left() {
    input_push_button(1, false);
    left_held_ = false;
}

void ScreenSession::press_right() {
    input_push_button(2, true);
    right_held_ = true;
}

void ScreenSession::wheel(int steps) { input_push_wheel(steps); }

void ScreenSession::key(int scan_code, bool down) {
    input_push_key(scan_code, down);
    key_held_ = down ? scan_code : -1;
}

void ScreenSession::run(const std::function<void()>& body, long frame_limit) {
    frames_ = 0;
    timed_out_ = false;
    body_returned_ = false;
    in_body_ = false;
    left_held_ = right_held_ = false;
    key_held_ = -1;

    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.mouse_captured = 1;
    config.working_folder = folder_;

    frame_set_clock([this] { return clock_ += 0.5; }, [this](double ms) { clock_ += ms; });
    frame_set_frame_hook([this, frame_limit] {
        if (!in_body_) return;   // frames of the start-up are not the screen's
        ++frames_;
        pumps_since_frame_ = 0;
        if (frames_ > frame_limit) {
            timed_out_ = true;
            program_end();
        }
        if (on_frame) on_frame();
    });
    frame_set_pump_hook([this] {
        ++pumps_since_frame_;
        if (in_body_ && on_pump) on_pump();
        if (pumps_since_frame_ == PUMPS_MEANING_A_WAIT) {
            if (left_held_) release_left();
            if (right_held_) {
                input_push_button(2, false);
                right_held_ = false;
            }
            if (key_held_ >= 0) key(key_held_, false);
        }
        if (pumps_since_frame_ > PUMPS_MEANING_A_HANG) {
            timed_out_ = true;
            program_end();
        }
    });

    runtime_run(config, [&] {
        media_container_set("media.gfx", "media.aud");
        show_system_pointer(0);
        allow_escape(0);
        create_play_arrays();
        high_score_table.dim(16, 2);
        glyph_width_table.dim(GLYPHS);
        load_media();
        load_high_scores();
        load_settings();
        measure_glyphs();
        install_play_services();
        player_name.clear();
        pumps_since_frame_ = 0;
        in_body_ = true;
        body();
        body_returned_ = true;
    });

    in_body_ = false;
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    EXPECT_FALSE(timed_out_) << "the screen did not finish within " << frame_limit << " frames";
}
