// The 2D renderer: sprite slots, shapes, polygons and read-back over one
// offscreen RGBA frame, drawn with OpenGL's fixed-function pipeline.
//
// Drawing is batched: every primitive becomes vertices in a client-side
// array, and one glDrawArrays is issued per run of primitives that share the
// texture, blend mode, alpha test and primitive type. Opacity travels in the
// vertex colours, so a change of opacity never breaks a run. Pending vertices
// are drawn before anything reads the frame, copies from it, changes the
// viewport or presents, so every pixel ends up as unbatched drawing leaves it.
#include "runtime/gfx/frame_model.h"
#include "runtime/gfx/gfx.h"
#include "runtime/gfx/gfx_testing.h"
#include "runtime/gfx/image_internal.h"
#include "runtime/values/letterbox.h"
#include "runtime/gfx/renderer_internal.h"

#include "runtime/files/files.h"
#include "runtime/process/startup_phase.h"

#include "runtime/gfx/gl_api.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#ifdef __EMSCRIPTEN__
// WebGL 2's fences, which the desktop's GL headers declare for loaders only.
extern "C" GLsync glFenceSync(GLenum condition, GLbitfield flags);
extern "C" void glDeleteSync(GLsync sync);
#endif

namespace {

// ---------------------------------------------------------------- constants

// Shapes are shifted so that integer coordinates land on pixel centres.
constexpr float SHAPE_OFFSET = 0.375f;
// Stretched frames overlap their neighbours by this much to close seams.
constexpr double STRETCH_OVERLAP = 0.1;
// Fragments at or below this alpha are discarded while the alpha test is on.
constexpr float ALPHA_TEST_REF = 0.05f;
// An untextured vertex alpha at or above this always passes the alpha test
// (margin over ALPHA_TEST_REF for interpolation rounding).
constexpr float ALPHA_TEST_SAFE = 0.06f;
// Grabbed sprites use textures of at least this size.
constexpr int GRAB_MIN_TEXTURE = 32;
// Loaded images use textures of at least this size.
constexpr int LOAD_MIN_TEXTURE = 2;
// The polygon vertex list starts with this room and grows in steps of 128.
constexpr size_t POLYGON_FIRST_ROOM = 512;
constexpr size_t POLYGON_ROOM_STEP = 128;
// Read-back is served from aligned blocks of this size while nothing is drawn.
constexpr int READ_BLOCK = 64;
// Small textures are also copied into shared atlas pages, so that drawing
// many different small sprites stays one run. Each copy has a border of
// this many texels repeating the texture as GL_REPEAT would show it.
constexpr int ATLAS_PAGE = 1024;
constexpr int ATLAS_BORDER = 8;
constexpr int ATLAS_MAX_TEXTURE = 256;
// Solid parts of a sprite at least this large are drawn with the alpha test
// off (nothing there can fail it), which software GL fills much faster.
constexpr int BIG_SOLID_SPAN = 64 * 64;
// Whether a texture that could not be made is found out by asking GL for
// its error. In a browser each question waits until the GPU process has
// carried out everything drawn so far; sizes are checked against the limit
// before, and running out of memory there usually loses the whole context,
// which no check here would mend.
#ifdef __EMSCRIPTEN__
constexpr bool CHECK_TEXTURE_ERRORS = false;
#else
constexpr bool CHECK_TEXTURE_ERRORS = true;
#endif
// Reads are answered from the frame's record where it knows the pixels (see
// frame_model.h): in a browser, where each read-back waits for the GPU
// process. The desktop's GL answers at once; tests turn the record on there.
#ifdef __EMSCRIPTEN__
constexpr bool MODEL_READS = true;
#else
constexpr bool MODEL_READS = false;
#endif
// Images up to this many pixels keep a copy for the record.
constexpr int64_t MODEL_MAX_PIXELS = 512 * 512;
// Marks the GL texture binding as unknown.
constexpr GLuint UNKNOWN_TEXTURE = ~0u;
// Where grabbing from a frame without alpha draws the key colour to learn
// how the frame stores it (the pixel is put back).
constexpr int KEY_PROBE_X = 4, KEY_PROBE_Y = 4;
// What decoding and uploading an image costs per pixel until the machine
// has shown its own speed: a slow machine's (about 30 ms for a 1024 x 768
// screen), so that nothing large is begun in a frame's spare time on a guess.
constexpr double LOAD_MS_PER_PIXEL_GUESS = 40e-6;
// Loads of smaller images teach nothing of the cost per pixel: their time is
// mostly what starting any decode costs.
constexpr int64_t LOAD_TIMING_MIN_PIXELS = 128 * 128;

// Whether a texture made without texels starts clear: WebGL clears it, GL
// leaves its texels undefined.
#ifdef __EMSCRIPTEN__
constexpr bool NEW_TEXTURES_ARE_CLEAR = true;
#else
constexpr bool NEW_TEXTURES_ARE_CLEAR = false;
#endif

// A new RGBA texture, left bound, with one filter and one wrap mode for both
// directions, filled from texels (when null, see NEW_TEXTURES_ARE_CLEAR).
GLuint make_texture(int width, int height, GLint filter, GLint wrap, const void* texels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    return texture;
}

enum Blend : uint8_t { BLEND_OPAQUE = 0, BLEND_NORMAL = 1, BLEND_ADDITIVE = 2 };
constexpr uint8_t blend_bit(Blend b) { return uint8_t(1u << b); }
constexpr uint8_t TEST_OFF = 1, TEST_ON = 2, TEST_ANY = TEST_OFF | TEST_ON;

// The kinds of drawing the warm-up draws in: the game's first frames draw
// sprites from atlas pages (clamped) and from their own textures
// (repeating), with and without the alpha test, and flat shapes opaque and
// additive; the copy of an offscreen frame into the window is a clamped
// texture without the test.
struct WarmUpKind {
    bool textured;
    GLint wrap;
    bool alpha_test;
    Blend blend;
};
constexpr WarmUpKind WARM_UP_KINDS[] = {
    {true, GL_CLAMP_TO_EDGE, true, BLEND_OPAQUE}, {true, GL_CLAMP_TO_EDGE, false, BLEND_OPAQUE},
    {true, GL_REPEAT, true, BLEND_OPAQUE},        {true, GL_REPEAT, false, BLEND_OPAQUE},
    {false, 0, false, BLEND_OPAQUE},              {false, 0, false, BLEND_ADDITIVE},
};

#ifdef __EMSCRIPTEN__
// A browser's GPU process receives what the page drew when the page yields
// and composites the canvas; a software GPU then builds its code for each
// new kind of drawing and draws everything at once, while the page waits.
// A flush behind a fence hands the commands over now (a flush alone may stay
// recorded until the render pass ends), so that this work runs beside the
// program's own on another core.
void hand_over_to_gpu() {
    const GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    glDeleteSync(fence);
}
#endif

enum class Primitive : uint8_t { Triangles, Lines };

struct Vertex {
    float x, y, u, v, r, g, b, a;
};

// Points GL's vertex, texture and colour arrays into interleaved vertices.
void point_arrays_at(const Vertex* vertices) {
    const GLsizei stride = sizeof(Vertex);
    glVertexPointer(2, GL_FLOAT, stride, &vertices->x);
    glTexCoordPointer(2, GL_FLOAT, stride, &vertices->u);
    glColorPointer(4, GL_FLOAT, stride, &vertices->r);
}

struct Colour {
    float r, g, b, a;
};

struct Slot {
    GLuint texture = 0;
    int texture_width = -1;
    int texture_height = -1;
    int image_width = 0;
    int image_height = 0;
    int frame_width = 0;
    int frame_height = 0;
    bool clamped = false;            // wrap mode currently set on the texture
    bool nearest = false;            // filter currently set on the texture
    int atlas_page = -1;             // page holding a copy, or -1
    int atlas_x = 0, atlas_y = 0;    // where texel (0, 0) of the copy sits
    BlockMap blocks;                 // which parts of the image can show
    std::vector<uint8_t> mask;       // alpha per texel, fetched for collisions
    bool has_mask = false;
    std::shared_ptr<const ModelPixels> pixels;   // the image, for the frame's record
};

// The sprite table, made page by page as slots are first used: the game
// uses a few dozen of its 65536 slots, and the whole table up front would be
// megabytes of memory touched at start-up for nothing.
class SlotTable {
public:
    Slot& operator[](size_t slot) {
        std::unique_ptr<Page>& page = pages_[slot / PAGE_SLOTS];
        if (!page) page = std::make_unique<Page>();
        return (*page)[slot % PAGE_SLOTS];
    }
    // An unused slot reads as an empty one.
    const Slot& at(size_t slot) const {
        static const Slot empty;
        const std::unique_ptr<Page>& page = pages_[slot / PAGE_SLOTS];
        return page ? (*page)[slot % PAGE_SLOTS] : empty;
    }
    template <typename Visit>
    void for_each(Visit visit) {
        for (std::unique_ptr<Page>& page : pages_)
            if (page)
                for (Slot& s : *page) visit(s);
    }

private:
    static constexpr size_t PAGE_SLOTS = 256;
    using Page = std::array<Slot, PAGE_SLOTS>;
    std::array<std::unique_ptr<Page>, SPRITE_SLOTS / PAGE_SLOTS> pages_;
};

// Where a primitive's texels come from.
struct Source {
    GLuint texture = 0;  // 0 untextured
    int wrap_slot = -1;  // slot whose own texture this is (wrap mode is set per draw)
    bool clamp = false;  // clamp to edge instead of repeating (own textures only)
    // One texel per pixel at whole offsets: samples fall on texel centres,
    // where nearest filtering equals bilinear and costs less.
    bool nearest = false;
    bool operator==(const Source&) const = default;
};

// One run of primitives drawn with a single glDrawArrays. The masks hold the
// blend modes and alpha-test settings every primitive of the run accepts.
struct Batch {
    Source source;
    Primitive primitive = Primitive::Triangles;
    uint8_t blend_mask = 0;
    uint8_t test_mask = 0;
    bool test_off = false;  // keeps the alpha test off: joins only what allows that
};

// A shared texture holding copies of small sprites, filled shelf by shelf.
// Only drawing that maps screen pixels one to one onto texels at integer
// offsets uses it: samples then fall on texel centres, so nearest filtering
// gives exactly what bilinear filtering of the sprite's own texture gives.
struct AtlasPage {
    GLuint texture = 0;
    int shelf_y = 0;
    int shelf_height = 0;
    int cursor_x = 0;
};

// ---------------------------------------------------------------- GL entry points

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC gen = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC destroy = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC texture = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC status = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blit = nullptr;
};

