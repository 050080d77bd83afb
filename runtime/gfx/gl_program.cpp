// The programmable drawing path (see gl_program.h): one interleaved vertex
// format (x, y, u, v, r, g, b, a as floats), one shader program, a streamed
// vertex buffer. Built where the renderer is compiled against it.
#if defined(__EMSCRIPTEN__) || defined(WEDGEWISE_GL_PROGRAMMABLE)

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>
#endif
#include <SDL.h>

#define WEDGEWISE_GL_PROGRAM_DECLARATIONS_ONLY
#include "runtime/gfx/gl_program.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Fixed-function names the programmable path takes over (GL 1.x values).
constexpr GLenum CAP_ALPHA_TEST = 0x0BC0;
constexpr GLenum CAP_TEXTURE_2D = 0x0DE1;
constexpr GLenum MATRIX_MODELVIEW = 0x1700;
constexpr GLenum MATRIX_PROJECTION = 0x1701;
constexpr GLenum FORMAT_ALPHA = 0x1906;
constexpr GLenum TEST_GREATER = 0x0204;

// Capabilities OpenGL ES 3.0 has; every other one belongs to the fixed
// pipeline (fog, lighting, smoothing, texture generation) and is left alone.
constexpr GLenum REAL_CAPS[] = {GL_BLEND,      GL_CULL_FACE,    GL_DEPTH_TEST,          GL_DITHER,
                                GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_STENCIL_TEST,
                                GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE};

constexpr GLuint ATTRIBUTE_POSITION = 0;
constexpr GLuint ATTRIBUTE_TEXTURE = 1;
constexpr GLuint ATTRIBUTE_COLOUR = 2;

// The one vertex format.
struct PackedVertex {
    float x, y, u, v, r, g, b, a;
};

const char* const VERTEX_SHADER = R"(
in vec2 position;
in vec2 texture_position;
in vec4 colour;
uniform mat4 projection;
out vec2 uv;
out vec4 tint;
void main() {
    uv = texture_position;
    tint = colour;
    gl_Position = projection * vec4(position, 0.0, 1.0);
}
)";

// Modulate: the vertex colour multiplies the texel. The alpha test passes
// fragments whose alpha is greater than the threshold. Each combination of
// texturing and the test is a program of its own, built when first drawn
// with: a software rasteriser runs every branch and discard for each pixel.
const char* const FRAGMENT_SHADER = R"(
uniform sampler2D picture;
uniform float alpha_threshold;
in vec2 uv;
in vec4 tint;
out vec4 fragment;
void main() {
    vec4 c = tint;
#if TEXTURED
    c *= texture(picture, uv);
#endif
#if ALPHA_TEST
    if (!(c.a > alpha_threshold)) discard;
#endif
    fragment = c;
}
)";

constexpr int VARIANT_TEXTURED = 1;
constexpr int VARIANT_ALPHA_TEST = 2;
constexpr int VARIANTS = 4;

const char* const VARIANT_DEFINES[VARIANTS] = {
    "#define TEXTURED 0\n#define ALPHA_TEST 0\n", "#define TEXTURED 1\n#define ALPHA_TEST 0\n",
    "#define TEXTURED 0\n#define ALPHA_TEST 1\n", "#define TEXTURED 1\n#define ALPHA_TEST 1\n"};

// GLSL ES 3.00 first (WebGL 2, or desktop GL with ES 3 compatibility),
// then desktop GLSL 3.30, which reads the same.
const char* const VERSIONS[] = {"#version 300 es\nprecision highp float;\n", "#version 330 core\n"};

using Matrix = std::array<float, 16>;

constexpr Matrix IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix out{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[size_t(k * 4 + row)] * b[size_t(column * 4 + k)];
            out[size_t(column * 4 + row)] = sum;
        }
    return out;
}

struct ArrayPointer {
    GLint size = 0;
    GLenum type = 0;
    GLsizei stride = 0;
    const uint8_t* pointer = nullptr;
};

// One program of the shader, with the uniforms it was last given.
struct Variant {
    bool tried = false;
    GLuint program = 0;
    GLint projection_at = -1, threshold_at = -1, picture_at = -1;
    long uniforms_seen = -1;   // the Shim's uniforms_version they match
};

