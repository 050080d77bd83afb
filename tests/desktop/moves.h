// Moves a player makes on a fresh level: where to point for a store slot or
// a space, and which tile, turned how, fits or clashes beside the first tile.
#pragma once

#include "tests/support/places.h"

namespace desktop {

using places::Point;
// Inside store slot n (1..75) and inside the space of cell (x, y).
inline Point store_point(int n) { return places::slot_point(n); }
using places::cell_point;

struct Drop {
    int tile = -1;       // store slot and catalogue index
    int turns = 0;       // clockwise turns from the form the store shows
    int x = -1, y = -1;  // the space
};

// A tile of the store, its turns and an empty space beside the first tile
// where it fits (fits) or, in the right form, clashes with it (!fits).
Drop drop_beside_first_tile(bool fits);

}  // namespace desktop
