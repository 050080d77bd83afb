// The menu, name entry, practice select and colour editor, run for real in a
// window and driven through the input event queue.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/input/input.h"
#include "tests/support/script.h"
#include "session.h"
#include "tests/support/files.h"
#include "tests/support/places.h"

namespace fs = std::filesystem;

namespace {

constexpr int KEY_ESCAPE = 1, KEY_BACKSPACE = 14, KEY_RETURN = 28, KEY_LEFT_SHIFT = 42;
constexpr int KEY_A = 30, KEY_B = 48, KEY_C = 46, KEY_Z = 44;

using testsupport::file_bytes;

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!session.media_ready(why)) GTEST_SKIP() << why;
        session.on_frame = [this] { script.tick(); };
    }

    // A click whose release the screen itself waits for.
    void click(int x, int y) {
        session.point(x, y);
        session.press_left();
    }
    // A key press, then its release a frame later, as typing does.
    void type(int scan_code) {
        script.then([=, this] { session.key(scan_code, true); });
        script.then([=, this] { session.key(scan_code, false); });
    }

    ScreenSession session;
    testsupport::Script script;
};

}  // namespace

// ---------------------------------------------------------------- name entry

TEST_F(Screens, NameEntryTakesTypedKeysInUpperCase) {
    type(KEY_A);
    type(KEY_B);
    script.then([this] { session.key(KEY_LEFT_SHIFT, true); });
    type(KEY_C);
    script.then([this] { session.key(KEY_LEFT_SHIFT, false); });
    script.then([this] { session.key(KEY_RETURN, true); });
    session.run([] {
        score = 99999;
        enter_name();
    });
    EXPECT_EQ(player_name, "ABC");
    EXPECT_EQ(high_score_table(0, 0), "ABC                 ");
    EXPECT_EQ(high_score_table(0, 1), "  99999");
}

TEST_F(Screens, NameEntryKeepsTwentyCharactersAndIgnoresBackspaceOnEmpty) {
    type(KEY_BACKSPACE);
    for (int i = 0; i < 21; ++i) type(i % 2 ? KEY_A : KEY_Z);
    type(KEY_BACKSPACE);
    type(KEY_B);
    script.then([this] { session.key(KEY_RETURN, true); });
    session.run([] {
        score = 6000;
        enter_name();
    });
    EXPECT_EQ(player_name, "ZAZAZAZAZAZAZAZAZAZB") << "the 21st letter is dropped, backspace takes the 20th";
    EXPECT_EQ(high_score_table(14, 0), player_name);
    EXPECT_EQ(high_score_table(14, 1), "   6000");
}

TEST_F(Screens, EmptyNameIsStoredAsAnonymousAfterOneFrameOfHeldReturn) {
    session.run([this] {
        score = 80000;
        session.key(KEY_RETURN, true);
        enter_name();
    });
    EXPECT_EQ(session.frames(), 1);
    EXPECT_EQ(player_name, "");
    EXPECT_EQ(high_score_table(0, 0), "ANONYMOUS           ");
    EXPECT_EQ(high_score_table(1, 1), "  75000");
}

// ---------------------------------------------------------------- main menu

TEST_F(Screens, MenuBoxEdgesAreOutsideTheBoxes) {
    std::vector<int> vortex;
    // A choice is acted on after the frame that saw the press is presented,
    // so the effect shows one frame after the release.
    auto press_at = [&](int x, int y) {
        script.then([=, this] { click(x, y); });
        script.then([this] { session.release_left(); });
        script.then([&] { vortex.push_back(vortex_on); });
    };
    press_at(284, 400);   // left edge of TURN VORTEX OFF
    press_at(736, 400);   // right edge
    press_at(400, 385);   // top edge
    press_at(400, 417);   // bottom edge
    press_at(285, 400);   // just inside
    press_at(735, 416);   // just inside, the other corner
    script.then([this] { click(500, 730); });   // QUIT
    session.run([] { main_menu(); });
    EXPECT_EQ(vortex, (std::vector<int>{1, 1, 1, 1, 0, 1}));
    EXPECT_FALSE(session.body_returned()) << "QUIT ends the program";
}

TEST_F(Screens, MenuTakesAnItemSlidOntoThenLatches) {
    int vortex_after_slide = -1, music_after_second_slide = -1, music_after_new_press = -1;
    bool menu_music_before = false, menu_music_after = true;
    script.then([this] { click(100, 400); })                 // empty space, button down
        .then([this] { session.point(300, 400); })         // slide onto the vortex item
        .then([this] { session.point(400, 450); })         // on to the music item, still held
        .then([&] {
            vortex_after_slide = vortex_on;
            menu_music_before = music_playing();
        })
        .then([&, this] {
            music_after_second_slide = music_off;
            session.release_left();
        })
        .then([this] { session.press_left(); })             // a new press on the music item
        .then([this] { session.release_left(); })
        .then([&] {
            music_after_new_press = music_off;
            menu_music_after = music_playing();
        })
        .then([this] { click(500, 730); });
    session.run([] {
        vortex_on = 1;
        music_off = 0;
        main_menu();
    });
    EXPECT_EQ(vortex_after_slide, 0);
    EXPECT_EQ(music_after_second_slide, 0) << "the latch holds until the button is released";
    EXPECT_EQ(music_after_new_press, 1);
    EXPECT_TRUE(menu_music_before) << "the menu plays its music while music is on";
    EXPECT_FALSE(menu_music_after) << "switching music off stops it at once";
}

