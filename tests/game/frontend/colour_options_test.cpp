// The colour scheme screen's presets and corner-marks switch, run for real
// in a window and driven through the input event queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/gfx/gfx.h"
#include "script.h"
#include "session.h"

namespace fs = std::filesystem;

namespace {

// Where the screen puts its items (inside their click boxes).
constexpr int CLASSIC_X = 312, COLOUR_SAFE_X = 712, PRESET_Y = 670;
constexpr int MARKS_X = 512, MARKS_Y = 725;
constexpr int EXIT_X = 511, EXIT_Y = 616;
constexpr int RED_UP_X = 168, RED_UP_Y = 425;   // colour 1's red up-arrow

std::vector<uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const ColourPreset& preset_named(const char* name) {
    for (const ColourPreset& p : COLOUR_PRESETS)
        if (std::string(p.name) == name) return p;
    return COLOUR_PRESETS[0];
}

class ColourOptions : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!session.media_ready(why)) GTEST_SKIP() << why;
        session.on_frame = [this] { script.tick(); };
    }
    // The run makes the session's folder current, and the session removes
    // it: the next test in this program must not start in a folder that is gone.
    void TearDown() override { fs::current_path(start_folder_); }
    void press_at(int x, int y) {
        session.point(x, y);
        session.press_left();
    }
    fs::path record(const char* name) const { return fs::path(session.folder()) / name; }

    fs::path start_folder_ = fs::current_path();
    ScreenSession session;
    FrameScript script;
};

// Black pixels in a screen rectangle: ink of the marks (nothing else on the
// screen's sample tiles is pure black).
int black_pixels(int x, int y, int w, int h) {
    std::vector<int> pixels;
    read_pixels(x, y, w, h, pixels);
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), 0));
}

}  // namespace

TEST_F(ColourOptions, APresetSetsAllSixColoursTheArrowsGoOnAndExitSavesThem) {
    const ColourPreset& safe = preset_named("COLOUR SAFE");
    ASSERT_TRUE(safe.colour_safe);
    std::vector<int> after_preset;
    int colour5_after_preset = -1;
    script.then([this] { press_at(COLOUR_SAFE_X, PRESET_Y); })
        .wait(3)
        .then([&, this] {
            after_preset.assign(colour_channels, colour_channels + 18);
            colour5_after_preset = tile_colours[4];
            session.release_left();
        })
        .then([this] { press_at(RED_UP_X, RED_UP_Y); })   // colour 1's red steps up while held
        .wait(4)
        .then([this] { session.release_left(); })
        .then([this] { press_at(EXIT_X, EXIT_Y); });
    session.run([] {
        settings_defaults();
        colour_scheme_screen();
    });
    ASSERT_TRUE(session.body_returned());

    EXPECT_TRUE(std::equal(safe.channels.begin(), safe.channels.end(), after_preset.begin()));
    EXPECT_EQ(colour5_after_preset, safe.channels[12] + 256 * safe.channels[13] + 65536 * safe.channels[14])
        << "the tile colours follow at once";
    EXPECT_GT(colour_channels[0], safe.channels[0]) << "the arrows still step a preset's colours";

    const std::vector<uint8_t> saved = file_bytes(record("settings.dat"));
    ASSERT_EQ(saved.size(), 20u) << "settings.dat keeps its 20 bytes";
    EXPECT_EQ(saved[0], 0);
    EXPECT_EQ(saved[1], 1);
    EXPECT_EQ(saved[2], colour_channels[0]);
    for (size_t i = 1; i < 18; i++) EXPECT_EQ(saved[2 + i], safe.channels[i]) << "channel " << i;
    EXPECT_EQ(file_bytes(record("options.dat")), (std::vector<uint8_t>{'W', 'O', 1, 0}));
}

