// Set-up shared by the gamebench modes.
#include "tools/gamebench/bench.h"

#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/frame/frame_testing.h"
#include "tools/solver/solver.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace {
double g_clock = 1'000'000.0;
}

RuntimeConfig bench_config(const std::string& working_folder) {
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = working_folder;
    return config;
}

void install_unpaced_clock() {
    frame_set_clock([] { return g_clock; }, [](double ms) { g_clock += ms > 0 ? ms : 0; });
}

int run_and_wait(const std::vector<std::string>& args) {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (argv.size() < 2 || posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double process_cpu_ms() {
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

std::string make_temp_folder(const char* tag) {
    std::string name = std::string("/tmp/gamebench-") + tag + "-XXXXXX";
    if (!mkdtemp(name.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return name;
}

void remove_folder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string media_home() {
    const std::string dir = program_dir();
    return std::filesystem::exists(dir + "media/tiles.png") ? dir : std::string();
}

void start_bench_level(int level_number) {
    music_off = 1;
    vortex_on = 1;
    practice_mode = 1;
    level = level_number;
    start_level();
}

int fill_board(int level_number, int left_empty, bool use_solver, bool* from_solver) {
    std::vector<std::pair<int, int>> spaces;
    for (int y = 0; y < BOARD_ROWS; ++y)
        for (int x = 0; x < BOARD_COLUMNS; ++x)
            if (board(x, y) == CELL_EMPTY) spaces.emplace_back(x, y);
    const int to_fill = static_cast<int>(spaces.size()) - left_empty;
    int filled = 0;
    *from_solver = false;
    const SolveReport report = use_solver ? solve_shape(read_level_shape(level_number)) : SolveReport{};
    if (report.solvable) {
        *from_solver = true;
        for (const SolvedTile& t : report.tiles) {
            if (filled >= to_fill) break;
            board(t.x, t.y) = CELL_TILE + t.tile;
            tile_codes(t.tile) = t.code;
            tile_used(t.tile) = 1;
            ++filled;
        }
        return filled;
    }
    for (const auto& [x, y] : spaces) {
        if (filled >= to_fill || filled + 1 >= CATALOGUE_SIZE) break;
        const int tile = filled + 1;
        // Each tile turned the way its space points.
        std::string code = catalogue_code(tile);
        if (!cell_is_up(x, y)) code = rotate_clockwise(code);
        board(x, y) = CELL_TILE + tile;
        tile_codes(tile) = code;
        tile_used(tile) = 1;
        ++filled;
    }
    return filled;
}
