// The private desktop's servers: each a child of the test program that dies
// with it (PR_SET_PDEATHSIG), started in its own runtime folder.
#include "tests/desktop/stack.h"
#include "tests/support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace desktop {

namespace {

constexpr int SERVER_START_MS = 20000;
constexpr int STOP_GRACE_MS = 3000;
constexpr int POLL_STEP_MS = 10;
// A Wayland client that opens an ordinary window and takes the focus.
constexpr const char* OTHER_CLIENT = "weston-simple-shm";

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// In the child: the environment entries, output to the log, then exec.
[[noreturn]] void exec_child(const std::vector<std::string>& argv,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::string& log) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const auto& [name, value] : env) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    const int out = open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    const int none = open("/dev/null", O_RDONLY);
    if (none >= 0) dup2(none, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

}  // namespace

// ---------------------------------------------------------------- processes

bool Child::start(const std::vector<std::string>& argv,
                  const std::vector<std::pair<std::string, std::string>>& env, const std::string& log) {
    stop();
    status_ = -1;
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) exec_child(argv, env, log);
    pid_ = pid;
    return true;
}

bool Child::running() { return wait(0) < 0 && pid_ > 0; }

int Child::wait(int timeout_ms) {
    if (pid_ <= 0) return status_;
    for (int waited = 0;; waited += POLL_STEP_MS) {
        int raw = 0;
        const pid_t r = waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            pid_ = -1;
            return status_;
        }
        if (r < 0) {
            pid_ = -1;
            return status_;
        }
        if (waited >= timeout_ms) return -1;
        sleep_ms(POLL_STEP_MS);
    }
}

void Child::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (wait(STOP_GRACE_MS) < 0) kill_now();
}

void Child::kill_now() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    wait(STOP_GRACE_MS);
}

std::string missing_program(std::initializer_list<const char*> names) {
    const char* path = std::getenv("PATH");
    for (const char* name : names) {
        bool found = false;
        std::stringstream dirs(path ? path : "/usr/bin:/bin");
        std::string dir;
        while (!found && std::getline(dirs, dir, ':'))
            found = !dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0;
        if (!found) return name;
    }
    return std::string();
}

bool wait_for_file(const std::string& path, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += POLL_STEP_MS) {
        if (access(path.c_str(), F_OK) == 0) return true;
        sleep_ms(POLL_STEP_MS);
    }
    return false;
}

bool wait_for_text(const std::string& path, const std::string& text, int timeout_ms, Child* writer) {
    for (int waited = 0; waited <= timeout_ms; waited += POLL_STEP_MS) {
        if (read_text(path).find(text) != std::string::npos) return true;
        if (writer && !writer->running()) return read_text(path).find(text) != std::string::npos;
        sleep_ms(POLL_STEP_MS);
    }
    return false;
}

// ---------------------------------------------------------------- the stack

Stack::Stack() {
    std::error_code ec;
    std::string name = (fs::temp_directory_path(ec) / "wedgewise-desktop-XXXXXX").string();
    if (!ec && mkdtemp(name.data()) != nullptr) root_ = name;
    runtime_dir_ = root_ + "/run";
    home_ = root_ + "/home";
    temp_ = root_ + "/tmp";
    for (const std::string& d : {runtime_dir_, home_, temp_}) mkdir(d.c_str(), 0700);
}