template <typename T>
bool lookup(T& out, const char* core, const char* ext) {
    out = reinterpret_cast<T>(SDL_GL_GetProcAddress(core));
    if (!out) out = reinterpret_cast<T>(SDL_GL_GetProcAddress(ext));
    return out != nullptr;
}

bool load_framebuffer_calls(FramebufferCalls& f) {
    return lookup(f.gen, "glGenFramebuffers", "glGenFramebuffersEXT") &&
           lookup(f.destroy, "glDeleteFramebuffers", "glDeleteFramebuffersEXT") &&
           lookup(f.bind, "glBindFramebuffer", "glBindFramebufferEXT") &&
           lookup(f.texture, "glFramebufferTexture2D", "glFramebufferTexture2DEXT") &&
           lookup(f.status, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT") &&
           lookup(f.blit, "glBlitFramebuffer", "glBlitFramebufferEXT");
}

Colour unpack(int colour, float alpha) {
    return {float(colour & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
            float((colour >> 16) & 0xFF) / 255.0f, alpha};
}

bool is_key(int colour) { return (colour & 0xFFFFFF) == KEY_COLOUR; }

// Pixels of exactly the key's stored colour become transparent.
void clear_key_pixels(std::vector<uint8_t>& rgba, const uint8_t key[3]) {
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        if (rgba[i] == key[0] && rgba[i + 1] == key[1] && rgba[i + 2] == key[2]) rgba[i + 3] = 0;
    }
}

// The key's red, green and blue bytes, exactly as the frame's record stores it.
constexpr uint8_t KEY_BYTES[3] = {uint8_t(KEY_COLOUR & 0xFF), uint8_t((KEY_COLOUR >> 8) & 0xFF),
                                  uint8_t((KEY_COLOUR >> 16) & 0xFF)};

// ---------------------------------------------------------------- renderer

class Renderer {
public:
    Renderer(int width, int height) : screen_width_(width), screen_height_(height), model_(width, height) {}

    bool create();
    void destroy();

    // frame
    void begin_frame(int drawable_width, int drawable_height);
    void move_frame_offscreen();
    void warm_up();
    void present(int drawable_width, int drawable_height);
    void present_probe(int drawable_width, int drawable_height);

    // sprites
    void empty_slot(int slot);
    void load(const std::string& path, int slot, int key, int frame_width, int frame_height);
    bool finish_deferred_load(double budget_ms);
    void set_clock(std::function<double()> clock) { clock_ = std::move(clock); }
    void set_deferred_loading(bool on) { defer_loads_ = on; }
    void set_model_reads(bool on) { model_reads_ = on; }
    int deferred_loads() const { return int(deferred_.size()); }
    void install(int slot, const DecodedImage& image, int minimum_texture);
    const Slot* slot(int slot);
    void draw_image_part(int slot, double sx, double sy, double sw, double sh, double x, double y, double w,
                         double h, bool clamp);
    void draw_image_unscaled(int slot, int sx, int sy, int sw, int sh, int x, int y);
    void draw_frame(int slot, int frame, double x, double y, double w, double h, bool stretched);
    void grab(int slot, int x, int y, int width, int height);
    int collision(int slot1, int x1, int y1, int slot2, int x2, int y2);

    // shapes
    void rect(int x, int y, int width, int height, int colour);
    void line(int x1, int y1, int x2, int y2, int colour);
    void pixel(int x, int y, int colour);

    // read-back
    int get_pixel(int x, int y);
    void read(int x, int y, int width, int height, std::vector<int>& out);
    bool screenshot(const std::string& path);

    // state
    void set_viewport(int x, int y, int width, int height);
    void set_alpha_mode(double a);

    // polygons
    void polygon_begin(int slot);
    void polygon_vertex(double x, double y, double tx, double ty, int colour);
    void polygon_end();

    void set_fast_paths(bool on) {
        flush();
        fast_paths_ = on;
    }
    void keep_presented(bool on) { keep_presented_ = on; }
    int window_pixel(int x, int y);
    long draw_calls() const { return draw_calls_; }
    long frame_reads() const { return frame_reads_; }
    const char* gl_name() const { return gl_name_.c_str(); }
    int screen_width() const { return screen_width_; }
    int screen_height() const { return screen_height_; }

private:
    void flush();
    void submit(const Source& source, Primitive primitive, uint8_t blend_mask, uint8_t test_mask,
                const Vertex* vertices, size_t count, bool test_off = false);
    void apply_blend(uint8_t mask);
    void apply_test(uint8_t mask);
    void bind_texture(GLuint texture);
    void place_in_atlas(int slot, const DecodedImage& image);
    bool use_atlas(const Slot& s) const { return fast_paths_ && s.atlas_page >= 0; }
    Source own_source(int slot, bool clamp, bool nearest) const {
        return {slots_.at(size_t(slot)).texture, slot, clamp, nearest};
    }
    void reset_fixed_state();
    size_t drawn_state_key() const;
    void shape_masks(float alpha, uint8_t& blend_mask, uint8_t& test_mask) const;
    // Whether an untextured fragment of this alpha, in the current blend
    // mode, leaves exactly its own colour (opaque and normal blending agree).
    bool covers(float alpha) const { return alpha == 1.0f && blend_ != BLEND_ADDITIVE; }
    float shape_alpha(int colour) const;
    bool read_frame(int x, int y, int width, int height, std::vector<uint8_t>& rgba);
    void key_by_colour(std::vector<uint8_t>& rgba);
    double now_ms() const;
    bool valid(int slot) const { return slot >= 0 && slot < SPRITE_SLOTS; }
    // Drawing lands where the record expects it only in the full-screen viewport.
    bool model_placed() const {
        return view_x_ == 0 && view_y_ == 0 && view_width_ == screen_width_ && view_height_ == screen_height_;
    }
    void settle(int slot);
    void finish_load(int slot);
    void apply_image(int slot, const DecodedImage& image, int frame_width, int frame_height);

    int screen_width_;
    int screen_height_;
    SlotTable slots_;
    std::vector<AtlasPage> atlas_;
    std::vector<uint8_t> zeros_;      // fills the clear part of new textures
    std::vector<uint8_t> file_;       // the image file being loaded, kept for the next
    DecodedImage decoded_;            // its pixels, kept likewise

    // Deferred loads. An image is read when the game loads it but decoded
    // and uploaded only when something first needs its slot (a draw, a size
    // query, a collision test, a grab) or when show_screen has time to spare
    // before a deadline, oldest first. Start-up then pays only for what the
    // first frames show. Only images whose decoding cannot print anything
    // are deferred (see png_decodes_quietly), and each keeps the bytes read
    // at load time, so the game sees exactly what loading at once gives.
    struct DeferredLoad {
        std::vector<uint8_t> file;
        std::string name;
        int key = 0;
        int frame_width = 0, frame_height = 0;   // load_anim's frame size, 0 = none
        int64_t pixels = 0;                      // as the header gives them
        uint64_t order = 0;
    };
    std::map<int, DeferredLoad> deferred_;                 // by slot
    std::deque<std::pair<int, uint64_t>> deferred_order_;  // slot and order, oldest first
    uint64_t deferred_count_ = 0;
    // What finishing a load costs per pixel, learnt from the loads timed
    // on clock_ (the frame's): spare time begins only what fits in it.
    double load_ms_per_pixel_ = LOAD_MS_PER_PIXEL_GUESS;
    std::function<double()> clock_;
    bool defer_loads_ = true;
    bool fast_paths_ = true;
    FramebufferCalls fb_;
    GLuint framebuffer_ = 0;
    // The frame is drawn straight into the window's back buffer while the
    // window is exactly the screen's size when the frame begins: presenting
    // is then the swap alone. Any other size draws offscreen and scales at
    // present. A frame begun in the window moves offscreen when the program
    // must yield in its middle (a browser may show and clear its canvas at
    // any yield).
    bool direct_ = false;
    // Whether the window's framebuffer has alpha (the browser's canvas and
    // some desktop visuals have none), and whether the pixels of the current
    // frame still carry the alpha they were drawn with: not when drawn into
    // a window without it, even once moved offscreen.
    bool window_alpha_ = true;
    bool frame_alpha_ = true;
    // A new frame is cleared when first drawn into, read or presented: a
    // canvas cleared before a yield would be shown so.
    bool clear_pending_ = false;
    Colour clear_colour_{0.0f, 0.0f, 0.0f, 1.0f};
    void clear_if_pending();
    GLuint target() const { return direct_ ? 0 : framebuffer_; }
    // A copy of the last frame presented in the window, kept where a yield
    // would otherwise show a frame half drawn: a browser shows the canvas
    // at every yield, and a wait that presents nothing should show the last
    // frame, not the start of the next.
    bool keep_presented_ = false;
    bool presented_kept_ = false;
    GLuint presented_framebuffer_ = 0;
    GLuint presented_texture_ = 0;
    void remember_presented(int drawable_width, int drawable_height);
    GLuint frame_texture_ = 0;
    GLint frame_filter_ = 0;          // filter set on it for presenting (0 = none yet)
    int max_texture_ = 0;
    std::string gl_name_;

    // drawing state
    Blend blend_ = BLEND_OPAQUE;
    double opacity_ = 1.0;
    int view_x_ = 0, view_y_ = 0, view_width_ = 0, view_height_ = 0;

    // pending run
    std::vector<Vertex> vertices_;
    Batch batch_;
    long draw_calls_ = 0;
    long frame_reads_ = 0;

    // GL state as last set (avoids redundant calls)
    int gl_blend_ = -1;
    int gl_test_ = -1;
    GLuint gl_texture_ = UNKNOWN_TEXTURE;
    // Combinations of texture, filter, wrap, blending, alpha test and
    // primitive drawn so far (see drawn_state_key).
    std::bitset<5 * 3 * 2 * 2> drawn_states_;
    bool presented_ = false;

    // the frame's record, and whether reads are answered from it
    FrameModel model_;
    bool model_reads_ = MODEL_READS;

    // read-back cache: valid while `drawn_` equals `cache_drawn_`
    uint64_t drawn_ = 1;
    uint64_t cache_drawn_ = 0;
    int cache_x_ = 0, cache_y_ = 0, cache_width_ = 0, cache_height_ = 0;
    std::vector<uint8_t> cache_;

    // polygon vertex list (u, v hold texture pixels until the polygon ends)
    std::vector<Vertex> polygon_;
    struct Placement {
        double x, y, tx, ty;
    };
    std::vector<Placement> polygon_exact_;  // as given, to recognise one-to-one mappings
    size_t polygon_room_ = 0;
    size_t polygon_count_ = 0;
    int polygon_slot_ = -1;
};

std::unique_ptr<Renderer> g_renderer;

// ---------------------------------------------------------------- life cycle

bool Renderer::create() {
    if (!load_framebuffer_calls(fb_)) return false;
    const GLubyte* name = glGetString(GL_RENDERER);
    gl_name_ = name ? reinterpret_cast<const char*>(name) : "";
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture_);
    if (max_texture_ <= 0) max_texture_ = 2048;
    GLint alpha_bits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alpha_bits);   // the window's framebuffer is bound
    window_alpha_ = alpha_bits > 0;

    frame_texture_ = make_texture(screen_width_, screen_height_, GL_LINEAR, GL_REPEAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    fb_.gen(1, &framebuffer_);
    fb_.bind(GL_FRAMEBUFFER, framebuffer_);
    fb_.texture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, frame_texture_, 0);
    if (fb_.status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        destroy();
        return false;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    begin_frame(0, 0);
    return true;
}

