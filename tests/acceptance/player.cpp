// One level played by hand, step by step, each step checked.
#include "tests/acceptance/player.h"

#include <algorithm>
#include <set>

#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "tools/solver/solver.h"

namespace acceptance {

namespace {

constexpr int STORE = 75;
constexpr double FULL_COUNTDOWN = 360;
// Frames a turn's animation may take before clicks count again.
constexpr int TURN_FRAMES_LIMIT = 12;

std::string str(long v) { return std::to_string(v); }

std::string cell_text(const Cell& c) { return "(" + str(c.first) + ", " + str(c.second) + ")"; }

double board_at(const Cell& c) { return board(c.first, c.second); }

// The game's code of a catalogue tile.
std::string game_code(int tile) { return tile_codes(tile); }

// A held code put back into the store takes the up form.
std::string store_form(const std::string& code) { return is_down_form(code) ? turned_clockwise(code) : code; }

}  // namespace

// ---------------------------------------------------------------- plans

LevelPlan plan_level(int level) {
    LevelPlan plan;
    plan.level = level;
    LevelShape shape = read_level_shape(level);
    plan.first = {shape.first_x, shape.first_y};
    plan.spaces = shape.spaces;
    SolveReport report = solve_shape(shape);
    std::set<int> used;
    if (report.solvable) {
        for (const SolvedTile& t : report.tiles) {
            plan.tiles.push_back({{t.x, t.y}, t.tile, t.code});
            used.insert(t.tile);
        }
    }
    for (int n = 1; n <= STORE; n++)
        if (!used.count(n)) plan.spares.push_back(n);
    return plan;
}

Slips slips_for_level(int level) {
    Slips s;
    switch (level) {
    case 0:
        s.conflict = s.wrong_form = s.timeout = s.recover = s.return_own = true;
        break;
    case 1: s.recover = s.return_other = true; break;
    case 2: s.recover = s.return_own = true; break;
    case 3: s.recover = s.return_other = true; break;
    case 4: s.recover_refused = s.return_own = true; break;
    case 5: s.return_own = true; break;
    case 6: s.return_other = true; break;
    case 7: s.return_refused = true; break;
    default: break;
    }
    return s;
}

// ---------------------------------------------------------------- the level

LevelPlayer::LevelPlayer(Session& session, ScoreTally* tally, const LevelPlan& plan)
    : s_(session), tally_(tally), plan_(plan) {}

std::string LevelPlayer::where(const std::string& what) const {
    return "level " + str(plan_.level) + ": " + what;
}

void LevelPlayer::check_score(const std::string& after) {
    double expected = tally_ ? tally_->score() : 0;
    s_.check(score == expected, where("score " + str(static_cast<long>(score)) + " after " + after + ", the rules give " +
                                      str(static_cast<long>(expected)) +
                                      (tally_ ? " (" + tally_->last_event() + ")" : std::string(" (practice)"))));
}

int LevelPlayer::take_spare() {
    s_.check(next_spare_ < plan_.spares.size(), where("no spare tile left in the store"));
    return plan_.spares[next_spare_++];
}

Task LevelPlayer::press_at(Point p) {
    bool moved = p.x != s_.pointer_x() || p.y != s_.pointer_y();
    s_.move_to(p.x, p.y);
    // A frame with the button up (and the pointer there) before each press.
    if (moved || s_.left_down() || s_.release_frame() == s_.frame()) {
        s_.left(false);
        co_await s_.next_frame();
    }
    co_await s_.until([] { return spin_angle == 0; }, TURN_FRAMES_LIMIT, where("the turn animation to end"));
    s_.left(true);
    co_await s_.next_frame();
    s_.check(s_.frame() == s_.press_frame() + 1, where("a frame was skipped after the press"));
    s_.check(mouse_x == p.x && mouse_y == p.y,
             where("the game's pointer is at (" + str(static_cast<long>(mouse_x)) + ", " +
                   str(static_cast<long>(mouse_y)) + "), the player's at (" + str(p.x) + ", " + str(p.y) + ")"));
}

Task LevelPlayer::pick(int tile) {
    co_await press_at(slot_centroid(tile));
    s_.check(store_cursor == tile, where("the pointer is not over slot " + str(tile) + " but " + str(static_cast<long>(store_cursor)) + " held " + str(static_cast<long>(held_tile)) + " board cursor " + str(static_cast<long>(board_cursor_x))));
    s_.check(held_tile == tile, where("tile " + str(tile) + " was not taken from its slot"));
    s_.check(tile_used(tile) == 1 && tile_timer == FULL_COUNTDOWN, where("a taken tile starts its countdown at 360"));
    pick_pass_ = s_.frame();
    s_.left(false);
}

Task LevelPlayer::turn_to(int tile, std::string target) {
    std::string code = codes_[tile];
    int clockwise = clockwise_turns_between(code, target);
    s_.check(clockwise >= 0, where("tile " + str(tile) + " cannot turn to '" + target + "'"));
    // The short way round: up to three clockwise turns, else counter-clockwise.
    bool counter = clockwise > 3;
    int steps = counter ? 6 - clockwise : clockwise;
    for (int i = 0; i < steps; i++) {
        co_await s_.until([] { return spin_angle == 0; }, TURN_FRAMES_LIMIT, where("the turn animation to end"));
        bool by_button = !counter && (turn_style_++ % 2 == 1);
        if (counter)
            s_.wheel(+1);
        else if (by_button)
            s_.right(true);
        else
            s_.wheel(-1);
        co_await s_.next_frame();
        if (by_button) s_.right(false);
        code = counter ? turned_counter_clockwise(code) : turned_clockwise(code);
        s_.check(game_code(tile) == code, where("tile " + str(tile) + " shows '" + game_code(tile) + "' after a " +
                                                (counter ? "counter-clockwise" : "clockwise") + " turn, not '" +
                                                code + "'"));
        s_.check(spin_angle != 0, where("a turn plays no animation"));
    }
    codes_[tile] = code;
}

Task LevelPlayer::drop(int tile, Cell cell, Drop expected) {
    const std::string code = codes_[tile];
    std::vector<Cell> clashes = board_.conflicts(cell, code);
    Drop predicted = !board_.form_fits(cell, code) ? Drop::Refused : clashes.empty() ? Drop::Placed : Drop::Exploded;
    s_.check(predicted == expected, where("the script meant another outcome for tile " + str(tile) + " in " +
                                          cell_text(cell)));
    co_await press_at(cell_centroid(cell.first, cell.second));
    long pass = s_.frame();
    s_.check(board_cursor_x == cell.first && board_cursor_y == cell.second,
             where("the pointer is not over the space " + cell_text(cell)));
    switch (expected) {
    case Drop::Placed:
        s_.check(board_at(cell) == CELL_TILE + tile && held_tile == -1,
                 where("tile " + str(tile) + " '" + code + "' was not placed in " + cell_text(cell)));
        board_.place(cell, code);
        if (tally_) tally_->placed(pick_pass_, pass);
        last_pass_ = pass;
        break;
    case Drop::Refused:
        s_.check(held_tile == tile && board_at(cell) == CELL_EMPTY && game_code(tile) == code,
                 where("a tile of the wrong form was not refused in " + cell_text(cell)));
        break;
    case Drop::Exploded: {
        s_.check(held_tile == -1 && board_at(cell) == CELL_EMPTY,
                 where("a clashing tile stayed in the hand or the space"));
        int destroyed = 0;
        for (const Cell& c : clashes) {
            if (c == plan_.first) {
                s_.check(board_at(c) == CELL_TILE, where("the first tile was destroyed"));
                continue;
            }
            s_.check(board_at(c) == CELL_EMPTY, where("the clashing neighbour in " + cell_text(c) + " is still there"));
            board_.clear(c);
            destroyed++;
        }
        s_.check(debris.size() > 0, where("an explosion left no debris"));
        s_.check(tile_used(tile) == 1, where("an exploded tile came back to the store"));
        if (tally_) {
            tally_->neighbours_exploded(destroyed);
            tally_->held_exploded();
        }
        explosions_++;
        break;
    }
    }
    check_score("a drop in " + cell_text(cell));
    s_.left(false);
}

Task LevelPlayer::place(const PlannedTile& t) {
    co_await pick(t.tile);
    // The hand carries the tile towards its space while it turns.
    Point p = cell_centroid(t.cell.first, t.cell.second);
    s_.move_to(p.x, p.y);
    co_await turn_to(t.tile, t.code);
    co_await drop(t.tile, t.cell, Drop::Placed);
}

Task LevelPlayer::play(Slips slips) {
    // The level as it starts: the shape, the first tile, a full store.
    s_.check(level == plan_.level, where("another level is being played: " + str(static_cast<long>(level))));
    s_.check(!plan_.tiles.empty() && plan_.tiles.size() == plan_.spaces.size(),
             where("the solver found no solution"));
    int spaces = 0;
    for (int y = 0; y < BOARD_ROWS; y++)
        for (int x = 0; x < BOARD_COLUMNS; x++) spaces += board(x, y) == CELL_EMPTY;
    s_.check(spaces == static_cast<int>(plan_.spaces.size()), where("the board has " + str(spaces) + " spaces"));
    s_.check(board_at(plan_.first) == CELL_TILE, where("the first tile is missing"));
    board_.reset(plan_.first, plan_.spaces);
    s_.check(game_code(0) == board_.code_at(plan_.first), where("the first tile has the wrong form"));
    for (int n = 1; n <= STORE; n++) {
        codes_[n] = tile_code(n);
        s_.check(game_code(n) == codes_[n] && tile_used(n) == 0,
                 where("store slot " + str(n) + " does not hold '" + codes_[n] + "'"));
    }
    // The solution as the rules see it, before any of it is played.
    {
        BoardModel check = board_;
        for (const PlannedTile& t : plan_.tiles) {
            s_.check(clockwise_turns_between(tile_code(t.tile), t.code) >= 0 && check.is_space(t.cell) &&
                         check.form_fits(t.cell, t.code) && check.conflicts(t.cell, t.code).empty(),
                     where("the solver's tile " + str(t.tile) + " in " + cell_text(t.cell) + " breaks the rules"));
            check.place(t.cell, t.code);
        }
    }

    if (slips.conflict) co_await slip_conflict();
    if (slips.timeout) co_await slip_timeout();
    for (size_t i = 0; i < plan_.tiles.size(); i++) {
        const PlannedTile& t = plan_.tiles[i];
        if (i == 0 && slips.wrong_form) {
            co_await pick(t.tile);
            // Into its space in the other form first: refused, nothing lost.
            if (board_.form_fits(t.cell, codes_[t.tile])) co_await turn_to(t.tile, turned_clockwise(codes_[t.tile]));
            co_await drop(t.tile, t.cell, Drop::Refused);
            co_await turn_to(t.tile, t.code);
            co_await drop(t.tile, t.cell, Drop::Placed);
        } else {
            co_await place(t);
        }
        if (i == 2 && slips.recover) co_await slip_recover(t);
        if (i == 2 && slips.recover_refused) co_await slip_recover_refused(t);
        if (i == 4 && slips.return_own) co_await slip_return_own();
        if (i == 5 && slips.return_other) co_await slip_return_other(t);
        if (i == 5 && slips.return_refused) co_await slip_return_refused(t);
    }
}

// ---------------------------------------------------------------- slips

Task LevelPlayer::slip_conflict() {
    // A spare in a space with no tile around, then another spare beside it
    // turned so that a shared corner disagrees.
    int a = take_spare();
    Cell c1{-1, -1}, c2{-1, -1};
    std::string code_a, code_b;
    size_t b_index = 0;
    for (const Cell& first : plan_.spaces) {
        if (board_.occupied(first) || board_.touches_tile(first)) continue;
        std::string ca = up_cell(first.first, first.second) ? tile_code(a) : turned_clockwise(tile_code(a));
        BoardModel with_a = board_;
        with_a.place(first, ca);
        for (const Cell& second : board_.edge_neighbours(first)) {
            if (!board_.is_space(second) || board_.occupied(second) || board_.touches_tile(second)) continue;
            for (size_t i = next_spare_; i < plan_.spares.size() && code_b.empty(); i++) {
                std::string cb = tile_code(plan_.spares[i]);
                for (int turn = 0; turn < 6 && code_b.empty(); turn++, cb = turned_clockwise(cb)) {
                    auto clash = with_a.conflicts(second, cb);
                    if (with_a.form_fits(second, cb) && clash.size() == 1 && clash[0] == first) {
                        code_b = cb;
                        b_index = i;
                    }
                }
            }
            if (!code_b.empty()) {
                c1 = first;
                c2 = second;
                code_a = ca;
                break;
            }
        }
        if (!code_b.empty()) break;
    }
    s_.check(!code_b.empty(), where("no place for a clashing pair of spare tiles"));
    std::swap(plan_.spares[b_index], plan_.spares[next_spare_]);
    int b = take_spare();

    co_await pick(a);
    co_await turn_to(a, code_a);
    co_await drop(a, c1, Drop::Placed);
    co_await pick(b);
    co_await turn_to(b, code_b);
    co_await drop(b, c2, Drop::Exploded);
    s_.check(tile_used(a) == 1, where("a destroyed tile came back to the store"));
}

Task LevelPlayer::wait_for_expiry(int tile) {
    long expected = ScoreTally::expiry_pass(plan_.level, pick_pass_);
    co_await s_.until([] { return held_tile == -1; }, static_cast<int>(expected - s_.frame() + 5),
                      where("the held tile's countdown to run out"));
    s_.check(s_.frame() == expected, where("the held tile exploded in frame " + str(s_.frame()) + ", the rate gives " +
                                           str(expected)));
    s_.check(tile_used(tile) == 1 && debris.size() > 0, where("a timed-out tile left no debris or came back"));
    if (tally_) tally_->held_exploded();
    explosions_++;
    check_score("a tile timed out");
}

Task LevelPlayer::slip_timeout() {
    int tile = take_spare();
    co_await pick(tile);
    // The hand stays over the store; the tile explodes there all the same.
    co_await wait_for_expiry(tile);
}

Task LevelPlayer::slip_recover(const PlannedTile& t) {
    co_await press_at(cell_centroid(t.cell.first, t.cell.second));
    s_.check(held_tile == t.tile && board_at(t.cell) == CELL_EMPTY && tile_timer == FULL_COUNTDOWN &&
                 game_code(t.tile) == codes_[t.tile],
             where("the placed tile in " + cell_text(t.cell) + " was not taken back as it lay"));
    board_.clear(t.cell);
    pick_pass_ = s_.frame();
    if (tally_) tally_->recovered();
    check_score("recovering a tile");
    s_.left(false);
    co_await drop(t.tile, t.cell, Drop::Placed);
}

Task LevelPlayer::slip_recover_refused(const PlannedTile& t) {
    co_await press_at(cell_centroid(t.cell.first, t.cell.second));
    s_.check(held_tile == -1 && board_at(t.cell) == CELL_TILE + t.tile,
             where("a placed tile was taken back where recovering is over"));
    check_score("a refused recovery");
    s_.left(false);
}

Task LevelPlayer::slip_return_own() {
    int tile = take_spare();
    co_await pick(tile);
    co_await turn_to(tile, turned_clockwise(codes_[tile]));
    co_await press_at(slot_centroid(tile));
    std::string back = store_form(codes_[tile]);
    s_.check(held_tile == -1 && tile_used(tile) == 0 && game_code(tile) == back,
             where("tile " + str(tile) + " did not go back into its slot as '" + back + "'"));
    codes_[tile] = back;
    if (tally_) tally_->returned();
    check_score("returning a tile");
    s_.left(false);
}

Task LevelPlayer::slip_return_other(const PlannedTile& placed) {
    // A spare put into the empty slot of a tile lying on the board: the two
    // swap names, the board keeps showing the same colours.
    int tile = take_spare();
    co_await pick(tile);
    co_await turn_to(tile, turned_counter_clockwise(codes_[tile]));
    co_await press_at(slot_centroid(placed.tile));
    std::string into_slot = store_form(codes_[tile]);
    std::string on_board = codes_[placed.tile];
    s_.check(held_tile == -1 && tile_used(placed.tile) == 0 && game_code(placed.tile) == into_slot &&
                 game_code(tile) == on_board && board_at(placed.cell) == CELL_TILE + tile,
             where("tile " + str(tile) + " put into slot " + str(placed.tile) + " did not swap places with it"));
    codes_[placed.tile] = into_slot;
    codes_[tile] = on_board;
    if (tally_) tally_->returned();
    check_score("returning a tile into another slot");
    s_.left(false);
}

Task LevelPlayer::slip_return_refused(const PlannedTile& placed) {
    int tile = take_spare();
    co_await pick(tile);
    co_await press_at(slot_centroid(placed.tile));
    s_.check(held_tile == tile && tile_used(placed.tile) == 1,
             where("a tile went back to the store where returning is over"));
    check_score("a refused return");
    s_.left(false);
    co_await wait_for_expiry(tile);
}

}  // namespace acceptance
