// Between the frame and its tests only.
#pragma once

// Automated runs ignore the window's focus changes, because test programs
// sharing one display take the focus from each other. A test on a display
// of its own sets this to hear them as a player's run does.
void frame_hear_focus(bool on);
