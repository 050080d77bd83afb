// A private desktop for one test: an X server of its own size, optionally a
// Weston compositor shown in it (its X11 back end, whose seat is the X
// server's mouse and keyboard), optionally XWayland under Weston, and a
// private PulseAudio whose only sink is a null sink that can be recorded.
// Every server lives in a private runtime folder and HOME, is started here
// and stopped when the stack is destroyed; nothing of the machine's own
// session is touched.
#pragma once

#include <sys/types.h>

#include "tests/support/scoped_env.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace desktop {

// ---------------------------------------------------------------- processes

// A child program with its output in a log file.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    // Starts argv[0] (searched on PATH) with extra environment entries.
    bool start(const std::vector<std::string>& argv,
               const std::vector<std::pair<std::string, std::string>>& env, const std::string& log);
    // Whether it still runs (reaps it when it has ended).
    bool running();
    // Waits up to timeout_ms for the end; the exit status (0..255), 128 + a
    // signal's number, or -1 when it still runs.
    int wait(int timeout_ms);
    // SIGTERM, then SIGKILL when it lingers; waits for the end.
    void stop();
    // SIGKILL at once: the program gets no chance to tidy up.
    void kill_now();
    pid_t pid() const { return pid_; }
    int status() const { return status_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// The first of these programs not found on PATH, or "" when all are there.
std::string missing_program(std::initializer_list<const char*> names);

// Waits (bounded) until the file exists.
bool wait_for_file(const std::string& path, int timeout_ms);

// Waits (bounded) until the file holds the text; gives up early when the
// program that would write it has ended.
bool wait_for_text(const std::string& path, const std::string& text, int timeout_ms, Child* writer);

// ---------------------------------------------------------------- the stack

class Stack {
public:
    Stack();
    ~Stack();
    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    // Xvfb of this size at 24-bit depth; its display name in x_display().
    bool start_x(int width, int height);
    // Weston's X11 back end in the X server: one output of width x height X
    // pixels at that output scale (width / scale logical pixels wide), with
    // XWayland when asked.
    bool start_weston(int width, int height, int scale, bool xwayland);
    // Another Wayland client (a Weston demo) that takes the focus.
    bool start_other_client();
    void stop_other_client() { other_.stop(); }
    // PulseAudio with a null sink "cap" at 44100 Hz as the default sink,
    // kept running by a stream of silence (an idle sink's monitor delivers in
    // bursts and drops the start of what is played next).
    bool start_sound();
    // parec on the sink's monitor into a WAV file, from now on.
    bool start_recording(const std::string& wav_path);
    // Ends the recording; parec writes the WAV header's sizes at its end.
    void stop_recording();
    // Waits (bounded) until at least n streams play into the sound server
    // (the stream of silence that keeps it running is one).
    bool wait_for_streams(int n, double seconds);
    // SIGKILL to the sound server, as when it crashes.
    void kill_sound() { sound_.kill_now(); }

    // Points this process's environment at the stack for the game's SDL:
    // X11 on the X server, native Wayland, or X11 through XWayland; the
    // sound goes to the private server when it runs, else SDL's dummy driver.
    // What was there before comes back when the stack goes.
    enum class Video { X11, Wayland, XWayland };
    void use_for_game(Video video);
    // The same environment as entries for a child program (the real game).
    std::vector<std::pair<std::string, std::string>> game_environment(Video video) const;

    const std::string& x_display() const { return x_display_; }
    const std::string& root() const { return root_; }
    // The private temporary folder (TMPDIR: the game's start-up log).
    const std::string& temp() const { return temp_; }
    // What Weston wrote, for failure messages.
    std::string weston_log() const;
    bool weston_running() { return weston_.running(); }

private:
    std::vector<std::pair<std::string, std::string>> server_environment() const;

    std::string root_, runtime_dir_, home_, temp_;
    std::string x_display_;
    std::string wayland_socket_;
    std::string xwayland_display_;
    std::string pulse_socket_;
    pid_t x_pid_ = -1;
    Child weston_;
    Child other_;
    Child sound_;
    Child keep_running_;
    Child recorder_;
    bool sound_up_ = false;
    testsupport::ScopedEnv game_env_;
};

}  // namespace desktop
