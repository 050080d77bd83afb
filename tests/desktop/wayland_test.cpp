// The game on a Wayland desktop: Weston shown in a private X server, the
// game natively on Wayland and through XWayland, the mouse and keyboard
// those of the X server travelling Weston's real seat.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "game/play/play.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"
#include "tests/desktop/live_game.h"
#include "tests/desktop/picture.h"
#include "tests/desktop/player.h"
#include "tests/desktop/stack.h"

using namespace desktop;

namespace {

constexpr int SCREEN_W = 1280, SCREEN_H = 800;
constexpr Point MENU_START{511, 676};
constexpr int INTRO_SCROLL_FRAMES = 100;
// Event pumps watched while paused (the pause naps 100 ms between them), and
// how long one may take before the game counts as stalled.
constexpr int PAUSE_WATCH_PUMPS = 6;
constexpr double PUMP_LIMIT_S = 5;
constexpr int ALT_F4_TRIES = 15;
constexpr int PAUSE_LOOKS_APART_MS = 150;   // more than a frame and than the pause's nap

#define REQUIRE(condition, message)                                       \
    do {                                                                  \
        if (!(condition)) {                                               \
            ADD_FAILURE() << #condition << ": " << message;               \
            return;                                                       \
        }                                                                 \
    } while (0)

std::string caption_of(LiveGame& game) {
    std::string caption;
    game.look([&] { caption = runtime_caption(); }, PUMP_LIMIT_S);
    return caption;
}

// Looks at each event pump (the game's own pace) until the caption is the one wanted.
bool caption_becomes(LiveGame& game, const std::string& wanted, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end)
        if (caption_of(game) == wanted) return true;
    return false;
}

// The next presented frame against the screen: full screen, letterboxed,
// and (when `pointer` is set) the drawn pointer where the game has it.
void check_shown(LiveGame& game, Seat& seat, const std::string& picture, const Point* pointer) {
    expect_shown_right(look_at_screen(game, seat.x(), SCREEN_W, SCREEN_H, pointer), SCREEN_W, SCREEN_H, picture);
}

// Intro, menu, the training level: pointer, a drop, focus, Alt+F4.
void play_on_weston(LiveGame& game, Seat& seat, Stack& stack, const std::string& name) {
    REQUIRE(game.frames(20), "the intro did not show");
    check_shown(game, seat, name + "-" + std::to_string(SCREEN_W) + "x" + std::to_string(SCREEN_H) + ".png", nullptr);

    // The click that ends the intro. Weston lets a window lock the pointer
    // only once it has been clicked; from then on the game's pointer
    // follows the seat's relative motion one to one, while the server's own
    // pointer moves the same.
    seat.click(game, X_LEFT);
    REQUIRE(game.frames(INTRO_SCROLL_FRAMES), "the intro did not end");
    REQUIRE(wait_for_pointer_lock(game, seat, 1.0), "Weston never locked the pointer to the game");
    const Point before = settled_pointer(game);
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    seat.x().pointer(x0, y0);
    seat.move(60, 45);
    const Point after = settled_pointer(game);
    seat.x().pointer(x1, y1);
    EXPECT_EQ(x1 - x0, 60);
    EXPECT_EQ(y1 - y0, 45);
    EXPECT_EQ(after.x - before.x, 60) << "the game's pointer from " << before.x << " to " << after.x;
    EXPECT_EQ(after.y - before.y, 45) << "the game's pointer from " << before.y << " to " << after.y;

    // START GAME where the pointer shows.
    REQUIRE(align_pointer(game, seat, SCREEN_W, SCREEN_H), "the pointer did not stop in the corner");
    REQUIRE(point_at(game, seat, MENU_START, 1.0), "the pointer did not reach START GAME");
    check_shown(game, seat, name + "-menu.png", &MENU_START);
    seat.click(game, X_LEFT);
    REQUIRE(game.until([] { return level == 0 && board_has_space() && level_timer < LEVEL_TIME; }, 10),
            "START GAME did not start the training level");

    // A tile taken, turned with the right button and dropped where it fits.
    Drop drop;
    game.on_game([&] { drop = drop_beside_first_tile(true); });
    REQUIRE(drop.tile > 0, "no tile of the store fits beside the first tile");
    const Point slot = store_point(drop.tile);
    REQUIRE(point_at(game, seat, slot, 1.0), "the pointer did not reach the store");
    check_shown(game, seat, "", &slot);
    seat.click(game, X_LEFT);
    REQUIRE(game.until([&] { return held_tile == drop.tile; }, 3), "the click over slot " << drop.tile << " took no tile");
    for (int i = 0; i < drop.turns; ++i) {
        seat.click(game, X_RIGHT);
        // The turn's spin ends before the next click counts.
        REQUIRE(game.until([] { return spin_angle == 0; }, 2), "the turn's spin did not end");
    }
    REQUIRE(point_at(game, seat, cell_point(drop.x, drop.y), 1.0), "the pointer did not reach the space");
    seat.click(game, X_LEFT);
    REQUIRE(game.until([&] { return held_tile == -1 && board(drop.x, drop.y) == CELL_TILE + drop.tile; }, 3),
            "tile " << drop.tile << " was not dropped into (" << drop.x << ", " << drop.y << ")");

    // Another client takes the focus: the game stops and says so.
    REQUIRE(stack.start_other_client(), "the other client did not start");
    EXPECT_TRUE(caption_becomes(game, "Wedgewise <pause>", 8000)) << "caption: " << caption_of(game);
    // The frame that heard of the focus change may still end before the
    // pause begins: the game has stopped once two looks more than a frame
    // apart see the same frame and clock.
    struct Seen {
        long frame = -1;
        double clock = -1;
        bool operator==(const Seen&) const = default;
    };
    auto look_at = [&](Seen& seen) {
        return game.look([&] { seen = {frame_count(), level_timer}; }, PUMP_LIMIT_S);
    };
    Seen stopped, now;
    bool settled = false;
    const auto settle_end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!settled && std::chrono::steady_clock::now() < settle_end && look_at(stopped)) {
        const auto apart = std::chrono::steady_clock::now() + std::chrono::milliseconds(PAUSE_LOOKS_APART_MS);
        while (std::chrono::steady_clock::now() < apart && look_at(now)) {}
        settled = now == stopped;
    }
    EXPECT_TRUE(settled) << "the game did not stop for the pause";
    // Paused, not stalled: the game goes on handling its window's messages
    // (a look runs at each of its event pumps) while it presents nothing and
    // its clock stands.
    int pumps = 0;
    bool still = true;
    while (pumps < PAUSE_WATCH_PUMPS && look_at(now)) {
        still = still && now == stopped;
        ++pumps;
    }
    EXPECT_EQ(pumps, PAUSE_WATCH_PUMPS) << "the paused game stopped handling its messages";
    EXPECT_TRUE(still) << "frames or the level clock went on while paused: frame " << now.frame << " (was "
                       << stopped.frame << "), clock " << now.clock << " (was " << stopped.clock << ")";
    stack.stop_other_client();
    EXPECT_TRUE(caption_becomes(game, "Wedgewise", 8000)) << "caption: " << caption_of(game);
    REQUIRE(game.frames(10), "the game did not go on after the focus came back");

    // Alt+F4 ends the program by itself.
    seat.key(XK_ALT_L, true);
    seat.key(XK_F4, true);
    const bool ended = game.wait_end(5);
    seat.key(XK_F4, false);
    seat.key(XK_ALT_L, false);
    EXPECT_TRUE(ended) << "Alt+F4 did not end the program";
}

