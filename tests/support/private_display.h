// An X server of the test's own: its windows get the focus and keep it,
// where on a display shared with other test programs' windows they would
// lose it now and then, and with it the buttons a script holds; input given
// to it (or leaking from another test's XTest events on a shared server)
// reaches no other program. DISPLAY comes back as it was at the end.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <memory>
#include <string>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"

namespace testsupport {

// For one scope. Without Xvfb the display already set stays in use.
class OwnDisplay {
public:
    OwnDisplay() {
        if (folder_.path().empty()) return;
        pid_ = xvfb::start("1024x768x24", folder_ / "xvfb.log", SERVER_START_MS, display_);
        if (pid_ > 0) env_.set("DISPLAY", display_);
    }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;
    ~OwnDisplay() {
        env_.restore();
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    // Whether a server of our own runs.
    bool own() const { return pid_ > 0; }

private:
    static constexpr int SERVER_START_MS = 20000;
    TempDir folder_{"wedgewise-display"};
    ScopedEnv env_;
    pid_t pid_ = -1;
    std::string display_;
};

// For the test program's whole run, registered once as a gtest environment;
// here a missing server fails the run.
class PrivateDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        display_ = std::make_unique<OwnDisplay>();
        ASSERT_TRUE(display_->own()) << "no X server of this program's own (is Xvfb installed?)";
    }
    void TearDown() override { display_.reset(); }

private:
    std::unique_ptr<OwnDisplay> display_;
};

}  // namespace testsupport
