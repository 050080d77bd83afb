// The game's own work per frame: the frame loop without drawing and
// presenting, over fake services, on a full board. Counted in instructions
// under callgrind (a child run) and timed natively.
#include "tools/gamebench/bench.h"

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"
#include "tools/gamebench/stats.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int WORK_LEVEL = 39;
constexpr int LEFT_EMPTY = 2;               // the board is full but for these
constexpr long long INSTRUCTION_TARGET = 100000;
constexpr int MASK_SIZE = 58;
constexpr int STORE_MASK_W = 46, STORE_MASK_H = 45;
constexpr long CYCLE = 60;                  // frames of one take-turn-drop round
constexpr long PICK_PHASE = 0, TURN_PHASE = 12, DROP_PHASE = 30;
constexpr long REFILL_EVERY = 600;          // the board is made full again
constexpr int UP_INSIDE_Y = 40, DOWN_INSIDE_Y = 18;
constexpr int TILE_BOX = 61, TILE_STEP = 3;
constexpr double SPIN_STEP = 4;            // degrees the drawing turns the held tile per frame

// Services without a window: pointer hits against triangle masks held as
// bit tables (as the sprite test reads the mask's pixels), scripted mouse.
class FakeServices : public PuzzleServices {
public:
    FakeServices() {
        for (int y = 0; y < MASK_SIZE; ++y)
            for (int x = 0; x < MASK_SIZE; ++x) {
                // Up triangle: apex at the top middle; down: the mirror.
                const double half = (MASK_SIZE / 2.0) * (static_cast<double>(y) / MASK_SIZE);
                up_[y][x] = std::abs(x - MASK_SIZE / 2.0) <= half;
                down_[MASK_SIZE - 1 - y][x] = up_[y][x];
            }
    }
    long frame = 0;
    bool rounds = true;   // false: the pointer only sweeps, nothing is clicked
    // A player's round every CYCLE frames: take a tile from the store, turn
    // it, drop it on an empty space (it fits or explodes); in between the
    // pointer sweeps over the board and the store.
    void read_mouse(double& x, double& y, double& left, double& right) override {
        const long phase = frame % CYCLE;
        left = 0;
        right = 0;
        x = static_cast<double>((frame * 37) % SCREEN_WIDTH);
        y = static_cast<double>((frame * 23) % SCREEN_HEIGHT);
        if (!rounds) return;
        if (phase == PICK_PHASE) {
            for (int n = 1; n <= STORE_SLOTS; ++n)
                if (tile_used(n) == 0) {
                    x = store_slot_x(n) + STORE_MASK_W / 2;
                    y = store_slot_y(n) + STORE_MASK_H / 2;
                    left = 1;
                    break;
                }
        } else if (phase == DROP_PHASE) {
            for (int cy = 0; cy < BOARD_ROWS && left == 0; ++cy)
                for (int cx = 0; cx < BOARD_COLUMNS && left == 0; ++cx)
                    if (board(cx, cy) == CELL_EMPTY) {
                        x = cell_box_x(cx) + MASK_SIZE / 2;
                        y = cell_box_y(cy) + (cell_is_up(cx, cy) ? UP_INSIDE_Y : DOWN_INSIDE_Y);
                        left = 1;
                    }
        }
    }
    int read_wheel() override { return rounds && frame % CYCLE == TURN_PHASE ? 1 : 0; }
    bool pointer_hits(int mask_slot, double px, double py, int x, int y) override {
        const int dx = static_cast<int>(px) - x, dy = static_cast<int>(py) - y;
        if (mask_slot == SPRITE_STORE_TILE) return dx >= 0 && dy >= 0 && dx < STORE_MASK_W && dy < STORE_MASK_H;
        if (dx < 0 || dy < 0 || dx >= MASK_SIZE || dy >= MASK_SIZE) return false;
        return mask_slot == SPRITE_UP_TILE ? up_[dy][dx] : mask_slot == SPRITE_DOWN_TILE ? down_[dy][dx] : false;
    }
    void play_sound(int) override { ++sounds; }
    void play_music(const std::string&) override {}
    void tile_pixels(const std::string& code, std::vector<TilePixel>& out) override {
        out.clear();
        const bool down = code_is_down(code);
        for (int px = 0; px < TILE_BOX; px += TILE_STEP)
            for (int py = 0; py < TILE_BOX; py += TILE_STEP) {
                const int ty = down ? TILE_BOX - 1 - py : py;
                if (std::abs(px - TILE_BOX / 2) * 2 <= ty) out.push_back({px, py, 0x4080C0});
            }
    }
    long sounds = 0;
private:
    bool up_[MASK_SIZE][MASK_SIZE] = {};
    bool down_[MASK_SIZE][MASK_SIZE] = {};
};

