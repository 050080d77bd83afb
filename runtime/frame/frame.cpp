// Program frame on SDL2 and OpenGL: start-up, show_screen with its pacing, the
// window's messages, the start-up log and the orderly end.
#include "runtime/frame/frame.h"
#include "runtime/frame/frame_testing.h"

#include "runtime/audio/audio.h"
#include "runtime/audio/audio_internal.h"
#include "runtime/files/files.h"
#include "runtime/gfx/renderer_internal.h"
#include "runtime/input/input.h"
#include "runtime/input/input_internal.h"
#include "runtime/process/process.h"
#include "runtime/process/startup_phase.h"
#include "runtime/text/text_internal.h"
#include "runtime/values/values.h"
#include "runtime/web/web.h"

#include <SDL.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------- constants

constexpr const char* PAUSE_CAPTION = " <pause>";

constexpr double UNLIMITED_INTERVAL_MS = 2.0;  // frame interval with no frame-rate limit
constexpr double PAUSE_SLEEP_MS = 100.0;       // pause loop's nap between message checks
#ifndef __EMSCRIPTEN__
// The browser's wait only yields; these shape the desktop's.
constexpr int SLEEP_THRESHOLD_MS = 5;          // sleep only when more than this is left
constexpr double SLEEP_MARGIN_MS = 3.0;        // wake this early and finish by polling
#endif
// A deferred image load is begun in spare time only when the renderer
// expects it to leave at least this much before the deadline.
constexpr double DEFERRED_LOAD_MARGIN_MS = 3.0;
#ifdef __EMSCRIPTEN__
// An animation frame this little before the deadline is taken: the
// display's frames are the clock in a browser, and the one after would
// show the frame a whole display frame late.
constexpr double WEB_EARLY_MS = 4.0;
#endif

// Set-1 scan codes of the end keys.
constexpr int SCAN_ESCAPE = 1;
constexpr int SCAN_ESCAPE_RELEASE = 129;
constexpr int SCAN_LEFT_ALT = 56;
constexpr int SCAN_F4 = 62;

constexpr int FALLBACK_WIDTH = 1024;  // window used when full screen is refused
constexpr int FALLBACK_HEIGHT = 768;

constexpr const char* SOFTWARE_GL_CAPTION = "!!OpenGL Software Emulation!!";
constexpr const char* SOFTWARE_GL_TEXT =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\n"
    "per HARDWARE unterst\xC3\xBCtzt!";
// Renderer names of software rasterisers.
constexpr const char* SOFTWARE_GL_NAMES[] = {"llvmpipe", "softpipe", "Software", "Mesa Windows GDI Driver"};

// ---------------------------------------------------------------- state

struct FrameState {
    RuntimeConfig config;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool running = false;       // between a successful start and program_end
    bool sdl_up = false;        // SDL video is initialised

    bool auto_pause = false;
    bool active = true;         // window focus as last seen
    bool paused = false;
    bool escape_allowed = true;

    double frame_now = 0;       // frame timestamps (ms)
    double frame_previous = 0;
    double timer_origin = 0;
    double deadline = 0;        // next frame deadline (ms)
    double interval = 1000.0 / 60.0;

    std::string title;
    std::string caption;
    std::string start_folder;   // made current at start and again at the end
    long frames = 0;
    long shown_frames = 0;      // frames shown by the program, not by start-up's "Loading..."
    bool program_started = false;  // main_program has been called
    bool presenting = false;       // show_screen is on its way to present

    FrameSpend spend;            // of the last show_screen

    std::function<double()> clock;
    std::function<void(double)> sleep;
    std::function<void()> frame_hook;
    std::function<void()> pump_hook;
};

FrameState state;
bool software_gl_warned = false;  // the warning box shows once per process
bool full_screen_refused = false; // tests: the display refuses full screen
bool hear_focus = false;          // focus changes count in automated runs too
bool window_without_alpha = false; // tests: no alpha asked of the window

// Steady clock in ms (the default clock source).
double system_clock_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

#ifdef __EMSCRIPTEN__
// A yield inside a frame. The browser may show and clear the canvas at any
// yield, so a frame being drawn into it continues offscreen.
void yield_mid_frame(double ms) {
    renderer_move_frame_offscreen();
    web_sleep_ms(ms);
}
#endif

// A frame begun after one of start-up's own frames was presented.
void start_up_frame_begun() {
#ifdef __EMSCRIPTEN__
    // The browser may not have shown the presented frame yet (see
    // pace_frame): drawing goes offscreen until the next present.
    if (!state.program_started) renderer_move_frame_offscreen();
#endif
}

