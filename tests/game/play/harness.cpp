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
#include "tests/support/private_display.h"

namespace fs = std::filesystem;

namespace {

// No other program's window takes the focus (and the held buttons) there.
const auto* const private_display = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateDisplay);

std::string folder;
double fake_now = 0;
// Each clock read moves time on a little, so the pacing loop always ends.
constexpr double CLOCK_READ_COST_MS = 0.25;
bool left_down = false;
int release_after_pumps = 0;
int pumps_since_frame = 0;
int pumps_at_release = 0;
Script* attached = nullptr;
std::function<void()> pump_watcher;
long frame_budget_end = 0;
int pointer_x = 100, pointer_y = 100;   // where the runtime starts its pointer

// A script that never reaches its goal must not hang the test run.
constexpr long FRAME_BUDGET = 6000;

void frame_started() {
    pumps_since_frame = 0;
    if (frame_count() > frame_budget_end) {
        ADD_FAILURE() << "the run used more than " << FRAME_BUDGET << " frames";
        program_quit();
    }
}

constexpr int PUMP_BUDGET = 2000000;

void on_pump() {
    pumps_since_frame++;
    if (pump_watcher) pump_watcher();
    if (pumps_since_frame == PUMP_BUDGET) {
        ADD_FAILURE() << "the game waited without presenting for " << PUMP_BUDGET << " event pumps";
        program_quit();
    }
    if (release_after_pumps > 0 && left_down && pumps_since_frame >= release_after_pumps) {
        pumps_at_release = pumps_since_frame;
        input_push_button(1, false);
        left_down = false;
    }
}
constexpr int LEFT = 1;
constexpr int RIGHT = 2;

std::string make_temp_folder() {
    std::string pattern = (fs::temp_directory_path() / "wedgewise-play-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* made = mkdtemp(buf.data());
    return made ? std::string(made) : std::string();
}

}  // namespace

// ---------------------------------------------------------------- running

bool media_available() {
    return fs::exists(fs::path(WEDGEWISE_BINARY_DIR) / "media" / "bigtri1.png");
}

const std::string& run_folder() { return folder; }

void advance_clock(double ms) { fake_now += ms; }

long run_in_runtime(const std::function<void()>& body, const std::function<void()>& after) {
    std::error_code ignored;
    fs::path start_folder = fs::current_path(ignored);
    folder = make_temp_folder();
    fs::path media = fs::path(WEDGEWISE_BINARY_DIR) / "media";
    if (fs::exists(media)) fs::create_directory_symlink(media, fs::path(folder) / "media");
    // The music is found through the audio container beside the program.
    for (const char* container : {"media.gfx", "media.aud"}) {
        fs::path packed = fs::path(WEDGEWISE_BINARY_DIR) / container;
        if (fs::exists(packed)) fs::create_symlink(packed, fs::path(folder) / container);
    }
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = folder;
    fake_now = 0;
    pointer_x = 100;
    pointer_y = 100;
    left_down = false;
    release_after_pumps = 0;
    pumps_since_frame = 0;
    pumps_at_release = 0;
    attached = nullptr;
    pump_watcher = nullptr;
    frame_budget_end = std::numeric_limits<long>::max();   // start-up presents frames too
    frame_set_frame_hook(frame_started);
    frame_set_pump_hook(on_pump);
    frame_set_clock([] { return fake_now += CLOCK_READ_COST_MS; }, [](double ms) { fake_now += ms > 0 ? ms : 0; });
    long frames = 0;
    runtime_run(config, [&] {
        frame_budget_end = frame_count() + FRAME_BUDGET;
        body();
        frames = frame_count();
        program_quit();
    });
    if (frames == 0) frames = frame_count();
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    pump_watcher = nullptr;
    if (after) after();
    // The runtime made the working folder current; go back before removing it.
    fs::current_path(start_folder, ignored);
    fs::remove_all(folder, ignored);
    return frames;
}

// ---------------------------------------------------------------- scripted input

void release_in_waits(int pumps) { release_after_pumps = pumps; }
void watch_pumps(std::function<void()> watcher) { pump_watcher = std::move(watcher); }
int pumps_before_release() { return pumps_at_release; }
bool script_left_down() { return left_down; }

Script& Script::then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

Script& Script::wait_frames(int frames) {
    auto left = std::make_shared<int>(frames);
    return then([left] { return (*left)-- <= 0; });
}

Script& Script::move_to(int x, int y) {
    // Motion is relative: the script keeps the pointer's position itself
    // (every move is its own) and gives the game two frames to read it.
    then([x, y] {
        input_push_motion(x - pointer_x, y - pointer_y);
        pointer_x = x;
        pointer_y = y;
        return true;
    });
    return wait_frames(1);
}

Script& Script::press(long* at) {
    return then([at] {
        input_push_button(LEFT, true);
        left_down = true;
        if (at) *at = frame_count();
        return true;
    });
}

Script& Script::release(long* at) {
    return then([at] {
        input_push_button(LEFT, false);
        left_down = false;
        if (at) *at = frame_count();
        return true;
    });
}

Script& Script::right_click() {
    then([] {
        input_push_button(RIGHT, true);
        return true;
    });
    return then([] {
        input_push_button(RIGHT, false);
        return true;
    });
}

Script& Script::call(std::function<void()> action) {
    return then([action] {
        action();
        return true;
    });
}

Script& Script::until(std::function<bool()> condition) { return then(std::move(condition)); }

Script& Script::observe(std::function<void()> watcher) {
    watchers_.push_back(std::move(watcher));
    return *this;
}

void Script::tick() {
    for (auto& w : watchers_) w();
    if (at_ < steps_.size() && steps_[at_]()) at_++;
}

void Script::attach() {
    attached = this;
    frame_set_frame_hook([] {
        frame_started();
        if (attached) attached->tick();
    });
}

// ---------------------------------------------------------------- synthetic sprites

std::string write_bmp(const std::string& name, int width, int height, const std::vector<int>& pixels) {
    int row_bytes = (width * 3 + 3) & ~3;
    uint32_t data_size = static_cast<uint32_t>(row_bytes * height);
    std::vector<uint8_t> file(54 + data_size, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](size_t at, uint16_t v) {
        file[at] = static_cast<uint8_t>(v);
        file[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));   // bottom-up rows
    put16(26, 1);
    put16(28, 24);
    put32(34, data_size);
    for (int y = 0; y < height; y++) {
        size_t row = 54 + static_cast<size_t>((height - 1 - y) * row_bytes);
        for (int x = 0; x < width; x++) {
            int c = pixels[static_cast<size_t>(y * width + x)];
            file[row + 3 * x] = static_cast<uint8_t>(c >> 16);      // blue
            file[row + 3 * x + 1] = static_cast<uint8_t>(c >> 8);   // green
            file[row + 3 * x + 2] = static_cast<uint8_t>(c);        // red
        }
    }
    std::string path = (fs::path(folder) / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
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