void Renderer::warm_up() {
    // Only where nothing drawn can be touched: a frame not yet drawn into is
    // cleared when it first is, and the offscreen frame, if it is not this
    // frame's target, is cleared or drawn over whole before it is shown.
    flush();
    if (!clear_pending_) return;
    const int x = view_x_, y = view_y_, width = view_width_, height = view_height_;
    fb_.bind(GL_FRAMEBUFFER, framebuffer_);
    set_viewport(0, 0, 0, 0);
    static const uint8_t WHITE_TEXELS[2 * 2 * 4] = {255, 255, 255, 255, 255, 255, 255, 255,
                                                    255, 255, 255, 255, 255, 255, 255, 255};
    const GLuint texture = make_texture(2, 2, GL_NEAREST, GL_CLAMP_TO_EDGE, WHITE_TEXELS);
    gl_texture_ = UNKNOWN_TEXTURE;
    // A small triangle in both windings, one of which the culling keeps.
    static constexpr Vertex TRIANGLES[6] = {{0, 0, 0, 0, 1, 1, 1, 1}, {4, 0, 1, 0, 1, 1, 1, 1}, {0, 4, 0, 1, 1, 1, 1, 1},
                                            {0, 0, 0, 0, 1, 1, 1, 1}, {0, 4, 0, 1, 1, 1, 1, 1}, {4, 0, 1, 0, 1, 1, 1, 1}};
    point_arrays_at(&TRIANGLES[0]);
    for (const WarmUpKind& kind : WARM_UP_KINDS) {
        bind_texture(kind.textured ? texture : 0);
        if (kind.textured) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kind.wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kind.wrap);
        }
        apply_blend(blend_bit(kind.blend));
        apply_test(kind.alpha_test ? TEST_ON : TEST_OFF);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        ++draw_calls_;
    }
    bind_texture(0);
    glDeleteTextures(1, &texture);
    fb_.bind(GL_FRAMEBUFFER, target());
    set_viewport(x, y, width, height);
#ifdef __EMSCRIPTEN__
    hand_over_to_gpu();
#endif
}

void Renderer::destroy() {
    vertices_.clear();
    deferred_.clear();
    deferred_order_.clear();
    slots_.for_each([](Slot& s) {
        if (s.texture) glDeleteTextures(1, &s.texture);
        s = Slot{};
    });
    for (AtlasPage& page : atlas_) glDeleteTextures(1, &page.texture);
    atlas_.clear();
    if (fb_.bind) fb_.bind(GL_FRAMEBUFFER, 0);
    if (framebuffer_ && fb_.destroy) fb_.destroy(1, &framebuffer_);
    if (frame_texture_) glDeleteTextures(1, &frame_texture_);
    if (presented_framebuffer_ && fb_.destroy) fb_.destroy(1, &presented_framebuffer_);
    if (presented_texture_) glDeleteTextures(1, &presented_texture_);
    framebuffer_ = 0;
    frame_texture_ = 0;
    presented_framebuffer_ = 0;
    presented_texture_ = 0;
    presented_kept_ = false;
}

void Renderer::begin_frame(int drawable_width, int drawable_height) {
    flush();
    // Decided now, not when the last frame was presented: the window may
    // have been resized while the program waited for the deadline.
    direct_ = drawable_width == screen_width_ && drawable_height == screen_height_;
    frame_alpha_ = !direct_ || window_alpha_;
    fb_.bind(GL_FRAMEBUFFER, target());
    clear_pending_ = true;
    clear_colour_ = {0.0f, 0.0f, 0.0f, 1.0f};
    model_.clear(0x000000);
    ++drawn_;
    set_alpha_mode(0.0);
    set_viewport(0, 0, 0, 0);
}

void Renderer::clear_if_pending() {
    if (!clear_pending_) return;
    clear_pending_ = false;
    glClearColor(clear_colour_.r, clear_colour_.g, clear_colour_.b, clear_colour_.a);
    glClear(GL_COLOR_BUFFER_BIT);
}

void Renderer::move_frame_offscreen() {
    if (!direct_ || !framebuffer_) return;
    flush();
    direct_ = false;
    // Nothing drawn yet: the offscreen frame is cleared when it is.
    if (clear_pending_) {
        frame_alpha_ = true;
        fb_.bind(GL_FRAMEBUFFER, framebuffer_);
        return;
    }
    // A blit, not a texture copy: a window without alpha may not be copied
    // into the frame's RGBA texture. Both count rows from the bottom.
    fb_.bind(GL_READ_FRAMEBUFFER, 0);
    fb_.bind(GL_DRAW_FRAMEBUFFER, framebuffer_);
    fb_.blit(0, 0, screen_width_, screen_height_, 0, 0, screen_width_, screen_height_, GL_COLOR_BUFFER_BIT,
             GL_NEAREST);
    // The window shows the last presented frame again while this one
    // finishes offscreen.
    if (keep_presented_ && presented_kept_) {
        fb_.bind(GL_READ_FRAMEBUFFER, presented_framebuffer_);
        fb_.bind(GL_DRAW_FRAMEBUFFER, 0);
        fb_.blit(0, 0, screen_width_, screen_height_, 0, 0, screen_width_, screen_height_, GL_COLOR_BUFFER_BIT,
                 GL_NEAREST);
    }
    fb_.bind(GL_FRAMEBUFFER, framebuffer_);
}

