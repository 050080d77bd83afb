// Between the frame and its start-up profile.
#pragma once

#include <string>

// Starts recording (runtime_start); earlier figures are dropped.
void startup_profile_begin();

// Stops recording and returns the table, one line per phase that took any
// time: "phase <key> <wall ms> <cpu ms> <page faults>"; the first line gives the moment
// recording began on the steady clock: "profile began at <ms>".
std::string startup_profile_finish();