FakeServices g_services;

// The full board as set up, restored now and then so it stays full.
struct FullBoard {
    NumberArray board_cells, used;
    StringArray codes;
};
FullBoard g_full;

void save_full_board() {
    g_full.board_cells = board;
    g_full.used = tile_used;
    g_full.codes = tile_codes;
}

void restore_full_board() {
    board = g_full.board_cells;
    tile_used = g_full.used;
    tile_codes = g_full.codes;
    held_tile = -1;
}

void set_up_work() {
    set_puzzle_services(&g_services);
    create_play_arrays();
    settings_defaults();
    start_bench_level(WORK_LEVEL);
    bool from_solver = false;
    fill_board(WORK_LEVEL, LEFT_EMPTY, true, &from_solver);
    // Some store tiles stay free for the rounds to take.
    for (int n = 1; n <= STORE_SLOTS; n += 5)
        if (tile_used(n) == 1 && held_tile != n) {
            for (int y = 0; y < BOARD_ROWS; ++y)
                for (int x = 0; x < BOARD_COLUMNS; ++x)
                    if (board(x, y) == CELL_TILE + n) board(x, y) = CELL_EMPTY;
            tile_used(n) = 0;
        }
    save_full_board();
}

long long run_to_total(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return callgrind_total(text.str());
}

}  // namespace

// The measured frames: the frame loop's order, without drawing and presenting.
extern "C" __attribute__((noinline)) void gamebench_work_frames(long frames) {
    for (long i = 0; i < frames; ++i) {
        g_services.frame = i;
        if (i % REFILL_EVERY == REFILL_EVERY - 1) restore_full_board();
        // The level clock is far longer than the measured frames, so every
        // pass does its work; the turn the drawing would finish is done here.
        advance_play_frame();
        if (spin_angle > 0) spin_angle -= SPIN_STEP;
        if (spin_angle < 0) spin_angle += SPIN_STEP;
    }
}

int work_child(int frames, bool rounds) {
    g_services.rounds = rounds;
    set_up_work();
    gamebench_work_frames(frames);
    std::printf("work-child frames %d sounds %ld debris %zu\n", frames, g_services.sounds, debris.size());
    return 0;
}

int bench_work(int frames, bool callgrind_only) {
    if (!callgrind_only) {
        set_up_work();
        const double start = now_ms();
        gamebench_work_frames(frames);
        const double ms = now_ms() - start;
        std::printf("game work per frame (native): %.2f us over %d frames; %ld sounds played, so tiles were "
                    "taken, turned, placed and exploded\n", 1000.0 * ms / frames, frames, g_services.sounds);
    }
    // The instruction count comes from callgrind runs of a child that does
    // only the set-up and the measured frames: once with the pointer only
    // sweeping, once with tiles taken, turned, placed and exploded.
    for (const bool rounds : {false, true}) {
        const std::string folder = make_temp_folder("callgrind");
        const std::string out = folder + "/callgrind.out";
        if (run_and_wait({"valgrind", "--tool=callgrind", "--collect-atstart=no",
                          "--toggle-collect=gamebench_work_frames", "--callgrind-out-file=" + out, program_path(),
                          "--work-child", std::to_string(frames), rounds ? "rounds" : "sweep"}) < 0) {
            std::printf("game work: valgrind is not installed; instruction count skipped\n");
            remove_folder(folder);
            return callgrind_only ? 1 : 0;
        }
        const long long total = run_to_total(out);
        remove_folder(folder);
        if (total < 0) {
            std::printf("game work: no callgrind figures\n");
            return 1;
        }
        const long long per_frame = total / frames;
        std::printf("game work per frame (callgrind, full board, level %d, %d frames, %s): %lld instructions"
                    "   target: < %lld -> %s\n", WORK_LEVEL, frames,
                    rounds ? "a tile taken, turned and dropped every second" : "pointer sweeping only",
                    per_frame, INSTRUCTION_TARGET, per_frame < INSTRUCTION_TARGET ? "met" : "NOT met");
    }
    return 0;
}
