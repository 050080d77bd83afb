// The start-up profile: wall and processor time charged to the innermost
// open phase, from runtime_start to the game's first frame.
#include "runtime/process/startup_phase.h"

#include <chrono>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr size_t PHASES = STARTUP_PHASES;

struct PhaseName {
    const char* key;
    const char* label;
};

constexpr std::array<PhaseName, PHASES> NAMES = {{
    {"sdl_gl", "SDL, window, GL context"},
    {"sound_input", "sound, input, window shown"},
    {"loading_frame", "first frames and \"Loading...\""},
    {"containers", "media lookup and reading"},
    {"png", "PNG decoding"},
    {"atlas", "atlas and block maps"},
    {"upload", "texture upload"},
    {"compile", "first draw per GL state (shaders)"},
    {"sounds", "sound loading"},
    {"music", "music start"},
    {"load_media", "rest of load_media"},
    {"settings", "high scores and settings"},
    {"glyphs", "measure_glyphs"},
    {"first_frame", "intro's first frame"},
}};

struct Moment {
    double wall = 0;
    double cpu = 0;
    long faults = 0;   // pages the process touched for the first time
};

Moment now() {
    using namespace std::chrono;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {duration<double, std::milli>(steady_clock::now().time_since_epoch()).count(),
            (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0,
            usage.ru_minflt + usage.ru_majflt};
}

struct Profile {
    bool recording = false;
    unsigned generation = 0;          // a new recording closes older scopes
    double began = 0;
    Moment last;
    StartupPhase outer = StartupPhase::SdlGl;
    std::vector<StartupPhase> open;   // innermost last
    std::array<Moment, PHASES> spent{};

    StartupPhase current() const { return open.empty() ? outer : open.back(); }
    // Charges the time since the last switch to the phase running until now.
    void charge() {
        const Moment m = now();
        Moment& total = spent[static_cast<size_t>(current())];
        total.wall += m.wall - last.wall;
        total.cpu += m.cpu - last.cpu;
        total.faults += m.faults - last.faults;
        last = m;
    }
};

Profile profile;

}  // namespace

const char* startup_phase_key(StartupPhase phase) { return NAMES[static_cast<size_t>(phase)].key; }

const char* startup_phase_label(StartupPhase phase) { return NAMES[static_cast<size_t>(phase)].label; }

void startup_phase(StartupPhase phase) {
    if (!profile.recording) return;
    profile.charge();
    profile.outer = phase;
}

StartupScope::StartupScope(StartupPhase phase) : generation_(profile.recording ? profile.generation : 0) {
    if (generation_ == 0) return;
    profile.charge();
    profile.open.push_back(phase);
}

StartupScope::~StartupScope() {
    if (generation_ == 0 || !profile.recording || generation_ != profile.generation || profile.open.empty()) return;
    profile.charge();
    profile.open.pop_back();
}

bool startup_recording() { return profile.recording; }

void startup_profile_begin() {
    const unsigned generation = profile.generation + 1;
    profile = Profile{};
    profile.generation = generation == 0 ? 1 : generation;
    profile.recording = true;
    profile.last = now();
    profile.began = profile.last.wall;
}

std::optional<StartupProfile> startup_profile_finish() {
    if (!profile.recording) return std::nullopt;
    profile.charge();
    profile.recording = false;
    profile.open.clear();
    StartupProfile result;
    result.began_ms = profile.began;
    for (size_t i = 0; i < PHASES; ++i)
        result.phases[i] = {profile.spent[i].wall, profile.spent[i].cpu, profile.spent[i].faults};
    return result;
}
