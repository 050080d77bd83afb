// The program under faults it must survive: media files missing, no sound
// device, a program folder it cannot write, a disk that fills up during a
// save, and damaged media containers.
#include "tests/robustness/game_run.h"

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/files/container.h"
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/process/process.h"
#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

namespace {

constexpr long PLAY_RUN_FRAMES = 150;    // intro, menu, then about 55 frames of play
constexpr long MIN_PLAY_FRAMES = 30;
constexpr long MENU_ESCAPE_FRAME = 90;
constexpr long MENU_MUSIC_FRAME = 88;   // on the menu, before START GAME is clicked
constexpr long ESCAPE_RUN_LIMIT = 400;
constexpr unsigned CUT_IN_HALF = 12;

#define REQUIRE_MEDIA()                                                                   \
    if (GameRun::built_media_folder().empty() || GameRun::built_container("media.gfx").empty()) \
    GTEST_SKIP() << "generated media are not in the build folder"

// A run that must reach the play screen and keep going until stopped.
void expect_plays_on(GameRun& game) {
    game.script_into_play();
    const long frames = game.run(PLAY_RUN_FRAMES);
    EXPECT_EQ(frames, PLAY_RUN_FRAMES);
    EXPECT_TRUE(game.ended_by_limit) << "the program ended by itself: " << game.error_log();
    EXPECT_EQ(game.error_code, 0) << game.error_log();
    EXPECT_GE(game.play_frames(), MIN_PLAY_FRAMES) << "the frame loop never ran";
}

// ---------------------------------------------------------------- missing media

TEST(MissingMedia, CompleteMediaPlay) {
    REQUIRE_MEDIA();
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media());
    ASSERT_TRUE(game.write_audio_container(""));
    expect_plays_on(game);
}

// The tile sheet drawn by the play screen, the font measured at start-up,
// the sounds of a pick-up and of an explosion.
class MissingFile : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingFile, ProgramPlaysOn) {
    REQUIRE_MEDIA();
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media(GetParam()));
    ASSERT_TRUE(game.write_audio_container(""));
    expect_plays_on(game);
}

INSTANTIATE_TEST_SUITE_P(EachKind, MissingFile,
                         ::testing::Values("tiles.png", "font.png", "sfxpickup.wav", "sfxfuzzyboom.wav"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

TEST(MissingMedia, MusicTrackMissing) {
    REQUIRE_MEDIA();
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media());
    ASSERT_TRUE(game.write_audio_container("ingame.mp3"));
    // The menu's track is there, the game's is not.
    bool menu_music = false, game_music = true;
    game.script = [&](long frame) {
        if (frame == MENU_MUSIC_FRAME) menu_music = music_playing();
        if (frame == PLAY_RUN_FRAMES - 1) game_music = music_playing();
    };
    expect_plays_on(game);
    EXPECT_TRUE(menu_music);
    EXPECT_FALSE(game_music);
}

TEST(MissingMedia, NoMediaAtAll) {
    REQUIRE_MEDIA();
    GameRun game;
    expect_plays_on(game);
}

// ---------------------------------------------------------------- sound device

TEST(SoundDevice, NoDeviceMeansSilence) {
    REQUIRE_MEDIA();
    const testsupport::ScopedEnv no_device("SDL_AUDIODRIVER", "no-such-driver");
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media());
    ASSERT_TRUE(game.copy_container("media.aud"));
    bool sound_refused = false;
    game.script = [&](long frame) {
        if (frame == PLAY_RUN_FRAMES - 1) sound_refused = play_sound(1, 0, 1) == -1;
    };
    expect_plays_on(game);
    EXPECT_TRUE(sound_refused);
    EXPECT_NE(game.error_log().find("No sound device"), std::string::npos) << game.error_log();
}

// ---------------------------------------------------------------- data files

// A folder the program cannot write: a read-only tmpfs when running as root
// (permissions would not stop root), else a folder without write permission.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : folder_(folder) {
        if (::geteuid() == 0) {
            mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16m,mode=0755") == 0;
        }
    }
    // Call after filling the folder.
    bool lock() {
        if (mounted_)
            return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16m") == 0;
        if (::geteuid() == 0) return false;
        return ::chmod(folder_.c_str(), 0555) == 0;
    }
    ~ReadOnlyFolder() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
        else ::chmod(folder_.c_str(), 0755);
    }
private:
    std::string folder_;
    bool mounted_ = false;
};

