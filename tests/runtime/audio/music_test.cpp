// Music: loose files and the audio container, the looping restart driven by
// the frame's clock (also while paused), and tracks that cannot play.
#include "audio_support.h"

#include "runtime/audio/audio.h"
#include "runtime/files/container.h"
#include "runtime/files/files.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/audio/audio_testing.h"

#include <gtest/gtest.h>
#include "tests/support/files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace audio_test;

namespace {

// Encodes a synthesized tone with the lame command; false when there is none.
bool make_mp3(const TempFolder& dir, const std::string& name, double seconds) {
    if (std::system("command -v lame >/dev/null 2>&1") != 0) return false;
    dir.write("source.wav", wav_file(sine(seconds, 330, 12000), 1));
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    const std::string cmd = "lame --quiet -b 64 '" + dir.file("source.wav") + "' '" + dir.file(name) + "'";
    return std::system(cmd.c_str()) == 0 && std::filesystem::exists(dir.file(name));
}

using testsupport::file_bytes;

// A container with one entry, directory counted from the start.
std::vector<uint8_t> container_with(const std::string& name, const std::vector<uint8_t>& content) {
    std::vector<uint8_t> out(16, 0);   // some leading bytes, as after a program
    const auto stored = container_encode(content);
    const uint32_t data_offset = uint32_t(out.size());
    out.insert(out.end(), stored.begin(), stored.end());
    const uint32_t directory = uint32_t(out.size());
    out.push_back(uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    put32(out, data_offset);
    put32(out, uint32_t(stored.size()));
    out.push_back(0);
    out.insert(out.end(), {'s', 'b', 'X'});
    put32(out, directory);
    return out;
}

// A fake clock for the frame: sleeps move it on, and each reading a little
// (the frame's pacing polls the clock until the deadline has passed).
struct FakeClock {
    static constexpr double TICK_PER_READ_MS = 0.1;
    double now = 1000.0;
    void install() {
        frame_set_clock([this] { return now += TICK_PER_READ_MS; },
                        [this](double ms) { now += std::max(ms, 0.0); });
    }
    ~FakeClock() { frame_set_clock(nullptr, nullptr); }
};

constexpr double FRAME_MS = 1000.0 / 60.0;

class Music : public ::testing::Test {
protected:
    TempFolder dir;
    void SetUp() override {
        if (!make_mp3(dir, "mp3media/tune.mp3", 1.0)) GTEST_SKIP() << "no lame command to encode test music";
    }
    // For the tests that move the frame's clock over a track: one the mixer
    // cannot play to its end in real time while a test runs, however loaded
    // the machine (an end reached in real time restarts the track at once).
    std::string clock_track() {
        const std::string name = "mp3media/long.mp3";
        EXPECT_TRUE(make_mp3(dir, name, CLOCK_TRACK_S));
        return name;
    }
    static constexpr double CLOCK_TRACK_S = 30.0;
};

}  // namespace

TEST_F(Music, LooseTrackPlaysWithItsLengthAndStops) {
    run_in_runtime(test_config(dir.path), [&] {
        music_play("mp3media/tune.mp3", 0);
        EXPECT_TRUE(music_playing());
        // The encoder's header gives the exact length.
        EXPECT_NEAR(music_length_ms(), 1000.0, 60.0);
        music_stop();
        EXPECT_FALSE(music_playing());
        EXPECT_EQ(music_length_ms(), 0);
    });
}

TEST_F(Music, TrackFromTheAudioContainerPlaysFromATemporaryFile) {
    dir.write("media.aud", container_with("inbox.mp3", file_bytes(dir.file("mp3media/tune.mp3"))));
    dir.write("media.gfx", container_with("other.bin", {1, 2, 3}));
    run_in_runtime(test_config(dir.path), [&] {
        media_container_set(dir.file("media.gfx"), dir.file("media.aud"));
        music_play("mp3media/inbox.mp3", 0);
        EXPECT_TRUE(music_playing());
        EXPECT_NEAR(music_length_ms(), 1000.0, 60.0);
        // The loose file still wins over the container.
        music_play("mp3media/tune.mp3", 0);
        EXPECT_TRUE(music_playing());
    });
}

TEST_F(Music, MissingOrUndecodableTrackStopsTheMusicAndPlaysNothing) {
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7 + 3);
    dir.write("mp3media/noise.mp3", noise);
    run_in_runtime(test_config(dir.path), [&] {
        music_play("mp3media/tune.mp3", 1);
        ASSERT_TRUE(music_playing());
        music_play("mp3media/nowhere.mp3", 1);
        EXPECT_FALSE(music_playing());
        EXPECT_EQ(music_length_ms(), 0);

        music_play("mp3media/tune.mp3", 1);
        ASSERT_TRUE(music_playing());
        music_play("mp3media/noise.mp3", 1);
        EXPECT_FALSE(music_playing());
        // No track: the loop check has nothing to restart.
        for (int i = 0; i < 5; ++i) show_screen();
        EXPECT_EQ(music_restarts(), 0);
        EXPECT_FALSE(music_playing());
    });
}

