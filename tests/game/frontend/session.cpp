#include "session.h"

#include <gtest/gtest.h>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/files/files.h"
#include "runtime/input/input.h"
#include "tests/support/private_display.h"

namespace {

// No other program's window takes the focus (and the held buttons) there.
const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

constexpr int GLYPHS = 60;
// Each clock read moves time on a little, so the pacing loop always ends.
constexpr double CLOCK_READ_COST_MS = 0.5;

}  // namespace

ScreenSession::ScreenSession() : runner_("wedgewise-screens") {
    runner_.config.mouse_captured = 1;
    runner_.clock_read_cost_ms = CLOCK_READ_COST_MS;
    tmpdir_.set("TMPDIR", runner_.folder());
}

bool ScreenSession::media_ready(std::string& why) const {
    if (!testsupport::built_media_present()) {
        why = "no generated media in " + testsupport::built_media_folder();
        return false;
    }
    return true;
}

void ScreenSession::run(const std::function<void()>& body, long frame_limit) {
    timed_out_ = false;
    body_returned_ = false;
    in_body_ = false;
    runner_.frame_limit = frame_limit;
    // Frames and pumps of the start-up are not the screen's.
    runner_.on_frame = [this] {
        if (in_body_ && on_frame) on_frame();
    };
    runner_.on_pump = [this] {
        if (in_body_ && on_pump) on_pump();
    };
    const auto end = runner_.run([&] {
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
        runner_.count_from_here();
        in_body_ = true;
        body();
        body_returned_ = true;
    });
    in_body_ = false;
    timed_out_ = end == testsupport::GameRunner::End::FrameLimit || end == testsupport::GameRunner::End::Hang;
    EXPECT_FALSE(timed_out_) << "the screen did not finish within " << frame_limit << " frames ("
                             << runner_.end_reason() << ")";
}
