// The game shipped as a single file: both containers appended to the
// executable, nothing else beside it. Its media must still be found.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

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

TEST(OneFileGame, FindsItsMusicInItsOwnExecutableAlone)
{
    fs::path onefile = fs::path(WEDGEWISE_BINARY_DIR) / "wedgewise-onefile";
    if (!fs::exists(onefile))
        GTEST_SKIP() << "media are not generated in this build";

    fs::path dir = fs::temp_directory_path() / ("wedgewise-onefile-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "tmp");
    fs::copy_file(onefile, dir / "wedgewise", fs::copy_options::overwrite_existing);
    ASSERT_FALSE(fs::exists(dir / "media"));
    ASSERT_FALSE(fs::exists(dir / "media.gfx"));

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        ::setenv("WEDGEWISE_AUTOMATED", "1", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::chdir("/");
        std::string exe = (dir / "wedgewise").string();
        ::execl(exe.c_str(), exe.c_str(), "--windowed", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The intro's track is extracted from the executable's own container to
    // the private temporary folder; the pictures come before it in start-up.
    bool found = wait_for([&] { return has_extracted_track(dir / "tmp", "marlow.mp3"); }, child, 600);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::remove_all(dir);
    EXPECT_TRUE(found) << "the one-file game did not find its intro music";
}
