// The play state: the lattice, the tile catalogue, the store, the hand, the
// counters, the latches, debris and vortex, plus the player's settings that
// the rules read. One game at a time; everything here is program-wide.
//
// Invariants during play:
//  - a catalogue index i >= 1 is on the board at most once, as 100 + i;
//    index 0 is exactly once, as 100, in the first tile's cell;
//  - tile_used[held_tile] is 1 whenever held_tile is not -1;
//  - tile_used[i] is 1 for every board value 100 + i; destroyed tiles keep 1;
//  - cells of value 0 never change during a level, the cell of 100 neither.
#pragma once

#include <array>
#include <string>

#include "runtime/values/values.h"

// ---------------------------------------------------------------- lattice

constexpr int BOARD_COLUMNS = 25;
constexpr int BOARD_ROWS = 11;
constexpr int CELL_NONE = 0;       // not part of the puzzle
constexpr int CELL_EMPTY = 1;      // an empty puzzle space
constexpr int CELL_TILE = 100;     // 100 + catalogue index; 100 = first tile
constexpr int CELL_SIZE = 58;      // drawing box of a cell
// Cell (0, 0)'s box corner on the screen, and the steps between boxes:
// neighbouring triangles share an edge, so a column is half a box wide.
constexpr int BOARD_ORIGIN_X = 8;
constexpr int BOARD_ORIGIN_Y = 16;
constexpr int COLUMN_PITCH = 29;
constexpr int ROW_PITCH = 58;

// x + y even is an up triangle, odd a down triangle.
inline bool cell_is_up(int x, int y) { return ((x + y) & 1) == 0; }
inline int cell_box_x(int x) { return COLUMN_PITCH * x + BOARD_ORIGIN_X; }
inline int cell_box_y(int y) { return ROW_PITCH * y + BOARD_ORIGIN_Y; }
inline bool cell_on_board(int x, int y) { return x >= 0 && x < BOARD_COLUMNS && y >= 0 && y < BOARD_ROWS; }

// One of the five other cells at a vertex, and its corner direction there.
struct VertexNeighbour { int dx, dy, direction; };

// The five other cells at the vertex of a cell's corner, in matching order.
// corner_slot 0..2 walks the corners in match order: up 0, 2, 4; down 1, 5, 3.
const VertexNeighbour* vertex_neighbours(bool up_cell, int corner_slot);
// The corner direction matched in that slot (up 0, 2, 4; down 1, 5, 3).
int corner_direction(bool up_cell, int corner_slot);

// ---------------------------------------------------------------- tile catalogue

constexpr int CATALOGUE_SIZE = 76;   // 0 = the all-3 first tile
constexpr int STORE_SLOTS = 75;

// Up-form code of catalogue tile n (0..75), e.g. "5 2 4 ".
std::string catalogue_code(int n);

// new[i] = old[i + 1]: "5 2 4 " -> " 2 4 5".
std::string rotate_clockwise(const std::string& code);
// new[i] = old[i - 1]: "5 2 4 " -> " 5 2 4".
std::string rotate_counter_clockwise(const std::string& code);

// A code whose first character is a space is in down form.
inline bool code_is_down(const std::string& code) { return !code.empty() && code[0] == ' '; }

// Store slot n (1..75): column (n-1) div 15, row (n-1) mod 15.
inline int store_slot_x(int n) { return 49 * ((n - 1) / 15) + 780; }
inline int store_slot_y(int n) { return 48 * ((n - 1) % 15) + 45; }

// ---------------------------------------------------------------- play state

extern NumberArray board;          // 25 x 11
extern StringArray tile_codes;     // 76
extern NumberArray tile_used;      // 76

extern double held_tile;           // catalogue index in the hand, -1 = none
extern double tile_timer;          // 360 on pick-up, falls by the rate
extern double level_timer;         // frames left, 36000 at start
extern double level_bonus;         // 20000 at start
extern double score;               // never negative
extern double level;               // -1 tutorial, 0 training, 1..40
extern double practice_mode;
extern double spin_angle;          // +-20 on a turn, 4 toward 0 each frame
extern double click_latch;
extern double rotate_latch;
extern double board_cursor_x, board_cursor_y;
extern double store_cursor;
extern double mouse_x, mouse_y, mouse_left, mouse_right;

struct Debris {
    double x, y;       // screen pixels
    double angle;      // degrees; moves by speed * sin in x, speed * cos in y
    double speed;      // pixels per frame
    double colour;     // 0xBBGGRR
    double fade;       // -0.7 at spawn; drawing opacity
};
extern RecordArray<Debris> debris;

struct VortexArm {
    double trail[10];  // trail[0] the most recent
    double angle;
    double radius;     // 502 at spawn
};
extern RecordArray<VortexArm> vortex_arms;
extern double vortex_angle;
extern double vortex_colour[3];
extern double vortex_colour_target[3];

// Per-frame decrement of tile_timer at a level.
double tile_timer_rate(double level);

// ---------------------------------------------------------------- settings
// The player's switches and tile colours. The front end loads, edits and
// saves them (settings.dat), but they live here because the rules read them
// (start_level asks music_off and vortex_on) and the tests of the rules set
// the colours that tile_colour_of gives. Kept with the play state, the rules
// build and test without the front end.

extern int music_off;              // non-zero: no music
extern int vortex_on;              // 1: vortex behind the play screen
extern int colour_channels[18];    // tile colours 1..6 as red, green, blue
extern int tile_colours[6];        // packed, rebuilt from the channels
// 1: every tile shows a shape per corner digit, so matching needs no colour
// vision. Read only by the tile drawing; kept with the other switches.
extern int corner_marks;

// Blue, red, magenta, green, cyan, yellow as red, green, blue: the colours a
// first run shows, and the CLASSIC preset of the colour scheme screen.
inline constexpr std::array<int, 18> DEFAULT_COLOUR_CHANNELS = {20, 20, 200, 160, 20, 20, 200, 20, 200,
                                                                20, 160, 20, 20, 200, 200, 200, 200, 20};

// Sets the defaults (music on, vortex on, blue red magenta green cyan yellow,
// corner marks off).
void settings_defaults();
// Rebuilds tile_colours from the low bytes of colour_channels.
void rebuild_tile_colours();
// "1".."6" gives that tile colour, anything else 0.
int tile_colour_of(const std::string& digit);
// "1".."6" gives that digit as a number, anything else 0.
int colour_digit(const std::string& digit);

// Creates board, tile_codes and tile_used (main program start-up).
void create_play_arrays();
