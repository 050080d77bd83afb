// gamebench: the game's own performance and robustness figures. Each mode
// prints its figure next to its baseline or target, measured in the same run.
#include "tools/gamebench/bench.h"

#include "runtime/process/process.h"


#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr int STARTUP_RUNS = 10;
constexpr int FRAME_SAMPLES = 400;
constexpr int PACING_FRAMES = 600;
constexpr int WORK_FRAMES = 3600;
constexpr long MEMORY_FRAME_LIMIT = 60000;
constexpr long SOAK_FRAMES = 216000;   // an hour at 60 frames per second

constexpr const char* USAGE =
    "Usage: gamebench [MODE...]   (no mode: startup frames work pacing memory)\n"
    "  --startup [RUNS]     the game's start to its first intro frame, loose media and containers\n"
    "  --frames [N]         busiest play frame against a bare frame, unpaced\n"
    "  --work [N]           game work per frame: native time and callgrind instructions\n"
    "  --pacing [N]         frame intervals on the real clock with a 100 ms stall\n"
    "  --memory [LIMIT]     peak resident memory over a scripted full game\n"
    "  --soak [FRAMES [SEED]]  random input through the real frame loop (216000 = an hour)\n";

constexpr const char* ALL_MODES[] = {"--startup", "--frames", "--work", "--pacing", "--memory"};

long number_after(int argc, char** argv, int& i, long fallback) {
    if (i + 1 < argc && argv[i + 1][0] != '-') return std::strtol(argv[++i], nullptr, 10);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--work-child") == 0)
        return work_child(std::atoi(argv[2]), argc < 4 || std::strcmp(argv[3], "sweep") != 0);
    int failures = 0;
    if (argc == 1) {
        // Each mode in a process of its own: the game's state lives in
        // globals that one mode leaves behind for the next, and the peak
        // resident memory of a process covers everything it ever ran.
        for (const char* mode : ALL_MODES) failures += run_and_wait({program_path(), mode}) != 0;
        return failures == 0 ? 0 : 1;
    }
    // Figures of a shared machine mean little without its load beside them.
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("gamebench: load average %.2f %.2f %.2f on %ld processors\n", load[0], load[1], load[2],
                    sysconf(_SC_NPROCESSORS_ONLN));
    for (int i = 1; i < argc; ++i) {
        const std::string mode = argv[i];
        if (mode == "--startup") failures += bench_startup(static_cast<int>(number_after(argc, argv, i, STARTUP_RUNS))) != 0;
        else if (mode == "--frames") failures += bench_frames(static_cast<int>(number_after(argc, argv, i, FRAME_SAMPLES))) != 0;
        else if (mode == "--work") failures += bench_work(static_cast<int>(number_after(argc, argv, i, WORK_FRAMES)), false) != 0;
        else if (mode == "--pacing") failures += bench_pacing(static_cast<int>(number_after(argc, argv, i, PACING_FRAMES))) != 0;
        else if (mode == "--memory") failures += bench_memory(number_after(argc, argv, i, MEMORY_FRAME_LIMIT)) != 0;
        else if (mode == "--soak") {
            const long frames = number_after(argc, argv, i, SOAK_FRAMES);
            const unsigned seed = static_cast<unsigned>(number_after(argc, argv, i, 1));
            failures += bench_soak(frames, seed) != 0;
        } else {
            std::fputs(USAGE, mode == "--help" ? stdout : stderr);
            return mode == "--help" ? 0 : 2;
        }
    }
    return failures == 0 ? 0 : 1;
}
