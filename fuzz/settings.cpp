// Fuzzes the settings.dat reader: any file content loads without a fault, a
// full-length file gives exactly its bytes, anything shorter the defaults,
// and the tile colours always follow the colour channels.
#include "fuzz/records_support.h"
#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"

#include <cstring>

namespace {

constexpr size_t SETTINGS_BYTES = 20;
constexpr int CHANNELS = 18;
constexpr int COLOURS = 6;
constexpr int GARBAGE = 0x5A5A;   // never a byte: shows a value left unset

struct Snapshot {
    int music_off, vortex_on;
    int channels[CHANNELS];
};

Snapshot take_snapshot()
{
    Snapshot s{music_off, vortex_on, {}};
    std::memcpy(s.channels, colour_channels, sizeof s.channels);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Snapshot defaults = [] {
        settings_defaults();
        return take_snapshot();
    }();
    FuzzFolder folder("settings.dat", data, size);

    music_off = vortex_on = GARBAGE;
    for (int& c : colour_channels) c = GARBAGE;
    try {
        load_settings();
    } catch (const ProgramEnded&) {
        return 0;   // a refused read ends the program in an orderly way
    }

    Snapshot expected = defaults;
    if (size >= SETTINGS_BYTES) {
        expected.music_off = data[0];
        expected.vortex_on = data[1];
        for (int i = 0; i < CHANNELS; ++i) expected.channels[i] = data[2 + i];
    }
    const Snapshot got = take_snapshot();
    if (std::memcmp(&got, &expected, sizeof got) != 0) std::abort();
    for (int c = 0; c < COLOURS; ++c) {
        const int packed = got.channels[3 * c] + 256 * got.channels[3 * c + 1] + 65536 * got.channels[3 * c + 2];
        if (tile_colours[c] != packed) std::abort();
    }
    return 0;
}
