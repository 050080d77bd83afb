// Shared by the input tests: the runtime set up as they need it.
#pragma once

#include "runtime/frame/frame.h"

// A window (never full screen), automated, with pacing off so a test runs
// as fast as the frames can be drawn.
inline RuntimeConfig windowed() {
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.frame_rate = 0;
    return config;
}