void run_on_weston(Stack::Video video, const std::string& name) {
    const std::string missing = missing_program(
        {"Xvfb", "weston", "weston-simple-shm", video == Stack::Video::XWayland ? "Xwayland" : "weston"});
    if (!missing.empty()) GTEST_SKIP() << missing << " is not installed (make deps installs it)";
    Stack stack;
    ASSERT_TRUE(stack.start_x(SCREEN_W, SCREEN_H));
    ASSERT_TRUE(stack.start_weston(SCREEN_W, SCREEN_H, 1, video == Stack::Video::XWayland)) << stack.weston_log();
    Seat seat;
    ASSERT_EQ(seat.open(stack.x_display(), SCREEN_W / 2, SCREEN_H / 2), "");
    stack.use_for_game(video);
    LiveGame game;
    game.run(main_program, [&](LiveGame& g) { play_on_weston(g, seat, stack, name); });
    EXPECT_TRUE(game.ended_by_itself()) << "the program did not end by Alt+F4";
    EXPECT_EQ(game.error_code(), 0);
    EXPECT_TRUE(stack.weston_running()) << stack.weston_log();
}

}  // namespace

TEST(Wayland, NativeFullScreenPointerDropFocusPauseAndAltF4) { run_on_weston(Stack::Video::Wayland, "wayland"); }

TEST(Wayland, ThroughXWaylandFullScreenPointerDropFocusPauseAndAltF4) {
    run_on_weston(Stack::Video::XWayland, "xwayland");
}

// The program as installed, started by the player on Wayland: Alt+F4 ends
// it with exit code 0.
TEST(Wayland, AltF4EndsThePlayersProgramWithExitCode0) {
    const std::string missing = missing_program({"Xvfb", "weston"});
    if (!missing.empty()) GTEST_SKIP() << missing << " is not installed (make deps installs it)";
    Stack stack;
    ASSERT_TRUE(stack.start_x(SCREEN_W, SCREEN_H));
    ASSERT_TRUE(stack.start_weston(SCREEN_W, SCREEN_H, 1, false)) << stack.weston_log();
    Seat seat;
    ASSERT_EQ(seat.open(stack.x_display(), SCREEN_W / 2, SCREEN_H / 2), "");
    auto env = stack.game_environment(Stack::Video::Wayland);
    env.push_back({"WEDGEWISE_AUTOMATED", "1"});
    Child game;
    ASSERT_TRUE(game.start({std::string(WEDGEWISE_BINARY_DIR) + "/wedgewise"}, env, stack.root() + "/game.log"));
    const bool started = wait_for_text(stack.temp() + "/ErrorLog.txt", "Init Finalized", 20000, &game);
    ASSERT_TRUE(started) << "the game did not start (exit " << game.status() << ")";
    // The keys reach the game once Weston has given its window the focus,
    // which it does a moment after the window shows: pressed until the
    // game ends (or the tries run out).
    int status = -1;
    for (int tries = 0; tries < ALT_F4_TRIES && status < 0; ++tries) {
        seat.key(XK_ALT_L, true);
        seat.key(XK_F4, true);
        status = game.wait(1000);
        seat.key(XK_F4, false);
        seat.key(XK_ALT_L, false);
    }
    EXPECT_EQ(status, 0) << "-1 means it still ran";
}
