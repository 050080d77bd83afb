// The game's flow, driven through the real input path: a level solved by
// clicks, the level end and its bonus, running out of time, pause, quit and
// the high-score check.
#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "harness.h"
#include "runtime/audio/audio.h"
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/input/input_testing.h"
#include "tools/solver/solver.h"

namespace {

constexpr int WAIT_PUMPS = 50;
constexpr int SCAN_RETURN = 28;

// Start-up as the program does it, with masks whose shapes the tests know
// and without music or vortex (so frames are quick and silent).
void start_up_for_play() {
    program_start_up();
    install_play_masks();
    music_off = 1;
    vortex_on = 0;
    high_score_table(14, 1) = "9999999";   // nobody enters the table unless a test says so
    release_in_waits(WAIT_PUMPS);
}

// ---------------------------------------------------------------- scripted games

// Clicks one tile of a solution: take the tile, turn it, drop it into its cell.
void script_placement(Script& s, const SolvedTile& p) {
    s.move_to(store_slot_x(p.tile) + 20, store_slot_y(p.tile) + 28).click();
    for (int i = 0; i < p.turns; i++) s.right_click().wait_frames(6);
    int cx = cell_box_x(p.x) + 29, cy = cell_box_y(p.y) + (cell_is_up(p.x, p.y) ? 39 : 19);
    s.move_to(cx, cy).click().wait_frames(1);
}

// A game from the given level, as the main program starts one.
void play_full_game_from(double first_level) {
    level = first_level;
    score = 0;
    practice_mode = 0;
    play_game();
}

}  // namespace

TEST(Program, StartsUpPlaysAGameFromTheMenuAndQuitsFromTheMenu) {
    if (!media_available()) GTEST_SKIP() << "the generated media are needed for the whole program";
    bool game_started = false, loaded = false;
    double space_width = 0, widest = 0, narrowest = 100;
    int mask_width = 0;
    long hiscore_size = -1, settings_size = -1;
    Script s;
    run_in_runtime(
        [&] {
            s.wait_frames(10)
                .call([&] {
                    loaded = sprite_width(1) > 0 && sprite_width(2) > 0 && sprite_width(104) > 0;
                    mask_width = sprite_width(10) * 100 + sprite_height(10);
                    space_width = glyph_width_table(0);
                    for (int g = 1; g < 60; g++) {
                        widest = std::max(widest, glyph_width_table(g));
                        narrowest = std::min(narrowest, glyph_width_table(g));
                    }
                })
                .click()                       // ends the intro; its logo then scrolls up
                .wait_frames(120)
                .move_to(511, 676)             // START GAME
                .click()
                .until([&] {
                    game_started = level == 0 && board(12, 8) == CELL_TILE && level_timer < LEVEL_TIME;
                    return game_started;
                })
                .call([] { high_score_table(14, 1) = "9999999"; })
                .move_to(20, 660)              // the quit button of the play screen
                .press()
                .wait_frames(20)               // back in the menu
                .move_to(511, 731)             // QUIT
                .press();
            s.attach();
            release_in_waits(WAIT_PUMPS);
            main_program();
        },
        [&] {
            std::error_code ec;
            hiscore_size = static_cast<long>(std::filesystem::file_size(run_folder() + "/hiscore.dat", ec));
            settings_size = static_cast<long>(std::filesystem::file_size(run_folder() + "/settings.dat", ec));
        });
    EXPECT_TRUE(loaded);
    EXPECT_EQ(mask_width, 101);   // the 1 x 1 pointer mask
    EXPECT_EQ(space_width, 24);
    EXPECT_LE(widest, 34);
    EXPECT_GE(narrowest, 3);
    EXPECT_TRUE(game_started);
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(hiscore_size, 405);
    EXPECT_EQ(settings_size, 20);
}

