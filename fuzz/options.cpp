// Fuzzes the options.dat reader: any file content loads without a fault, and
// the marks are on for exactly one content ("WO", format 1, marks 1); every
// other, of any length, leaves them off.
#include "fuzz/records_support.h"
#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/process/process.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const uint8_t MARKS_ON[] = {'W', 'O', 1, 1};
    FuzzFolder folder("options.dat", data, size);
    constexpr int GARBAGE = 0x5A5A;   // never a switch: shows a value left unset
    corner_marks = GARBAGE;
    try {
        load_options();
    } catch (const ProgramEnded&) {
        std::abort();   // a damaged options file must never end the program
    }
    const bool on = size == sizeof MARKS_ON && std::memcmp(data, MARKS_ON, size) == 0;
    if (corner_marks != (on ? 1 : 0)) std::abort();
    return 0;
}
