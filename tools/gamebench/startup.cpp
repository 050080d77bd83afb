// Start-up time: from process start to the first frame of the intro, from
// loose media and from the two containers, measured in the same run.
#include "tools/gamebench/bench.h"

#include "tools/gamebench/stats.h"

#include "runtime/frame/frame.h"
#include "runtime/process/startup_phase.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double START_TARGET_MS = 250;
constexpr double SPREAD_TARGET = 0.20;   // the two ways within 20 % of each other
constexpr int WARM_UP_RUNS = 1;

// One start of the game: the time from just before the spawn to the moment
// the game showed its first frame (ms, -1 when it never did), the processor
// time it had used by then (all its threads, a figure that a busy machine
// does not inflate), and its start-up profile: the time before its runtime
// began (process start, loading libraries) and each phase after that.
struct PhaseSpend {
    double wall = 0, cpu = 0, faults = 0;   // ms, ms, pages touched for the first time
};

struct StartRun {
    double total = -1;
    double cpu = 0;
    std::map<std::string, PhaseSpend> phases;
};

constexpr const char* BEFORE_RUNTIME = "exec";

// Starts the game installed in the folder, limited to its first frame. The
// game reports its moments on the steady clock, which this process shares.
StartRun time_one_start(const std::string& folder) {
    StartRun run;
    int err[2];
    if (pipe(err) != 0) return run;
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
        return run;
    }
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(err[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::istringstream lines(text);
    std::string line;
    double first_frame = -1, began = -1;
    while (std::getline(lines, line)) {
        char key[64];
        double wall = 0, cpu = 0, faults = 0;
        if (std::sscanf(line.c_str(), "wedgewise: first frame shown at %lf ms (steady clock), %lf ms", &wall,
                        &cpu) == 2) {
            first_frame = wall;
            run.cpu = cpu;
        } else if (std::sscanf(line.c_str(), "wedgewise: profile began at %lf", &wall) == 1) {
            began = wall;
        } else if (std::sscanf(line.c_str(), "wedgewise: phase %63s %lf %lf %lf", key, &wall, &cpu, &faults) == 4) {
            run.phases[key] = {wall, cpu, faults};
        }
    }
    if (first_frame < 0) return run;
    run.total = first_frame - before;
    // What the process had spent before its runtime began is what the
    // phases do not account for.
    double phase_cpu = 0;
    for (const auto& [key, spent] : run.phases) phase_cpu += spent.cpu;
    if (began >= 0) run.phases[BEFORE_RUNTIME] = {began - before, std::max(0.0, run.cpu - phase_cpu), -1};
    return run;
}

// The median of one figure of a phase over the runs (0 where a run did not have it).
double phase_median(const std::vector<StartRun>& runs, const std::string& key, double PhaseSpend::*figure) {
    std::vector<double> values;
    for (const StartRun& r : runs) {
        const auto it = r.phases.find(key);
        values.push_back(it == r.phases.end() ? 0 : it->second.*figure);
    }
    return percentile_of(values, 50);
}

// The phase table: median wall and processor time of each phase, both ways.
void print_phases(const std::vector<StartRun>& loose, const std::vector<StartRun>& packed) {
    std::printf("  start-up by phase (medians; ms, ms, pages)  loose: wall    cpu faults   containers: wall    cpu faults\n");
    auto row = [&](const char* label, const std::string& key) {
        auto faults = [&](const std::vector<StartRun>& runs) {
            const double f = phase_median(runs, key, &PhaseSpend::faults);
            return f < 0 ? std::string("     -") : std::to_string(static_cast<long>(f));
        };
        std::printf("  %-42s %12.1f %6.1f %6s %18.1f %6.1f %6s\n", label, phase_median(loose, key, &PhaseSpend::wall),
                    phase_median(loose, key, &PhaseSpend::cpu), faults(loose).c_str(),
                    phase_median(packed, key, &PhaseSpend::wall), phase_median(packed, key, &PhaseSpend::cpu),
                    faults(packed).c_str());
    };
    row("process start and libraries", BEFORE_RUNTIME);
    for (int i = 0; i < static_cast<int>(StartupPhase::Count); ++i) {
        const auto phase = static_cast<StartupPhase>(i);
        row(startup_phase_label(phase), startup_phase_key(phase));
    }
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
    std::vector<StartRun> loose_runs, packed_runs;
    for (int i = -WARM_UP_RUNS; i < runs; ++i) {
        // Alternate which goes first, so neither always runs on a warmer cache.
        const bool loose_first = (i & 1) == 0;
        const StartRun a = time_one_start(loose_first ? loose : packed);
        const StartRun b = time_one_start(loose_first ? packed : loose);
        if (a.total < 0 || b.total < 0) {
            std::printf("startup: a child did not reach its first frame\n");
            remove_folder(root);
            return 1;
        }
        if (i < 0) continue;
        (loose_first ? loose_runs : packed_runs).push_back(a);
        (loose_first ? packed_runs : loose_runs).push_back(b);
    }
    std::vector<double> loose_ms, packed_ms, loose_cpu, packed_cpu;
    for (const StartRun& r : loose_runs) loose_ms.push_back(r.total), loose_cpu.push_back(r.cpu);
    for (const StartRun& r : packed_runs) packed_ms.push_back(r.total), packed_cpu.push_back(r.cpu);
    remove_folder(root);
    const double lm = percentile_of(loose_ms, 50), pm = percentile_of(packed_ms, 50);
    const double spread = std::abs(lm - pm) / std::min(lm, pm);
    std::printf("startup (process start to first intro frame, %d runs each, median / mean / max):\n", runs);
    std::printf("  loose media:  %7.1f / %7.1f / %7.1f ms\n", lm, mean_of(loose_ms), percentile_of(loose_ms, 100));
    std::printf("  containers:   %7.1f / %7.1f / %7.1f ms\n", pm, mean_of(packed_ms), percentile_of(packed_ms, 100));
    std::printf("  processor time by the first frame (median): loose %.1f ms, containers %.1f ms\n",
                percentile_of(loose_cpu, 50), percentile_of(packed_cpu, 50));
    print_phases(loose_runs, packed_runs);
    std::printf("  first intro frame: loose %.1f ms, containers %.1f ms   target: both < %.0f ms  -> %s\n", lm, pm,
                START_TARGET_MS, lm < START_TARGET_MS && pm < START_TARGET_MS ? "met" : "NOT met");
    std::printf("  loose against containers: %.1f %% apart   target: within %.0f %%  -> %s\n", spread * 100,
                SPREAD_TARGET * 100, spread <= SPREAD_TARGET ? "met" : "NOT met");
    return 0;
}
