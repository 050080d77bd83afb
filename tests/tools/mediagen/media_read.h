// Readers for the generated media: PNG pictures (through libpng), WAV sounds
// and a walk over MP3 frame headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media_test {

// Folder of the build's media.
std::string media_dir();
// Whether this build generated media (WEDGEWISE_MEDIA on).
bool media_built();
std::vector<uint8_t> read_bytes(const std::string& path);

struct Picture {
    int width = 0, height = 0;
    bool has_alpha = false;
    std::vector<uint8_t> rgba;  // 4 bytes a pixel; alpha 255 for RGB files
    bool key(int x, int y) const;  // exactly the transparent key colour (RGB files only)
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};
// Loads a PNG; false when it is missing or does not decode.
bool load_png(const std::string& path, Picture& out);

struct Wave {
    int channels = 0, rate = 0, bits = 0, format = 0;
    std::vector<int16_t> samples;
    double seconds() const { return channels && rate ? double(samples.size()) / channels / rate : 0; }
};
// Parses a RIFF WAVE file (PCM); false if the layout is wrong.
bool load_wav(const std::string& path, Wave& out);

struct Mp3Walk {
    int frames = 0;
    int sample_rate = 0;
    bool stereo = false;
    bool reached_end = false;  // every byte accounted for by frames (and tags)
    double seconds() const { return sample_rate ? frames * 1152.0 / sample_rate : 0; }
};
// Walks MPEG-1 layer III frame headers from the start to the end of the file.
Mp3Walk walk_mp3(const std::vector<uint8_t>& bytes);

}  // namespace media_test
