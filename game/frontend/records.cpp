// The player's records: settings.dat (switches and tile colours),
// options.dat (switches that settings.dat has no room for) and hiscore.dat
// (the fifteen best scores), plus the folder they live in.
#include <cstdint>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "runtime/files/files.h"
#include "runtime/process/process.h"

namespace {

constexpr int DATA_CHANNEL = 0;
constexpr const char* RECORDS_FOLDER_NAME = "wedgewise";   // in the player's data folder
constexpr int SETTINGS_BYTES = 20;
constexpr int CHANNEL_COUNT = 18;

// options.dat: a mark of its own, a format number, then one byte a switch.
// settings.dat must stay 20 bytes for the copies of the game that read only
// it, so newer switches live here. Anything but exactly this layout (short,
// long, another mark or format, a switch other than 0 or 1) leaves every
// switch of the file at its default.
constexpr uint8_t OPTIONS_MARK[2] = {'W', 'O'};
constexpr uint8_t OPTIONS_FORMAT = 1;
constexpr size_t OPTIONS_BYTES = 4;         // mark, format, corner marks
constexpr size_t OPTIONS_MARKS_AT = 3;

constexpr int HIGH_SCORE_ROWS = 15;          // kept entries; row 15 is the overflow row
constexpr int NAME_LENGTH = 20;
constexpr int SCORE_LENGTH = 7;
constexpr int RECORD_BYTES = NAME_LENGTH + SCORE_LENGTH;
constexpr int HIGH_SCORE_BYTES = HIGH_SCORE_ROWS * RECORD_BYTES;   // 405
constexpr int CHARACTER_OFFSET = 20;         // stored byte = character code - 20
constexpr int FIRST_SHOWN_CODE = 32;         // the font holds codes 32..91
constexpr int LAST_SHOWN_CODE = 91;
constexpr double TOP_DEFAULT_SCORE = 75000;
constexpr double DEFAULT_SCORE_STEP = 5000;
constexpr int SORT_PASSES = 16;

// Read top to bottom, the default table is a short credits message.
const char* const DEFAULT_NAMES[HIGH_SCORE_ROWS] = {
    "WEDGEWISE WAS MADE",
    "BY ONE PUZZLE FAN",
    "WRITTEN IN C++ WITH",
    "SDL AND OPENGL",
    "MANY THANKS TO ALL",
    "THE PLAYTESTERS",
    "AND TO THE FRIENDLY",
    "GAME MAKING FORUMS",
    "IF YOU ENJOY THIS",
    "GAME PLEASE THINK",
    "ABOUT SENDING A",
    "SMALL DONATION",
    "TO KEEP IT GOING",
    "THANK YOU FOR",
    "PLAYING WEDGEWISE!",
};

// The first bytes of a data file (no more than its format holds, whatever
// its size), or false when it is missing, unreadable or not a regular file.
bool read_data_file(const std::string& path, size_t format_bytes, std::vector<uint8_t>& bytes) {
    bytes.clear();
    return file_exists(path) && read_resolved(path, bytes, format_bytes);
}

// Opens a data file for writing on the data channel; a folder that cannot
// take the file leaves the old one alone rather than ending the program.
bool open_for_writing(const std::string& path) {
    if (file_open(DATA_CHANNEL, path, 0) == 1) return true;
    startup_log("Cannot write " + path);
    return false;
}

// A stored character, as the font can show it.
std::string decode_character(int stored) {
    int code = static_cast<int8_t>(stored & 0xFF) + CHARACTER_OFFSET;
    if (code < FIRST_SHOWN_CODE || code > LAST_SHOWN_CODE) code = ' ';
    return string_from_char_code(code);
}

void write_field(const std::string& text, int length) {
    for (int i = 0; i < length; ++i) {
        int code = i < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[static_cast<size_t>(i)]) : ' ';
        file_write_byte(DATA_CHANNEL, code - CHARACTER_OFFSET);
    }
}

double score_of_row(int row) { return string_to_number(high_score_table(row, 1)); }

}  // namespace

// ---------------------------------------------------------------- data folder

std::string data_folder() {
    const std::string here = current_folder();
    // An installed game never writes into the system's folders, even when
    // run by root: its records go to the player's own data folder.
    if (!media_installed() && folder_writable(here)) return here;
    const std::string own = player_data_folder(RECORDS_FOLDER_NAME);
    return own.empty() ? here : own;
}

// ---------------------------------------------------------------- settings

const char* const SETTINGS_FILE = "settings.dat";
const char* const OPTIONS_FILE = "options.dat";

