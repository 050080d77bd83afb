// Start-up time: from process start to the first frame of the intro, from
// loose media and from the two containers, measured in the same run.
#include "tools/gamebench/bench.h"

#include "tools/gamebench/stats.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double START_TARGET_MS = 250;
constexpr double SPREAD_TARGET = 0.20;   // the two ways within 20 % of each other
constexpr int WARM_UP_RUNS = 1;

// Starts the game installed in the folder, limited to its first frame, and
// returns the time from just before the spawn to the moment the game showed
// that frame (ms), or -1. The game reports the moment on the steady clock,
// which this process shares. cpu_ms: the processor time the game had used
// by then (all its threads), a figure that a busy machine does not inflate.
double time_one_start(const std::string& folder, double& cpu_ms) {
    int err[2];
    if (pipe(err) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    const std::string game = folder + "/wedgewise";
    std::string arg0 = "wedgewise", arg1 = "--windowed", arg2 = "--frames", arg3 = "1";
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data(), nullptr};
    setenv("TMPDIR", folder.c_str(), 1);   // the game's log stays in its folder
    const double before = now_ms();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, game.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    if (rc != 0) {
        close(err[0]);
        return -1;
    }
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(err[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const size_t line = text.find("wedgewise: first frame shown at ");
    double first_frame = 0;
    if (line == std::string::npos ||
        std::sscanf(text.c_str() + line, "wedgewise: first frame shown at %lf ms (steady clock), %lf ms",
                    &first_frame, &cpu_ms) != 2)
        return -1;
    return first_frame - before;
}

bool copy_tree(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, error);
    return !error;
}

}  // namespace

int bench_startup(int runs) {
    const std::string home = media_home();
    if (home.empty() || !std::filesystem::exists(home + "media.gfx") || !std::filesystem::exists(home + "wedgewise")) {
        std::printf("startup: the game, its media and containers are not beside gamebench; skipped\n");
        return 1;
    }
    const std::string root = make_temp_folder("startup");
    const std::string loose = root + "/loose", packed = root + "/packed";
    std::filesystem::create_directories(loose);
    std::filesystem::create_directories(packed);
    // Music always comes from the audio container; pictures and sounds from
    // the loose folder or the graphics container.
    // Each folder holds its own copy of the game, as an installed game would.
    if (!copy_tree(home + "wedgewise", loose + "/wedgewise") || !copy_tree(home + "wedgewise", packed + "/wedgewise") ||
        !copy_tree(home + "media", loose + "/media") || !copy_tree(home + "media.aud", loose + "/media.aud") ||
        !copy_tree(home + "media.gfx", packed + "/media.gfx") || !copy_tree(home + "media.aud", packed + "/media.aud")) {
        std::printf("startup: could not copy the media\n");
        remove_folder(root);
        return 1;
    }
    std::vector<double> loose_ms, packed_ms, loose_cpu, packed_cpu;
    for (int i = -WARM_UP_RUNS; i < runs; ++i) {
        // Alternate which goes first, so neither always runs on a warmer cache.
        const bool loose_first = (i & 1) == 0;
        double cpu_a = 0, cpu_b = 0;
        const double a = time_one_start(loose_first ? loose : packed, cpu_a);
        const double b = time_one_start(loose_first ? packed : loose, cpu_b);
        if (a < 0 || b < 0) {
            std::printf("startup: a child did not reach its first frame\n");
            remove_folder(root);
            return 1;
        }
        if (i < 0) continue;
        (loose_first ? loose_ms : packed_ms).push_back(a);
        (loose_first ? packed_ms : loose_ms).push_back(b);
        (loose_first ? loose_cpu : packed_cpu).push_back(cpu_a);
        (loose_first ? packed_cpu : loose_cpu).push_back(cpu_b);
    }
    remove_folder(root);
    const double lm = percentile_of(loose_ms, 50), pm = percentile_of(packed_ms, 50);
    const double spread = std::abs(lm - pm) / std::min(lm, pm);
    std::printf("startup (process start to first intro frame, %d runs each, median / mean / max):\n", runs);
    std::printf("  loose media:  %7.1f / %7.1f / %7.1f ms\n", lm, mean_of(loose_ms), percentile_of(loose_ms, 100));
    std::printf("  containers:   %7.1f / %7.1f / %7.1f ms\n", pm, mean_of(packed_ms), percentile_of(packed_ms, 100));
    std::printf("  processor time by the first frame (median): loose %.1f ms, containers %.1f ms\n",
                percentile_of(loose_cpu, 50), percentile_of(packed_cpu, 50));
    std::printf("  difference:   %6.1f %%   target: both < %.0f ms, within %.0f %%  -> %s\n", spread * 100,
                START_TARGET_MS, SPREAD_TARGET * 100,
                lm < START_TARGET_MS && pm < START_TARGET_MS && spread <= SPREAD_TARGET ? "met" : "NOT met");
    return 0;
}
