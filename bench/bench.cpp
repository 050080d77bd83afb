// Renderer benchmark: a frame as heavy as the busiest play screen, built from
// synthetic sprites, timed part by part against a bare clear-and-present
// frame. Frames are unpaced (the frame clock is replaced by one that is
// always past the deadline), so the figures are pure drawing cost.
#include "runtime/frame/frame.h"
#include "runtime/process/process.h"
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/image_internal.h"
#include "runtime/gfx/renderer_internal.h"
#include "runtime/text/text.h"
#include "runtime/frame/frame_testing.h"
#include "runtime/gfx/gfx_testing.h"

#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- scene sizes

constexpr int FRAMES = 120;              // frames timed per measurement
constexpr int WARM_UP_FRAMES = 10;
constexpr int BACKDROP_COLUMNS = 30;     // 30 x 12 = 360 pattern sprites
constexpr int BACKDROP_ROWS = 12;
constexpr int VORTEX_ARMS = 171;         // 171 arms x 10 segments = 1710 lines
constexpr int VORTEX_SEGMENTS = 10;
constexpr int BOARD_COLUMNS = 25;        // 25 x 11 = 275 tiles
constexpr int BOARD_ROWS = 11;
constexpr int STORE_COLUMNS = 5;         // 5 x 15 = 75 store tiles
constexpr int STORE_ROWS = 15;
constexpr int DEBRIS = 500;

// Sprite slots of the synthetic media.
enum SlotNumber : int {
    SCREEN_FRAME = 2,
    FONT_FRAMES = 6,
    UP_TILE = 11,
    DOWN_TILE = 12,
    STORE_TILE = 13,
    PATTERN = 103,
};

int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// ---------------------------------------------------------------- synthetic media

using Pixel = std::function<void(int x, int y, uint8_t* rgba)>;

void make_sprite(int slot, int width, int height, const Pixel& pixel) {
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixel(x, y, &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]);
    sprite_from_rgba(slot, width, height, rgba);
}

// Inside the triangle with apex (w / 2, 0) and base at the bottom (or flipped).
bool in_triangle(int x, int y, int size, bool up) {
    const double row = up ? y : size - 1 - y;
    return std::abs(x - size / 2.0) <= row * 0.5 + 1;
}

void make_media() {
    // Play-screen frame: opaque border, clear puzzle window (an RGB picture
    // with a key-coloured window loads like this).
    make_sprite(SCREEN_FRAME, 1024, 768, [](int x, int y, uint8_t* p) {
        const bool window = x >= 3 && x < 769 && y >= 3 && y < 667;
        p[0] = uint8_t(40 + x % 64);
        p[1] = uint8_t(60 + y % 32);
        p[2] = 120;
        p[3] = window ? 0 : 255;
    });
    make_sprite(PATTERN, 36, 72, [](int x, int y, uint8_t* p) {
        p[0] = uint8_t(20 + x * 3);
        p[1] = uint8_t(30 + y);
        p[2] = 90;
        p[3] = (x + y) % 9 == 0 ? 0 : 255;
    });
    for (int slot : {UP_TILE, DOWN_TILE}) {
        make_sprite(slot, 64, 64, [slot](int x, int y, uint8_t* p) {
            const bool inside = in_triangle(x, y, 64, slot == UP_TILE);
            p[0] = p[1] = p[2] = uint8_t(inside ? 200 + (x + y) % 50 : 0);
            p[3] = inside ? 255 : 0;
        });
    }
    make_sprite(STORE_TILE, 40, 40, [](int x, int y, uint8_t* p) {
        const bool inside = in_triangle(x, y, 40, true);
        p[0] = p[1] = p[2] = uint8_t(inside ? 230 : 0);
        p[3] = inside ? 255 : 0;
    });
    // Ten 32 x 32 glyph frames per row, six rows; written out and loaded as
    // an animation so the frames are cut as the game cuts them.
    std::vector<uint8_t> glyphs(320 * 192 * 4);
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 320; ++x) {
            const int gx = x % 32, gy = y % 32;
            const bool ink = gx > 4 && gx < 26 && gy > 4 && gy < 28 && (gx / 4 + gy / 4) % 2 == 0;
            uint8_t* p = &glyphs[(size_t(y) * 320 + size_t(x)) * 4];
            p[0] = p[1] = p[2] = 255;
            p[3] = ink ? 255 : 0;
        }
    }
    const std::string font_file = user_temp_dir() + "bench-font.png";
    write_png_file(font_file, 320, 192, glyphs);
    load_anim(font_file, FONT_FRAMES, 32, 32);
    std::remove(font_file.c_str());
}

// ---------------------------------------------------------------- scene parts

struct Offset {
    int dx, dy, corner;  // corner 0..2 picks c1..c3, 3 the mixed colour
};

