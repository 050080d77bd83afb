// Level setup, the match rule, explosions, recovery and the vortex motion.
#include "game/puzzle/rules.h"

#include <vector>

#include "game/puzzle/services.h"

namespace {

constexpr int STORE_COLUMNS = 5;
constexpr int STORE_ROWS = 15;

constexpr double TILE_TIME = 360;
constexpr double SPIN_START = 20;

constexpr double PENALTY_NEIGHBOUR = 100;
constexpr double PENALTY_HELD = 25;
constexpr double FEE_RECOVER = 250;
constexpr double FEE_RETURN = 100;

constexpr double DEBRIS_FADE = -0.7;
constexpr int DEBRIS_CENTRE = 29;

constexpr int VORTEX_WARM_UP = 511;
constexpr double VORTEX_SPAWN_RADIUS = 502;
constexpr double VORTEX_END_RADIUS = -10;
constexpr int VORTEX_TRAIL = 10;

const char* const INGAME_MUSIC = "mp3media/ingame.mp3";

// Catalogue tile 0 in the form its cell needs: one turn makes a down code.
std::string first_tile_code(bool up_cell) {
    const std::string code = catalogue_code(0);
    return up_cell ? code : rotate_clockwise(code);
}

// A burst of particles shaped and coloured like the tile, flying away from
// the centre of its box placed at (ox, oy).
void debris_burst(const std::string& code, double ox, double oy) {
    std::vector<TilePixel> pixels;
    puzzle_services().tile_pixels(code, pixels);
    for (const TilePixel& p : pixels) {
        if (p.colour == 0) continue;
        Debris d;
        d.x = ox + p.px;
        d.y = oy + p.py;
        d.angle = atan2_degrees(p.px - DEBRIS_CENTRE, p.py - DEBRIS_CENTRE);
        d.speed = whole(random_int(200)) / 100 + 4;
        d.colour = p.colour;
        d.fade = DEBRIS_FADE;
        debris.push(d);
    }
}

}  // namespace

// ---------------------------------------------------------------- levels

void load_level_layout() {
    board.dim(BOARD_COLUMNS, BOARD_ROWS);
    data_restore(level_layout(whole(level)));
    int x = whole(data_read_number());
    int y = whole(data_read_number());
    board(x, y) = CELL_TILE;
    tile_codes(0) = first_tile_code(cell_is_up(x, y));
    for (;;) {
        x = whole(data_read_number());
        y = whole(data_read_number());
        if (x == -1) break;
        board(x, y) = CELL_EMPTY;
    }
}

bool board_has_space() {
    if (board.count() == 0) return false;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x)
            if (board(x, y) == CELL_EMPTY) return true;
    return false;
}

void start_level() {
    if (music_off == 0) puzzle_services().play_music(INGAME_MUSIC);
    load_level_layout();
    for (int n = 1; n < CATALOGUE_SIZE; ++n) tile_codes(n) = catalogue_code(n);
    tile_used.dim(CATALOGUE_SIZE);
    tile_used(0) = 1;
    held_tile = -1;
    tile_timer = 0;
    level_bonus = LEVEL_BONUS;
    level_timer = LEVEL_TIME;
    spin_angle = 0;
    if (vortex_on == 1) {
        vortex_angle = 0;
        for (int counter = 0; counter < VORTEX_WARM_UP; ++counter) {
            if (counter % 3 == 0) spawn_vortex_arm();
            advance_vortex();
        }
        for (double& v : vortex_colour) v = random_int(200) + 15;
        for (double& g : vortex_colour_target) g = random_int(200) + 15;
    }
}

// ---------------------------------------------------------------- placing