TEST(GameFlow, TrainingLevelSolvedByClicksPaysTheBonusAndStartsLevelOne) {
    const SolveReport solution = solve_level(0);
    ASSERT_TRUE(solution.solvable);
    ASSERT_EQ(solution.tiles.size(), 18u);
    double score_at_fill = -1, bonus_at_fill = -1, score_on_level_one = -1;
    long fill_frame = 0, level_one_frame = 0;
    int explosions_seen = 0;   // frames showing debris
    bool ended = false;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        // Debris anywhere in the run is an explosion.
        s.observe([&] { explosions_seen += !debris.empty(); });
        for (const SolvedTile& t : solution.tiles) script_placement(s, t);
        s.until([&] { return !board_has_space(); })
            .call([&] {
                score_at_fill = score;
                bonus_at_fill = level_bonus;
                fill_frame = frame_count();
            })
            .wait_frames(190)   // into the bonus count
            .press()            // skips the count; released while the game waits
            .wait_frames(5)
            .press()            // leaves the waiting stage
            .until([] { return level == 1; })
            .call([&] {
                score_on_level_one = score;
                level_one_frame = frame_count();
            })
            .move_to(20, 660)
            .press();
        s.attach();
        play_full_game_from(0);
        ended = true;
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(explosions_seen, 0);
    EXPECT_GT(score_at_fill, 0);
    EXPECT_GT(bonus_at_fill, 0);
    EXPECT_EQ(score_on_level_one, score_at_fill + bonus_at_fill);
    EXPECT_GE(level_one_frame - fill_frame, 180);   // the announcement at least
}

TEST(GameFlow, CompletedPracticeLevelReturnsWithoutALevelEndScreen) {
    const SolveReport solution = solve_level(0);
    ASSERT_TRUE(solution.solvable);
    long fill_frame = 0, last_frame = 0;
    double final_level = -5, final_score = -1, final_practice = -1;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        for (const SolvedTile& t : solution.tiles) script_placement(s, t);
        s.observe([&] {
            if (fill_frame == 0 && !board_has_space()) fill_frame = frame_count();
        });
        s.attach();
        level = 0;
        score = 0;
        practice_mode = 1;
        play_game();
        last_frame = frame_count();
        final_level = level;
        final_score = score;
        final_practice = practice_mode;
    });
    EXPECT_EQ(last_frame, fill_frame);
    EXPECT_EQ(final_level, 0);
    EXPECT_EQ(final_score, 0);      // practice placements score nothing
    EXPECT_EQ(final_practice, 0);   // cleared at the game end
}

TEST(LevelEnd, BonusIsPaidNineteenPerFrameAndTheLastStepPaysTheRest) {
    std::vector<double> scores, bonuses;
    double final_level = 0;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.until([&] {
             scores.push_back(score);
             bonuses.push_back(level_bonus);
             return scores.size() == 180 + 20 + 3;
         })
            .press();
        s.attach();
        level = 11;
        score = 4321;
        level_bonus = 377;
        level_complete();
        final_level = level;
    });
    ASSERT_GE(scores.size(), 200u);
    for (size_t i = 0; i < 180; i++) ASSERT_EQ(scores[i], 4321) << i;   // announcement
    EXPECT_EQ(scores[180], 4340);
    EXPECT_EQ(scores[198], 4321 + 19 * 19);
    EXPECT_EQ(bonuses[198], 16);
    EXPECT_EQ(scores[199], 4698);
    EXPECT_EQ(bonuses[199], 0);
    EXPECT_EQ(scores[202], 4698);   // waiting for the click
    EXPECT_EQ(final_level, 12);
}

TEST(LevelEnd, ButtonHeldIntoTheCountLetsOneStepThroughThenPaysTheRest) {
    long start = 0, changed = 0;
    double score_then = 0;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.wait_frames(10)
            .press()   // ignored during the announcement, still held when the count begins
            .until([&] {
                if (score == 1000) return false;
                changed = frame_count();
                score_then = score;
                return true;
            })
            .wait_frames(3)
            .press();
        s.attach();
        level = 5;
        score = 1000;
        level_bonus = 5000;
        start = frame_count();
        level_complete();
    });
    EXPECT_EQ(changed - start, 181);     // the first frame of the count
    EXPECT_EQ(score_then, 6000);         // a step and, after the release, the rest
}

