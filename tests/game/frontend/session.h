// Runs real front-end screens in a window: media from the build, a private
// working folder for the records, an unpaced clock, and per-frame scripts
// that act through the input event queue.
#pragma once

#include <functional>
#include <string>

class ScreenSession {
public:
    ScreenSession();
    ~ScreenSession();

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
    long frames() const { return frames_; }
    // Whether the last run() ended by the frame limit.
    bool timed_out() const { return timed_out_; }
    // Whether the body returned by itself (not through program_end).
    bool body_returned() const { return body_returned_; }

    // Input, as a player would give it (through the event queue).
    void point(int x, int y);
    void press_left();
    void release_left();
    void press_right();
    void wheel(int steps);
    void key(int scan_code, bool down);
    // A key pressed and released, as inkey would see it, one frame each.
    bool left_held() const { return left_held_; }

    // Buttons and keys still held while the program waits without
    // presenting (a wait for a release) are let go after a while.
    std::string folder() const { return folder_; }

private:
    std::string folder_;
    long frames_ = 0;
    long pumps_since_frame_ = 0;
    bool timed_out_ = false;
    bool body_returned_ = false;
    bool in_body_ = false;
    bool left_held_ = false;
    bool right_held_ = false;
    int key_held_ = -1;
    double clock_ = 1000.0;
};
