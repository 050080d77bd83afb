// settings.dat and hiscore.dat: their bytes, damaged files, and the rules
// for entering the high-score table. No window is needed: the records live in
// the current folder while it is writable.
#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/files/files.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string padded_name(const std::string& name) { return name + std::string(20 - name.size(), ' '); }

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        old_folder_ = fs::current_path();
        char pattern[] = "/tmp/wedgewise-records-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        fs::current_path(folder_);
        high_score_table.dim(16, 2);
        player_name.clear();
        score = 0;
    }
    void TearDown() override {
        fs::current_path(old_folder_);
        fs::remove_all(folder_);
    }
    fs::path settings_file() const { return folder_ / "settings.dat"; }
    fs::path hiscore_file() const { return folder_ / "hiscore.dat"; }

    fs::path old_folder_, folder_;
};

const std::vector<uint8_t> DEFAULT_SETTINGS = {0, 1, 20, 20, 200, 160, 20, 20, 200, 20,
                                               200, 20, 160, 20, 20, 200, 200, 200, 200, 20};

}  // namespace

// ---------------------------------------------------------------- folder

TEST_F(Records, DataFolderIsTheWritableCurrentFolder) {
    EXPECT_EQ(fs::path(data_folder()), fs::path(folder_.string() + "/"));
}

// data_folder() as seen by an ordinary user in a folder it cannot write: a
// child process drops root (which may write anywhere) before asking.
std::string data_folder_of_unprivileged_user(const fs::path& folder) {
    int channel[2];
    if (pipe(channel) != 0) return "pipe failed";
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        if (chdir(folder.c_str()) != 0) _exit(1);
        std::string answer = data_folder();
        ssize_t written = write(channel[1], answer.data(), answer.size());
        _exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return answer;
}