TEST(LevelEnd, ZeroBonusGoesStraightToTheWaitAndLevelFortyEndsTheGame) {
    long frames = 0;
    double final_level = 0, final_timer = 0;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.wait_frames(185).press();
        s.attach();
        level = 40;
        score = 10;
        level_bonus = 0;
        level_timer = 1234;
        long start = frame_count();
        level_complete();
        frames = frame_count() - start;
        final_level = level;
        final_timer = level_timer;
    });
    EXPECT_EQ(final_level, 41);
    EXPECT_EQ(final_timer, 1234);    // no level was set up
    EXPECT_GE(frames, 180);
    EXPECT_LT(frames, 180 + 10);
}

TEST(GameFlow, RunningOutOfTimeShowsTheScreenUntilAClick) {
    long zero_frame = 0, end_frame = 0;
    bool music_before_cut = false, music_after_cut = true;
    bool with_music = media_available();
    run_in_runtime([&] {
        start_up_for_play();
        music_off = with_music ? 0 : 1;
        Script s;
        s.wait_frames(3)
            .call([] { level_timer = 1; })
            .until([&] {
                if (level_timer > 0) return false;
                zero_frame = frame_count();
                return true;
            })
            .wait_frames(5)   // on the out-of-time screen by now
            .call([&] {
                music_before_cut = music_playing();
                advance_clock(20001);
            })
            .wait_frames(2)
            .call([&] { music_after_cut = music_playing(); })
            .press();
        s.attach();
        play_full_game_from(1);
        end_frame = frame_count();
    });
    // The frame where the timer reached 0 is still played; then the screen runs.
    EXPECT_GT(end_frame, zero_frame + 7);
    if (!with_music) GTEST_SKIP() << "the screen's music and its cut need the generated media";
    EXPECT_TRUE(music_before_cut);
    EXPECT_FALSE(music_after_cut);
}

TEST(GameFlow, TheClockRunningOutWithATileInTheHandEndsTheGameWithoutAnExplosion) {
    double held_on_screen = -2, score_on_screen = -1, held_next = -2, timer_next = -1, used_next = -1;
    size_t debris_on_screen = 99;
    bool out_of_time_shown = false;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.wait_frames(3)
            .move_to(store_slot_x(5) + 20, store_slot_y(5) + 28)
            .click()
            .until([] { return held_tile == 5; })
            .call([] {
                score = 1000;
                level_timer = 2;
            })
            .until([] { return level_timer <= 0; })
            .wait_frames(5)   // on the out-of-time screen by now
            .call([&] {
                out_of_time_shown = true;
                held_on_screen = held_tile;
                score_on_screen = score;
                debris_on_screen = debris.size();
            })
            .press();
        s.attach();
        play_full_game_from(1);
        // The next game starts with an empty hand and the tile in the store.
        Script next;
        next.wait_frames(2)
            .call([&] {
                held_next = held_tile;
                timer_next = tile_timer;
                used_next = tile_used(5);
            })
            .move_to(20, 660)
            .press();
        next.attach();
        play_full_game_from(1);
    });
    EXPECT_TRUE(out_of_time_shown);
    EXPECT_EQ(held_on_screen, 5) << "the tile is neither placed nor exploded";
    EXPECT_EQ(score_on_screen, 1000) << "no explosion penalty";
    EXPECT_EQ(debris_on_screen, 0u);
    EXPECT_EQ(held_next, -1);
    EXPECT_EQ(timer_next, 0);
    EXPECT_EQ(used_next, 0);
}

