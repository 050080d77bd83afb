// Where the time from runtime_start to the first frame of the game goes.
// Time is charged to the innermost open phase: a StartupScope opens one
// inside whatever runs (decoding inside media loading, say), and
// startup_phase moves the outer sequence on. It sits at the floor so that
// every module that does start-up work (gfx, audio, text, the game) can
// charge its phase without reaching up into the frame, which starts and
// ends the recording and prints the table.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

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

constexpr size_t STARTUP_PHASES = static_cast<size_t>(StartupPhase::Count);

// What one phase took: wall and processor time (ms) and the pages the
// process touched for the first time meanwhile.
struct StartupSpend {
    double wall_ms = 0;
    double cpu_ms = 0;
    long page_faults = 0;
};

// One finished recording; began_ms is its start on the steady clock.
struct StartupProfile {
    double began_ms = 0;
    std::array<StartupSpend, STARTUP_PHASES> phases {};
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

// Whether phases are being recorded.
bool startup_recording();

// Starts recording (the frame, at runtime_start); earlier figures are dropped.
void startup_profile_begin();

// Stops recording and returns its figures; nothing when none was running.
std::optional<StartupProfile> startup_profile_finish();
