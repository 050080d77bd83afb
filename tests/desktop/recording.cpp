#include "tests/desktop/recording.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace desktop {

namespace {

constexpr double FULL_SCALE = 32768.0;
constexpr double WINDOW_MS = 5.0;
constexpr double ATTACK_MS = 30.0;   // a sound reaches its level this soon after it rises

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

}  // namespace

bool Recording::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    left_.clear();
    right_.clear();
    rate_ = 0;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return false;
    int channels = 0, bits = 0;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t size = le32(b, at + 4);
        const size_t body = at + 8;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && body + 16 <= b.size()) {
            channels = le16(b, body + 2);
            rate_ = int(le32(b, body + 4));
            bits = le16(b, body + 14);
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (bits != 16 || channels < 1 || channels > 2 || rate_ <= 0) return false;
            // A size of 0 or past the end: the recorder never wrote it.
            size_t end = size == 0 || body + size > b.size() ? b.size() : body + size;
            const size_t frame_bytes = size_t(2 * channels);
            for (size_t p = body; p + frame_bytes <= end; p += frame_bytes) {
                left_.push_back(int16_t(le16(b, p)));
                right_.push_back(int16_t(le16(b, p + (channels == 2 ? 2 : 0))));
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

size_t Recording::window_frames() const { return std::max<size_t>(1, size_t(rate_ * WINDOW_MS / 1000.0)); }

double Recording::window_db(size_t first, size_t count, int channel) const {
    const size_t end = std::min(frames(), first + count);
    if (first >= end) return SILENT_DB;
    double sum = 0;
    size_t n = 0;
    for (size_t i = first; i < end; ++i) {
        if (channel != 1) {
            sum += double(left_[i]) * left_[i];
            ++n;
        }
        if (channel != 0) {
            sum += double(right_[i]) * right_[i];
            ++n;
        }
    }
    const double rms = std::sqrt(sum / double(n));
    return rms > 0 ? 20.0 * std::log10(rms / FULL_SCALE) : SILENT_DB;
}

double Recording::rms_db(double from, double to, int channel) const {
    const size_t first = size_t(std::max(0.0, from) * rate_);
    const size_t last = size_t(std::max(from, to) * rate_);
    return window_db(first, last - first, channel);
}

double Recording::steady_db(double from, double to, int channel, double heard_db) const {
    const size_t w = window_frames();
    std::vector<double> levels;
    for (size_t f = size_t(std::max(0.0, from) * rate_); f + w <= frames() && f < size_t(to * rate_); f += w)
        if (window_db(f, w, -1) >= heard_db) levels.push_back(window_db(f, w, channel));
    if (levels.empty()) return SILENT_DB;
    std::nth_element(levels.begin(), levels.begin() + long(levels.size() / 2), levels.end());
    return levels[levels.size() / 2];
}

double Recording::longest_quiet_ms(double from, double to, double floor_db) const {
    const size_t w = window_frames();
    size_t run = 0, longest = 0;
    for (size_t f = size_t(std::max(0.0, from) * rate_); f + w <= frames() && f < size_t(to * rate_); f += w) {
        run = window_db(f, w, -1) < floor_db ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return double(longest) * WINDOW_MS;
}

std::vector<double> Recording::onsets(double on_db, double off_db, double quiet_ms) const {
    const size_t w = window_frames();
    const size_t quiet_windows = size_t(quiet_ms / WINDOW_MS);
    const size_t attack_windows = size_t(ATTACK_MS / WINDOW_MS);
    std::vector<double> out;
    size_t quiet = quiet_windows;  // the recording starts as if after silence
    size_t rising = 0;             // windows left for a rise after quiet to reach on_db
    double start = 0;
    for (size_t f = 0; f + w <= frames(); f += w) {
        const double db = window_db(f, w, -1);
        // A sound that begins late in a window, or fades in, may leave that
        // window between the floor and on_db: where it rises is its onset.
        if (db >= off_db && quiet >= quiet_windows) {
            start = double(f) / rate_;
            rising = attack_windows;
        }
        if (rising > 0) {
            if (db >= on_db) {
                out.push_back(start);
                rising = 0;
            } else {
                --rising;
            }
        }
        quiet = db < off_db ? quiet + 1 : 0;
    }
    return out;
}

double Recording::first_sound(double from, double on_db) const {
    const size_t w = window_frames();
    for (size_t f = size_t(std::max(0.0, from) * rate_); f + w <= frames(); f += w)
        if (window_db(f, w, -1) >= on_db) return double(f) / rate_;
    return -1;
}

double Recording::last_sound(double on_db) const {
    const size_t w = window_frames();
    double last = -1;
    for (size_t f = 0; f + w <= frames(); f += w)
        if (window_db(f, w, -1) >= on_db) last = double(f + w) / rate_;
    return last;
}

}  // namespace desktop
