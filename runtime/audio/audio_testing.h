// The audio module's test seam. Included by tests and tools only.
#pragma once

// How many times the current track has been restarted by the loop check.
int music_restarts();
