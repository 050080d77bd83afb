// Sounds and music as the game's players will see them, and the generator's
// promise of identical output on every run.
#include "media_read.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

using namespace media_test;

namespace {

#define REQUIRE_MEDIA()                                                  \
    do {                                                                 \
        if (!media_built()) GTEST_SKIP() << "built with WEDGEWISE_MEDIA=OFF"; \
    } while (0)

struct Effect { const char* name; double min_seconds, max_seconds; };

const Effect EFFECTS[] = {
    {"sfxfuzzyboom.wav", 0.5, 0.8},
    {"sfxplacetile.wav", 0.05, 0.2},
    {"sfxspin.wav", 0.1, 0.25},
    {"sfxpickup.wav", 0.08, 0.2},
};

TEST(MediaSounds, EffectsAreShortCleanAndPeakNearMinusThree) {
    REQUIRE_MEDIA();
    for (const Effect& e : EFFECTS) {
        SCOPED_TRACE(e.name);
        Wave w;
        ASSERT_TRUE(load_wav(media_dir() + "/" + e.name, w));
        EXPECT_EQ(w.format, 1);
        EXPECT_EQ(w.rate, 22050);
        EXPECT_EQ(w.bits, 16);
        EXPECT_EQ(w.channels, 1);
        EXPECT_GE(w.seconds(), e.min_seconds);
        EXPECT_LE(w.seconds(), e.max_seconds);
        int peak = 0;
        for (int16_t s : w.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        double dbfs = 20 * std::log10(peak / 32768.0);
        EXPECT_NEAR(dbfs, -3.0, 0.5);
        // Starts and ends in silence: no click.
        EXPECT_LT(std::abs(w.samples.front()), 200);
        EXPECT_LT(std::abs(w.samples.back()), 200);
        // Sound is spread through the effect, not a lone spike.
        int loud = 0;
        for (int16_t s : w.samples) loud += std::abs(static_cast<int>(s)) > peak / 4;
        EXPECT_GT(loud, static_cast<int>(w.samples.size() / 50));
    }
}

struct Track { const char* name; double min_seconds, max_seconds; bool loops; };

const Track TRACKS[] = {
    {"triangle.mp3", 60, 150, true},
    {"ingame.mp3", 120, 300, true},
    {"marlow.mp3", 20, 40, false},
    {"dirge.mp3", 18, 25, false},
};

TEST(MediaSounds, MusicIsWholeStereoMp3OfTheRightLength) {
    REQUIRE_MEDIA();
    for (const Track& t : TRACKS) {
        SCOPED_TRACE(t.name);
        std::vector<uint8_t> bytes = read_bytes(media_dir() + "/" + t.name);
        ASSERT_FALSE(bytes.empty());
        Mp3Walk w = walk_mp3(bytes);
        EXPECT_TRUE(w.reached_end) << "frame chain broken after " << w.frames << " frames";
        EXPECT_EQ(w.sample_rate, 44100);
        EXPECT_TRUE(w.stereo);
        EXPECT_GE(w.seconds(), t.min_seconds);
        EXPECT_LE(w.seconds(), t.max_seconds);
    }
}

// Decodes a track with the lame decoder (the generator's own encoder).
bool decode_mp3(const std::string& name, Wave& out) {
    const testsupport::TempDir folder("wedgewise-mediagen");
    const std::string wav = folder / "decoded.wav";
    std::string cmd = "lame --quiet --decode '" + media_dir() + "/" + name + "' '" + wav + "'";
    return !folder.path().empty() && std::system(cmd.c_str()) == 0 && load_wav(wav, out);
}

double dbfs(double rms) { return 20 * std::log10(std::max(rms, 1e-9)); }

TEST(MediaSounds, MusicPlaysAtAnEvenLevelWithoutGapsOrClipping) {
    REQUIRE_MEDIA();
    double overall[std::size(TRACKS)] = {};
    for (size_t t = 0; t < std::size(TRACKS); ++t) {
        SCOPED_TRACE(TRACKS[t].name);
        Wave w;
        ASSERT_TRUE(decode_mp3(TRACKS[t].name, w));
        ASSERT_EQ(w.channels, 2);
        // Loudness in windows of 4 seconds: no silent or shouting stretch. A looping
        // track plays on to its very end (the loop must not dip); the others may ring out.
        const size_t window = static_cast<size_t>(w.rate) * 2 * 4;
        const size_t body = TRACKS[t].loops ? w.samples.size() : static_cast<size_t>(TRACKS[t].min_seconds * w.rate * 2);
        double sum_all = 0;
        for (size_t start = 0; start + window <= std::min(body, w.samples.size()); start += window) {
            double sum = 0;
            for (size_t i = start; i < start + window; ++i) sum += double(w.samples[i]) * w.samples[i];
            sum_all += sum;
            double level = dbfs(std::sqrt(sum / window) / 32768);
            EXPECT_GT(level, -30) << "quiet stretch at " << start / 2 / w.rate << " s";
            EXPECT_LT(level, -10) << "loud stretch at " << start / 2 / w.rate << " s";
        }
        overall[t] = dbfs(std::sqrt(sum_all / std::min(body, w.samples.size())) / 32768);
        int clipped = 0;
        for (int16_t s : w.samples) clipped += s == 32767 || s == -32768;
        EXPECT_LT(clipped, 10);
    }
    // The tracks sit at about the same loudness.
    auto [low, high] = std::minmax_element(std::begin(overall), std::end(overall));
    EXPECT_LT(*high - *low, 6.0);
}

TEST(MediaSounds, Mp3WalkRejectsABrokenFrameChain) {
    REQUIRE_MEDIA();
    std::vector<uint8_t> bytes = read_bytes(media_dir() + "/dirge.mp3");
    ASSERT_GT(bytes.size(), 20000u);
    Mp3Walk whole = walk_mp3(bytes);
    ASSERT_TRUE(whole.reached_end);
    // Damage a frame header in the middle: the walk must notice.
    std::vector<uint8_t> broken(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
    broken.insert(broken.end(), {0x00, 0x11, 0x22});
    broken.insert(broken.end(), bytes.begin() + static_cast<long>(bytes.size() / 2), bytes.end());
    EXPECT_FALSE(walk_mp3(broken).reached_end);
}

// ---------------------------------------------------------------- determinism

#ifdef WEDGEWISE_MEDIAGEN
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
    return read_bytes(a.string()) == read_bytes(b.string());
}

TEST(MediaGenerator, TwoRunsWriteIdenticalFiles) {
    REQUIRE_MEDIA();
    namespace fs = std::filesystem;
    const testsupport::TempDir base("wedgewise-mediagen");
    ASSERT_FALSE(base.path().empty());
    fs::path one = base / "one", two = base / "two";
    // Every picture and sound, and the shortest track (the synthesiser and the encoder).
    std::string gen = std::string("'") + WEDGEWISE_MEDIAGEN + "' ";
    ASSERT_EQ(std::system((gen + "'" + one.string() + "' --tracks dirge").c_str()), 0);
    ASSERT_EQ(std::system((gen + "'" + two.string() + "' --tracks dirge").c_str()), 0);
    int files = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(one)) {
        SCOPED_TRACE(e.path().filename().string());
        ++files;
        EXPECT_TRUE(same_file(e.path(), two / e.path().filename()));
    }
    EXPECT_EQ(files, 35);  // 22 pictures with the icon, 8 sized icons, 4 sounds, 1 track
}

TEST(MediaGenerator, AnUnknownTrackNameFailsTheRun) {
    REQUIRE_MEDIA();
    namespace fs = std::filesystem;
    const testsupport::TempDir dir("wedgewise-mediagen");
    std::string cmd = std::string("'") + WEDGEWISE_MEDIAGEN + "' '" + (dir / "out") + "' --tracks nosuch 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
}
#endif

}  // namespace
