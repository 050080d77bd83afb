// Sound effects: what reaches the mixed output (SDL's disk driver captures
// it), the voice rule, the decibel volume and pan, and damaged WAV files.
#include "audio_support.h"

#include "runtime/audio/audio.h"
#include "runtime/audio/audio_testing.h"
#include "runtime/frame/frame_testing.h"
#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace audio_test;

namespace {

constexpr double FULL_SCALE = 30000.0;

class DiskAudio : public ::testing::Test {
protected:
    TempFolder dir;
    DiskCapture capture;
    testsupport::ScopedEnv env;   // back as it was when the test ends, however it ends

    void SetUp() override {
        capture.path = dir.file("capture.raw");
        env.set("SDL_AUDIODRIVER", "disk");
        env.set("SDL_DISKAUDIOFILE", capture.path);
    }

    // Lets everything mixed so far reach the file (the driver buffers ahead
    // and writes through stdio), so what follows starts in silence.
    void settle() {
        EXPECT_TRUE(capture.wait_for(capture.frames_now() + size_t(SETTLE_SECONDS * RATE)));
    }
    static constexpr double SETTLE_SECONDS = 0.3;

    // Plays the slot and returns the output from just before the play until
    // `seconds` of sound have been mixed (plus a margin).
    std::vector<int16_t> play_and_capture(int slot, double pan, double volume, double seconds,
                                          size_t& start, int* channel = nullptr) {
        settle();
        start = capture.frames_now();
        const int ch = play_sound(slot, pan, volume);
        if (channel != nullptr) *channel = ch;
        EXPECT_GE(ch, 0);
        const size_t needed = start + size_t((seconds + 0.3) * RATE);
        EXPECT_TRUE(capture.wait_for(needed)) << "disk driver stopped writing";
        EXPECT_TRUE(wait_until([&] { return !sound_playing(slot); }));
        return capture.samples();
    }
};

double decibels(double rms, double reference) { return 20.0 * std::log10(rms / reference); }

}  // namespace

TEST_F(DiskAudio, PlayedSoundReachesBothChannelsAtFullLevel) {
    dir.write("tone.wav", wav_file(sine(0.5, 440, FULL_SCALE), 1));
    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("tone.wav", 3, 1), 1);
        size_t start = 0;
        int channel = -1;
        const auto out = play_and_capture(3, 0.0, 1.0, 0.5, start, &channel);
        EXPECT_EQ(channel, 0 + 3 * 256);
        // Nothing was mixed before the play.
        EXPECT_EQ(peak(std::vector<int16_t>(out.begin(), out.begin() + long(2 * start)), 0, 0), 0);
        const double sine_rms = FULL_SCALE / std::sqrt(2.0);
        EXPECT_NEAR(loudest_window_rms(out, start, 0), sine_rms, sine_rms * 0.03);
        EXPECT_NEAR(loudest_window_rms(out, start, 1), sine_rms, sine_rms * 0.03);
    });
}

TEST_F(DiskAudio, RefusedFullScreenBeepsAtStartUp) {
    // The loudest sound of the first half second after start-up.
    auto start_up_loudness = [&](bool refused, int& full_screen) {
        frame_refuse_full_screen(refused);
        RuntimeConfig config = test_config(dir.path);
        config.full_screen = 1;
        double loudest = -1;
        run_in_runtime(config, [&] {
            full_screen = runtime_config().full_screen;
            EXPECT_TRUE(capture.wait_for(size_t(0.5 * RATE)));
            const auto out = capture.samples();
            loudest = std::max(loudest_window_rms(out, 0, 0), loudest_window_rms(out, 0, 1));
        });
        frame_refuse_full_screen(false);
        return loudest;
    };
    int full_screen = -1;
    EXPECT_LT(start_up_loudness(false, full_screen), 10.0) << "a full screen that was granted is silent";
    EXPECT_EQ(full_screen, 1);
    EXPECT_GT(start_up_loudness(true, full_screen), 3000.0) << "no beep when full screen was refused";
    EXPECT_EQ(full_screen, 0) << "the window form is the fallback";
}

