// Long runs of the whole program under runtime_run: a scripted full game for
// the peak resident memory, and a soak of random mouse and keyboard input.
#include "tools/gamebench/bench.h"

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tools/gamebench/stats.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace {

constexpr long STUCK_PUMPS = 200;          // a wait loop that presents nothing
constexpr long INTRO_CLICK_FRAME = 5;
constexpr long MENU_CLICK_FRAME = 110;
constexpr int START_GAME_X = 511, START_GAME_Y = 676;
constexpr int NEUTRAL_X = 512, NEUTRAL_Y = 400;
constexpr long INTERLUDE_CLICK_EVERY = 15;
constexpr long QUIT_AFTER_GAME = 600;       // frames of Return presses before Escape
constexpr int LEFT = 1, RIGHT = 2;
constexpr int SCAN_ESCAPE = 1, SCAN_RETURN = 28;
constexpr long FRAMES_PER_MINUTE = 3600;
constexpr int HIGH_SCORE_ENTRIES = 15;
constexpr uintmax_t HIGH_SCORE_FILE_BYTES = 405;
constexpr long PROGRESS_EVERY = 600;        // soak progress lines between the minute samples

// The menu's QUIT item, never clicked by the soak (both bounds excluded).
constexpr int QUIT_X1 = 456, QUIT_X2 = 566, QUIT_Y1 = 715, QUIT_Y2 = 747;

// Keys the soak presses: letters, digits, space, Backspace, Return, the
// arrows; never Escape, Alt or F4, which end the program.
constexpr int SOAK_KEYS[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                             28, 30, 31, 32, 33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50, 57,
                             72, 75, 77, 80};

// Input held down and let go later, also from inside wait loops.
struct Hands {
    bool left = false, right = false;
    int key = -1;
    long pumps = 0;
    void release_all() {
        if (left) input_push_button(LEFT, false);
        if (right) input_push_button(RIGHT, false);
        if (key >= 0) input_push_key(key, false);
        left = right = false;
        key = -1;
    }
    void on_pump() {
        if (++pumps >= STUCK_PUMPS) {
            pumps = 0;
            release_all();
        }
    }
};

long peak_kib() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A working folder whose media are the generated ones beside gamebench.
std::string session_folder(const char* tag) {
    const std::string folder = make_temp_folder(tag);
    const std::string home = media_home();
    std::error_code ignored;
    if (!home.empty()) {
        std::filesystem::create_directory_symlink(home + "media", folder + "/media", ignored);
        std::filesystem::create_symlink(home + "media.aud", folder + "/media.aud", ignored);
    }
    return folder;
}

// Set by SIGINT or SIGTERM: the soak ends in an orderly way (the leak check
// at exit still runs) instead of counting it as the program's own end.
volatile std::sig_atomic_t g_stop_requested = 0;

void request_stop(int) { g_stop_requested = 1; }


}  // namespace

// ---------------------------------------------------------------- full game

int bench_memory(long frame_limit) {
    const std::string folder = session_folder("memory");
    setenv("TMPDIR", folder.c_str(), 1);
    Hands hands;
    long frames = 0, last_change = 0, game_over_at = -1;
    double last_timer = -1;
    int levels_filled = 0;
    double highest_level = -1;
    std::vector<long> samples;
    frame_set_pump_hook([&] { hands.on_pump(); });
    frame_set_frame_hook([&] {
        ++frames;
        hands.pumps = 0;
        hands.release_all();
        const bool playing = level_timer > 0 && level_timer < LEVEL_TIME && level_timer != last_timer;
        last_timer = level_timer;
        if (playing) last_change = frames;
        if (frames == INTRO_CLICK_FRAME || frames == MENU_CLICK_FRAME) {
            input_set_pointer(START_GAME_X, START_GAME_Y);
            input_push_button(LEFT, true);
            hands.left = true;
        } else if (playing && board_has_space()) {
            // Every level is finished at once: the completion test sees a
            // full board on the next pass.
            bool unused = false;
            fill_board(static_cast<int>(level), 0, false, &unused);
            ++levels_filled;
            highest_level = std::max(highest_level, level);
            samples.push_back(resident_kib_now());
            std::printf("  frame %6ld: level %2g, resident %ld KiB, peak %ld KiB\n", frames, level,
                        samples.back(), peak_kib());
            std::fflush(stdout);
        } else if (frames > MENU_CLICK_FRAME && !playing && frames - last_change > 3) {
            if (highest_level >= LAST_LEVEL && level > LAST_LEVEL && game_over_at < 0) game_over_at = frames;
            if (game_over_at >= 0 && frames - game_over_at > QUIT_AFTER_GAME) {
                input_push_key(SCAN_ESCAPE, true);     // the menu: save and quit
                hands.key = SCAN_ESCAPE;
            } else if (frames % INTERLUDE_CLICK_EVERY == 0) {
                if (game_over_at >= 0) {
                    input_push_key(SCAN_RETURN, true);   // name entry
                    hands.key = SCAN_RETURN;
                } else {
                    input_set_pointer(NEUTRAL_X, NEUTRAL_Y);
                    input_push_button(LEFT, true);
                    hands.left = true;
                }
            }
        }
        if (frames >= frame_limit) program_quit();
    });
    std::printf("memory over a full game (scripted: intro, menu, levels 0-40 filled as they start, "
                "interludes clicked, name entry, quit):\n");
    // A fresh program's game cycle: a mode run before this one in the same
    // process leaves its practice level behind, which would make the menu's
    // START GAME play that one level and return.
    practice_mode = 0;
    install_unpaced_clock();
    const double start = now_ms();
    runtime_run(bench_config(folder), main_program);
    const double seconds = (now_ms() - start) / 1000;
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    std::error_code ignored;
    const bool saved = std::filesystem::file_size(folder + "/hiscore.dat", ignored) == HIGH_SCORE_FILE_BYTES;
    remove_folder(folder);
    // The name entry ran when the game's score stands in the table (Return
    // alone enters the default name).
    int entered_row = -1;
    for (int row = 0; row < HIGH_SCORE_ENTRIES && entered_row < 0; ++row)
        if (score > 0 && string_to_number(high_score_table(row, 1)) == score) entered_row = row;
    const bool whole_game = levels_filled == LAST_LEVEL + 1 && game_over_at >= 0 && entered_row >= 0 && saved;
    std::printf("  %ld frames in %.1f s, %d levels played, highest level %g, game over %s, name entry %s, "
                "records %s\n",
                frames, seconds, levels_filled, highest_level, game_over_at >= 0 ? "reached" : "NOT reached",
                entered_row >= 0 ? ("done (score " + string_from_number(score) + " in row " +
                                    std::to_string(entered_row + 1) + ")").c_str()
                                 : "NOT done",
                saved ? "saved" : "not saved");
    std::printf("  the whole scripted game %s\n", whole_game ? "was played to its name entry"
                                                             : "was NOT played to its name entry: figure incomplete");
    if (!samples.empty())
        std::printf("  resident during play: first %ld KiB, last %ld KiB\n", samples.front(), samples.back());
    std::printf("  peak resident memory (getrusage maxrss): %ld KiB (%.1f MiB)\n", peak_kib(), peak_kib() / 1024.0);
    return whole_game ? 0 : 1;
}

