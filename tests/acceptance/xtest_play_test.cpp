// The training level and the name entry once more, with every motion,
// click, wheel turn and key going through the X server's test extension and
// SDL's whole event path, as a real mouse and keyboard would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "game/frontend/frontend.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "tests/acceptance/game_flow.h"
#include "tests/acceptance/player.h"
#include "tests/support/xtest_client.h"

using namespace acceptance;

namespace {

using xtest::KeySym;

// X buttons: 1 left, 3 right, 4 wheel away from the player, 5 toward.
constexpr unsigned int X_LEFT = 1, X_RIGHT = 3, X_WHEEL_AWAY = 4, X_WHEEL_TOWARD = 5;
// SDL merges identical relative moves that arrive in the same millisecond,
// and a long move is given as several short ones, as a hand would.
constexpr auto EVENT_SPACING = std::chrono::milliseconds(3);
constexpr int LONGEST_MOVE = 80;

// A key the game never reads, typed to mark the end of a frame's input.
constexpr KeySym MARKER_KEYSYM = 0xffc9;   // F12
constexpr int MARKER_SCAN = 88;
constexpr int MARKER_WAIT_STEPS = 2000;    // milliseconds

// The keys the script types, by set-1 scan code.
const std::map<int, KeySym> KEYSYMS = {
    {17, 'w'}, {18, 'e'}, {32, 'd'}, {34, 'g'}, {45, 'x'}, {57, ' '}, {2, '1'},
    {14, 0xff08 /* BackSpace */}, {28, 0xff0d /* Return */},
};

// The X server's test extension as the game's input device.
class XTestInput : public InputDevice {
public:
    // Empty when ready, else why not.
    std::string open() { return client_.open(); }

    void motion(int dx, int dy) override {
        while (dx != 0 || dy != 0) {
            int sx = std::clamp(dx, -LONGEST_MOVE, LONGEST_MOVE);
            int sy = std::clamp(dy, -LONGEST_MOVE, LONGEST_MOVE);
            client_.move(sx, sy);
            spaced();
            dx -= sx;
            dy -= sy;
        }
    }
    void button(int which, bool down) override {
        client_.button(which == 1 ? X_LEFT : X_RIGHT, down);
        spaced();
    }
    void wheel(int steps) override {
        unsigned int b = steps > 0 ? X_WHEEL_AWAY : X_WHEEL_TOWARD;
        for (int i = 0; i < std::abs(steps); i++) {
            client_.button(b, true);
            client_.button(b, false);
            spaced();
        }
    }
    void key(int scan_code, bool down) override {
        auto it = KEYSYMS.find(scan_code);
        if (it == KEYSYMS.end()) return;
        press_key(it->second, down);
    }
    // The X server delivers in order: once a marker key typed after the
    // frame's input is seen by the runtime, all of that input has been read
    // into its state, before the game's next frame looks at it.
    void settle() override {
        if (!sent_) return;
        sent_ = false;
        for (bool down : {true, false}) {
            press_key(MARKER_KEYSYM, down);
            for (int i = 0; i < MARKER_WAIT_STEPS && key_down(MARKER_SCAN) != (down ? 1 : 0); i++)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sent_ = false;
    }

private:
    void press_key(KeySym sym, bool down) {
        client_.key(sym, down);
        spaced();
    }
    // The server has taken the event; the next one comes a moment later.
    void spaced() {
        std::this_thread::sleep_for(EVENT_SPACING);
        sent_ = true;
    }

    xtest::Client client_;
    bool sent_ = false;
};

struct XRun {
    ScoreTally tally;
    bool quit_from_level = false;
};

Task training_level_then_name(Session& s, XRun& run) {
    co_await skip_intro(s);
    co_await s.click_at(MENU_START.x, MENU_START.y);
    co_await s.until([] { return level == 0 && board_has_space(); }, 10, "the training level to start");
    run.tally.start_game();
    run.tally.start_level(0, s.frame());
    LevelPlan plan = plan_level(0);
    LevelPlayer player(s, &run.tally, plan);
    co_await player.play(Slips{});
    co_await finish_level(s, run.tally, 0, player.last_pass(), false);

    // On level 1 the quit button ends the game once the button is let go.
    co_await s.click_at(QUIT_BUTTON.x, QUIT_BUTTON.y);
    run.quit_from_level = true;
    co_await enter_name_by_keys(s, name_keys());
    co_await s.frames(5);
    co_await s.click_at(MENU_QUIT.x, MENU_QUIT.y);
    s.expect_end();
    co_await s.frames(30);
    s.check(false, "QUIT did not end the program");
}

}  // namespace

TEST(RealInput, TrainingLevelAndNameEntryThroughTheXServer) {
    // The session's own X server first, so the events go to it alone.
    Session session;
    XTestInput x;
    const std::string why = x.open();
    if (!why.empty()) GTEST_SKIP() << why;
    session.use_device(&x);
    XRun run;
    session.run(main_program, training_level_then_name(session, run));
    ASSERT_TRUE(session.finished()) << session.failure();
    EXPECT_EQ(runtime_error_code(), 0);
    ASSERT_TRUE(run.quit_from_level);
    log_line("through the X server: training level done with score " +
             std::to_string(static_cast<long>(run.tally.score())));

    // The entry sits below every default score at least as high as its own.
    int row = 0;
    while (row < 15 && 75000 - 5000 * row >= run.tally.score()) row++;
    ASSERT_LT(row, 15);
    auto rows = read_hiscore_file(session.folder() + "/hiscore.dat");
    ASSERT_EQ(rows.size(), 15u) << "hiscore.dat is not 405 bytes";
    EXPECT_EQ(rows[static_cast<size_t>(row)].first, padded_name(name_keys().name));
    EXPECT_EQ(rows[static_cast<size_t>(row)].second, padded_score(run.tally.score()));
    if (row > 0) {
        EXPECT_EQ(rows[static_cast<size_t>(row - 1)].first, padded_name(default_high_score_name(row - 1)));
    }
    if (row < 14) {
        EXPECT_EQ(rows[static_cast<size_t>(row + 1)].first, padded_name(default_high_score_name(row)));
    }
}
