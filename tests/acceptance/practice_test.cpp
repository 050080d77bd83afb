// Every level started from the practice screen (PREV and NEXT to reach it,
// a click on the panel to start it) and filled by hand: practice scores
// nothing, and a finished practice level goes straight back to the menu.
#include <gtest/gtest.h>

#include <string>

#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"
#include "tests/acceptance/game_flow.h"
#include "tests/acceptance/player.h"

using namespace acceptance;

namespace {

constexpr int LEVELS = 40;
// A slide out and back in; the level changes halfway.
constexpr int SLIDE_FRAMES = 48;

std::string str(long v) { return std::to_string(v); }

// From the menu to the practice screen showing `target`, the short way round.
Task choose_practice_level(Session& s, int target) {
    co_await s.click_at(MENU_PRACTICE.x, MENU_PRACTICE.y);
    co_await s.until([] { return level == 1 && board_has_space(); }, 10, "the practice screen to show level 1");
    const bool forward = target - 1 <= LEVELS + 1 - target;
    const int steps = forward ? target - 1 : LEVELS + 1 - target;
    int shown = 1;
    for (int i = 0; i < steps; i++) {
        const Point button = forward ? PRACTICE_NEXT : PRACTICE_PREV;
        co_await s.click_at(button.x, button.y);
        shown = forward ? (shown == LEVELS ? 1 : shown + 1) : (shown == 1 ? LEVELS : shown - 1);
        const long clicked = s.press_frame();
        co_await s.until([shown] { return level == shown; }, SLIDE_FRAMES,
                         (forward ? "NEXT" : "PREV") + std::string(" to show level ") + str(shown));
        // The panel is back at rest a whole slide after the click.
        co_await s.frames(static_cast<int>(clicked + SLIDE_FRAMES + 1 - s.frame()));
    }
    // A click on the caption below the panel does nothing.
    co_await s.click_at(512, 690);
    co_await s.frames(2);
    s.check(practice_mode == 0 && level == target, "a click beside the panel started level " + str(target));
    co_await s.click_at(PRACTICE_PANEL.x, PRACTICE_PANEL.y);
}

Task practise_levels(Session& s, int from, int to) {
    co_await skip_intro(s);
    for (int lvl = from; lvl <= to; lvl++) {
        co_await choose_practice_level(s, lvl);
        co_await s.until([] { return practice_mode == 1; }, 5, "practice level " + str(lvl) + " to start");
        const long first = s.frame();
        s.check(level == lvl && board_has_space() && score == 0 && level_bonus == 19999,
                "practice level " + str(lvl) + " did not start afresh");
        LevelPlan plan = plan_level(lvl);
        LevelPlayer player(s, nullptr, plan);
        co_await player.play(Slips{});
        const long last = player.last_pass();
        // The next frame is the menu's: no level end, no bonus, no name entry.
        co_await s.next_frame();
        s.check(s.frame() == last + 1 && practice_mode == 0 && level == lvl && score == 0,
                "practice level " + str(lvl) + " did not return straight to the menu");
        log_line("practice level " + str(lvl) + ": " + str(static_cast<long>(plan.tiles.size())) + " tiles in " +
                 str(last - first + 1) + " frames");
    }
    co_await s.frames(5);
    co_await s.click_at(MENU_QUIT.x, MENU_QUIT.y);
    s.expect_end();
    co_await s.frames(30);
    s.check(false, "QUIT did not end the program");
}

void practise(int from, int to) {
    Session session;
    session.run(main_program, practise_levels(session, from, to));
    ASSERT_TRUE(session.finished()) << session.failure();
    EXPECT_EQ(runtime_error_code(), 0);
}

}  // namespace

// Eight runs of five levels each, so each program run stays short.
TEST(Practice, Levels1To5StartFromThePracticeScreenAndReturnToTheMenu) { practise(1, 5); }
TEST(Practice, Levels6To10StartFromThePracticeScreenAndReturnToTheMenu) { practise(6, 10); }
TEST(Practice, Levels11To15StartFromThePracticeScreenAndReturnToTheMenu) { practise(11, 15); }
TEST(Practice, Levels16To20StartFromThePracticeScreenAndReturnToTheMenu) { practise(16, 20); }
TEST(Practice, Levels21To25StartFromThePracticeScreenAndReturnToTheMenu) { practise(21, 25); }
TEST(Practice, Levels26To30StartFromThePracticeScreenAndReturnToTheMenu) { practise(26, 30); }
TEST(Practice, Levels31To35StartFromThePracticeScreenAndReturnToTheMenu) { practise(31, 35); }
TEST(Practice, Levels36To40StartFromThePracticeScreenAndReturnToTheMenu) { practise(36, 40); }