TEST(GameFlow, CompletionIsTestedBeforeTheLevelClock) {
    double final_level = -5;
    bool reached_next_level = false;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.wait_frames(3)
            .call([] {
                // Every space filled in the frame whose pass left no time.
                for (int y = 0; y < BOARD_ROWS; y++)
                    for (int x = 0; x < BOARD_COLUMNS; x++)
                        if (board(x, y) == CELL_EMPTY) board(x, y) = CELL_TILE + 1;
                level_timer = 0;
            })
            .wait_frames(200)
            .press()   // skips the bonus count
            .wait_frames(5)
            .press()   // leaves the level end
            .until([&] {
                reached_next_level = level == 1 && level_timer > LEVEL_TIME - 100;
                return reached_next_level;
            })
            .move_to(20, 660)
            .press();
        s.attach();
        play_full_game_from(0);
        final_level = level;
    });
    EXPECT_TRUE(reached_next_level);
    EXPECT_EQ(final_level, 1);
}

TEST(GameFlow, NoOutOfTimeScreenAfterAWinOrQuitOnTheFrameTheClockRanOut) {
    enum class Ending { LastLevelCompleted, PracticeCompleted, QuitPressed };
    // Frames the game still shows after its last scripted action: the
    // out-of-time screen would stay until the click that ends the script.
    auto frames_after_the_end = [](Ending ending) {
        long last_action = -1, end_frame = -1;
        run_in_runtime([&] {
            start_up_for_play();
            Script s;
            auto fill_board = [] {
                for (int y = 0; y < BOARD_ROWS; y++)
                    for (int x = 0; x < BOARD_COLUMNS; x++)
                        if (board(x, y) == CELL_EMPTY) board(x, y) = CELL_TILE + 1;
            };
            s.wait_frames(3);
            if (ending == Ending::QuitPressed) {
                // The pass that takes the clock from 1 to 0 sees the press.
                s.move_to(20, 660).call([] { level_timer = 2; }).press(&last_action);
            } else {
                // The next pass takes the clock to 0; the puzzle is full after it.
                s.call([] { level_timer = 1; }).call([&] {
                    fill_board();
                    last_action = frame_count();
                });
                if (ending == Ending::LastLevelCompleted)
                    s.wait_frames(200).press().wait_frames(5).press(&last_action);   // skip the count, leave
            }
            s.wait_frames(30).press();
            s.attach();
            score = 0;
            practice_mode = ending == Ending::PracticeCompleted ? 1 : 0;
            level = ending == Ending::QuitPressed ? 5 : ending == Ending::PracticeCompleted ? 12 : LAST_LEVEL;
            play_game();
            end_frame = frame_count();
            EXPECT_EQ(level_timer, 0);
        });
        return end_frame - last_action;
    };
    EXPECT_LT(frames_after_the_end(Ending::LastLevelCompleted), 5);
    EXPECT_LT(frames_after_the_end(Ending::PracticeCompleted), 5);
    EXPECT_LT(frames_after_the_end(Ending::QuitPressed), 5);
}

TEST(PlayButtons, HotSpotsExcludeTheirBoundsAndQuitWaitsForTheRelease) {
    bool reached_inside = false, paused_clock_still = false;
    long press_frame = 0, end_frame = 0;
    double timer_at_pause = 0;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        const int edges[][2] = {{2, 660}, {38, 660}, {20, 654}, {20, 666}, {721, 660}, {769, 660}, {740, 654}};
        for (const auto& e : edges) s.move_to(e[0], e[1]).click().wait_frames(2);
        s.call([&] { reached_inside = true; })
            .move_to(722, 660)
            .click()
            .wait_frames(2)
            .call([&] { timer_at_pause = level_timer; })
            .wait_frames(3)
            .call([&] { paused_clock_still = level_timer == timer_at_pause; })
            .click()   // a new press and release closes the pause
            .wait_frames(2)
            .move_to(3, 665)
            .press(&press_frame);
        s.attach();
        play_full_game_from(1);
        end_frame = frame_count();
    });
    EXPECT_TRUE(reached_inside);
    EXPECT_TRUE(paused_clock_still);
    // The press is seen in the next pass; the game then waits, presenting
    // nothing, until the button is released.
    EXPECT_EQ(end_frame, press_frame + 1);
    EXPECT_GE(pumps_before_release(), WAIT_PUMPS);
}