TEST_F(ColourOptions, ClassicBringsBackTheFirstRunColours) {
    script.then([this] { press_at(CLASSIC_X, PRESET_Y); })
        .wait(2)
        .then([this] { session.release_left(); })
        .then([this] { press_at(EXIT_X, EXIT_Y); });
    session.run([] {
        for (int& c : colour_channels) c = 100;
        colour_scheme_screen();
    });
    ASSERT_TRUE(session.body_returned());
    EXPECT_TRUE(std::equal(DEFAULT_COLOUR_CHANNELS.begin(), DEFAULT_COLOUR_CHANNELS.end(), colour_channels));
    const std::vector<uint8_t> saved = file_bytes(record("settings.dat"));
    ASSERT_EQ(saved.size(), 20u);
    EXPECT_TRUE(std::equal(DEFAULT_COLOUR_CHANNELS.begin(), DEFAULT_COLOUR_CHANNELS.end(), saved.begin() + 2));
}

// The leftmost pixel of the text in a band of rows: the text is near white,
// the backdrop behind it dark. -1 when the band holds no text.
int text_left(const std::vector<int>& band, int width) {
    int left = -1;
    for (size_t i = 0; i < band.size(); i++) {
        const int p = band[i];
        const bool bright = (p & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && ((p >> 16) & 0xFF) > 150;
        const int x = static_cast<int>(i) % width;
        if (bright && (left < 0 || x < left)) left = x;
    }
    return left;
}

TEST_F(ColourOptions, TheMarksSwitchFlipsOncePerPressShowsItsStateAndIsSaved) {
    constexpr int BAND_X = 200, BAND_W = 624;
    std::vector<int> marks_per_frame;
    // Where the item's text begins, and the ink on the sample tiles, in the
    // last finished frame while the switch was off and while it was on.
    int text_left_off = -1, text_left_on = -1;
    int sample_ink_off = -1, sample_ink_on = -1;
    bool pointer_away = false;
    session.on_pump = [&] {
        std::vector<int> band;
        read_pixels(BAND_X, MARKS_Y - 15, BAND_W, 32, band);
        // Pumps after the present see the cleared frame: not a picture.
        if (!pointer_away || std::all_of(band.begin(), band.end(), [](int p) { return p == 0; })) return;
        const int ink = black_pixels(88, 313, 64, 64) + black_pixels(868, 313, 64, 64);
        (corner_marks == 1 ? text_left_on : text_left_off) = text_left(band, BAND_W);
        (corner_marks == 1 ? sample_ink_on : sample_ink_off) = ink;
    };
    auto away = [&, this] {
        session.point(980, 600);
        pointer_away = true;
    };
    auto near = [&, this] {
        pointer_away = false;
        press_at(MARKS_X, MARKS_Y);
    };
    script.then(away)
        .wait(3)
        .then(near)   // held for 8 frames: one flip
        .wait(8)
        .then([this] { session.release_left(); })
        .then(away)
        .wait(3)
        .then(near)   // off again
        .then([this] { session.release_left(); })
        .then(away)
        .wait(3)
        .then(near)   // and on
        .then([this] { session.release_left(); })
        .wait(2)
        .then([this] { press_at(EXIT_X, EXIT_Y); });
    session.on_frame = [&, this] {
        marks_per_frame.push_back(corner_marks);
        script.tick();
    };
    session.run([] {
        corner_marks = 0;
        colour_scheme_screen();
    });
    ASSERT_TRUE(session.body_returned());
    // The switch's flips, frame by frame.
    int flips = 0;
    for (size_t i = 1; i < marks_per_frame.size(); i++) flips += marks_per_frame[i] != marks_per_frame[i - 1] ? 1 : 0;
    EXPECT_EQ(flips, 3) << "one flip per press, however long it is held";
    EXPECT_EQ(corner_marks, 1);
    EXPECT_EQ(file_bytes(record("options.dat")), (std::vector<uint8_t>{'W', 'O', 1, 1}));
    EXPECT_EQ(file_bytes(record("settings.dat")).size(), 20u);

    ASSERT_GE(text_left_off, 0);
    ASSERT_GE(text_left_on, 0);
    EXPECT_GT(text_left_on, text_left_off) << "\"...: ON\" is the shorter text, centred like \"...: OFF\"";
    EXPECT_EQ(sample_ink_off, 0) << "no marks on the sample tiles while off";
    EXPECT_GT(sample_ink_on, 6 * 10) << "six marks on the two sample tiles while on";
}
