// Frame cost: the busiest play frame against a bare clear-and-present frame,
// unpaced; and frame pacing on the real clock, with a stall in the middle.
#include "tools/gamebench/bench.h"

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/frame/frame_testing.h"
#include "tools/gamebench/stats.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int BUSY_LEVEL = 39;
constexpr double HAND_TIMER = 200;
constexpr int BURSTS = 4;                 // tiles exploding at once to fill the air
constexpr double RATIO_TARGET = 4;
constexpr int BLOCKS = 4;                 // bare and busy blocks alternate
constexpr double FRAME_MS = 1000.0 / 60.0;
constexpr double STALL_MS = 100;
constexpr size_t BURST_WINDOW = 30;       // frames watched after the stall
constexpr double BURST_FRACTION = 0.5;    // an interval this short is a catch-up frame
constexpr double MEAN_TOLERANCE_MS = 0.5;

struct BusyScene {
    bool from_solver = false;
    int filled = 0;
    std::vector<std::pair<int, int>> cells;   // filled cells
    long frame = 0;
};

// Explodes a few placed tiles and puts them back: the debris flies, the
// board stays full.
void burst(BusyScene& scene) {
    for (int k = 0; k < BURSTS && !scene.cells.empty(); ++k) {
        const auto [x, y] = scene.cells[static_cast<size_t>((scene.frame * 7 + k * 13)) % scene.cells.size()];
        const double value = board(x, y);
        explode_tile_at(x, y);
        board(x, y) = value;
    }
}

// Level 39 full from a solution, every store slot full, a tile in the hand,
// the vortex turning and debris in the air.
void build_busy_scene(BusyScene& scene) {
    program_start_up();
    start_bench_level(BUSY_LEVEL);
    scene.filled = fill_board(BUSY_LEVEL, 0, true, &scene.from_solver);
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x)
            if (board(x, y) > CELL_TILE) scene.cells.emplace_back(x, y);
    for (int n = 1; n < CATALOGUE_SIZE; ++n) tile_used(n) = 0;
    held_tile = CATALOGUE_SIZE - 1;
    tile_timer = HAND_TIMER;
    spin_angle = 0;
    mouse_x = 420;
    mouse_y = 300;
    score = 123456;
    burst(scene);
}

// Wall and processor time of one frame (ms). Processor time counts every
// thread of the process (the software rasteriser's too) and is what a busy
// machine inflates least.
struct FrameTime { double wall, cpu; };

struct Stopwatch {
    double wall = now_ms(), cpu = process_cpu_ms();
    FrameTime stop() const { return {now_ms() - wall, process_cpu_ms() - cpu}; }
};

// One play frame as the frame loop draws it; the debris top-up is not timed.
FrameTime busy_frame(BusyScene& scene) {
    if (debris.size() < 200) burst(scene);
    tile_timer = HAND_TIMER;   // the tile stays in the hand
    const Stopwatch watch;
    advance_play_frame();
    draw_play_screen();
    show_screen();
    ++scene.frame;
    return watch.stop();
}

FrameTime bare_frame() {
    const Stopwatch watch;
    draw_rect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
    show_screen();
    return watch.stop();
}

void print_row(const char* name, const std::vector<double>& ms) {
    std::printf("  %-30s mean %7.3f  median %7.3f  p99 %7.3f  max %7.3f ms\n", name, mean_of(ms),
                percentile_of(ms, 50), percentile_of(ms, 99), percentile_of(ms, 100));
}

}  // namespace