TEST_F(Screens, QuitWritesBothRecords) {
    script.then([this] { click(200, 400); })   // outside every box
        .then([this] { session.release_left(); })
        .then([this] { click(400, 400); })     // vortex off
        .then([this] { session.release_left(); })
        .then([this] { click(511, 731); });   // QUIT
    session.run([] {
        score = 70001;
        insert_high_score("SAVED AT QUIT");
        main_menu();
    });
    fs::path folder = session.folder();
    std::vector<uint8_t> settings = file_bytes(folder / "settings.dat");
    ASSERT_EQ(settings.size(), 20u);
    EXPECT_EQ(settings[1], 0);
    std::vector<uint8_t> scores = file_bytes(folder / "hiscore.dat");
    ASSERT_EQ(scores.size(), 405u);
    EXPECT_EQ(scores[27], 'S' - 20) << "the second record holds the new name";
}

TEST_F(Screens, EscapeHeldOnEntryIsIgnoredUntilReleasedThenQuits) {
    long quit_frame = -1;
    script.wait(4).then([&, this] {
        quit_frame = session.frames();
        session.key(KEY_ESCAPE, true);
    });
    session.run([this] {
        session.key(KEY_ESCAPE, true);   // still held from the screen before
        main_menu();
    });
    EXPECT_EQ(quit_frame, 5);
    EXPECT_EQ(session.frames(), 5) << "the menu ran on after the first Esc and quit on the second";
    EXPECT_TRUE(fs::exists(fs::path(session.folder()) / "hiscore.dat"));
    EXPECT_TRUE(fs::exists(fs::path(session.folder()) / "settings.dat"));
}

TEST_F(Screens, StartGameAndPracticeReturnToTheMainProgram) {
    script.then([this] { click(511, 676); });
    session.run([] {
        practice_mode = 0;
        main_menu();
    });
    EXPECT_TRUE(session.body_returned());
    EXPECT_EQ(practice_mode, 0);

    testsupport::Script practice;
    practice.then([this] { click(500, 620); })
        .when([] { return level == 1; }, [this] { click(510, 500); });
    session.on_frame = [&] { practice.tick(); };
    session.run([] {
        practice_mode = 0;
        level = 7;
        main_menu();
    });
    EXPECT_TRUE(session.body_returned());
    EXPECT_EQ(practice_mode, 1);
    EXPECT_EQ(level, 1);
}

// Tests wait for a screen by its name: only the frames it presents carry
// it, not those of a screen it calls nor the intro's scroll.
TEST_F(Screens, TheIntroAndTheMenuNameTheFramesTheyPresent) {
    std::vector<std::string> seen;
    session.on_frame = [&] {
        const std::string name = presenting_screen();
        if (seen.empty() || seen.back() != name) seen.push_back(name);
        script.tick();
    };
    const auto showing = [](const char* name) { return [name] { return std::string(presenting_screen()) == name; }; };
    const auto let_go = [this] { session.release_left(); };
    script.wait(3).then([this] { click(300, 300); }).then(let_go)   // ends the intro
        .when(showing("menu"), [this] { click(places::MENU_HIGH_SCORES.x, places::MENU_HIGH_SCORES.y); })
        .then(let_go)
        .when(showing(""), [this] { click(300, 300); })              // leaves the scores
        .then(let_go)
        .when(showing("menu"), [this] { click(places::MENU_START.x, places::MENU_START.y); })
        .then(let_go);
    session.run([] {
        intro_screen();
        main_menu();
    });
    EXPECT_TRUE(session.body_returned());
    EXPECT_EQ(seen, (std::vector<std::string>{"intro", "", "menu", "", "menu"}));
    EXPECT_STREQ(presenting_screen(), "") << "no name outlives its screen";
}

// ---------------------------------------------------------------- practice select

