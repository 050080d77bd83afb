// Helpers for the sound and music tests: synthesized WAV data, a private
// folder, the disk audio capture and running code inside the runtime.
#pragma once

#include "runtime/frame/frame.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audio_test {

constexpr int RATE = 22050;

// A canonical PCM WAV file of 16-bit samples (interleaved when stereo).
std::vector<uint8_t> wav_file(const std::vector<int16_t>& samples, int channels, int rate = RATE);

// Mono sine of the given length and peak amplitude.
std::vector<int16_t> sine(double seconds, double hz, double amplitude, int rate = RATE);

// Mono constant level (mixes add up exactly).
std::vector<int16_t> flat(double seconds, int16_t level, int rate = RATE);

// Little-endian helpers to build damaged files by hand.
void put32(std::vector<uint8_t>& out, uint32_t v);
void put16(std::vector<uint8_t>& out, uint16_t v);
void put_tag(std::vector<uint8_t>& out, const char* tag);

// A fresh private folder, removed with its files at the end.
struct TempFolder {
    std::string path;   // ends without "/"
    TempFolder();
    ~TempFolder();
    std::string file(const std::string& name) const { return path + "/" + name; }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
};

// What SDL's disk driver has written so far, as interleaved stereo samples.
struct DiskCapture {
    std::string path;
    size_t frames_now() const;                       // frames written so far
    std::vector<int16_t> samples() const;            // everything written
    // Waits (bounded) until at least `frames` frames exist; false if never.
    bool wait_for(size_t frames) const;
};

// RMS of one channel (0 left, 1 right) of interleaved stereo samples over
// windows of `window` frames starting at frame `from`; the loudest window.
double loudest_window_rms(const std::vector<int16_t>& stereo, size_t from, int channel, size_t window = 1024);

// Largest absolute sample of one channel from frame `from`.
int peak(const std::vector<int16_t>& stereo, size_t from, int channel);

// A windowed, automated configuration working in the given folder.
RuntimeConfig test_config(const std::string& folder);

// Runs body inside the runtime (start-up, then the orderly end).
void run_in_runtime(const RuntimeConfig& config, const std::function<void()>& body);

// Waits (bounded, a few seconds) until done() holds; false if it never does.
bool wait_until(const std::function<bool()>& done);

}  // namespace audio_test
