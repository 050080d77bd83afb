// Between the frame and the audio module.
#pragma once

// Opens the mixer (22050 Hz, stereo, 16-bit); the game goes on silently if
// not. clock_ms is the program's timer, which paces looping music.
void audio_start(double (*clock_ms)());

// Stops music, releases every slot (last first), then the device.
void audio_stop();

// The warning beep: a short tone through the mixer; nothing without a device.
void audio_beep();

// Restarts a looping track whose length has elapsed (show_screen, pause loop).
void music_loop_check();
