// Fuzzes the WAV reader with arbitrary bytes: it must refuse or describe a
// sample block that lies wholly inside the input, in whole sample frames of
// a layout the mixer can take.
#include "runtime/audio/wav.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    WavData wav;
    if (!parse_wav(bytes, wav)) return 0;
    const uint8_t* begin = bytes.data();
    const uint8_t* end = begin + bytes.size();
    if (wav.samples < begin || wav.samples > end) std::abort();
    if (wav.size == 0 || wav.size > size_t(end - wav.samples)) std::abort();
    if (wav.channels != 1 && wav.channels != 2) std::abort();
    if (wav.bits != 8 && wav.bits != 16) std::abort();
    if (wav.block_align != wav.channels * wav.bits / 8) std::abort();
    if (wav.size % size_t(wav.block_align) != 0) std::abort();
    if (wav.rate <= 0) std::abort();
    // Touch every sample byte so the sanitizer sees any stray read.
    unsigned sum = 0;
    for (size_t i = 0; i < wav.size; ++i) sum += wav.samples[i];
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
