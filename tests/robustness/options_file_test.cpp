// The whole program with a hostile options.dat beside its records: it starts,
// shows the menu, plays, and quits from the menu with every record saved.
#include "tests/robustness/game_run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace {

constexpr long MENU_ESCAPE_FRAME = 90;
constexpr long ESCAPE_RUN_LIMIT = 400;
constexpr long PLAY_RUN_FRAMES = 150;
constexpr long MIN_PLAY_FRAMES = 30;
constexpr off_t FOUR_GB = off_t(4) << 30;

const std::string MARKS_OFF("WO\x01\x00", 4);

struct Plant {
    const char* what;
    std::function<bool(const std::string&)> plant;
    bool replaced_by_the_save;   // a regular file is; a FIFO or folder is left alone
};

const Plant PLANTS[] = {
    {"a FIFO nobody writes to", [](const std::string& p) { return ::mkfifo(p.c_str(), 0600) == 0; }, false},
    {"a folder", [](const std::string& p) { return ::mkdir(p.c_str(), 0700) == 0; }, false},
    {"4 sparse gigabytes", [](const std::string& p) {
         return write_file(p, std::string("WO\x01\x01", 4)) && ::truncate(p.c_str(), FOUR_GB) == 0;
     }, true},
    {"garbage", [](const std::string& p) { return write_file(p, std::string(3000, '\xA7')); }, true},
    {"a short file", [](const std::string& p) { return write_file(p, "WO"); }, true},
};

bool media_built() {
    return !GameRun::built_media_folder().empty() && !GameRun::built_container("media.gfx").empty();
}

}  // namespace

TEST(OptionsFile, AHostileOptionsFileLetsTheProgramStartAndQuitWithItsRecordsSaved) {
    if (!media_built()) GTEST_SKIP() << "generated media are not in the build folder";
    for (const Plant& p : PLANTS) {
        GameRun game;
        ASSERT_TRUE(game.copy_loose_media());
        const std::string options = game.work + "/options.dat";
        ASSERT_TRUE(p.plant(options)) << p.what;
        game.script_menu_escape(MENU_ESCAPE_FRAME);
        game.run(ESCAPE_RUN_LIMIT);
        EXPECT_FALSE(game.ended_by_limit) << p.what << ": Escape on the menu did not quit";
        EXPECT_EQ(game.error_code, 0) << p.what << ": " << game.error_log();
        EXPECT_EQ(read_file(game.work + "/settings.dat").size(), 20u) << p.what;
        EXPECT_EQ(read_file(game.work + "/hiscore.dat").size(), 405u) << p.what;
        struct stat st {};
        ASSERT_EQ(::stat(options.c_str(), &st), 0) << p.what;
        if (p.replaced_by_the_save) EXPECT_EQ(read_file(options), MARKS_OFF) << p.what << ": the marks were off";
        else EXPECT_FALSE(S_ISREG(st.st_mode)) << p.what << " is left as it was";
    }
}

TEST(OptionsFile, AGameIsPlayedWithAFifoForOptionsFile) {
    if (!media_built()) GTEST_SKIP() << "generated media are not in the build folder";
    GameRun game;
    ASSERT_TRUE(game.copy_loose_media());
    ASSERT_EQ(::mkfifo((game.work + "/options.dat").c_str(), 0600), 0);
    game.script_into_play();
    const long frames = game.run(PLAY_RUN_FRAMES);
    EXPECT_EQ(frames, PLAY_RUN_FRAMES);
    EXPECT_TRUE(game.ended_by_limit) << "the program ended by itself: " << game.error_log();
    EXPECT_EQ(game.error_code, 0) << game.error_log();
    EXPECT_GE(game.play_frames(), MIN_PLAY_FRAMES) << "the frame loop never ran";
}
