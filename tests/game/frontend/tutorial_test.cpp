// The tutorial played through from the first page to the last, each page
// left by the action it asks for, with the mistakes it must ignore.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/frame/frame_testing.h"
#include "script.h"
#include "session.h"

namespace {

// Screen points inside the targets the pages name.
struct Spot { int x, y; };
constexpr Spot ANYWHERE = {300, 300};
constexpr Spot SLOT_24 = {848, 452};
constexpr Spot SLOT_36 = {898, 306};
constexpr Spot SLOT_51 = {946, 306};
constexpr Spot SLOT_52 = {946, 354};
constexpr Spot CELL_13_9 = {414, 572};
constexpr Spot CELL_14_9 = {444, 562};

// What one frame showed.
struct Seen {
    int page;
    double held;
    std::string code24, code36, code52;
    double spin;
    int prompt_pixels;   // bright pixels where "CLICK TO CONTINUE" goes (page 9 only)
};

// Bright text pixels in the band of the page's last line.
int prompt_pixels_now() {
    std::vector<int> pixels;
    read_pixels(200, 622, 380, 28, pixels);
    int n = 0;
    for (int c : pixels) n += (c & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200;
    return n;
}

class Tutorial : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!session.media_ready(why)) GTEST_SKIP() << why;
        session.on_frame = [this] {
            seen.push_back({tutorial_page(), held_tile, tile_codes(24), tile_codes(36), tile_codes(52), spin_angle,
                            prompt_seen});
            prompt_seen = -1;
            drawn_frames = frame_count();
            script.tick();
        };
        // The last pump before the present sees the finished frame.
        session.on_pump = [this] {
            if (tutorial_page() == 9 && frame_count() == drawn_frames) prompt_seen = prompt_pixels_now();
        };
    }

    static auto on_page(int page) {
        return [page] { return tutorial_page() == page; };
    }
    static auto idle_on_page(int page) {
        return [page] { return tutorial_page() == page && spin_angle == 0; };
    }
    // A click the page takes; the page waits for the release itself.
    void click_on(int page, Spot at) {
        script.when(on_page(page), [this, at] {
            session.point(at.x, at.y);
            session.press_left();
        });
    }
    // A click the page must ignore. The page looks at the button after the
    // frame is presented, so the button stays down through the next frame.
    void ignored_click(int page, Spot at) {
        script.when(idle_on_page(page), [this, at] {
            session.point(at.x, at.y);
            session.press_left();
        });
        script.wait(1).then([this] { session.release_left(); }).wait(3);
    }
    void turn(int page, int wheel_steps) {
        script.when(idle_on_page(page), [this, wheel_steps] { session.wheel(wheel_steps); });
    }

    int frames_on(int page) const {
        int n = 0;
        for (const Seen& s : seen) n += s.page == page;
        return n;
    }

    ScreenSession session;
    FrameScript script;
    std::vector<Seen> seen;
    long drawn_frames = -1;
    int prompt_seen = -1;
};

}  // namespace

