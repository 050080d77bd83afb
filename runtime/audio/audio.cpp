// Sound effects and music on SDL2_mixer.
//
// Each voice of a sound slot owns one mixer channel. The channel volume stays
// at full; the decibel gain and the pan are applied as float factors by a
// per-channel effect, because the mixer's 128 linear volume steps cannot
// reach -50 dB. Without a device everything goes on silently.
#include "runtime/audio/audio.h"
#include "runtime/audio/audio_internal.h"
#include "runtime/audio/audio_testing.h"
#include "runtime/audio/wav.h"

#include "runtime/files/files.h"
#include "runtime/process/process.h"
#include "runtime/process/startup_phase.h"

#include <SDL.h>
#include <SDL_mixer.h>

#ifdef __EMSCRIPTEN__
#include "runtime/web/web.h"
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <optional>
#include <vector>

namespace {

// ---------------------------------------------------------------- constants

constexpr int DEVICE_RATE = 22050;
constexpr int DEVICE_CHANNELS = 2;
constexpr int DEVICE_BUFFER_FRAMES = 1024;

constexpr int MAX_VOICES = 4;
constexpr int MAX_CHANNELS = SOUND_SLOTS * MAX_VOICES;
constexpr int VOICE_STRIDE = 256;          // play_sound returns voice + slot * 256

// Gains in hundredths of a decibel; the bottom of the range is silence.
constexpr int CENTIBELS_SILENT = -10000;
constexpr double CENTIBELS_PER_VOLUME_STEP = 100.0;
constexpr double VOLUME_STEPS = 100.0;
constexpr double PAN_CENTIBELS = 10000.0;

// The warning beep: a short high tone, faded in and out so it does not click.
constexpr double BEEP_HZ = 880.0;
constexpr double BEEP_SECONDS = 0.15;
constexpr double BEEP_FADE_SECONDS = 0.01;
constexpr double BEEP_LEVEL = 0.3 * INT16_MAX;

constexpr double MIN_MUSIC_LENGTH_MS = 500.0;

// In a browser the sound device opens once the program's first frame is on
// the screen: a fresh browser brings its audio output up then, blocking the
// page for hundreds of milliseconds, and no sound can be heard before the
// player's first gesture anyway. Sounds loaded before are kept as read and
// made ready then; music asked for before starts then.
#ifdef __EMSCRIPTEN__
constexpr bool DEFER_DEVICE = true;
#else
constexpr bool DEFER_DEVICE = false;
#endif
constexpr double MS_PER_SECOND = 1000.0;

// ---------------------------------------------------------------- channel gains

// Left and right factors of one mixer channel, read by the mixing thread.
struct ChannelGain {
    std::atomic<float> left{1.0f};
    std::atomic<float> right{1.0f};
};

std::array<ChannelGain, MAX_CHANNELS> g_gains;
std::atomic<int> g_device_channels{DEVICE_CHANNELS};

void SDLCALL apply_gain(int, void* stream, int len, void* udata) {
    const ChannelGain* gain = static_cast<const ChannelGain*>(udata);
    const float left = gain->left.load(std::memory_order_relaxed);
    const float right = gain->right.load(std::memory_order_relaxed);
    int16_t* samples = static_cast<int16_t*>(stream);
    const int count = len / int(sizeof(int16_t));
    // The device is 16-bit; with one output channel only the louder side
    // counts, and channels beyond the first two take the louder side too.
    const int device_channels = std::max(1, g_device_channels.load(std::memory_order_relaxed));
    const float louder = std::max(left, right);
    for (int i = 0; i < count; ++i) {
        const int side = i % device_channels;
        const float factor = device_channels < 2 ? louder : side == 0 ? left : side == 1 ? right : louder;
        const float v = std::nearbyint(samples[i] * factor);
        samples[i] = int16_t(std::clamp(v, float(INT16_MIN), float(INT16_MAX)));
    }
}

// 10^(centibels / 2000), with the bottom of the range silent.
float gain_of_centibels(int centibels) {
    if (centibels <= CENTIBELS_SILENT) return 0.0f;
    return float(std::pow(10.0, centibels / 2000.0));
}

// ---------------------------------------------------------------- state

struct SoundSlot {
    int voice_count = 0;           // 0 = empty
    int current_voice = 0;
    Mix_Chunk* chunk = nullptr;    // shared by every voice
    std::array<int, MAX_VOICES> channel{-1, -1, -1, -1};
};

struct MusicState {
    Mix_Music* track = nullptr;
    std::string file;
    double length_ms = 0;
    double restart_time = 0;       // 0 = not looping
    double volume_state = -1;      // -1 = unknown, 1 = full volume set
    int restarts = 0;
};

bool g_device_open = false;
bool g_mixer_inited = false;
bool g_audio_subsystem = false;    // ours to quit, so the next start picks the driver anew
std::array<SoundSlot, SOUND_SLOTS> g_slots;
std::vector<bool> g_channel_used;  // by mixer channel
MusicState g_music;
Mix_Chunk* g_beep = nullptr;       // made on the first beep
int g_beep_channel = -1;

// Waiting for the device (see DEFER_DEVICE): the sounds loaded meanwhile,
// by slot, and the music last asked for.
struct WaitingSound {
    int voices = 0;
    std::vector<uint8_t> bytes;    // the WAV file as read
};
bool g_defer_device = DEFER_DEVICE;
bool g_device_waits = false;
std::array<std::optional<WaitingSound>, SOUND_SLOTS> g_waiting_sounds;
std::optional<std::pair<std::string, int>> g_waiting_music;   // path and loop flag

// ---------------------------------------------------------------- channels

// Finds (allocating more if needed) a free mixer channel, or -1.
int take_channel() {
    for (size_t i = 0; i < g_channel_used.size(); ++i)
        if (!g_channel_used[i]) {
            g_channel_used[i] = true;
            return int(i);
        }
    if (g_channel_used.size() >= size_t(MAX_CHANNELS)) return -1;
    const int wanted = int(g_channel_used.size()) + 1;
    if (Mix_AllocateChannels(wanted) < wanted) return -1;
    g_channel_used.push_back(true);
    return wanted - 1;
}

void release_slot(SoundSlot& slot) {
    for (int v = 0; v < MAX_VOICES; ++v) {
        const int ch = slot.channel[v];
        if (ch < 0) continue;
        Mix_HaltChannel(ch);
        Mix_UnregisterAllEffects(ch);
        g_channel_used[size_t(ch)] = false;
        slot.channel[v] = -1;
    }
    if (slot.chunk != nullptr) Mix_FreeChunk(slot.chunk);
    slot = SoundSlot{};
}

// Converts the samples to the device's format in a chunk the mixer owns.
Mix_Chunk* make_chunk(const WavData& wav) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0) return nullptr;
    SDL_AudioCVT cvt;
    const SDL_AudioFormat source = wav.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&cvt, source, Uint8(wav.channels), wav.rate, format, Uint8(channels), rate) < 0)
        return nullptr;
    cvt.len = int(wav.size);
    const size_t capacity = wav.size * size_t(std::max(cvt.len_mult, 1));
    cvt.buf = static_cast<Uint8*>(SDL_malloc(capacity));
    if (cvt.buf == nullptr) return nullptr;
    std::memcpy(cvt.buf, wav.samples, wav.size);
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0) {
        SDL_free(cvt.buf);
        return nullptr;
    }
    const int converted = cvt.needed ? cvt.len_cvt : cvt.len;
    Mix_Chunk* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
    if (chunk == nullptr || converted <= 0) {
        SDL_free(chunk);
        SDL_free(cvt.buf);
        return nullptr;
    }
    chunk->allocated = 1;          // Mix_FreeChunk frees the samples too
    chunk->abuf = cvt.buf;
    chunk->alen = Uint32(converted);
    chunk->volume = MIX_MAX_VOLUME;
    return chunk;
}

