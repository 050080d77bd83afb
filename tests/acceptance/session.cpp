// The scripted player: a coroutine resumed by the shared runner's frame
// hook, input given through its hand, and its virtual clock.
#include "tests/acceptance/session.h"

#include "runtime/process/process.h"

namespace acceptance {

namespace {

// No script here needs more frames than this in one run.
constexpr long FRAME_LIMIT = 400000;

}  // namespace

Session::Session() : runner_("wedgewise-accept", testsupport::GameRunner::Media::FolderOnly) {
    runner_.clock_start_ms = 0;
    runner_.frame_limit = FRAME_LIMIT;
    runner_.on_frame = [this] { on_frame(); };
}

Session::~Session() = default;

void Session::run(const std::function<void()>& program, Task script) {
    script_ = &script;
    waiting_ = script.handle();
    finished_ = false;
    failure_.clear();
    end_expected_ = false;

    const auto end = runner_.run(program);
    waiting_ = nullptr;
    if (failure_.empty() && end == testsupport::GameRunner::End::FrameLimit)
        failure_ = "the script did not finish within " + std::to_string(FRAME_LIMIT) + " frames";
    if (failure_.empty() && end == testsupport::GameRunner::End::Hang)
        failure_ = "the program " + runner_.end_reason();
    if (!finished_ && failure_.empty()) {
        if (end_expected_)
            finished_ = true;
        else if (!script.handle().done())
            failure_ = "the program ended at frame " + std::to_string(frame()) + " before the script did";
    }
    script_ = nullptr;
}

void Session::on_frame() {
    if (!waiting_ || !script_) return;
    auto h = waiting_;
    waiting_ = nullptr;
    h.resume();
    runner_.hand.device().settle();
    auto top = script_->handle();
    if (!top.done()) return;
    const std::string at = "frame " + std::to_string(frame()) + ": ";
    if (auto error = top.promise().error) {
        try {
            std::rethrow_exception(error);
        } catch (const ScriptFailure& f) {
            failure_ = at + f.what();
        } catch (const std::exception& e) {
            failure_ = at + "exception " + e.what();
        } catch (...) {
            failure_ = at + "the program ended inside the script";
        }
    } else {
        finished_ = true;
    }
    script_ = nullptr;
    runner_.end(failure_.empty() ? "the script ended" : failure_);
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
