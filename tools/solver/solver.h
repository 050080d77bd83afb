// The level solver: fills a level's spaces with distinct catalogue tiles so
// that every corner agrees, and measures how hard that is.
#pragma once

#include <string>
#include <utility>
#include <vector>

// ---------------------------------------------------------------- shapes

// A level's cells: the first tile and the spaces, in layout order.
struct LevelShape {
    int first_x = -1, first_y = -1;
    std::vector<std::pair<int, int>> spaces;
};

// Reads a level's layout block through the data list reader.
LevelShape read_level_shape(int level);

// A lattice vertex in half-column units: x + y is always odd.
struct LatticeVertex {
    int x, y;
    bool operator==(const LatticeVertex&) const = default;
};

// The vertex at a cell's corner in a corner direction (0..5); for a
// direction the cell has no corner in, {-1000, -1000}.
LatticeVertex corner_vertex(int x, int y, int direction);

// ---------------------------------------------------------------- catalogue classes

// The catalogue index of the tile whose corners, read counter-clockwise,
// show colours a, b, c (1..6) in some rotation.
int catalogue_index_of(int a, int b, int c);

// Clockwise turns (0..5) that bring a code to the target, -1 if none does.
int clockwise_turns(const std::string& from, const std::string& to);

// ---------------------------------------------------------------- solving

// One tile of a solution: the cell, the catalogue index, the code the tile
// shows there and how many clockwise turns it takes from its store form.
struct SolvedTile {
    int x, y;
    int tile;
    std::string code;
    int turns;
};

struct SolveReport {
    bool solvable = false;
    std::vector<SolvedTile> tiles;   // one per space, in layout order
    long long conflicts = 0;         // conflicts met finding the first solution
    int solutions = 0;               // distinct solutions found, up to the cap
    bool solutions_capped = false;   // the enumeration stopped at the cap
    int vertices = 0;                // lattice vertices of the shape
    int full_vertices = 0;           // vertices shared by six cells of the shape
};

// Solves a shape; with solution_cap > 0 also counts solutions up to the cap.
SolveReport solve_shape(const LevelShape& shape, int solution_cap = 0);

// Solves a level's layout as the game holds it.
SolveReport solve_level(int level);

// A single difficulty figure from a report: grows with the tiles used, the
// vertices that six tiles must agree on and the search effort.
double difficulty_of(const LevelShape& shape, const SolveReport& report);

// Spearman's rank correlation of values with their position in the list
// (tied values share their mean rank); 0 for fewer than two values or
// values all equal.
double rank_correlation(const std::vector<double>& values);