TEST_F(Screens, PracticeWrapsBothWaysAndIgnoresClicksWhileSliding) {
    std::vector<double> levels;   // the level at each frame
    long prev_frame = 0, next_frame = 0;
    script.then([&, this] {
              prev_frame = session.frames();
              click(260, 530);                         // PREV
          })
        .then([this] { session.release_left(); })
        .wait(8)
        .then([this] { click(510, 500); })             // the panel, mid-slide
        .then([this] { session.release_left(); })
        .then([this] { click(760, 530); })             // NEXT, mid-slide
        .then([this] { session.release_left(); })
        .when([] { return level == 40; }, [] {})
        .wait(30)
        .then([&, this] {
            next_frame = session.frames();
            click(760, 530);                           // NEXT from 40
        })
        .then([this] { session.release_left(); })
        .when([] { return level == 1; }, [] {})
        .wait(30)
        .then([this] { click(510, 500); });           // take level 1
    session.on_frame = [&] {
        levels.push_back(level);
        script.tick();
    };
    session.run([] { practice_select(); });
    ASSERT_TRUE(session.body_returned());
    EXPECT_EQ(level, 1);

    // The level changes when the panel has left the screen: 24 moves after the click is seen.
    auto first_frame_with = [&](double value, long from) {
        for (size_t i = static_cast<size_t>(from); i < levels.size(); ++i)
            if (levels[i] == value) return static_cast<long>(i) + 1;
        return -1L;
    };
    EXPECT_EQ(first_frame_with(40, prev_frame), prev_frame + 26);
    EXPECT_EQ(first_frame_with(1, next_frame), next_frame + 26);
    for (size_t i = static_cast<size_t>(prev_frame); i < static_cast<size_t>(next_frame); ++i)
        EXPECT_TRUE(levels[i] == 1 || levels[i] == 40) << "one slide only: mid-slide clicks are ignored";
}

// ---------------------------------------------------------------- colour scheme editor

TEST_F(Screens, ColourArrowsStepWithinTheirLimitsAndExitSaves) {
    // Green of colour 2 holds an odd value, as a hand-edited file may.
    {
        std::vector<uint8_t> bytes = {0, 1, 20, 20, 200, 160, 21, 20, 200, 20, 200, 20, 160, 20, 20, 200, 200, 200, 200, 20};
        std::ofstream out(fs::path(session.folder()) / "settings.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<int> red;     // colour 1 red after each frame
    std::vector<int> green2;  // colour 2 green after each frame
    int red_at_edge = -1, green_at_edge = -1;
    script.then([this] { click(168, 425); })             // red up-arrow of colour 1, held
        .wait(130)
        .then([this] { session.release_left(); })
        .then([this] { click(185, 425); })               // exactly between two columns
        .wait(5)
        .then([&, this] {
            red_at_edge = colour_channels[0];
            green_at_edge = colour_channels[1];
            session.release_left();
        })
        .then([this] { click(320, 525); })               // green down-arrow of colour 2, held
        .wait(5)
        .then([this] { session.release_left(); })
        .then([this] { click(511, 616); });              // EXIT
    session.on_frame = [&] {
        red.push_back(colour_channels[0]);
        green2.push_back(colour_channels[4]);
        script.tick();
    };
    session.run([] { colour_scheme_screen(); });
    ASSERT_TRUE(session.body_returned());

    // The press is seen in frame 2; frame 2 + k has stepped k times.
    ASSERT_GT(red.size(), 140u);
    EXPECT_EQ(red[0], 20);
    EXPECT_EQ(red[1], 22);
    EXPECT_EQ(red[1 + 115], 252);
    EXPECT_EQ(red[1 + 116], 254) << "117 frames take 20 to 254";
    EXPECT_EQ(red[1 + 128], 254) << "and there it stops";
    EXPECT_EQ(red_at_edge, 254);
    EXPECT_EQ(green_at_edge, 20);
    EXPECT_EQ(green2.back(), 19) << "an odd value steps down to 19 and stops";
    EXPECT_EQ(tile_colours[0], 254 + 256 * 20 + 65536 * 200);

    std::vector<uint8_t> saved = file_bytes(fs::path(session.folder()) / "settings.dat");
    ASSERT_EQ(saved.size(), 20u);
    EXPECT_EQ(saved[2], 254);
    EXPECT_EQ(saved[3], 20);
    EXPECT_EQ(saved[6], 19);
}

// ---------------------------------------------------------------- intro and high-score view

TEST_F(Screens, IntroScrollsAllItsFramesAfterAClickInTheFirst) {
    bool music_during_intro = false;
    script.then([&, this] {
        music_during_intro = music_playing();
        click(500, 400);
    });
    session.run([] {
        backdrop_angle = 123;
        music_off = 1;
        intro_screen();
    });
    ASSERT_TRUE(session.body_returned());
    EXPECT_EQ(session.frames(), 1 + 72);
    EXPECT_EQ(backdrop_angle, 73) << "the backdrop starts from angle 0 and turns once a frame";
    EXPECT_TRUE(music_during_intro) << "the intro plays its music even with music switched off";
    EXPECT_FALSE(music_playing());
}

TEST_F(Screens, HighScoreViewLeavesOnAClickWithoutPresentingIt) {
    script.wait(2).then([this] { click(10, 10); });
    session.run([] { show_high_scores(); });
    ASSERT_TRUE(session.body_returned());
    EXPECT_EQ(session.frames(), 3);
    EXPECT_FALSE(session.left_held()) << "the view waits for the release";
}
