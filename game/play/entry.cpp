// Program entry, start-up (media table, font measuring) and the game cycle.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/frontend/screen.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"
#include "runtime/audio/audio.h"
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/gfx/gfx.h"
#include "runtime/input/input.h"

#ifndef WEDGEWISE_VERSION
#define WEDGEWISE_VERSION "unknown"
#endif

namespace {

// ---------------------------------------------------------------- configuration

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;
constexpr int FRAME_RATE = 60;
constexpr const char* TITLE = "Wedgewise";
constexpr const char* AUTOMATED_VARIABLE = "WEDGEWISE_AUTOMATED";
constexpr int USAGE_EXIT_CODE = 2;

constexpr const char* USAGE =
    "Usage: wedgewise [--windowed] [--frames N] [--help] [--version]\n"
    "  --windowed  start in a window instead of full screen\n"
    "  --frames N  quit after N frames, telling on stderr when the first was shown\n"
    "              (a smoke test for packagers, and start-up timing)\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n";
constexpr long MAX_QUIT_FRAMES = 100000000;

// ---------------------------------------------------------------- media table

enum class MediaKind { Sprite, Anim, PointerMask, Sound };

struct MediaEntry {
    MediaKind kind;
    int slot;
    const char* path;
    int a;   // frame width, or voices of a sound
    int b;   // frame height
};

constexpr int POINTER_MASK_SLOT = 10;
constexpr int WHITE = 0xFFFFFF;

// Loaded in this order; the pointer mask is made on the back buffer between
// sprites 7 and 11 (the intro's first frame covers that pixel).
constexpr MediaEntry MEDIA_TABLE[] = {
    {MediaKind::Anim, 1, "media/tiles.png", 59, 59},
    {MediaKind::Sprite, 2, "media/screen.png", 0, 0},
    {MediaKind::Anim, 3, "media/scorenums.png", 64, 32},
    {MediaKind::Anim, 4, "media/levelnames.png", 450, 50},
    {MediaKind::Sprite, 5, "media/mouse.png", 0, 0},
    {MediaKind::Anim, 6, "media/font.png", 32, 32},
    {MediaKind::Anim, 7, "media/practiles.png", 19, 19},
    {MediaKind::PointerMask, POINTER_MASK_SLOT, nullptr, 1, 1},
    {MediaKind::Sprite, 11, "media/bigtri1.png", 0, 0},
    {MediaKind::Sprite, 12, "media/bigtri2.png", 0, 0},
    {MediaKind::Sprite, 13, "media/smtri.png", 0, 0},
    {MediaKind::Sprite, 14, "media/bigtri3.png", 0, 0},
    {MediaKind::Sprite, 15, "media/bigtri4.png", 0, 0},
    {MediaKind::Sprite, 16, "media/bigtri5.png", 0, 0},
    {MediaKind::Sprite, 17, "media/bigtri6.png", 0, 0},
    {MediaKind::Sprite, 50, "media/prairie.png", 0, 0},
    {MediaKind::Sprite, 60, "media/colsframe.png", 0, 0},
    {MediaKind::Anim, 61, "media/colsarrows.png", 33, 30},
    {MediaKind::Sprite, 101, "media/logo1.png", 0, 0},
    {MediaKind::Sprite, 102, "media/logo2.png", 0, 0},
    {MediaKind::Sprite, 103, "media/logo3.png", 0, 0},
    {MediaKind::Sprite, 104, "media/logo4.png", 0, 0},
    {MediaKind::Sound, 0, "media/sfxfuzzyboom.wav", 1, 0},
    {MediaKind::Sound, 1, "media/sfxplacetile.wav", 1, 0},
    {MediaKind::Sound, 2, "media/sfxspin.wav", 3, 0},
    {MediaKind::Sound, 3, "media/sfxpickup.wav", 1, 0},
};

// ---------------------------------------------------------------- font measuring

constexpr int GLYPH_COUNT = 60;
constexpr double SPACE_WIDTH = 24;
constexpr int KEY_SQUARE = 33;
constexpr int SCAN_LAST_COLUMN = 31;   // columns 31 down to 1 are searched
constexpr int SCAN_ROWS = 31;          // rows 0 to 30 of each
constexpr double GLYPH_SPACING = 3;

// ---------------------------------------------------------------- arrays

constexpr int HIGH_SCORE_ROWS = 16;
constexpr int HIGH_SCORE_COLUMNS = 2;
constexpr int FIFTEENTH_ENTRY = 14;
constexpr int SCORE_COLUMN = 1;

// ---------------------------------------------------------------- services

constexpr int SOUND_CENTRE = 0;
constexpr double SOUND_FULL = 1;
constexpr int WHEEL_AXIS = 2;
constexpr int SCRATCH_SQUARE = 80;
constexpr int TILE_SPAN = 61;          // pixels 0..60 of the tile box
constexpr int TILE_SAMPLE_STEP = 3;
constexpr double UP_ANGLE = 0;
constexpr double DOWN_ANGLE = 60;

// The services of the rules, backed by the runtime.
class RuntimePuzzleServices : public PuzzleServices {
public:
    void read_mouse(double& x, double& y, double& left, double& right) override {
        mouse_state(x, y, left, right);
    }
    int read_wheel() override { return mouse_axis(WHEEL_AXIS); }
    bool pointer_hits(int mask_slot, double px, double py, int x, int y) override {
        return sprite_collision(POINTER_MASK_SLOT, static_cast<int>(std::trunc(px)),
                                static_cast<int>(std::trunc(py)), mask_slot, x, y) != 0;
    }
    void play_sound(int slot) override { ::play_sound(slot, SOUND_CENTRE, SOUND_FULL); }
    void play_music(const std::string& name) override { music_play(name, 1); }
    void tile_pixels(const std::string& code, std::vector<TilePixel>& out) override {
        out.clear();
        draw_rect(0, 0, SCRATCH_SQUARE, SCRATCH_SQUARE, 0);
        bool down = code_is_down(code);
        int first = down ? 1 : 0;
        auto colour = [&](int i) { return tile_colour_of(code.substr(static_cast<size_t>(i), 1)); };
        draw_tile(0, 0, down ? DOWN_ANGLE : UP_ANGLE, colour(first), colour(first + 2), colour(first + 4));
        // One read of the whole box; a pixel-by-pixel read costs far more.
        std::vector<int> pixels;
        read_pixels(0, 0, TILE_SPAN, TILE_SPAN, pixels);
        for (int px = 0; px < TILE_SPAN; px += TILE_SAMPLE_STEP)
            for (int py = 0; py < TILE_SPAN; py += TILE_SAMPLE_STEP) {
                int c = pixels[static_cast<size_t>(py * TILE_SPAN + px)];
                if (c != 0) out.push_back({px, py, c});
            }
    }
};

RuntimePuzzleServices runtime_services;

}  // namespace