void update_pointer_targets() {
    PuzzleServices& services = puzzle_services();
    services.read_mouse(mouse_x, mouse_y, mouse_left, mouse_right);
    if (click_latch == 1 && mouse_left == 0) click_latch = 0;
    if (rotate_latch == 1 && mouse_right == 0 && services.read_wheel() == 0) rotate_latch = 0;
    board_cursor_x = -1;
    board_cursor_y = -1;
    store_cursor = -1;
    // Later cells overwrite earlier ones: where masks overlap, the last cell
    // in row-major order is the target.
    for (int y = 0; y < BOARD_ROWS; ++y) {
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            if (board(x, y) <= 0) continue;
            int mask = cell_is_up(x, y) ? SPRITE_UP_TILE : SPRITE_DOWN_TILE;
            if (services.pointer_hits(mask, mouse_x, mouse_y, cell_box_x(x), cell_box_y(y))) {
                board_cursor_x = x;
                board_cursor_y = y;
            }
        }
    }
    for (int k = 0; k < STORE_COLUMNS; ++k) {
        for (int r = 0; r < STORE_ROWS; ++r) {
            int slot = STORE_ROWS * k + r + 1;
            if (services.pointer_hits(SPRITE_STORE_TILE, mouse_x, mouse_y, store_slot_x(slot), store_slot_y(slot)))
                store_cursor = slot;
        }
    }
}

void handle_play_input() {
    PuzzleServices& services = puzzle_services();
    if (mouse_left == 1 && click_latch == 0) {
        if (held_tile != -1) {
            if (board_cursor_x != -1 && board(whole(board_cursor_x), whole(board_cursor_y)) == CELL_EMPTY &&
                tile_fits() == 1) {
                board(whole(board_cursor_x), whole(board_cursor_y)) = held_tile + CELL_TILE;
                held_tile = -1;
                if (practice_mode == 0) score += whole(0.5 * tile_timer);
                tile_timer = 0;
                click_latch = 1;
                services.play_sound(SOUND_PLACE);
            }
        } else if (store_cursor != -1 && tile_used(whole(store_cursor)) == 0) {
            held_tile = store_cursor;
            tile_used(whole(store_cursor)) = 1;
            click_latch = 1;
            tile_timer = TILE_TIME;
            services.play_sound(SOUND_PICKUP);
        }
    }
    int wheel = services.read_wheel();
    if (mouse_right == 1 || wheel == -1) {
        if (held_tile != -1 && rotate_latch == 0) {
            tile_codes(whole(held_tile)) = rotate_clockwise(tile_codes(whole(held_tile)));
            spin_angle = SPIN_START;
            rotate_latch = 1;
            services.play_sound(SOUND_SPIN);
        }
    }
    if (wheel == 1) {
        if (held_tile != -1 && rotate_latch == 0) {
            tile_codes(whole(held_tile)) = rotate_counter_clockwise(tile_codes(whole(held_tile)));
            spin_angle = -SPIN_START;
            rotate_latch = 1;
            services.play_sound(SOUND_SPIN);
        }
    }
}

int tile_fits() {
    int x = whole(board_cursor_x);
    int y = whole(board_cursor_y);
    const std::string t = tile_codes(whole(held_tile));
    bool up_cell = cell_is_up(x, y);
    if (up_cell == code_is_down(t)) return 0;
    int result = 1;
    // All fifteen comparisons run; a neighbour destroyed by an earlier one
    // is an empty space for the later ones, so it is destroyed only once.
    for (int slot = 0; slot < 3; ++slot) {
        int direction = corner_direction(up_cell, slot);
        std::string d = t.substr(static_cast<size_t>(direction), 1);
        const VertexNeighbour* others = vertex_neighbours(up_cell, slot);
        for (int i = 0; i < 5; ++i) {
            int cx = x + others[i].dx;
            int cy = y + others[i].dy;
            if (corner_matches(d, cx, cy, others[i].direction) == 0) {
                explode_tile_at(cx, cy);
                result = 0;
            }
        }
    }
    if (result == 0) explode_held_tile();
    return result;
}

int corner_matches(const std::string& digit, double column, double row, int direction) {
    int x = whole(column);
    int y = whole(row);
    if (!cell_on_board(x, y)) return 1;
    double value = board(x, y);
    if (value < CELL_TILE) return 1;
    const std::string& code = tile_codes(whole(value) - CELL_TILE);
    if (direction < 0 || direction >= static_cast<int>(code.size())) return 1;
    return code.substr(static_cast<size_t>(direction), 1) == digit ? 1 : 0;
}

