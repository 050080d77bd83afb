// Where a player points: the menu's items, the play screen's buttons, and
// the middle of a cell or store slot. Cells and slots come from the game's
// own geometry; the menu keeps its click boxes to itself, so their middles
// are written here once.
#pragma once

#include "game/puzzle/state.h"

namespace places {

struct Point {
    int x, y;
};

// ---------------------------------------------------------------- main menu (middles of the click boxes)

constexpr Point MENU_HIGH_SCORES{510, 566};
constexpr Point MENU_PRACTICE{510, 621};
constexpr Point MENU_START{511, 676};
constexpr Point MENU_QUIT{511, 731};

// ---------------------------------------------------------------- practice selection

constexpr Point PRACTICE_PANEL{512, 528};
constexpr Point PRACTICE_PREV{260, 530};
constexpr Point PRACTICE_NEXT{760, 530};

// ---------------------------------------------------------------- play screen

constexpr Point QUIT_BUTTON{20, 660};
constexpr Point PAUSE_BUTTON{722, 660};

// Inside store slot n (1..75): the triangle's middle, below its apex.
constexpr int SLOT_MIDDLE_X = 20, SLOT_MIDDLE_Y = 28;
inline Point slot_point(int n) { return {store_slot_x(n) + SLOT_MIDDLE_X, store_slot_y(n) + SLOT_MIDDLE_Y}; }

// The centroid of cell (x, y) in its 58 x 58 box: a third of the way up
// from the base, which is at the bottom of an up triangle and the top of a
// down one.
constexpr int CELL_MIDDLE_X = 29, CELL_UP_MIDDLE_Y = 39, CELL_DOWN_MIDDLE_Y = 19;
inline Point cell_point(int x, int y) {
    return {cell_box_x(x) + CELL_MIDDLE_X, cell_box_y(y) + (cell_is_up(x, y) ? CELL_UP_MIDDLE_Y : CELL_DOWN_MIDDLE_Y)};
}

}  // namespace places
