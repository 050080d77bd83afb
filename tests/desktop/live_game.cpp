#include "tests/desktop/live_game.h"

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <system_error>
#include <thread>

#include "runtime/frame/frame_testing.h"
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/image_internal.h"
#include "runtime/process/process.h"

namespace fs = std::filesystem;

namespace desktop {

namespace {

constexpr auto STEP_LIMIT = std::chrono::duration<double>(LiveGame::STEP_LIMIT_S);

std::string make_folder() {
    std::error_code ec;
    std::string name = (fs::temp_directory_path(ec) / "wedgewise-live-XXXXXX").string();
    if (ec || mkdtemp(name.data()) == nullptr) return std::string();
    fs::create_directory_symlink(fs::path(WEDGEWISE_BINARY_DIR) / "media", fs::path(name) / "media", ec);
    // The music ("mp3media/...") comes from the audio container only.
    for (const char* container : {"media.gfx", "media.aud"})
        fs::create_symlink(fs::path(WEDGEWISE_BINARY_DIR) / container, fs::path(name) / container, ec);
    return name;
}

}  // namespace

LiveGame::LiveGame() : folder_(make_folder()) {
    config.full_screen = 1;
    config.automated = 1;  // no notice box about software GL
    config.working_folder = folder_;
}

LiveGame::~LiveGame() {
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
}

void LiveGame::run(const std::function<void()>& program, const std::function<void(LiveGame&)>& script) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        frames_ = 0;
        frame_times_.clear();
        ended_ = false;
        quit_asked_ = false;
        tasks_.clear();
        tasks_done_ = tasks_posted_ = 0;
        capture_at_ = -1;
    }
    // A private desktop has no other program to take the focus by chance:
    // focus changes are the window system's, as for a player.
    frame_hear_focus(true);
    frame_set_frame_hook([this] { on_frame(); });
    frame_set_pump_hook([this] { on_pump(); });
    std::thread player([this, &script] {
        script(*this);
        quit();
    });
    runtime_run(config, program);
    error_code_ = runtime_error_code();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
    player.join();
    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_hear_focus(false);
}

void LiveGame::on_pump() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Also inside the game's wait loops, which present nothing.
    if (quit_asked_) {
        lock.unlock();
        program_quit();
    }
    // The last pump before the present sees the finished frame.
    if (capture_at_ >= 0 && frame_count() == capture_at_) read_pixels(0, 0, GAME_WIDTH, GAME_HEIGHT, captured_);
    if (looks_.empty()) return;
    std::vector<std::function<void()>> looks;
    looks.swap(looks_);
    lock.unlock();
    for (auto& look : looks) look();
    lock.lock();
    tasks_done_ += long(looks.size());
    lock.unlock();
    changed_.notify_all();
}

void LiveGame::on_frame() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++frames_;
    frame_times_.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count());
    if (quit_asked_) {
        lock.unlock();
        program_quit();
    }
    if (capture_at_ >= 0 && frame_count() > capture_at_) {
        auto held = std::move(held_);
        std::vector<int> frame = std::move(captured_);
        capture_at_ = -1;
        lock.unlock();
        held(frame);
        lock.lock();
        ++tasks_done_;
    }
    std::vector<std::function<void()>> tasks;
    tasks.swap(tasks_);
    lock.unlock();
    for (auto& task : tasks) task();
    lock.lock();
    tasks_done_ += long(tasks.size());
    lock.unlock();
    changed_.notify_all();
}

bool LiveGame::frames(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    const long target = frames_ + n;
    return changed_.wait_for(lock, STEP_LIMIT, [&] { return ended_ || frames_ >= target; }) && !ended_;
}

bool LiveGame::on_game(const std::function<void()>& fn) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ended_) return false;
    tasks_.push_back(fn);
    const long ticket = ++tasks_posted_;
    return changed_.wait_for(lock, STEP_LIMIT, [&] { return ended_ || tasks_done_ >= ticket; }) &&
           tasks_done_ >= ticket;
}

bool LiveGame::look(const std::function<void()>& fn, double seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ended_) return false;
    // Kept alive by the queue: a look given up on may still run later.
    auto task = std::make_shared<std::function<void()>>(fn);
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    looks_.push_back([task, cancelled] {
        if (!*cancelled) (*task)();
    });
    const long ticket = ++tasks_posted_;
    const bool done = changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                                        [&] { return ended_ || tasks_done_ >= ticket; }) &&
                      tasks_done_ >= ticket;
    if (!done) *cancelled = true;
    return done;
}

long LiveGame::frames_shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

double LiveGame::frame_interval_ms(long n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n < 2 || size_t(n) > frame_times_.size()) return 0;
    return frame_times_[size_t(n - 1)] - frame_times_[size_t(n - 2)];
}

bool LiveGame::until(const std::function<bool()>& condition, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        bool holds = false;
        if (!on_game([&] { holds = condition(); })) return false;
        if (holds) return true;
    }
    return false;
}

bool LiveGame::hold_presented(const std::function<void(const std::vector<int>& frame)>& held) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ended_) return false;
    const long ticket = ++tasks_posted_;
    // Armed at the next frame hook, so the pumps after it belong to the
    // frame presented after that.
    tasks_.push_back([this, held] {
        std::lock_guard<std::mutex> inner(mutex_);
        capture_at_ = frame_count();
        held_ = held;
        --tasks_done_;  // counted when `held` has run
    });
    return changed_.wait_for(lock, STEP_LIMIT, [&] { return ended_ || tasks_done_ >= ticket; }) &&
           tasks_done_ >= ticket;
}

void LiveGame::quit() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ended_) quit_asked_ = true;
}

bool LiveGame::ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

bool LiveGame::wait_end(double seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return ended_; });
}

std::string pictures_folder() {
    const fs::path folder = fs::path(WEDGEWISE_BINARY_DIR) / "pictures";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder.string();
}

bool write_picture(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < pixels.size() && i * 4 < rgba.size(); ++i) {
        rgba[4 * i] = uint8_t(pixels[i] >> 16);
        rgba[4 * i + 1] = uint8_t(pixels[i] >> 8);
        rgba[4 * i + 2] = uint8_t(pixels[i]);
        rgba[4 * i + 3] = 255;
    }
    return write_png_file(path, width, height, rgba);
}

}  // namespace desktop
