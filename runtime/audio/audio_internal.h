// Between the frame and the audio module.
#pragma once

// Opens the mixer (22050 Hz, stereo, 16-bit); the game goes on silently if
// not. clock_ms is the program's timer, which paces looping music.
void audio_start(double (*clock_ms)());

// Opens the device audio_start left waiting (in a browser: see audio.cpp)
// and makes ready what was loaded and asked for meanwhile; nothing else.
void audio_open_waiting_device();

// Stops music, releases every slot (last first), then the device.
void audio_stop();

// The warning beep: a short tone through the mixer; nothing without a device.
void audio_beep();

// Restarts a looping track whose length has elapsed (show_screen, pause loop).
void music_loop_check();
