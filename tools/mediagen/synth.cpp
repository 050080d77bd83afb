// The synthesiser: every voice is computed sample by sample from closed-form
// oscillators, so the same song always renders to the same samples.
#include "synth.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>

namespace mediagen {

namespace {

constexpr double TWO_PI = 2 * M_PI;
// Drums ring for a fixed time whatever the written length.
constexpr double DRUM_SECONDS = 0.45;
constexpr double DRUM_END_FADE = 0.01;

}  // namespace

// ---------------------------------------------------------------- building blocks

double note_frequency(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

int parse_note(const std::string& name) {
    static const int STEPS[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2) return -1;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter < 'A' || letter > 'G') return -1;
    int semitone = STEPS[letter - 'A'];
    size_t i = 1;
    if (name[i] == '#') ++semitone, ++i;
    else if (name[i] == 'b') --semitone, ++i;
    if (i >= name.size()) return -1;
    int octave = 0;
    bool negative = false;
    if (name[i] == '-') negative = true, ++i;
    if (i >= name.size()) return -1;
    for (; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        octave = octave * 10 + (name[i] - '0');
    }
    if (negative) octave = -octave;
    return (octave + 1) * 12 + semitone;
}

double Envelope::at(double t, double length) const {
    auto held = [&](double u) {
        if (u < attack) return u / attack;
        if (u < attack + decay) return 1.0 - (1.0 - sustain) * (u - attack) / decay;
        return sustain;
    };
    if (t < 0) return 0;
    if (t <= length) return held(t);
    double r = (t - length) / release;
    if (r >= 1) return 0;
    double fade = 1 - r;
    return held(length) * fade * fade;
}

void SvFilter::step(double in, double cutoff, double damping, int rate) {
    double f = 2 * std::sin(M_PI * std::min(cutoff, rate / 6.0) / rate);
    low += f * band;
    double high = in - low - damping * band;
    band += f * high;
}

double Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
}

// ---------------------------------------------------------------- sequencer

int Song::add_voice(const Voice& v) {
    voices.push_back(v);
    return static_cast<int>(voices.size()) - 1;
}

void Song::add_note(int voice, double start, double length, int midi, double velocity) {
    notes.push_back({voice, start, length, midi, velocity});
}

double Song::add_line(int voice, double start, const std::string& tokens, double velocity, int transpose) {
    std::istringstream in(tokens);
    std::string tok;
    double beat = start, length = 1.0;
    while (in >> tok) {
        if (tok == "|") continue;
        size_t colon = tok.find(':');
        std::string pitch = tok.substr(0, colon);
        if (colon != std::string::npos) length = std::stod(tok.substr(colon + 1));
        if (pitch != "r") {
            int midi = parse_note(pitch);
            if (midi >= 0) add_note(voice, beat, length, midi + transpose, velocity);
        }
        beat += length;
    }
    return beat;
}

namespace {

// ---------------------------------------------------------------- oscillators

// Sine by table with linear interpolation: the synthesiser's hot path.
constexpr int SINE_BITS = 12;
constexpr int SINE_SIZE = 1 << SINE_BITS;

const std::vector<double>& sine_table() {
    static const std::vector<double> table = [] {
        std::vector<double> t(SINE_SIZE + 1);
        for (int i = 0; i <= SINE_SIZE; ++i) t[static_cast<size_t>(i)] = std::sin(TWO_PI * i / SINE_SIZE);
        return t;
    }();
    return table;
}

// One cycle of the soft square: a sine pushed through tanh, rounded corners
// and few upper harmonics.
const std::vector<double>& soft_square_table() {
    static const std::vector<double> table = [] {
        const double drive = 2.2, norm = 1.0 / std::tanh(drive);
        std::vector<double> t(SINE_SIZE + 1);
        for (int i = 0; i <= SINE_SIZE; ++i) t[static_cast<size_t>(i)] = std::tanh(drive * std::sin(TWO_PI * i / SINE_SIZE)) * norm;
        return t;
    }();
    return table;
}

// A cycle table (sine by default) at any phase, negative ones included (frequency
// modulation swings below zero).
inline double table_sin(const std::vector<double>& table, double ph) {
    double pos = ph * (SINE_SIZE / TWO_PI);
    double whole = std::floor(pos);
    double frac = pos - whole;
    size_t i = static_cast<size_t>(static_cast<int64_t>(whole) & (SINE_SIZE - 1));
    return table[i] + (table[i + 1] - table[i]) * frac;
}

// Slow-moving parts of a note (decays, brightness) are refreshed every
// BLOCK samples; the waveform itself is computed every sample.
constexpr int BLOCK = 32;
constexpr int MAX_PARTIALS = 8;

struct Oscillator {
    Timbre timbre;
    double freq;
    double weights[MAX_PARTIALS] = {};  // partial k+1 amplitude
    int partials = 0;
    double index = 0, shimmer = 0;      // bell modulation

