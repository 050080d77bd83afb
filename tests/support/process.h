// Programs a test starts: a child with its output in a log file, a command
// whose output is captured, a piece of the test run in a forked child, and
// bounded waits for a file or a line a program writes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

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

// Runs a shell command with its output and errors into `output`; returns
// its exit status, -1 when it could not run or was killed.
int run_command(const std::string& command, std::string& output);

// Runs fn in a forked child, which exits with fn's value (0..255): for what
// must not touch the test program's own state (its current folder, its
// environment, a program_end). Returns the status as Child::wait does.
int run_in_child(const std::function<int()>& fn);

}  // namespace testsupport