void load_settings() {
    std::vector<uint8_t> bytes;
    // A file too short to hold every value counts as missing: the defaults
    // apply and the file stays as it is until the next save.
    if (read_data_file(data_folder() + SETTINGS_FILE, SETTINGS_BYTES, bytes) && bytes.size() >= SETTINGS_BYTES) {
        music_off = bytes[0];
        vortex_on = bytes[1];
        for (int i = 0; i < CHANNEL_COUNT; ++i) colour_channels[i] = bytes[static_cast<size_t>(2 + i)];
    } else {
        settings_defaults();
    }
    rebuild_tile_colours();
    load_options();
}

void save_settings() {
    if (open_for_writing(data_folder() + SETTINGS_FILE)) {
        file_write_ubyte(DATA_CHANNEL, music_off);
        file_write_ubyte(DATA_CHANNEL, vortex_on);
        for (int i = 0; i < CHANNEL_COUNT; ++i) file_write_ubyte(DATA_CHANNEL, colour_channels[i]);
        file_close(DATA_CHANNEL);
    }
    save_options();
}

void load_options() {
    std::vector<uint8_t> bytes;
    corner_marks = 0;
    // One byte more than the format, so a longer file is seen as damaged
    // without reading the rest of it.
    if (!read_data_file(data_folder() + OPTIONS_FILE, OPTIONS_BYTES + 1, bytes)) return;
    if (bytes.size() != OPTIONS_BYTES || bytes[0] != OPTIONS_MARK[0] || bytes[1] != OPTIONS_MARK[1] ||
        bytes[2] != OPTIONS_FORMAT || bytes[OPTIONS_MARKS_AT] > 1)
        return;
    corner_marks = bytes[OPTIONS_MARKS_AT];
}

void save_options() {
    if (!open_for_writing(data_folder() + OPTIONS_FILE)) return;
    for (uint8_t b : OPTIONS_MARK) file_write_ubyte(DATA_CHANNEL, b);
    file_write_ubyte(DATA_CHANNEL, OPTIONS_FORMAT);
    file_write_ubyte(DATA_CHANNEL, corner_marks == 1 ? 1 : 0);
    file_close(DATA_CHANNEL);
}

// ---------------------------------------------------------------- high scores

StringArray high_score_table;
std::string player_name;

const char* default_high_score_name(int row) {
    if (row < 0 || row >= HIGH_SCORE_ROWS) return "";
    return DEFAULT_NAMES[row];
}

void load_high_scores() {
    std::vector<uint8_t> bytes;
    // A short file would run off its end: the default table is used and the
    // file is left alone. Characters the font cannot show become spaces.
    if (read_data_file(data_folder() + "hiscore.dat", HIGH_SCORE_BYTES, bytes) && bytes.size() >= HIGH_SCORE_BYTES) {
        size_t at = 0;
        for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
            std::string name, score_text;
            for (int i = 0; i < NAME_LENGTH; ++i) name += decode_character(bytes[at++]);
            for (int i = 0; i < SCORE_LENGTH; ++i) score_text += decode_character(bytes[at++]);
            high_score_table(row, 0) = name;
            high_score_table(row, 1) = score_text;
        }
    } else {
        for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
            high_score_table(row, 0) = DEFAULT_NAMES[row];
            high_score_table(row, 1) = string_from_number(TOP_DEFAULT_SCORE - DEFAULT_SCORE_STEP * row);
        }
    }
    pad_high_scores();
}

void save_high_scores() {
    pad_high_scores();
    if (!open_for_writing(data_folder() + "hiscore.dat")) return;
    for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
        write_field(high_score_table(row, 0), NAME_LENGTH);
        write_field(high_score_table(row, 1), SCORE_LENGTH);
    }
    file_close(DATA_CHANNEL);
}

void pad_high_scores() {
    for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
        std::string& name = high_score_table(row, 0);
        if (name.size() < NAME_LENGTH) name.append(NAME_LENGTH - name.size(), ' ');
        std::string& score_text = high_score_table(row, 1);
        if (score_text.size() < SCORE_LENGTH) score_text.insert(0, SCORE_LENGTH - score_text.size(), ' ');
    }
}

void insert_high_score(const std::string& name) {
    constexpr int LAST_KEPT = HIGH_SCORE_ROWS - 1;
    constexpr int OVERFLOW_ROW = HIGH_SCORE_ROWS;
    if (score_of_row(LAST_KEPT) < score) {
        high_score_table(OVERFLOW_ROW, 0) = name;
        high_score_table(OVERFLOW_ROW, 1) = string_from_number(score);
        // A swap only on strictly greater scores keeps older equal entries above.
        for (int pass = 0; pass < SORT_PASSES; ++pass) {
            for (int i = 0; i < HIGH_SCORE_ROWS; ++i) {
                double upper = score_of_row(i), lower = score_of_row(i + 1);
                if (lower > upper) {
                    std::swap(high_score_table(i, 0), high_score_table(i + 1, 0));
                    high_score_table(i, 1) = string_from_number(lower);
                    high_score_table(i + 1, 1) = string_from_number(upper);
                }
            }
        }
    }
    pad_high_scores();
}