    void update(double t) {
        switch (timbre) {
        case Timbre::Bell:
            index = 2.4 * std::exp(-t * 5.0) + 0.25;
            shimmer = 0.22 * std::exp(-t * 3.0);
            break;
        case Timbre::Pluck:
            partials = 0;
            for (int k = 1; k <= 6 && freq * k <= 9000; ++k) weights[partials++] = std::exp(-t * 2.5 * k) / k;
            break;
        case Timbre::Organ:
            partials = 4;
            weights[0] = 0.6, weights[1] = 0.3, weights[2] = 0.15, weights[3] = 0.08;
            break;
        case Timbre::Tuba: {
            double bright = 0.45 + 0.55 * std::exp(-t * 4.0), w = 1;
            partials = 0;
            for (int k = 1; k <= MAX_PARTIALS && freq * k <= 9000; ++k, w *= bright) weights[partials++] = w / k;
            break;
        }
        default:
            break;
        }
    }

    // One sample for phase ph of the fundamental.
    double sample(const std::vector<double>& table, double ph) const {
        switch (timbre) {
        case Timbre::SoftSquare:
            return table_sin(soft_square_table(), ph);
        case Timbre::Triangle: {
            double u = ph / TWO_PI;
            u -= std::floor(u);
            return u < 0.25 ? 4 * u : (u < 0.75 ? 2 - 4 * u : 4 * u - 4);
        }
        case Timbre::Bell:
            return 0.85 * table_sin(table, ph + index * table_sin(table, 2 * ph)) +
                   shimmer * table_sin(table, 3.5 * ph + 0.6 * table_sin(table, ph));
        case Timbre::Pluck:
        case Timbre::Organ:
        case Timbre::Tuba: {
            double s = 0;
            for (int k = 0; k < partials; ++k) s += weights[k] * table_sin(table, (k + 1) * ph);
            return s;
        }
        default:
            return 0;
        }
    }
};

// One drum hit into out (which it fills from the start).
void drum(Timbre timbre, std::vector<double>& out, double velocity, int rate, uint32_t seed) {
    Noise noise(seed);
    SvFilter f;
    const size_t n = out.size();
    double ph = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / rate;
        double s = 0;
        switch (timbre) {
        case Timbre::Kick: {
            double freq = 48 + 110 * std::exp(-t * 28);
            ph += TWO_PI * freq / rate;
            s = std::sin(ph) * std::exp(-t * 9) * std::min(1.0, t * 800);
            break;
        }
        case Timbre::Snare: {
            f.step(noise.next(), 2200, 0.9, rate);
            ph += TWO_PI * 185 / rate;
            s = (0.8 * f.band * std::exp(-t * 18) + 0.45 * std::sin(ph) * std::exp(-t * 30)) * std::min(1.0, t * 1000);
            break;
        }
        case Timbre::Hat: {
            double w = noise.next();
            f.step(w, 7000, 0.6, rate);
            s = (w - f.low) * 0.6 * std::exp(-t * 70) * std::min(1.0, t * 2000);
            break;
        }
        case Timbre::Shaker: {
            f.step(noise.next(), 6500, 0.7, rate);
            double env = std::min(1.0, t * 120) * std::exp(-t * 40);
            s = f.band * 0.7 * env;
            break;
        }
        default:
            break;
        }
        // The last few milliseconds fade out, so a long ring never ends in a click.
        const double end_fade = std::min(1.0, static_cast<double>(n - i) / (DRUM_END_FADE * rate));
        out[i] += s * velocity * end_fade;
    }
}

}  // namespace