void Renderer::remember_presented(int drawable_width, int drawable_height) {
    presented_kept_ = false;
    // Only a window of the screen's size is ever drawn into directly.
    if (!keep_presented_ || drawable_width != screen_width_ || drawable_height != screen_height_) return;
    if (!presented_framebuffer_) {
        presented_texture_ = make_texture(screen_width_, screen_height_, GL_NEAREST, GL_CLAMP_TO_EDGE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        gl_texture_ = UNKNOWN_TEXTURE;
        fb_.gen(1, &presented_framebuffer_);
        fb_.bind(GL_FRAMEBUFFER, presented_framebuffer_);
        fb_.texture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, presented_texture_, 0);
    }
    fb_.bind(GL_READ_FRAMEBUFFER, 0);
    fb_.bind(GL_DRAW_FRAMEBUFFER, presented_framebuffer_);
    fb_.blit(0, 0, screen_width_, screen_height_, 0, 0, screen_width_, screen_height_, GL_COLOR_BUFFER_BIT,
             GL_NEAREST);
    fb_.bind(GL_FRAMEBUFFER, 0);
    presented_kept_ = true;
}

int Renderer::window_pixel(int x, int y) {
    flush();
    fb_.bind(GL_READ_FRAMEBUFFER, 0);
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, screen_height_ - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    fb_.bind(GL_FRAMEBUFFER, target());
    return rgba[0] | (rgba[1] << 8) | (rgba[2] << 16);   // as get_pixel gives colours
}

void Renderer::present(int drawable_width, int drawable_height) {
    flush();
    model_.forget();   // a swapped back buffer holds nothing known
    clear_if_pending();
    // GL counts rows from the bottom.
    const Letterbox box = letterbox_of(drawable_width, drawable_height, screen_width_, screen_height_);
    const int width = box.width, height = box.height, left = box.left;
    const int bottom = drawable_height - box.top - box.height;
    const bool unscaled = width == screen_width_ && height == screen_height_;
    // Drawn in the window already.
    if (direct_) {
        remember_presented(drawable_width, drawable_height);
        return;
    }
    fb_.bind(GL_FRAMEBUFFER, 0);
    // Bars only where the frame leaves some of the window uncovered.
    if (width != drawable_width || height != drawable_height) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (width <= 0 || height <= 0) return;
    // The frame is drawn into the window as one textured quad in a state the
    // sprites use too: a framebuffer blit would make the driver build a
    // pipeline of its own for it. Unscaled, every sample falls on a texel
    // centre, so nearest filtering copies the frame exactly.
    glViewport(left, bottom, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);   // the frame's texture rows run bottom-up, like the window's
    glMatrixMode(GL_MODELVIEW);
    bind_texture(frame_texture_);
    const GLint filter = unscaled ? GL_NEAREST : GL_LINEAR;
    if (frame_filter_ != filter) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        frame_filter_ = filter;
    }
    apply_blend(blend_bit(BLEND_OPAQUE));
    apply_test(TEST_OFF);
    static constexpr Vertex QUAD[6] = {
        {0, 0, 0, 0, 1, 1, 1, 1}, {1, 0, 1, 0, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1},
        {0, 0, 0, 0, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1}, {0, 1, 0, 1, 1, 1, 1, 1},
    };
    point_arrays_at(&QUAD[0]);
    std::optional<StartupScope> phase;
    if (!presented_) phase.emplace(StartupPhase::StateCompilation);
    presented_ = true;
    glDrawArrays(GL_TRIANGLES, 0, 6);
    ++draw_calls_;
    remember_presented(drawable_width, drawable_height);
}

void Renderer::present_probe(int drawable_width, int drawable_height) {
    fb_.bind(GL_FRAMEBUFFER, framebuffer_);
    glClear(GL_COLOR_BUFFER_BIT);
    fb_.bind(GL_READ_FRAMEBUFFER, framebuffer_);
    fb_.bind(GL_DRAW_FRAMEBUFFER, 0);
    const int width = std::min(drawable_width, screen_width_), height = std::min(drawable_height, screen_height_);
    fb_.blit(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl_texture_ = UNKNOWN_TEXTURE;
}

// ---------------------------------------------------------------- batching

void Renderer::reset_fixed_state() {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glAlphaFunc(GL_GREATER, ALPHA_TEST_REF);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (GLenum cap : {GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH, GL_STENCIL_TEST, GL_NORMALIZE,
                       GL_LIGHTING, GL_COLOR_MATERIAL, GL_DITHER, GL_POLYGON_OFFSET_FILL, GL_TEXTURE_GEN_S,
                       GL_TEXTURE_GEN_T, GL_SCISSOR_TEST}) {
        glDisable(cap);
    }
    // Vertex colours are interpolated; flat shapes carry one colour anyway.
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
}

void Renderer::apply_blend(uint8_t mask) {
    int mode = (gl_blend_ >= 0 && (mask & (1u << gl_blend_))) ? gl_blend_ : -1;
    if (mode < 0) {
        for (mode = 0; !(mask & (1u << mode)); ++mode) {
        }
    }
    if (mode == gl_blend_) return;
    gl_blend_ = mode;
    if (mode == BLEND_OPAQUE) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, mode == BLEND_NORMAL ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    }
}

void Renderer::apply_test(uint8_t mask) {
    // Off whenever allowed: a fragment that cannot fail the test costs less without it.
    const int wanted = (mask & TEST_OFF) ? 0 : 1;
    if (wanted == gl_test_) return;
    gl_test_ = wanted;
    if (wanted) glEnable(GL_ALPHA_TEST);
    else glDisable(GL_ALPHA_TEST);
}

