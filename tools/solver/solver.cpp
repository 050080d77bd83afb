// Level solver over CaDiCaL: one-hot vertex colours, each space's three
// corner colours name its catalogue tile, each tile used at most once.
#include "tools/solver/solver.h"

#include <cadical.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"

namespace {

constexpr int COLOURS = 6;
constexpr int FIRST_TILE_COLOUR = 3;
constexpr LatticeVertex NO_VERTEX = {-1000, -1000};

// Counter-clockwise corner directions of each cell form.
constexpr int UP_DIRECTIONS[3] = {0, 2, 4};
constexpr int DOWN_DIRECTIONS[3] = {1, 3, 5};

// Colour triple (a, b, c) as one number 0..215.
int triple_key(int a, int b, int c) { return ((a - 1) * COLOURS + (b - 1)) * COLOURS + (c - 1); }

const std::vector<int>& triple_classes() {
    static const std::vector<int> classes = [] {
        std::vector<int> table(COLOURS * COLOURS * COLOURS, -1);
        for (int n = 0; n < CATALOGUE_SIZE; ++n) {
            std::string code = catalogue_code(n);
            int p = code[0] - '0', q = code[2] - '0', r = code[4] - '0';
            table[static_cast<size_t>(triple_key(p, q, r))] = n;
            table[static_cast<size_t>(triple_key(q, r, p))] = n;
            table[static_cast<size_t>(triple_key(r, p, q))] = n;
        }
        return table;
    }();
    return classes;
}

// Counts learned clauses, one per conflict.
class ConflictCounter final : public CaDiCaL::Learner {
public:
    long long conflicts = 0;
    bool learning(int) override { ++conflicts; return false; }
    void learn(int) override {}
};

struct Encoding {
    std::map<std::pair<int, int>, int> vertex_ids;
    std::vector<LatticeVertex> vertices;
    int next_var = 1;

    int vertex_id(LatticeVertex v) {
        auto key = std::make_pair(v.x, v.y);
        auto it = vertex_ids.find(key);
        if (it != vertex_ids.end()) return it->second;
        int id = static_cast<int>(vertices.size());
        vertex_ids.emplace(key, id);
        vertices.push_back(v);
        return id;
    }
    // Variable "vertex id has colour k" (k = 1..6).
    static int colour_var(int id, int k) { return 1 + id * COLOURS + (k - 1); }
};

void add_clause(CaDiCaL::Solver& solver, std::initializer_list<int> lits) {
    for (int l : lits) solver.add(l);
    solver.add(0);
}

std::vector<int> cell_vertex_ids(Encoding& enc, int x, int y) {
    const int* dirs = cell_is_up(x, y) ? UP_DIRECTIONS : DOWN_DIRECTIONS;
    std::vector<int> ids;
    for (int i = 0; i < 3; ++i) ids.push_back(enc.vertex_id(corner_vertex(x, y, dirs[i])));
    return ids;
}

}  // namespace

// ---------------------------------------------------------------- shapes

LevelShape read_level_shape(int lvl) {
    LevelShape shape;
    data_restore(level_layout(lvl));
    shape.first_x = static_cast<int>(data_read_number());
    shape.first_y = static_cast<int>(data_read_number());
    for (;;) {
        int x = static_cast<int>(data_read_number());
        int y = static_cast<int>(data_read_number());
        if (x == -1) break;
        shape.spaces.emplace_back(x, y);
    }
    return shape;
}

// Corners from the drawing box: an up cell's apex is half a box right of its
// left edge, its base the row below; a down cell the other way up. Columns
// are half a box apart, so half-box units make every vertex whole.
LatticeVertex corner_vertex(int x, int y, int direction) {
    if (cell_is_up(x, y)) {
        switch (direction) {
            case 0: return {x + 1, y};
            case 2: return {x, y + 1};
            case 4: return {x + 2, y + 1};
            default: return NO_VERTEX;
        }
    }
    switch (direction) {
        case 1: return {x, y};
        case 3: return {x + 1, y + 1};
        case 5: return {x + 2, y};
        default: return NO_VERTEX;
    }
}

