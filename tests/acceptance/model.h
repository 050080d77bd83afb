// The acceptance tests' own account of the rules: the tile catalogue, turns,
// the corner-colour match with the explosions it causes, and the score a
// player earns. Written apart from the game so that the game's results can be
// checked against it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace acceptance {

// ---------------------------------------------------------------- tiles

// Up-form code of catalogue tile n (0..75), digits at 0, 2 and 4.
std::string tile_code(int n);
// One 60-degree turn; clockwise drops the first character to the end.
std::string turned_clockwise(const std::string& code);
std::string turned_counter_clockwise(const std::string& code);
bool is_down_form(const std::string& code);
// Clockwise turns (0..5) from one code to another, -1 when none.
int clockwise_turns_between(const std::string& from, const std::string& to);

// ---------------------------------------------------------------- screen places

struct Point { int x, y; };
// Centroid of a cell's triangle on the screen.
Point cell_centroid(int x, int y);
// Centroid of store slot n's triangle.
Point slot_centroid(int n);
bool up_cell(int x, int y);

// ---------------------------------------------------------------- the board as the player knows it

using Cell = std::pair<int, int>;

class BoardModel {
public:
    // Spaces and the first tile's cell of the level being played.
    void reset(const Cell& first, const std::vector<Cell>& spaces);
    // The code lying in a cell, empty when none.
    std::string code_at(const Cell& c) const;
    bool is_space(const Cell& c) const;
    bool occupied(const Cell& c) const;
    // The placed neighbours that conflict with code dropped into c, in the
    // order the game examines them; a neighbour counts once.
    std::vector<Cell> conflicts(const Cell& c, const std::string& code) const;
    // Whether the code has the form the cell takes.
    bool form_fits(const Cell& c, const std::string& code) const;
    void place(const Cell& c, const std::string& code);
    void clear(const Cell& c);
    // Whether any cell that shares a corner with c holds a tile.
    bool touches_tile(const Cell& c) const;
    // The cells that share an edge with c.
    std::vector<Cell> edge_neighbours(const Cell& c) const;

private:
    std::set<Cell> spaces_;
    std::map<Cell, std::string> tiles_;
    Cell first_{-1, -1};
};

// ---------------------------------------------------------------- score

// The rules' arithmetic, fed with what the player did and when (frame
// numbers are passes of the play loop).
class ScoreTally {
public:
    void start_game() { score_ = 0; }
    void start_level(int level, long first_pass);
    // The per-frame fall of the hand's countdown on a level.
    static double tile_rate(int level);
    // The countdown after it has fallen for `passes` frames from 360.
    static double countdown_after(int level, long passes);
    // The pass in which a tile taken at pick_pass explodes if still held.
    static long expiry_pass(int level, long pick_pass);
    void placed(long pick_pass, long place_pass);
    void neighbours_exploded(int count);
    void held_exploded();
    void recovered();
    void returned();
    // The bonus left when the pass after last_pass finds the puzzle done.
    double bonus_at_completion(long last_pass) const;
    void level_completed(long last_pass);
    double score() const { return score_; }
    double last_bonus() const { return last_bonus_; }
    // A line per scoring event, for failure messages.
    const std::string& last_event() const { return last_event_; }

private:
    void deduct(double amount);
    double score_ = 0;
    int level_ = 0;
    long first_pass_ = 0;
    double last_bonus_ = 0;
    std::string last_event_;
};

}  // namespace acceptance