// ---------------------------------------------------------------- explosions

void deduct(double amount) {
    score -= amount;
    if (score < 0) score = 0;
}

void explode_tile_at(double column, double row) {
    int x = whole(column);
    int y = whole(row);
    if (!cell_on_board(x, y)) return;
    double value = board(x, y);
    if (value <= CELL_TILE) return;
    debris_burst(tile_codes(whole(value) - CELL_TILE), cell_box_x(x), cell_box_y(y));
    board(x, y) = CELL_EMPTY;
    deduct(PENALTY_NEIGHBOUR);
}

void explode_held_tile() {
    if (held_tile < 0) return;
    puzzle_services().play_sound(SOUND_EXPLOSION);
    debris_burst(tile_codes(whole(held_tile)), mouse_x - DEBRIS_CENTRE, mouse_y - DEBRIS_CENTRE);
    held_tile = -1;
    spin_angle = 0;
    tile_timer = 0;
    deduct(PENALTY_HELD);
}

void tick_tile_timer() {
    if (held_tile <= -1) return;
    tile_timer -= tile_timer_rate(level);
    if (tile_timer < 0) {
        tile_timer = 0;
        explode_held_tile();
    }
}

bool recovering_allowed(double lvl) { return lvl < 4; }
bool returning_allowed(double lvl) { return lvl < 7; }

void handle_recover_return() {
    if (mouse_left != 1 || click_latch != 0) return;
    PuzzleServices& services = puzzle_services();
    if (held_tile == -1 && board_cursor_x != -1 && recovering_allowed(level)) {
        int x = whole(board_cursor_x);
        int y = whole(board_cursor_y);
        if (board(x, y) > CELL_TILE) {
            held_tile = board(x, y) - CELL_TILE;
            board(x, y) = CELL_EMPTY;
            click_latch = 1;
            tile_timer = TILE_TIME;
            services.play_sound(SOUND_PICKUP);
            deduct(FEE_RECOVER);
        }
    }
    if (held_tile != -1 && store_cursor != -1 && returning_allowed(level) &&
        tile_used(whole(store_cursor)) == 1) {
        int h = whole(held_tile);
        int s = whole(store_cursor);
        std::string t = tile_codes(h);
        if (code_is_down(t)) t = rotate_clockwise(t);
        if (s == h) {
            tile_codes(h) = t;
        } else {
            // The tile that owned slot s takes over index h; the returned
            // tile becomes tile s.
            tile_codes(h) = tile_codes(s);
            tile_codes(s) = t;
            for (int y = 0; y < BOARD_ROWS; ++y)
                for (int x = 0; x < BOARD_COLUMNS; ++x)
                    if (board(x, y) == s + CELL_TILE) board(x, y) = h + CELL_TILE;
        }
        tile_used(s) = 0;
        tile_timer = 0;
        held_tile = -1;
        services.play_sound(SOUND_PLACE);
        click_latch = 1;
        deduct(FEE_RETURN);
    }
}

// ---------------------------------------------------------------- vortex

void spawn_vortex_arm() {
    VortexArm arm;
    double a = random_int(359);
    for (double& t : arm.trail) t = a;
    arm.angle = a;
    arm.radius = VORTEX_SPAWN_RADIUS;
    vortex_arms.push(arm);
}

void advance_vortex() {
    double s = 5 * cos_degrees(vortex_angle);
    if (s > 1) s = 1;
    if (s < -1) s = -1;
    vortex_arms.remove_where([s](VortexArm& arm) {
        for (int k = VORTEX_TRAIL - 1; k > 0; --k) arm.trail[k] = arm.trail[k - 1];
        arm.trail[0] = arm.angle;
        arm.angle += s;
        if (arm.angle > 360) arm.angle -= 360;
        arm.radius -= 1;
        return arm.radius < VORTEX_END_RADIUS;
    });
    for (int c = 0; c < 3; ++c) {
        double& v = vortex_colour[c];
        double& g = vortex_colour_target[c];
        if (g > v) v += 1;
        if (v > g) v -= 1;
        if (v == g) g = random_int(200) + 15;
    }
}