TEST_F(Tutorial, EveryPageIsLeftByTheActionItAsksFor) {
    std::map<std::string, double> at;   // state snapshots along the way

    for (int page = 1; page <= 4; ++page) click_on(page, ANYWHERE);
    click_on(5, SLOT_52);
    // Page 6: turn 52 ("2 3 3 ") clockwise twice, once with the wheel, once with the right button.
    turn(6, -1);
    script.when(idle_on_page(6), [this] { session.press_right(); });
    click_on(7, CELL_13_9);
    script.when(on_page(8), [&] { at["board 13 9 on page 8"] = board(13, 9); });
    click_on(8, SLOT_51);
    // Page 9: a click before the held tile has gone changes nothing. The
    // score is set where the timer's penalty shows without reaching 0.
    script.when([] { return tutorial_page() == 9; }, [] { score = 30; }).wait(100);
    ignored_click(9, ANYWHERE);
    script.when([] { return tutorial_page() == 9 && held_tile == -1; }, [&] {
        at["debris after the timer"] = static_cast<double>(debris.size());
        at["score after the timer"] = score;
    });
    click_on(9, ANYWHERE);
    click_on(10, ANYWHERE);
    click_on(11, SLOT_24);
    // Page 12: the cell wants a downward tile; 24 ("5 6 4 ") points up at first.
    ignored_click(12, CELL_14_9);
    turn(12, 1);
    click_on(12, CELL_14_9);
    script.when(on_page(13), [&] {
        at["held on page 13"] = held_tile;
        at["board 13 9 on page 13"] = board(13, 9);
        at["board 14 9 on page 13"] = board(14, 9);
        at["debris on page 13"] = static_cast<double>(debris.size());
    });
    click_on(13, ANYWHERE);
    // Page 14: take 36 ("2 3 2 "); only " 3 2 2" is accepted at the cell.
    script.when(on_page(14), [this] {
        session.point(SLOT_36.x, SLOT_36.y);
        session.press_left();
    });
    script.wait(1).then([this] { session.release_left(); });
    turn(14, 1);                           // " 2 3 2": downward but wrong
    ignored_click(14, CELL_14_9);
    turn(14, -1);                          // "2 3 2 "
    turn(14, -1);                          // " 3 2 2"
    click_on(14, CELL_14_9);
    script.when(on_page(15), [&] { at["board 14 9 on page 15"] = board(14, 9); });
    // Page 15: recover the placed tile, then return it into store slot 52, emptied earlier.
    click_on(15, CELL_14_9);
    script.when([] { return tutorial_page() == 15 && held_tile == 36; }, [&] {
        at["board 14 9 recovered"] = board(14, 9);
    });
    click_on(15, SLOT_52);
    for (int page = 16; page <= 23; ++page) click_on(page, ANYWHERE);

    session.run([] { run_tutorial(); }, 1500);
    ASSERT_TRUE(session.body_returned()) << "stuck on page " << tutorial_page() << " at script step "
                                         << script.steps_done() << ", holding " << held_tile << " \"" << tile_codes(36) << "\" spin " << spin_angle << ", store cursor "
                                         << store_cursor << ", cell " << board_cursor_x << " " << board_cursor_y;
    EXPECT_TRUE(script.finished()) << "stopped at script step " << script.steps_done();
    EXPECT_EQ(tutorial_page(), 0);

    for (int page = 1; page <= 23; ++page) EXPECT_GT(frames_on(page), 0) << "page " << page;

    // Page 6 ends only once "3 3 2 " is reached and the spin has finished.
    int frames_with_code = 0;
    for (const Seen& s : seen) frames_with_code += s.page == 6 && s.code52 == "3 3 2 ";
    EXPECT_EQ(frames_with_code, 5) << "the turn that reaches it still spins for four more frames";
    for (const Seen& s : seen) {
        if (s.page == 7) { EXPECT_EQ(s.code52, "3 3 2 "); }
    }

    EXPECT_EQ(at["board 13 9 on page 8"], 152);

    // Page 9: the tile explodes by itself after 361 frames.
    int held_frames = 0;
    for (const Seen& s : seen) held_frames += s.page == 9 && s.held == 51;
    EXPECT_EQ(held_frames, 360);
    int prompt_while_held = 0, frames_after = 0, prompt_after = 0;
    for (const Seen& s : seen) {
        if (s.page != 9) continue;
        if (s.held == 51) prompt_while_held += s.prompt_pixels != 0;
        else ++frames_after, prompt_after += s.prompt_pixels > 100;
    }
    EXPECT_EQ(prompt_while_held, 0) << "no prompt while the tile is still held";
    EXPECT_GT(frames_after, 0);
    EXPECT_EQ(prompt_after, frames_after) << "CLICK TO CONTINUE once the tile has gone";
    EXPECT_GT(at["debris after the timer"], 0);
    EXPECT_EQ(at["score after the timer"], 30 - 25) << "the held tile's explosion costs 25";

    // Page 12: the mismatch blows up tile 24 and the placed 52, never the first tile.
    EXPECT_EQ(at["held on page 13"], -1);
    EXPECT_EQ(at["board 13 9 on page 13"], 1);
    EXPECT_EQ(at["board 14 9 on page 13"], 1);
    EXPECT_GT(at["debris on page 13"], 0);
    for (const Seen& s : seen) {
        if (s.page == 13) { EXPECT_EQ(s.code24.at(0), ' '); }
    }

    // Page 14 took the tile only in " 3 2 2"; page 15 recovered and returned it.
    EXPECT_EQ(at["board 14 9 on page 15"], 136);
    EXPECT_EQ(at["board 14 9 recovered"], 1);
    EXPECT_EQ(held_tile, -1);
    EXPECT_EQ(tile_used(52), 0) << "the returned tile fills the empty slot it was dropped on";
    EXPECT_EQ(tile_codes(52), "3 2 2 ");
    EXPECT_EQ(score, 0) << "penalties never take the score below 0";
}
