// Program frame: start-up, the per-frame present and pacing, the orderly end.
//
// Every screen of the game is a loop that draws a whole frame and calls
// show_screen(); show_screen is the only place that presents, paces to the
// frame rate and drains the window's messages. program_end() never returns:
// it shuts everything down and unwinds to runtime_run(), which returns 0.
#pragma once

#include <functional>
#include <string>

// ---------------------------------------------------------------- configuration

struct RuntimeConfig {
    int screen_width = 1024;
    int screen_height = 768;
    int full_screen = 1;        // desktop full screen; 0 = a captioned window
    int frame_rate = 60;        // frames per second; <= 0 = no limit
    int anti_aliasing = 0;
    int mouse_captured = 1;     // relative mouse, system pointer hidden
    int debug = 0;              // verbose end log and no auto-pause
    int automated = 0;          // tests and CI: no dialog, no pause from stolen focus
    std::string working_folder; // tests: the folder made current instead of the program's
    long quit_after_frames = 0;  // > 0: the program ends after main_program has shown this
                                 // many frames, and reports on stderr when it showed its first
    std::string title = "Wedgewise";
    std::string command_line;
};

// Thrown by program_end() to unwind to runtime_run(); never caught elsewhere.
struct ProgramEnded {};

// ---------------------------------------------------------------- life cycle

// Starts the runtime (log, window, GL, input, sound, containers, "Loading...").
// Returns false when no window could be made; the rest of start-up is skipped.
bool runtime_start(const RuntimeConfig& config);

// runtime_start, then main_program, catching the unwind of program_end().
// Returns the process exit code, always 0.
int runtime_run(const RuntimeConfig& config, const std::function<void()>& main_program);

// Presents the frame, paces to the next deadline, handles window messages,
// focus pause, Escape and Alt+F4, polls input and restarts looping music.
void show_screen();

// Orderly end: closes channels, stops music, releases everything, removes
// temporary files, then unwinds to runtime_run() (exit code 0).
[[noreturn]] void program_end();

// program_end() with error code 0: the player chose to quit.
[[noreturn]] void program_quit();

// Stores a run-time error code (and what failed, for the log and stderr).
double set_error_code(double code, const std::string& what = std::string());

// [[noreturn]] shorthand: set_error_code then program_end.
[[noreturn]] void runtime_error(int code, const std::string& what);

// The error code stored last (0 = orderly end).
double runtime_error_code();

// Milliseconds since the end of start-up.
double timer_ms();

// Whether Escape ends the program inside show_screen (on at start).
void allow_escape(double on);

// True between runtime_start and program_end.
bool runtime_running();

// The configuration runtime_start was given.
const RuntimeConfig& runtime_config();

// ---------------------------------------------------------------- paths and log

// The user's private temporary folder (TMPDIR, XDG_RUNTIME_DIR, else
// /tmp/wedgewise-UID made 0700); always ends with "/".
std::string user_temp_dir();

// The folder of the running executable, ending with "/".
std::string program_dir();

// The running executable's own path.
std::string program_path();

// Appends one line (CR LF) to ErrorLog.txt in the user's temporary folder.
void startup_log(const std::string& line);

// Opens a file for writing without following a symbolic link at its name
// (O_NOFOLLOW, mode 0600); returns a POSIX descriptor or -1.
int create_private_file(const std::string& path, bool append);

// ---------------------------------------------------------------- start-up profile

// Where the time from runtime_start to the first frame of the game goes.
// Time is charged to the innermost open phase: a StartupScope opens one
// inside whatever runs (decoding inside media loading, say), and
// startup_phase moves the outer sequence on. Recording stops at the first
// frame the game shows; a run limited with quit_after_frames prints the
// table on stderr then ("wedgewise: phase <key> <wall ms> <cpu ms> <page faults>").
enum class StartupPhase {
    SdlGl,             // SDL video, window, GL context, renderer
    SoundInput,        // mixer, input, window shown, containers
    LoadingFrame,      // the first frames and "Loading..."
    ContainerReading,  // media lookups, container entries, loose files read
    PngDecoding,
    AtlasBuilding,     // copies of small sprites into shared pages
    TextureUpload,     // textures made and filled
    StateCompilation,  // first draw in each GL state (the driver builds its shaders)
    SoundLoading,
    MusicStart,
    LoadMedia,         // the rest of the game's media loading
    Settings,          // high scores and settings
    MeasureGlyphs,
    FirstFrame,        // the intro's first frame
    Count
};

// A short key and a label for each phase, in the enum's order.
const char* startup_phase_key(StartupPhase phase);
const char* startup_phase_label(StartupPhase phase);

// Moves the outer sequence on to the phase (scopes stay open).
void startup_phase(StartupPhase phase);

// Charges the time until it ends to its phase, inside the current one.
class StartupScope {
public:
    explicit StartupScope(StartupPhase phase);
    ~StartupScope();
    StartupScope(const StartupScope&) = delete;
    StartupScope& operator=(const StartupScope&) = delete;
private:
    unsigned generation_;   // the recording it belongs to; 0 = not recording
};

// Whether phases are still being recorded (until the first frame).
bool startup_recording();

// ---------------------------------------------------------------- test seam

// Replaces the clock and the sleep used by pacing (ms); nullptr restores them.
void frame_set_clock(std::function<double()> clock, std::function<void(double)> sleep);

// Called once per show_screen, after presenting (tests script input here).
void frame_set_frame_hook(std::function<void()> hook);

// Called by every event pump, also inside the game's wait loops (tests).
void frame_set_pump_hook(std::function<void()> hook);

// Frames presented since start-up.
long frame_count();

// How the last show_screen spent its time (ms, on the steady clock):
// presenting (pending drawing, the copy to the window, the swap, the next
// frame's clear) and then waiting for the deadline.
struct FrameSpend {
    double present_ms = 0;
    double wait_ms = 0;
};
FrameSpend frame_last_spend();

// Benchmarks: shows `frames` frames by the shortest path there is (clear the
// offscreen frame, copy it to the window, swap), without pacing, input or
// anything else show_screen does; what show_screen costs beyond this is its own.
void frame_present_probe(int frames);

// Drains pending window and input events (show_screen and input reads use it).
void runtime_pump_events();

// Window focus as the frame sees it; tests may force a focus change.
bool runtime_window_active();
void runtime_set_window_active(bool active);

// The window caption currently shown.
std::string runtime_caption();

// Push a quit request or a window close into SDL's queue (tests); the next
// event pump ends the program as the window system would.
void runtime_push_quit();
void runtime_push_window_close();
