// The game as a packager installs it: `cmake --install` into a fresh prefix
// gives Debian's games layout (the program in games/, its two media
// containers in share/games/wedgewise/), the desktop entry, the AppStream
// metainfo, the manual page and the icons at every size; the installed
// program answers --version from any folder, and a windowed run started
// elsewhere finds its media in the containers of its data folder, shows its
// screens and is ended through the menu's QUIT by input from the X server,
// writing its records into the player's data folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/acceptance/display.h"
#include "tests/support/screen_picture.h"
#include "tests/support/xtest_client.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- helpers

std::string make_temp_folder(const char* what) {
    std::string pattern = (fs::temp_directory_path() / (std::string("wedgewise-") + what + "-XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs a shell command, its output into a string; returns the exit status.
int run_command(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shell_quoted(const std::string& s) { return "'" + s + "'"; }

// Debian's games layout, under the prefix.
constexpr const char* PROGRAM = "games/wedgewise";
constexpr const char* DATA_FOLDER = "share/games/wedgewise";

// Width and height from a PNG file's header, 0 when it is not a PNG.
std::pair<int, int> png_size(const fs::path& path) {
    std::string b = read_file(path);
    if (b.size() < 24 || b.compare(1, 3, "PNG") != 0) return {0, 0};
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(b[at]) << 24) | (static_cast<unsigned char>(b[at + 1]) << 16) |
               (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
    };
    return {static_cast<int>(be32(16)), static_cast<int>(be32(20))};
}

// ---------------------------------------------------------------- X server input

// The X server's test extension, with the pauses a hand would leave.
struct XInput {
    xtest::Client client;
    bool open() { return client.open().empty(); }
    void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void move(int dx, int dy) {
        while (dx != 0 || dy != 0) {
            int sx = std::clamp(dx, -60, 60), sy = std::clamp(dy, -60, 60);
            client.move(sx, sy);
            pause(4);
            dx -= sx;
            dy -= sy;
        }
    }
    void left(bool down) { client.button(1, down); }
    // Share of the intro's picture that the screen shows (0 when unreadable).
    double intro_picture_shown() {
        constexpr int W = 1024, H = 768;
        std::vector<uint32_t> pixels;
        if (!client.screen_pixels(W, H, pixels)) return 0;
        return screen_picture::shown_share(pixels, W,
                                           std::string(WEDGEWISE_BINARY_DIR) + "/media/" + screen_picture::INTRO_PICTURE,
                                           screen_picture::INTRO_PICTURE_X, screen_picture::INTRO_PICTURE_Y);
    }
};

// ---------------------------------------------------------------- the install

struct Installed {
    std::string prefix;
    std::string output;
    int status = -1;
    ~Installed() {
        std::error_code ec;
        if (!prefix.empty()) fs::remove_all(prefix, ec);
    }
};

// One install per test program run, shared by the cases below.
const Installed& installed() {
    static Installed once = [] {
        Installed i;
        i.prefix = make_temp_folder("prefix");
        i.status = run_command("cmake --install " + shell_quoted(WEDGEWISE_BINARY_DIR) + " --prefix " + shell_quoted(i.prefix),
                               i.output);
        return i;
    }();
    return once;
}

}  // namespace

TEST(Install, LaysOutProgramContainersDesktopEntryMetainfoManualAndIcons) {
    const Installed& i = installed();
    ASSERT_EQ(i.status, 0) << i.output;
    const fs::path root(i.prefix);

    const fs::path program = root / PROGRAM;
    ASSERT_TRUE(fs::is_regular_file(program));
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
    for (const char* container : {"media.gfx", "media.aud"}) {
        SCOPED_TRACE(container);
        const fs::path file = root / DATA_FOLDER / container;
        ASSERT_TRUE(fs::is_regular_file(file));
        // Each container ends with its magic.
        std::string bytes = read_file(file);
        ASSERT_GT(bytes.size(), 1000u);
        EXPECT_NE(bytes.find("sbX", bytes.size() - 16), std::string::npos) << "no container magic at the end";
    }

    std::string desktop = read_file(root / "share/applications/wedgewise.desktop");
    ASSERT_FALSE(desktop.empty()) << "no desktop entry";
    EXPECT_NE(desktop.find("[Desktop Entry]"), std::string::npos);
    EXPECT_NE(desktop.find("\nExec=wedgewise"), std::string::npos);
    EXPECT_NE(desktop.find("\nIcon=wedgewise"), std::string::npos);
    EXPECT_NE(desktop.find("\nType=Application"), std::string::npos);
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(png_size(root / "share/icons/hicolor" / folder / "apps/wedgewise.png"), std::make_pair(size, size));
    }
    EXPECT_NE(read_file(root / "share/man/man6/wedgewise.6").find(".SH OPTIONS"), std::string::npos);
    size_t metainfo = 0;
    for (const auto& e : fs::directory_iterator(root / "share/metainfo")) {
        ++metainfo;
        EXPECT_NE(read_file(e.path()).find("<launchable type=\"desktop-id\">wedgewise.desktop</launchable>"),
                  std::string::npos);
    }
    EXPECT_EQ(metainfo, 1u);
    // Nothing lands anywhere else.
    for (const auto& e : fs::directory_iterator(root))
        EXPECT_TRUE(e.path().filename() == "games" || e.path().filename() == "share") << e.path();
}

TEST(Install, InstalledProgramTellsItsVersionFromAnotherFolder) {
    const Installed& i = installed();
    ASSERT_EQ(i.status, 0) << i.output;
    const std::string elsewhere = make_temp_folder("elsewhere");
    std::string output;
    int status = run_command("cd " + shell_quoted(elsewhere) + " && " + shell_quoted(i.prefix + "/" + PROGRAM) + " --version",
                             output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.rfind("Wedgewise ", 0), 0u) << output;
    fs::remove_all(elsewhere);
}

TEST(Install, InstalledProgramShowsTheAskedFramesAndExitsZero) {
    // The packager's smoke test: --frames ends the game by itself once the
    // intro has shown that many frames, after a line telling when it began.
    const Installed& i = installed();
    ASSERT_EQ(i.status, 0) << i.output;
    acceptance::PrivateDisplay display;
    const std::string elsewhere = make_temp_folder("elsewhere");
    const std::string temp = make_temp_folder("tmp");
    std::string output;
    const int status = run_command("cd " + shell_quoted(elsewhere) + " && TMPDIR=" + shell_quoted(temp) +
                                       " WEDGEWISE_AUTOMATED=1 " + shell_quoted(i.prefix + "/" + PROGRAM) +
                                       " --windowed --frames 30",
                                   output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("wedgewise: first frame shown at "), std::string::npos) << output;
    // The start-up went all the way: the log has its last start-up line.
    EXPECT_NE(read_file(fs::path(temp) / "ErrorLog.txt").find("Init Finalized"), std::string::npos);
    std::string refused;
    EXPECT_NE(run_command(shell_quoted(i.prefix + "/" + PROGRAM) + " --frames 0", refused), 0) << refused;
    fs::remove_all(elsewhere);
    fs::remove_all(temp);
}

TEST(Install, InstalledProgramRunsFromAnotherFolderAndQuitsFromTheMenu) {
    const Installed& i = installed();
    ASSERT_EQ(i.status, 0) << i.output;
    // The program and the input given to it get an X server of their own.
    acceptance::PrivateDisplay display;
    XInput x;
    if (!x.open()) GTEST_SKIP() << "no X display with the test extension";

    // Started from an empty folder, with its own temporary folder for the log.
    const std::string elsewhere = make_temp_folder("elsewhere");
    const std::string temp = make_temp_folder("tmp");
    const std::string player_data = make_temp_folder("xdg");
    const std::string program = i.prefix + "/" + PROGRAM;
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(elsewhere.c_str()) != 0) _exit(120);
        setenv("TMPDIR", temp.c_str(), 1);
        setenv("XDG_DATA_HOME", player_data.c_str(), 1);
        setenv("WEDGEWISE_AUTOMATED", "1", 1);
        execl(program.c_str(), program.c_str(), "--windowed", static_cast<char*>(nullptr));
        _exit(121);
    }

    auto exited = [&](int& status) { return waitpid(pid, &status, WNOHANG) == pid; };
    int status = 0;
    bool ended = false;
    const fs::path log = fs::path(temp) / "ErrorLog.txt";
    // Up to a minute for the start-up log to finish.
    for (int t = 0; t < 600 && !ended && read_file(log).find("Init Finalized") == std::string::npos; t++) {
        ended = exited(status);
        x.pause(100);
    }
    ASSERT_FALSE(ended) << "the installed program ended during start-up";
    EXPECT_NE(read_file(log).find("Init Finalized"), std::string::npos) << read_file(log);

    // The intro's picture shows once the media are loaded from the containers.
    double shown = 0;
    for (int t = 0; t < 60 && !ended && shown < screen_picture::SHOWN; t++) {
        x.pause(500);
        shown = x.intro_picture_shown();
        ended = exited(status);
    }
    EXPECT_GE(shown, screen_picture::SHOWN) << "the intro's picture from the media containers is not on the screen";

    // The pointer is pushed into the bottom right corner, where it stops, then
    // brought onto QUIT; the same click skips the intro and, once the menu
    // shows, quits. Repeated until the program has gone.
    for (int attempt = 0; attempt < 60 && !ended; attempt++) {
        x.move(1100, 800);
        x.move(-512, -36);
        x.pause(300);
        x.left(true);
        x.pause(300);
        x.left(false);
        for (int t = 0; t < 10 && !ended; t++) {
            ended = exited(status);
            x.pause(100);
        }
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(ended) << "the installed program did not quit from its menu";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // No folder holds loose media: everything came from the containers.
    // QUIT wrote the records into the player's data folder, not beside the
    // installed program (whose folder is writable here), and nothing into the
    // folder it was started from.
    const fs::path program_folder = fs::path(i.prefix) / PROGRAM;
    EXPECT_FALSE(fs::exists(fs::path(elsewhere) / "media"));
    EXPECT_FALSE(fs::exists(program_folder.parent_path() / "media"));
    std::error_code ec;
    const fs::path records = fs::path(player_data) / "wedgewise";
    EXPECT_EQ(fs::file_size(records / "hiscore.dat", ec), 405u);
    EXPECT_EQ(fs::file_size(records / "settings.dat", ec), 20u);
    for (const fs::path& folder : {program_folder.parent_path(), fs::path(i.prefix) / DATA_FOLDER})
        for (const char* name : {"hiscore.dat", "settings.dat"})
            EXPECT_FALSE(fs::exists(folder / name)) << folder / name;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    // Start-up met no failure of the window, the GL context or the folder.
    std::string log_text = read_file(log);
    for (const char* failure : {"No Window", "No OpenGL", "No Video", "No Renderer", "No Program Folder"})
        EXPECT_EQ(log_text.find(failure), std::string::npos) << log_text;
    fs::remove_all(elsewhere);
    fs::remove_all(temp);
    fs::remove_all(player_data);
}