TEST(DataFiles, ReadOnlyProgramFolderSavesToDataHome) {
    REQUIRE_MEDIA();
    GameRun game;
    ReadOnlyFolder read_only(game.work);
    ASSERT_TRUE(game.copy_loose_media());
    if (!read_only.lock()) GTEST_SKIP() << "cannot make a read-only folder here";
    const std::string data_home = game.root + "/data";
    {
        const testsupport::ScopedEnv data("XDG_DATA_HOME", data_home.c_str());
        game.script_menu_escape(MENU_ESCAPE_FRAME);
        game.run(ESCAPE_RUN_LIMIT);
    }
    EXPECT_FALSE(game.ended_by_limit) << "Escape on the menu did not quit";
    EXPECT_EQ(game.error_code, 0) << game.error_log();
    EXPECT_EQ(read_file(data_home + "/wedgewise/settings.dat").size(), 20u);
    EXPECT_EQ(read_file(data_home + "/wedgewise/hiscore.dat").size(), 405u);
    EXPECT_FALSE(file_present(game.work + "/settings.dat"));
}

TEST(DataFiles, NeitherFolderWritableSkipsTheSaveLogsItAndPlaysOn) {
    GameRun game;
    ReadOnlyFolder read_only(game.work);
    if (!read_only.lock()) GTEST_SKIP() << "cannot make a read-only folder here";
    // A plain file where the player's folder must go: it cannot be made.
    ASSERT_TRUE(write_file(game.root + "/file", "x"));
    ScopedEnv data_home("XDG_DATA_HOME", (game.root + "/file").c_str());
    long frames_after = 0;
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = game.work;
    runtime_run(config, [&] {
        high_score_table.dim(16, 2);
        load_settings();
        load_high_scores();
        save_settings();
        save_high_scores();
        const long before = frame_count();
        for (int i = 0; i < 3; ++i) show_screen();
        frames_after = frame_count() - before;
        program_quit();
    });
    EXPECT_EQ(runtime_error_code(), 0) << game.error_log();
    EXPECT_EQ(frames_after, 3) << "play goes on after the skipped saves";
    for (const char* name : {"settings.dat", "hiscore.dat"}) {
        EXPECT_NE(game.error_log().find("Cannot write " + game.work + "/" + name), std::string::npos) << game.error_log();
        EXPECT_FALSE(file_present(game.work + "/" + name));
    }
}

// Limits the size of every file this process writes; SIGXFSZ is ignored so
// a write past the limit fails with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }
    bool ok() const { return ok_; }
private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
    bool ok_ = false;
};

// Files left in the folder whose names are neither of the two data files.
std::vector<std::string> stray_files(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name != "settings.dat" && name != "hiscore.dat") names.push_back(name);
    }
    return names;
}

const std::string OLD_SETTINGS("\x01\x00" "ABCDEFGHIJKLMNOPQR", 20);

std::string old_high_scores() {
    std::string bytes;
    for (int i = 0; i < 405; ++i) bytes += static_cast<char>('A' - 20 + i % 26);
    return bytes;
}

TEST(DataFiles, DiskFullDuringQuitKeepsBothOldFiles) {
    REQUIRE_MEDIA();
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media());
    ASSERT_TRUE(write_file(game.work + "/settings.dat", OLD_SETTINGS));
    ASSERT_TRUE(write_file(game.work + "/hiscore.dat", old_high_scores()));
    std::unique_ptr<FileSizeLimit> limit;
    // The disk fills up just before Escape saves and quits.
    game.script = [&](long frame) {
        if (frame == MENU_ESCAPE_FRAME - 1) limit = std::make_unique<FileSizeLimit>(100);
    };
    game.script_menu_escape(MENU_ESCAPE_FRAME);
    game.run(ESCAPE_RUN_LIMIT);
    ASSERT_TRUE(limit && limit->ok());
    limit.reset();
    EXPECT_FALSE(game.ended_by_limit);
    EXPECT_EQ(game.error_code, 3) << "a failed save is a file error";
    EXPECT_EQ(read_file(game.work + "/hiscore.dat"), old_high_scores());
    EXPECT_EQ(read_file(game.work + "/settings.dat"), OLD_SETTINGS);
    EXPECT_TRUE(stray_files(game.work).empty()) << stray_files(game.work).front();
}

TEST(DataFiles, DiskFullDuringSettingsSaveKeepsOldFile) {
    REQUIRE_MEDIA();
    GameRun game;
    ASSERT_TRUE(write_file(game.work + "/settings.dat", OLD_SETTINGS));
    bool saved_through = false;
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.working_folder = game.work;
    runtime_run(config, [&] {
        load_settings();
        vortex_on = 0;
        colour_channels[0] = 7;
        FileSizeLimit limit(10);   // half the file
        ASSERT_TRUE(limit.ok());
        save_settings();
        saved_through = true;
    });
    EXPECT_FALSE(saved_through) << "a failed write must end the program";
    EXPECT_EQ(runtime_error_code(), 3);
    EXPECT_EQ(read_file(game.work + "/settings.dat"), OLD_SETTINGS);
    EXPECT_TRUE(stray_files(game.work).empty());
}

