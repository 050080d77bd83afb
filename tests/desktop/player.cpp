#include "tests/desktop/player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "runtime/input/input.h"

namespace desktop {

namespace {

constexpr int LONGEST_STEP = 40;
constexpr auto STEP_SPACING = std::chrono::milliseconds(4);
constexpr int SETTLE_FRAMES = 4;
constexpr int AIM_TRIES = 4;
constexpr int SETTLE_TRIES = 30;
constexpr int LOCK_STEP = 20;
constexpr int LOCK_TRIES = 60;

}  // namespace

std::string Seat::open(const std::string& display, int x, int y) {
    std::string why = x_.open(display);
    if (!why.empty()) return why;
    x_.acceleration_off();
    x_.move_to(x, y);
    return std::string();
}

void Seat::move(int dx, int dy) {
    while (dx != 0 || dy != 0) {
        const int sx = std::clamp(dx, -LONGEST_STEP, LONGEST_STEP);
        const int sy = std::clamp(dy, -LONGEST_STEP, LONGEST_STEP);
        x_.move(sx, sy);
        std::this_thread::sleep_for(STEP_SPACING);
        dx -= sx;
        dy -= sy;
    }
}

void Seat::click(LiveGame& game, unsigned int button) {
    x_.button(button, true);
    game.frames(2);
    x_.button(button, false);
    game.frames(2);
}

Point game_pointer(LiveGame& game) {
    Point p{-1, -1};
    game.on_game([&] {
        double x = 0, y = 0, left = 0, right = 0;
        mouse_state(x, y, left, right);
        p = {int(x), int(y)};
    });
    return p;
}

Point settled_pointer(LiveGame& game) {
    Point last = game_pointer(game);
    for (int i = 0; i < SETTLE_TRIES; ++i) {
        game.frames(SETTLE_FRAMES);
        const Point now = game_pointer(game);
        if (now.x == last.x && now.y == last.y) return now;
        last = now;
    }
    return last;
}

bool wait_for_pointer_lock(LiveGame& game, Seat& seat, double game_per_x) {
    const int wanted = int(std::lround(LOCK_STEP * game_per_x));
    Point before = settled_pointer(game);
    int exact = 0;   // two such moves in a row: not a chance of the unlocked motion
    std::string seen;
    for (int i = 0; i < LOCK_TRIES && exact < 2; ++i) {
        const int step = i % 2 ? LOCK_STEP : -LOCK_STEP;   // back and forth: the pointer stays put
        seat.move(step, 0);
        const Point after = settled_pointer(game);
        // Within a pixel (a move the game has not quite taken up yet);
        // unlocked, it goes about twice as far.
        const bool one_to_one =
            std::abs(std::abs(after.x - before.x) - wanted) <= 1 && std::abs(after.y - before.y) <= 1;
        exact = one_to_one ? exact + 1 : 0;
        seen += " (" + std::to_string(after.x - before.x) + ", " + std::to_string(after.y - before.y) + ")";
        before = after;
    }
    if (exact < 2) ADD_FAILURE() << "moves of " << LOCK_STEP << " went" << seen << " in the game";
    return exact >= 2;
}

bool align_pointer(LiveGame& game, Seat& seat, int screen_width, int screen_height) {
    seat.move(2 * screen_width, 2 * screen_height);
    seat.move(-2 * screen_width, -2 * screen_height);
    const Point p = settled_pointer(game);
    return p.x == 0 && p.y == 0;
}

bool point_at(LiveGame& game, Seat& seat, Point p, double game_per_x) {
    for (int i = 0; i < AIM_TRIES; ++i) {
        const Point now = settled_pointer(game);
        if (now.x == p.x && now.y == p.y) return true;
        seat.move(int(std::lround((p.x - now.x) / game_per_x)), int(std::lround((p.y - now.y) / game_per_x)));
    }
    const Point now = settled_pointer(game);
    return now.x == p.x && now.y == p.y;
}

}  // namespace desktop