// The beep's samples in the device's format (16-bit, its channels and rate).
Mix_Chunk* make_beep() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || rate <= 0 || channels <= 0) return nullptr;
    const size_t frames = size_t(rate * BEEP_SECONDS);
    const size_t bytes = frames * size_t(channels) * sizeof(int16_t);
    auto* samples = static_cast<int16_t*>(SDL_malloc(bytes));
    Mix_Chunk* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
    if (samples == nullptr || chunk == nullptr) {
        SDL_free(samples);
        SDL_free(chunk);
        return nullptr;
    }
    const double fade_frames = rate * BEEP_FADE_SECONDS;
    for (size_t f = 0; f < frames; ++f) {
        const double envelope = std::min({1.0, double(f) / fade_frames, double(frames - 1 - f) / fade_frames});
        const double v = BEEP_LEVEL * envelope * std::sin(2.0 * std::numbers::pi * BEEP_HZ * double(f) / rate);
        for (int c = 0; c < channels; ++c) samples[f * size_t(channels) + size_t(c)] = int16_t(std::lrint(v));
    }
    chunk->allocated = 1;
    chunk->abuf = reinterpret_cast<Uint8*>(samples);
    chunk->alen = Uint32(bytes);
    chunk->volume = MIX_MAX_VOLUME;
    return chunk;
}

