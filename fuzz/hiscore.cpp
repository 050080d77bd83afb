// Fuzzes the hiscore.dat reader: any file content loads without a fault into
// fifteen rows of a 20-character name and a 7-character score that the font
// can show; a full-length file gives its decoded bytes, a shorter one the
// default table.
#include "fuzz/records_support.h"
#include "game/frontend/frontend.h"
#include "runtime/process/process.h"

namespace {

constexpr int ROWS = 15;
constexpr int TABLE_ROWS = 16;
constexpr size_t NAME_LENGTH = 20;
constexpr size_t SCORE_LENGTH = 7;
constexpr size_t FILE_BYTES = ROWS * (NAME_LENGTH + SCORE_LENGTH);
constexpr int OFFSET = 20;
constexpr int FIRST_SHOWN = 32;
constexpr int LAST_SHOWN = 91;

// The character a stored byte stands for, as the font can show it.
char decoded(uint8_t stored)
{
    const int code = static_cast<int8_t>(stored) + OFFSET;
    return code < FIRST_SHOWN || code > LAST_SHOWN ? ' ' : static_cast<char>(code);
}

bool all_shown(const std::string& text)
{
    for (char c : text)
        if (c < FIRST_SHOWN || c > LAST_SHOWN) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (high_score_table.bound(0) == 0) high_score_table.dim(TABLE_ROWS, 2);
    FuzzFolder folder("hiscore.dat", data, size);
    for (int row = 0; row < ROWS; ++row) high_score_table(row, 0) = high_score_table(row, 1) = "\x01";
    try {
        load_high_scores();
    } catch (const ProgramEnded&) {
        return 0;
    }
    size_t at = 0;
    for (int row = 0; row < ROWS; ++row) {
        const std::string& name = high_score_table(row, 0);
        const std::string& score = high_score_table(row, 1);
        if (name.size() != NAME_LENGTH || score.size() != SCORE_LENGTH) std::abort();
        if (!all_shown(name) || !all_shown(score)) std::abort();
        if (size >= FILE_BYTES) {
            for (size_t i = 0; i < NAME_LENGTH; ++i)
                if (name[i] != decoded(data[at++])) std::abort();
            for (size_t i = 0; i < SCORE_LENGTH; ++i)
                if (score[i] != decoded(data[at++])) std::abort();
        } else if (name.compare(0, std::string(default_high_score_name(row)).size(),
                                default_high_score_name(row)) != 0) {
            std::abort();
        }
    }
    return 0;
}