TEST_F(Records, DataFolderFallsBackToThePlayersDataFolder) {
    fs::path locked = folder_ / "locked";
    fs::create_directory(locked);
    fs::path xdg = folder_ / "xdg";
    fs::create_directory(xdg);
    fs::permissions(folder_, fs::perms::all);
    fs::permissions(xdg, fs::perms::all);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
    std::string folder;
    {
        const testsupport::ScopedEnv data("XDG_DATA_HOME", xdg.c_str());
        folder = data_folder_of_unprivileged_user(locked);
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(folder, (xdg / "wedgewise").string() + "/");
    EXPECT_TRUE(fs::is_directory(xdg / "wedgewise"));
}

TEST_F(Records, AnInstalledGameKeepsItsRecordsInThePlayersFolderEvenWhereItCouldWrite) {
    // Installed: the program's folder holds no containers, the data folder does.
    fs::path data = folder_ / "share";
    fs::create_directory(data);
    std::ofstream(data / "media.gfx") << "container";
    fs::path xdg = folder_ / "xdg";
    media_data_folder_set(data.string());
    media_container_set("media.gfx", "media.aud");
    testsupport::ScopedEnv data_home("XDG_DATA_HOME", xdg.c_str());
    const std::string installed = data_folder();
    // A copy with its containers beside it is portable again.
    std::ofstream("media.gfx") << "container";
    const std::string portable = data_folder();
    data_home.restore();
    media_container_set("", "");
    media_data_folder_set("");
    EXPECT_EQ(installed, (xdg / "wedgewise").string() + "/");
    EXPECT_EQ(fs::path(portable), fs::path(folder_.string() + "/"));
}

// ---------------------------------------------------------------- settings

TEST_F(Records, MissingSettingsGiveTheDefaultsAndSaveAsTwentyBytes) {
    music_off = 1;
    vortex_on = 0;
    load_settings();
    EXPECT_EQ(music_off, 0);
    EXPECT_EQ(vortex_on, 1);
    EXPECT_EQ(tile_colour_of("1"), 20 + 256 * 20 + 65536 * 200);
    EXPECT_EQ(tile_colour_of("6"), 200 + 256 * 200 + 65536 * 20);
    EXPECT_FALSE(fs::exists(settings_file())) << "loading never writes the file";

    save_settings();
    EXPECT_EQ(file_bytes(settings_file()), DEFAULT_SETTINGS);
}

TEST_F(Records, SettingsRoundTripThroughTheFile) {
    std::vector<uint8_t> bytes = {1, 0, 255, 19, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 128};
    write_bytes(settings_file(), bytes);
    load_settings();
    EXPECT_EQ(music_off, 1);
    EXPECT_EQ(vortex_on, 0);
    EXPECT_EQ(colour_channels[0], 255);
    EXPECT_EQ(colour_channels[17], 128);
    EXPECT_EQ(tile_colours[0], 255 + 256 * 19);
    EXPECT_EQ(tile_colours[5], 13 + 256 * 14 + 65536 * 128);
    fs::remove(settings_file());
    save_settings();
    EXPECT_EQ(file_bytes(settings_file()), bytes);
}

TEST_F(Records, ShortSettingsFileCountsAsMissingAndIsLeftAlone) {
    for (size_t length : {size_t(0), size_t(1), size_t(19)}) {
        std::vector<uint8_t> bytes(length, 7);
        write_bytes(settings_file(), bytes);
        music_off = 1;
        colour_channels[0] = 99;
        load_settings();
        EXPECT_EQ(music_off, 0) << length;
        EXPECT_EQ(colour_channels[0], 20) << length;
        EXPECT_EQ(file_bytes(settings_file()), bytes) << "a short file stays as it was until the next save";
    }
    save_settings();
    EXPECT_EQ(file_bytes(settings_file()), DEFAULT_SETTINGS);
}

TEST_F(Records, LongerSettingsFileIsReadUpToItsTwentiethByte) {
    std::vector<uint8_t> bytes = DEFAULT_SETTINGS;
    bytes[0] = 1;
    bytes.push_back(250);
    write_bytes(settings_file(), bytes);
    load_settings();
    EXPECT_EQ(music_off, 1);
    EXPECT_EQ(colour_channels[17], 20);
}

// ---------------------------------------------------------------- hostile files

namespace {

// Runs the check in a child process, so an open that never returns or an
// allocation that fails cannot take the test program with it: the alarm
// ends a child stuck for good. "" when the child passed, else what happened.
std::string in_child(const std::function<bool()>& check, rlim_t extra_address_space = 0) {
    constexpr unsigned STUCK_SECONDS = 30;
    pid_t child = fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        alarm(STUCK_SECONDS);
        if (extra_address_space > 0) {
            // Room for what the check may honestly need, not for the whole file.
            std::ifstream statm("/proc/self/statm");
            long pages = 0;
            statm >> pages;
            const rlim_t now = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
            rlimit limit{now + extra_address_space, now + extra_address_space};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(4);
        }
        _exit(check() ? 0 : 3);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return "waitpid failed";
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0) return "exit status " + std::to_string(WEXITSTATUS(status));
    return "";
}

}  // namespace