void release_beep() {
    if (g_beep_channel >= 0) {
        Mix_HaltChannel(g_beep_channel);
        g_channel_used[size_t(g_beep_channel)] = false;
        g_beep_channel = -1;
    }
    if (g_beep != nullptr) Mix_FreeChunk(g_beep);
    g_beep = nullptr;
}

// ---------------------------------------------------------------- music helpers

double (*g_clock_ms)() = nullptr;   // the frame's timer, given at audio_start

double music_clock() { return g_clock_ms ? g_clock_ms() : 0; }

// The slot a slot number names: numbers above the last slot share the last
// one; -1 for a negative number.
int slot_index(int slot) { return slot < 0 ? -1 : std::min(slot, SOUND_SLOTS - 1); }

void start_track() {
    Mix_HaltMusic();
    Mix_PlayMusic(g_music.track, 0);
}

}  // namespace

// ---------------------------------------------------------------- device

namespace {

void open_device() {
    Mix_Init(MIX_INIT_MP3);
    g_mixer_inited = true;
    if (!g_audio_subsystem) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            startup_log("No sound device: " + std::string(SDL_GetError()));
            return;
        }
        g_audio_subsystem = true;
    }
    if (Mix_OpenAudio(DEVICE_RATE, AUDIO_S16SYS, DEVICE_CHANNELS, DEVICE_BUFFER_FRAMES) != 0) {
        startup_log("No sound device: " + std::string(Mix_GetError()));
        return;
    }
    int rate = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    if (format != AUDIO_S16SYS) {
        // The gain effect works on 16-bit samples only.
        startup_log("Sound device refused 16-bit samples");
        Mix_CloseAudio();
        return;
    }
    g_device_channels.store(channels);
    g_device_open = true;
    Mix_AllocateChannels(0);
    g_channel_used.clear();
}

}  // namespace

void audio_start(double (*clock_ms)()) {
    g_clock_ms = clock_ms;
    if (g_device_open || g_device_waits) return;
    if (g_defer_device) {
        g_device_waits = true;
        return;
    }
    open_device();
}