void Renderer::bind_texture(GLuint texture) {
    if (texture == gl_texture_) return;
    gl_texture_ = texture;
    if (texture == 0) glDisable(GL_TEXTURE_2D);
    else glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void Renderer::flush() {
    if (vertices_.empty()) return;
    clear_if_pending();
    bind_texture(batch_.source.texture);
    if (batch_.source.wrap_slot >= 0) {
        Slot& s = slots_[size_t(batch_.source.wrap_slot)];
        if (s.clamped != batch_.source.clamp) {
            const GLint wrap = batch_.source.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            s.clamped = batch_.source.clamp;
        }
        if (s.nearest != batch_.source.nearest) {
            const GLint filter = batch_.source.nearest ? GL_NEAREST : GL_LINEAR;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            s.nearest = batch_.source.nearest;
        }
    }
    apply_blend(batch_.blend_mask);
    apply_test(batch_.test_mask);
    point_arrays_at(&vertices_[0]);
    // The first draw in a combination of states is where a software driver
    // builds the code for it; the start-up profile shows that apart.
    const size_t state = drawn_state_key();
    std::optional<StartupScope> phase;
    if (!drawn_states_.test(state)) {
        drawn_states_.set(state);
        phase.emplace(StartupPhase::StateCompilation);
    }
    glDrawArrays(batch_.primitive == Primitive::Lines ? GL_LINES : GL_TRIANGLES, 0, GLsizei(vertices_.size()));
    ++draw_calls_;
    vertices_.clear();
}

size_t Renderer::drawn_state_key() const {
    const Source& source = batch_.source;
    bool nearest = true, clamp = true;   // atlas pages
    if (source.wrap_slot >= 0) {
        nearest = slots_.at(size_t(source.wrap_slot)).nearest;
        clamp = slots_.at(size_t(source.wrap_slot)).clamped;
    }
    size_t key = source.texture ? 1 + (nearest ? 1 : 0) + (clamp ? 2 : 0) : 0;   // 0..4
    key = key * 3 + size_t(gl_blend_);
    key = key * 2 + size_t(gl_test_);
    return key * 2 + (batch_.primitive == Primitive::Lines ? 1 : 0);
}

void Renderer::submit(const Source& source, Primitive primitive, uint8_t blend_mask, uint8_t test_mask,
                      const Vertex* vertices, size_t count, bool test_off) {
    if (count == 0) return;
    const uint8_t joint_test = batch_.test_mask & test_mask;
    const bool joins = !vertices_.empty() && batch_.source == source && batch_.primitive == primitive &&
                       (batch_.blend_mask & blend_mask) && joint_test &&
                       (!(batch_.test_off || test_off) || (joint_test & TEST_OFF));
    if (!fast_paths_) flush();  // one primitive per draw: the reference for tests
    if (joins && fast_paths_) {
        batch_.blend_mask &= blend_mask;
        batch_.test_mask &= test_mask;
        batch_.test_off = batch_.test_off || test_off;
    } else {
        flush();
        batch_ = Batch{source, primitive, blend_mask, test_mask, test_off};
    }
    vertices_.insert(vertices_.end(), vertices, vertices + count);
    ++drawn_;
}

// Appends the two triangles of a screen rectangle, wound as front faces.
void push_quad(std::vector<Vertex>& out, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
               float v1, const Colour& c) {
    const Vertex tl{x0, y0, u0, v0, c.r, c.g, c.b, c.a};
    const Vertex bl{x0, y1, u0, v1, c.r, c.g, c.b, c.a};
    const Vertex br{x1, y1, u1, v1, c.r, c.g, c.b, c.a};
    const Vertex tr{x1, y0, u1, v0, c.r, c.g, c.b, c.a};
    out.insert(out.end(), {tl, bl, br, tl, br, tr});
}

// ---------------------------------------------------------------- sprites

const Slot* Renderer::slot(int slot) {
    if (!valid(slot)) return nullptr;
    settle(slot);
    return &slots_.at(size_t(slot));
}

void Renderer::settle(int slot) {
    if (!deferred_.empty() && deferred_.count(slot)) finish_load(slot);
}

void Renderer::finish_load(int slot) {
    const auto it = deferred_.find(slot);
    if (it == deferred_.end()) return;
    // Out of the table first: installing empties the slot, which would
    // otherwise drop the load being finished.
    DeferredLoad load = std::move(it->second);
    deferred_.erase(it);
    const double began = now_ms();
    {
        const StartupScope phase(StartupPhase::PngDecoding);
        if (!decode_image(load.file.data(), load.file.size(), load.key, load.name, decoded_)) return;
    }
    apply_image(slot, decoded_, load.frame_width, load.frame_height);
    // A clock that did not move tells nothing. A slower load is believed at
    // once, a faster one only halfway: one lucky load must not let the next
    // large one overrun a frame.
    const double spent = now_ms() - began;
    if (spent > 0 && load.pixels >= LOAD_TIMING_MIN_PIXELS) {
        const double rate = spent / double(load.pixels);
        load_ms_per_pixel_ = rate > load_ms_per_pixel_ ? rate : (load_ms_per_pixel_ + rate) / 2;
    }
}

bool Renderer::finish_deferred_load(double budget_ms) {
    for (auto entry = deferred_order_.begin(); entry != deferred_order_.end();) {
        const auto [slot, order] = *entry;
        const auto it = deferred_.find(slot);
        // A slot loaded again, emptied or already needed leaves a stale entry.
        if (it == deferred_.end() || it->second.order != order) {
            entry = deferred_order_.erase(entry);
            continue;
        }
        // One that would not fit waits for a later frame or its first use.
        if (double(it->second.pixels) * load_ms_per_pixel_ > budget_ms) {
            ++entry;
            continue;
        }
        deferred_order_.erase(entry);
        finish_load(slot);
        return true;
    }
    return false;
}

double Renderer::now_ms() const {
    if (clock_) return clock_();
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void Renderer::apply_image(int slot, const DecodedImage& image, int frame_width, int frame_height) {
    install(slot, image, LOAD_MIN_TEXTURE);
    if (frame_width != 0 || frame_height != 0) {
        Slot& s = slots_[size_t(slot)];
        if (s.image_width > 0) {
            s.frame_width = frame_width;
            s.frame_height = frame_height;
        }
    }
}

void Renderer::empty_slot(int slot) {
    if (!valid(slot)) return;
    if (!deferred_.empty()) deferred_.erase(slot);
    flush();
    Slot& s = slots_[size_t(slot)];
    if (s.texture) glDeleteTextures(1, &s.texture);
    gl_texture_ = UNKNOWN_TEXTURE;
    s = Slot{};  // an atlas copy is simply abandoned: images load once at start
}

void Renderer::install(int slot, const DecodedImage& image, int minimum_texture) {
    empty_slot(slot);
    if (!valid(slot) || !image_size_allowed(image.width, image.height) || image.width > max_texture_ ||
        image.height > max_texture_ || image.rgba.size() != size_t(image.width) * size_t(image.height) * 4) {
        return;
    }
    const int tw = power_of_two_at_least(image.width, minimum_texture);
    const int th = power_of_two_at_least(image.height, minimum_texture);
    if (tw > max_texture_ || th > max_texture_) return;
    std::optional<StartupScope> phase(std::in_place, StartupPhase::TextureUpload);
    Slot& s = slots_[size_t(slot)];
    while (CHECK_TEXTURE_ERRORS && glGetError() != GL_NO_ERROR) {
    }
    // The image sits at the texture's top-left (row 0 = top); the rest is
    // clear. Filled straight from the image and a block of zeros, so no
    // texture-sized copy is made (none at all where new textures are clear).
    s.texture = make_texture(tw, th, GL_LINEAR, GL_REPEAT, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    const bool fill = !NEW_TEXTURES_ARE_CLEAR;
    const size_t right = fill ? size_t(tw - image.width) * size_t(image.height) * 4 : 0;
    const size_t below = fill ? size_t(tw) * size_t(th - image.height) * 4 : 0;
    if (zeros_.size() < std::max(right, below)) zeros_.resize(std::max(right, below), 0);
    if (right > 0) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, image.width, 0, tw - image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        zeros_.data());
    }
    if (below > 0) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, image.height, tw, th - image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        zeros_.data());
    }
    gl_texture_ = UNKNOWN_TEXTURE;
    if (CHECK_TEXTURE_ERRORS && glGetError() != GL_NO_ERROR) {
        empty_slot(slot);
        return;
    }
    s.texture_width = tw;
    s.texture_height = th;
    s.image_width = image.width;
    s.image_height = image.height;
    if (model_reads_ && int64_t(image.width) * image.height <= MODEL_MAX_PIXELS)
        s.pixels = model_pixels(image.width, image.height, image.rgba, ALPHA_TEST_REF);
    phase.emplace(StartupPhase::AtlasBuilding);
    s.blocks = build_block_map(image.rgba.data(), image.width, image.height, image.width);
    place_in_atlas(slot, image);
}

void Renderer::place_in_atlas(int slot, const DecodedImage& image) {
    Slot& s = slots_[size_t(slot)];
    if (s.texture_width > ATLAS_MAX_TEXTURE || s.texture_height > ATLAS_MAX_TEXTURE || ATLAS_PAGE > max_texture_) {
        return;
    }
    const int width = s.texture_width + 2 * ATLAS_BORDER, height = s.texture_height + 2 * ATLAS_BORDER;
    AtlasPage* page = atlas_.empty() ? nullptr : &atlas_.back();
    if (page && page->cursor_x + width > ATLAS_PAGE) {
        page->shelf_y += page->shelf_height;
        page->shelf_height = 0;
        page->cursor_x = 0;
    }
    if (!page || page->shelf_y + height > ATLAS_PAGE) {
        AtlasPage fresh;
        // Left unfilled: drawing samples a copy only inside it and its border.
        fresh.texture = make_texture(ATLAS_PAGE, ATLAS_PAGE, GL_NEAREST, GL_CLAMP_TO_EDGE, nullptr);
        atlas_.push_back(fresh);
        page = &atlas_.back();
    }
    // The copy with its border: texel (x, y) of the region is texel
    // ((x - border) mod width, (y - border) mod height) of the texture,
    // whose texels beyond the image are clear.
    std::vector<uint8_t> region(size_t(width) * size_t(height) * 4, 0);
    for (int y = 0; y < height; ++y) {
        const int ty = ((y - ATLAS_BORDER) % s.texture_height + s.texture_height) % s.texture_height;
        if (ty >= image.height) continue;
        for (int x = 0; x < width; ++x) {
            const int tx = ((x - ATLAS_BORDER) % s.texture_width + s.texture_width) % s.texture_width;
            if (tx >= image.width) continue;
            std::memcpy(&region[(size_t(y) * size_t(width) + size_t(x)) * 4],
                        &image.rgba[(size_t(ty) * size_t(image.width) + size_t(tx)) * 4], 4);
        }
    }
    glBindTexture(GL_TEXTURE_2D, page->texture);
    gl_texture_ = UNKNOWN_TEXTURE;
    glTexSubImage2D(GL_TEXTURE_2D, 0, page->cursor_x, page->shelf_y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                    region.data());
    s.atlas_page = int(atlas_.size()) - 1;
    s.atlas_x = page->cursor_x + ATLAS_BORDER;
    s.atlas_y = page->shelf_y + ATLAS_BORDER;
    page->cursor_x += width;
    page->shelf_height = std::max(page->shelf_height, height);
}

void Renderer::load(const std::string& path, int slot, int key, int frame_width, int frame_height) {
    empty_slot(slot);
    if (!valid(slot)) return;
    // The buffers stay for the next load: memory the process has touched
    // once costs nothing the second time.
    {
        const StartupScope phase(StartupPhase::ContainerReading);
        std::string resolved;
        if (!media_resolve(Container::Graphics, path, true, resolved)) return;
        if (!read_resolved(resolved, file_) || file_.empty()) return;
    }
    if (defer_loads_ && png_decodes_quietly(file_.data(), file_.size())) {
        DeferredLoad& load = deferred_[slot];
        load.file = file_;
        load.name = path;
        load.key = key;
        load.frame_width = frame_width;
        load.frame_height = frame_height;
        load.pixels = png_pixel_count(file_.data(), file_.size());
        load.order = ++deferred_count_;
        deferred_order_.emplace_back(slot, load.order);
        return;
    }
    {
        const StartupScope phase(StartupPhase::PngDecoding);
        if (!decode_image(file_.data(), file_.size(), key, path, decoded_)) return;
    }
    apply_image(slot, decoded_, frame_width, frame_height);
}

void Renderer::draw_image_part(int slot, double sx, double sy, double sw, double sh, double x, double y, double w,
                               double h, bool clamp) {
    if (!valid(slot)) return;
    settle(slot);
    const Slot& s = slots_.at(size_t(slot));
    if (!s.texture || s.image_width <= 0) return;
    const bool whole = [](std::initializer_list<double> values) {
        for (double v : values)
            if (v != std::floor(v) || std::abs(v) > 1e6) return false;
        return true;
    }({sx, sy, sw, sh, x, y});
    if (!clamp && whole && sw == w && sh == h) {
        // One screen pixel per texel: the same as an unscaled frame.
        draw_image_unscaled(slot, int(sx), int(sy), int(sw), int(sh), int(x), int(y));
        return;
    }
    model_.forget();
    thread_local std::vector<Vertex> quad;
    quad.clear();
    const Colour white{1.0f, 1.0f, 1.0f, float(opacity_)};
    push_quad(quad, float(x), float(y), float(x + w), float(y + h), float(sx / s.texture_width),
              float(sy / s.texture_height), float((sx + sw) / s.texture_width), float((sy + sh) / s.texture_height),
              white);
    submit(own_source(slot, clamp, false), Primitive::Triangles, blend_bit(blend_), TEST_ON, quad.data(), quad.size());
}

