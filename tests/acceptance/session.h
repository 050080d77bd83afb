// A player at the keyboard and mouse of the real program, run in-process
// under the runtime's test seam: the script is a coroutine that the frame
// hook resumes once per presented frame, and everything it does goes in as
// input events (relative motion, buttons, wheel, keys). The clock is a
// virtual one that moves only when the frame pacing sleeps, so the game runs
// unpaced yet sees steady 60 Hz time.
#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "tests/support/game_runner.h"
#include "tests/support/private_display.h"

namespace acceptance {

// ---------------------------------------------------------------- script coroutines

// A piece of script. It starts when awaited (or when the session starts the
// outermost one) and hands control back to its awaiter when it ends.
class Task {
public:
    struct promise_type {
        std::coroutine_handle<> continuation;
        std::exception_ptr error;
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct Final {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) noexcept {
                auto next = h.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        Final final_suspend() noexcept { return {}; }
        void return_void() {}
        void unhandled_exception() { error = std::current_exception(); }
    };

    explicit Task(std::coroutine_handle<promise_type> h) : handle_(h) {}
    Task(Task&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() {
        if (handle_) handle_.destroy();
    }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) {
        handle_.promise().continuation = caller;
        return handle_;
    }
    void await_resume() {
        if (handle_.promise().error) std::rethrow_exception(handle_.promise().error);
    }

    std::coroutine_handle<promise_type> handle() const { return handle_; }

private:
    std::coroutine_handle<promise_type> handle_;
};

// Thrown by the script when the game did not do what a player expects.
struct ScriptFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using testsupport::InputDevice;

// ---------------------------------------------------------------- the player

class Session {
public:
    Session();
    ~Session();

    // Runs the program with the script, in a fresh working folder that
    // links the build's media, on the session's own X server. Returns when
    // the program has ended.
    void run(const std::function<void()>& program, Task script);

    // The folder the program ran in (kept until the session is destroyed).
    const std::string& folder() const { return runner_.folder(); }
    // Whether the script ran to its end, and why not.
    bool finished() const { return finished_; }
    const std::string& failure() const { return failure_; }
    // Frames presented since the program started (one per frame hook).
    long frame() const { return runner_.frames(); }

    // ---- waiting (co_await these)
    struct NextFrame {
        Session* session;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) noexcept { session->waiting_ = h; }
        void await_resume() const noexcept {}
    };
    // Resumes in the hook of the next presented frame.
    NextFrame next_frame() { return NextFrame{this}; }
    Task frames(int n);
    // Waits frame by frame until the condition holds; fails after `limit`.
    Task until(std::function<bool()> condition, int limit, std::string what);

    // ---- input, pushed now and seen by the game's next frame
    // Relative motion to a screen position; the pointer is tracked here
    // from where the runtime starts it and kept on the screen.
    void move_to(int x, int y) { runner_.hand.move_to(x, y); }
    void left(bool down) { runner_.hand.left(down); }
    void right(bool down) { runner_.hand.right(down); }
    void wheel(int steps) { runner_.hand.wheel(steps); }
    void key(int scan_code, bool down) { runner_.hand.key(scan_code, down); }
    // Input goes to this device from now on (null: SDL's event queue).
    void use_device(InputDevice* device) { runner_.hand.use_device(device); }
    // The next end of the program is what the script asked for.
    void expect_end() { end_expected_ = true; }
    int pointer_x() const { return runner_.hand.x(); }
    int pointer_y() const { return runner_.hand.y(); }
    bool left_down() const { return runner_.hand.left_down(); }
    // The frame in which the left button was last let go.
    long release_frame() const { return runner_.hand.release_frame(); }

    // ---- composite moves
    // Moves, waits a frame, presses, waits a frame, releases. The press is
    // seen by the game in the frame after `press_frame`.
    Task click_at(int x, int y);
    long press_frame() const { return runner_.hand.press_frame(); }
    // Presses and releases a key over two frames.
    Task type_key(int scan_code);

    // Checks a condition of the game; a false one ends the script.
    void check(bool condition, const std::string& what);

private:
    void on_frame();

    testsupport::OwnDisplay display_;
    testsupport::GameRunner runner_;
    std::coroutine_handle<> waiting_;
    Task* script_ = nullptr;
    bool finished_ = false;
    std::string failure_;
    bool end_expected_ = false;
};

}  // namespace acceptance

// Ends the script with a message when a game condition does not hold.
#define SCRIPT_CHECK(session, condition, message)                                     \
    do {                                                                              \
        if (!(condition)) (session).check(false, std::string(#condition) + ": " + (message)); \
    } while (0)
