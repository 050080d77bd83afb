// The play state, the tile catalogue, the lattice tables and the settings.
#include "game/puzzle/state.h"

#include <array>

// ---------------------------------------------------------------- play state

NumberArray board;
StringArray tile_codes;
NumberArray tile_used;

double held_tile = -1;
double tile_timer = 0;
double level_timer = 0;
double level_bonus = 0;
double score = 0;
double level = 0;
double practice_mode = 0;
double spin_angle = 0;
double click_latch = 0;
double rotate_latch = 0;
double board_cursor_x = -1, board_cursor_y = -1;
double store_cursor = -1;
double mouse_x = 0, mouse_y = 0, mouse_left = 0, mouse_right = 0;

RecordArray<Debris> debris;
RecordArray<VortexArm> vortex_arms;
double vortex_angle = 0;
double vortex_colour[3] = {15, 15, 15};
double vortex_colour_target[3] = {15, 15, 15};

// ---------------------------------------------------------------- lattice

namespace {

// Five other cells of each corner's vertex, in the order the match rule walks
// them. Rows: up corners 0, 2, 4 then down corners 1, 5, 3.
constexpr VertexNeighbour VERTEX_TABLE[2][3][5] = {
    {   // up cell
        {{-1, 0, 5}, {1, 0, 1}, {-1, -1, 4}, {0, -1, 3}, {1, -1, 2}},    // top
        {{-2, 0, 4}, {-1, 0, 3}, {-2, 1, 5}, {-1, 1, 0}, {0, 1, 1}},     // lower left
        {{1, 0, 3}, {2, 0, 2}, {2, 1, 1}, {1, 1, 0}, {0, 1, 5}},         // lower right
    },
    {   // down cell
        {{-1, 0, 0}, {-2, 0, 5}, {-2, -1, 4}, {-1, -1, 3}, {0, -1, 2}},  // upper left
        {{0, -1, 4}, {1, -1, 3}, {2, -1, 2}, {2, 0, 1}, {1, 0, 0}},      // upper right
        {{1, 0, 2}, {-1, 0, 4}, {-1, 1, 5}, {0, 1, 0}, {1, 1, 1}},       // bottom
    },
};

constexpr int CORNER_DIRECTIONS[2][3] = {{0, 2, 4}, {1, 5, 3}};

}  // namespace

const VertexNeighbour* vertex_neighbours(bool up_cell, int corner_slot) {
    return VERTEX_TABLE[up_cell ? 0 : 1][corner_slot];
}

int corner_direction(bool up_cell, int corner_slot) {
    return CORNER_DIRECTIONS[up_cell ? 0 : 1][corner_slot];
}

// ---------------------------------------------------------------- tile catalogue

namespace {

// The colours in the order the catalogue is generated from.
constexpr int CATALOGUE_COLOUR_ORDER[6] = {5, 2, 1, 6, 4, 3};

std::string up_code(int top, int lower_left, int lower_right) {
    std::string code = "      ";
    code[0] = static_cast<char>('0' + top);
    code[2] = static_cast<char>('0' + lower_left);
    code[4] = static_cast<char>('0' + lower_right);
    return code;
}

// For each colour k in turn: (k,k,k), then (k,a,k) for the colours a after
// k, then (k,a,b) for b after k (outer) and a after k (inner). The very last
// triple, (3,3,3), is the first tile and takes index 0.
std::array<std::string, CATALOGUE_SIZE> build_catalogue() {
    std::array<std::string, CATALOGUE_SIZE> codes;
    int next = 1;
    for (int ki = 0; ki < 6; ++ki) {
        int k = CATALOGUE_COLOUR_ORDER[ki];
        if (ki == 5) { codes[0] = up_code(k, k, k); break; }
        codes[next++] = up_code(k, k, k);
        for (int ai = ki + 1; ai < 6; ++ai) codes[next++] = up_code(k, CATALOGUE_COLOUR_ORDER[ai], k);
        for (int bi = ki + 1; bi < 6; ++bi)
            for (int ai = ki + 1; ai < 6; ++ai)
                codes[next++] = up_code(k, CATALOGUE_COLOUR_ORDER[ai], CATALOGUE_COLOUR_ORDER[bi]);
    }
    return codes;
}

const std::array<std::string, CATALOGUE_SIZE>& catalogue() {
    static const std::array<std::string, CATALOGUE_SIZE> codes = build_catalogue();
    return codes;
}

}  // namespace

std::string catalogue_code(int n) {
    if (n < 0 || n >= CATALOGUE_SIZE) return std::string();
    return catalogue()[static_cast<size_t>(n)];
}

std::string rotate_clockwise(const std::string& code) {
    if (code.empty()) return code;
    return code.substr(1) + code[0];
}

std::string rotate_counter_clockwise(const std::string& code) {
    if (code.empty()) return code;
    return code.back() + code.substr(0, code.size() - 1);
}

double tile_timer_rate(double lvl) {
    if (lvl >= 0 && lvl <= 4) return 0.4;
    return lvl / 20 + 0.6;
}

// ---------------------------------------------------------------- settings

int music_off = 0;
int vortex_on = 1;
int colour_channels[18];
int tile_colours[6];
int corner_marks = 0;

namespace {

// The defaults are in place before main, so a tile can be coloured before
// the settings are read.
struct DefaultSettings {
    DefaultSettings() { settings_defaults(); }
};
const DefaultSettings default_settings;

}  // namespace

void settings_defaults() {
    music_off = 0;
    vortex_on = 1;
    corner_marks = 0;
    for (int i = 0; i < 18; ++i) colour_channels[i] = DEFAULT_COLOUR_CHANNELS[static_cast<size_t>(i)];
    rebuild_tile_colours();
}

void rebuild_tile_colours() {
    for (int c = 0; c < 6; ++c) {
        int r = colour_channels[3 * c] & 0xFF;
        int g = colour_channels[3 * c + 1] & 0xFF;
        int b = colour_channels[3 * c + 2] & 0xFF;
        tile_colours[c] = r + 256 * g + 65536 * b;
    }
}

int colour_digit(const std::string& digit) {
    if (digit.size() != 1 || digit[0] < '1' || digit[0] > '6') return 0;
    return digit[0] - '0';
}

int tile_colour_of(const std::string& digit) {
    int n = colour_digit(digit);
    return n == 0 ? 0 : tile_colours[n - 1];
}

void create_play_arrays() {
    board.dim(BOARD_COLUMNS, BOARD_ROWS);
    tile_codes.dim(CATALOGUE_SIZE);
    tile_used.dim(CATALOGUE_SIZE);
}