void Renderer::draw_image_unscaled(int slot, int sx, int sy, int sw, int sh, int x, int y) {
    if (!valid(slot)) return;
    settle(slot);
    const Slot& s = slots_.at(size_t(slot));
    if (!s.texture || s.image_width <= 0 || sw <= 0 || sh <= 0) return;
    // Only the blocks holding a visible pixel are drawn: the rest would be
    // discarded by the alpha test after costing their texture fetches.
    thread_local std::vector<SourceSpan> spans;
    thread_local std::vector<Vertex> quads;
    thread_local std::vector<Vertex> solid_quads;
    spans.clear();
    quads.clear();
    solid_quads.clear();
    const bool inside = sx >= 0 && sy >= 0 && sx + sw <= s.image_width && sy + sh <= s.image_height;
    // Unblended, each pixel takes its texel as it is, or keeps its colour
    // where the texel fails the alpha test.
    if (blend_ == BLEND_OPAQUE && inside && model_placed() && s.pixels)
        model_.copy(s.pixels, sx, sy, sw, sh, x, y, ALPHA_TEST_REF);
    else
        model_.forget();
    if (inside && fast_paths_) used_spans(s.blocks, sx, sy, sw, sh, spans);
    else spans.push_back({sx, sy, sw, sh, false});
    // The atlas copy repeats the texture only as far as its border reaches.
    const bool atlas = use_atlas(s) && sx >= -ATLAS_BORDER && sy >= -ATLAS_BORDER &&
                       sx + sw <= s.texture_width + ATLAS_BORDER && sy + sh <= s.texture_height + ATLAS_BORDER;
    const Colour white{1.0f, 1.0f, 1.0f, float(opacity_)};
    const float tw = atlas ? float(ATLAS_PAGE) : float(s.texture_width);
    const float th = atlas ? float(ATLAS_PAGE) : float(s.texture_height);
    const int ox = atlas ? s.atlas_x : 0, oy = atlas ? s.atlas_y : 0;
    // Solid texels pass the alpha test whenever the opacity does.
    const bool test_free = opacity_ >= ALPHA_TEST_SAFE;
    for (const SourceSpan& span : spans) {
        const float left = float(x + span.x - sx), top = float(y + span.y - sy);
        const bool big_solid = test_free && span.solid && span.width * span.height >= BIG_SOLID_SPAN;
        push_quad(big_solid ? solid_quads : quads, left, top, left + float(span.width), top + float(span.height), float(ox + span.x) / tw,
                  float(oy + span.y) / th, float(ox + span.x + span.width) / tw,
                  float(oy + span.y + span.height) / th, white);
    }
    const Source source =
        atlas ? Source{atlas_[size_t(s.atlas_page)].texture, -1, false, true} : own_source(slot, false, fast_paths_);
    // The spans do not overlap, so their order does not matter.
    submit(source, Primitive::Triangles, blend_bit(blend_), TEST_ON, quads.data(), quads.size());
    submit(source, Primitive::Triangles, blend_bit(blend_), TEST_ANY, solid_quads.data(), solid_quads.size(), true);
}

void Renderer::draw_frame(int slot, int frame, double x, double y, double w, double h, bool stretched) {
    if (!valid(slot)) return;
    settle(slot);
    const Slot& s = slots_.at(size_t(slot));
    if (!s.texture || s.frame_width <= 0 || s.frame_height <= 0) return;
    const int per_row = s.image_width / s.frame_width;
    if (per_row <= 0) return;  // frame wider than the image: no frame to cut
    const int sx = (frame % per_row) * s.frame_width;
    const int sy = (frame / per_row) * s.frame_height;
    if (stretched) {
        draw_image_part(slot, sx, sy, s.frame_width, s.frame_height, x, y, w + STRETCH_OVERLAP, h + STRETCH_OVERLAP,
                        true);
    } else {
        draw_image_unscaled(slot, sx, sy, s.frame_width, s.frame_height, int(x), int(y));
    }
}