// The big tile: three corner triangles and a centre fan, textured unscaled.
const std::vector<std::vector<Offset>> UP_TILE_POLYGONS = {
    {{29, -2, 0}, {17, 21, 0}, {41, 21, 0}},
    {{10, 36, 1}, {-2, 62, 1}, {23, 62, 1}},
    {{48, 36, 2}, {35, 62, 2}, {62, 62, 2}},
    {{29, 36, 3}, {17, 21, 0}, {10, 36, 1}, {23, 62, 1}, {35, 62, 2}, {48, 36, 2}, {41, 21, 0}, {17, 21, 0}},
};
const std::vector<std::vector<Offset>> DOWN_TILE_POLYGONS = {
    {{-2, -2, 0}, {10, 22, 0}, {22, -2, 0}},
    {{18, 38, 1}, {29, 62, 1}, {41, 38, 1}},
    {{37, -2, 2}, {49, 22, 2}, {62, -2, 2}},
    {{29, 26, 3}, {18, 38, 1}, {41, 38, 1}, {49, 22, 2}, {37, -2, 2}, {22, -2, 0}, {10, 22, 0}, {18, 38, 1}},
};
const std::vector<std::vector<Offset>> STORE_TILE_POLYGONS = {
    {{20, -2, 0}, {11, 15, 0}, {28, 15, 0}},
    {{8, 22, 1}, {-2, 40, 1}, {17, 40, 1}},
    {{31, 22, 2}, {22, 40, 2}, {40, 40, 2}},
    {{19, 25, 3}, {11, 15, 0}, {8, 22, 1}, {17, 40, 1}, {22, 40, 2}, {31, 22, 2}, {28, 15, 0}, {11, 15, 0}},
};

void draw_tile_polygons(int slot, const std::vector<std::vector<Offset>>& polygons, int x, int y,
                        const int colours[4]) {
    for (const auto& polygon : polygons) {
        polygon_begin(slot);
        for (const Offset& o : polygon) polygon_vertex(x + o.dx, y + o.dy, o.dx, o.dy, colours[o.corner]);
        polygon_end();
    }
}

void draw_frame_picture() { draw_sprite(SCREEN_FRAME, 0, 0); }

void draw_backdrop(int frame) {
    const double shift = (frame % 360) / 360.0;
    for (int c = 0; c < BACKDROP_COLUMNS; ++c)
        for (int r = 0; r < BACKDROP_ROWS; ++r)
            draw_sprite(PATTERN, int(shift * 36 - 36 + c * 36), int(shift * 72 - 72 + r * 72));
}

void draw_vortex(int frame) {
    for (int arm = 0; arm < VORTEX_ARMS; ++arm) {
        const double radius = 20 + (arm * 37 + frame) % 380;
        const double base = arm * 2.1 + frame * 0.7;
        auto point = [&](double angle, double r, int& x, int& y) {
            x = int(386 + r * std::sin(angle * M_PI / 180.0));
            y = int(325 + r * std::cos(angle * M_PI / 180.0));
        };
        for (int k = 0; k < VORTEX_SEGMENTS; ++k) {
            set_alpha_mode(k < 9 ? -0.1 * (k + 1) : 0.0);
            int x1, y1, x2, y2;
            point(base - (10 - k) * 2.0, radius + 10 - k, x1, y1);
            point(base - (9 - k) * 2.0, radius + 9 - k, x2, y2);
            draw_line(x1, y1, x2, y2, rgb(80, 120 + k * 10, 255));
        }
    }
    set_alpha_mode(0);
}

void draw_board() {
    for (int y = 0; y < BOARD_ROWS; ++y) {
        for (int x = 0; x < BOARD_COLUMNS; ++x) {
            const bool up = (x + y) % 2 == 0;
            const int colours[4] = {rgb(200, 40, 40), rgb(40, 200, 40), rgb(40, 40, 200), rgb(93, 93, 93)};
            draw_tile_polygons(up ? UP_TILE : DOWN_TILE, up ? UP_TILE_POLYGONS : DOWN_TILE_POLYGONS, 29 * x + 8,
                               58 * y + 16, colours);
        }
    }
}

void draw_store() {
    const int colours[4] = {rgb(230, 200, 40), rgb(40, 200, 230), rgb(200, 40, 230), rgb(156, 146, 166)};
    for (int c = 0; c < STORE_COLUMNS; ++c)
        for (int r = 0; r < STORE_ROWS; ++r)
            draw_tile_polygons(STORE_TILE, STORE_TILE_POLYGONS, 49 * c + 780, 48 * r + 45, colours);
}

