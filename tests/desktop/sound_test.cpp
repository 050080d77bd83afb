// Sound through a real sound server: a private PulseAudio whose null sink's
// monitor is recorded while the game plays through SDL's pulseaudio driver.
// Durations are measured on the recording's own timeline, from what it
// heard; where a time of the game's is needed it is taken on the steady
// clock when the game asks for a sound, and the recording is anchored to
// the first thing the game played, so the stack's latency drops out. The
// game acts at frames: a sound started or stopped may be late by the frame
// it was in, which a loaded machine makes long, so that frame's length is
// part of each tolerance.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/audio/audio_testing.h"
#include "runtime/frame/frame.h"
#include "runtime/input/input.h"
#include "runtime/input/input_testing.h"
#include "runtime/process/process.h"
#include "tests/desktop/live_game.h"
#include "tests/desktop/moves.h"
#include "tests/desktop/recording.h"
#include "tests/desktop/stack.h"
#include "tests/support/temp_dir.h"

using namespace desktop;

namespace {

constexpr int SCREEN_W = 1024, SCREEN_H = 768;
constexpr double AUDIBLE_DB = -40.0;       // music at least this loud
constexpr double GAP_FLOOR_DB = -60.0;     // below this a 5 ms window is a gap
constexpr double MAX_SEAM_GAP_MS = 50.0;   // beyond the frame the track restarted in
constexpr double SILENCE_DB = -90.0;       // music off: nothing at all
constexpr double MAX_TIMING_ERROR_S = 0.100;   // seen within 45 ms at load 11 on 2 cores
constexpr double DIRGE_S = 20.0;           // the out-of-time tune's cut
constexpr double CUT_SLACK_S = 0.15;       // start and stop through the stack, beyond the cut's frame
// Sounds are told apart by this much quiet before each: more than a starved
// stream's dropouts inside one sound on a loaded machine, and the script
// waits for it in the recording before the next sound.
constexpr double QUIET_BEFORE_ONSET_MS = 1000;
constexpr double ONSET_WINDOW_MS = 5;      // the recording's measuring window
constexpr double MENU_TRACK_MIN_MS = 60000;  // the menu theme; the intro's is half as long
constexpr Point MUSIC_ITEM{511, 456};
constexpr double TONE_S = 0.5;
constexpr double TONE_ON_DB = -50;   // the quietest tone is near -40 dBFS

double steady_s() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One private sound server and an X server for the game's window, with the
// monitor recorded from the moment the stack is up.
class SoundStack : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = missing_program({"Xvfb", "pulseaudio", "pactl", "parec", "pacat"});
        if (!missing.empty()) GTEST_SKIP() << missing << " is not installed (make deps installs it)";
        ASSERT_TRUE(stack.start_x(SCREEN_W, SCREEN_H));
        ASSERT_TRUE(stack.start_sound()) << "the private PulseAudio did not start";
        stack.use_for_game(Stack::Video::X11);
        wav = stack.root() + "/monitor.wav";
        ASSERT_TRUE(stack.start_recording(wav));
        recording_start = steady_s();
    }
    // Ends the recording and reads it.
    void stop_and_read() {
        stack.stop_recording();
        ASSERT_TRUE(recording.read(wav)) << "the monitor's recording cannot be read";
        ASSERT_GT(recording.seconds(), 1.0);
    }
    // Waits until the recording so far holds `sounds` sounds and has been
    // quiet after the last for as long as the next needs to be heard apart;
    // at most `seconds`.
    bool heard_and_died_away(size_t sounds, double seconds, double on_db = AUDIBLE_DB - 5) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        Recording so_far;
        while (std::chrono::steady_clock::now() < end) {
            if (so_far.read(wav)) {
                // Quiet up to the recording's end: a sound whose first
                // window has only just been written is not yet dying away.
                const double last = so_far.last_sound(GAP_FLOOR_DB);
                const double quiet_s = so_far.seconds() - std::max(last, 0.0);   // last is a window's end
                const bool quiet = quiet_s >= QUIET_BEFORE_ONSET_MS / 1000;
                if (quiet && so_far.onsets(on_db, GAP_FLOOR_DB, QUIET_BEFORE_ONSET_MS).size() >= sounds)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::string heard;
        for (double t : so_far.onsets(on_db, GAP_FLOOR_DB, QUIET_BEFORE_ONSET_MS)) heard += " " + std::to_string(t);
        ADD_FAILURE() << "waited in vain for " << sounds << " sounds heard apart, heard at" << heard << " in "
                      << so_far.seconds() << " s";
        return false;
    }
    // Seconds into the recording of a steady-clock moment, once anchor()
    // has tied the two clocks together.
    double at(double steady) const { return steady - recording_start + offset; }
    // The first sound heard is the one the game started at `steady`.
    bool anchor(double steady) {
        const double heard = recording.first_sound(0, AUDIBLE_DB - 10);
        if (heard < 0) return false;
        offset = heard - (steady - recording_start);
        return true;
    }

    Stack stack;
    LiveGame game;
    std::string wav;
    double recording_start = 0;
    double offset = 0;
    Recording recording;
};