TEST_F(DiskAudio, VolumeFollowsTheDecibelScale) {
    dir.write("tone.wav", wav_file(sine(0.4, 440, FULL_SCALE), 1));
    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("tone.wav", 0, 1), 1);
        size_t start = 0;
        // The loudest window of one side after playing at that volume.
        auto level = [&](double volume, int side) {
            const auto out = play_and_capture(0, 0.0, volume, 0.4, start);
            return loudest_window_rms(out, start, side);
        };
        const double full = level(1.0, 0);
        ASSERT_GT(full, 10000);
        // 0.5 is -50 dB, far below half loudness; 0.9 is -10 dB.
        EXPECT_NEAR(decibels(level(0.5, 0), full), -50.0, 1.0);
        EXPECT_NEAR(decibels(level(0.9, 1), full), -10.0, 0.5);
        // 0 and anything below it are silence; above 1 is full.
        auto out = play_and_capture(0, 0.0, 0.0, 0.4, start);
        EXPECT_EQ(peak(out, start, 0), 0);
        EXPECT_EQ(peak(out, start, 1), 0);
        out = play_and_capture(0, 0.0, -3.0, 0.4, start);
        EXPECT_EQ(peak(out, start, 0), 0);
        EXPECT_NEAR(decibels(level(7.0, 0), full), 0.0, 0.2);
    });
}

TEST_F(DiskAudio, PanAttenuatesTheOppositeSide) {
    dir.write("tone.wav", wav_file(sine(0.4, 440, FULL_SCALE), 1));
    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("tone.wav", 1, 1), 1);
        size_t start = 0;
        auto out = play_and_capture(1, 1.0, 1.0, 0.4, start);
        EXPECT_EQ(peak(out, start, 0), 0) << "pan 1 silences the left side";
        const double right = loudest_window_rms(out, start, 1);
        EXPECT_GT(right, 20000);

        out = play_and_capture(1, -1.0, 1.0, 0.4, start);
        EXPECT_EQ(peak(out, start, 1), 0) << "pan -1 silences the right side";
        EXPECT_NEAR(loudest_window_rms(out, start, 0), right, right * 0.03);

        // Half right: the left side is 50 dB down, the right side untouched.
        out = play_and_capture(1, 0.5, 1.0, 0.4, start);
        EXPECT_NEAR(decibels(loudest_window_rms(out, start, 0), right), -50.0, 1.0);
        EXPECT_NEAR(loudest_window_rms(out, start, 1), right, right * 0.03);

        // Volume and pan add up in decibels: 0.9 and pan -0.2 put the right side at -30 dB.
        out = play_and_capture(1, -0.2, 0.9, 0.4, start);
        EXPECT_NEAR(decibels(loudest_window_rms(out, start, 1), right), -30.0, 0.5);
        EXPECT_NEAR(decibels(loudest_window_rms(out, start, 0), right), -10.0, 0.5);
    });
}

TEST_F(DiskAudio, FourthPlayOfAThreeVoiceSoundRestartsTheOldestVoice) {
    // A constant level: overlapping voices add up exactly.
    constexpr int16_t LEVEL = 5000;
    dir.write("hum.wav", wav_file(flat(1.0, LEVEL), 1));
    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("hum.wav", 2, 3), 1);
        settle();
        const size_t start = capture.frames_now();
        EXPECT_EQ(play_sound(2, 0, 1), 0 + 2 * 256);
        EXPECT_EQ(play_sound(2, 0, 1), 1 + 2 * 256);
        EXPECT_EQ(play_sound(2, 0, 1), 2 + 2 * 256);
        EXPECT_EQ(play_sound(2, 0, 1), 0 + 2 * 256);
        EXPECT_TRUE(sound_playing(2));
        ASSERT_TRUE(capture.wait_for(start + size_t(1.3 * RATE)));
        ASSERT_TRUE(wait_until([] { return !sound_playing(2); }));
        const auto out = capture.samples();
        // Three copies sound together, never four.
        EXPECT_EQ(peak(out, start, 0), 3 * LEVEL);
        EXPECT_EQ(peak(out, start, 1), 3 * LEVEL);
        // With nothing playing, the voice used last is used again.
        EXPECT_EQ(play_sound(2, 0, 1), 0 + 2 * 256);
        EXPECT_EQ(play_sound(2, 0, 1), 1 + 2 * 256);
    });
}

TEST_F(DiskAudio, OneVoiceSoundDoesNotRestartWhilePlaying) {
    constexpr int16_t LEVEL = 4000;
    dir.write("hum.wav", wav_file(flat(0.4, LEVEL), 1));
    run_in_runtime(test_config(dir.path), [&] {
        // Slot numbers above 127 address slot 127.
        ASSERT_EQ(load_sound("hum.wav", 400, 1), 1);
        settle();
        const size_t start = capture.frames_now();
        EXPECT_EQ(play_sound(127, 0, 1), 127 * 256);
        EXPECT_EQ(play_sound(127, 0, 1), -1);
        EXPECT_EQ(play_sound(999, 0, 1), -1);
        EXPECT_TRUE(sound_playing(999));
        ASSERT_TRUE(capture.wait_for(start + size_t(0.7 * RATE)));
        ASSERT_TRUE(wait_until([] { return !sound_playing(127); }));
        EXPECT_EQ(peak(capture.samples(), start, 0), LEVEL);
        // Once it has ended it plays again.
        EXPECT_EQ(play_sound(127, 0, 1), 127 * 256);
    });
}

