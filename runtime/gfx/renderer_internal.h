// Between the frame and the renderer only: the frame owns the window and the
// GL context, the renderer owns everything drawn into the offscreen frame.
#pragma once

// Creates the offscreen frame (FBO) and the sprite table; GL must be current.
bool renderer_create(int screen_width, int screen_height);

// Flushes pending drawing and copies the frame letterboxed into the window's
// default framebuffer of the given drawable size (the frame then swaps).
void renderer_present(int drawable_width, int drawable_height);

// Clears the offscreen frame and resets the drawing state for a new frame.
void renderer_begin_frame();

// Deletes every texture, the FBO and the sprite table.
void renderer_destroy();

// True once renderer_create succeeded and until renderer_destroy.
bool renderer_ready();

// The GL renderer string (to detect software rasterisers).
const char* renderer_gl_name();

// The frame's size in pixels (0 x 0 before renderer_create).
void renderer_screen_size(int& width, int& height);
