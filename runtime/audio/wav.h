// The WAV reader inside the audio module: PCM layout and sample block of a
// RIFF/WAVE file held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What a WAV file holds once read; samples points into the caller's bytes.
struct WavData {
    int channels = 0;       // 1 or 2 (more in the file are folded to 2)
    int rate = 0;           // samples per second
    int block_align = 0;    // bytes per sample frame
    int bits = 0;           // 8 or 16
    const uint8_t* samples = nullptr;
    size_t size = 0;        // whole sample frames only, never 0
};

// Reads the layout and the sample block of 8- or 16-bit PCM; false for
// anything else, a truncated file or a chunk claiming more than there is.
bool parse_wav(const std::vector<uint8_t>& bytes, WavData& wav);
