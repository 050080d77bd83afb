// Playing one level the way a person does: take a tile from its store slot,
// turn it with the wheel or the right button, drop it on its space; with the
// slips a person makes on the early levels. Every step is checked against
// the game's state and the score against the test's own tally.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "game/puzzle/rules.h"
#include "tests/acceptance/model.h"
#include "tests/acceptance/session.h"

namespace acceptance {

// ---------------------------------------------------------------- plans

struct PlannedTile {
    Cell cell;
    int tile;
    std::string code;   // the code the tile shows in its space
};

struct LevelPlan {
    int level = 0;
    Cell first{-1, -1};
    std::vector<Cell> spaces;
    std::vector<PlannedTile> tiles;   // a full solution, one tile per space
    std::vector<int> spares;          // tiles the solution leaves in the store
};

// The level's shape and a solution found by the level solver.
LevelPlan plan_level(int level);

// ---------------------------------------------------------------- slips

struct Slips {
    bool conflict = false;        // a spare placed, then a clashing spare dropped beside it
    bool wrong_form = false;      // a drop refused for the tile's form
    bool timeout = false;         // a spare held until it explodes
    bool recover = false;         // a placed tile taken back and dropped again
    bool recover_refused = false; // the same click where recovering is over
    bool return_own = false;      // a turned spare put back into its own slot
    bool return_other = false;    // a spare put into a placed tile's empty slot
    bool return_refused = false;  // the same where returning is over (then it times out)
};

// The slips of the early levels of a full game.
Slips slips_for_level(int level);

// ---------------------------------------------------------------- the level

class LevelPlayer {
public:
    // tally is null in practice, where nothing scores.
    LevelPlayer(Session& session, ScoreTally* tally, const LevelPlan& plan);

    // From the level's first frame until the last tile is seen placed.
    Task play(Slips slips);
    // The pass in which the last tile went in.
    long last_pass() const { return last_pass_; }
    // Explosions seen on the level.
    int explosions() const { return explosions_; }

private:
    enum class Drop { Placed, Refused, Exploded };

    Task pick(int tile);
    Task turn_to(int tile, std::string target);
    Task drop(int tile, Cell cell, Drop expected);
    Task click_board(Cell cell);
    Task click_slot(int slot);
    Task place(const PlannedTile& t);

    Task slip_conflict();
    Task slip_timeout();
    Task slip_recover(const PlannedTile& t);
    Task slip_recover_refused(const PlannedTile& t);
    Task slip_return_own();
    Task slip_return_other(const PlannedTile& placed);
    Task slip_return_refused(const PlannedTile& placed);
    Task wait_for_expiry(int tile);
    Task press_at(Point p);

    int take_spare();
    void check_score(const std::string& after);
    std::string where(const std::string& what) const;

    Session& s_;
    ScoreTally* tally_;
    LevelPlan plan_;
    BoardModel board_;
    std::map<int, std::string> codes_;   // the game's tile codes as the player knows them
    size_t next_spare_ = 0;
    long pick_pass_ = -1;
    long last_pass_ = -1;
    int explosions_ = 0;
    int turn_style_ = 0;
};

}  // namespace acceptance
