// The renderer's seams for tests, benchmarks and the screenshot tool:
// counters, a screenshot, and the reference path without the fast ones.
// Included by tests and tools only; the game sees gfx.h.
#pragma once

#include <string>

// ---------------------------------------------------------------- diagnostics

// Draw calls issued to GL since start (batches), for benchmarks.
long gfx_draw_calls();

// Reads of the frame GL was asked for since start (each waits for the GPU
// in a browser).
long gfx_frame_reads();

// The colour (as get_pixel gives it) of the window's own pixel at (x, y) of a window of
// the screen's size: what it shows, whether or not the frame is drawn there.
int gfx_window_pixel(int x, int y);

// Writes the back buffer to a PNG file (screenshots); true on success.
bool gfx_save_screenshot(const std::string& path);

// Tests: false draws every primitive on its own from the sprite's own texture
// (no runs, atlas or skipped blocks), the reference the fast paths must match.
void renderer_set_fast_paths(bool on);

// Tests: false decodes and uploads every image as it is loaded, the
// reference that deferred loading must match (on by default).
void renderer_set_deferred_loading(bool on);

// Tests: true answers reads from the frame's record where it knows the
// pixels (the browser's way; images loaded afterwards keep the copies it
// needs), false asks GL every time (the desktop's way).
void renderer_set_model_reads(bool on);

// Tests: image loads still waiting to be decoded.
int renderer_deferred_loads();
