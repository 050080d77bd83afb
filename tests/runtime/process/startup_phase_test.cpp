// The start-up profile: time goes to the innermost open phase, and nothing
// is recorded outside a recording or by a scope left over from an older one.
#include "runtime/process/startup_phase.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

const StartupSpend& spend_of(const StartupProfile& profile, StartupPhase phase) {
    return profile.phases[static_cast<size_t>(phase)];
}

// Burns a little processor time, so a phase that ran has some to show.
void busy() {
    volatile double sink = 0;
    for (int i = 0; i < 200000; ++i) sink = sink + i * 0.5;
}

}  // namespace

TEST(StartupPhase, TimeGoesToTheInnermostOpenPhaseOfTheCurrentRecording) {
    // Outside a recording scopes and phase changes do nothing.
    (void)startup_profile_finish();
    EXPECT_FALSE(startup_recording());
    {
        const StartupScope ignored(StartupPhase::PngDecoding);
        startup_phase(StartupPhase::Settings);
    }
    EXPECT_FALSE(startup_profile_finish().has_value());

    startup_profile_begin();
    EXPECT_TRUE(startup_recording());
    startup_phase(StartupPhase::LoadMedia);
    {
        const StartupScope reading(StartupPhase::ContainerReading);
        const StartupScope decoding(StartupPhase::PngDecoding);
        busy();
    }
    // A scope still open from a recording that has ended, closed in a new
    // one, leaves the new one's phases alone.
    auto stale = std::make_unique<StartupScope>(StartupPhase::TextureUpload);
    startup_profile_begin();
    startup_phase(StartupPhase::Settings);
    busy();
    const StartupScope glyphs(StartupPhase::MeasureGlyphs);
    busy();
    stale.reset();
    {
        const StartupScope upload(StartupPhase::TextureUpload);
        busy();
    }
    busy();
    const std::optional<StartupProfile> profile = startup_profile_finish();
    EXPECT_FALSE(startup_recording());
    ASSERT_TRUE(profile.has_value());
    EXPECT_GT(profile->began_ms, 0);
    for (StartupPhase ran : {StartupPhase::Settings, StartupPhase::MeasureGlyphs, StartupPhase::TextureUpload}) {
        EXPECT_GT(spend_of(*profile, ran).wall_ms, 0) << startup_phase_key(ran);
        EXPECT_GE(spend_of(*profile, ran).page_faults, 0) << startup_phase_key(ran);
    }
    // The first recording's phases were dropped by the second.
    for (StartupPhase dropped : {StartupPhase::LoadMedia, StartupPhase::ContainerReading, StartupPhase::PngDecoding})
        EXPECT_EQ(spend_of(*profile, dropped).wall_ms, 0) << startup_phase_key(dropped);
}

TEST(StartupPhase, EveryPhaseHasItsOwnKeyAndALabel) {
    std::set<std::string> keys;
    for (size_t i = 0; i < STARTUP_PHASES; ++i) {
        keys.insert(startup_phase_key(static_cast<StartupPhase>(i)));
        EXPECT_STRNE(startup_phase_label(static_cast<StartupPhase>(i)), "");
    }
    EXPECT_EQ(keys.size(), STARTUP_PHASES);
}