// The player's click at a place, through SDL's event queue: what matters
// here is what the game plays, not the road of the click.
void click_at(LiveGame& game, Point p, int button = 1) {
    game.on_game([&] {
        input_set_pointer(p.x, p.y);
        input_push_button(button, true);
    });
    game.frames(2);
    game.on_game([&] { input_push_button(button, false); });
    game.frames(2);
}

// The rules' services, noting on the steady clock when a sound was asked for.
class TimedServices : public PuzzleServices {
public:
    PuzzleServices* inner = nullptr;
    std::vector<std::pair<int, double>> played;   // slot, steady seconds
    void read_mouse(double& x, double& y, double& l, double& r) override { inner->read_mouse(x, y, l, r); }
    int read_wheel() override { return inner->read_wheel(); }
    bool pointer_hits(int m, double px, double py, int x, int y) override { return inner->pointer_hits(m, px, py, x, y); }
    void play_sound(int slot) override {
        played.push_back({slot, steady_s()});
        inner->play_sound(slot);
    }
    void play_music(const std::string& name) override { inner->play_music(name); }
    void tile_pixels(const std::string& code, std::vector<TilePixel>& out) override { inner->tile_pixels(code, out); }
};

// A quiet training level: no music, no vortex.
void quiet_training_level(TimedServices* timed) {
    program_start_up();
    music_off = 1;
    vortex_on = 0;
    level = 0;
    score = 0;
    practice_mode = 0;
    if (timed) {
        timed->inner = &puzzle_services();
        set_puzzle_services(timed);
    }
    play_game();
}

bool in_play() { return level == 0 && level_timer > 0 && level_timer < LEVEL_TIME; }

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A canonical 16-bit WAV file of `channels` interleaved channels.
void write_wav(const std::string& path, const std::vector<int16_t>& samples, int rate, int channels = 1) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const uint32_t bytes = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(uint32_t(rate));
    u32(uint32_t(rate * 2 * channels));
    u16(uint16_t(2 * channels));
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    std::fwrite(samples.data(), 2, samples.size(), f);
    std::fclose(f);
}

// A mono tone, faded in over `fade_s`, added into `samples` from `at` on.
void add_tone(std::vector<int16_t>& samples, size_t at, double seconds, double hz, double amplitude, int rate,
              double fade_s = 0) {
    for (size_t i = 0; i < size_t(seconds * rate) && at + i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const double fade = fade_s > 0 ? std::min(1.0, t / fade_s) : 1.0;
        samples[at + i] = int16_t(std::lround(fade * amplitude * std::sin(2 * M_PI * hz * t)));
    }
}

void write_tone(const std::string& path, double seconds, double hz, double amplitude) {
    constexpr int RATE = 22050;
    std::vector<int16_t> samples(size_t(seconds * RATE));
    add_tone(samples, 0, seconds, hz, amplitude, RATE);
    write_wav(path, samples, RATE);
}

}  // namespace