struct Shim {
    SDL_GLContext context = nullptr;  // the context these objects belong to
    bool tried = false;
    bool ok = false;
    std::string version;              // the GLSL version line that builds
    std::array<Variant, VARIANTS> variants;
    GLuint current = 0;               // the program in use
    GLuint vertex_array = 0;
    GLuint buffer = 0;
    GLuint scratch_framebuffer = 0;

    bool texturing = false;
    bool alpha_test = false;
    float threshold = 0;
    GLenum test_function = TEST_GREATER;
    GLuint bound = 0;
    std::unordered_map<GLuint, std::pair<int, int>> sizes;  // level-0 size of each texture

    GLenum matrix_mode = MATRIX_MODELVIEW;
    Matrix projection = IDENTITY;
    Matrix modelview = IDENTITY;
    long uniforms_version = 0;        // counts changes of the matrices and threshold

    ArrayPointer vertices, texture, colours;
    std::vector<PackedVertex> packed;
};

Shim g_shim;

GLuint compile(GLenum kind, const char* version, const char* defines, const char* body) {
    const GLuint shader = glCreateShader(kind);
    const char* parts[] = {version, defines, body};
    glShaderSource(shader, 3, parts, nullptr);
    glCompileShader(shader);
    // Not asked whether it compiled: a shader that did not makes the link
    // fail, and in a browser each question waits for the GPU process.
    return shader;
}

GLuint link_program(const char* version, const char* defines) {
    const GLuint vs = compile(GL_VERTEX_SHADER, version, "", VERTEX_SHADER);
    const GLuint fs = vs ? compile(GL_FRAGMENT_SHADER, version, defines, FRAGMENT_SHADER) : 0;
    if (!fs) {
        if (vs) glDeleteShader(vs);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, ATTRIBUTE_POSITION, "position");
    glBindAttribLocation(program, ATTRIBUTE_TEXTURE, "texture_position");
    glBindAttribLocation(program, ATTRIBUTE_COLOUR, "colour");
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

// The objects of the current context; a new context (the renderer made
// again) starts from nothing, since names of the old one mean nothing here.
Shim& shim() {
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    if (current != g_shim.context) {
        g_shim = Shim{};
        g_shim.context = current;
    }
    return g_shim;
}

// The program of one variant, built on first use; null if it cannot be
// (said once).
Variant* variant(Shim& s, int which, bool report = true) {
    Variant& v = s.variants[size_t(which)];
    if (!v.tried) {
        v.tried = true;
        v.program = link_program(s.version.c_str(), VARIANT_DEFINES[which]);
        if (!v.program) {
            if (report) std::fprintf(stderr, "wedgewise: the drawing shader could not be built\n");
            return nullptr;
        }
        v.projection_at = glGetUniformLocation(v.program, "projection");
        v.threshold_at = glGetUniformLocation(v.program, "alpha_threshold");
        v.picture_at = glGetUniformLocation(v.program, "picture");
        glUseProgram(v.program);
        s.current = v.program;
        if (v.picture_at >= 0) glUniform1i(v.picture_at, 0);
    }
    return v.program ? &v : nullptr;
}

// The shared objects, and the GLSL version the context builds (found with
// the program sprites are drawn with).
bool ready(Shim& s) {
    if (s.tried) return s.ok;
    s.tried = true;
    if (!s.context) return false;
    const int first = VARIANT_TEXTURED | VARIANT_ALPHA_TEST;
    bool built = false;
    for (const char* version : VERSIONS) {
        s.version = version;
        s.variants[first] = Variant{};
        built = variant(s, first, false) != nullptr;
        if (built) break;
    }
    if (!built) {
        std::fprintf(stderr, "wedgewise: the drawing shader could not be built\n");
        return false;
    }
    glGenVertexArrays(1, &s.vertex_array);
    glGenBuffers(1, &s.buffer);
    glBindVertexArray(s.vertex_array);
    glBindBuffer(GL_ARRAY_BUFFER, s.buffer);
    const GLsizei stride = sizeof(PackedVertex);
    glEnableVertexAttribArray(ATTRIBUTE_POSITION);
    glEnableVertexAttribArray(ATTRIBUTE_TEXTURE);
    glEnableVertexAttribArray(ATTRIBUTE_COLOUR);
    glVertexAttribPointer(ATTRIBUTE_POSITION, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(PackedVertex, x)));
    glVertexAttribPointer(ATTRIBUTE_TEXTURE, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(PackedVertex, u)));
    glVertexAttribPointer(ATTRIBUTE_COLOUR, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(PackedVertex, r)));
    glActiveTexture(GL_TEXTURE0);
    s.ok = true;
    return true;
}

