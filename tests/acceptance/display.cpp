// A private Xvfb: it picks a free display itself and tells its number
// through a pipe; it ends with this object, or with the test program.
#include "tests/acceptance/display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace acceptance {

namespace {

constexpr int START_WAIT_MS = 20000;

}  // namespace

PrivateDisplay::PrivateDisplay() {
    if (const char* d = std::getenv("DISPLAY")) {
        previous_ = d;
        had_previous_ = true;
    }
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, 1);
            dup2(quiet, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, START_WAIT_MS) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return;
    }
    pid_ = pid;
    setenv("DISPLAY", (":" + number).c_str(), 1);
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    if (had_previous_)
        setenv("DISPLAY", previous_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

}  // namespace acceptance
