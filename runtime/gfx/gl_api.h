// The GL the renderer is written against, chosen when the runtime is built:
// the fixed-function pipeline of OpenGL 1.x (the desktop default), or the
// programmable path of gl_program.h (WebGL 2 in the browser; on the desktop
// with WEDGEWISE_GL_PROGRAMMABLE), which takes the same calls.
#pragma once

#if defined(__EMSCRIPTEN__) || defined(WEDGEWISE_GL_PROGRAMMABLE)
#include "runtime/gfx/gl_program.h"
#else
#include <SDL.h>
#include <SDL_opengl.h>
#endif