bool is_real_cap(GLenum cap) {
    for (GLenum real : REAL_CAPS)
        if (real == cap) return true;
    return false;
}

Matrix& current_matrix(Shim& s) { return s.matrix_mode == MATRIX_PROJECTION ? s.projection : s.modelview; }

// Element i of an array given by a fixed-function pointer, as floats.
void read_floats(const ArrayPointer& a, GLint i, float* out, int wanted, float fill) {
    for (int k = 0; k < wanted; ++k) out[k] = (k == 3) ? 1.0f : fill;
    if (!a.pointer || a.type != GL_FLOAT) return;
    const GLsizei stride = a.stride ? a.stride : GLsizei(a.size * sizeof(float));
    const float* p = reinterpret_cast<const float*>(a.pointer + size_t(i) * size_t(stride));
    for (int k = 0; k < wanted && k < a.size; ++k) out[k] = p[k];
}

// The arrays as one packed block: the renderer's own layout is taken as it
// is; any other layout is copied element by element.
const void* packed_vertices(Shim& s, GLint first, GLsizei count) {
    const GLsizei stride = sizeof(PackedVertex);
    const uint8_t* base = s.vertices.pointer;
    const bool interleaved = base && s.vertices.stride == stride && s.texture.stride == stride &&
                             s.colours.stride == stride && s.vertices.size == 2 && s.texture.size == 2 &&
                             s.colours.size == 4 && s.vertices.type == GL_FLOAT &&
                             s.texture.type == GL_FLOAT && s.colours.type == GL_FLOAT &&
                             s.texture.pointer == base + offsetof(PackedVertex, u) &&
                             s.colours.pointer == base + offsetof(PackedVertex, r);
    if (interleaved) return base + size_t(first) * size_t(stride);
    s.packed.resize(size_t(count));
    for (GLsizei i = 0; i < count; ++i) {
        PackedVertex& v = s.packed[size_t(i)];
        float position[2], uv[2], colour[4];
        read_floats(s.vertices, first + i, position, 2, 0.0f);
        read_floats(s.texture, first + i, uv, 2, 0.0f);
        read_floats(s.colours, first + i, colour, 4, 1.0f);
        v = {position[0], position[1], uv[0], uv[1], colour[0], colour[1], colour[2], colour[3]};
    }
    return s.packed.data();
}

}  // namespace

// ---------------------------------------------------------------- state

void pgl_enable(GLenum cap) {
    Shim& s = shim();
    if (cap == CAP_TEXTURE_2D) {
        s.texturing = true;
    } else if (cap == CAP_ALPHA_TEST) {
        s.alpha_test = true;
    } else if (is_real_cap(cap)) {
        glEnable(cap);
    }
    // Texturing and the test choose the program at the next draw.
}

void pgl_disable(GLenum cap) {
    Shim& s = shim();
    if (cap == CAP_TEXTURE_2D) {
        s.texturing = false;
    } else if (cap == CAP_ALPHA_TEST) {
        s.alpha_test = false;
    } else if (is_real_cap(cap)) {
        glDisable(cap);
    }
    // Texturing and the test choose the program at the next draw.
}

void pgl_enable_client_state(GLenum) {
    // The vertex format always carries position, texture and colour.
}

void pgl_vertex_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    shim().vertices = {size, type, stride, static_cast<const uint8_t*>(pointer)};
}

void pgl_tex_coord_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    shim().texture = {size, type, stride, static_cast<const uint8_t*>(pointer)};
}

void pgl_color_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    shim().colours = {size, type, stride, static_cast<const uint8_t*>(pointer)};
}

void pgl_matrix_mode(GLenum mode) { shim().matrix_mode = mode; }

void pgl_load_identity() {
    Shim& s = shim();
    current_matrix(s) = IDENTITY;
    ++s.uniforms_version;
}

