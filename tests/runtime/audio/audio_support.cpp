#include "audio_support.h"

#include "runtime/process/process.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace audio_test {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put_tag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(tag[i]));
}

std::vector<uint8_t> wav_file(const std::vector<int16_t>& samples, int channels, int rate) {
    const uint32_t data_bytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out;
    put_tag(out, "RIFF");
    put32(out, 36 + data_bytes);
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, uint16_t(channels));
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate * channels * 2));
    put16(out, uint16_t(channels * 2));
    put16(out, 16);
    put_tag(out, "data");
    put32(out, data_bytes);
    for (int16_t s : samples) put16(out, uint16_t(s));
    return out;
}

std::vector<int16_t> sine(double seconds, double hz, double amplitude, int rate) {
    std::vector<int16_t> out(size_t(seconds * rate));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
    return out;
}

std::vector<int16_t> flat(double seconds, int16_t level, int rate) {
    return std::vector<int16_t>(size_t(seconds * rate), level);
}

TempFolder::TempFolder() {
    char name[] = "/tmp/wedgewise-audio-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = name;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void TempFolder::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
    std::ofstream f(file(name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

size_t DiskCapture::frames_now() const {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size_t(size / 4);
}

std::vector<int16_t> DiskCapture::samples() const {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(uint16_t(uint8_t(bytes[2 * i])) | uint16_t(uint8_t(bytes[2 * i + 1])) << 8);
    return out;
}

bool DiskCapture::wait_for(size_t frames) const {
    return wait_until([&] { return frames_now() >= frames; });
}

double loudest_window_rms(const std::vector<int16_t>& stereo, size_t from, int channel, size_t window) {
    const size_t frames = stereo.size() / 2;
    double best = 0;
    for (size_t start = from; start + window <= frames; start += window / 4) {
        double sum = 0;
        for (size_t f = start; f < start + window; ++f) {
            const double v = stereo[2 * f + size_t(channel)];
            sum += v * v;
        }
        best = std::max(best, std::sqrt(sum / double(window)));
    }
    return best;
}

int peak(const std::vector<int16_t>& stereo, size_t from, int channel) {
    int best = 0;
    for (size_t f = from; 2 * f + 1 < stereo.size(); ++f)
        best = std::max(best, std::abs(int(stereo[2 * f + size_t(channel)])));
    return best;
}

RuntimeConfig test_config(const std::string& folder) {
    RuntimeConfig config;
    config.full_screen = 0;
    config.automated = 1;
    config.frame_rate = 0;
    config.working_folder = folder;
    return config;
}

void run_in_runtime(const RuntimeConfig& config, const std::function<void()>& body) {
    // The runtime works in the test's folder; come back before it is removed.
    const auto here = std::filesystem::current_path();
    runtime_run(config, [&] {
        body();
        program_end();
    });
    std::filesystem::current_path(here);
}

bool wait_until(const std::function<bool()>& done) {
    // A bound on the wait, not a measurement: the disk driver writes in real time.
    constexpr int STEPS = 800;
    constexpr int STEP_MS = 10;
    for (int i = 0; i < STEPS; ++i) {
        if (done()) return true;
        SDL_Delay(STEP_MS);
    }
    return done();
}

}  // namespace audio_test
