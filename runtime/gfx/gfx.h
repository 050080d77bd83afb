// Sprites and 2D drawing over the 1024 x 768 frame.
//
// Colours are packed R + 256 G + 65536 B. The key colour 0x8000FF is
// transparent in images without alpha, and a shape drawn in it carries alpha 0.
// Coordinates are pixels from the top-left of the current viewport.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int SPRITE_SLOTS = 65536;
constexpr int KEY_COLOUR = 0x8000FF;

// ---------------------------------------------------------------- sprites

// Empties the slot, then loads a BMP or PNG (through the graphics container).
void load_sprite(const std::string& path, int slot);

// load_sprite, then sets the frame size if the image loaded.
void load_anim(const std::string& path, int slot, int frame_width, int frame_height);

// Loads with a given key colour (fonts use black); key < 0 = no keying.
void load_sprite_keyed(const std::string& path, int slot, int key_colour);

// Installs an RGBA image (width x height, 4 bytes a pixel, top row first).
void sprite_from_rgba(int slot, int width, int height, const std::vector<uint8_t>& rgba);

// Image size of a slot (0 when empty).
int sprite_width(int slot);
int sprite_height(int slot);

// The whole image, unscaled, top-left at (x, y).
void draw_sprite(int slot, int x, int y);

// One animation frame, unscaled.
void draw_anim_frame(int slot, int frame, int x, int y);

// One animation frame stretched to width x height.
void draw_anim_frame_stretched(int slot, int frame, int x, int y, int width, int height);

// Draws a sub-rectangle of a slot's image scaled to a screen rectangle.
void draw_sprite_part(int slot, double sx, double sy, double sw, double sh,
                      double x, double y, double w, double h);

// Copies a screen rectangle of the back buffer into the slot.
void grab_sprite(int slot, int x, int y, int width, int height);

// 1 if the two sprites placed there share a pixel opaque in both, else 0.
int sprite_collision(int slot1, int x1, int y1, int slot2, int x2, int y2);

// ---------------------------------------------------------------- shapes

// Filled rectangle; a negative size extends back from (x, y).
void draw_rect(int x, int y, int width, int height, int colour);

// One-pixel line including both end points.
void draw_line(int x1, int y1, int x2, int y2, int colour);

// One pixel.
void draw_pixel(int x, int y, int colour);

// ---------------------------------------------------------------- read-back

// Packed colour of the back-buffer pixel at screen (x, y).
int get_pixel(int x, int y);

// Reads a screen rectangle once; out[y * width + x] holds packed colours
// (0 off the screen). Empty for an empty or absurdly large rectangle.
void read_pixels(int x, int y, int width, int height, std::vector<int>& out);

// ---------------------------------------------------------------- state

// Drawing area in screen pixels; width or height <= 0 selects the whole screen.
void set_viewport(int x, int y, int width, int height);

// 0 opaque; < 0 normal blend at opacity -a; > 0 additive at strength a.
void set_alpha_mode(double a);

// ---------------------------------------------------------------- polygons

// Starts a triangle fan textured with the slot (-1 = untextured).
void polygon_begin(int slot);

// Appends a vertex; tx, ty are image pixels; the colour multiplies the texture.
void polygon_vertex(double x, double y, double tx, double ty, int colour);

// Draws the fan (first vertex is the hub).
void polygon_end();
