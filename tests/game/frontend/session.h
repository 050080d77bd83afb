// Runs real front-end screens on the shared runner: media from the build,
// a private working folder for the records, and per-frame scripts that act
// through the runner's hand.
#pragma once

#include <functional>
#include <string>

#include "tests/support/game_runner.h"
#include "tests/support/scoped_env.h"

class ScreenSession {
public:
    ScreenSession();

    // False (with a reason) when the generated media are not there.
    bool media_ready(std::string& why) const;

    // Starts the runtime, prepares what the main program prepares before its
    // first screen, runs body, and returns once the program has ended or the
    // body returned. Fails the test when the frame limit is hit.
    void run(const std::function<void()>& body, long frame_limit = 5000);

    // Called after every presented frame while run() is active.
    std::function<void()> on_frame;
    // Called at every event pump of the screen (also inside waits). The
    // frame is cleared once presented, so a finished frame can be read only
    // by the pumps of show_screen that come before its present.
    std::function<void()> on_pump;

    // Frames presented since run() began.
    long frames() const { return runner_.frames(); }
    // Whether the last run() ended by the frame limit.
    bool timed_out() const { return timed_out_; }
    // Whether the body returned by itself (not through program_end).
    bool body_returned() const { return body_returned_; }

    // Input, as a player would give it (through the event queue). Buttons
    // and keys still held while the program waits without presenting (a
    // wait for a release) are let go after a while.
    void point(int x, int y) { runner_.hand.place(x, y); }
    void press_left() { runner_.hand.left(true); }
    void release_left() { runner_.hand.left(false); }
    void press_right() { runner_.hand.right(true); }
    void wheel(int steps) { runner_.hand.wheel(steps); }
    void key(int scan_code, bool down) { runner_.hand.key(scan_code, down); }
    bool left_held() const { return runner_.hand.left_down(); }

    std::string folder() const { return runner_.folder(); }

private:
    testsupport::GameRunner runner_;
    testsupport::ScopedEnv tmpdir_;
    bool timed_out_ = false;
    bool body_returned_ = false;
    bool in_body_ = false;
};