std::vector<float> render_song(const Song& song, int rate) {
    const double seconds_per_beat = 60.0 / song.bpm;
    const size_t body = static_cast<size_t>(std::llround(song.beats * seconds_per_beat * rate));
    const size_t total = song.loop ? body : body + static_cast<size_t>(song.tail_seconds * rate);
    std::vector<double> left(total, 0.0), right(total, 0.0), send_l(total, 0.0), send_r(total, 0.0);

    uint32_t drum_seed = 12345;
    std::vector<double> mono;
    for (const NoteEvent& e : song.notes) {
        const Voice& v = song.voices[static_cast<size_t>(e.voice)];
        const size_t start = static_cast<size_t>(std::llround(e.start * seconds_per_beat * rate));
        const double pan_l = std::cos((v.pan + 1) * M_PI / 4), pan_r = std::sin((v.pan + 1) * M_PI / 4);
        size_t n = 0;
        bool is_drum = v.timbre == Timbre::Kick || v.timbre == Timbre::Snare || v.timbre == Timbre::Hat ||
                       v.timbre == Timbre::Shaker;
        if (is_drum) {
            n = static_cast<size_t>(DRUM_SECONDS * rate);
            mono.assign(n, 0.0);
            drum(v.timbre, mono, e.velocity * v.gain, rate, drum_seed += 7919);
        } else {
            const double length = e.length * seconds_per_beat;
            n = static_cast<size_t>(v.env.total(length) * rate);
            mono.assign(n, 0.0);
            const double freq = note_frequency(e.midi);
            const int copies = v.detune != 0 ? 2 : 1;
            const std::vector<double>& table = sine_table();
            for (int c = 0; c < copies; ++c) {
                // The second copy starts at another phase so the pair beats gently.
                double ph = c * 1.3;
                const double f0 = freq * (c == 1 ? std::pow(2.0, v.detune / 1200.0) : 1.0);
                Oscillator osc{v.timbre, f0};
                double step = TWO_PI * f0 / rate;
                const double level = e.velocity * v.gain / copies;
                for (size_t i = 0; i < n; ++i) {
                    double t = static_cast<double>(i) / rate;
                    if (i % BLOCK == 0) {
                        osc.update(t);
                        double vib = v.vibrato != 0 ? std::pow(2.0, v.vibrato * std::min(1.0, t * 3) *
                                                                         std::sin(TWO_PI * v.vibrato_rate * t) / 12.0)
                                                    : 1.0;
                        step = TWO_PI * f0 * vib / rate;
                    }
                    ph += step;
                    // Wrap every two cycles so the bell's 3.5 ratio stays continuous.
                    if (ph >= 2 * TWO_PI) ph -= 2 * TWO_PI;
                    mono[i] += osc.sample(table, ph) * v.env.at(t, length) * level;
                }
            }
        }
        // Mix the note into the stereo buses (only the span it touched); a
        // looping song wraps the note's tail round to the start.
        size_t k = song.loop ? start % total : start;
        for (size_t i = 0; i < n; ++i, ++k) {
            if (k >= total) {
                if (!song.loop) break;
                k = 0;
            }
            double s = mono[i];
            left[k] += s * pan_l;
            right[k] += s * pan_r;
            send_l[k] += s * pan_l * v.echo_send;
            send_r[k] += s * pan_r * v.echo_send;
        }
    }

    // Ping-pong echo; a looping song runs it round twice so the tail of the
    // end flows into the start.
    const size_t delay = static_cast<size_t>(song.echo_beats * seconds_per_beat * rate);
    if (delay > 0 && delay < total) {
        std::vector<double> line_l(delay, 0.0), line_r(delay, 0.0);
        size_t pos = 0;
        const int passes = song.loop ? 2 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            for (size_t k = 0; k < total; ++k) {
                double out_l = line_l[pos], out_r = line_r[pos];
                line_l[pos] = send_l[k] + out_r * song.echo_feedback;
                line_r[pos] = send_r[k] * 0.3 + out_l * song.echo_feedback;
                pos = (pos + 1) % delay;
                if (pass == passes - 1) {
                    left[k] += out_l * 0.8;
                    right[k] += out_r * 0.8;
                }
            }
        }
    }

    std::vector<float> out(total * 2);
    for (size_t k = 0; k < total; ++k) {
        out[2 * k] = static_cast<float>(left[k]);
        out[2 * k + 1] = static_cast<float>(right[k]);
    }
    return out;
}

}  // namespace mediagen