void draw_debris(int frame) {
    set_viewport(3, 3, 766, 664);
    for (int i = 0; i < DEBRIS; ++i) {
        set_alpha_mode(-(0.2 + (i % 8) * 0.1));
        draw_rect((i * 37 + frame * 3) % 760, (i * 53 + frame * 2) % 660, 3, 3, rgb(255, 128 + i % 100, 40));
    }
    set_alpha_mode(0);
    set_viewport(0, 0, 1024, 768);
}

void draw_text_lines() {
    for (int i = 0; i < 40; ++i) draw_anim_frame(FONT_FRAMES, (i * 7) % 60, 20 + i * 24, 690);
    print_text("SCORE 0001234   BONUS 18000   LEVEL 12", 300, 740);
    print_text("Wedgewise renderer benchmark", 10, 10);
}

// ---------------------------------------------------------------- timing

struct Part {
    const char* name;
    std::function<void(int frame)> draw;
};

struct Timing {
    double ms = 0;       // wall clock per frame
    double cpu_ms = 0;   // processor time of every thread per frame (steadier on a busy machine)
    double calls = 0;
};

double process_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

Timing time_frames(const std::function<void(int)>& draw, int frames = FRAMES) {
    for (int i = 0; i < WARM_UP_FRAMES; ++i) {
        draw(i);
        show_screen();
    }
    const long calls_before = gfx_draw_calls();
    const double cpu_start = process_cpu_ms();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        draw(i);
        show_screen();
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return {spent.count() / frames, (process_cpu_ms() - cpu_start) / frames,
            double(gfx_draw_calls() - calls_before) / frames};
}

// In the play screen's order: background, puzzle, frame picture, store,
// status and text, debris.
void draw_heavy(int frame) {
    draw_backdrop(frame);
    draw_vortex(frame);
    draw_board();
    draw_frame_picture();
    draw_store();
    draw_text_lines();
    draw_debris(frame);
}

void report() {
    const std::vector<Part> parts = {
        {"play-screen frame (1 x 1024x768)", [](int) { draw_frame_picture(); }},
        {"backdrop (360 sprites)", draw_backdrop},
        {"vortex (1710 lines, 10 opacities)", draw_vortex},
        {"board (275 tiles, 1100 polygons)", [](int) { draw_board(); }},
        {"store (75 tiles, 300 polygons)", [](int) { draw_store(); }},
        {"debris (500 3x3 squares)", draw_debris},
        {"text (40 glyph frames, 2 lines)", [](int) { draw_text_lines(); }},
    };
    std::printf("GL renderer: %s\n", renderer_gl_name());
    const Timing bare = time_frames([](int) {});
    std::printf("bare frame (clear + present): %.2f ms wall (%.0f fps), %.2f ms cpu\n\n", bare.ms, 1000.0 / bare.ms,
                bare.cpu_ms);
    std::printf("%-36s %12s %12s %12s\n", "part (cost above a bare frame)", "ms wall", "ms cpu", "draw calls");
    for (const Part& part : parts) {
        const Timing t = time_frames(part.draw);
        std::printf("%-36s %12.2f %12.2f %12.0f\n", part.name, t.ms - bare.ms, t.cpu_ms - bare.cpu_ms, t.calls);
    }
    const Timing heavy = time_frames(draw_heavy);
    std::printf("\nheavy frame: %.2f ms wall, %.0f fps unpaced; %.2f ms cpu; %.0f draw calls\n", heavy.ms,
                1000.0 / heavy.ms, heavy.cpu_ms, heavy.calls);
    const double ratio = heavy.ms / bare.ms, cpu_ratio = heavy.cpu_ms / bare.cpu_ms;
    // Only a proportion: a cheaper bare frame raises it. The targets are the
    // game's absolute figures (gamebench).
    std::printf("heavy / bare: %.2f wall, %.2f cpu (for reference)\n", ratio, cpu_ratio);
    std::fflush(stdout);
}

}  // namespace

// With an argument "heavy N", draws N heavy frames only (for profilers).
int main(int argc, char** argv) {
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.mouse_captured = 0;
    config.frame_rate = 0;
    config.title = "Wedgewise bench";
    // Pacing never waits: the clock is always past the next deadline.
    double fake_now = 0.0;
    frame_set_clock([&fake_now] { return fake_now += 1000.0; }, [](double) {});
    // Other windows on a shared display may take the focus: never pause.
    frame_set_pump_hook([] {
        if (!runtime_window_active()) runtime_set_window_active(true);
    });
    const int heavy_only = argc > 2 && std::string(argv[1]) == "heavy" ? std::atoi(argv[2]) : 0;
    return runtime_run(config, [heavy_only] {
        make_media();
        if (heavy_only > 0) {
            const Timing t = time_frames(draw_heavy, heavy_only);
            std::printf("heavy frame: %.2f ms wall, %.2f ms cpu\n", t.ms, t.cpu_ms);
        } else {
            report();
        }
        program_quit();
    });
}
