// The four music tracks, written as chord charts, melodies and drum grids,
// rendered by the synthesiser and encoded to MP3 with the lame encoder at a
// fixed bit rate (lame's output depends only on its input and settings).
#include "mediagen.h"
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace mediagen {

namespace {

constexpr double MUSIC_PEAK_DBFS = -1.5;
// ReplayGain analysis is skipped: the game does not read it and it is most of lame's time.
constexpr const char* LAME_COMMAND = "lame --quiet --noreplaygain --cbr -b 128 --resample 44.1 -m j";

// ---------------------------------------------------------------- chords

// A chord symbol such as "C", "Am", "G7", "Fmaj7", "Dm7", "Esus4" as semitones above its root.
struct Chord {
    int root = 0;               // MIDI number of the root in octave 3
    std::vector<int> intervals;
};

Chord parse_chord(const std::string& symbol) {
    struct Quality { const char* suffix; std::vector<int> intervals; };
    static const Quality QUALITIES[] = {
        {"maj7", {0, 4, 7, 11}}, {"m7", {0, 3, 7, 10}}, {"sus4", {0, 5, 7}}, {"dim", {0, 3, 6}},
        {"7", {0, 4, 7, 10}},    {"m", {0, 3, 7}},      {"", {0, 4, 7}},
    };
    size_t len = symbol.size() > 1 && (symbol[1] == '#' || symbol[1] == 'b') ? 2 : 1;
    Chord c;
    c.root = parse_note(symbol.substr(0, len) + "3");
    std::string rest = symbol.substr(len);
    for (const Quality& q : QUALITIES) {
        if (rest == q.suffix) {
            c.intervals = q.intervals;
            break;
        }
    }
    if (c.intervals.empty()) c.intervals = {0, 4, 7};
    return c;
}

// A chart: one entry per bar, each bar one chord or two separated by a space
// (two beats each).
struct ChordAt { double beat; double length; Chord chord; };

std::vector<ChordAt> chart(const std::vector<std::string>& bars, double start_beat, double beats_per_bar = 4) {
    std::vector<ChordAt> out;
    double beat = start_beat;
    for (const std::string& bar : bars) {
        std::istringstream in(bar);
        std::vector<std::string> symbols;
        std::string s;
        while (in >> s) symbols.push_back(s);
        double each = beats_per_bar / static_cast<double>(symbols.size());
        for (const std::string& sym : symbols) {
            out.push_back({beat, each, parse_chord(sym)});
            beat += each;
        }
    }
    return out;
}

// Chord tone k (0 root, 1 third, 2 fifth, ...; past the last one the tones repeat an octave up).
int chord_tone(const Chord& c, int k, int octave_shift) {
    int n = static_cast<int>(c.intervals.size());
    int octave = k >= 0 ? k / n : -((-k + n - 1) / n);
    int idx = k - octave * n;
    return c.root + c.intervals[static_cast<size_t>(idx)] + 12 * (octave + octave_shift);
}

// ---------------------------------------------------------------- patterns

// Bass: a rhythm of (beat offset, length, chord tone) steps repeated through each chord.
struct Step { double at, length; int tone; double velocity; };

void pattern_over(Song& song, int voice, const std::vector<ChordAt>& chords, const std::vector<Step>& steps,
                  double pattern_beats, int octave_shift) {
    for (const ChordAt& c : chords) {
        for (double base = 0; base < c.length - 1e-9; base += pattern_beats) {
            for (const Step& s : steps) {
                if (base + s.at >= c.length - 1e-9) continue;
                double len = std::min(s.length, c.length - base - s.at);
                song.add_note(voice, c.beat + base + s.at, len, chord_tone(c.chord, s.tone, octave_shift), s.velocity);
            }
        }
    }
}

// Sustained chords (pads): every chord tone held for the chord's length.
void pad_over(Song& song, int voice, const std::vector<ChordAt>& chords, int octave_shift, double velocity) {
    for (const ChordAt& c : chords) {
        for (size_t k = 0; k < c.chord.intervals.size(); ++k) {
            song.add_note(voice, c.beat, c.length, chord_tone(c.chord, static_cast<int>(k), octave_shift), velocity);
        }
    }
}

// Drums from a grid of sixteenths: 'x' a full hit, 'o' a soft one, '.' nothing.
void drum_grid(Song& song, int voice, double start, int bars, const std::string& grid) {
    const double step = 0.25;
    const double bar_beats = static_cast<double>(grid.size()) * step;
    for (int b = 0; b < bars; ++b) {
        for (size_t i = 0; i < grid.size(); ++i) {
            if (grid[i] == '.') continue;
            song.add_note(voice, start + b * bar_beats + static_cast<double>(i) * step, step, 60,
                          grid[i] == 'x' ? 1.0 : 0.5);
        }
    }
}

// A calm melody invented over a chart in four-bar phrases shaped A B A' end:
// each motif is a rhythm and a contour of scale steps, started from the chord
// tone nearest the line; a phrase ends on a long chord tone.
void invent_melody(Song& song, int voice, const std::vector<ChordAt>& chords, uint64_t seed, int low, int high) {
    static const std::vector<std::vector<double>> RHYTHMS = {
        {1.5, 0.5, 2}, {1, 1, 2}, {2, 1, 1}, {0.5, 0.5, 1, 2}, {-1, 1, 1, 1}, {1, 0.5, 0.5, 2},
        {-2, 1, 1}, {1.5, 0.5, 1, 1}, {-1, 0.5, 0.5, 2},
    };
    static const std::vector<double> PHRASE_END = {3, -1};
    static const int SCALE[7] = {0, 2, 4, 5, 7, 9, 11};  // C major / A minor
    auto in_scale = [](int midi) {
        int pc = ((midi % 12) + 12) % 12;
        return std::find(std::begin(SCALE), std::end(SCALE), pc) != std::end(SCALE);
    };
    auto step_from = [&](int midi, int dir) {
        int m = midi + dir;
        while (!in_scale(m)) m += dir;
        return m;
    };
    Rng rng(seed);
    // Nearest chord tone to a pitch, within the range.
    auto chord_tone_near = [&](const Chord& chord, int pitch) {
        int best = pitch, best_dist = 99;
        for (int k = -6; k < 12; ++k) {
            int m = chord_tone(chord, k, 1);
            if (m < low || m > high) continue;
            if (std::abs(m - pitch) < best_dist) best = m, best_dist = std::abs(m - pitch);
        }
        return best;
    };
    struct Motif { const std::vector<double>* rhythm; std::vector<int> steps; };
    auto new_motif = [&] {
        Motif m{&RHYTHMS[rng.next() % RHYTHMS.size()], {}};
        for (size_t i = 0; i < m.rhythm->size(); ++i) {
            int s = static_cast<int>(rng.next() % 5) - 2;  // -2 .. +2 scale steps
            m.steps.push_back(s == 0 ? 1 : s);
        }
        return m;
    };
    int pitch = (low + high) / 2;
    Motif a = new_motif(), b = new_motif();
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const ChordAt& c = chords[bar];
        const int place = static_cast<int>(bar % 4);
        if (place == 0 && bar > 0 && rng.uniform() < 0.5) b = new_motif();  // fresh answers, the same call
        const Motif* motif = place == 1 ? &b : &a;
        const std::vector<double>& rhythm = place == 3 ? PHRASE_END : *motif->rhythm;
        double beat = c.beat, unit = c.length / 4.0;
        bool first = true;
        for (size_t i = 0; i < rhythm.size(); ++i) {
            double len = std::abs(rhythm[i]) * unit;
            if (rhythm[i] < 0) {  // a rest
                beat += len;
                continue;
            }
            if (first || place == 3) {
                pitch = chord_tone_near(c.chord, pitch + (place == 2 ? 2 : 0));
                first = false;
            } else {
                int steps = motif->steps[i];
                int dir = steps < 0 ? -1 : 1;
                if (pitch > high - 4) dir = -1;
                if (pitch < low + 4) dir = 1;
                for (int k = 0; k < std::abs(steps); ++k) pitch = step_from(pitch, dir);
            }
            song.add_note(voice, beat, len * 0.95, pitch, 0.75 + 0.25 * rng.uniform());
            beat += len;
        }
    }
}

// ---------------------------------------------------------------- voices

Voice lead_voice() {
    Voice v;
    v.timbre = Timbre::SoftSquare;
    v.env = {0.015, 0.2, 0.6, 0.12};
    v.gain = 0.16;
    v.pan = -0.15;
    v.echo_send = 0.35;
    v.vibrato = 0.12;
    v.vibrato_rate = 5.5;
    return v;
}

Voice bell_voice(double gain, double pan) {
    Voice v;
    v.timbre = Timbre::Bell;
    v.env = {0.004, 0.6, 0.25, 0.4};
    v.gain = gain;
    v.pan = pan;
    v.echo_send = 0.3;
    return v;
}

Voice bass_voice(double gain) {
    Voice v;
    v.timbre = Timbre::Triangle;
    v.env = {0.008, 0.25, 0.7, 0.08};
    v.gain = gain;
    return v;
}

Voice pad_voice(double gain) {
    Voice v;
    v.timbre = Timbre::Organ;
    v.env = {0.5, 0.5, 0.8, 0.8};
    v.gain = gain;
    v.detune = 7;
    v.echo_send = 0.1;
    return v;
}

Voice drum_voice(Timbre t, double gain, double pan) {
    Voice v;
    v.timbre = t;
    v.gain = gain;
    v.pan = pan;
    return v;
}

// ---------------------------------------------------------------- the menu theme

Song triangle_song() {
    Song s;
    s.bpm = 110;
    s.loop = true;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.3;
    const int lead = s.add_voice(lead_voice());
    const int bell = s.add_voice(bell_voice(0.12, 0.35));
    const int bass = s.add_voice(bass_voice(0.32));
    const int pad = s.add_voice(pad_voice(0.045));
    const int kick = s.add_voice(drum_voice(Timbre::Kick, 0.55, 0));
    const int snare = s.add_voice(drum_voice(Timbre::Snare, 0.22, 0.1));
    const int hat = s.add_voice(drum_voice(Timbre::Hat, 0.16, 0.3));

    const std::vector<std::string> intro = {"C", "F", "C", "G"};
    const std::vector<std::string> verse = {"C", "Am", "F", "G", "C", "Am", "Dm G", "C"};
    const std::vector<std::string> bridge = {"F", "G", "Em", "Am", "F", "G", "Dm", "G"};
    const std::vector<std::string> outro = {"F", "G", "C", "G"};
    const double INTRO = 0, VERSE = 16, BRIDGE = 48, VERSE2 = 80, OUTRO = 112;
    s.beats = 128;  // 32 bars, about 70 seconds

    const std::string verse_tune =
        "E5:1 G5:0.5 E5:0.5 C5:1 D5:1 | E5:1.5 D5:0.5 C5:1 A4:1 | C5:1 F5:1 A5:1 G5:0.5 F5:0.5 | G5:2 r:1 D5:1 | "
        "E5:1 G5:0.5 E5:0.5 C6:1 B5:0.5 A5:0.5 | A5:1.5 G5:0.5 E5:1 C5:1 | D5:1 F5:1 G5:0.5 A5:0.5 B5:1 | ";
    const std::string bridge_tune =
        "A5:0.5 C6:0.5 A5:0.5 F5:0.5 C5:1 F5:1 | G5:0.5 B5:0.5 D6:1 B5:1 G5:1 | E5:0.5 G5:0.5 B5:1 G5:0.5 E5:0.5 "
        "B4:1 | C5:1.5 E5:0.5 A5:2 | A5:0.5 G5:0.5 F5:0.5 E5:0.5 F5:1 A5:1 | B5:0.5 A5:0.5 G5:0.5 F5:0.5 D5:1 "
        "G5:1 | F5:1 E5:0.5 D5:0.5 A5:1 F5:1 | G5:1 D5:0.5 E5:0.5 F5:1 B4:1";
    s.add_line(lead, VERSE, verse_tune + "C6:3 r:1");
    s.add_line(lead, BRIDGE, bridge_tune, 0.95);
    s.add_line(lead, VERSE2, verse_tune + "C6:2 G5:1 E5:1");
    // The bell doubles the second verse an octave up, softly.
    s.add_line(bell, VERSE2, verse_tune + "C6:2 G5:1 E5:1", 0.45, 12);
    s.add_line(lead, OUTRO, "A5:1 C6:1 F6:1 E6:1 | D6:2 B5:1 G5:1 | E5:1 G5:1 C6:1 E6:1 | D6:2 B5:1 G5:1", 0.8);

    // Bell arpeggios in the intro, bridge and outro; bass and pads throughout.
    const std::vector<Step> arp = {{0, 0.5, 0, 0.9}, {0.5, 0.5, 1, 0.6}, {1, 0.5, 2, 0.7}, {1.5, 0.5, 3, 0.6},
                                   {2, 0.5, 4, 0.8}, {2.5, 0.5, 3, 0.6}, {3, 0.5, 2, 0.7}, {3.5, 0.5, 1, 0.6}};
    pattern_over(s, bell, chart(intro, INTRO), arp, 4, 1);
    pattern_over(s, bell, chart(bridge, BRIDGE), arp, 4, 1);
    pattern_over(s, bell, chart(outro, OUTRO), arp, 4, 1);
    const std::vector<Step> bass_line = {{0, 1, 0, 1.0}, {1, 0.5, 0, 0.7}, {1.5, 0.5, 2, 0.8},
                                         {2, 1, 3, 0.9}, {3, 1, 2, 0.8}};
    for (auto [bars, at] : {std::pair{&intro, INTRO}, {&verse, VERSE}, {&bridge, BRIDGE}, {&verse, VERSE2},
                            {&outro, OUTRO}}) {
        pattern_over(s, bass, chart(*bars, at), bass_line, 4, -1);
        pad_over(s, pad, chart(*bars, at), 1, 1.0);
    }
    // Light rhythm: hats from the start, kick and snare from the verse.
    drum_grid(s, hat, INTRO, 32, "x.o.x.o.x.o.x.oo");
    drum_grid(s, kick, INTRO, 4, "x.......x.......");
    drum_grid(s, kick, VERSE, 24, "x.......x.x.....");
    drum_grid(s, snare, VERSE, 24, "....x.......x...");
    drum_grid(s, kick, OUTRO, 4, "x.......x.......");
    drum_grid(s, snare, OUTRO, 4, "....x.......x..o");
    return s;
}

// ---------------------------------------------------------------- the in-game music

Song ingame_song() {
    Song s;
    s.bpm = 80;
    s.loop = true;
    s.echo_beats = 1.5;
    s.echo_feedback = 0.35;
    const int bell = s.add_voice(bell_voice(0.15, 0.2));
    Voice counter = lead_voice();
    counter.gain = 0.07;
    counter.pan = -0.35;
    counter.env = {0.06, 0.3, 0.6, 0.3};
    const int low_lead = s.add_voice(counter);
    const int bass = s.add_voice(bass_voice(0.3));
    const int pad = s.add_voice(pad_voice(0.05));
    const int kick = s.add_voice(drum_voice(Timbre::Kick, 0.35, 0));
    const int shaker = s.add_voice(drum_voice(Timbre::Shaker, 0.12, 0.4));
    const int hat = s.add_voice(drum_voice(Timbre::Hat, 0.08, -0.3));
    Voice harp;
    harp.timbre = Timbre::Pluck;
    harp.env = {0.003, 0.8, 0.3, 0.5};
    harp.gain = 0.1;
    harp.pan = 0.45;
    harp.echo_send = 0.25;
    const int pluck = s.add_voice(harp);

    struct Section { std::vector<std::string> bars; uint64_t seed; bool melody, counter, rhythm, harp; };
    const std::vector<Section> sections = {
        {{"Am7", "Fmaj7", "Am7", "Fmaj7"}, 0, false, false, false, true},
        {{"Am7", "Fmaj7", "C", "G", "Am7", "Fmaj7", "Dm7", "Em7"}, 11, true, false, true, false},
        {{"Fmaj7", "G", "Em7", "Am7", "Dm7", "G", "C", "C"}, 23, true, true, true, false},
        {{"Am7", "Fmaj7", "C", "G", "Am7", "Fmaj7", "Dm7", "Em7"}, 37, true, true, true, true},
        {{"Dm7", "Em7", "Fmaj7", "G", "Dm7", "Em7", "Fmaj7", "Fmaj7"}, 41, true, false, false, true},
        {{"Am7", "Fmaj7", "C", "G", "Dm7", "Fmaj7", "Em7", "Em7"}, 53, true, true, true, false},
    };
    double beat = 0;
    const std::vector<Step> bass_line = {{0, 2, 0, 1.0}, {2, 1.5, 2, 0.8}, {3.5, 0.5, 0, 0.6}};
    const std::vector<Step> counter_line = {{0, 1, 0, 0.8}, {1, 1, 2, 0.7}, {2, 2, 1, 0.8}};
    // A slow rising harp figure under the melody.
    const std::vector<Step> harp_line = {{0, 1, 0, 0.9}, {0.5, 1, 1, 0.6}, {1, 1, 2, 0.7}, {1.5, 1, 3, 0.6},
                                         {2, 1, 4, 0.8}, {3, 1, 3, 0.5}};
    for (const Section& sec : sections) {
        std::vector<ChordAt> c = chart(sec.bars, beat);
        pad_over(s, pad, c, 1, 1.0);
        pattern_over(s, bass, c, bass_line, 4, -1);
        if (sec.melody) invent_melody(s, bell, c, sec.seed, 69, 88);
        if (sec.counter) pattern_over(s, low_lead, c, counter_line, 4, 0);
        if (sec.harp) pattern_over(s, pluck, c, harp_line, 4, 1);
        int bars = static_cast<int>(sec.bars.size());
        if (sec.rhythm) {
            drum_grid(s, shaker, beat, bars, "x.o.x.o.x.o.x.o.");
            drum_grid(s, kick, beat, bars, "x.........x.....");
            drum_grid(s, hat, beat, bars, "....x.......x...");
        } else {
            drum_grid(s, shaker, beat, bars, "x.......x.......");
        }
        beat += 4.0 * bars;
    }
    s.beats = beat;  // 44 bars at 80 beats a minute: 132 seconds
    return s;
}

// ---------------------------------------------------------------- the intro

Song marlow_song() {
    Song s;
    s.bpm = 96;
    s.loop = false;
    s.tail_seconds = 3.0;
    s.echo_beats = 0.75;
    s.echo_feedback = 0.3;
    const int lead = s.add_voice(lead_voice());
    const int bell = s.add_voice(bell_voice(0.13, 0.3));
    const int bass = s.add_voice(bass_voice(0.32));
    const int pad = s.add_voice(pad_voice(0.05));
    const int kick = s.add_voice(drum_voice(Timbre::Kick, 0.5, 0));
    const int snare = s.add_voice(drum_voice(Timbre::Snare, 0.18, 0.1));
    const int hat = s.add_voice(drum_voice(Timbre::Hat, 0.13, 0.3));

    const std::vector<std::string> bars = {"Dmaj7", "Dmaj7", "D", "Bm", "G", "A", "D", "Bm", "Em A", "D", "G", "A"};
    std::vector<ChordAt> c = chart(bars, 0);
    pad_over(s, pad, c, 1, 1.0);
    const std::vector<Step> arp = {{0, 0.5, 0, 0.9}, {0.5, 0.5, 1, 0.6}, {1, 0.5, 2, 0.7}, {1.5, 0.5, 3, 0.7},
                                   {2, 0.5, 4, 0.8}, {2.5, 0.5, 3, 0.6}, {3, 0.5, 2, 0.7}, {3.5, 0.5, 1, 0.6}};
    pattern_over(s, bell, chart({"Dmaj7", "Dmaj7"}, 0), arp, 4, 1);
    pattern_over(s, bell, chart({"G", "A"}, 40), arp, 4, 1);
    const std::vector<Step> bass_line = {{0, 1.5, 0, 1.0}, {1.5, 0.5, 2, 0.7}, {2, 1, 3, 0.9}, {3, 1, 2, 0.8}};
    pattern_over(s, bass, chart({"D", "Bm", "G", "A", "D", "Bm", "Em A", "D", "G", "A"}, 8), bass_line, 4, -1);
    s.add_note(bass, 0, 8, parse_note("D2"), 0.8);
    s.add_line(lead, 8,
               "F#5:1 A5:1 D6:1.5 C#6:0.5 | B5:1 F#5:1 D5:2 | G5:1 B5:1 D6:1 E6:0.5 D6:0.5 | C#6:2 A5:2 | "
               "F#5:1 A5:1 D6:1.5 E6:0.5 | F#6:1 E6:0.5 D6:0.5 B5:2 | G5:1 B5:1 E6:1 C#6:1 | D6:4 | "
               "B5:1 D6:1 G6:2 | E6:1 C#6:1 A5:1 E6:1");
    // The last chord, held and left to ring.
    const double END = 48;
    for (const char* n : {"D6", "A5", "F#5", "D5"}) s.add_note(lead, END, 3, parse_note(n), 0.55);
    for (const char* n : {"D4", "F#4", "A4", "D5"}) s.add_note(pad, END, 3, parse_note(n), 1.0);
    s.add_note(bass, END, 3, parse_note("D2"), 1.0);
    s.add_note(bell, END, 3, parse_note("D6"), 0.9);
    s.add_note(kick, END, 1, 60, 1.0);
    drum_grid(s, hat, 8, 10, "x.o.x.o.x.o.x.o.");
    drum_grid(s, kick, 8, 10, "x.......x.......");
    drum_grid(s, snare, 8, 10, "....x.......x...");
    drum_grid(s, snare, 44, 1, "....x...x.x.xoxo");
    s.beats = END + 3;  // about 32 seconds, then the tail
    return s;
}

// ---------------------------------------------------------------- out of time

Song dirge_song() {
    Song s;
    s.bpm = 60;
    s.loop = false;
    s.tail_seconds = 1.5;
    s.echo_beats = 0.5;
    s.echo_feedback = 0.2;
    Voice horn;
    horn.timbre = Timbre::Tuba;
    horn.env = {0.04, 0.3, 0.75, 0.15};
    horn.gain = 0.2;
    horn.pan = -0.1;
    horn.echo_send = 0.2;
    horn.vibrato = 0.3;
    horn.vibrato_rate = 4.5;
    const int melody = s.add_voice(horn);
    Voice tuba = horn;
    tuba.gain = 0.3;
    tuba.vibrato = 0.0;
    tuba.pan = 0.1;
    tuba.echo_send = 0;
    tuba.env = {0.02, 0.2, 0.5, 0.1};
    const int bass = s.add_voice(tuba);
    const int snare = s.add_voice(drum_voice(Timbre::Snare, 0.15, 0.2));
    const int kick = s.add_voice(drum_voice(Timbre::Kick, 0.4, 0));
    Voice sag = horn;  // the long wobbling last note
    sag.vibrato = 0.55;
    sag.vibrato_rate = 6;
    const int wobble = s.add_voice(sag);

    s.add_line(melody, 0, "D4:1.5 D4:0.5 D4:1 F4:1 | E4:1 D4:1 D4:1 C#4:1 | D4:3 r:1 | A3:1 G#3:1 G3:1.5 r:0.5");
    s.add_note(wobble, 16, 3.2, parse_note("F#3"), 1.0);
    s.add_line(bass, 0, "D2:1 r:1 A1:1 r:1 | G1:1 r:1 A1:1 r:1 | D2:1 r:1 A1:1 r:1 | F1:1 r:1 E1:1 r:1 | D2:3");
    drum_grid(s, snare, 0, 4, "....o.......o...");
    drum_grid(s, kick, 0, 4, "x.......x.......");
    s.add_note(kick, 19.25, 1, 60, 1.0);
    s.beats = 19.5;
    return s;
}

struct Track {
    const char* name;
    Song (*make)();
};

constexpr Track TRACKS[] = {
    {"triangle", triangle_song},
    {"ingame", ingame_song},
    {"marlow", marlow_song},
    {"dirge", dirge_song},
};

bool encode_track(const std::string& dir, const Track& t) {
    std::vector<float> samples = render_song(t.make(), MUSIC_RATE);
    normalise_peak(samples, MUSIC_PEAK_DBFS);
    const std::string wav = dir + "/" + t.name + ".tmp.wav";
    const std::string mp3 = dir + "/" + t.name + ".mp3";
    if (!write_wav(wav, samples, 2, MUSIC_RATE)) return false;
    const std::string cmd = std::string(LAME_COMMAND) + " '" + wav + "' '" + mp3 + "'";
    const int rc = std::system(cmd.c_str());
    std::remove(wav.c_str());
    if (rc != 0) std::fprintf(stderr, "mediagen: lame failed for %s\n", t.name);
    return rc == 0;
}

}  // namespace

std::vector<std::string> music_track_names() {
    std::vector<std::string> names;
    for (const Track& t : TRACKS) names.emplace_back(t.name);
    return names;
}

bool make_music(const std::string& dir, const std::vector<std::string>& names) {
    std::vector<const Track*> chosen;
    for (const std::string& name : names) {
        auto it = std::find_if(std::begin(TRACKS), std::end(TRACKS), [&](const Track& t) { return name == t.name; });
        if (it == std::end(TRACKS)) {
            std::fprintf(stderr, "mediagen: no track named %s\n", name.c_str());
            return false;
        }
        chosen.push_back(&*it);
    }
    // Each track renders and encodes on its own thread.
    std::vector<char> results(chosen.size(), 0);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < chosen.size(); ++i) {
        workers.emplace_back([&, i] { results[i] = encode_track(dir, *chosen[i]); });
    }
    for (std::thread& w : workers) w.join();
    return std::all_of(results.begin(), results.end(), [](char r) { return r != 0; });
}

}  // namespace mediagen