void system_sleep_ms(double ms) {
#ifdef __EMSCRIPTEN__
    yield_mid_frame(ms);  // the browser's turn: a blocking sleep would freeze the page
#else
    if (ms > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
#endif
}

double clock_ms() { return state.clock ? state.clock() : system_clock_ms(); }

void sleep_ms(double ms) {
    if (state.sleep)
        state.sleep(ms);
    else
        system_sleep_ms(ms);
}

// The configuration alone decides: the game's entry sets it from
// WEDGEWISE_AUTOMATED, tests set it themselves.
bool automated_run() { return state.config.automated != 0; }

bool focus_counts() { return hear_focus || !automated_run(); }

bool page_decides_focus() {
#ifdef __EMSCRIPTEN__
    return true;
#else
    return false;
#endif
}

void (*leave_handler)() = nullptr;

void set_caption(const std::string& caption) {
    state.caption = caption;
    if (state.window) SDL_SetWindowTitle(state.window, caption.c_str());
}

// Focus change as the window procedure sees it: pause and caption follow
// unless debug is on; input always hears of it.
void focus_changed(bool active) {
    state.active = active;
    if (!state.config.debug && state.auto_pause) {
        state.paused = !active;
        set_caption(active ? state.title : state.title + PAUSE_CAPTION);
    }
    if (state.running) input_focus(active);
}

bool is_input_event(Uint32 type) {
    switch (type) {
        case SDL_KEYDOWN: case SDL_KEYUP: case SDL_TEXTINPUT:
        case SDL_MOUSEMOTION: case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: case SDL_MOUSEWHEEL:
        case SDL_FINGERDOWN: case SDL_FINGERUP: case SDL_FINGERMOTION:
            return true;
        default:
            return false;
    }
}

// The orderly end chosen by the player or the window (error code 0).
[[noreturn]] void end_by_user() {
    set_error_code(0);
    program_end();
}

// Present: the frame into the window (a copy unless drawn there), swap. The
// next frame is begun only after the wait: a browser shows the canvas while
// the program waits, and a frame begun then would show cleared.
void present_frame() {
    if (!state.running || !state.window) return;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(state.window, &width, &height);
    renderer_present(width, height);
    SDL_GL_SwapWindow(state.window);
}

// A new frame for the window as it is now: a resize while the program
// waited for the deadline decides where the frame is drawn.
void begin_frame() {
    int width = 0, height = 0;
    if (state.window) SDL_GL_GetDrawableSize(state.window, &width, &height);
    renderer_begin_frame(width, height);
}

// Waits for the frame deadline: mostly asleep (3 ms margin), then polling.
// Missed deadlines are skipped, never caught up.
void pace_frame() {
#ifdef __EMSCRIPTEN__
    // The frame's turn for the browser: the program waits for the browser's
    // animation frames, in which the canvas drawn so far is shown, until one
    // comes at the deadline or after it. Running ahead of what the browser
    // can show would only fill its queue of drawing work, which it then
    // empties in one long stall; the deadline keeps a faster display at the
    // game's rate. The next frame is drawn in the animation frame itself,
    // as the browser would have it. Deadlines are compared with the
    // animation frames' own times: when the program resumes varies with
    // what else the page did, and a deadline kept by that would now and
    // then let a display frame pass.
    double now = clock_ms();
    if (!state.program_started) {
        // Start-up's own frames (the first one and "Loading..."), whose
        // deadline has passed as on the desktop: the browser shows the
        // canvas at its next rendering, at the program's first yield.
        // Waiting here would only idle while the browser's GPU process does
        // its first-time work (a software rasteriser builds its code for
        // each new kind of drawing), work that goes on beside the program's
        // own loading. The next frame is drawn offscreen (see
        // start_up_frame_begun), so the canvas keeps this picture.
        state.deadline = std::max(state.deadline + state.interval, now);
        return;
    }
    // Spare time finishes deferred image loads, as on the desktop.
    while (state.deadline - now > DEFERRED_LOAD_MARGIN_MS &&
           renderer_finish_deferred_load(state.deadline - now - DEFERRED_LOAD_MARGIN_MS))
        now = clock_ms();
    do {
        now = web_wait_animation_frame();
    } while (state.deadline - now > WEB_EARLY_MS);
    runtime_pump_events();
#else
    double now = clock_ms();
    double last = now - 1;
    do {
        runtime_pump_events();
        now = clock_ms();
        const double left = state.deadline - now;
        // Spare time finishes deferred image loads, one at a time, so that
        // they are done before the game needs them and a draw never waits;
        // one that would not fit waits for a later frame or its first use.
        if (left > DEFERRED_LOAD_MARGIN_MS && renderer_finish_deferred_load(left - DEFERRED_LOAD_MARGIN_MS)) {
            last = now - 1;
            continue;
        }
        if (static_cast<long long>(left) > SLEEP_THRESHOLD_MS) {
            sleep_ms(left - SLEEP_MARGIN_MS);
        } else if (now == last) {
            // A clock that stands still between reads (an injected one that
            // moves only when slept on) cannot be polled past the deadline.
            if (left > 0) sleep_ms(left);
            now = std::max(clock_ms(), state.deadline);
            break;
        }
        // The last few milliseconds are polled, but the processor is offered
        // to other threads between polls: on two cores the GL driver's
        // rasteriser threads and other programs need it more than the clock.
        if (now != last && now <= state.deadline) std::this_thread::yield();
        last = now;
    } while (!(now > state.deadline));
#endif
    state.deadline += state.interval;
    while (state.deadline < now) state.deadline += state.interval;
}

// Creates the window and GL context; the colour request is relaxed only
// for alpha, which the window's own framebuffer does not need.
bool create_window() {
    const int flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    for (int alpha : {8, 0}) {
        if (alpha && window_without_alpha) continue;
        SDL_GL_ResetAttributes();
#ifdef __EMSCRIPTEN__
        // WebGL 2; the page is drawn over an opaque canvas.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        alpha = 0;
#else
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
#endif
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
#ifdef __EMSCRIPTEN__
        // Nothing is depth- or stencil-tested; a canvas with such buffers
        // has them cleared at every frame the browser shows.
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
#else
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
#endif
        if (state.config.anti_aliasing > 0) {
            SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
            SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, state.config.anti_aliasing);
        }
        state.window = SDL_CreateWindow(state.config.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, state.config.screen_width,
                                        state.config.screen_height, flags);
        if (state.window) break;
    }
    if (!state.window) {
        startup_log("No Window");
        return false;
    }
    state.context = SDL_GL_CreateContext(state.window);
    if (state.context && SDL_GL_MakeCurrent(state.window, state.context) != 0) {
        // A context that cannot be made current is replaced once.
        SDL_GL_DeleteContext(state.context);
        state.context = SDL_GL_CreateContext(state.window);
        if (state.context && SDL_GL_MakeCurrent(state.window, state.context) != 0) {
            SDL_GL_DeleteContext(state.context);
            state.context = nullptr;
        }
    }
    if (!state.context) {
        startup_log("No OpenGL");
        return false;
    }
#ifndef __EMSCRIPTEN__
    SDL_GL_SetSwapInterval(0);  // may fail (Xvfb); pacing is our own
#endif
    return true;
}

