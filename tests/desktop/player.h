// The player's hands on a private desktop: the X server's mouse and
// keyboard (through Weston's seat when Weston shows in that server), and
// the few looks at the game a player makes.
#pragma once

#include <string>

#include "tests/desktop/live_game.h"
#include "tests/desktop/moves.h"
#include "tests/support/xtest_client.h"

namespace desktop {

constexpr unsigned int X_LEFT = 1, X_RIGHT = 3;
constexpr xtest::KeySym XK_ALT_L = 0xffe9, XK_F4 = 0xffc1;

class Seat {
public:
    // Connects to the X server; empty when ready, else why not. Motion is
    // made one to one (no pointer acceleration) and starts at (x, y).
    std::string open(const std::string& display, int x, int y);
    // Relative motion in short steps, spaced so none is merged with another.
    void move(int dx, int dy);
    // Press, two frames held, release, two frames.
    void click(LiveGame& game, unsigned int button);
    void key(xtest::KeySym key, bool down) { x_.key(key, down); }
    xtest::Client& x() { return x_; }

private:
    xtest::Client x_;
};

// The pointer as the game tracks it, read between two frames.
Point game_pointer(LiveGame& game);

// Waits until Weston has locked the pointer to the game, which it does a
// moment after the window's first click: until then a move goes about twice
// as far in the game. True once a short move goes `game_per_x` game pixels
// for each of the X server's.
bool wait_for_pointer_lock(LiveGame& game, Seat& seat, double game_per_x);

// The game's pointer once it has stopped moving: the seat's motion travels
// Weston and the game's event queue, which a loaded machine delays.
Point settled_pointer(LiveGame& game);

// The server's pointer stops at its screen's edges while the game's goes on
// to the game's own, so the two drift apart. Pushed right and down, then
// left and up, both end in the top-left corner (when the screen, in the
// output's logical pixels, is at least the game's size): from then on they
// go together, and no move within the game runs the server's pointer into
// an edge. False when the game's pointer is not at (0, 0) then.
bool align_pointer(LiveGame& game, Seat& seat, int screen_width, int screen_height);

// Moves the game's pointer to p by relative motion; `game_per_x` is how
// far the game's pointer goes for one pixel of the X server's. False when
// the pointer does not arrive.
bool point_at(LiveGame& game, Seat& seat, Point p, double game_per_x);

}  // namespace desktop
