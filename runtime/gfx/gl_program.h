// The programmable drawing path: the fixed-function calls the renderer makes
// (client arrays, the orthographic projection, the alpha test, texture
// enable and modulate, reading a texture back) carried out over OpenGL ES 3.0
// / WebGL 2 with one vertex format and one shader program.
//
// The shader takes the texture, the vertex colour, the alpha-test threshold;
// blending is GL's own (glBlendFunc). Names below replace the fixed-function
// ones in the renderer's translation unit only.
#pragma once

#ifndef WEDGEWISE_GL_PROGRAM_DECLARATIONS_ONLY
#include <SDL.h>
#include <SDL_opengl.h>
#endif

// ---------------------------------------------------------------- replacements

void pgl_enable(GLenum cap);
void pgl_disable(GLenum cap);
void pgl_enable_client_state(GLenum array);
void pgl_vertex_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void pgl_tex_coord_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void pgl_color_pointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void pgl_draw_arrays(GLenum mode, GLint first, GLsizei count);
void pgl_matrix_mode(GLenum mode);
void pgl_load_identity();
void pgl_ortho(double left, double right, double bottom, double top, double near_z, double far_z);
void pgl_alpha_func(GLenum func, GLfloat ref);
void pgl_shade_model(GLenum mode);
void pgl_hint(GLenum target, GLenum mode);
void pgl_tex_envi(GLenum target, GLenum name, GLint value);
void pgl_bind_texture(GLenum target, GLuint texture);
void pgl_tex_image_2d(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
                      GLint border, GLenum format, GLenum type, const void* pixels);
void pgl_delete_textures(GLsizei n, const GLuint* textures);
// Reads the bound texture (GL_RGBA, or GL_ALPHA for its alpha alone).
void pgl_get_tex_image(GLenum target, GLint level, GLenum format, GLenum type, void* pixels);

// ---------------------------------------------------------------- diagnostics

// False once the shader program failed to build (nothing is drawn then).
bool pgl_program_ok();

#ifndef WEDGEWISE_GL_PROGRAM_DECLARATIONS_ONLY
#define glEnable pgl_enable
#define glDisable pgl_disable
#define glEnableClientState pgl_enable_client_state
#define glVertexPointer pgl_vertex_pointer
#define glTexCoordPointer pgl_tex_coord_pointer
#define glColorPointer pgl_color_pointer
#define glDrawArrays pgl_draw_arrays
#define glMatrixMode pgl_matrix_mode
#define glLoadIdentity pgl_load_identity
#define glOrtho pgl_ortho
#define glAlphaFunc pgl_alpha_func
#define glShadeModel pgl_shade_model
#define glHint pgl_hint
#define glTexEnvi pgl_tex_envi
#define glBindTexture pgl_bind_texture
#define glTexImage2D pgl_tex_image_2d
#define glDeleteTextures pgl_delete_textures
#define glGetTexImage pgl_get_tex_image
#endif