bool Renderer::read_frame(int x, int y, int width, int height, std::vector<uint8_t>& rgba) {
    // rgba: width * height pixels, top row first; parts off the screen are 0.
    rgba.assign(size_t(width) * size_t(height) * 4, 0);
    const int left = std::max(0, x), top = std::max(0, y);
    const int right = std::min(screen_width_, x + width), bottom = std::min(screen_height_, y + height);
    if (left >= right || top >= bottom) return false;
    flush();
    clear_if_pending();
    const int cw = right - left, ch = bottom - top;
    std::vector<uint8_t> rows(size_t(cw) * size_t(ch) * 4);
    fb_.bind(GL_READ_FRAMEBUFFER, target());
    ++frame_reads_;
    glReadPixels(left, screen_height_ - bottom, cw, ch, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    for (int r = 0; r < ch; ++r) {
        // GL rows run bottom-up.
        const uint8_t* src = &rows[size_t(ch - 1 - r) * size_t(cw) * 4];
        std::memcpy(&rgba[(size_t(top - y + r) * size_t(width) + size_t(left - x)) * 4], src, size_t(cw) * 4);
    }
    return true;
}

void Renderer::grab(int slot, int x, int y, int width, int height) {
    if (!valid(slot)) return;
    settle(slot);   // a grab keeps the loaded texture's frame size
    flush();
    Slot& s = slots_[size_t(slot)];
    s.mask.clear();
    s.has_mask = false;
    s.pixels.reset();
    if (!image_size_allowed(width, height) || width > max_texture_ || height > max_texture_) {
        empty_slot(slot);
        return;
    }
    const int tw = power_of_two_at_least(width, GRAB_MIN_TEXTURE);
    const int th = power_of_two_at_least(height, GRAB_MIN_TEXTURE);
    if (tw > max_texture_ || th > max_texture_) {
        empty_slot(slot);
        return;
    }
    // A frame with its alpha is copied as it is; one without is keyed by
    // colour. The frame's record knows how the key is stored: exactly.
    std::vector<uint8_t> rgba;
    if (model_reads_ && model_.read_rgba(x, y, width, height, !frame_alpha_, rgba)) {
        if (!frame_alpha_) clear_key_pixels(rgba, KEY_BYTES);
    } else {
        read_frame(x, y, width, height, rgba);
        if (!frame_alpha_) key_by_colour(rgba);
    }
    gl_texture_ = UNKNOWN_TEXTURE;
    s.atlas_page = -1;  // the copy would be stale
    if (!s.texture || s.texture_width != tw || s.texture_height != th) {
        if (s.texture) glDeleteTextures(1, &s.texture);
        const std::vector<uint8_t> clear(NEW_TEXTURES_ARE_CLEAR ? 0 : size_t(tw) * size_t(th) * 4, 0);
        s.texture = make_texture(tw, th, GL_LINEAR, GL_REPEAT, NEW_TEXTURES_ARE_CLEAR ? nullptr : clear.data());
        s.clamped = false;
        s.nearest = false;
        s.texture_width = tw;
        s.texture_height = th;
    } else {
        glBindTexture(GL_TEXTURE_2D, s.texture);
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    s.image_width = width;
    s.image_height = height;
    s.blocks = build_block_map(rgba.data(), width, height, width);
}

void Renderer::key_by_colour(std::vector<uint8_t>& rgba) {
    // The key as this frame stores it: a probe pixel of it, read back, and
    // the pixel that was there put back. Scissored clears write exactly one
    // pixel whatever the viewport, blending or alpha test.
    std::vector<uint8_t> before, probe;
    if (!read_frame(KEY_PROBE_X, KEY_PROBE_Y, 1, 1, before)) return;
    const GLint row = screen_height_ - 1 - KEY_PROBE_Y;   // GL counts rows from the bottom
    glEnable(GL_SCISSOR_TEST);
    glScissor(KEY_PROBE_X, row, 1, 1);
    const Colour key = unpack(KEY_COLOUR, 0.0f);
    glClearColor(key.r, key.g, key.b, key.a);
    glClear(GL_COLOR_BUFFER_BIT);
    read_frame(KEY_PROBE_X, KEY_PROBE_Y, 1, 1, probe);
    glClearColor(before[0] / 255.0f, before[1] / 255.0f, before[2] / 255.0f, before[3] / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    clear_key_pixels(rgba, probe.data());
}

int Renderer::collision(int slot1, int x1, int y1, int slot2, int x2, int y2) {
    if (!valid(slot1) || !valid(slot2)) return 0;
    settle(slot1);
    settle(slot2);
    Slot* sprites[2] = {&slots_[size_t(slot1)], &slots_[size_t(slot2)]};
    const Slot& a = *sprites[0];
    const Slot& b = *sprites[1];
    if (std::max(x1, x2) >= std::min(x1 + a.image_width, x2 + b.image_width) ||
        std::max(y1, y2) >= std::min(y1 + a.image_height, y2 + b.image_height)) {
        return 0;
    }
    for (Slot* s : sprites) {
        if (s->has_mask || !s->texture) continue;
        // The mask is the texture's own alpha, read back once and kept.
        s->mask.assign(size_t(s->texture_width) * size_t(s->texture_height), 0);
        glBindTexture(GL_TEXTURE_2D, s->texture);
        gl_texture_ = UNKNOWN_TEXTURE;
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, s->mask.data());
        s->has_mask = true;
    }
    if (!a.has_mask || !b.has_mask) return 0;
    return masks_overlap({a.mask.data(), a.texture_width}, x1, y1, a.image_width, a.image_height,
                         {b.mask.data(), b.texture_width}, x2, y2, b.image_width, b.image_height);
}

// ---------------------------------------------------------------- shapes

float Renderer::shape_alpha(int colour) const {
    // Shapes take the opacity as a byte, like a colour given in bytes.
    return is_key(colour) ? 0.0f : float(int(opacity_ * 255.0)) / 255.0f;
}

void Renderer::shape_masks(float alpha, uint8_t& blend_mask, uint8_t& test_mask) const {
    // A fully opaque untextured fragment blends to itself, so such a shape
    // may join an opaque or a normally blended run alike; one that passes
    // the alpha test for certain may join a run with the test on.
    blend_mask = blend_bit(blend_);
    if (covers(alpha)) blend_mask = blend_bit(BLEND_OPAQUE) | blend_bit(BLEND_NORMAL);
    test_mask = alpha >= ALPHA_TEST_SAFE ? TEST_ANY : TEST_OFF;
}

void Renderer::rect(int x, int y, int width, int height, int colour) {
    if (width == 0 || height == 0) return;
    // A negative size extends back from (x, y), ending at x (or y).
    if (width < 0) {
        x += width + 1;
        width = -width;
    }
    if (height < 0) {
        y += height + 1;
        height = -height;
    }
    const float alpha = shape_alpha(colour);
    // An opaque rectangle over the whole screen leaves nothing of what was
    // drawn before: the frame is cleared to its colour instead, which a
    // software rasteriser does many times faster than it fills the quad.
    const bool whole_screen = x <= 0 && y <= 0 && x + width >= screen_width_ && y + height >= screen_height_ &&
                              view_x_ == 0 && view_y_ == 0 && view_width_ == screen_width_ &&
                              view_height_ == screen_height_;
    if (whole_screen && covers(alpha) && fast_paths_) {
        vertices_.clear();
        clear_pending_ = true;
        clear_colour_ = unpack(colour, 1.0f);
        model_.clear(colour);
        ++drawn_;
        return;
    }
    // Unblended or fully opaque, the pixels take the colour exactly.
    // Unblended, they take its alpha too.
    if ((blend_ == BLEND_OPAQUE || covers(alpha)) && model_placed())
        model_.fill(x, y, width, height, colour, blend_ == BLEND_OPAQUE ? int(std::lround(alpha * 255.0f)) : -1);
    else
        model_.forget();
    uint8_t blend_mask, test_mask;
    shape_masks(alpha, blend_mask, test_mask);
    thread_local std::vector<Vertex> quad;
    quad.clear();
    push_quad(quad, float(x) + SHAPE_OFFSET, float(y) + SHAPE_OFFSET, float(x + width) + SHAPE_OFFSET,
              float(y + height) + SHAPE_OFFSET, 0, 0, 0, 0, unpack(colour, alpha));
    submit(Source{}, Primitive::Triangles, blend_mask, test_mask, quad.data(), quad.size());
}

void Renderer::pixel(int x, int y, int colour) { rect(x, y, 1, 1, colour); }

void Renderer::line(int x1, int y1, int x2, int y2, int colour) {
    model_.forget();
    const float alpha = shape_alpha(colour);
    uint8_t blend_mask, test_mask;
    shape_masks(alpha, blend_mask, test_mask);
    const Colour c = unpack(colour, alpha);
    // The line itself leaves out its last pixel; the end point is added as a
    // segment from that pixel's centre to the next centre, which lights
    // exactly that pixel and keeps the whole line in one run of lines.
    const float ex = float(x2) + 0.5f, ey = float(y2) + 0.5f;
    const Vertex v[4] = {
        {float(x1) + SHAPE_OFFSET, float(y1) + SHAPE_OFFSET, 0, 0, c.r, c.g, c.b, c.a},
        {float(x2) + SHAPE_OFFSET, float(y2) + SHAPE_OFFSET, 0, 0, c.r, c.g, c.b, c.a},
        {ex, ey, 0, 0, c.r, c.g, c.b, c.a},
        {ex + 1.0f, ey, 0, 0, c.r, c.g, c.b, c.a},
    };
    const bool has_length = x1 != x2 || y1 != y2;
    submit(Source{}, Primitive::Lines, blend_mask, test_mask, has_length ? v : v + 2, has_length ? 4 : 2);
}

// ---------------------------------------------------------------- read-back

int Renderer::get_pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= screen_width_ || y >= screen_height_) return 0;
    thread_local std::vector<int> known;
    if (model_reads_ && model_.read(x, y, 1, 1, known)) return known[0];
    const bool cached = cache_drawn_ == drawn_ && x >= cache_x_ && y >= cache_y_ && x < cache_x_ + cache_width_ &&
                        y < cache_y_ + cache_height_;
    if (!cached) {
        // Reading a block costs about as much as one pixel; scans that read
        // neighbouring pixels between draws are then served from memory.
        cache_x_ = x - x % READ_BLOCK;
        cache_y_ = y - y % READ_BLOCK;
        cache_width_ = std::min(READ_BLOCK, screen_width_ - cache_x_);
        cache_height_ = std::min(READ_BLOCK, screen_height_ - cache_y_);
        read_frame(cache_x_, cache_y_, cache_width_, cache_height_, cache_);
        cache_drawn_ = drawn_;
    }
    const uint8_t* p = &cache_[(size_t(y - cache_y_) * size_t(cache_width_) + size_t(x - cache_x_)) * 4];
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

void Renderer::read(int x, int y, int width, int height, std::vector<int>& out) {
    out.clear();
    // A rectangle far larger than any screen is a caller's mistake, not a request for gigabytes.
    if (width <= 0 || height <= 0 || int64_t(width) * height > IMAGE_MAX_PIXELS) return;
    if (model_reads_ && model_.read(x, y, width, height, out)) return;
    std::vector<uint8_t> rgba;
    read_frame(x, y, width, height, rgba);
    out.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = rgba[i * 4] | (rgba[i * 4 + 1] << 8) | (rgba[i * 4 + 2] << 16);
    }
}

bool Renderer::screenshot(const std::string& path) {
    std::vector<uint8_t> rgba;
    read_frame(0, 0, screen_width_, screen_height_, rgba);
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;  // the screen is opaque
    return write_png_file(path, screen_width_, screen_height_, rgba);
}

// ---------------------------------------------------------------- state

void Renderer::set_viewport(int x, int y, int width, int height) {
    flush();
    if (width <= 0 || height <= 0) {
        x = 0;
        y = 0;
        width = screen_width_;
        height = screen_height_;
    }
    view_x_ = x;
    view_y_ = y;
    view_width_ = width;
    view_height_ = height;
    glViewport(x, screen_height_ - height - y, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    reset_fixed_state();
    gl_blend_ = gl_test_ = -1;
    gl_texture_ = UNKNOWN_TEXTURE;
}

void Renderer::set_alpha_mode(double a) {
    if (a == 0.0 || std::isnan(a)) {
        blend_ = BLEND_OPAQUE;
        opacity_ = 1.0;
    } else if (a < 0.0) {
        blend_ = BLEND_NORMAL;
        opacity_ = std::min(-a, 1.0);
    } else {
        blend_ = BLEND_ADDITIVE;
        opacity_ = std::min(a, 1.0);
    }
}

// ---------------------------------------------------------------- polygons

void Renderer::polygon_begin(int slot) {
    polygon_count_ = 0;
    polygon_exact_.clear();
    if (valid(slot)) settle(slot);
    polygon_slot_ = (valid(slot) && slots_.at(size_t(slot)).texture) ? slot : -1;
}

void Renderer::polygon_vertex(double x, double y, double tx, double ty, int colour) {
    if (polygon_count_ + 1 >= polygon_room_) {
        const size_t wanted = polygon_count_ + 1;
        polygon_room_ = wanted < POLYGON_FIRST_ROOM ? POLYGON_FIRST_ROOM
                                                   : POLYGON_ROOM_STEP * (wanted / POLYGON_ROOM_STEP + 1);
        polygon_.resize(polygon_room_);
    }
    const Colour c = unpack(colour, is_key(colour) ? 0.0f : float(opacity_));
    polygon_[polygon_count_++] = {float(x), float(y), float(tx), float(ty), c.r, c.g, c.b, c.a};
    polygon_exact_.push_back({x, y, tx, ty});
}

void Renderer::polygon_end() {
    if (polygon_count_ < 3) return;
    model_.forget();
    thread_local std::vector<Vertex> triangles;
    triangles.clear();
    bool all_opaque = true, all_pass = true;
    for (size_t i = 0; i < polygon_count_; ++i) {
        all_opaque = all_opaque && polygon_[i].a == 1.0f;
        all_pass = all_pass && polygon_[i].a >= ALPHA_TEST_SAFE;
    }
    Source source;
    if (polygon_slot_ >= 0) {
        const Slot& s = slots_.at(size_t(polygon_slot_));
        // Texture pixels laid on the screen unscaled at an integer offset can
        // come from the atlas copy, if they stay within its border.
        const Placement& hub = polygon_exact_[0];
        const double dx = hub.x - hub.tx, dy = hub.y - hub.ty;
        bool one_to_one = fast_paths_ && dx == std::floor(dx) && dy == std::floor(dy);
        bool atlas = use_atlas(s);
        for (size_t i = 0; one_to_one && i < polygon_count_; ++i) {
            const Placement& p = polygon_exact_[i];
            one_to_one = p.x - p.tx == dx && p.y - p.ty == dy;
            atlas = atlas && p.tx >= 1 - ATLAS_BORDER && p.ty >= 1 - ATLAS_BORDER &&
                    p.tx <= s.texture_width + ATLAS_BORDER - 1 && p.ty <= s.texture_height + ATLAS_BORDER - 1;
        }
        atlas = atlas && one_to_one;
        const double tw = atlas ? ATLAS_PAGE : s.texture_width, th = atlas ? ATLAS_PAGE : s.texture_height;
        const double ox = atlas ? s.atlas_x : 0, oy = atlas ? s.atlas_y : 0;
        for (size_t i = 0; i < polygon_count_; ++i) {
            polygon_[i].u = float((ox + polygon_exact_[i].tx) / tw);
            polygon_[i].v = float((oy + polygon_exact_[i].ty) / th);
        }
        source = atlas ? Source{atlas_[size_t(s.atlas_page)].texture, -1, false, true}
                       : own_source(polygon_slot_, false, one_to_one);
    } else {
        for (size_t i = 0; i < polygon_count_; ++i) polygon_[i].u = polygon_[i].v = 0.0f;
    }
    for (size_t i = 1; i + 1 < polygon_count_; ++i) {
        triangles.insert(triangles.end(), {polygon_[0], polygon_[i], polygon_[i + 1]});
    }
    uint8_t blend_mask = blend_bit(blend_), test_mask = TEST_ON;
    if (polygon_slot_ < 0) {
        // Untextured: the vertex colours alone decide what a fragment is.
        if (all_opaque && covers(1.0f)) blend_mask = blend_bit(BLEND_OPAQUE) | blend_bit(BLEND_NORMAL);
        if (all_pass) test_mask = TEST_ANY;
    }
    submit(source, Primitive::Triangles, blend_mask, test_mask, triangles.data(), triangles.size());
}

Renderer* renderer() { return g_renderer.get(); }

}  // namespace

