// The audio module's test seam. Included by tests and tools only.
#pragma once

// How many times the current track has been restarted by the loop check.
int music_restarts();

// Tests: true leaves the device closed at start-up until the first frame is
// shown, as in a browser; false opens it at once (the desktop's way).
void audio_defer_device(bool on);
