// Temporary bodies so the rest of the program links; replaced by the renderer.
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/renderer_internal.h"

void load_sprite(const std::string&, int) {}
void load_anim(const std::string&, int, int, int) {}
void load_sprite_keyed(const std::string&, int, int) {}
void sprite_from_rgba(int, int, int, const std::vector<uint8_t>&) {}
int sprite_width(int) { return 0; }
int sprite_height(int) { return 0; }
void draw_sprite(int, int, int) {}
void draw_anim_frame(int, int, int, int) {}
void draw_anim_frame_stretched(int, int, int, int, int, int) {}
void draw_sprite_part(int, double, double, double, double, double, double, double, double) {}
void grab_sprite(int, int, int, int, int) {}
int sprite_collision(int, int, int, int, int, int) { return 0; }
void draw_rect(int, int, int, int, int) {}
void draw_line(int, int, int, int, int) {}
void draw_pixel(int, int, int) {}
int get_pixel(int, int) { return 0; }
void read_pixels(int, int, int width, int height, std::vector<int>& out) {
    out.assign(width > 0 && height > 0 ? size_t(width) * size_t(height) : 0, 0);
}
void set_viewport(int, int, int, int) {}
void set_alpha_mode(double) {}
void polygon_begin(int) {}
void polygon_vertex(double, double, double, double, int) {}
void polygon_end() {}
long gfx_draw_calls() { return 0; }
bool gfx_save_screenshot(const std::string&) { return false; }

static bool ready = false;
bool renderer_create(int, int) { ready = true; return true; }
void renderer_present(int, int) {}
void renderer_begin_frame() {}
void renderer_destroy() { ready = false; }
bool renderer_ready() { return ready; }
const char* renderer_gl_name() { return ""; }