int bench_frames(int frames) {
    const std::string home = media_home();
    if (home.empty()) std::printf("frames: no generated media beside gamebench; pictures stay empty\n");
    std::vector<double> busy, bare, busy_cpu, bare_cpu;
    BusyScene scene;
    long debris_peak = 0;
    frame_set_frame_hook(nullptr);
    runtime_run(bench_config(home.empty() ? program_dir() : home), [&] {
        build_busy_scene(scene);
        install_unpaced_clock();
        for (int i = 0; i < 10; ++i) busy_frame(scene), bare_frame();   // warm caches and textures
        const int per_block = std::max(1, frames / BLOCKS);
        for (int b = 0; b < BLOCKS; ++b) {
            for (int i = 0; i < per_block; ++i) {
                const FrameTime t = bare_frame();
                bare.push_back(t.wall);
                bare_cpu.push_back(t.cpu);
            }
            for (int i = 0; i < per_block; ++i) {
                const FrameTime t = busy_frame(scene);
                busy.push_back(t.wall);
                busy_cpu.push_back(t.cpu);
                debris_peak = std::max<long>(debris_peak, static_cast<long>(debris.size()));
            }
        }
        program_quit();
    });
    frame_set_clock(nullptr, nullptr);
    const double ratio = mean_of(busy) / mean_of(bare);
    const double cpu_ratio = mean_of(busy_cpu) / mean_of(bare_cpu);
    std::printf("frame cost (unpaced, %zu frames each, interleaved):\n", busy.size());
    std::printf("  scene: level %d, %d tiles placed (%s), store full, tile in hand, vortex on, "
                "up to %ld debris\n", BUSY_LEVEL, scene.filled,
                scene.from_solver ? "solver solution" : "catalogue order, no solution found", debris_peak);
    print_row("busiest play frame, wall", busy);
    print_row("bare clear-and-present, wall", bare);
    print_row("busiest play frame, cpu", busy_cpu);
    print_row("bare clear-and-present, cpu", bare_cpu);
    std::printf("  ratio busiest / bare: wall %.2f (%s), processor time %.2f (%s)   target: <= %.0f\n", ratio,
                ratio <= RATIO_TARGET ? "met" : "NOT met", cpu_ratio, cpu_ratio <= RATIO_TARGET ? "met" : "NOT met",
                RATIO_TARGET);
    return 0;
}

int bench_pacing(int frames) {
    const std::string home = media_home();
    std::vector<double> stamps;
    const int stall_at = frames / 2;
    frame_set_clock(nullptr, nullptr);
    runtime_run(bench_config(home.empty() ? program_dir() : home), [&] {
        // An ordinary play frame: a level just begun, the store full, the
        // vortex turning.
        program_start_up();
        start_bench_level(BUSY_LEVEL);
        frame_set_clock(nullptr, nullptr);   // real clock, real sleeps
        for (int i = 0; i < 5; ++i) frame_loop_pass();
        for (int i = 0; i <= frames; ++i) {
            if (i == stall_at) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(STALL_MS));
            frame_loop_pass();
            stamps.push_back(now_ms());
        }
        program_quit();
    });
    std::vector<double> intervals = intervals_of(stamps);
    // The stall falls in the interval that ends with frame stall_at.
    const size_t stall = static_cast<size_t>(stall_at) - 1;
    const double stall_ms = stall < intervals.size() ? intervals[stall] : 0;
    // Missed deadlines are skipped: the frame after the stall goes to the
    // next slot of the 60 Hz grid, which may come soon, so that one interval
    // may be short. A pacer that caught up would show several in a row.
    const size_t after = stall + 1;
    const double after_ms = after < intervals.size() ? intervals[after] : 0;
    const int burst = burst_after_stall(intervals, after, BURST_WINDOW, FRAME_MS, BURST_FRACTION);
    std::vector<double> steady = intervals;
    if (after < steady.size()) steady.erase(steady.begin() + static_cast<long>(stall), steady.begin() + static_cast<long>(after) + 1);
    const double mean = mean_of(steady);
    std::printf("frame pacing (real clock, %zu intervals at 60 fps, play screen of a level just begun):\n",
                intervals.size());
    std::printf("  mean interval %.3f ms (ideal %.3f), p99 %.3f ms, min %.3f ms, max %.3f ms (the stall and the slot after it excluded)\n",
                mean, FRAME_MS, percentile_of(steady, 99), percentile_of(steady, 0), percentile_of(steady, 100));
    std::printf("  injected stall of %.0f ms: that interval %.1f ms, the next %.1f ms (to the next slot);"
                " %d of the %zu after it shorter than %.1f ms -> %s\n", STALL_MS, stall_ms, after_ms, burst,
                BURST_WINDOW, BURST_FRACTION * FRAME_MS, burst == 0 ? "no burst" : "BURST");
    std::printf("  mean within %.1f ms of the ideal -> %s\n", MEAN_TOLERANCE_MS,
                std::abs(mean - FRAME_MS) <= MEAN_TOLERANCE_MS ? "met" : "NOT met");
    return 0;
}
