// An X server of the test program's own, for its whole run: its windows get
// the focus and keep it, where on a display shared with other test
// programs' windows they would lose it now and then, and with it the
// buttons a script holds. Registered once per program as a gtest
// environment; DISPLAY comes back as it was at the end.
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

class PrivateDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<TempDir>("wedgewise-display");
        ASSERT_FALSE(folder_->path().empty());
        pid_ = xvfb::start("1024x768x24", *folder_ / "xvfb.log", SERVER_START_MS, display_);
        ASSERT_GT(pid_, 0) << "no X server of this program's own (is Xvfb installed?)";
        env_.set("DISPLAY", display_);
    }
    void TearDown() override {
        env_.restore();
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        folder_.reset();
    }

private:
    static constexpr int SERVER_START_MS = 20000;
    std::unique_ptr<TempDir> folder_;
    ScopedEnv env_;
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace testsupport
