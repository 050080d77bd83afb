// The whole game as a player meets it: the real program from its intro,
// through the training level and levels 1 to 40 filled by hand (with the
// slips of a beginner on the early levels), the level ends, the name entry,
// the high-score view and QUIT; the final score against the rules' own
// arithmetic and the records file byte by byte.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "game/frontend/frontend.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"
#include "tests/acceptance/game_flow.h"
#include "tests/acceptance/player.h"

using namespace acceptance;

namespace {

constexpr int FIRST_LEVEL = 0;
constexpr int LAST_LEVEL = 40;
constexpr int DEFAULT_TOP_SCORE = 75000;
constexpr int DEFAULT_SCORE_STEP = 5000;

std::string str(long v) { return std::to_string(v); }

struct Playthrough {
    ScoreTally tally;
    long frames_at_end = 0;
    bool reached_name_entry = false;
};

Task whole_game(Session& s, Playthrough& run) {
    co_await skip_intro(s);
    co_await s.click_at(MENU_START.x, MENU_START.y);
    run.tally.start_game();
    for (int lvl = FIRST_LEVEL; lvl <= LAST_LEVEL; lvl++) {
        co_await s.until([lvl] { return level == lvl && board_has_space(); }, 10,
                         "level " + str(lvl) + " to start");
        const long first_pass = s.frame();
        s.check(level_bonus == 19999 && level_timer == 35999 && score == run.tally.score(),
                "level " + str(lvl) + " did not start with full counters and the score carried over");
        run.tally.start_level(lvl, first_pass);
        LevelPlan plan = plan_level(lvl);
        LevelPlayer player(s, &run.tally, plan);
        co_await player.play(slips_for_level(lvl));
        const long last = player.last_pass();
        co_await finish_level(s, run.tally, lvl, last, lvl == FIRST_LEVEL);
        log_line("level " + str(lvl) + ": " + str(static_cast<long>(plan.tiles.size())) + " tiles, " +
                 str(last - first_pass + 1) + " frames, bonus " + str(static_cast<long>(run.tally.last_bonus())) +
                 ", score " + str(static_cast<long>(run.tally.score())) + ", explosions " +
                 str(player.explosions()));
    }
    // "GAME COMPLETED - WAY TO GO!" was clicked away: the name entry follows.
    run.frames_at_end = s.frame();
    run.reached_name_entry = true;
    co_await enter_name_by_keys(s, name_keys());
    s.check(high_score_table(0, 0) == padded_name(name_keys().name) &&
                high_score_table(0, 1) == padded_score(run.tally.score()),
            "the new entry is not at the top of the table with score " + str(static_cast<long>(run.tally.score())));
    co_await view_scores_and_quit(s);
}

}  // namespace

TEST(Playthrough, WholeGameByHandScoresByTheRulesAndIsRecorded) {
    Session session;
    Playthrough run;
    const auto started = std::chrono::steady_clock::now();
    session.run(main_program, whole_game(session, run));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(session.finished()) << session.failure();
    EXPECT_EQ(runtime_error_code(), 0);
    ASSERT_TRUE(run.reached_name_entry);
    log_line("game completed: score " + str(static_cast<long>(run.tally.score())) + " in " +
             str(run.frames_at_end) + " frames (" + str(run.frames_at_end / 3600) + " min of play at 60 Hz), " +
             str(static_cast<long>(seconds)) + " s of test time");

    // The table is written on QUIT: the new entry first, the defaults below.
    auto rows = read_hiscore_file(session.folder() + "/hiscore.dat");
    ASSERT_EQ(rows.size(), 15u) << "hiscore.dat is not 405 bytes";
    EXPECT_EQ(rows[0].first, padded_name(name_keys().name));
    EXPECT_EQ(rows[0].second, padded_score(run.tally.score()));
    for (int r = 1; r < 15; r++) {
        SCOPED_TRACE(r);
        EXPECT_EQ(rows[static_cast<size_t>(r)].first, padded_name(default_high_score_name(r - 1)));
        EXPECT_EQ(rows[static_cast<size_t>(r)].second, padded_score(DEFAULT_TOP_SCORE - DEFAULT_SCORE_STEP * (r - 1)));
    }
}
