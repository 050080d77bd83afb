// Level setup, placing and matching, explosions, recovery, the vortex motion.
#pragma once

#include <string>

#include "game/puzzle/state.h"

// ---------------------------------------------------------------- levels

constexpr int FIRST_LEVEL = -1;      // the tutorial puzzle
constexpr int LAST_LEVEL = 40;
constexpr double LEVEL_TIME = 36000;
constexpr double LEVEL_BONUS = 20000;

// The layout block of a level (-1..40): pairs (x, y), first the first tile,
// then the spaces, ended by (-1, -1).
DataList level_layout(int level);

// Rebuilds board and tile_codes[0] from the current level's layout.
void load_level_layout();

// Music, layout, codes, store, counters, vortex warm-up.
void start_level();

// Whether any cell of the board is still an empty space; false before a
// board has been laid out. A level is complete when none is left.
bool board_has_space();

// ---------------------------------------------------------------- placing

void update_pointer_targets();
void handle_play_input();
int tile_fits();
int corner_matches(const std::string& digit, double column, double row, int direction);

// ---------------------------------------------------------------- explosions

void explode_tile_at(double column, double row);
void explode_held_tile();
void handle_recover_return();
// Per-frame tile timer of the frame loop: falls by the rate, explodes below 0.
void tick_tile_timer();
// Takes amount from score, never below 0.
void deduct(double amount);

// ---------------------------------------------------------------- vortex

void spawn_vortex_arm();
void advance_vortex();

// ---------------------------------------------------------------- level gates

// Recovering placed tiles is allowed below level 4.
bool recovering_allowed(double level);
// Returning held tiles is allowed below level 7 (the frame loop runs
// handle_recover_return only then; the handler checks it as well).
bool returning_allowed(double level);
