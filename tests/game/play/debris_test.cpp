// Debris: particles read back from the exploded tile drawn on a scratch
// square that no presented frame shows; their motion, fading, and removal in
// place while the list is walked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/state.h"
#include "harness.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"

TEST(Debris, MovesAlongItsAngleFadesAndLeavesWhenFaintOrOffScreen) {
    debris.clear();
    debris.push({500, 300, 0, 4, 0xFFFFFF, -0.0501});   // fades out this frame
    debris.push({1022, 300, 90, 4, 0xFFFFFF, -0.7});    // leaves to the right
    debris.push({200, 100, 30, 5, 0x123456, -0.7});
    debris.push({5, 2, 180, 4, 0xFFFFFF, -0.7});        // leaves through the top
    debris.push({400, 400, 270, 6, 0x00FF00, -0.3});
    move_debris();
    ASSERT_EQ(debris.size(), 2u);
    EXPECT_DOUBLE_EQ(debris[0].x, 200 + fast_sin(30) * 5);
    EXPECT_DOUBLE_EQ(debris[0].y, 100 + fast_sin(120) * 5);
    EXPECT_DOUBLE_EQ(debris[0].angle, 30);   // the angle itself never changes
    EXPECT_DOUBLE_EQ(debris[0].fade, -0.695);
    EXPECT_DOUBLE_EQ(debris[1].x, 400 + fast_sin(270) * 6);
    EXPECT_DOUBLE_EQ(debris[1].colour, 0x00FF00);
    debris.clear();
}

TEST(Debris, AFreshParticleStandingStillIsGoneAfterAboutHundredThirtyFrames) {
    debris.clear();
    debris.push({500, 300, 0, 0, 0xFFFFFF, -0.7});
    int frames = 0;
    while (!debris.empty() && frames < 1000) {
        move_debris();
        frames++;
    }
    EXPECT_GE(frames, 130);
    EXPECT_LE(frames, 131);
}

namespace {

bool near_colour(int actual, int expected) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs((actual >> shift & 0xFF) - (expected >> shift & 0xFF)) > 2) return false;
    return true;
}

}  // namespace

TEST(Debris, AnExplosionTakesItsParticlesFromTheTileDrawnOnTheScratchSquare) {
    std::vector<Debris> parts;
    int top = 0, left = 0, right = 0;
    run_in_runtime([&] {
        settings_defaults();
        create_play_arrays();
        install_play_masks();   // white triangles: the tile shows its tints as they are
        install_play_services();
        debris.clear();
        tile_codes(22) = "5 2 4 ";
        held_tile = 22;
        mouse_x = 400;
        mouse_y = 300;
        explode_held_tile();
        for (size_t i = 0; i < debris.size(); i++) parts.push_back(debris[i]);
        top = tile_colour_of("5");
        left = tile_colour_of("2");
        right = tile_colour_of("4");
        debris.clear();
    });
    ASSERT_GT(parts.size(), 150u);   // about half the 21 x 21 samples of the box
    int tops = 0, lefts = 0, rights = 0;
    for (const Debris& d : parts) {
        // Box pixels 0, 3, ..., 60 from (mouse - 29), inside the up triangle.
        const int px = static_cast<int>(d.x) - 371, py = static_cast<int>(d.y) - 271;
        EXPECT_TRUE(px % 3 == 0 && py % 3 == 0 && px >= 0 && py >= 0 && px <= 60 && py <= 60) << px << "," << py;
        EXPECT_LE(std::abs(px - 29), py / 2 + 2) << px << "," << py << " lies outside the tile";
        const int c = static_cast<int>(d.colour);
        EXPECT_NE(c, 0);
        // Each corner's colour where that corner is.
        if (px == 30 && py == 9) tops += near_colour(c, top);
        if (px == 6 && py == 54) lefts += near_colour(c, left);
        if (px == 51 && py == 54) rights += near_colour(c, right);
    }
    EXPECT_EQ(tops + lefts + rights, 3) << std::hex << top << " " << left << " " << right;
}

TEST(Debris, TheScratchSquareIsNeverShown) {
    // The top-left 80 x 80 of each frame as presented, and the debris then.
    struct Shown { std::vector<int> corner; size_t debris; };
    std::vector<Shown> frames;
    std::vector<int> last_read;
    long hook_frame = -1;
    run_in_runtime([&] {
        program_start_up();
        install_play_masks();
        music_off = 1;
        vortex_on = 0;
        debris.clear();
        // The last read before a present is that frame as it is shown.
        watch_pumps([&] {
            if (frame_count() == hook_frame) read_pixels(0, 0, 80, 80, last_read);
        });
        Script s;
        s.observe([&] {
            hook_frame = frame_count();
            if (!last_read.empty()) frames.push_back({last_read, debris.size()});
        });
        // Tile 22 ("5 2 4 ", no colour 3) turned for the down cell beside the
        // first tile (12, 8, all colour 3): it explodes against it.
        s.wait_frames(3)
            .move_to(store_slot_x(22) + 20, store_slot_y(22) + 28)
            .click()
            .right_click()
            .wait_frames(6)
            .move_to(cell_box_x(13) + 29, cell_box_y(8) + 19)
            .click()
            .wait_frames(3)
            .call([] { program_quit(); });
        s.attach();
        level = 1;
        score = 0;
        practice_mode = 0;
        play_game();
    });
    size_t first = 0;
    while (first < frames.size() && frames[first].debris == 0) first++;
    ASSERT_LT(first, frames.size()) << "no explosion";
    ASSERT_GT(first, 0u);
    EXPECT_EQ(frames[first].corner, frames[first - 1].corner) << "the scratch square showed in the explosion's frame";
}