void audio_stop() {
    music_stop();
    g_device_waits = false;
    for (std::optional<WaitingSound>& waiting : g_waiting_sounds) waiting.reset();
    for (int slot = SOUND_SLOTS - 1; slot >= 0; --slot) release_slot(g_slots[size_t(slot)]);
    release_beep();
    g_channel_used.clear();
    if (g_device_open) {
        Mix_AllocateChannels(0);
        Mix_CloseAudio();
        g_device_open = false;
    }
    if (g_mixer_inited) {
        Mix_Quit();
        g_mixer_inited = false;
    }
    if (g_audio_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_audio_subsystem = false;
    }
}

void audio_beep() {
    if (!g_device_open) return;
    if (g_beep == nullptr) g_beep = make_beep();
    if (g_beep_channel < 0) g_beep_channel = take_channel();
    if (g_beep == nullptr || g_beep_channel < 0) return;
    Mix_UnregisterAllEffects(g_beep_channel);
    Mix_Volume(g_beep_channel, MIX_MAX_VOLUME);
    Mix_PlayChannel(g_beep_channel, g_beep, 0);
}

// ---------------------------------------------------------------- sound effects

namespace {

// Makes a slot's sound from its WAV file (the device is open).
int install_sound(SoundSlot& target, const std::vector<uint8_t>& bytes, int voices) {
    const StartupScope phase(StartupPhase::SoundLoading);
    WavData wav;
    if (!parse_wav(bytes, wav)) return 0;
    Mix_Chunk* chunk = make_chunk(wav);
    if (chunk == nullptr) return 0;

    target.chunk = chunk;
    const int count = std::clamp(voices, 1, MAX_VOICES);
    for (int v = 0; v < count; ++v) {
        target.channel[size_t(v)] = take_channel();
        if (target.channel[size_t(v)] < 0) {
            release_slot(target);
            return 0;
        }
    }
    target.voice_count = count;
    target.current_voice = 0;
    return 1;
}


}  // namespace

int load_sound(const std::string& path, int slot, int voices) {
    const int index = slot_index(slot);
    if (index < 0) return 0;
    SoundSlot& target = g_slots[size_t(index)];
    release_slot(target);
    g_waiting_sounds[size_t(index)].reset();
    if (!g_device_open && !g_device_waits) return 0;

    std::vector<uint8_t> bytes;
    {
        const StartupScope phase(StartupPhase::ContainerReading);
        std::string resolved;
        if (!media_resolve(Container::Graphics, path, true, resolved)) return 0;
        if (!read_resolved(resolved, bytes)) return 0;
    }
    if (g_device_open) return install_sound(target, bytes, voices);
    // Kept for the device; a file that is no WAV fails now as it would then.
    WavData wav;
    if (!parse_wav(bytes, wav)) return 0;
    g_waiting_sounds[size_t(index)] = WaitingSound{voices, std::move(bytes)};
    return 1;
}

void audio_open_waiting_device() {
    if (!g_device_waits) return;
    g_device_waits = false;
    open_device();
#ifdef __EMSCRIPTEN__
    web_sound_opened();   // the page holds the sound until the player's first gesture
#endif
    for (int slot = 0; slot < SOUND_SLOTS; ++slot) {
        std::optional<WaitingSound>& waiting = g_waiting_sounds[size_t(slot)];
        if (waiting && g_device_open) install_sound(g_slots[size_t(slot)], waiting->bytes, waiting->voices);
        waiting.reset();
    }
    if (g_waiting_music) {
        const auto [path, loop] = *g_waiting_music;
        g_waiting_music.reset();
        music_play(path, loop);
    }
}