TEST(PauseScreen, NeedsTheOpeningClickReleasedThenANewFullClick) {
    long first_release = 0, quick_click = 0, second_press = 0, second_release = 0, returned = 0, start = 0;
    run_in_runtime([&] {
        start_up_for_play();
        Script s;
        s.wait_frames(3)
            .release(&first_release)
            .wait_frames(3)
            .call([&] {
                // Press and release between two frames: never seen.
                input_push_button(1, true);
                input_push_button(1, false);
                quick_click = frame_count();
            })
            .wait_frames(3)
            .press(&second_press)
            .wait_frames(3)
            .release(&second_release)
            .wait_frames(100);
        s.attach();
        input_push_button(1, true);   // the click that opened the pause is still down
        start = frame_count();
        pause_screen();
        returned = frame_count();
    });
    EXPECT_GT(first_release, start + 2);
    EXPECT_GT(quick_click, first_release);
    EXPECT_GT(second_press, quick_click + 2);
    EXPECT_GT(second_release, second_press + 2);
    EXPECT_GE(returned, second_release);
    EXPECT_LE(returned, second_release + 1);
}

TEST(HighScores, OnlyAScoreAboveTheFifteenthEntryQualifies) {
    high_score_table.dim(16, 2);
    high_score_table(14, 1) = "0004321";
    EXPECT_FALSE(score_enters_table(4321));
    EXPECT_TRUE(score_enters_table(4322));
    high_score_table(14, 1) = "NONE";
    EXPECT_TRUE(score_enters_table(1));
    EXPECT_FALSE(score_enters_table(0));
}

TEST(HighScores, AQualifyingFullGameEndsInNameEntry) {
    // A full game quit with the given score; Return, pressed a few frames
    // after the quit, ends the name entry if there is one. Gives the frames
    // presented after the quit and the table row holding the entered name.
    struct Ending { long frames_after_quit = -1; int row = -1; bool returned = false; };
    auto quit_with = [](double final_score) {
        Ending e;
        run_in_runtime([&] {
            start_up_for_play();
            high_score_table(14, 1) = "0000500";
            player_name = "FLOW TEST";
            long quit_frame = 0;
            Script s;
            s.wait_frames(2)
                .call([&] { score = final_score; })
                .move_to(20, 660)
                .press(&quit_frame)
                .wait_frames(5)
                .call([] { input_push_key(SCAN_RETURN, true); });
            s.attach();
            play_full_game_from(1);
            e.returned = true;
            e.frames_after_quit = frame_count() - quit_frame;
            for (int row = 0; row < 15; row++)
                if (high_score_table(row, 0).rfind("FLOW TEST", 0) == 0) e.row = row;
            if (e.row >= 0) {
                EXPECT_EQ(string_to_number(high_score_table(e.row, 1)), final_score);
            }
        });
        return e;
    };
    const Ending equal = quit_with(500);   // equal is not enough
    EXPECT_TRUE(equal.returned);
    EXPECT_EQ(equal.frames_after_quit, 1) << "no screen after the quit";
    EXPECT_EQ(equal.row, -1);
    const Ending above = quit_with(501);
    EXPECT_TRUE(above.returned) << "the name entry never took the Return";
    EXPECT_GT(above.frames_after_quit, 5) << "the name entry showed no frames";
    EXPECT_EQ(above.row, 14) << "the entered name is not in the table";
}

TEST(CommandLine, OptionsSelectTheWindowAndStopForHelpVersionAndUnknowns) {
    RuntimeConfig config;
    std::string message;
    int code = -1;
    char prog[] = "wedgewise", windowed[] = "--windowed", help[] = "--help", version[] = "--version",
         bogus[] = "--fast";
    char* plain[] = {prog};
    ASSERT_TRUE(parse_command_line(1, plain, config, message, code));
    EXPECT_EQ(config.full_screen, 1);
    EXPECT_EQ(config.screen_width, 1024);
    EXPECT_EQ(config.screen_height, 768);
    EXPECT_EQ(config.frame_rate, 60);
    EXPECT_EQ(config.mouse_captured, 1);
    EXPECT_EQ(config.title, "Wedgewise");
    char* in_window[] = {prog, windowed};
    ASSERT_TRUE(parse_command_line(2, in_window, config, message, code));
    EXPECT_EQ(config.full_screen, 0);
    char* asking[] = {prog, help};
    EXPECT_FALSE(parse_command_line(2, asking, config, message, code));
    EXPECT_EQ(code, 0);
    EXPECT_NE(message.find("--windowed"), std::string::npos);
    char* versioned[] = {prog, version};
    EXPECT_FALSE(parse_command_line(2, versioned, config, message, code));
    EXPECT_EQ(code, 0);
    char* unknown[] = {prog, windowed, bogus};
    EXPECT_FALSE(parse_command_line(3, unknown, config, message, code));
    EXPECT_NE(code, 0);
    EXPECT_NE(message.find("--fast"), std::string::npos);
}

