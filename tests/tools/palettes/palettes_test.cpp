// The colour measures and the presets they judge: CIEDE2000 against the
// published reference pairs, the simulations against what they must keep,
// and every colour-safe preset against its threshold.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "tools/palettes/colour_vision.h"

namespace cv = colour_vision;
namespace fs = std::filesystem;

namespace {

std::vector<cv::Rgb> palette_of(const std::array<int, 18>& channels) {
    std::vector<cv::Rgb> palette;
    for (size_t i = 0; i < channels.size(); i += 3) palette.push_back({channels[i], channels[i + 1], channels[i + 2]});
    return palette;
}

}  // namespace

TEST(Ciede2000, MatchesTheReferencePairs) {
    // Sharma, Wu and Dalal (2005), table 1: pairs chosen for the hue
    // wrap-around, the mean-hue rule and the rotation term.
    const struct { cv::Lab a, b; double expected; } pairs[] = {
        {{50.0, 2.6772, -79.7751}, {50.0, 0.0, -82.7485}, 2.0425},
        {{50.0, -1.3802, -84.2814}, {50.0, 0.0, -82.7485}, 1.0000},
        {{50.0, 0.0, 0.0}, {50.0, -1.0, 2.0}, 2.3669},
        {{50.0, 2.49, -0.001}, {50.0, -2.49, 0.0009}, 7.1792},
        {{50.0, 2.49, -0.001}, {50.0, -2.49, 0.0011}, 7.2195},
        {{50.0, -0.001, 2.49}, {50.0, 0.0009, -2.49}, 4.8045},
        {{50.0, 2.5, 0.0}, {73.0, 25.0, -18.0}, 27.1492},
        {{50.0, 2.5, 0.0}, {56.0, -27.0, -3.0}, 31.9030},
        {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
        {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
        {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
        {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
        {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
    };
    for (const auto& p : pairs) {
        EXPECT_NEAR(cv::ciede2000(p.a, p.b), p.expected, 0.0001) << p.expected;
        EXPECT_NEAR(cv::ciede2000(p.b, p.a), p.expected, 0.0001) << "symmetric: " << p.expected;
    }
}

TEST(Simulation, MeasuresTheFirstRunColoursAsReported) {
    // The figures the colour-vision report gave for the defaults, with the
    // pair each condition confuses.
    const struct { cv::Condition c; double difference; int first, second; } reported[] = {
        {cv::Condition::Normal, 25.2, 0, 2},       {cv::Condition::Protanopia, 10.2, 0, 2},
        {cv::Condition::Deuteranopia, 17.2, 1, 3}, {cv::Condition::Tritanopia, 15.6, 3, 4},
        {cv::Condition::Grey, 3.6, 4, 5},
    };
    const std::vector<cv::Rgb> defaults = palette_of(DEFAULT_COLOUR_CHANNELS);
    for (const auto& r : reported) {
        const cv::ClosestPair p = cv::closest_pair(defaults, r.c);
        EXPECT_NEAR(p.difference, r.difference, 0.05) << cv::condition_name(r.c);
        EXPECT_EQ(p.first, r.first) << cv::condition_name(r.c);
        EXPECT_EQ(p.second, r.second) << cv::condition_name(r.c);
    }
}

TEST(Simulation, KeepsWhiteBlackAndGreysAndTurnsGreyToOneChannel) {
    for (cv::Condition c : cv::ALL_CONDITIONS) {
        for (int v : {0, 128, 255}) {
            const cv::Rgb seen = cv::simulate({v, v, v}, c);
            EXPECT_NEAR(seen.r, v, 1) << cv::condition_name(c);
            EXPECT_NEAR(seen.g, v, 1) << cv::condition_name(c);
            EXPECT_NEAR(seen.b, v, 1) << cv::condition_name(c);
        }
    }
    const cv::Rgb grey = cv::simulate({200, 20, 200}, cv::Condition::Grey);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
    // Red and green, far apart for most, come close without the M cones.
    EXPECT_GT(cv::difference({160, 20, 20}, {20, 160, 20}, cv::Condition::Normal), 50);
    EXPECT_LT(cv::difference({160, 20, 20}, {20, 160, 20}, cv::Condition::Deuteranopia), 20);
    cv::Condition named;
    ASSERT_TRUE(cv::condition_from_name("deuteranopia", named));
    EXPECT_EQ(named, cv::Condition::Deuteranopia);
    EXPECT_FALSE(cv::condition_from_name("colourful", named));
}

TEST(Presets, ClassicIsTheFirstRunSchemeAndEveryColourSafePresetKeepsItsDistance) {
    ASSERT_GE(std::size(COLOUR_PRESETS), 2u);
    EXPECT_STREQ(COLOUR_PRESETS[0].name, "CLASSIC");
    EXPECT_EQ(COLOUR_PRESETS[0].channels, DEFAULT_COLOUR_CHANNELS);
    int safe = 0;
    for (const ColourPreset& preset : COLOUR_PRESETS) {
        for (int v : preset.channels) {
            EXPECT_EQ(v % 2, 0) << preset.name << ": the arrows step even values";
            EXPECT_GE(v, 20) << preset.name;
            EXPECT_LE(v, 254) << preset.name;
        }
        for (const char* c = preset.name; *c; c++)
            EXPECT_TRUE((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == ' ') << preset.name;
        if (!preset.colour_safe) continue;
        safe++;
        const std::vector<cv::Rgb> palette = palette_of(preset.channels);
        for (cv::Condition c : cv::SAFE_CONDITIONS) {
            const cv::ClosestPair p = cv::closest_pair(palette, c);
            EXPECT_GE(p.difference, COLOUR_SAFE_DIFFERENCE)
                << preset.name << ", " << cv::condition_name(c) << ": colours " << p.first + 1 << " and " << p.second + 1;
        }
    }
    EXPECT_GE(safe, 1) << "at least one preset is made for colour-vision deficiency";
}

TEST(Pictures, ASimulatedPictureKeepsItsSizeAndAlpha) {
    const fs::path folder = fs::temp_directory_path() / ("palettes-test-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::vector<uint8_t> rgba = {200, 20, 200, 255, 20, 200, 200, 128, 0, 0, 0, 0};
    ASSERT_TRUE(cv::write_png((folder / "in.png").string(), 3, 1, rgba));
    ASSERT_TRUE(cv::simulate_png((folder / "in.png").string(), (folder / "out.png").string(), cv::Condition::Grey));
    int w = 0, h = 0;
    std::vector<uint8_t> out;
    ASSERT_TRUE(cv::read_png((folder / "out.png").string(), w, h, out));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 1);
    ASSERT_EQ(out.size(), 12u);
    for (size_t i = 0; i < 12; i += 4) {
        EXPECT_EQ(out[i], out[i + 1]);
        EXPECT_EQ(out[i + 1], out[i + 2]);
        EXPECT_EQ(out[i + 3], rgba[i + 3]);
    }
    EXPECT_FALSE(cv::simulate_png((folder / "missing.png").string(), (folder / "x.png").string(), cv::Condition::Grey));
    fs::remove_all(folder);
}

TEST(PalettesTool, PrintsEveryPresetAndTheDefaultsAndPasses) {
    const std::string command = std::string(WEDGEWISE_BINARY_DIR) + "/palettes";
    if (!fs::exists(command)) GTEST_SKIP() << "the palettes tool is not built";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out)) text += buffer;
    const int status = ::pclose(out);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("defaults"), std::string::npos);
    for (const ColourPreset& preset : COLOUR_PRESETS) EXPECT_NE(text.find(preset.name), std::string::npos) << text;
    for (cv::Condition c : cv::ALL_CONDITIONS) EXPECT_NE(text.find(cv::condition_name(c)), std::string::npos);
    EXPECT_NE(text.find(" 10.2 (1-3)"), std::string::npos) << "the defaults' protanopia figure\n" << text;
}
