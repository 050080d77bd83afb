// An X server of the test's own: input given to it (or leaking from another
// test's XTest events on a shared server) reaches no other program.
#pragma once

#include <string>
#include <sys/types.h>

namespace acceptance {

// Starts Xvfb on a free display and points DISPLAY at it until destroyed;
// without Xvfb the display already set stays in use.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Whether a server of our own runs.
    bool own() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    std::string previous_;
    bool had_previous_ = false;
};

}  // namespace acceptance