void pgl_ortho(double left, double right, double bottom, double top, double near_z, double far_z) {
    Shim& s = shim();
    Matrix m = IDENTITY;
    m[0] = float(2.0 / (right - left));
    m[5] = float(2.0 / (top - bottom));
    m[10] = float(-2.0 / (far_z - near_z));
    m[12] = float(-(right + left) / (right - left));
    m[13] = float(-(top + bottom) / (top - bottom));
    m[14] = float(-(far_z + near_z) / (far_z - near_z));
    current_matrix(s) = multiply(current_matrix(s), m);
    ++s.uniforms_version;
}

void pgl_alpha_func(GLenum func, GLfloat ref) {
    Shim& s = shim();
    // The renderer only ever asks for "greater than".
    s.test_function = func;
    s.threshold = ref;
    ++s.uniforms_version;
}

void pgl_shade_model(GLenum) {
    // Colours are always interpolated, as with GL_SMOOTH.
}

void pgl_hint(GLenum, GLenum) {
    // The renderer's hints are all fixed-pipeline ones.
}

void pgl_tex_envi(GLenum, GLenum, GLint) {
    // The shader always modulates.
}

// ---------------------------------------------------------------- textures

void pgl_bind_texture(GLenum target, GLuint texture) {
    Shim& s = shim();
    if (target == GL_TEXTURE_2D) s.bound = texture;
    glBindTexture(target, texture);
}

void pgl_tex_image_2d(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
                      GLint border, GLenum format, GLenum type, const void* pixels) {
    Shim& s = shim();
    if (target == GL_TEXTURE_2D && level == 0) s.sizes[s.bound] = {width, height};
    glTexImage2D(target, level, internal_format, width, height, border, format, type, pixels);
}

void pgl_delete_textures(GLsizei n, const GLuint* textures) {
    Shim& s = shim();
    for (GLsizei i = 0; i < n; ++i) {
        s.sizes.erase(textures[i]);
        if (textures[i] == s.bound) s.bound = 0;
    }
    glDeleteTextures(n, textures);
}

void pgl_get_tex_image(GLenum target, GLint level, GLenum format, GLenum type, void* pixels) {
    Shim& s = shim();
    const auto found = s.sizes.find(s.bound);
    if (target != GL_TEXTURE_2D || level != 0 || type != GL_UNSIGNED_BYTE || found == s.sizes.end() ||
        !ready(s)) {
        return;
    }
    const int width = found->second.first, height = found->second.second;
    // The texture is read through a framebuffer of its own; the frame's
    // read binding is put back afterwards.
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    if (!s.scratch_framebuffer) glGenFramebuffers(1, &s.scratch_framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, s.scratch_framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.bound, 0);
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4, 0);
    if (glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(previous));
    uint8_t* out = static_cast<uint8_t*>(pixels);
    if (format == FORMAT_ALPHA) {
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i) out[i] = rgba[i * 4 + 3];
    } else {
        std::memcpy(out, rgba.data(), rgba.size());
    }
}

// ---------------------------------------------------------------- drawing

void pgl_draw_arrays(GLenum mode, GLint first, GLsizei count) {
    Shim& s = shim();
    if (count <= 0 || !ready(s)) return;
    // Texturing needs a texture: the default one would sample as black.
    const bool textured = s.texturing && s.bound != 0;
    const bool tested = s.alpha_test && s.test_function == TEST_GREATER;
    Variant* v = variant(s, (textured ? VARIANT_TEXTURED : 0) | (tested ? VARIANT_ALPHA_TEST : 0));
    if (!v) return;
    const void* data = packed_vertices(s, first, count);
    if (s.current != v->program) {
        glUseProgram(v->program);
        s.current = v->program;
    }
    glBindVertexArray(s.vertex_array);
    glBindBuffer(GL_ARRAY_BUFFER, s.buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(count) * sizeof(PackedVertex)), data, GL_STREAM_DRAW);
    if (v->uniforms_seen != s.uniforms_version) {
        const Matrix combined = multiply(s.projection, s.modelview);
        glUniformMatrix4fv(v->projection_at, 1, GL_FALSE, combined.data());
        if (v->threshold_at >= 0) glUniform1f(v->threshold_at, s.threshold);
        v->uniforms_seen = s.uniforms_version;
    }
    glDrawArrays(mode, 0, count);
}

bool pgl_program_ok() { return g_shim.ok; }

#endif
