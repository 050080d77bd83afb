// What the sound server's monitor recorded, and the few measures the sound
// tests make on it: levels in dB below full scale, quiet stretches, the
// moments sounds begin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace desktop {

// A level below anything 16-bit samples can hold: digital silence.
constexpr double SILENT_DB = -200.0;

class Recording {
public:
    // Reads a 16-bit PCM WAV file (mono or stereo). A file whose sizes were
    // never filled in (a recorder stopped hard) is read to its end.
    bool read(const std::string& path);

    int rate() const { return rate_; }
    double seconds() const { return rate_ > 0 ? double(frames()) / rate_ : 0; }
    size_t frames() const { return left_.size(); }

    // RMS in dBFS over [from, to) seconds of one channel (0 left, 1 right)
    // or both (-1).
    double rms_db(double from, double to, int channel = -1) const;

    // The median of one channel's (or both, -1) 5 ms levels over [from, to)
    // seconds, over the windows where both channels together reach
    // heard_db: a steady sound's level, which the gaps a stream starved on
    // a loaded machine leaves in it do not pull down.
    double steady_db(double from, double to, int channel, double heard_db) const;

    // Longest stretch inside [from, to) seconds whose 5 ms windows all lie
    // below floor_db, in milliseconds.
    double longest_quiet_ms(double from, double to, double floor_db) const;

    // Where sounds begin (seconds): the first 5 ms window at or above
    // off_db after at least quiet_ms of windows below it, where a window
    // within the next 30 ms reaches on_db.
    std::vector<double> onsets(double on_db, double off_db, double quiet_ms) const;

    // The first moment (seconds) from `from` on whose window reaches on_db;
    // -1 when none does.
    double first_sound(double from, double on_db) const;
    // The last moment (seconds) whose window reaches on_db; -1 when none.
    double last_sound(double on_db) const;

private:
    double window_db(size_t first, size_t count, int channel) const;
    size_t window_frames() const;

    int rate_ = 0;
    std::vector<int16_t> left_, right_;
};

}  // namespace desktop
