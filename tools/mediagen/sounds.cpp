// Sound effects (mono, 22050 Hz, 16-bit) and the WAV writer shared with the
// music encoder.
#include "mediagen.h"
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mediagen {

namespace {

constexpr double SFX_PEAK_DBFS = -3.0;
constexpr double EDGE_FADE_SECONDS = 0.004;  // silence at both ends: no clicks

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// Fades the first and last few milliseconds to zero.
void fade_edges(std::vector<float>& s, int rate) {
    const size_t n = std::min(s.size() / 2, static_cast<size_t>(EDGE_FADE_SECONDS * rate));
    for (size_t i = 0; i < n; ++i) {
        float g = static_cast<float>(i) / static_cast<float>(n);
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
    if (!s.empty()) s.front() = s.back() = 0.0f;
}

std::vector<float> seconds(double length) { return std::vector<float>(static_cast<size_t>(length * SFX_RATE), 0.0f); }

// Explosion: a noise burst through a falling low-pass, over a low thump.
std::vector<float> fuzzy_boom() {
    std::vector<float> s = seconds(0.6);
    Noise noise(99);
    SvFilter lp, lp2;
    double ph = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SFX_RATE;
        double cutoff = 150 + 5500 * std::exp(-t * 7);
        lp.step(noise.next(), cutoff, 0.8, SFX_RATE);
        lp2.step(lp.low, cutoff * 1.3, 0.9, SFX_RATE);
        double burst = lp2.low * std::min(1.0, t * 400) * std::exp(-t * 4.2);
        double freq = 38 + 90 * std::exp(-t * 14);
        ph += 2 * M_PI * freq / SFX_RATE;
        double thump = std::sin(ph) * std::min(1.0, t * 300) * std::exp(-t * 7);
        double tail = std::clamp((0.6 - t) / 0.15, 0.0, 1.0);
        s[i] = static_cast<float>((1.4 * burst + 0.9 * thump) * tail);
    }
    return s;
}

// Placing a tile: a short glassy tick with a couple of bright partials.
std::vector<float> place_tile() {
    std::vector<float> s = seconds(0.1);
    Noise noise(7);
    SvFilter bp;
    const double partials[3][3] = {{1318.5, 1.0, 45}, {2637.0, 0.55, 60}, {3951.0, 0.3, 80}};  // Hz, level, decay
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SFX_RATE;
        bp.step(noise.next(), 3000, 0.5, SFX_RATE);
        double click = bp.band * std::exp(-t * 400);
        double ring = 0;
        for (const auto& p : partials) ring += p[1] * std::sin(2 * M_PI * p[0] * t) * std::exp(-t * p[2]);
        double tock = 0.6 * std::sin(2 * M_PI * 520 * t) * std::exp(-t * 70);
        s[i] = static_cast<float>((0.7 * click + 0.45 * ring + tock) * std::min(1.0, t * 3000));
    }
    return s;
}

// Turning a tile: airy noise whose band sweeps up and back.
std::vector<float> spin() {
    std::vector<float> s = seconds(0.15);
    Noise noise(21);
    SvFilter bp;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SFX_RATE, u = t / 0.15;
        double centre = 700 + 3200 * std::sin(M_PI * std::min(1.0, u * 1.25) * 0.5);
        bp.step(noise.next(), centre, 0.35, SFX_RATE);
        double env = std::sin(M_PI * u);
        s[i] = static_cast<float>(bp.band * env * env);
    }
    return s;
}

// Picking up a tile: two quick rising bell notes.
std::vector<float> pickup() {
    std::vector<float> s = seconds(0.12);
    const double notes[2][2] = {{0.0, note_frequency(84)}, {0.045, note_frequency(91)}};  // C6 then G6
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SFX_RATE, v = 0;
        for (const auto& n : notes) {
            double u = t - n[0];
            if (u < 0) continue;
            double env = std::min(1.0, u * 600) * std::exp(-u * 28);
            v += env * std::sin(2 * M_PI * n[1] * u + 1.2 * std::exp(-u * 30) * std::sin(2 * M_PI * n[1] * 2 * u));
        }
        s[i] = static_cast<float>(v);
    }
    return s;
}

struct Effect {
    const char* name;
    std::vector<float> (*make)();
};

constexpr Effect EFFECTS[] = {
    {"sfxfuzzyboom.wav", fuzzy_boom},
    {"sfxplacetile.wav", place_tile},
    {"sfxspin.wav", spin},
    {"sfxpickup.wav", pickup},
};

}  // namespace

void normalise_peak(std::vector<float>& samples, double dbfs) {
    float peak = 0;
    for (float v : samples) peak = std::max(peak, std::abs(v));
    if (peak <= 0) return;
    const float gain = static_cast<float>(std::pow(10.0, dbfs / 20.0)) / peak;
    for (float& v : samples) v *= gain;
}

bool write_wav(const std::string& path, const std::vector<float>& samples, int channels, int rate) {
    std::vector<uint8_t> b;
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + data_bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, static_cast<uint32_t>(channels));
    put32(b, static_cast<uint32_t>(rate));
    put32(b, static_cast<uint32_t>(rate * channels * 2));
    put16(b, static_cast<uint32_t>(channels * 2));
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, data_bytes);
    for (float v : samples) {
        long q = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
        put16(b, static_cast<uint32_t>(static_cast<int16_t>(q)) & 0xFFFF);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

bool make_sounds(const std::string& dir) {
    bool ok = true;
    for (const Effect& e : EFFECTS) {
        std::vector<float> s = e.make();
        fade_edges(s, SFX_RATE);
        normalise_peak(s, SFX_PEAK_DBFS);
        ok &= write_wav(dir + "/" + e.name, s, 1, SFX_RATE);
    }
    return ok;
}

}  // namespace mediagen
