// Runs pieces of the real program inside the runtime for the play tests:
// a private working folder, an unpaced clock, scripted input per frame and
// synthetic sprites whose pixels the tests know.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------- running

// Runs body inside runtime_run (windowed, automated, unpaced clock, working
// folder = a fresh temporary folder with the build's media linked in).
// Returns the frames presented. The body may end through program_quit;
// after (if given) runs once the runtime has ended, before the folder goes.
long run_in_runtime(const std::function<void()>& body, const std::function<void()>& after = nullptr);

// Whether the generated media are present next to the test program.
bool media_available();

// The temporary working folder of the current run ("" outside a run).
const std::string& run_folder();

// Milliseconds added to the unpaced clock (tests move time forward).
void advance_clock(double ms);

// ---------------------------------------------------------------- scripted input

// A queue of steps run from the frame hook: each frame the current step is
// called once; when it returns true the next step starts on the next frame.
class Script {
public:
    using Step = std::function<bool()>;
    Script& then(Step step);
    Script& wait_frames(int frames);
    Script& move_to(int x, int y);        // relative motion from the tracked pointer
    // Left button down / up; at (if given) receives the frame of the push.
    Script& press(long* at = nullptr);
    Script& release(long* at = nullptr);
    Script& right_click();                // right button down, then up
    Script& click() { return press().release(); }
    Script& call(std::function<void()> action);
    Script& until(std::function<bool()> condition);
    // Called every frame before the current step, whatever the step.
    Script& observe(std::function<void()> watcher);
    // Runs the current step; installed as the frame hook by attach().
    void tick();
    bool finished() const { return at_ >= steps_.size(); }
    // Installs tick as the frame hook.
    void attach();
private:
    std::vector<Step> steps_;
    std::vector<std::function<void()>> watchers_;
    size_t at_ = 0;
};

// Releases the left button once the game has pumped events this many times
// without presenting a frame (it is waiting for the release); 0 = never.
// Returns the pumps counted at the last automatic release.
void release_in_waits(int pumps);
int pumps_before_release();
// Called at every event pump of the run (also inside the game's waits).
// Pumps after the frame hook's last call and before the next present see
// the frame being built; the last of them sees it finished.
void watch_pumps(std::function<void()> watcher);
// Whether the script holds the left button down.
bool script_left_down();

// ---------------------------------------------------------------- synthetic sprites

// Writes a 24-bit BMP (colours 0xBBGGRR, top row first) and returns its path
// inside the run folder.
std::string write_bmp(const std::string& name, int width, int height, const std::vector<int>& pixels);

// An animation whose frames are stacked vertically (one frame per row).
void install_anim(int slot, int frame_width, int frame_height, const std::vector<std::vector<int>>& frames);

// A solid-colour sprite.
void install_solid(int slot, int width, int height, int colour);

// A triangle mask: opaque white inside the triangle (a, b, c), clear elsewhere.
void install_triangle(int slot, int width, int height, const int corners[6]);

// The masks and textures of cells and store slots: white triangles on the
// nominal corners of each shape (up cell, down cell, store slot).
void install_play_masks();

// ---------------------------------------------------------------- read-back

// Packed colour at (x, y) of the back buffer.
int pixel_at(int x, int y);
