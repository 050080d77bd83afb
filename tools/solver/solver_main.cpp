// solver: solves every level and prints its figures and difficulty.
//   solver            the table of all levels, then how the difficulty rises
//                     over the named levels
//   solver LEVEL      that level's solution, cell by cell
//   solver --count N  the table, counting solutions up to N per level
//   solver --check    reads shapes from standard input, one per line as
//                     "x y x y ... -1 -1" (first tile first), and prints
//                     "ok CONFLICTS DIFFICULTY" or "unsolvable" for each
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "tools/solver/solver.h"

namespace {

// The game's closing stretch: none of its levels should be easier than the
// hardest level before LAST_STRETCH_AFTER.
constexpr int LAST_STRETCH = 5;
constexpr int LAST_STRETCH_AFTER = 30;

// How the difficulty of levels 1..40 (entry n - 1 is level n) rises.
void print_rise(const std::vector<double>& named) {
    std::printf("rank correlation of level and difficulty, levels 1..%d: %.3f\n", LAST_LEVEL,
                rank_correlation(named));
    double ceiling = *std::max_element(named.begin(), named.begin() + LAST_STRETCH_AFTER);
    std::printf("hardest of levels 1..%d: %.1f; of the last %d levels easier than that:", LAST_STRETCH_AFTER,
                ceiling, LAST_STRETCH);
    bool any = false;
    for (int lvl = LAST_LEVEL - LAST_STRETCH + 1; lvl <= LAST_LEVEL; ++lvl)
        if (named[static_cast<size_t>(lvl - 1)] < ceiling) {
            std::printf(" %d", lvl);
            any = true;
        }
    std::printf("%s\n", any ? "" : " none");
}

void print_table(int solution_cap) {
    std::vector<double> named;
    std::printf("level first    form spaces columns rows   vertices full conflicts solutions difficulty\n");
    for (int lvl = FIRST_LEVEL; lvl <= LAST_LEVEL; ++lvl) {
        LevelShape shape = read_level_shape(lvl);
        int min_x = shape.first_x, max_x = shape.first_x, min_y = shape.first_y, max_y = shape.first_y;
        for (auto [x, y] : shape.spaces) {
            if (x < min_x) min_x = x;
            if (x > max_x) max_x = x;
            if (y < min_y) min_y = y;
            if (y > max_y) max_y = y;
        }
        SolveReport report = solve_shape(shape, solution_cap);
        if (lvl >= 1) named.push_back(report.solvable ? difficulty_of(shape, report) : 0.0);
        char first[16], columns[16], rows[16], solutions[16];
        std::snprintf(first, sizeof first, "(%d,%d)", shape.first_x, shape.first_y);
        std::snprintf(columns, sizeof columns, "%d..%d", min_x, max_x);
        std::snprintf(rows, sizeof rows, "%d..%d", min_y, max_y);
        if (solution_cap > 0)
            std::snprintf(solutions, sizeof solutions, "%s%d", report.solutions_capped ? ">=" : "", report.solutions);
        else
            std::snprintf(solutions, sizeof solutions, "-");
        std::printf("%5d %-8s %-4s %6zu %-7s %-6s %8d %4d %9lld %9s %10.1f%s\n", lvl, first,
                    cell_is_up(shape.first_x, shape.first_y) ? "up" : "down", shape.spaces.size(), columns,
                    rows, report.vertices, report.full_vertices, report.conflicts, solutions,
                    report.solvable ? difficulty_of(shape, report) : 0.0,
                    report.solvable ? "" : "  UNSOLVABLE");
        std::fflush(stdout);
    }
    print_rise(named);
}

int print_solution(int lvl) {
    LevelShape shape = read_level_shape(lvl);
    SolveReport report = solve_shape(shape);
    if (!report.solvable) {
        std::printf("level %d has no solution\n", lvl);
        return 1;
    }
    std::printf("level %d: %zu spaces, %lld conflicts\n", lvl, shape.spaces.size(), report.conflicts);
    for (const SolvedTile& t : report.tiles)
        std::printf("(%2d,%2d) tile %2d '%s' after %d clockwise turns\n", t.x, t.y, t.tile, t.code.c_str(),
                    t.turns);
    return 0;
}

int check_shapes() {
    LevelShape shape;
    int x = 0, y = 0;
    bool first = true;
    while (std::scanf("%d %d", &x, &y) == 2) {
        if (x == -1) {
            SolveReport report = solve_shape(shape);
            if (report.solvable) std::printf("ok %lld %.1f\n", report.conflicts, difficulty_of(shape, report));
            else std::printf("unsolvable\n");
            std::fflush(stdout);
            shape = LevelShape();
            first = true;
        } else if (first) {
            shape.first_x = x;
            shape.first_y = y;
            first = false;
        } else {
            shape.spaces.emplace_back(x, y);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--check") return check_shapes();
    if (argc > 2 && std::string(argv[1]) == "--count") {
        print_table(std::atoi(argv[2]));
        return 0;
    }
    if (argc > 1) {
        int lvl = std::atoi(argv[1]);
        if (lvl < FIRST_LEVEL || lvl > LAST_LEVEL) {
            std::fprintf(stderr, "usage: solver [LEVEL -1..40]\n");
            return 2;
        }
        return print_solution(lvl);
    }
    print_table(0);
    return 0;
}
