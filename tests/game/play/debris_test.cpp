// Debris motion: direction from the record's angle, fading, and removal in
// place while the list is walked.
#include <gtest/gtest.h>

#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/puzzle/state.h"

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