// ---------------------------------------------------------------- entry

bool parse_command_line(int argc, char** argv, RuntimeConfig& config, std::string& message,
                        int& exit_code) {
    config.screen_width = SCREEN_WIDTH;
    config.screen_height = SCREEN_HEIGHT;
    config.full_screen = 1;
    config.frame_rate = FRAME_RATE;
    config.anti_aliasing = 0;
    config.mouse_captured = 1;
    config.debug = 0;
    config.title = TITLE;
    config.automated = std::getenv(AUTOMATED_VARIABLE) != nullptr ? 1 : 0;
    config.command_line.clear();
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (!config.command_line.empty()) config.command_line += ' ';
        config.command_line += arg;
        if (arg == "--windowed") {
            config.full_screen = 0;
        } else if (arg == "--frames") {
            // A whole positive number, nothing after it.
            const char* text = i + 1 < argc ? argv[i + 1] : "";
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(text, &end, 10);
            if (end == text || *end != '\0' || errno != 0 || n < 1 || n > MAX_QUIT_FRAMES) {
                message = "wedgewise: --frames needs a number of frames from 1 to " +
                          std::to_string(MAX_QUIT_FRAMES) + "\n" + USAGE;
                exit_code = USAGE_EXIT_CODE;
                return false;
            }
            config.quit_after_frames = n;
            config.command_line += ' ';
            config.command_line += argv[++i];
        } else if (arg == "--help") {
            message = USAGE;
            exit_code = 0;
            return false;
        } else if (arg == "--version") {
            message = std::string("Wedgewise ") + WEDGEWISE_VERSION + "\n";
            exit_code = 0;
            return false;
        } else {
            message = "wedgewise: unknown option '" + arg + "'\n" + USAGE;
            exit_code = USAGE_EXIT_CODE;
            return false;
        }
    }
    return true;
}

