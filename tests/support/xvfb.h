// Starting an X server of a test's own. Xvfb picks a free display itself and
// tells its number through a pipe once it takes connections, so tests running
// side by side never race for a display number.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace xvfb {

// Starts Xvfb with one screen of `screen` ("WxHxD"), its output appended to
// `log`. Returns the server's pid and sets `display` (":N"), or -1 when it
// did not come up within `wait_ms`. The server dies with the test program.
inline pid_t start(const std::string& screen, const std::string& log, int wait_ms, std::string& display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const std::string fd = std::to_string(fds[1]);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(fds[0]);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        const int none = open("/dev/null", O_RDONLY);
        if (none >= 0) dup2(none, 0);
        // -noreset: a server that resets when its last client leaves
        // refuses the next one for a moment, and a test's clients come and go.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, wait_ms) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}

}  // namespace xvfb