// ---------------------------------------------------------------- frame interface

bool renderer_create(int screen_width, int screen_height) {
    renderer_destroy();
    if (screen_width <= 0 || screen_height <= 0) return false;
    auto created = std::make_unique<Renderer>(screen_width, screen_height);
    if (!created->create()) return false;
    g_renderer = std::move(created);
    return true;
}

void renderer_present(int drawable_width, int drawable_height) {
    Renderer* r = renderer();
    if (!r) return;
    r->present(drawable_width, drawable_height);
#ifdef __EMSCRIPTEN__
    hand_over_to_gpu();
#endif
}

void renderer_begin_frame(int drawable_width, int drawable_height) {
    if (Renderer* r = renderer()) r->begin_frame(drawable_width, drawable_height);
}

void renderer_warm_up() {
    if (Renderer* r = renderer()) r->warm_up();
}

void renderer_move_frame_offscreen() {
    if (Renderer* r = renderer()) r->move_frame_offscreen();
}

void renderer_present_probe(int drawable_width, int drawable_height) {
    if (Renderer* r = renderer()) r->present_probe(drawable_width, drawable_height);
}

bool renderer_finish_deferred_load(double budget_ms) {
    return g_renderer && g_renderer->finish_deferred_load(budget_ms);
}

void renderer_set_clock(std::function<double()> clock) {
    if (g_renderer) g_renderer->set_clock(std::move(clock));
}

void renderer_set_deferred_loading(bool on) {
    if (g_renderer) g_renderer->set_deferred_loading(on);
}

void renderer_set_model_reads(bool on) {
    if (g_renderer) g_renderer->set_model_reads(on);
}

int renderer_deferred_loads() { return g_renderer ? g_renderer->deferred_loads() : 0; }

void renderer_destroy() {
    if (g_renderer) g_renderer->destroy();
    g_renderer.reset();
}

bool renderer_ready() { return g_renderer != nullptr; }

const char* renderer_gl_name() { return g_renderer ? g_renderer->gl_name() : ""; }

void renderer_set_fast_paths(bool on) {
    if (g_renderer) g_renderer->set_fast_paths(on);
}

void renderer_screen_size(int& width, int& height) {
    width = g_renderer ? g_renderer->screen_width() : 0;
    height = g_renderer ? g_renderer->screen_height() : 0;
}

// ---------------------------------------------------------------- sprites

void load_sprite(const std::string& path, int slot) { load_sprite_keyed(path, slot, KEY_COLOUR); }

void load_anim(const std::string& path, int slot, int frame_width, int frame_height) {
    // The frame size is set with the image, when it has a width.
    if (Renderer* r = renderer()) r->load(path, slot, KEY_COLOUR, frame_width, frame_height);
}

void load_sprite_keyed(const std::string& path, int slot, int key_colour) {
    if (Renderer* r = renderer()) r->load(path, slot, key_colour, 0, 0);
}

void sprite_from_rgba(int slot, int width, int height, const std::vector<uint8_t>& rgba) {
    Renderer* r = renderer();
    if (!r) return;
    DecodedImage image;
    image.width = width;
    image.height = height;
    if (width > 0 && height > 0 && rgba.size() == size_t(width) * size_t(height) * 4) image.rgba = rgba;
    r->install(slot, image, LOAD_MIN_TEXTURE);
}

int sprite_width(int slot) {
    const Slot* s = renderer() ? renderer()->slot(slot) : nullptr;
    return s ? s->image_width : 0;
}

int sprite_height(int slot) {
    const Slot* s = renderer() ? renderer()->slot(slot) : nullptr;
    return s ? s->image_height : 0;
}

void draw_sprite(int slot, int x, int y) {
    Renderer* r = renderer();
    const Slot* s = r ? r->slot(slot) : nullptr;
    if (s) r->draw_image_unscaled(slot, 0, 0, s->image_width, s->image_height, x, y);
}

void draw_anim_frame(int slot, int frame, int x, int y) {
    if (Renderer* r = renderer()) r->draw_frame(slot, frame, x, y, 0, 0, false);
}

void draw_anim_frame_stretched(int slot, int frame, int x, int y, int width, int height) {
    if (Renderer* r = renderer()) r->draw_frame(slot, frame, x, y, width, height, true);
}

void draw_sprite_part(int slot, double sx, double sy, double sw, double sh, double x, double y, double w, double h) {
    if (Renderer* r = renderer()) r->draw_image_part(slot, sx, sy, sw, sh, x, y, w, h, false);
}

void grab_sprite(int slot, int x, int y, int width, int height) {
    if (Renderer* r = renderer()) r->grab(slot, x, y, width, height);
}

int sprite_collision(int slot1, int x1, int y1, int slot2, int x2, int y2) {
    Renderer* r = renderer();
    return r ? r->collision(slot1, x1, y1, slot2, x2, y2) : 0;
}

// ---------------------------------------------------------------- shapes

void draw_rect(int x, int y, int width, int height, int colour) {
    if (Renderer* r = renderer()) r->rect(x, y, width, height, colour);
}

void draw_line(int x1, int y1, int x2, int y2, int colour) {
    if (Renderer* r = renderer()) r->line(x1, y1, x2, y2, colour);
}

void draw_pixel(int x, int y, int colour) {
    if (Renderer* r = renderer()) r->pixel(x, y, colour);
}

// ---------------------------------------------------------------- read-back

int get_pixel(int x, int y) {
    Renderer* r = renderer();
    return r ? r->get_pixel(x, y) : 0;
}

void read_pixels(int x, int y, int width, int height, std::vector<int>& out) {
    if (Renderer* r = renderer()) {
        r->read(x, y, width, height, out);
    } else {
        const bool sane = width > 0 && height > 0 && int64_t(width) * height <= IMAGE_MAX_PIXELS;
        out.assign(sane ? size_t(width) * size_t(height) : 0, 0);
    }
}

// ---------------------------------------------------------------- state

void set_viewport(int x, int y, int width, int height) {
    if (Renderer* r = renderer()) r->set_viewport(x, y, width, height);
}

void set_alpha_mode(double a) {
    if (Renderer* r = renderer()) r->set_alpha_mode(a);
}

// ---------------------------------------------------------------- polygons

void polygon_begin(int slot) {
    if (Renderer* r = renderer()) r->polygon_begin(slot);
}

void polygon_vertex(double x, double y, double tx, double ty, int colour) {
    if (Renderer* r = renderer()) r->polygon_vertex(x, y, tx, ty, colour);
}

void polygon_end() {
    if (Renderer* r = renderer()) r->polygon_end();
}

// ---------------------------------------------------------------- diagnostics

long gfx_draw_calls() { return g_renderer ? g_renderer->draw_calls() : 0; }

long gfx_frame_reads() { return g_renderer ? g_renderer->frame_reads() : 0; }

int gfx_window_pixel(int x, int y) { return g_renderer ? g_renderer->window_pixel(x, y) : 0; }

void renderer_keep_presented_frame(bool on) {
    if (g_renderer) g_renderer->keep_presented(on);
}

bool gfx_save_screenshot(const std::string& path) { return g_renderer && g_renderer->screenshot(path); }
