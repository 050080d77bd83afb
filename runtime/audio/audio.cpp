// Sound effects and music on SDL2_mixer (scaffold).
#include "runtime/audio/audio.h"
#include "runtime/audio/audio_internal.h"

int load_sound(const std::string&, int, int) { return 0; }
int play_sound(int, double, double) { return -1; }
bool sound_playing(int) { return false; }
void music_play(const std::string&, int) {}
void music_stop() {}
bool music_playing() { return false; }
double music_length_ms() { return 0; }
int music_restarts() { return 0; }
void audio_start() {}
void audio_stop() {}
void music_loop_check() {}