TEST_F(DiskAudio, StereoAndEightBitFilesConvertToTheDevice) {
    // 44100 Hz stereo, left loud and right quiet: resampled to the device
    // rate at the same pitch, the channels neither swapped nor mixed.
    constexpr double PITCH = 300;
    std::vector<int16_t> stereo;
    for (int16_t s : sine(0.5, PITCH, FULL_SCALE, 44100)) {
        stereo.push_back(s);
        stereo.push_back(int16_t(s / 10));
    }
    dir.write("stereo.wav", wav_file(stereo, 2, 44100));
    // 8-bit unsigned mono, a square wave of +-100 steps around the middle.
    std::vector<uint8_t> eight;
    put_tag(eight, "RIFF");
    put32(eight, 36 + 8820);
    put_tag(eight, "WAVE");
    put_tag(eight, "fmt ");
    put32(eight, 16);
    put16(eight, 1);
    put16(eight, 1);
    put32(eight, RATE);
    put32(eight, RATE);
    put16(eight, 1);
    put16(eight, 8);
    put_tag(eight, "data");
    put32(eight, 8820);
    for (int i = 0; i < 8820; ++i) eight.push_back((i / 20) % 2 ? 228 : 28);
    dir.write("eight.wav", eight);
    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("stereo.wav", 5, 1), 1);
        size_t start = 0;
        auto out = play_and_capture(5, 0, 1, 0.5, start);
        const double left = loudest_window_rms(out, start, 0);
        const double right = loudest_window_rms(out, start, 1);
        EXPECT_NEAR(left, FULL_SCALE / std::sqrt(2.0), 1000);
        EXPECT_NEAR(decibels(right, left), -20.0, 0.5);
        // Pitch: sign changes of the left side over 0.2 s inside the sound.
        size_t onset = start;
        while (2 * onset < out.size() && std::abs(out[2 * onset]) < 1000) ++onset;
        const size_t from = onset + RATE / 20, to = from + RATE / 5;
        ASSERT_LT(2 * to, out.size());
        int crossings = 0;
        for (size_t f = from + 1; f < to; ++f)
            if ((out[2 * f] >= 0) != (out[2 * (f - 1)] >= 0)) ++crossings;
        EXPECT_NEAR(crossings, 2 * PITCH / 5, 3);

        ASSERT_EQ(load_sound("eight.wav", 6, 1), 1);
        out = play_and_capture(6, 0, 1, 0.4, start);
        // 100 of 128 steps is 25600 in 16-bit samples.
        EXPECT_NEAR(peak(out, start, 0), 25600, 2);
        EXPECT_NEAR(peak(out, start, 1), 25600, 2);
    });
}

TEST_F(DiskAudio, NoDeviceMeansSilentFailures) {
    env.set("SDL_AUDIODRIVER", "no-such-driver");
    dir.write("tone.wav", wav_file(sine(0.2, 440, FULL_SCALE), 1));
    dir.write("music.mp3", {1, 2, 3});
    run_in_runtime(test_config(dir.path), [&] {
        EXPECT_EQ(load_sound("tone.wav", 0, 2), 0);
        EXPECT_EQ(play_sound(0, 0, 1), -1);
        EXPECT_FALSE(sound_playing(0));
        music_play("music.mp3", 1);
        EXPECT_FALSE(music_playing());
        EXPECT_EQ(music_length_ms(), 0);
        show_screen();
        EXPECT_EQ(music_restarts(), 0);
    });
}

// ---------------------------------------------------------------- damaged files

namespace {

std::vector<uint8_t> riff(const std::vector<uint8_t>& body, const char* type = "WAVE") {
    std::vector<uint8_t> out;
    put_tag(out, "RIFF");
    put32(out, uint32_t(body.size() + 4));
    put_tag(out, type);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> fmt_chunk(int channels, int rate, int align, int bits, uint32_t length = 16) {
    std::vector<uint8_t> out;
    put_tag(out, "fmt ");
    put32(out, length);
    put16(out, 1);
    put16(out, uint16_t(channels));
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate * align));
    put16(out, uint16_t(align));
    put16(out, uint16_t(bits));
    for (uint32_t i = 16; i < length; ++i) out.push_back(0);
    return out;
}

