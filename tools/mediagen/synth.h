// Small synthesiser shared by the sound effects and the music: oscillators,
// envelopes, filters, a note sequencer over named voices, and an echo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediagen {

// ---------------------------------------------------------------- building blocks

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double note_frequency(double midi);
// Parses a note name such as "C4", "F#3" or "Bb5" into a MIDI number; -1 if not a note.
int parse_note(const std::string& name);

// Attack-decay-sustain-release envelope at time t of a note held for length seconds.
struct Envelope {
    double attack = 0.005, decay = 0.1, sustain = 0.7, release = 0.1;
    double at(double t, double length) const;
    double total(double length) const { return length + release; }
};

// Chamberlin state-variable filter (low-pass and band-pass outputs).
struct SvFilter {
    double low = 0, band = 0;
    // Advances one sample with cutoff (Hz) and damping (0.1 sharp .. 1.4 soft).
    void step(double in, double cutoff, double damping, int rate);
};

// Deterministic white noise in -1..1.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
    double next();
};

// ---------------------------------------------------------------- sequencer

enum class Timbre {
    SoftSquare,  // rounded square: warm lead
    Triangle,    // hollow and soft: bass and pads
    Bell,        // two-operator FM with a falling index
    Pluck,       // bright attack decaying to a sine
    Organ,       // a few sine partials: chords
    Tuba,        // low buzzy brass for the comic march
    Kick, Snare, Hat, Shaker,
};

struct Voice {
    Timbre timbre = Timbre::Triangle;
    Envelope env;
    double gain = 0.3;
    double pan = 0.0;          // -1 left .. 1 right
    double echo_send = 0.0;    // share of the signal sent to the echo
    double vibrato = 0.0;      // depth in semitones
    double vibrato_rate = 5.0; // Hz
    double detune = 0.0;       // cents of a second, detuned copy (0 = none)
};

struct NoteEvent {
    int voice;
    double start;   // beats
    double length;  // beats
    int midi;       // note number (ignored by drums)
    double velocity;
};

struct Song {
    double bpm = 120;
    double beats = 0;          // length of the piece in beats
    bool loop = false;         // tails and echoes wrap round to the start
    double tail_seconds = 0;   // extra room after the end when not looping
    double echo_beats = 0.75;  // echo delay
    double echo_feedback = 0.35;
    std::vector<Voice> voices;
    std::vector<NoteEvent> notes;

    int add_voice(const Voice& v);
    // Adds a line of notes written as tokens "C5:1 E5:0.5 r:1 ..." (pitch:beats,
    // "r" a rest, a missing length repeats the last one) from the given beat.
    // Returns the beat after the last token. transpose shifts every note by semitones.
    double add_line(int voice, double start, const std::string& tokens, double velocity = 1.0, int transpose = 0);
    void add_note(int voice, double start, double length, int midi, double velocity = 1.0);
};

// Renders a song as interleaved stereo samples at the given rate.
std::vector<float> render_song(const Song& song, int rate);

}  // namespace mediagen