Stack::~Stack() {
    recorder_.stop();
    keep_running_.stop();
    other_.stop();
    sound_.stop();
    weston_.stop();
    if (x_pid_ > 0) {
        ::kill(x_pid_, SIGTERM);
        waitpid(x_pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!root_.empty() && std::getenv("WEDGEWISE_KEEP_DESKTOP") == nullptr) fs::remove_all(root_, ec);
}

std::vector<std::pair<std::string, std::string>> Stack::server_environment() const {
    return {{"XDG_RUNTIME_DIR", runtime_dir_}, {"HOME", home_}, {"TMPDIR", temp_},
            {"XDG_CONFIG_HOME", home_ + "/.config"}, {"DISPLAY", x_display_}, {"WAYLAND_DISPLAY", ""},
            {"PULSE_SERVER", ""}, {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}};
}

bool Stack::start_x(int width, int height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    x_pid_ = xvfb::start(screen, root_ + "/xvfb.log", SERVER_START_MS, x_display_);
    return x_pid_ > 0;
}

bool Stack::start_weston(int width, int height, int scale, bool xwayland) {
    // Named after the stack's own folder: unique among the stacks of
    // programs running side by side.
    wayland_socket_ = "wedgewise-" + fs::path(root_).filename().string();
    std::vector<std::string> argv = {"weston", "--backend=x11-backend.so", "--socket=" + wayland_socket_,
                                     // The X11 back end takes the output's size in logical pixels.
                                     "--width=" + std::to_string(width / scale),
                                     "--height=" + std::to_string(height / scale),
                                     "--scale=" + std::to_string(scale), "--use-pixman", "--idle-time=0",
                                     "--no-config", "--log=" + root_ + "/weston.log"};
    if (xwayland) argv.push_back("--xwayland");
    if (!weston_.start(argv, server_environment(), root_ + "/weston.out")) return false;
    if (!wait_for_file(runtime_dir_ + "/" + wayland_socket_, SERVER_START_MS)) return false;
    if (!xwayland) return true;
    // XWayland takes the first free display number and announces it.
    for (int waited = 0; waited < SERVER_START_MS; waited += POLL_STEP_MS) {
        const std::string log = weston_log();
        const size_t at = log.find("listening on display ");
        if (at != std::string::npos) {
            std::string rest = log.substr(at + std::string("listening on display ").size());
            size_t end = rest.find_first_not_of(":0123456789");
            xwayland_display_ = rest.substr(0, end);
            return !xwayland_display_.empty();
        }
        sleep_ms(POLL_STEP_MS);
    }
    return false;
}

bool Stack::start_other_client() {
    auto env = server_environment();
    env.push_back({"WAYLAND_DISPLAY", wayland_socket_});
    return other_.start({OTHER_CLIENT}, env, root_ + "/other.log");
}

std::string Stack::weston_log() const { return read_text(root_ + "/weston.log") + read_text(root_ + "/weston.out"); }

bool Stack::start_sound() {
    pulse_socket_ = runtime_dir_ + "/pulse/native";
    auto env = server_environment();
    if (!sound_.start({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                       "--disable-shm=yes", "-L", "module-native-protocol-unix auth-anonymous=1",
                       "-L", "module-null-sink sink_name=cap rate=44100 channels=2"},
                      env, root_ + "/pulse.log"))
        return false;
    if (!wait_for_file(pulse_socket_, SERVER_START_MS)) return false;
    env.push_back({"PULSE_SERVER", "unix:" + pulse_socket_});
    // The server takes connections a moment after the socket appears.
    for (int tries = 0; tries < 50; ++tries) {
        Child pactl;
        if (pactl.start({"pactl", "set-default-sink", "cap"}, env, root_ + "/pactl.log") && pactl.wait(5000) == 0) {
            sound_up_ = keep_running_.start({"pacat", "--playback", "--raw", "--format=s16le", "--rate=44100",
                                             "--channels=2", "/dev/zero"},
                                            env, root_ + "/pacat.log");
            return sound_up_;
        }
        sleep_ms(100);
    }
    return false;
}

bool Stack::start_recording(const std::string& wav_path) {
    auto env = server_environment();
    env.push_back({"PULSE_SERVER", "unix:" + pulse_socket_});
    if (!recorder_.start({"parec", "-d", "cap.monitor", "--rate=44100", "--channels=2", "--format=s16le",
                          "--latency-msec=20", "--file-format=wav", wav_path},
                         env, root_ + "/parec.log"))
        return false;
    // Recording has begun once the file grows past its header.
    constexpr long FLOWING_BYTES = 44 + 44100 * 4 / 5;
    for (int waited = 0; waited < SERVER_START_MS; waited += POLL_STEP_MS) {
        struct stat info {};
        if (stat(wav_path.c_str(), &info) == 0 && info.st_size > FLOWING_BYTES) return true;
        sleep_ms(POLL_STEP_MS);
    }
    return false;
}

bool Stack::wait_for_streams(int n, double seconds) {
    auto env = server_environment();
    env.push_back({"PULSE_SERVER", "unix:" + pulse_socket_});
    const std::string listing = root_ + "/sink-inputs.txt";
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        unlink(listing.c_str());
        Child pactl;
        if (pactl.start({"pactl", "list", "short", "sink-inputs"}, env, listing) && pactl.wait(5000) == 0) {
            std::stringstream lines(read_text(listing));
            std::string line;
            int streams = 0;
            while (std::getline(lines, line))
                if (!line.empty()) ++streams;
            if (streams >= n) return true;
        }
        sleep_ms(POLL_STEP_MS * 5);
    }
    return false;
}

void Stack::stop_recording() {
    // SIGINT lets parec finish the file as at a Ctrl+C.
    if (recorder_.pid() > 0) ::kill(recorder_.pid(), SIGINT);
    if (recorder_.wait(STOP_GRACE_MS) < 0) recorder_.stop();
}

std::vector<std::pair<std::string, std::string>> Stack::game_environment(Video video) const {
    std::vector<std::pair<std::string, std::string>> env = {
        {"XDG_RUNTIME_DIR", runtime_dir_}, {"HOME", home_}, {"TMPDIR", temp_},
        {"XDG_DATA_HOME", home_ + "/.local/share"}, {"LIBGL_ALWAYS_SOFTWARE", "1"},
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}};
    switch (video) {
    case Video::X11:
        env.push_back({"SDL_VIDEODRIVER", "x11"});
        env.push_back({"DISPLAY", x_display_});
        env.push_back({"WAYLAND_DISPLAY", ""});
        break;
    case Video::Wayland:
        // No X server to fall back on: the game runs on Wayland or not at all.
        env.push_back({"SDL_VIDEODRIVER", "wayland"});
        env.push_back({"WAYLAND_DISPLAY", wayland_socket_});
        env.push_back({"DISPLAY", ""});
        break;
    case Video::XWayland:
        env.push_back({"SDL_VIDEODRIVER", "x11"});
        env.push_back({"DISPLAY", xwayland_display_});
        env.push_back({"WAYLAND_DISPLAY", wayland_socket_});
        break;
    }
    if (sound_up_) {
        env.push_back({"SDL_AUDIODRIVER", "pulseaudio"});
        env.push_back({"PULSE_SERVER", "unix:" + pulse_socket_});
    } else {
        env.push_back({"SDL_AUDIODRIVER", "dummy"});
        env.push_back({"PULSE_SERVER", ""});
    }
    return env;
}

void Stack::use_for_game(Video video) {
    for (const auto& [name, value] : game_environment(video)) game_env_.set(name, value.empty() ? nullptr : value.c_str());
}

}  // namespace desktop
