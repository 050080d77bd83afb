// The shared runner's own promises: a button held through a wait is let go
// at the wait limit, a program that never presents again is ended at the
// hang limit, the frame limit ends a run that goes on, the clock moves only
// as the runner says, and the hand keeps the pointer where the game sees it.
#include <gtest/gtest.h>

#include "game/frontend/screen.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input.h"
#include "tests/support/game_runner.h"
#include "tests/support/private_display.h"

namespace {

using testsupport::GameRunner;

const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

TEST(Runner, AButtonHeldThroughAWaitIsLetGoAtTheWaitLimitAndTheRunGoesOn) {
    GameRunner runner("wedgewise-harness", GameRunner::Media::None);
    bool waited = false;
    const auto end = runner.run([&] {
        runner.hand.left(true);
        show_screen();   // the press is read
        wait_left_release();
        waited = true;
    });
    EXPECT_EQ(end, GameRunner::End::ByItself) << runner.end_reason();
    EXPECT_TRUE(waited);
    EXPECT_EQ(runner.pumps_at_release(), testsupport::PUMPS_MEANING_A_WAIT);
    EXPECT_FALSE(runner.hand.left_down());
}

TEST(Runner, AProgramThatNeverPresentsAgainIsEndedAtTheHangLimit) {
    GameRunner runner("wedgewise-harness", GameRunner::Media::None);
    runner.hang_after_pumps = 5000;
    bool came_back = false;
    long frames = 0;
    const auto end = runner.run([&] {
        show_screen();
        frames = runner.frames();
        for (;;) runtime_pump_events();
        came_back = true;
    });
    EXPECT_EQ(end, GameRunner::End::Hang);
    EXPECT_FALSE(came_back);
    EXPECT_EQ(runner.frames(), frames) << "nothing presented after the hang began";
    EXPECT_NE(runner.end_reason().find("5000 event pumps after frame " + std::to_string(frames)), std::string::npos)
        << runner.end_reason();
    EXPECT_EQ(runner.error_code(), 0);
}

TEST(Runner, TheFrameLimitEndsARunThatGoesOnAndCountsFromWhereTheTestSays) {
    GameRunner runner("wedgewise-harness", GameRunner::Media::None);
    runner.frame_limit = 20;
    long before_count = 0, last_shown = 0, start_up = 0;
    runner.on_frame = [&] { last_shown = frame_count(); };
    const auto end = runner.run([&] {
        start_up = frame_count();
        for (int i = 0; i < 7; ++i) show_screen();
        before_count = runner.frames() - start_up;
        runner.count_from_here();
        for (;;) show_screen();
    });
    EXPECT_EQ(end, GameRunner::End::FrameLimit);
    EXPECT_EQ(before_count, 7);
    EXPECT_EQ(runner.frames(), 21);
    // The frame over the limit ends the run before the hooks see it.
    EXPECT_EQ(last_shown, start_up + 7 + 20) << "the limit counts from count_from_here";
}

TEST(Runner, TheClockMovesByThePacingAndWhatTheTestAdds) {
    GameRunner runner("wedgewise-harness", GameRunner::Media::None);
    double first = 0, paced = 0, advanced = 0;
    runner.run([&] {
        first = timer_ms();
        for (int i = 0; i < 60; ++i) show_screen();
        paced = timer_ms();
        runner.advance_clock(10000);
        advanced = timer_ms();
    });
    EXPECT_NEAR(paced - first, 1000, 20) << "sixty paced frames are a second";
    EXPECT_NEAR(advanced - paced, 10000, 1);
}

TEST(Hand, KeepsThePointerOnTheScreenWhereTheGameSeesIt) {
    GameRunner runner("wedgewise-harness", GameRunner::Media::None);
    double x = -1, y = -1, left = -1, right = -1;
    double far_x = -1, far_y = -1;
    long start_up = 0;
    runner.run([&] {
        start_up = runner.frames();
        runner.hand.move_to(300, 200);
        runner.hand.left(true);
        show_screen();
        mouse_state(x, y, left, right);
        runner.hand.move_to(SCREEN_WIDTH + 500, -40);
        runner.hand.left(false);
        show_screen();
        double l, r;
        mouse_state(far_x, far_y, l, r);
    });
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(runner.hand.x(), SCREEN_WIDTH - 1);
    EXPECT_EQ(runner.hand.y(), 0);
    EXPECT_EQ(far_x, SCREEN_WIDTH - 1);
    EXPECT_EQ(far_y, 0);
    EXPECT_EQ(runner.hand.press_frame(), start_up);
    EXPECT_EQ(runner.hand.release_frame(), start_up + 1);
}

}  // namespace
