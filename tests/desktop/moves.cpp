#include "tests/desktop/moves.h"

#include <string>

#include "game/puzzle/state.h"

namespace desktop {

namespace {

int whole(double v) { return static_cast<int>(v); }

// Corner directions of the space that touch the first tile, with the colour
// the first tile shows there; false when it touches none.
bool first_tile_demands(int x, int y, int fx, int fy, std::string& wanted) {
    wanted = "      ";
    bool any = false;
    const bool up = cell_is_up(x, y);
    for (int slot = 0; slot < 3; ++slot) {
        const int direction = corner_direction(up, slot);
        const VertexNeighbour* others = vertex_neighbours(up, slot);
        for (int i = 0; i < 5; ++i) {
            if (x + others[i].dx != fx || y + others[i].dy != fy) continue;
            wanted[size_t(direction)] = tile_codes(0)[size_t(others[i].direction)];
            any = true;
        }
    }
    return any;
}

}  // namespace


Drop drop_beside_first_tile(bool fits) {
    int fx = -1, fy = -1;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x)
            if (whole(board(x, y)) == CELL_TILE) fx = x, fy = y;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            std::string wanted;
            if (whole(board(x, y)) != CELL_EMPTY || !first_tile_demands(x, y, fx, fy, wanted)) continue;
            for (int n = 1; n <= STORE_SLOTS; ++n) {
                if (tile_used(n) != 0) continue;
                std::string code = tile_codes(n);
                for (int turns = 0; turns < 6; ++turns, code = rotate_clockwise(code)) {
                    if (code_is_down(code) == cell_is_up(x, y)) continue;
                    bool all = true;
                    for (size_t d = 0; d < 6; ++d)
                        if (wanted[d] != ' ' && code[d] != wanted[d]) all = false;
                    if (all == fits) return {n, turns, x, y};
                }
            }
        }
    return {};
}

}  // namespace desktop