// ---------------------------------------------------------------- damaged containers

// The container's bytes with count bytes changed at random offsets.
std::string damaged(const std::string& bytes, unsigned seed, int count) {
    std::mt19937 random(seed);
    std::string out = bytes;
    std::uniform_int_distribution<size_t> where(0, out.size() - 1);
    for (int i = 0; i < count; ++i) out[where(random)] = static_cast<char>(random());
    return out;
}

// Where a container's directory starts: everything from there to the end
// (directory and trailer) decides which names are found.
int64_t directory_start(const std::string& bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t d = static_cast<int32_t>(p[bytes.size() - 4] | p[bytes.size() - 3] << 8 |
                                           p[bytes.size() - 2] << 16 | static_cast<uint32_t>(p[bytes.size() - 1]) << 24);
    return d < 0 ? static_cast<int64_t>(bytes.size()) + d : d;
}

TEST(DamagedContainer, LookupsFailOrGiveContent) {
    REQUIRE_MEDIA();
    const std::string original = read_file(GameRun::built_container("media.gfx"));
    ASSERT_FALSE(original.empty());
    std::vector<ContainerEntry> entries;
    ASSERT_TRUE(container_list(BufferSource(reinterpret_cast<const uint8_t*>(original.data()), original.size()), entries));
    ASSERT_FALSE(entries.empty());
    const int64_t directory = directory_start(original);
    GameRun game;
    ASSERT_EQ(::chdir(game.work.c_str()), 0);
    int found = 0, refused = 0, intact = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        // Light damage hits entry data; heavy damage the directory as well.
        const bool cut = seed % 4 == 0;
        const std::string bytes = cut ? original.substr(0, seed * 997 % original.size())
                                      : damaged(original, seed, seed % 2 ? 3 : 60);
        auto untouched = [&](int64_t from, int64_t to) {
            return !cut && original.compare(from, to - from, bytes, from, to - from) == 0;
        };
        const bool directory_intact = untouched(directory, static_cast<int64_t>(original.size()));
        ASSERT_TRUE(write_file(game.work + "/damaged.gfx", bytes));
        media_container_set("damaged.gfx", "damaged.gfx");
        for (const ContainerEntry& e : entries) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + e.name);
            std::string resolved;
            const bool resolves = media_resolve(Container::Graphics, "media/" + e.name, true, resolved);
            std::vector<uint8_t> content;
            const bool read = resolves && read_resolved(resolved, content);
            if (cut) {
                EXPECT_FALSE(resolves) << "the trailer is gone";
            }
            found += resolves;
            refused += !resolves;
            if (resolves) {
                EXPECT_TRUE(read);
                EXPECT_LE(content.size(), CONTAINER_MAX_ENTRY_SIZE);
            }
            // Damage elsewhere must not cost an entry its lookup or its bytes.
            if (directory_intact && untouched(e.data_offset, e.data_offset + e.stored_size)) {
                ++intact;
                EXPECT_TRUE(read) << "an undamaged entry was not found";
                const std::string loose = read_file(GameRun::built_media_folder() + "/" + e.name);
                EXPECT_TRUE(std::string(content.begin(), content.end()) == loose)
                    << "an undamaged entry read back different bytes";
            }
        }
    }
    media_containers_release();
    ASSERT_EQ(::chdir(WEDGEWISE_BINARY_DIR), 0);
    // Both outcomes occur, so the damage reached entries and the directory.
    EXPECT_GT(found, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GT(intact, 0);
}

// Scattered damage to both containers, or a graphics container cut in half.
class DamagedContainers : public ::testing::TestWithParam<unsigned> {};

TEST_P(DamagedContainers, ProgramPlaysOn) {
    REQUIRE_MEDIA();
    const unsigned seed = GetParam();
    const std::string original = read_file(GameRun::built_container("media.gfx"));
    GameRun game;
    const std::string bytes = seed == CUT_IN_HALF ? original.substr(0, original.size() / 2) : damaged(original, seed, 200);
    ASSERT_TRUE(write_file(game.work + "/media.gfx", bytes));
    ASSERT_TRUE(write_file(game.work + "/media.aud",
                           damaged(read_file(GameRun::built_container("media.aud")), seed, 50)));
    expect_plays_on(game);
}

INSTANTIATE_TEST_SUITE_P(Seeds, DamagedContainers, ::testing::Values(7u, 8u, CUT_IN_HALF));

}  // namespace