std::vector<uint8_t> chunk(const char* tag, const std::vector<uint8_t>& body, int64_t claimed = -1) {
    std::vector<uint8_t> out;
    put_tag(out, tag);
    put32(out, claimed < 0 ? uint32_t(body.size()) : uint32_t(claimed));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(WavLoading, DamagedFilesFailAndLeaveTheSlotEmpty) {
    TempFolder dir;
    const std::vector<uint8_t> pcm(400, 0x10);
    const auto good_fmt = fmt_chunk(1, 22050, 2, 16);
    const auto data = chunk("data", pcm);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    auto not_riff = riff(good_fmt + data);
    not_riff[0] = 'X';
    auto short_fmt = good_fmt;
    short_fmt[4] = 12;   // claims 12 bytes: the rest runs into the data chunk
    const Case cases[] = {
        {"empty", {}},
        {"short header", {'R', 'I', 'F', 'F', 0, 0}},
        {"not riff", not_riff},
        {"not wave", riff(good_fmt + data, "AVI ")},
        {"no fmt", riff(data)},
        {"no data", riff(good_fmt)},
        {"data before fmt", riff(data + good_fmt)},
        {"short fmt", riff(fmt_chunk(1, 22050, 2, 16, 16).size() ? [&] {
                           auto f = fmt_chunk(1, 22050, 2, 16);
                           f[4] = 12;   // claims 12 bytes: the rest runs into the data chunk
                           return f;
                       }() + data : data)},
        {"fmt past the end", riff(chunk("fmt ", {1, 0, 1, 0}, 400))},
        {"data past the end", riff(good_fmt + chunk("data", pcm, 401))},
        {"absurd data length", riff(good_fmt + chunk("data", pcm, 0xFFFFFFF0))},
        {"absurd chunk before fmt", riff(chunk("LIST", {1, 2, 3, 4}, 0xFFFFFFFC) + good_fmt + data)},
        {"no channels", riff(fmt_chunk(0, 22050, 2, 16) + data)},
        {"12-bit samples", riff(fmt_chunk(1, 22050, 2, 12) + data)},
        {"block align mismatch", riff(fmt_chunk(2, 22050, 2, 16) + data)},
        {"zero rate", riff(fmt_chunk(1, 0, 2, 16) + data)},
        {"no samples", riff(good_fmt + chunk("data", {}))},
        {"half a sample", riff(good_fmt + chunk("data", {7}))},
    };
    const auto good = riff(good_fmt + data);
    dir.write("good.wav", good);
    int n = 0;
    for (const Case& c : cases) dir.write("bad" + std::to_string(n++) + ".wav", c.bytes);

    run_in_runtime(test_config(dir.path), [&] {
        ASSERT_EQ(load_sound("good.wav", 9, 1), 1);
        ASSERT_GE(play_sound(9, 0, 0), 0);
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(cases[i].name);
            // Loaded over a good sound: the slot is emptied first.
            ASSERT_EQ(load_sound("good.wav", 9, 2), 1);
            EXPECT_EQ(load_sound("bad" + std::to_string(i) + ".wav", 9, 2), 0);
            EXPECT_EQ(play_sound(9, 0, 1), -1);
            EXPECT_FALSE(sound_playing(9));
        }
        EXPECT_EQ(load_sound("missing.wav", 9, 1), 0);
        EXPECT_EQ(load_sound("good.wav", -1, 1), 0);
        EXPECT_EQ(play_sound(-1, 0, 1), -1);
    });
}

TEST(WavLoading, ExtraChunksAndLongFormatsAreSkipped) {
    TempFolder dir;
    const std::vector<uint8_t> pcm(8000, 0x10);
    // An odd-sized chunk with its pad byte, an extended format and a chunk
    // between format and data, as common writers produce them.
    const auto file = riff(chunk("LIST", {'I', 'N', 'F'}) + std::vector<uint8_t>{0} +
                           fmt_chunk(2, 44100, 4, 16, 18) + chunk("fact", {0, 1, 0, 0}) + chunk("data", pcm));
    // Without the pad byte the next chunk follows straight after.
    const auto unpadded = riff(chunk("junk", {'a', 'b', 'c'}) + fmt_chunk(1, 8000, 1, 8) + chunk("data", pcm));
    dir.write("extended.wav", file);
    dir.write("unpadded.wav", unpadded);
    run_in_runtime(test_config(dir.path), [&] {
        EXPECT_EQ(load_sound("extended.wav", 4, 4), 1);
        EXPECT_EQ(play_sound(4, 0, 0), 4 * 256);
        EXPECT_EQ(load_sound("unpadded.wav", 5, 9), 1);
        // Voices are clamped to four.
        for (int i = 0; i < 5; ++i) EXPECT_EQ(play_sound(5, 0, 0), (i % 4) + 5 * 256);
    });
}