TEST_F(Records, FifosDevicesAndFoldersNamedLikeTheFilesCountAsMissing) {
    const struct {
        const char* what;
        std::function<void(const fs::path&)> plant;
    } plants[] = {
        {"a FIFO nobody writes to", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"a device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }},
    };
    for (const auto& [what, plant] : plants) {
        plant(settings_file());
        plant(hiscore_file());
        const std::string outcome = in_child([] {
            music_off = 1;
            load_settings();
            load_high_scores();
            return music_off == 0 && vortex_on == 1 &&
                   high_score_table(0, 0) == padded_name(default_high_score_name(0));
        });
        EXPECT_EQ(outcome, "") << "the records as " << what;
        fs::remove(settings_file());
        fs::remove(hiscore_file());
    }
}

TEST_F(Records, AHugeHighScoreFileIsReadOnlyAsFarAsItsFormat) {
    constexpr off_t FOUR_GB = off_t(4) << 30;
    constexpr rlim_t ROOM = rlim_t(256) << 20;
    // A valid table ("A" everywhere), then zeros up to 4 GB (sparse on disk).
    write_bytes(hiscore_file(), std::vector<uint8_t>(405, 45));
    ASSERT_EQ(truncate(hiscore_file().c_str(), FOUR_GB), 0);
    std::vector<uint8_t> settings = DEFAULT_SETTINGS;
    settings[1] = 0;   // the vortex off: not the default
    write_bytes(settings_file(), settings);
    ASSERT_EQ(truncate(settings_file().c_str(), FOUR_GB), 0);
    const std::string outcome = in_child(
        [] {
            load_settings();
            load_high_scores();
            return vortex_on == 0 && high_score_table(0, 0) == std::string(20, 'A') &&
                   high_score_table(14, 1) == "AAAAAAA";
        },
        ROOM);
    EXPECT_EQ(outcome, "");
}

// ---------------------------------------------------------------- high-score file

TEST_F(Records, DefaultNamesAreAShortUpperCaseMessage) {
    for (int row = 0; row < 15; ++row) {
        std::string name = default_high_score_name(row);
        EXPECT_FALSE(name.empty()) << row;
        EXPECT_LE(name.size(), 20u) << row;
        for (char c : name) {
            EXPECT_TRUE(c >= 32 && c <= 91) << "the font cannot show '" << c << "' in " << name;
            EXPECT_FALSE(c >= 'a' && c <= 'z') << name;
        }
    }
    EXPECT_STREQ(default_high_score_name(15), "");
}

TEST_F(Records, MissingHighScoresGiveTheDefaultTableAndItsBytes) {
    load_high_scores();
    for (int row = 0; row < 15; ++row) {
        EXPECT_EQ(high_score_table(row, 0), padded_name(default_high_score_name(row)));
        double expected = 75000 - 5000 * row;
        EXPECT_EQ(string_to_number(high_score_table(row, 1)), expected);
        EXPECT_EQ(high_score_table(row, 1).size(), 7u);
    }
    EXPECT_EQ(high_score_table(0, 1), "  75000");
    EXPECT_EQ(high_score_table(14, 1), "   5000");
    EXPECT_FALSE(fs::exists(hiscore_file()));

    save_high_scores();
    std::vector<uint8_t> bytes = file_bytes(hiscore_file());
    ASSERT_EQ(bytes.size(), 405u);
    std::string first = default_high_score_name(0);
    for (size_t i = 0; i < 20; ++i) {
        int code = i < first.size() ? first[i] : ' ';
        EXPECT_EQ(bytes[i], code - 20) << i;
    }
    std::vector<uint8_t> score_bytes(bytes.begin() + 20, bytes.begin() + 27);
    EXPECT_EQ(score_bytes, (std::vector<uint8_t>{12, 12, 35, 33, 28, 28, 28}));
    // The last record is 5000 after three spaces.
    std::vector<uint8_t> last(bytes.end() - 7, bytes.end());
    EXPECT_EQ(last, (std::vector<uint8_t>{12, 12, 12, 33, 28, 28, 28}));
}

TEST_F(Records, HighScoresRoundTripThroughTheFile) {
    load_high_scores();
    high_score_table(3, 0) = "[ODD- NAME 123";
    high_score_table(3, 1) = "61000";
    save_high_scores();
    high_score_table.dim(16, 2);
    load_high_scores();
    EXPECT_EQ(high_score_table(3, 0), padded_name("[ODD- NAME 123"));
    EXPECT_EQ(high_score_table(3, 1), "  61000");
    EXPECT_EQ(high_score_table(4, 0), padded_name(default_high_score_name(4)));
}

TEST_F(Records, ShortHighScoreFileGivesTheDefaultsAndIsLeftAlone) {
    std::vector<uint8_t> bytes(404, 45);   // all "A"
    write_bytes(hiscore_file(), bytes);
    load_high_scores();
    EXPECT_EQ(high_score_table(0, 0), padded_name(default_high_score_name(0)));
    EXPECT_EQ(high_score_table(0, 1), "  75000");
    EXPECT_EQ(file_bytes(hiscore_file()), bytes);
}

TEST_F(Records, CharactersTheFontCannotShowBecomeSpaces) {
    std::vector<uint8_t> bytes(405, 45);          // "A" everywhere
    bytes[0] = 0;                                 // code 20
    bytes[1] = 11;                                // code 31, just below the space
    bytes[2] = 71;                                // code 91 "[" is kept
    bytes[3] = 72;                                // code 92
    bytes[4] = 200;                               // -56 + 20: negative
    bytes[5] = 127;                               // code 147
    for (int i = 20; i < 27; ++i) bytes[static_cast<size_t>(i)] = 28;   // "0000000"
    bytes[20] = 100;                              // "x" in the score text
    write_bytes(hiscore_file(), bytes);
    load_high_scores();
    EXPECT_EQ(high_score_table(0, 0), std::string("  [  ") + " " + std::string(14, 'A'));
    EXPECT_EQ(high_score_table(0, 1), " 000000");
    EXPECT_EQ(high_score_table(1, 0), std::string(20, 'A'));
    EXPECT_EQ(file_bytes(hiscore_file()), bytes) << "cleaning happens in memory only";
}

// ---------------------------------------------------------------- inserting

TEST_F(Records, AScoreEqualToTheFifteenthIsNotInsertedOneMoreIs) {
    load_high_scores();
    score = 5000;
    insert_high_score("EQUAL");
    EXPECT_EQ(high_score_table(14, 0), padded_name(default_high_score_name(14)));
    EXPECT_EQ(high_score_table(15, 0), "");

    score = 5001;
    insert_high_score("ONE MORE");
    EXPECT_EQ(high_score_table(14, 0), padded_name("ONE MORE"));
    EXPECT_EQ(high_score_table(14, 1), "   5001");
    EXPECT_EQ(high_score_table(13, 1), "  10000");
    EXPECT_EQ(string_to_number(high_score_table(15, 1)), 5000) << "the entry pushed out lands in the overflow row";
}

TEST_F(Records, EqualScoresKeepTheOlderEntryAbove) {
    load_high_scores();
    score = 50000;   // equal to row 5
    insert_high_score("NEWCOMER");
    EXPECT_EQ(high_score_table(5, 0), padded_name(default_high_score_name(5)));
    EXPECT_EQ(high_score_table(6, 0), padded_name("NEWCOMER"));
    EXPECT_EQ(high_score_table(6, 1), "  50000");
    EXPECT_EQ(high_score_table(7, 0), padded_name(default_high_score_name(6)));
    EXPECT_EQ(high_score_table(7, 1), "  45000");

    score = 50000;
    insert_high_score("LATER");
    EXPECT_EQ(high_score_table(6, 0), padded_name("NEWCOMER"));
    EXPECT_EQ(high_score_table(7, 0), padded_name("LATER"));
}

TEST_F(Records, ABestScoreGoesToTheTopAndTheTableStaysSorted) {
    load_high_scores();
    score = 1234567;
    insert_high_score("CHAMPION");
    EXPECT_EQ(high_score_table(0, 0), padded_name("CHAMPION"));
    EXPECT_EQ(high_score_table(0, 1), "1234567");
    for (int row = 1; row < 15; ++row) {
        EXPECT_EQ(high_score_table(row, 0), padded_name(default_high_score_name(row - 1)));
        EXPECT_GE(string_to_number(high_score_table(row - 1, 1)), string_to_number(high_score_table(row, 1)));
    }
}

// ---------------------------------------------------------------- typing a name

TEST_F(Records, NameKeysFollowTheFontsRange) {
    for (const char* key : {"a", "\"", "z", " ", "[", "\\", "{", "~", "\n", "\x7f", "9", "!"}) apply_name_key(key);
    EXPECT_EQ(player_name, "A#Z 9!") << "the bracket, backslash, braces, tilde, Enter and DEL are not kept";
    apply_name_key("\x08");
    apply_name_key("\x08");
    EXPECT_EQ(player_name, "A#Z ");
    player_name.clear();
    apply_name_key("\x08");
    EXPECT_EQ(player_name, "");
    for (int i = 0; i < 25; ++i) apply_name_key("q");
    EXPECT_EQ(player_name, std::string(20, 'Q'));
}

// ---------------------------------------------------------------- options.dat

namespace {

const std::vector<uint8_t> MARKS_ON = {'W', 'O', 1, 1};
const std::vector<uint8_t> MARKS_OFF = {'W', 'O', 1, 0};

}  // namespace

TEST_F(Records, MarksAreOffWithoutAnOptionsFileAndSaveBesideTwentyByteSettings) {
    corner_marks = 1;
    load_settings();
    EXPECT_EQ(corner_marks, 0);
    EXPECT_FALSE(fs::exists(folder_ / "options.dat")) << "loading never writes the file";

    corner_marks = 1;
    save_settings();
    EXPECT_EQ(file_bytes(folder_ / "options.dat"), MARKS_ON);
    EXPECT_EQ(file_bytes(settings_file()), DEFAULT_SETTINGS) << "settings.dat keeps its 20 bytes";
    corner_marks = 0;
    load_settings();
    EXPECT_EQ(corner_marks, 1);
    corner_marks = 0;
    save_settings();
    EXPECT_EQ(file_bytes(folder_ / "options.dat"), MARKS_OFF);
}

TEST_F(Records, DamagedOptionsFilesMeanMarksOffAndLoseNothingElse) {
    std::vector<uint8_t> settings = DEFAULT_SETTINGS;
    settings[0] = 1;    // music off: not the default
    write_bytes(settings_file(), settings);
    const std::vector<std::vector<uint8_t>> damaged = {
        {},
        {'W', 'O', 1},
        {'W', 'O', 1, 1, 0},              // one byte too many
        {'W', 'X', 1, 1},
        {'W', 'O', 2, 1},                 // a format this copy does not know
        {'W', 'O', 1, 2},
        {0xFF, 0xFF, 0xFF, 0xFF},
        std::vector<uint8_t>(1000, 1),
    };
    for (const auto& bytes : damaged) {
        write_bytes(folder_ / "options.dat", bytes);
        corner_marks = 1;
        music_off = 0;
        load_settings();
        EXPECT_EQ(corner_marks, 0) << bytes.size() << " bytes";
        EXPECT_EQ(music_off, 1) << "settings.dat is still read";
        EXPECT_EQ(file_bytes(folder_ / "options.dat"), bytes) << "left as it was until the next save";
    }
    corner_marks = 1;
    save_settings();
    EXPECT_EQ(file_bytes(folder_ / "options.dat"), MARKS_ON);
    EXPECT_EQ(file_bytes(settings_file()), settings);
}

TEST_F(Records, AnOptionsFileThatIsAFifoAFolderOrFourSparseGigabytesMeansMarksOff) {
    constexpr off_t FOUR_GB = off_t(4) << 30;
    constexpr rlim_t ROOM = rlim_t(256) << 20;
    const fs::path options = folder_ / "options.dat";
    const struct {
        const char* what;
        std::function<void(const fs::path&)> plant;
    } plants[] = {
        {"a FIFO nobody writes to", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"a device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }},
        // A valid file, then zeros up to 4 GB (sparse on disk).
        {"4 GB", [=](const fs::path& p) {
             write_bytes(p, MARKS_ON);
             ASSERT_EQ(truncate(p.c_str(), FOUR_GB), 0);
         }},
    };
    write_bytes(settings_file(), DEFAULT_SETTINGS);
    for (const auto& [what, plant] : plants) {
        plant(options);
        const std::string outcome = in_child(
            [] {
                corner_marks = 1;
                music_off = 1;
                load_settings();
                load_high_scores();
                return corner_marks == 0 && music_off == 0 &&
                       high_score_table(0, 0) == padded_name(default_high_score_name(0));
            },
            ROOM);
        EXPECT_EQ(outcome, "") << "the options file as " << what;
        fs::remove(options);
    }
}

TEST_F(Records, KillingTheProgramWhileItSavesTheOptionsLosesNothing) {
    write_bytes(settings_file(), DEFAULT_SETTINGS);
    load_settings();
    load_high_scores();
    high_score_table(0, 0) = "KEPT";
    save_high_scores();
    const std::vector<uint8_t> high_scores = file_bytes(hiscore_file());
    corner_marks = 1;
    save_settings();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Saves the options for ever, the marks flipping each time; tells
        // the parent once the first save is done.
        for (long saves = 0;; saves++) {
            corner_marks = saves % 2;
            save_options();
            char c = 's';
            if (saves == 0 && write(ready[1], &c, 1) != 1) _exit(1);
        }
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    close(ready[0]);
    close(ready[1]);

    // Every file is whole: the options either way, the settings and the
    // high scores exactly as they were.
    const std::vector<uint8_t> options = file_bytes(folder_ / "options.dat");
    EXPECT_TRUE(options == MARKS_ON || options == MARKS_OFF) << options.size() << " bytes";
    EXPECT_EQ(file_bytes(settings_file()), DEFAULT_SETTINGS);
    EXPECT_EQ(file_bytes(hiscore_file()), high_scores);
    const std::string outcome = in_child([&] {
        load_settings();
        load_high_scores();
        return corner_marks == options[3] && vortex_on == 1 && high_score_table(0, 0) == padded_name("KEPT");
    });
    EXPECT_EQ(outcome, "") << "the game starts with what was saved";
}
