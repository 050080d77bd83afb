// The rules as a player reads them, kept apart from the game's own code.
#include "tests/acceptance/model.h"

#include <cmath>

namespace acceptance {

namespace {

// ---------------------------------------------------------------- catalogue

// Colours in the order the catalogue walks them; the all-3 tile comes last
// and is index 0.
constexpr int COLOUR_ORDER[] = {5, 2, 1, 6, 4, 3};
constexpr int COLOURS = 6;
constexpr int CATALOGUE = 76;

std::vector<std::string> build_catalogue() {
    std::vector<std::string> walk;
    auto up = [](int p, int q, int r) {
        return std::string{char('0' + p), ' ', char('0' + q), ' ', char('0' + r), ' '};
    };
    for (int i = 0; i < COLOURS; i++) {
        int k = COLOUR_ORDER[i];
        walk.push_back(up(k, k, k));
        for (int a = i + 1; a < COLOURS; a++) walk.push_back(up(k, COLOUR_ORDER[a], k));
        for (int b = i + 1; b < COLOURS; b++)
            for (int a = i + 1; a < COLOURS; a++) walk.push_back(up(k, COLOUR_ORDER[a], COLOUR_ORDER[b]));
    }
    // The walk ends with the all-3 tile, which is index 0.
    std::vector<std::string> catalogue(CATALOGUE);
    catalogue[0] = walk.back();
    for (int n = 1; n < CATALOGUE; n++) catalogue[static_cast<size_t>(n)] = walk[static_cast<size_t>(n - 1)];
    return catalogue;
}

// ---------------------------------------------------------------- lattice

struct Touch { int dx, dy, direction; };
struct Corner { int direction; Touch others[5]; };

// For each corner of a cell, the five other cells at that vertex and the
// corner they touch it with, in the order the match examines them.
constexpr Corner UP_CORNERS[3] = {
    {0, {{-1, 0, 5}, {1, 0, 1}, {-1, -1, 4}, {0, -1, 3}, {1, -1, 2}}},
    {2, {{-2, 0, 4}, {-1, 0, 3}, {-2, 1, 5}, {-1, 1, 0}, {0, 1, 1}}},
    {4, {{1, 0, 3}, {2, 0, 2}, {2, 1, 1}, {1, 1, 0}, {0, 1, 5}}},
};
constexpr Corner DOWN_CORNERS[3] = {
    {1, {{-1, 0, 0}, {-2, 0, 5}, {-2, -1, 4}, {-1, -1, 3}, {0, -1, 2}}},
    {5, {{0, -1, 4}, {1, -1, 3}, {2, -1, 2}, {2, 0, 1}, {1, 0, 0}}},
    {3, {{1, 0, 2}, {-1, 0, 4}, {-1, 1, 5}, {0, 1, 0}, {1, 1, 1}}},
};

constexpr double START_COUNTDOWN = 360;
constexpr double START_BONUS = 20000;
constexpr double NEIGHBOUR_PENALTY = 100;
constexpr double HELD_PENALTY = 25;
constexpr double RECOVER_FEE = 250;
constexpr double RETURN_FEE = 100;

}  // namespace

// ---------------------------------------------------------------- tiles

std::string tile_code(int n) {
    static const std::vector<std::string> catalogue = build_catalogue();
    return catalogue.at(static_cast<size_t>(n));
}

std::string turned_clockwise(const std::string& code) { return code.substr(1) + code[0]; }

std::string turned_counter_clockwise(const std::string& code) {
    return code.back() + code.substr(0, code.size() - 1);
}

bool is_down_form(const std::string& code) { return !code.empty() && code[0] == ' '; }

int clockwise_turns_between(const std::string& from, const std::string& to) {
    std::string c = from;
    for (int turns = 0; turns < 6; turns++) {
        if (c == to) return turns;
        c = turned_clockwise(c);
    }
    return -1;
}

// ---------------------------------------------------------------- screen places

bool up_cell(int x, int y) { return (x + y) % 2 == 0; }

Point cell_centroid(int x, int y) {
    // Up triangles have their base at the bottom of the 58-pixel box, down
    // triangles at the top; the centroid lies a third of the way from the base.
    return {29 * x + 8 + 29, 58 * y + 16 + (up_cell(x, y) ? 39 : 19)};
}

Point slot_centroid(int n) {
    int column = (n - 1) / 15, row = (n - 1) % 15;
    return {49 * column + 780 + 21, 48 * row + 45 + 28};
}

// ---------------------------------------------------------------- board

void BoardModel::reset(const Cell& first, const std::vector<Cell>& spaces) {
    spaces_ = std::set<Cell>(spaces.begin(), spaces.end());
    tiles_.clear();
    first_ = first;
    tiles_[first] = up_cell(first.first, first.second) ? tile_code(0) : turned_clockwise(tile_code(0));
}

std::string BoardModel::code_at(const Cell& c) const {
    auto it = tiles_.find(c);
    return it == tiles_.end() ? std::string() : it->second;
}

bool BoardModel::is_space(const Cell& c) const { return spaces_.count(c) != 0; }

bool BoardModel::occupied(const Cell& c) const { return tiles_.count(c) != 0; }

bool BoardModel::form_fits(const Cell& c, const std::string& code) const {
    return up_cell(c.first, c.second) != is_down_form(code);
}

std::vector<Cell> BoardModel::conflicts(const Cell& c, const std::string& code) const {
    std::vector<Cell> found;
    std::map<Cell, std::string> tiles = tiles_;
    const Corner* corners = up_cell(c.first, c.second) ? UP_CORNERS : DOWN_CORNERS;
    for (int k = 0; k < 3; k++) {
        char mine = code[static_cast<size_t>(corners[k].direction)];
        for (const Touch& t : corners[k].others) {
            Cell other{c.first + t.dx, c.second + t.dy};
            auto it = tiles.find(other);
            if (it == tiles.end()) continue;
            if (it->second[static_cast<size_t>(t.direction)] == mine) continue;
            found.push_back(other);
            // A destroyed neighbour is an empty space for the later corners;
            // the first tile stays and may conflict again without counting twice.
            if (other != first_) tiles.erase(it);
        }
    }
    std::vector<Cell> unique;
    for (const Cell& f : found) {
        bool seen = false;
        for (const Cell& u : unique) seen = seen || u == f;
        if (!seen) unique.push_back(f);
    }
    return unique;
}

void BoardModel::place(const Cell& c, const std::string& code) { tiles_[c] = code; }

void BoardModel::clear(const Cell& c) {
    if (c != first_) tiles_.erase(c);
}

bool BoardModel::touches_tile(const Cell& c) const {
    const Corner* corners = up_cell(c.first, c.second) ? UP_CORNERS : DOWN_CORNERS;
    for (int k = 0; k < 3; k++)
        for (const Touch& t : corners[k].others)
            if (occupied({c.first + t.dx, c.second + t.dy})) return true;
    return false;
}

std::vector<Cell> BoardModel::edge_neighbours(const Cell& c) const {
    int x = c.first, y = c.second;
    return {{x - 1, y}, {x + 1, y}, {x, up_cell(x, y) ? y + 1 : y - 1}};
}

// ---------------------------------------------------------------- score

void ScoreTally::start_level(int level, long first_pass) {
    level_ = level;
    first_pass_ = first_pass;
}

double ScoreTally::tile_rate(int level) {
    if (level >= 0 && level <= 4) return 0.4;
    return level / 20.0 + 0.6;
}

double ScoreTally::countdown_after(int level, long passes) {
    double t = START_COUNTDOWN;
    const double rate = tile_rate(level);
    for (long i = 0; i < passes; i++) t -= rate;
    return t;
}

long ScoreTally::expiry_pass(int level, long pick_pass) {
    double t = START_COUNTDOWN;
    const double rate = tile_rate(level);
    long n = 0;
    while (t >= 0) {
        t -= rate;
        n++;
    }
    return pick_pass + n;
}

void ScoreTally::placed(long pick_pass, long place_pass) {
    double t = countdown_after(level_, place_pass - pick_pass);
    double points = std::trunc(0.5 * t);
    score_ += points;
    last_event_ = "placement held " + std::to_string(place_pass - pick_pass) + " frames: +" +
                  std::to_string(static_cast<long>(points));
}

void ScoreTally::deduct(double amount) { score_ = score_ < amount ? 0 : score_ - amount; }

void ScoreTally::neighbours_exploded(int count) {
    for (int i = 0; i < count; i++) deduct(NEIGHBOUR_PENALTY);
    last_event_ = std::to_string(count) + " neighbours exploded";
}

void ScoreTally::held_exploded() {
    deduct(HELD_PENALTY);
    last_event_ = "held tile exploded";
}

void ScoreTally::recovered() {
    deduct(RECOVER_FEE);
    last_event_ = "tile recovered";
}

void ScoreTally::returned() {
    deduct(RETURN_FEE);
    last_event_ = "tile returned";
}

double ScoreTally::bonus_at_completion(long last_pass) const {
    double counted = static_cast<double>(last_pass - first_pass_ + 1);
    return counted >= START_BONUS ? 0 : START_BONUS - counted;
}

void ScoreTally::level_completed(long last_pass) {
    last_bonus_ = bonus_at_completion(last_pass);
    score_ += last_bonus_;
    last_event_ = "level bonus +" + std::to_string(static_cast<long>(last_bonus_));
}

}  // namespace acceptance
