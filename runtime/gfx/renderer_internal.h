// Between the frame and the renderer only: the frame owns the window and the
// GL context, the renderer owns everything drawn into the offscreen frame.
#pragma once

#include <functional>
#include <limits>

// Creates the offscreen frame (FBO) and the sprite table; GL must be current.
bool renderer_create(int screen_width, int screen_height);

// Flushes pending drawing and, unless the frame was drawn straight into the
// window, copies it letterboxed into the window's default framebuffer of the
// given drawable size (the frame then swaps).
void renderer_present(int drawable_width, int drawable_height);

// Starts a new frame, cleared when it is first drawn into, read or
// presented, and resets the drawing state. The window's drawable size as it
// is now decides where the frame is drawn: straight into the window only
// when that is exactly the screen's size (0 x 0: unknown, offscreen).
void renderer_begin_frame(int drawable_width, int drawable_height);

// A frame being drawn straight into the window continues offscreen, with
// what it has drawn so far; the frame calls it before yielding mid-frame.
void renderer_move_frame_offscreen();

// Draws once in each kind of drawing the first frames use, where no frame
// shows it, if nothing has been drawn in the current frame yet. A browser's
// software GPU builds its code for each kind at the first draw in it: so it
// does that while the program loads, not while the first frame waits.
void renderer_warm_up();

// On: the window keeps a copy of the last presented frame and shows it
// again when a frame moves offscreen midway (a browser shows the canvas at
// every yield; a wait that presents nothing must show the last frame).
void renderer_keep_presented_frame(bool on);

// The least a frame can do (benchmarks): clear the offscreen frame and copy
// it into the window as renderer_present would; the frame then swaps.
void renderer_present_probe(int drawable_width, int drawable_height);

// Finishes the oldest image load still deferred (decode and upload) that is
// expected to take at most budget_ms, as the sizes and times of the loads
// finished so far tell; false when none does. The frame calls it with the
// time it has to spare before a deadline.
bool renderer_finish_deferred_load(double budget_ms = std::numeric_limits<double>::infinity());

// The clock (ms) image loads are timed on; the frame hands down its own.
void renderer_set_clock(std::function<double()> clock);

// Deletes every texture, the FBO and the sprite table.
void renderer_destroy();

// True once renderer_create succeeded and until renderer_destroy.
bool renderer_ready();

// The GL renderer string (to detect software rasterisers).
const char* renderer_gl_name();

// The frame's size in pixels (0 x 0 before renderer_create).
void renderer_screen_size(int& width, int& height);
