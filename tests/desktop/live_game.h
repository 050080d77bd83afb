// The real program in this process at its real speed (the runtime's own
// clock and frame pacing), with a script on a thread of its own, as a
// player at the desk: the script sends input through the X server and looks
// at the game only between two frames, on the game's own thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/frame/frame.h"

namespace desktop {

constexpr int GAME_WIDTH = 1024;
constexpr int GAME_HEIGHT = 768;

class LiveGame {
public:
    // Far longer than any step of a script takes on a loaded machine.
    static constexpr double STEP_LIMIT_S = 60;

    LiveGame();
    ~LiveGame();
    LiveGame(const LiveGame&) = delete;
    LiveGame& operator=(const LiveGame&) = delete;

    // Full screen, as a player starts it; a private working folder that
    // links the build's media.
    RuntimeConfig config;
    const std::string& folder() const { return folder_; }

    // Runs the program on this thread and the script on another until both
    // have ended. A script that returns while the program still runs ends
    // it (program_quit).
    void run(const std::function<void()>& program, const std::function<void(LiveGame&)>& script);

    // ---- for the script thread; each returns false once the program has ended
    // Waits until n more frames have been presented.
    bool frames(int n);
    // Runs fn on the game thread between two frames and waits for it.
    bool on_game(const std::function<void()>& fn);
    // Runs fn on the game thread at its next event pump, also while the game
    // waits for a button or is paused (frames stand still then), and waits
    // for it, at most `seconds` (false then: the game handles no messages).
    bool look(const std::function<void()>& fn, double seconds = STEP_LIMIT_S);
    // Frames presented since the program started.
    long frames_shown();
    // How long the game took over frame n (1 = the first presented), from
    // the frame before it, in ms on the steady clock; 0 when unknown. A
    // sound started or stopped at that frame is late by as much.
    double frame_interval_ms(long n);
    // Waits, frame by frame, until the condition (tested on the game thread)
    // holds; false after `seconds` or at the program's end.
    bool until(const std::function<bool()>& condition, double seconds);
    // The next frame the game presents, read from its offscreen frame, and
    // `held` run on the game thread right after presenting it: the game
    // shows that frame and draws nothing else until `held` returns.
    bool hold_presented(const std::function<void(const std::vector<int>& frame)>& held);
    // Ends the program at the next frame (program_quit).
    void quit();

    bool ended();
    // Waits until the program has ended, at most `seconds`.
    bool wait_end(double seconds);
    // Whether the program ended by itself rather than by quit() or the end
    // of the script.
    bool ended_by_itself() const { return ended_ && !quit_asked_; }
    double error_code() const { return error_code_; }

private:
    void on_frame();
    void on_pump();

    std::string folder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long frames_ = 0;
    std::vector<double> frame_times_;   // steady ms of each frame hook
    bool ended_ = false;
    bool quit_asked_ = false;
    double error_code_ = 0;
    std::vector<std::function<void()>> tasks_;
    std::vector<std::function<void()>> looks_;
    long tasks_done_ = 0;
    long tasks_posted_ = 0;
    // The offscreen frame captured in the pumps before the next present.
    long capture_at_ = -1;
    std::vector<int> captured_;
    std::function<void(const std::vector<int>&)> held_;
};

// The build's folder for pictures (build/pictures/), made when missing.
std::string pictures_folder();

// Writes 0xRRGGBB pixels as a PNG file.
bool write_picture(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace desktop
