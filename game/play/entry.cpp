// Program entry, start-up (media table, font measuring) and the game cycle.
#include <cerrno>
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
#include "runtime/process/startup_phase.h"

#ifndef WEDGEWISE_VERSION
#define WEDGEWISE_VERSION "unknown"
#endif

namespace {

// ---------------------------------------------------------------- configuration

constexpr int FRAME_RATE = 60;
constexpr const char* TITLE = "Wedgewise";
constexpr const char* AUTOMATED_VARIABLE = "WEDGEWISE_AUTOMATED";
constexpr int USAGE_EXIT_CODE = 2;

// The --help text: every option parse_command_line takes, the environment
// variable it reads and the exit statuses.
std::string usage() {
    return std::string(
               "Usage: wedgewise [--windowed] [--frames N] [--help] [--version]\n"
               "  --windowed  start in a window instead of full screen\n"
               "  --frames N  quit after N frames, telling on stderr when the first was shown\n"
               "              (a smoke test for packagers, and start-up timing)\n"
               "  --help      show this text and exit\n"
               "  --version   show the version and exit\n"
               "Environment:\n  ") +
           AUTOMATED_VARIABLE +
           "  set (to anything) for automated runs such as tests: no software-\n"
           "              rendering dialog, no pause when another window takes the focus\n"
           "Exit status: 0 (also when a run-time error ended the game: see ErrorLog.txt\n"
           "  in the temporary folder); " + std::to_string(USAGE_EXIT_CODE) +
           " for an unknown option or a bad --frames number.\n";
}
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

constexpr int WHITE = 0xFFFFFF;

// Loaded in this order; the pointer mask is made on the back buffer between
// sprites 7 and 11 (the intro's first frame covers that pixel).
constexpr MediaEntry MEDIA_TABLE[] = {
    {MediaKind::Anim, SPRITE_SPACES, "media/tiles.png", 59, 59},
    {MediaKind::Sprite, SPRITE_FRAME, "media/screen.png", 0, 0},
    {MediaKind::Anim, SPRITE_DIGITS, "media/scorenums.png", 64, 32},
    {MediaKind::Anim, SPRITE_LEVEL_NAMES, "media/levelnames.png", 450, 50},
    {MediaKind::Sprite, SPRITE_POINTER, "media/mouse.png", 0, 0},
    {MediaKind::Anim, SPRITE_FONT, "media/font.png", 32, 32},
    {MediaKind::Anim, SPRITE_MINIATURE, "media/practiles.png", 19, 19},
    {MediaKind::PointerMask, SPRITE_POINTER_MASK, nullptr, 1, 1},
    {MediaKind::Sprite, SPRITE_UP_TILE, "media/bigtri1.png", 0, 0},
    {MediaKind::Sprite, SPRITE_DOWN_TILE, "media/bigtri2.png", 0, 0},
    {MediaKind::Sprite, SPRITE_STORE_TILE, "media/smtri.png", 0, 0},
    {MediaKind::Sprite, SPRITE_TURN_1, "media/bigtri3.png", 0, 0},
    {MediaKind::Sprite, SPRITE_TURN_2, "media/bigtri4.png", 0, 0},
    {MediaKind::Sprite, SPRITE_TURN_3, "media/bigtri5.png", 0, 0},
    {MediaKind::Sprite, SPRITE_TURN_4, "media/bigtri6.png", 0, 0},
    {MediaKind::Sprite, SPRITE_PRAIRIE, "media/prairie.png", 0, 0},
    {MediaKind::Sprite, SPRITE_COLOUR_FRAME, "media/colsframe.png", 0, 0},
    {MediaKind::Anim, SPRITE_COLOUR_ARROWS, "media/colsarrows.png", 33, 30},
    {MediaKind::Sprite, SPRITE_LOGO_BACK, "media/logo1.png", 0, 0},
    {MediaKind::Sprite, SPRITE_LOGO_FRONT, "media/logo2.png", 0, 0},
    {MediaKind::Sprite, SPRITE_PATTERN, "media/logo3.png", 0, 0},
    {MediaKind::Sprite, SPRITE_INTRO, "media/logo4.png", 0, 0},
    {MediaKind::Sound, SOUND_EXPLOSION, "media/sfxfuzzyboom.wav", 1, 0},
    {MediaKind::Sound, SOUND_PLACE, "media/sfxplacetile.wav", 1, 0},
    {MediaKind::Sound, SOUND_SPIN, "media/sfxspin.wav", 3, 0},
    {MediaKind::Sound, SOUND_PICKUP, "media/sfxpickup.wav", 1, 0},
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
                          std::to_string(MAX_QUIT_FRAMES) + "\n" + usage();
                exit_code = USAGE_EXIT_CODE;
                return false;
            }
            config.quit_after_frames = n;
            config.command_line += ' ';
            config.command_line += argv[++i];
        } else if (arg == "--help") {
            message = usage();
            exit_code = 0;
            return false;
        } else if (arg == "--version") {
            message = std::string("Wedgewise ") + WEDGEWISE_VERSION + "\n";
            exit_code = 0;
            return false;
        } else {
            message = "wedgewise: unknown option '" + arg + "'\n" + usage();
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
    // A browser's page is quit by closing it: keep what QUIT would.
    set_leave_handler([] {
        save_high_scores();
        save_settings();
    });
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

void game_end(bool clock_ran_out) {
    music_stop();
    if (clock_ran_out) out_of_time();
    if (practice_mode != 0) {
        practice_mode = 0;
        return;
    }
    if (score_enters_table(score)) enter_name();
}
