// The game shipped as a single file: both containers appended to the
// executable, nothing else beside it. Its pictures and its music must still
// be found.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/screen_picture.h"
#include "tests/support/xtest_client.h"
#include "tests/support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr int SCREEN_W = 1024, SCREEN_H = 768;

// Waits for the child to show a sign of life, giving up after max_polls.
bool wait_for(const std::function<bool()>& ready, pid_t child, int max_polls)
{
    for (int i = 0; i < max_polls; ++i) {
        if (ready())
            return true;
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return ready();
        ::usleep(100 * 1000);
    }
    return false;
}

bool has_extracted_track(const fs::path& temp, const std::string& track)
{
    for (const auto& entry : fs::directory_iterator(temp)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("sbx", 0) == 0 && name.size() > track.size() &&
            name.compare(name.size() - track.size(), track.size(), track) == 0)
            return true;
    }
    return false;
}

}  // namespace

TEST(OneFileGame, FindsItsPicturesAndMusicInItsOwnExecutableAlone)
{
    fs::path onefile = fs::path(WEDGEWISE_BINARY_DIR) / "wedgewise-onefile";
    if (!fs::exists(onefile))
        GTEST_SKIP() << "media are not generated in this build";

    std::string pattern = (fs::temp_directory_path() / "wedgewise-onefile-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    fs::create_directories(dir / "tmp");
    fs::copy_file(onefile, dir / "wedgewise", fs::copy_options::overwrite_existing);
    ASSERT_FALSE(fs::exists(dir / "media"));
    ASSERT_FALSE(fs::exists(dir / "media.gfx"));

    // A screen of its own, so no other test's window covers the game's. The
    // server outlives the connection to it.
    struct Server {
        pid_t pid = -1;
        ~Server() {
            if (pid <= 0) return;
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    } server;
    std::string display;
    server.pid = xvfb::start(std::to_string(SCREEN_W) + "x" + std::to_string(SCREEN_H) + "x24", "/dev/null", 20000,
                             display);
    ASSERT_GT(server.pid, 0) << "Xvfb did not start";
    xtest::Client screen;
    ASSERT_EQ(screen.open(display), "");

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        ::setenv("WEDGEWISE_AUTOMATED", "1", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (::chdir("/") != 0) ::_exit(126);
        std::string exe = (dir / "wedgewise").string();
        ::execl(exe.c_str(), exe.c_str(), "--windowed", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The intro's track is extracted from the executable's own container to
    // the private temporary folder, and its picture, decoded from the same
    // executable, shows on the screen.
    const bool music = wait_for([&] { return has_extracted_track(dir / "tmp", "marlow.mp3"); }, child, 600);
    double shown = 0;
    wait_for([&] {
        std::vector<uint32_t> pixels;
        if (screen.screen_pixels(SCREEN_W, SCREEN_H, pixels))
            shown = screen_picture::shown_share(pixels, SCREEN_W,
                                                std::string(WEDGEWISE_BINARY_DIR) + "/media/" +
                                                    screen_picture::INTRO_PICTURE,
                                                screen_picture::INTRO_PICTURE_X, screen_picture::INTRO_PICTURE_Y);
        return shown >= screen_picture::SHOWN;
    }, child, 600);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::remove_all(dir);
    EXPECT_TRUE(music) << "the one-file game did not find its intro music";
    EXPECT_GE(shown, screen_picture::SHOWN) << "the one-file game does not show its intro picture";
}