// ---------------------------------------------------------------- catalogue classes

int catalogue_index_of(int a, int b, int c) {
    if (a < 1 || a > COLOURS || b < 1 || b > COLOURS || c < 1 || c > COLOURS) return -1;
    return triple_classes()[static_cast<size_t>(triple_key(a, b, c))];
}

int clockwise_turns(const std::string& from, const std::string& to) {
    std::string code = from;
    for (int k = 0; k < 6; ++k) {
        if (code == to) return k;
        code = rotate_clockwise(code);
    }
    return -1;
}

// ---------------------------------------------------------------- solving

SolveReport solve_shape(const LevelShape& shape, int solution_cap) {
    SolveReport report;
    // More spaces than store tiles can never be filled; saying so here
    // spares the search a pigeonhole proof.
    if (shape.spaces.size() > static_cast<size_t>(STORE_SLOTS)) return report;
    Encoding enc;
    CaDiCaL::Solver solver;
    solver.set("quiet", 1);
    ConflictCounter counter;

    std::vector<std::vector<int>> space_vertices;
    std::vector<int> first_vertices = cell_vertex_ids(enc, shape.first_x, shape.first_y);
    for (auto [x, y] : shape.spaces) space_vertices.push_back(cell_vertex_ids(enc, x, y));
    int vertex_count = static_cast<int>(enc.vertices.size());
    enc.next_var = 1 + vertex_count * COLOURS;

    // Exactly one colour per vertex.
    for (int v = 0; v < vertex_count; ++v) {
        for (int k = 1; k <= COLOURS; ++k) solver.add(Encoding::colour_var(v, k));
        solver.add(0);
        for (int k = 1; k <= COLOURS; ++k)
            for (int j = k + 1; j <= COLOURS; ++j)
                add_clause(solver, {-Encoding::colour_var(v, k), -Encoding::colour_var(v, j)});
    }
    for (int v : first_vertices) add_clause(solver, {Encoding::colour_var(v, FIRST_TILE_COLOUR)});

    // uses[s][n]: space s holds catalogue tile n. The corner colours force it.
    size_t space_count = shape.spaces.size();
    std::vector<std::vector<int>> uses(space_count, std::vector<int>(CATALOGUE_SIZE, 0));
    for (size_t s = 0; s < space_count; ++s) {
        for (int n = 1; n < CATALOGUE_SIZE; ++n) uses[s][static_cast<size_t>(n)] = enc.next_var++;
        const std::vector<int>& vs = space_vertices[s];
        for (int a = 1; a <= COLOURS; ++a)
            for (int b = 1; b <= COLOURS; ++b)
                for (int c = 1; c <= COLOURS; ++c) {
                    int n = catalogue_index_of(a, b, c);
                    int ca = -Encoding::colour_var(vs[0], a);
                    int cb = -Encoding::colour_var(vs[1], b);
                    int cc = -Encoding::colour_var(vs[2], c);
                    if (n == 0) add_clause(solver, {ca, cb, cc});   // the first tile is taken
                    else add_clause(solver, {ca, cb, cc, uses[s][static_cast<size_t>(n)]});
                }
    }
    // Each tile at most once (sequential counter).
    for (int n = 1; n < CATALOGUE_SIZE; ++n) {
        int previous = 0;
        for (size_t s = 0; s < space_count; ++s) {
            int x = uses[s][static_cast<size_t>(n)];
            int seen = enc.next_var++;
            add_clause(solver, {-x, seen});
            if (previous != 0) {
                add_clause(solver, {-previous, seen});
                add_clause(solver, {-x, -previous});
            }
            previous = seen;
        }
    }

    report.vertices = vertex_count;
    std::vector<int> cells_at(static_cast<size_t>(vertex_count), 0);
    for (int v : first_vertices) ++cells_at[static_cast<size_t>(v)];
    for (const auto& vs : space_vertices)
        for (int v : vs) ++cells_at[static_cast<size_t>(v)];
    for (int c : cells_at)
        if (c == 6) ++report.full_vertices;

    solver.connect_learner(&counter);
    int status = solver.solve();
    solver.disconnect_learner();
    report.conflicts = counter.conflicts;
    if (status != 10) return report;
    report.solvable = true;

    auto vertex_colour = [&](int v) {
        for (int k = 1; k <= COLOURS; ++k)
            if (solver.val(Encoding::colour_var(v, k)) > 0) return k;
        return 0;
    };
    for (size_t s = 0; s < space_count; ++s) {
        auto [x, y] = shape.spaces[s];
        const std::vector<int>& vs = space_vertices[s];
        int a = vertex_colour(vs[0]), b = vertex_colour(vs[1]), c = vertex_colour(vs[2]);
        SolvedTile tile;
        tile.x = x;
        tile.y = y;
        tile.tile = catalogue_index_of(a, b, c);
        std::string code = "      ";
        const int* dirs = cell_is_up(x, y) ? UP_DIRECTIONS : DOWN_DIRECTIONS;
        code[static_cast<size_t>(dirs[0])] = static_cast<char>('0' + a);
        code[static_cast<size_t>(dirs[1])] = static_cast<char>('0' + b);
        code[static_cast<size_t>(dirs[2])] = static_cast<char>('0' + c);
        tile.code = code;
        tile.turns = clockwise_turns(catalogue_code(tile.tile), code);
        report.tiles.push_back(tile);
    }

    // Count solutions by blocking each vertex colouring found.
    if (solution_cap > 0) {
        report.solutions = 1;
        while (report.solutions < solution_cap) {
            std::vector<int> colours(static_cast<size_t>(vertex_count));
            for (int v = 0; v < vertex_count; ++v) colours[static_cast<size_t>(v)] = vertex_colour(v);
            for (int v = 0; v < vertex_count; ++v)
                solver.add(-Encoding::colour_var(v, colours[static_cast<size_t>(v)]));
            solver.add(0);
            if (solver.solve() != 10) break;
            ++report.solutions;
        }
        report.solutions_capped = report.solutions >= solution_cap;
    }
    return report;
}