TEST_F(Music, LoopingTrackRestartsWithinOneFrameOfItsLength) {
    FakeClock clock;
    RuntimeConfig config = test_config(dir.path);
    config.frame_rate = 60;
    clock.install();
    const std::string track = clock_track();
    run_in_runtime(config, [&] {
        music_play(track, 1);
        ASSERT_TRUE(music_playing());
        const double due = timer_ms() + music_length_ms();
        ASSERT_GT(music_length_ms(), 500);
        // When the loop check restarted it, seen by the next event pump.
        double restarted_at = -1;
        frame_set_pump_hook([&] {
            if (music_restarts() > 0 && restarted_at < 0) restarted_at = timer_ms();
        });
        // Skip most of the track, then go frame by frame.
        clock.now += music_length_ms() - 5 * FRAME_MS;
        for (int frames = 0; frames < 10 && music_restarts() == 0; ++frames) {
            show_screen();
            if (music_restarts() == 0) {
                EXPECT_LT(timer_ms(), due + FRAME_MS);
            }
        }
        frame_set_pump_hook(nullptr);
        ASSERT_EQ(music_restarts(), 1);
        EXPECT_GE(restarted_at, due);
        EXPECT_LE(restarted_at - due, FRAME_MS + 1.0);
        EXPECT_TRUE(music_playing());
        // The next restart is one length later.
        clock.now += music_length_ms() - 3 * FRAME_MS;
        show_screen();
        EXPECT_EQ(music_restarts(), 1);
        for (int frames = 0; frames < 6; ++frames) show_screen();
        EXPECT_EQ(music_restarts(), 2);

        // A track played once is never restarted by the clock.
        music_play(track, 0);
        EXPECT_EQ(music_restarts(), 0);
        clock.now += 3 * music_length_ms();
        for (int i = 0; i < 5; ++i) show_screen();
        EXPECT_EQ(music_restarts(), 0);
    });
}

TEST_F(Music, LoopCheckRunsWhileThePauseLoopWaits) {
    // The pause loop naps this long between its checks.
    constexpr double PAUSE_STEP_MS = 100.0;
    FakeClock clock;
    RuntimeConfig config = test_config(dir.path);
    config.frame_rate = 60;
    clock.install();
    const std::string track = clock_track();
    run_in_runtime(config, [&] {
        music_play(track, 1);
        ASSERT_TRUE(music_playing());
        const double due = timer_ms() + music_length_ms();
        clock.now += music_length_ms() - 5 * PAUSE_STEP_MS;
        double restarted_at = -1;
        int pumps = 0;
        // Give the focus back once the track has restarted (or give up).
        frame_set_pump_hook([&] {
            if (music_restarts() > 0 && restarted_at < 0) restarted_at = timer_ms();
            if (restarted_at >= 0 || ++pumps > 200) runtime_set_window_active(true);
        });
        runtime_set_window_active(false);
        ASSERT_FALSE(runtime_window_active());
        show_screen();
        frame_set_pump_hook(nullptr);
        ASSERT_GE(restarted_at, 0) << "the pause loop never restarted the track";
        EXPECT_GE(restarted_at, due);
        EXPECT_LE(restarted_at - due, PAUSE_STEP_MS + 1.0);
        EXPECT_EQ(music_restarts(), 1);
    });
}

TEST_F(Music, TrackThatEndsEarlyRestartsAtOnceWhenLooping) {
    FakeClock clock;
    clock.install();
    run_in_runtime(test_config(dir.path), [&] {
        music_play("mp3media/tune.mp3", 1);
        ASSERT_TRUE(music_playing());
        // The clock stands still while the track plays out in real time.
        ASSERT_TRUE(wait_until([] { return !music_playing(); }));
        EXPECT_EQ(music_restarts(), 0);
        show_screen();
        EXPECT_EQ(music_restarts(), 1);
        EXPECT_TRUE(music_playing());
    });
}

// As in a browser: the device opens once the first frame is shown, with the
// sounds loaded and the music asked for before, and nothing plays until then.
TEST_F(Music, ADeviceLeftWaitingOpensAtTheFirstFrameWithWhatWasAskedFor) {
    dir.write("tone.wav", wav_file(sine(0.5, 440, 20000), 1));
    dir.write("broken.wav", {1, 2, 3});
    audio_defer_device(true);
    run_in_runtime(test_config(dir.path), [&] {
        EXPECT_EQ(load_sound("tone.wav", 3, 2), 1);
        EXPECT_EQ(load_sound("broken.wav", 4, 1), 0) << "fails now as it would then";
        EXPECT_EQ(play_sound(3, 0, 1), -1);
        music_play("mp3media/tune.mp3", 1);
        EXPECT_FALSE(music_playing());
        show_screen();
        EXPECT_TRUE(music_playing());
        EXPECT_NEAR(music_length_ms(), 1000.0, 60.0);
        EXPECT_GE(play_sound(3, 0, 1), 0);
        EXPECT_EQ(play_sound(4, 0, 1), -1);
    });
    // Music stopped before the device opens stays stopped.
    run_in_runtime(test_config(dir.path), [&] {
        music_play("mp3media/tune.mp3", 1);
        music_stop();
        show_screen();
        EXPECT_FALSE(music_playing());
        EXPECT_EQ(load_sound("tone.wav", 3, 1), 1);
        EXPECT_GE(play_sound(3, 0, 1), 0) << "the device is open";
    });
    audio_defer_device(false);
}