void warn_software_gl() {
    const char* name = renderer_gl_name();
    if (!name) return;
    bool software = false;
    for (const char* soft : SOFTWARE_GL_NAMES)
        if (std::strstr(name, soft)) software = true;
    if (!software) return;
    startup_log("OpenGL Software Emulation");
    if (software_gl_warned || automated_run()) return;
    software_gl_warned = true;
#ifdef __EMSCRIPTEN__
    // A message box would be the browser's alert(), which stops the page.
    web_notice(SOFTWARE_GL_CAPTION, SOFTWARE_GL_TEXT);
#else
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, SOFTWARE_GL_CAPTION, SOFTWARE_GL_TEXT,
                             state.window);
#endif
}

// Desktop full screen (never a mode switch); refused: a centred window.
void set_window_form() {
#ifdef __EMSCRIPTEN__
    // The page letterboxes the canvas and goes full screen on request.
    state.config.full_screen = 0;
#endif
    if (state.config.full_screen) {
        if (!full_screen_refused && SDL_SetWindowFullscreen(state.window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) {
            SDL_ShowWindow(state.window);
            SDL_RaiseWindow(state.window);
            return;
        }
        audio_beep();
        startup_log("No Fullscreen Mode available");
        state.config.full_screen = 0;
        SDL_SetWindowSize(state.window, FALLBACK_WIDTH, FALLBACK_HEIGHT);
    }
    SDL_SetWindowFullscreen(state.window, 0);
    SDL_SetWindowPosition(state.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowWindow(state.window);
    SDL_RaiseWindow(state.window);
}

// Releases the window, the context and SDL (also after a failed start).
void close_window() {
    if (state.context) SDL_GL_DeleteContext(state.context);
    state.context = nullptr;
    if (state.window) SDL_DestroyWindow(state.window);
    state.window = nullptr;
    if (state.sdl_up) SDL_Quit();
    state.sdl_up = false;
}

// Runs one shut-down step; a fault inside it must not stop the others.
template <typename Step>
void shutdown_step(Step step) {
    try {
        step();
    } catch (const ProgramEnded&) {
    }
}

// The program has no line tracking: the end log reports line 0.
constexpr long long NO_LINE = 0;

// program_end's shut-down: closes channels, stops music, releases everything
// and removes temporary files. Never started (a unit test of the value
// layer): nothing to release.
void shut_down() {
    if (!state.running && !state.sdl_up) return;
    if (state.config.debug) {
        startup_log("-End On Line");
        startup_log(std::to_string(static_cast<long long>(runtime_error_code())));
        startup_log(std::to_string(NO_LINE - 1));
        startup_log("0");  // current line
        startup_log("0");  // current module
    }
    shutdown_step([] { file_close_all(); });
    shutdown_step([] {
        // Temporary files are named relative to it; a failure leaves nothing to do.
        if (!state.start_folder.empty()) (void)!chdir(state.start_folder.c_str());
    });
    shutdown_step([] { music_stop(); });
    shutdown_step([] { renderer_destroy(); });
    shutdown_step([] { input_stop(); });
    shutdown_step([] { audio_stop(); });
    shutdown_step([] { media_containers_release(); });
    state.running = false;
    close_window();
}

}  // namespace

// ---------------------------------------------------------------- life cycle

bool runtime_start(const RuntimeConfig& config) {
    state.config = config;
    set_error_code(0);
    set_program_shutdown(shut_down);
    state.escape_allowed = true;
    state.paused = false;
    state.active = true;
    state.frames = 0;
    state.shown_frames = 0;
    state.program_started = false;
    state.title = config.title;
    state.caption.clear();
    state.interval = config.frame_rate > 0 ? 1000.0 / config.frame_rate : UNLIMITED_INTERVAL_MS;

    startup_profile_begin();
    startup_phase(StartupPhase::SdlGl);

    // 1-2: a fresh log; auto-pause on; the clock is chosen by frame_set_clock.
    startup_log_clear();
    state.auto_pause = true;

    // 3: window, GL context, renderer.
    startup_log("Init GFX");
#ifdef __EMSCRIPTEN__
    // The pacing yields once a frame; a second yield at the swap would only
    // give the browser a turn with nothing new to show.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        startup_log("No Video");
        return false;
    }
    state.sdl_up = true;
    if (!create_window()) {
        close_window();
        return false;
    }
    if (!renderer_create(config.screen_width, config.screen_height)) {
        startup_log("No Renderer");
        close_window();
        return false;
    }
    renderer_set_clock(clock_ms);
    warn_software_gl();
#ifdef __EMSCRIPTEN__
    renderer_keep_presented_frame(true);
    renderer_warm_up();
#endif
    state.deadline = clock_ms();

    startup_phase(StartupPhase::SoundInput);

    // 4-5: caption and random seed.
    set_caption(state.title);
    random_seed(static_cast<uint32_t>(static_cast<long long>(clock_ms())));

    // 6-7: the network facilities are not part of this program.
    startup_log("Init Network");
    startup_log("Init Input");
    startup_log("Init Sound");
    audio_start(timer_ms);

    // 8: window form, then input attached to it.
    startup_log("Init Window");
    set_window_form();
    input_start(state.window, config.mouse_captured != 0, config.screen_width, config.screen_height,
                runtime_pump_events);
    state.running = true;

    // 9: containers in the executable; its folder becomes current.
    media_containers_reset(program_path());
    state.start_folder = config.working_folder.empty() ? program_dir() : config.working_folder;
    if (chdir(state.start_folder.c_str()) != 0) startup_log("No Program Folder");

    // 10-12: a first presented frame, then "Loading..." and the fonts.
    startup_phase(StartupPhase::LoadingFrame);
    state.frame_now = state.frame_previous = clock_ms();
    present_frame();
    pace_frame();
    begin_frame();
    start_up_frame_begun();
    text_show_loading(config.screen_width, config.screen_height);
    show_screen();
    text_load_start_font();

    // 13: timers start here.
    state.paused = false;
    state.frame_now = state.frame_previous = clock_ms();
    state.timer_origin = clock_ms();

    // 16.
    startup_log("Init Finalized");
    return true;
}

