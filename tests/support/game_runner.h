// The one way tests run the real program (or a piece of it) in-process:
// a working folder of its own with the build's media, a virtual clock, a
// hook at every presented frame and at every event pump, one hand on the
// pointer and keys, the limits that tell a wait for a release from a hang,
// and how the run ended.
#pragma once

#include <functional>
#include <string>

#include "runtime/frame/frame.h"

namespace testsupport {

// ---------------------------------------------------------------- limits

// A frame pumps events a handful of times: this many pumps with nothing
// presented mean the game waits for a button or key to be let go.
constexpr long PUMPS_MEANING_A_WAIT = 200;
// Far beyond any wait the game has: the program is stuck.
constexpr long PUMPS_MEANING_A_HANG = 2'000'000;

// ---------------------------------------------------------------- the build's media

// build/media/, build/media.gfx, build/media.aud.
std::string built_media_folder();
std::string built_container(const char* name);
// Whether the generated media are there (font, tiles and the big triangles).
bool built_media_present();

// ---------------------------------------------------------------- the hand

// Where the hand's input goes: SDL's event queue by default, or the X
// server's test extension for the whole real path.
class InputDevice {
public:
    virtual ~InputDevice() = default;
    virtual void motion(int dx, int dy) = 0;
    virtual void button(int which, bool down) = 0;   // 1 left, 2 right
    virtual void wheel(int steps) = 0;               // +1 away from the player
    virtual void key(int scan_code, bool down) = 0;  // set-1 scan code
    // Called once the input of a frame has been given.
    virtual void settle() {}
};

// The events the runtime's test seam pushes into SDL's queue.
InputDevice& pushed_input();

// A player's hand: it knows where it left the pointer and what it holds.
// Input given between two frames is seen by the game's next frame.
class Hand {
public:
    // Relative motion to a screen position (kept on the screen), from where
    // the hand last left the pointer.
    void move_to(int x, int y);
    // The pointer put there at once, as a jump rather than a motion.
    void place(int x, int y);
    void left(bool down);
    void right(bool down);
    void wheel(int steps);
    void key(int scan_code, bool down);
    // Lets go of every button and key it holds.
    void let_go();

    int x() const { return x_; }
    int y() const { return y_; }
    bool left_down() const { return left_down_; }
    bool right_down() const { return right_down_; }
    bool holds_anything() const { return left_down_ || right_down_ || key_held_ >= 0; }
    // Frames (counted by the runner) of the last press and release of the left button.
    long press_frame() const { return press_frame_; }
    long release_frame() const { return release_frame_; }

    // Input goes to this device from now on (null: SDL's event queue).
    void use_device(InputDevice* device);
    InputDevice& device() { return *device_; }
    // Where the runtime starts its pointer, nothing held.
    void reset();

private:
    friend class GameRunner;
    InputDevice* device_ = &pushed_input();
    const long* frame_ = nullptr;
    int x_ = 100, y_ = 100;
    bool left_down_ = false, right_down_ = false;
    int key_held_ = -1;
    long press_frame_ = -1, release_frame_ = -1;
};

// ---------------------------------------------------------------- the runner

class GameRunner {
public:
    // How much of the build's media the working folder gets.
    enum class Media {
        Linked,       // media/ and both containers linked in
        FolderOnly,   // media/ alone: no container, so no music either
        None,     // an empty folder (the test puts in what it needs)
    };
    // How the last run ended.
    enum class End {
        ByItself,     // the program (or the body) ended on its own
        FrameLimit,   // more frames than frame_limit
        Hang,         // the program pumped events for ever without presenting
        Asked,        // the test called end()
    };

    explicit GameRunner(const std::string& prefix = "wedgewise-run", Media media = Media::Linked);
    ~GameRunner();
    GameRunner(const GameRunner&) = delete;
    GameRunner& operator=(const GameRunner&) = delete;

    // The working folder, removed with the runner (kept when
    // WEDGEWISE_KEEP_RUNS is set, to look at after a failure).
    const std::string& folder() const { return folder_; }
    // Windowed, automated, working in folder().
    RuntimeConfig config;

    // ---- the clock: moves by what the frame pacing sleeps, plus a little
    // at every read (so a loop that only reads it still ends).
    // Off: the runtime's own clock and pacing, for runs at a player's speed.
    bool virtual_clock = true;
    double clock_start_ms = 1000;
    double clock_read_cost_ms = 0;
    void advance_clock(double ms) { clock_ms_ += ms; }

    // ---- limits (0: none)
    long frame_limit = 0;
    long release_after_pumps = PUMPS_MEANING_A_WAIT;
    long hang_after_pumps = PUMPS_MEANING_A_HANG;

    // ---- hooks: after every presented frame, at every event pump (also
    // inside the game's waits). Pumps after a frame hook and before the next
    // present see the frame being built; the last of them sees it finished.
    std::function<void()> on_frame;
    std::function<void()> on_pump;

    Hand hand;

    // Runs program inside runtime_run with the hooks and clock installed,
    // and takes them out again however it ends.
    End run(const std::function<void()>& program);
    // Ends the program at once (from a hook or the program), as Asked.
    [[noreturn]] void end(const std::string& why);

    // Frames presented since the run (or the last count_from_here) began.
    long frames() const { return frames_; }
    // Counts frames (and the frame limit) from now on: start-up's frames are
    // not the screen's under test.
    void count_from_here() { frames_ = 0; }
    long pumps_since_frame() const { return pumps_since_frame_; }
    // The pumps counted when the hand last let go in a wait.
    long pumps_at_release() const { return pumps_at_release_; }

    End ended() const { return ended_; }
    const std::string& end_reason() const { return end_reason_; }
    double error_code() const { return error_code_; }

private:
    void frame_hook();
    void pump_hook();

    std::string folder_;
    double clock_ms_ = 0;
    long frames_ = 0;
    long pumps_since_frame_ = 0;
    long pumps_at_release_ = 0;
    End ended_ = End::ByItself;
    std::string end_reason_;
    double error_code_ = 0;
};

const char* to_string(GameRunner::End end);

}  // namespace testsupport