// Sounds told apart in a recording: each is found once, wherever in a
// measuring window it begins and however softly it fades in; a blip that
// never reaches the level is not a sound.
TEST(Recording, EachSoundIsFoundOnceWhereverItBeginsInAWindow) {
    constexpr int RATE = 44100;
    constexpr double EVERY_S = 1.5;
    constexpr int SOUNDS = 12;
    std::vector<int16_t> samples(size_t((SOUNDS + 1) * EVERY_S * RATE));
    std::vector<size_t> starts;
    const size_t window = size_t(RATE * ONSET_WINDOW_MS / 1000);
    for (int i = 0; i < SOUNDS; ++i) {
        // The first window holds the first 3, 10, 17 ... frames of a 10 ms
        // fade-in: some of those windows lie between the floor and the level.
        const size_t boundary = size_t((i + 0.5) * EVERY_S * RATE) / window * window;
        const size_t at = boundary - size_t(3 + 7 * i);
        starts.push_back(at);
        add_tone(samples, at, 0.12, 700, 16000, RATE, 0.01);
    }
    add_tone(samples, size_t((SOUNDS + 0.2) * EVERY_S * RATE), 0.005, 700, 40, RATE);   // -60 dB or so
    const testsupport::TempDir dir;
    write_wav(dir / "r.wav", samples, RATE);
    Recording r;
    ASSERT_TRUE(r.read(dir / "r.wav"));
    const auto found = r.onsets(AUDIBLE_DB - 5, GAP_FLOOR_DB, QUIET_BEFORE_ONSET_MS);
    ASSERT_EQ(found.size(), starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_NEAR(found[i], double(starts[i]) / RATE, ONSET_WINDOW_MS / 1000) << "sound " << i;
}

// The intro's and the menu's music are heard, the menu theme comes round
// again without a gap, and TURN MUSIC OFF silences it.
TEST_F(SoundStack, MusicIsHeardTheMenuThemeLoopsWithoutAGapAndTurnsOff) {
    double intro_start = 0, menu_start = 0, menu_length_ms = 0;
    long restart_frame = 0;
    bool looped = false, stopped = false;
    game.config.full_screen = 0;
    game.run(main_program, [&](LiveGame& g) {
        if (!g.until([] { return music_playing(); }, 10)) return;
        intro_start = steady_s();
        g.frames(180);   // three seconds of the intro
        click_at(g, {512, 400});
        if (!g.until([] { return music_playing() && music_length_ms() > MENU_TRACK_MIN_MS; }, 10)) return;
        menu_start = steady_s();
        g.on_game([&] { menu_length_ms = music_length_ms(); });
        looped = g.until([&] {
            if (music_restarts() < 1) return false;
            restart_frame = g.frames_shown();
            return true;
        }, menu_length_ms / 1000 + 10);
        g.frames(120);
        click_at(g, MUSIC_ITEM);
        stopped = g.until([] { return !music_playing(); }, 2);
        g.frames(120);
    });
    stop_and_read();
    ASSERT_GT(menu_start, 0) << "the menu theme never started";
    ASSERT_TRUE(looped) << "the menu theme did not come round again";
    ASSERT_TRUE(stopped) << "TURN MUSIC OFF did not stop the music";

    // On the recording's timeline: the intro from the first sound, the
    // menu theme until the last, then the silence of TURN MUSIC OFF.
    const double first = recording.first_sound(0, AUDIBLE_DB - 10);
    const double last = recording.last_sound(SILENT_DB + 1);
    ASSERT_GE(first, 0) << "nothing was heard";
    const double intro_db = recording.rms_db(first + 0.5, first + 2.5);
    const double menu_db = recording.rms_db(last - 40, last - 10);   // inside the theme's first round
    const double off_db = recording.rms_db(last, recording.seconds());
    // Where the theme came round, by the anchor of the first sound; the
    // window round it is far wider than the script sees the frames late.
    ASSERT_TRUE(anchor(intro_start));
    const double seam = at(menu_start) + menu_length_ms / 1000;
    const double seam_gap = recording.longest_quiet_ms(seam - 1.0, seam + 1.0, GAP_FLOOR_DB);
    const double restart_ms = game.frame_interval_ms(restart_frame);
    std::printf("[ sound    ] intro RMS %.1f dBFS, menu RMS %.1f dBFS, longest gap at the seam %.0f ms "
                "(its frame took %.0f ms), music off %.1f dBFS for %.1f s\n", intro_db, menu_db, seam_gap,
                restart_ms, off_db, recording.seconds() - last);
    EXPECT_GT(intro_db, AUDIBLE_DB);
    EXPECT_GT(menu_db, AUDIBLE_DB);
    EXPECT_LE(seam_gap, MAX_SEAM_GAP_MS + restart_ms) << "the theme restarted late beyond its frame";
    EXPECT_GT(recording.rms_db(seam - 1.0, seam + 1.0), AUDIBLE_DB) << "the seam's two seconds are not music";
    EXPECT_GE(recording.seconds() - last, 1.0) << "the music did not stop at TURN MUSIC OFF";
    EXPECT_LT(off_db, SILENCE_DB);
}

// The out-of-time screen's tune stops 20 seconds after the screen began.
TEST_F(SoundStack, OutOfTimeCutsTheDirgeAfter20Seconds) {
    double dirge_start = 0;
    long cut_frame = 0;
    game.config.full_screen = 0;
    game.run([] { quiet_training_level(nullptr); }, [&](LiveGame& g) {
        if (!g.until(in_play, 10)) return;
        // The music is switched on for the screen only; the clock runs out.
        g.on_game([] {
            music_off = 0;
            level_timer = 20;
        });
        if (!g.until([] { return level_timer <= 0 && music_playing(); }, 5)) return;
        dirge_start = steady_s();
        g.until([&] {
            if (music_playing()) return false;
            cut_frame = g.frames_shown();
            return true;
        }, DIRGE_S + 5);
        g.frames(150);   // the silence after the cut
    });
    stop_and_read();
    ASSERT_GT(dirge_start, 0) << "the out-of-time screen played no tune";
    // Nothing else plays in this game: the first sound is the tune's.
    const double first = recording.first_sound(0, AUDIBLE_DB - 10);
    const double last = recording.last_sound(SILENT_DB + 1);
    ASSERT_GE(first, 0) << "nothing was heard";
    ASSERT_GT(cut_frame, 0) << "the tune was never cut";
    // The cut comes at the first frame 20 s after the screen began: late by
    // at most that frame's length.
    const double cut_frame_s = game.frame_interval_ms(cut_frame) / 1000;
    std::printf("[ sound    ] dirge heard from %.2f s to %.2f s: %.2f s (the cut's frame took %.0f ms), RMS %.1f dBFS\n",
                first, last, last - first, cut_frame_s * 1000, recording.rms_db(first + 0.5, first + 19.5));
    EXPECT_GT(recording.rms_db(first + 0.5, first + DIRGE_S - 0.5), AUDIBLE_DB);
    EXPECT_GE(last - first, DIRGE_S - CUT_SLACK_S);
    EXPECT_LE(last - first, DIRGE_S + cut_frame_s + CUT_SLACK_S);
    EXPECT_GE(recording.seconds() - last, 1.5) << "the recording ends too soon after the cut";
    EXPECT_LT(recording.rms_db(last + 0.1, recording.seconds()), SILENCE_DB);
}

// A pick-up, a turn, an explosion and another pick-up are heard when the
// game played them.
TEST_F(SoundStack, GameSoundsAreHeardAtTheFramesThatPlayedThem) {
    TimedServices timed;
    Drop drop;
    bool exploded = false;
    game.config.full_screen = 0;
    game.run([&] { quiet_training_level(&timed); }, [&](LiveGame& g) {
        if (!g.until(in_play, 10)) return;
        // The game's stream runs a while before the first sound, so that
        // each sound meets the stack's settled latency.
        if (!stack.wait_for_streams(2, 10)) return;
        g.frames(60);
        g.on_game([&] { drop = drop_beside_first_tile(false); });
        if (drop.tile < 0) return;
        // Each sound is heard and dies away before the next move, so that
        // they are heard apart.
        auto heard_so_far = [&] {
            size_t asked = 0;
            g.on_game([&] { asked = timed.played.size(); });
            return heard_and_died_away(asked, 10);
        };
        click_at(g, store_point(drop.tile));
        if (!heard_so_far()) return;
        for (int i = 0; i < drop.turns; ++i) {
            click_at(g, cell_point(drop.x, drop.y), 2);
            if (!heard_so_far() || !g.until([] { return spin_angle == 0; }, 2)) return;
        }
        click_at(g, cell_point(drop.x, drop.y));
        exploded = g.until([] { return held_tile == -1 && !debris.empty(); }, 10);
        if (!heard_so_far()) return;
        click_at(g, store_point(drop.tile == 1 ? 2 : 1));
        heard_so_far();
    });
    stop_and_read();
    ASSERT_GT(drop.tile, 0) << "no clashing tile found";
    ASSERT_TRUE(exploded) << "the clashing drop did not explode";
    ASSERT_GE(timed.played.size(), 3u);
    EXPECT_EQ(timed.played.front().first, 3) << "the first sound is the pick-up";
    const auto onsets = recording.onsets(AUDIBLE_DB - 5, GAP_FLOOR_DB, QUIET_BEFORE_ONSET_MS);
    std::string heard, asked;
    for (double t : onsets) heard += " " + std::to_string(t);
    for (const auto& [slot, t] : timed.played) asked += " " + std::to_string(slot) + "@" + std::to_string(t - recording_start);
    ASSERT_EQ(onsets.size(), timed.played.size()) << "each sound the game played is heard once: heard at" << heard
                                                  << ", played" << asked;
    // Each sound's distance from the time the game asked for it; they all
    // differ from their typical one by the stack's jitter alone.
    std::vector<double> latency;
    for (size_t i = 0; i < onsets.size(); ++i) latency.push_back(onsets[i] - at(timed.played[i].second));
    std::vector<double> sorted = latency;
    std::sort(sorted.begin(), sorted.end());
    const double typical = sorted[sorted.size() / 2];
    std::printf("[ sound    ] %zu sounds; each one's difference from the typical delay:", latency.size());
    for (size_t i = 0; i < latency.size(); ++i) {
        std::printf(" slot %d %+.0f ms", timed.played[i].first, (latency[i] - typical) * 1000);
        EXPECT_NEAR(latency[i], typical, MAX_TIMING_ERROR_S) << "sound " << i << " (slot " << timed.played[i].first << ")";
    }
    std::printf("\n");
}

// Pan hard left silences the right channel; the volume's decibel law.
TEST_F(SoundStack, HardLeftPanAndTheDecibelVolumeLaw) {
    struct Play {
        double pan, volume;
    };
    const std::vector<Play> plays = {{0, 1}, {-1, 1}, {0, 0.9}, {0, 0.7}};
    write_tone(game.folder() + "/tone.wav", TONE_S, 1000, 16000);
    int loaded = 0;
    size_t heard = 0;
    game.config.full_screen = 0;
    game.run([&] {
        // A slot of its own for each tone: a sound does not restart while
        // the mixer still plays it, which on a loaded machine it may do well
        // after the recording has heard it end.
        for (int slot = 0; slot < int(plays.size()); ++slot) loaded += load_sound("tone.wav", slot, 1);
        for (;;) show_screen();
    }, [&](LiveGame& g) {
        if (!stack.wait_for_streams(2, 10)) return;
        g.frames(60);
        // Each tone is heard and has died away before the next is played.
        for (const Play& p : plays) {
            int voice = -1;
            const int slot = int(heard);
            g.on_game([&] { voice = play_sound(slot, p.pan, p.volume); });
            if (voice < 0) ADD_FAILURE() << "tone " << heard << " was refused";
            if (!heard_and_died_away(++heard, 10, TONE_ON_DB)) return;
        }
    });
    stop_and_read();
    ASSERT_EQ(loaded, int(plays.size()));
    ASSERT_EQ(heard, plays.size());
    const auto onsets = recording.onsets(TONE_ON_DB, GAP_FLOOR_DB, QUIET_BEFORE_ONSET_MS);
    std::string heard_at;
    for (double t : onsets)
        heard_at += " " + std::to_string(t) + " (" + std::to_string(recording.rms_db(t, t + TONE_S)) + " dB)";
    std::printf("[ sound    ] tones heard at%s\n", heard_at.c_str());
    ASSERT_EQ(onsets.size(), plays.size());
    // Each tone's span holds nothing else: the next sound comes after a
    // second of quiet.
    auto level = [&](size_t i, int channel) {
        return recording.steady_db(onsets[i], onsets[i] + QUIET_BEFORE_ONSET_MS / 1000, channel, GAP_FLOOR_DB);
    };
    const double pan_difference = level(1, 0) - level(1, 1);
    const double minus_10 = level(2, -1) - level(0, -1);
    const double minus_30 = level(3, -1) - level(0, -1);
    std::printf("[ sound    ] full %.1f dBFS (L %.1f, R %.1f); hard left L-R %.1f dB; volume 0.9 %.2f dB, "
                "0.7 %.2f dB\n", level(0, -1), level(0, 0), level(0, 1), pan_difference, minus_10, minus_30);
    EXPECT_NEAR(level(0, 0), level(0, 1), 0.5) << "centre is not centred";
    EXPECT_GE(pan_difference, 20.0);
    EXPECT_NEAR(level(1, 0), level(0, 0), 1.0) << "hard left keeps the left channel at full";
    EXPECT_NEAR(minus_10, -10.0, 1.0);
    EXPECT_NEAR(minus_30, -30.0, 1.0);
}

// The sound server dies mid-game: the game goes on silently, and the next
// start's log tells that there is no sound device.
TEST_F(SoundStack, ServerKilledMidGameTheGameGoesOnSilently) {
    double killed = 0, after_kill = 0;
    long frames_after = 0;
    bool went_on = false;
    game.config.full_screen = 0;
    game.run([] {
        program_start_up();
        vortex_on = 0;
        level = 0;
        practice_mode = 0;
        play_game();   // with its music
    }, [&](LiveGame& g) {
        if (!g.until(in_play, 10)) return;
        g.frames(60);
        click_at(g, store_point(5));
        g.frames(30);
        stack.kill_sound();
        killed = steady_s();
        const long before = g.frames_shown();
        // Turning, dropping and another track while the server is gone.
        click_at(g, store_point(5), 2);
        went_on = g.frames(60);
        click_at(g, {300, 300});
        went_on = g.on_game([] { music_play("mp3media/triangle.mp3", 1); }) && went_on;
        went_on = g.frames(120) && went_on;
        frames_after = g.frames_shown() - before;
        after_kill = steady_s() - killed;
    });
    EXPECT_FALSE(game.ended_by_itself()) << "the program ended when the sound server died";
    EXPECT_EQ(game.error_code(), 0);
    ASSERT_GT(killed, 0) << "the game never got going";
    // Frames kept coming (each wait is bounded): the game is not stuck.
    EXPECT_TRUE(went_on) << "the game stopped presenting frames";
    EXPECT_GE(frames_after, 180);
    std::printf("[ sound    ] after the server died: %ld frames in %.1f s\n", frames_after, after_kill);

    // The next start, with the server still gone.
    auto env = stack.game_environment(Stack::Video::X11);
    env.push_back({"WEDGEWISE_AUTOMATED", "1"});
    Child next;
    ASSERT_TRUE(next.start({std::string(WEDGEWISE_BINARY_DIR) + "/wedgewise", "--windowed", "--frames", "30"}, env,
                           stack.root() + "/next.log"));
    EXPECT_EQ(next.wait(30000), 0);
    const std::string log = read_text(stack.temp() + "/ErrorLog.txt");
    EXPECT_NE(log.find("No sound device"), std::string::npos) << log;
}