TEST(CommandLine, HelpNamesEveryOptionTheSwitchVariableAndTheExitStatuses) {
    char prog[] = "wedgewise", help[] = "--help";
    char* asking[] = {prog, help};
    RuntimeConfig config;
    std::string text;
    int code = -1;
    ASSERT_FALSE(parse_command_line(2, asking, config, text, code));
    EXPECT_EQ(code, 0);
    // Every option the help lists is taken, and the parser takes no other.
    for (const char* option : {"--windowed", "--frames N", "--help", "--version"})
        EXPECT_NE(text.find(std::string("  ") + option), std::string::npos) << option;
    char frames[] = "--frames", n[] = "7", windowed[] = "--windowed";
    char* listed[] = {prog, windowed, frames, n};
    EXPECT_TRUE(parse_command_line(4, listed, config, text, code));
    EXPECT_NE(text.find("WEDGEWISE_AUTOMATED"), std::string::npos);
    EXPECT_NE(text.find("Exit status: 0"), std::string::npos);
    char bogus[] = "--bogus";
    char* unknown[] = {prog, bogus};
    std::string complaint;
    ASSERT_FALSE(parse_command_line(2, unknown, config, complaint, code));
    EXPECT_NE(text.find(std::to_string(code) + " for an unknown option"), std::string::npos);
}

TEST(CommandLine, OnlyTheGamesOwnVariableMakesARunAutomated) {
    testsupport::ScopedEnv env;
    char prog[] = "wedgewise";
    char* plain[] = {prog};
    RuntimeConfig config;
    std::string message;
    int code = -1;
    env.set("CI", "true");
    env.set("WEDGEWISE_AUTOMATED", nullptr);
    ASSERT_TRUE(parse_command_line(1, plain, config, message, code));
    EXPECT_EQ(config.automated, 0);
    env.set("CI", nullptr);
    env.set("WEDGEWISE_AUTOMATED", "1");
    ASSERT_TRUE(parse_command_line(1, plain, config, message, code));
    EXPECT_EQ(config.automated, 1);
}

TEST(CommandLine, FramesTakesOnePositiveWholeNumber) {
    char prog[] = "wedgewise", frames[] = "--frames", three[] = "3", windowed[] = "--windowed",
         zero[] = "0", minus[] = "-2", word[] = "ten", tail[] = "5x", huge[] = "99999999999999999999";
    RuntimeConfig config;
    std::string message;
    int code = -1;
    char* good[] = {prog, frames, three, windowed};
    ASSERT_TRUE(parse_command_line(4, good, config, message, code));
    EXPECT_EQ(config.quit_after_frames, 3);
    EXPECT_EQ(config.full_screen, 0);   // the number was taken, the next option still read
    EXPECT_EQ(config.command_line, "--frames 3 --windowed");
    for (char* bad : {zero, minus, word, tail, huge}) {
        RuntimeConfig fresh;
        char* line[] = {prog, frames, bad};
        EXPECT_FALSE(parse_command_line(3, line, fresh, message, code)) << bad;
        EXPECT_NE(code, 0) << bad;
    }
    char* missing[] = {prog, frames};
    EXPECT_FALSE(parse_command_line(2, missing, config, message, code));
    EXPECT_NE(message.find("--frames"), std::string::npos);
}