int game_entry(int argc, char** argv) {
    RuntimeConfig config;
    std::string message;
    int exit_code = 0;
    if (!parse_command_line(argc, argv, config, message, exit_code)) {
        std::fputs(message.c_str(), exit_code == 0 ? stdout : stderr);
        return exit_code;
    }
    runtime_run(config, main_program);
    return 0;
}

// ---------------------------------------------------------------- start-up

void load_media() {
    for (const MediaEntry& m : MEDIA_TABLE) {
        switch (m.kind) {
        case MediaKind::Sprite: load_sprite(m.path, m.slot); break;
        case MediaKind::Anim: load_anim(m.path, m.slot, m.a, m.b); break;
        case MediaKind::PointerMask:
            draw_pixel(0, 0, WHITE);
            grab_sprite(m.slot, 0, 0, m.a, m.b);
            break;
        case MediaKind::Sound: load_sound(m.path, m.slot, m.a); break;
        }
    }
}

void measure_glyphs() {
    glyph_width_table(0) = SPACE_WIDTH;
    std::vector<int> pixels;
    for (int g = 1; g < GLYPH_COUNT; g++) {
        draw_rect(0, 0, KEY_SQUARE, KEY_SQUARE, KEY_COLOUR);
        draw_anim_frame(SPRITE_FONT, g, 0, 0);
        read_pixels(0, 0, SCAN_LAST_COLUMN + 1, SCAN_ROWS, pixels);
        // Rightmost column holding a glyph pixel; column 0 is never examined.
        int x = SCAN_LAST_COLUMN;
        for (; x > 0; x--) {
            bool found = false;
            for (int y = 0; y < SCAN_ROWS && !found; y++)
                found = pixels[static_cast<size_t>(y * (SCAN_LAST_COLUMN + 1) + x)] != KEY_COLOUR;
            if (found) break;
        }
        glyph_width_table(g) = x + GLYPH_SPACING;
    }
}

void install_play_services() { set_puzzle_services(&runtime_services); }

void program_start_up() {
    media_container_set("media.gfx", "media.aud");
    show_system_pointer(0);
    allow_escape(0);
    create_play_arrays();
    high_score_table.dim(HIGH_SCORE_ROWS, HIGH_SCORE_COLUMNS);
    glyph_width_table.dim(GLYPH_COUNT);
    startup_phase(StartupPhase::LoadMedia);
    load_media();
    startup_phase(StartupPhase::Settings);
    load_high_scores();
    load_settings();
    startup_phase(StartupPhase::MeasureGlyphs);
    measure_glyphs();
    install_play_services();
    startup_phase(StartupPhase::FirstFrame);
}

void main_program() {
    program_start_up();
    intro_screen();
    for (;;) {
        main_menu();
        if (practice_mode == 0) level = 0;
        score = 0;
        play_game();
    }
}

// ---------------------------------------------------------------- game end

bool score_enters_table(double score_value) {
    return score_value > string_to_number(high_score_table(FIFTEENTH_ENTRY, SCORE_COLUMN));
}

void game_end() {
    music_stop();
    if (level_timer <= 0) out_of_time();
    if (practice_mode != 0) {
        practice_mode = 0;
        return;
    }
    if (score_enters_table(score)) enter_name();
}