namespace {

// Processor time of the whole process (every thread), ms.
double process_cpu_ms() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The start-up table on stderr, one line per phase that took any time:
// "wedgewise: phase <key> <wall ms> <cpu ms> <page faults>", after the
// moment recording began on the steady clock.
void print_startup_profile(const StartupProfile& profile, FILE* out) {
    std::fprintf(out, "wedgewise: profile began at %.3f\n", profile.began_ms);
    for (size_t i = 0; i < STARTUP_PHASES; ++i) {
        const StartupSpend& spend = profile.phases[i];
        if (spend.wall_ms <= 0 && spend.cpu_ms <= 0) continue;
        std::fprintf(out, "wedgewise: phase %s %.3f %.3f %ld\n", startup_phase_key(static_cast<StartupPhase>(i)),
                     spend.wall_ms, spend.cpu_ms, spend.page_faults);
    }
}

// The game's first frame is on the screen once it is swapped: that ends
// the start-up profile, and a run limited to a number of frames (start-up
// timing, smoke tests) reports the moment on the steady clock, which a
// parent process shares, the processor time spent by then and the phases.
void note_first_frame(double shown_at) {
    const std::optional<StartupProfile> profile = startup_profile_finish();
#ifdef __EMSCRIPTEN__
    // The browser's console (its log, not its errors) always has the table:
    // there the steady clock is the page's, counted from the page's start.
    if (profile) print_startup_profile(*profile, stdout);
    std::fflush(stdout);
#endif
    if (state.config.quit_after_frames <= 0) return;
    std::fprintf(stderr, "wedgewise: first frame shown at %.3f ms (steady clock), %.3f ms processor time\n",
                 shown_at, process_cpu_ms());
    if (profile) print_startup_profile(*profile, stderr);
    std::fflush(stderr);
}

// Counts the frames the program shows; a run limited to a number of frames
// ends after the last.
void count_shown_frame() {
    ++state.shown_frames;
    const bool limited = state.config.quit_after_frames > 0;
    if (limited && state.shown_frames >= state.config.quit_after_frames) end_by_user();
}

}  // namespace

