// Script pieces shared by the whole-game tests: the menu, the level end,
// the name entry and the records file.
#pragma once

#include <string>
#include <vector>

#include "tests/acceptance/model.h"
#include "tests/acceptance/session.h"
#include "tests/support/places.h"

namespace acceptance {

// ---------------------------------------------------------------- places on the front end

// The model keeps its own cell and slot centroids; these come from the
// shared table.
constexpr Point from_table(places::Point p) { return {p.x, p.y}; }
constexpr Point MENU_HIGH_SCORES = from_table(places::MENU_HIGH_SCORES);
constexpr Point MENU_PRACTICE = from_table(places::MENU_PRACTICE);
constexpr Point MENU_START = from_table(places::MENU_START);
constexpr Point MENU_QUIT = from_table(places::MENU_QUIT);
constexpr Point PRACTICE_PANEL = from_table(places::PRACTICE_PANEL);
constexpr Point PRACTICE_PREV = from_table(places::PRACTICE_PREV);
constexpr Point PRACTICE_NEXT = from_table(places::PRACTICE_NEXT);
constexpr Point QUIT_BUTTON = from_table(places::QUIT_BUTTON);

// Set-1 scan codes of the keys the name is typed with.
constexpr int KEY_RETURN = 28;
constexpr int KEY_BACKSPACE = 14;

// ---------------------------------------------------------------- pieces

// From the intro's first frame to the main menu: a click, then the scroll.
Task skip_intro(Session& s);

// After the pass that placed a level's last tile, through the level-end
// screens to the next level's first frame (or to the end after level 40).
// With full_count the bonus is left to count down; otherwise a click skips
// it. Returns with tally holding the bonus.
Task finish_level(Session& s, ScoreTally& tally, int level, long last_pass, bool full_count);

// Keys that type a name, and the name they give.
struct NameKeys {
    std::vector<int> scans;
    std::string name;
};
NameKeys name_keys();
// Types the name on the name-entry screen and presses Return.
Task enter_name_by_keys(Session& s, const NameKeys& keys);

// The high-score view from the menu, shown and left, then QUIT.
Task view_scores_and_quit(Session& s);

// ---------------------------------------------------------------- records

// hiscore.dat as rows of (name, score text), decoded from the stored bytes;
// empty when the file is not 405 bytes long.
std::vector<std::pair<std::string, std::string>> read_hiscore_file(const std::string& path);

// Pads a name and a score the way the table keeps them.
std::string padded_name(const std::string& name);
std::string padded_score(double score);

// One line of the run's log.
void log_line(const std::string& line);

}  // namespace acceptance
