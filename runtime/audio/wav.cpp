// The RIFF/WAVE reader: finds the format and sample chunks of a PCM file
// held in memory. Pure byte work, so it can be tested and fuzzed alone.
#include "runtime/audio/wav.h"

#include "runtime/values/bytes.h"

#include <cstring>

namespace {

// Accepted sample layouts (the only ones a static PCM buffer takes).
constexpr int MIN_SAMPLE_RATE = 100;
constexpr int MAX_SAMPLE_RATE = 200000;
constexpr uint64_t MAX_SOUND_BYTES = 0x0FFFFFFF;

constexpr size_t RIFF_HEADER = 12;
constexpr size_t CHUNK_HEADER = 8;
constexpr size_t FORMAT_BYTES = 16;

// Steps over chunks until one named id; false when the data ends first or a
// chunk claims more bytes than there are. pos ends at the chunk's body.
bool find_chunk(const std::vector<uint8_t>& bytes, size_t& pos, const char* id, uint64_t& length) {
    while (pos + CHUNK_HEADER <= bytes.size()) {
        const uint8_t* header = bytes.data() + pos;
        length = read_le32(header + 4);
        const uint64_t body = pos + CHUNK_HEADER;
        if (body + length > bytes.size()) return false;
        if (std::memcmp(header, id, 4) == 0) {
            pos = size_t(body);
            return true;
        }
        pos = size_t(body + length);
        // Writers that follow the word alignment put a zero after an odd chunk;
        // no chunk name begins with a zero byte, so skipping it is safe.
        if ((length & 1) != 0 && pos < bytes.size() && bytes[pos] == 0) ++pos;
    }
    return false;
}

}  // namespace

// Reads the layout and the sample block; every offset stays inside bytes.
bool parse_wav(const std::vector<uint8_t>& bytes, WavData& wav) {
    if (bytes.size() < RIFF_HEADER) return false;
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) return false;
    size_t pos = RIFF_HEADER;
    uint64_t length = 0;
    if (!find_chunk(bytes, pos, "fmt ", length) || length < FORMAT_BYTES) return false;
    const uint8_t* fmt = bytes.data() + pos;
    const int file_channels = read_le16(fmt + 2);
    wav.rate = int(read_le32(fmt + 4));
    wav.block_align = read_le16(fmt + 12);
    wav.bits = read_le16(fmt + 14);
    pos += size_t(length);
    if (!find_chunk(bytes, pos, "data", length)) return false;
    wav.channels = file_channels > 1 ? 2 : 1;
    if (file_channels < 1) return false;
    if (wav.bits != 8 && wav.bits != 16) return false;
    if (wav.block_align != wav.channels * wav.bits / 8) return false;
    if (wav.rate < MIN_SAMPLE_RATE || wav.rate > MAX_SAMPLE_RATE) return false;
    if (length > MAX_SOUND_BYTES) return false;
    wav.size = size_t(length) - size_t(length) % size_t(wav.block_align);
    if (wav.size == 0) return false;
    wav.samples = bytes.data() + pos;
    return true;
}
