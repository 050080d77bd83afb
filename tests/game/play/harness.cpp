// The play tests' harness (see harness.h).
#include "harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <limits>
#include <unistd.h>

#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tests/support/files.h"
#include "tests/support/game_runner.h"
#include "tests/support/images.h"
#include "tests/support/private_display.h"

namespace fs = std::filesystem;

namespace {

// No other program's window takes the focus (and the held buttons) there.
const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

// Each clock read moves time on a little, so the pacing loop always ends.
constexpr double CLOCK_READ_COST_MS = 0.25;
// A script that never reaches its goal must not hang the test run.
constexpr long FRAME_BUDGET = 6000;

testsupport::GameRunner* runner = nullptr;
Script* attached = nullptr;
const std::string no_folder;
long last_pumps_at_release = 0;

}  // namespace

// ---------------------------------------------------------------- running

bool media_available() { return testsupport::built_media_present(); }

const std::string& run_folder() { return runner ? runner->folder() : no_folder; }

void advance_clock(double ms) {
    if (runner) runner->advance_clock(ms);
}

long run_in_runtime(const std::function<void()>& body, const std::function<void()>& after) {
    testsupport::GameRunner run("wedgewise-play");
    run.clock_start_ms = 0;
    run.clock_read_cost_ms = CLOCK_READ_COST_MS;
    run.release_after_pumps = 0;
    run.frame_limit = FRAME_BUDGET;
    runner = &run;
    attached = nullptr;
    long frames = 0;
    const auto end = run.run([&] {
        run.count_from_here();   // start-up presents frames too
        body();
        frames = frame_count();
        program_quit();
    });
    if (frames == 0) frames = frame_count();
    if (end == testsupport::GameRunner::End::FrameLimit)
        ADD_FAILURE() << "the run used more than " << FRAME_BUDGET << " frames";
    if (end == testsupport::GameRunner::End::Hang) ADD_FAILURE() << "the game " << run.end_reason();
    last_pumps_at_release = run.pumps_at_release();
    if (after) after();
    attached = nullptr;
    runner = nullptr;
    return frames;
}

// ---------------------------------------------------------------- scripted input

void release_in_waits(int pumps) { runner->release_after_pumps = pumps; }
void watch_pumps(std::function<void()> watcher) { runner->on_pump = std::move(watcher); }
int pumps_before_release() { return runner ? static_cast<int>(runner->pumps_at_release()) : last_pumps_at_release; }
bool script_left_down() { return runner->hand.left_down(); }

Script& Script::then(Step step) {
    steps_.until(std::move(step));
    return *this;
}

Script& Script::wait_frames(int frames) {
    auto left = std::make_shared<int>(frames);
    return then([left] { return (*left)-- <= 0; });
}

Script& Script::move_to(int x, int y) {
    // Motion is relative: the hand keeps the pointer's position (every move
    // is the script's own) and gives the game two frames to read it.
    then([x, y] {
        runner->hand.move_to(x, y);
        return true;
    });
    return wait_frames(1);
}

Script& Script::press(long* at) {
    return then([at] {
        runner->hand.left(true);
        if (at) *at = frame_count();
        return true;
    });
}

Script& Script::release(long* at) {
    return then([at] {
        runner->hand.left(false);
        if (at) *at = frame_count();
        return true;
    });
}

Script& Script::right_click() {
    then([] {
        runner->hand.right(true);
        return true;
    });
    return then([] {
        runner->hand.right(false);
        return true;
    });
}

Script& Script::call(std::function<void()> action) {
    steps_.then(std::move(action));
    return *this;
}

Script& Script::until(std::function<bool()> condition) { return then(std::move(condition)); }

Script& Script::observe(std::function<void()> watcher) {
    steps_.observe(std::move(watcher));
    return *this;
}

void Script::attach() {
    attached = this;
    runner->on_frame = [] {
        if (attached) attached->tick();
    };
}

// ---------------------------------------------------------------- synthetic sprites

std::string write_bmp(const std::string& name, int width, int height, const std::vector<int>& pixels) {
    const std::string path = (fs::path(run_folder()) / name).string();
    testsupport::write_file(path, testsupport::encode_bmp(width, height, 24, pixels));
    return path;
}

void install_anim(int slot, int frame_width, int frame_height, const std::vector<std::vector<int>>& frames) {
    int count = static_cast<int>(frames.size());
    std::vector<int> pixels;
    for (const auto& f : frames) pixels.insert(pixels.end(), f.begin(), f.end());
    std::string path = write_bmp("anim" + std::to_string(slot) + ".bmp", frame_width, frame_height * count, pixels);
    load_anim(path, slot, frame_width, frame_height);
}

void install_solid(int slot, int width, int height, int colour) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; i++) {
        rgba.push_back(static_cast<uint8_t>(colour));
        rgba.push_back(static_cast<uint8_t>(colour >> 8));
        rgba.push_back(static_cast<uint8_t>(colour >> 16));
        rgba.push_back(255);
    }
    sprite_from_rgba(slot, width, height, rgba);
}

void install_triangle(int slot, int width, int height, const int c[6]) {
    auto side = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            double px = x + 0.5, py = y + 0.5;
            double d1 = side(c[0], c[1], c[2], c[3], px, py);
            double d2 = side(c[2], c[3], c[4], c[5], px, py);
            double d3 = side(c[4], c[5], c[0], c[1], px, py);
            bool in = (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
            uint8_t v = in ? 255 : 0;
            rgba.insert(rgba.end(), {v, v, v, v});
        }
    sprite_from_rgba(slot, width, height, rgba);
}

void install_play_masks() {
    const int up[6] = {29, 0, 0, 58, 58, 58};
    const int down[6] = {0, 0, 58, 0, 29, 58};
    const int store[6] = {20, 0, 0, 40, 40, 40};
    install_triangle(11, 59, 59, up);
    install_triangle(12, 59, 59, down);
    install_triangle(13, 41, 41, store);
}

// ---------------------------------------------------------------- read-back

int pixel_at(int x, int y) {
    std::vector<int> out;
    read_pixels(x, y, 1, 1, out);
    return out.empty() ? -1 : out[0];
}