int runtime_run(const RuntimeConfig& config, const std::function<void()>& main_program) {
    try {
        try {
            if (!runtime_start(config)) {
                std::fprintf(stderr, "wedgewise: no window could be opened (see %s)\n",
                             startup_log_path().c_str());
                program_end();
            }
            state.program_started = true;
            main_program();
            program_end();
        } catch (const std::bad_alloc&) {
            runtime_error(7, "out of memory");
        }
    } catch (const ProgramEnded&) {
    }
#ifdef __EMSCRIPTEN__
    web_program_ended(runtime_error_code());
#endif
    return 0;
}

void show_screen() {
    // 1: frame timestamps.
    state.frame_previous = state.frame_now;
    state.frame_now = clock_ms();

    // 2: frozen while the window is inactive; timers keep running.
    while (state.paused) {
        if (state.running) music_loop_check();
        runtime_pump_events();
        if (!state.paused) break;
        sleep_ms(PAUSE_SLEEP_MS);
    }

    // 3-4: input for the new frame and the end keys. No turn for the page
    // until the frame is presented: it is shown in a moment, and a browser
    // rendering the page now would first wait for its GPU process to finish
    // drawing it (the first frame, after start-up's loading, by several
    // hundred ms), then show it half drawn or copied aside.
    struct Presenting {
        Presenting() { state.presenting = true; }
        ~Presenting() { state.presenting = false; }   // also when an end key ends the program
    };
    {
        Presenting presenting;
        runtime_pump_events();
        if (state.running) {
            input_mark_frame();
            if (state.escape_allowed && (key_down(SCAN_ESCAPE) || key_down(SCAN_ESCAPE_RELEASE)))
                end_by_user();
            if (key_down(SCAN_LEFT_ALT) && key_down(SCAN_F4)) end_by_user();
            // 5.
            music_loop_check();
        }
        runtime_pump_events();
    }

    // 6-7: present, wait for the deadline; then a fresh frame and drawing state.
    // The split is timed on the steady clock: an injected clock must see
    // exactly the reads pacing makes.
    const double before_present = system_clock_ms();
    present_frame();
    ++state.frames;
    const double before_wait = system_clock_ms();
    const bool first_shown = state.program_started && state.shown_frames == 0;
    if (first_shown) note_first_frame(before_wait);
    pace_frame();
    state.spend = {before_wait - before_present, system_clock_ms() - before_wait};
    if (state.frame_hook) state.frame_hook();
    // Once the game is on the screen, what start-up left waiting begins: a
    // sound device opens, and a browser's page goes on with its own work.
    if (first_shown && state.running) {
        audio_open_waiting_device();
#ifdef __EMSCRIPTEN__
        web_first_frame_shown();
#endif
    }
    if (state.program_started) count_shown_frame();
    begin_frame();
    start_up_frame_begun();
}

