// Test stand-in for the rules' services: a scripted pointer whose hit tests
// use the nominal triangles of the cells and square store slots, recorded
// sounds and music, and tile pixels sampled from the nominal triangle.
#pragma once

#include <string>
#include <vector>

#include "game/puzzle/rules.h"
#include "game/puzzle/services.h"
#include "game/puzzle/state.h"

class FakeServices : public PuzzleServices {
public:
    double x = 0, y = 0, left = 0, right = 0;
    int wheel = 0;
    std::vector<int> sounds;
    std::vector<std::string> music;
    int wheel_reads = 0;
    int store_slot_size = 44;

    void read_mouse(double& mx, double& my, double& ml, double& mr) override {
        mx = x; my = y; ml = left; mr = right;
    }
    int read_wheel() override { ++wheel_reads; return wheel; }
    bool pointer_hits(int mask, double px, double py, int bx, int by) override {
        double lx = px - bx, ly = py - by;
        if (mask == SPRITE_STORE_TILE) return lx >= 0 && ly >= 0 && lx < store_slot_size && ly < store_slot_size;
        if (ly < 0 || ly > 58) return false;
        // Up: apex (29, 0), base y = 58. Down: base y = 0, apex (29, 58).
        double half = mask == SPRITE_UP_TILE ? ly / 2 : (58 - ly) / 2;
        return lx >= 29 - half && lx <= 29 + half;
    }
    void play_sound(int slot) override { sounds.push_back(slot); }
    void play_music(const std::string& name) override { music.push_back(name); }
    void tile_pixels(const std::string& code, std::vector<TilePixel>& out) override {
        out.clear();
        bool down = code_is_down(code);
        for (int px = 0; px <= 60; px += 3)
            for (int py = 0; py <= 60; py += 3) {
                if (py > 58) continue;
                double half = down ? (58 - py) / 2.0 : py / 2.0;
                if (px < 29 - half || px > 29 + half) continue;
                // Colour of the nearest corner, as a tile blends toward it.
                int dir = down ? (py < 29 ? (px < 29 ? 1 : 5) : 3) : (py < 29 ? 0 : (px < 29 ? 2 : 4));
                out.push_back({px, py, tile_colour_of(code.substr(static_cast<size_t>(dir), 1))});
            }
    }
    int count(int slot) const {
        int n = 0;
        for (int s : sounds) n += s == slot;
        return n;
    }

    // Pointer positions well inside a cell's triangle and a store slot.
    void point_at_cell(int cx, int cy) {
        x = cell_box_x(cx) + 29;
        y = cell_box_y(cy) + (cell_is_up(cx, cy) ? 40 : 18);
    }
    void point_at_slot(int n) {
        x = store_slot_x(n) + 20;
        y = store_slot_y(n) + 20;
    }
    void point_at_nothing() { x = 5; y = 760; }
};

// One pass of the parts of the frame loop the rules own, including the
// spin animation running back to 0 as the drawing does.
inline void rules_frame(bool tick_timer = false) {
    if (tick_timer) tick_tile_timer();
    update_pointer_targets();
    if (spin_angle == 0) {
        handle_play_input();
        if (level < 7) handle_recover_return();
    }
    if (spin_angle > 0) spin_angle -= 4;
    else if (spin_angle < 0) spin_angle += 4;
}

// Left click (press frame, release frame) at the current pointer.
inline void click(FakeServices& f) {
    f.left = 1;
    rules_frame();
    f.left = 0;
    rules_frame();
}

// Right click, then enough frames for the spin animation to finish.
inline void turn_clockwise(FakeServices& f) {
    f.right = 1;
    rules_frame();
    f.right = 0;
    for (int i = 0; i < 6; ++i) rules_frame();
}

inline void pick(FakeServices& f, int slot) { f.point_at_slot(slot); click(f); }
inline void drop(FakeServices& f, int cx, int cy) { f.point_at_cell(cx, cy); click(f); }
