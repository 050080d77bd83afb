// The scripted player: a coroutine resumed by the frame hook, input pushed
// through the runtime's event path, and a virtual clock.
#include "tests/acceptance/session.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "game/frontend/screen.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"

namespace fs = std::filesystem;

namespace acceptance {

namespace {

// A player holding the button lets go once the game is plainly waiting for
// it: many event pumps with no frame presented mean a release wait loop.
constexpr long PUMPS_BEFORE_LETTING_GO = 2000;
// Far beyond any wait the game has: the program is stuck.
constexpr long PUMPS_STUCK = 20000000;
// No script here needs more frames than this in one run.
constexpr long FRAME_LIMIT = 400000;

// A private working folder with the build's media linked in, so the records
// the program writes stay out of the build tree.
std::string make_folder() {
    std::string pattern = (fs::temp_directory_path() / "wedgewise-accept-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return std::string();
    std::string folder(buf.data());
    std::error_code ec;
    fs::create_directory_symlink(fs::path(WEDGEWISE_BINARY_DIR) / "media", fs::path(folder) / "media", ec);
    return folder;
}

// The runtime's own injection: events pushed into SDL's queue.
class PushedInput : public InputDevice {
public:
    void motion(int dx, int dy) override { input_push_motion(dx, dy); }
    void button(int which, bool down) override { input_push_button(which, down); }
    void wheel(int steps) override { input_push_wheel(steps); }
    void key(int scan_code, bool down) override { input_push_key(scan_code, down); }
};

PushedInput pushed_input;

}  // namespace

Session::Session() : folder_(make_folder()), device_(&pushed_input) {}

void Session::use_device(InputDevice* device) { device_ = device ? device : &pushed_input; }

Session::~Session() {
    std::error_code ec;
    if (!folder_.empty() && std::getenv("WEDGEWISE_KEEP_ACCEPT") == nullptr) fs::remove_all(folder_, ec);
}

void Session::run(const std::function<void()>& program, Task script) {
    script_ = &script;
    waiting_ = script.handle();
    finished_ = false;
    failure_.clear();
    frame_ = 0;
    pumps_since_frame_ = 0;
    pointer_x_ = pointer_y_ = 100;
    left_down_ = false;
    clock_ms_ = 0;
    end_expected_ = false;

    frame_set_clock([this] { return clock_ms_; }, [this](double ms) { clock_ms_ += ms > 0 ? ms : 0; });
    frame_set_frame_hook([this] { on_frame(); });
    frame_set_pump_hook([this] { on_pump(); });

    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = folder_;
    runtime_run(config, program);

    frame_set_frame_hook(nullptr);
    frame_set_pump_hook(nullptr);
    frame_set_clock(nullptr, nullptr);
    waiting_ = nullptr;
    if (!finished_ && failure_.empty()) {
        auto h = script.handle();
        if (end_expected_)
            finished_ = true;
        else if (!h.done())
            failure_ = "the program ended at frame " + std::to_string(frame_) + " before the script did";
    }
    script_ = nullptr;
}

void Session::on_frame() {
    frame_++;
    pumps_since_frame_ = 0;
    if (frame_ > FRAME_LIMIT && failure_.empty()) {
        failure_ = "the script did not finish within " + std::to_string(FRAME_LIMIT) + " frames";
        program_quit();
    }
    if (!waiting_ || !script_) return;
    auto h = waiting_;
    waiting_ = nullptr;
    h.resume();
    device_->settle();
    auto top = script_->handle();
    if (!top.done()) return;
    if (auto error = top.promise().error) {
        try {
            std::rethrow_exception(error);
        } catch (const ScriptFailure& f) {
            failure_ = std::string("frame ") + std::to_string(frame_) + ": " + f.what();
        } catch (const std::exception& e) {
            failure_ = std::string("frame ") + std::to_string(frame_) + ": exception " + e.what();
        } catch (...) {
            failure_ = "frame " + std::to_string(frame_) + ": the program ended inside the script";
        }
    } else {
        finished_ = true;
    }
    script_ = nullptr;
    program_quit();
}

void Session::on_pump() {
    pumps_since_frame_++;
    if (left_down_ && pumps_since_frame_ > PUMPS_BEFORE_LETTING_GO) {
        left(false);
        device_->settle();
    }
    if (pumps_since_frame_ == PUMPS_STUCK) {
        if (failure_.empty()) failure_ = "the program waits for ever after frame " + std::to_string(frame_);
        program_quit();
    }
}

Task Session::frames(int n) {
    for (int i = 0; i < n; i++) co_await next_frame();
}

Task Session::until(std::function<bool()> condition, int limit, std::string what) {
    for (int i = 0; !condition(); i++) {
        if (i >= limit) throw ScriptFailure("waited " + std::to_string(limit) + " frames for " + what);
        co_await next_frame();
    }
}

void Session::move_to(int x, int y) {
    x = std::clamp(x, 0, SCREEN_WIDTH - 1);
    y = std::clamp(y, 0, SCREEN_HEIGHT - 1);
    if (x == pointer_x_ && y == pointer_y_) return;
    device_->motion(x - pointer_x_, y - pointer_y_);
    pointer_x_ = x;
    pointer_y_ = y;
}

void Session::left(bool down) {
    if (down == left_down_) return;
    device_->button(1, down);
    left_down_ = down;
    (down ? press_frame_ : release_frame_) = frame_;
}

void Session::right(bool down) { device_->button(2, down); }

void Session::wheel(int steps) { device_->wheel(steps); }

void Session::key(int scan_code, bool down) { device_->key(scan_code, down); }

Task Session::click_at(int x, int y) {
    move_to(x, y);
    co_await next_frame();
    left(true);
    co_await next_frame();
    left(false);
}

Task Session::type_key(int scan_code) {
    key(scan_code, true);
    co_await next_frame();
    key(scan_code, false);
    co_await next_frame();
}

void Session::check(bool condition, const std::string& what) {
    if (!condition) throw ScriptFailure(what);
}

}  // namespace acceptance