double timer_ms() { return clock_ms() - state.timer_origin; }

void allow_escape(double on) { state.escape_allowed = on != 0; }

bool runtime_running() { return state.running; }

const RuntimeConfig& runtime_config() { return state.config; }

// ---------------------------------------------------------------- test seam

void frame_set_clock(std::function<double()> clock, std::function<void(double)> sleep) {
    state.clock = std::move(clock);
    state.sleep = std::move(sleep);
    state.deadline = clock_ms();
}

void frame_refuse_full_screen(bool refuse) { full_screen_refused = refuse; }

void frame_set_frame_hook(std::function<void()> hook) { state.frame_hook = std::move(hook); }

void frame_set_pump_hook(std::function<void()> hook) { state.pump_hook = std::move(hook); }

void frame_hear_focus(bool on) { hear_focus = on; }

void frame_window_without_alpha(bool on) { window_without_alpha = on; }

long frame_count() { return state.frames; }

FrameSpend frame_last_spend() { return state.spend; }

void frame_present_probe(int frames) {
    if (!state.running || !state.window) return;
    for (int i = 0; i < frames; ++i) {
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(state.window, &width, &height);
        renderer_present_probe(width, height);
        SDL_GL_SwapWindow(state.window);
    }
    begin_frame();
}

void runtime_pump_events() {
#ifdef __EMSCRIPTEN__
    // Not while the runtime starts: no input is read before the program
    // runs, and at a yield the browser renders the page, which waits for
    // its GPU process to catch up with everything drawn so far. Nor while
    // a frame is about to be presented (see show_screen).
    if (state.program_started && !state.presenting && web_yield_due()) yield_mid_frame(0);
#endif
    if (state.pump_hook) state.pump_hook();
    if (!state.sdl_up) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) end_by_user();
        if (event.type == SDL_WINDOWEVENT) {
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE: end_by_user();
                // Automated runs share one display between test programs that
                // take the focus from each other; there the focus is only
                // changed on purpose (runtime_set_window_active).
                // In the browser the page decides (wedgewise_focus): a tab
                // that comes back without the pointer it had captured stays
                // paused until a click captures it again.
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    if (focus_counts() && !page_decides_focus()) focus_changed(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    if (focus_counts() && !page_decides_focus()) focus_changed(false);
                    break;
                default: break;
            }
            continue;
        }
        if (state.running && is_input_event(event.type)) input_handle_event(event);
    }
}

bool runtime_window_active() { return state.active; }

void runtime_set_window_active(bool active) { focus_changed(active); }

void set_leave_handler(void (*store)()) { leave_handler = store; }

std::string runtime_caption() { return state.caption; }

void runtime_push_quit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

void runtime_push_window_close() {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = state.window ? SDL_GetWindowID(state.window) : 0;
    SDL_PushEvent(&event);
}

#ifdef __EMSCRIPTEN__
// Called by the page: losing the captured pointer pauses the game as losing
// the window's focus does on the desktop.
extern "C" EMSCRIPTEN_KEEPALIVE void wedgewise_focus(int active) {
    if (runtime_running()) focus_changed(active != 0);
}

// Called by the page when it is left (closed, reloaded or hidden): stores
// what QUIT stores. Runs between the program's turns; it only writes files.
extern "C" EMSCRIPTEN_KEEPALIVE void wedgewise_leave() {
    if (runtime_running() && leave_handler) leave_handler();
}

// Called by the page when another tab takes the game over: the program ends
// as when its window is closed (the page has stored the records first).
extern "C" EMSCRIPTEN_KEEPALIVE void wedgewise_end_here() {
    if (runtime_running()) runtime_push_quit();
}
#endif
