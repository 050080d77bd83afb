#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "tests/support/files.h"

namespace testsupport {

namespace {

constexpr int STOP_GRACE_MS = 3000;
constexpr int POLL_STEP_MS = 10;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string read_text(const std::string& path) { return read_file(path); }

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

int run_command(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int run_in_child(const std::function<int()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(fn() & 0xFF);
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

}  // namespace testsupport