SolveReport solve_level(int lvl) { return solve_shape(read_level_shape(lvl)); }

double difficulty_of(const LevelShape& shape, const SolveReport& report) {
    double spaces = static_cast<double>(shape.spaces.size());
    double effort = std::log10(1.0 + static_cast<double>(report.conflicts));
    double freedom = report.solutions > 0 ? std::log10(static_cast<double>(report.solutions)) : 0;
    return spaces + 2.0 * report.full_vertices + 5.0 * effort - 2.0 * freedom;
}

namespace {

std::vector<double> mean_ranks(const std::vector<double>& values) {
    std::vector<size_t> order(values.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return values[a] < values[b]; });
    std::vector<double> ranks(values.size());
    for (size_t i = 0; i < order.size();) {
        size_t j = i;
        while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]]) ++j;
        for (size_t k = i; k <= j; ++k) ranks[order[k]] = static_cast<double>(i + j) / 2.0;
        i = j + 1;
    }
    return ranks;
}

}  // namespace

double rank_correlation(const std::vector<double>& values) {
    size_t n = values.size();
    if (n < 2) return 0;
    std::vector<double> position(n);
    std::iota(position.begin(), position.end(), 0.0);
    std::vector<double> ranks = mean_ranks(values);
    double mean = static_cast<double>(n - 1) / 2.0;
    double cov = 0, var_position = 0, var_rank = 0;
    for (size_t i = 0; i < n; ++i) {
        cov += (position[i] - mean) * (ranks[i] - mean);
        var_position += (position[i] - mean) * (position[i] - mean);
        var_rank += (ranks[i] - mean) * (ranks[i] - mean);
    }
    if (var_rank == 0) return 0;
    return cov / std::sqrt(var_position * var_rank);
}