int play_sound(int slot, double pan, double volume) {
    const int index = slot_index(slot);
    if (index < 0 || !g_device_open) return -1;
    SoundSlot& s = g_slots[size_t(index)];
    if (s.voice_count == 0) return -1;

    if (Mix_Playing(s.channel[size_t(s.current_voice)])) {
        // A one-voice sound does not restart while it plays.
        if (s.voice_count == 1) return -1;
        s.current_voice = (s.current_voice + 1) % s.voice_count;
    }
    const int channel = s.channel[size_t(s.current_voice)];
    if (Mix_Playing(channel)) Mix_HaltChannel(channel);

    const double v = std::isnan(volume) ? 0.0 : std::clamp(volume, 0.0, 1.0);
    const double p = std::isnan(pan) ? 0.0 : std::clamp(pan, -1.0, 1.0);
    const int volume_cb = int(std::trunc(v * VOLUME_STEPS) * CENTIBELS_PER_VOLUME_STEP) + CENTIBELS_SILENT;
    const int pan_cb = int(std::trunc(p * PAN_CENTIBELS));
    // A pan toward one side attenuates the other by that many centibels.
    const int left_cb = volume_cb - std::max(pan_cb, 0);
    const int right_cb = volume_cb - std::max(-pan_cb, 0);
    ChannelGain& gain = g_gains[size_t(channel)];
    gain.left.store(gain_of_centibels(std::max(left_cb, CENTIBELS_SILENT)));
    gain.right.store(gain_of_centibels(std::max(right_cb, CENTIBELS_SILENT)));

    // The mixer forgets a channel's effects when it stops playing.
    Mix_UnregisterAllEffects(channel);
    Mix_Volume(channel, MIX_MAX_VOLUME);
    if (Mix_RegisterEffect(channel, apply_gain, nullptr, &gain) == 0) return -1;
    if (Mix_PlayChannel(channel, s.chunk, 0) < 0) return -1;
    return s.current_voice + index * VOICE_STRIDE;
}

bool sound_playing(int slot) {
    const int index = slot_index(slot);
    if (index < 0 || !g_device_open) return false;
    const SoundSlot& s = g_slots[size_t(index)];
    for (int v = 0; v < s.voice_count; ++v)
        if (Mix_Playing(s.channel[size_t(v)])) return true;
    return false;
}

// ---------------------------------------------------------------- music

void music_play(const std::string& path, int loop) {
    music_stop();
    g_music.file = path;
    g_music.restarts = 0;
    if (g_device_waits) g_waiting_music.emplace(path, loop);
    if (!g_device_open) return;
    const StartupScope phase(StartupPhase::MusicStart);
    std::string resolved;
    if (!media_resolve(Container::Audio, path, false, resolved)) return;
    Mix_Music* track = Mix_LoadMUS(resolved.c_str());
    if (track == nullptr) return;
    g_music.track = track;
    const double seconds = Mix_MusicDuration(track);
    g_music.length_ms = std::max(seconds * MS_PER_SECOND, MIN_MUSIC_LENGTH_MS);
    g_music.restart_time = loop != 0 ? music_clock() + g_music.length_ms : 0;
    if (Mix_PlayMusic(track, 0) != 0) {
        music_stop();
        return;
    }
    if (g_music.volume_state != 1) {
        g_music.volume_state = 1;
        Mix_VolumeMusic(MIX_MAX_VOLUME);
    }
}

void music_stop() {
    g_waiting_music.reset();
    g_music.volume_state = -1;
    g_music.restart_time = 0;
    if (g_music.track != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(g_music.track);
        g_music.track = nullptr;
    }
    g_music.length_ms = 0;
}

bool music_playing() { return g_music.track != nullptr && Mix_PlayingMusic() != 0; }

double music_length_ms() { return g_music.track != nullptr ? g_music.length_ms : 0; }

int music_restarts() { return g_music.restarts; }

void audio_defer_device(bool on) { g_defer_device = on; }

void music_loop_check() {
    if (g_music.track == nullptr || g_music.restart_time <= 0) return;
    const double now = music_clock();
    // The decoder's length can include encoder padding: a track that has
    // already ended restarts at once.
    if (now < g_music.restart_time && Mix_PlayingMusic() != 0) return;
    g_music.length_ms = std::max(g_music.length_ms, MIN_MUSIC_LENGTH_MS);
    g_music.restart_time = now + g_music.length_ms;
    start_track();
    ++g_music.restarts;
}
