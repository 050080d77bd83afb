// A private Xvfb; it ends with this object, or with the test program.
#include "tests/acceptance/display.h"

#include "tests/support/xvfb.h"

#include <signal.h>
#include <sys/wait.h>

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
    std::string display;
    const pid_t pid = xvfb::start("1024x768x24", "/dev/null", START_WAIT_MS, display);
    if (pid < 0) return;
    pid_ = pid;
    setenv("DISPLAY", display.c_str(), 1);
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
