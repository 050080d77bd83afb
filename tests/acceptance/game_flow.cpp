// The screens around the levels, walked through by the scripted player.
#include "tests/acceptance/game_flow.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "tests/acceptance/player.h"

namespace acceptance {

namespace {

constexpr int INTRO_SCROLL_FRAMES = 72;
constexpr int ANNOUNCEMENT_FRAMES = 180;
constexpr double BONUS_STEP = 19;
constexpr int LAST_LEVEL = 40;
constexpr size_t HISCORE_BYTES = 405;
constexpr int RECORDS = 15;
constexpr int NAME_CHARS = 20;
constexpr int SCORE_CHARS = 7;
constexpr int STORED_OFFSET = 20;

std::string str(long v) { return std::to_string(v); }

}  // namespace

Task skip_intro(Session& s) {
    co_await s.frames(3);
    co_await s.click_at(512, 400);
    co_await s.frames(INTRO_SCROLL_FRAMES + 5);
}

Task finish_level(Session& s, ScoreTally& tally, int lvl, long last_pass, bool full_count) {
    const std::string at = "level " + str(lvl) + " end: ";
    // The pass after the last tile finds the puzzle done and the level end
    // shows its first frame.
    co_await s.next_frame();
    s.check(s.frame() == last_pass + 1 && !board_has_space() && level == lvl,
            at + "the level end did not follow the last tile");
    const double bonus = tally.bonus_at_completion(last_pass);
    s.check(level_bonus == bonus, at + "the bonus left is " + str(static_cast<long>(level_bonus)) +
                                      ", the frames played give " + str(static_cast<long>(bonus)));
    s.check(score == tally.score(), at + "the score changed when the level ended");
    const double before = tally.score();
    tally.level_completed(last_pass);

    if (full_count) {
        // A click during the announcement does nothing; then the bonus is
        // paid 19 a frame to the end.
        co_await s.frames(40);
        s.left(true);
        co_await s.next_frame();
        s.left(false);
        const long count_frames = static_cast<long>(std::ceil(bonus / BONUS_STEP));
        co_await s.until([] { return level_bonus == 0; }, ANNOUNCEMENT_FRAMES + static_cast<int>(count_frames) + 5,
                         at + "the bonus to be paid");
        s.check(s.frame() == last_pass + ANNOUNCEMENT_FRAMES + count_frames,
                at + "the bonus count ended in frame " + str(s.frame() - last_pass) + " of the level end, not " +
                    str(ANNOUNCEMENT_FRAMES + count_frames));
    } else {
        co_await s.until([bonus] { return level_bonus < bonus; }, ANNOUNCEMENT_FRAMES + 5,
                         at + "the bonus count to start");
        s.check(s.frame() == last_pass + ANNOUNCEMENT_FRAMES + 1 &&
                    score == before + std::min(bonus, BONUS_STEP),
                at + "the count did not start after the announcement with one step of 19");
        // A click pays the rest at once; the game waits for the release.
        s.left(true);
        co_await s.next_frame();
        s.check(!s.left_down(), at + "the game did not wait for the button to be let go");
        s.check(level_bonus == 0, at + "a click did not pay the rest of the bonus");
    }
    s.check(score == tally.score(), at + "the score after the bonus is " + str(static_cast<long>(score)) +
                                        ", the rules give " + str(static_cast<long>(tally.score())));

    // The prompt waits for a click; the next level starts in the frame after.
    co_await s.frames(2);
    s.check(level == lvl, at + "the level moved on without a click");
    s.left(true);
    const long click = s.frame();
    co_await s.next_frame();
    if (lvl < LAST_LEVEL) {
        s.check(level == lvl + 1 && board_has_space() && s.frame() == click + 1,
                at + "the click did not start the next level at once");
    } else {
        s.check(level == LAST_LEVEL + 1, at + "the game did not end after the last level");
    }
    s.left(false);
}

NameKeys name_keys() {
    // w e d g e x, Backspace, space, 1: "WEDGE 1".
    return {{17, 18, 32, 34, 18, 45, KEY_BACKSPACE, 57, 2}, "WEDGE 1"};
}

Task enter_name_by_keys(Session& s, const NameKeys& keys) {
    co_await s.frames(3);
    // The screen offers the name typed last in this run: rub it out first.
    const size_t offered = player_name.size();
    for (size_t i = 0; i < offered; i++) co_await s.type_key(KEY_BACKSPACE);
    s.check(player_name.empty(), "Backspace did not rub out the name offered");
    for (int scan : keys.scans) co_await s.type_key(scan);
    s.check(player_name == keys.name, "the name typed reads '" + player_name + "', not '" + keys.name + "'");
    // Return is held until the game has taken the name.
    s.key(KEY_RETURN, true);
    const std::string name = padded_name(keys.name);
    co_await s.until(
        [&name] {
            for (int r = 0; r < RECORDS; r++)
                if (high_score_table(r, 0) == name) return true;
            return false;
        },
        5, "the name to enter the high-score table");
    s.key(KEY_RETURN, false);
}

Task view_scores_and_quit(Session& s) {
    co_await s.frames(5);
    co_await s.click_at(MENU_HIGH_SCORES.x, MENU_HIGH_SCORES.y);
    co_await s.frames(20);
    // While the table shows, a click where QUIT stands only leaves the view.
    co_await s.click_at(MENU_QUIT.x, MENU_QUIT.y);
    co_await s.frames(10);
    co_await s.click_at(MENU_QUIT.x, MENU_QUIT.y);
    s.expect_end();
    co_await s.frames(30);
    s.check(false, "QUIT did not end the program");
}

std::vector<std::pair<std::string, std::string>> read_hiscore_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::pair<std::string, std::string>> rows;
    if (bytes.size() != HISCORE_BYTES) return rows;
    size_t at = 0;
    auto decode = [&](int n) {
        std::string text;
        for (int i = 0; i < n; i++) text += static_cast<char>(static_cast<unsigned char>(bytes[at++]) + STORED_OFFSET);
        return text;
    };
    for (int r = 0; r < RECORDS; r++) {
        std::string name = decode(NAME_CHARS);
        std::string score_text = decode(SCORE_CHARS);
        rows.emplace_back(name, score_text);
    }
    return rows;
}

std::string padded_name(const std::string& name) {
    std::string s = name;
    while (s.size() < NAME_CHARS) s += ' ';
    return s;
}

std::string padded_score(double value) {
    std::string s = str(static_cast<long>(value));
    while (s.size() < SCORE_CHARS) s = " " + s;
    return s;
}

void log_line(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace acceptance
