// Sound effects in 128 slots of 1..4 voices, and one music track at a time.
#pragma once

#include <string>

constexpr int SOUND_SLOTS = 128;

// ---------------------------------------------------------------- sound effects

// Loads a WAV file into the slot (min(slot, 127)) with 1..4 voices; 1 or 0.
int load_sound(const std::string& path, int slot, int voices);

// Plays the slot: pan -1..1, volume 0..1 (1 = 0 dB, 0.5 = -50 dB, 0 = -100 dB).
// Returns voice + slot * 256, or -1 when nothing could be played.
int play_sound(int slot, double pan, double volume);

// Whether any voice of the slot is playing.
bool sound_playing(int slot);

// ---------------------------------------------------------------- music

// Stops any music, then plays the track (via the audio container); loop != 0
// restarts it each time its length has elapsed.
void music_play(const std::string& path, int loop);

// Stops and closes the track.
void music_stop();

// Whether a track is loaded and playing.
bool music_playing();

// Length in ms of the current track (0 when none).
double music_length_ms();