// ---------------------------------------------------------------- soak

int bench_soak(long total_frames, unsigned seed) {
    const std::string folder = session_folder("soak");
    setenv("TMPDIR", folder.c_str(), 1);
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto between = [&](int low, int high) { return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1)); };
    Hands hands;
    long frames = 0;
    int restarts = 0;
    std::vector<long> samples;
    frame_set_pump_hook([&] { hands.on_pump(); });
    frame_set_frame_hook([&] {
        ++frames;
        hands.pumps = 0;
        if (frames % PROGRESS_EVERY == 0 && frames % FRAMES_PER_MINUTE != 0) {
            std::printf("  frame %8ld: resident %ld KiB\n", frames, resident_kib_now());
            std::fflush(stdout);
        }
        if (frames % FRAMES_PER_MINUTE == 0) {
            samples.push_back(resident_kib_now());
            std::printf("  frame %8ld (%3ld min): resident %ld KiB\n", frames, frames / FRAMES_PER_MINUTE,
                        samples.back());
            std::fflush(stdout);
        }
        if (frames >= total_frames || g_stop_requested) program_quit();
        if (chance(30)) input_push_motion(between(-40, 40), between(-40, 40));
        if (hands.left && chance(30)) {
            input_push_button(LEFT, false);
            hands.left = false;
        } else if (!hands.left && chance(8)) {
            int x, y;
            do {
                x = between(0, SCREEN_WIDTH - 1);
                y = between(0, SCREEN_HEIGHT - 1);
            } while (x > QUIT_X1 && x < QUIT_X2 && y > QUIT_Y1 && y < QUIT_Y2);
            input_set_pointer(x, y);
            input_push_button(LEFT, true);
            hands.left = true;
        }
        if (hands.right && chance(40)) {
            input_push_button(RIGHT, false);
            hands.right = false;
        } else if (!hands.right && chance(3)) {
            input_push_button(RIGHT, true);
            hands.right = true;
        }
        if (chance(3)) input_push_wheel(chance(50) ? 1 : -1);
        if (hands.key >= 0) {
            input_push_key(hands.key, false);
            hands.key = -1;
        } else if (chance(4)) {
            hands.key = SOAK_KEYS[random() % std::size(SOAK_KEYS)];
            input_push_key(hands.key, true);
        }
    });
    std::printf("soak: %ld frames of random input (seed %u):\n", total_frames, seed);
    // Installed before the runtime starts, so the window system's own
    // handlers leave these signals to us.
    std::signal(SIGINT, request_stop);
    std::signal(SIGTERM, request_stop);
    const double start = now_ms();
    while (frames < total_frames && !g_stop_requested) {
        install_unpaced_clock();
        runtime_run(bench_config(folder), main_program);
        if (frames < total_frames && !g_stop_requested) {
            ++restarts;   // the program ended by its own choice: start it again
            std::printf("  program ended at frame %ld (error code %g); restarted\n", frames, runtime_error_code());
        }
    }
    const double seconds = (now_ms() - start) / 1000;
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    remove_folder(folder);
    std::printf("  %ld frames (%.1f min of play) in %.1f s, %d restarts%s\n", frames,
                frames / static_cast<double>(FRAMES_PER_MINUTE), seconds, restarts,
                g_stop_requested ? ", stopped by a signal" : "");
    if (samples.size() >= 2) {
        const long allowed = 4096;
        std::printf("  resident after the first minute %ld KiB, at the end %ld KiB, between %ld and %ld KiB"
                    " -> %s (highs of the two halves within %ld KiB)\n",
                    samples[0], samples.back(), *std::min_element(samples.begin(), samples.end()),
                    *std::max_element(samples.begin(), samples.end()),
                    resident_steady(samples, 0, allowed) ? "steady" : "GROWING", allowed);
    }
    std::printf("  peak resident: %ld KiB\n", peak_kib());
    return 0;
}
