// Builds "sbX" containers: the entries' stored data, the directory and the
// trailer, either as a file of its own (offsets from the start) or as a tail
// appended to an existing file (offsets from the end, so the host file's size
// never matters). Used by the sbx tool and by tests that need containers.
#pragma once

#include "runtime/files/container.h"
#include "runtime/values/bytes.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

struct PackInput {
    std::string name;               // bare file name, 1..255 bytes
    std::vector<uint8_t> content;
};

namespace sbx_writer_detail {

// Appends a signed 32-bit field (offsets from the end are negative).
inline void put_le32(std::vector<uint8_t>& out, int64_t value)
{
    uint8_t field[4];
    write_le32(field, static_cast<uint32_t>(static_cast<int32_t>(value)));
    out.insert(out.end(), field, field + 4);
}

}  // namespace sbx_writer_detail

// Longest entry name the directory can hold.
constexpr size_t SBX_MAX_NAME = 255;

// Whether a name may be stored: a bare file name of 1..255 bytes.
inline bool sbx_valid_name(const std::string& name)
{
    return !name.empty() && name.size() <= SBX_MAX_NAME && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// The container bytes to place after host_size bytes of an existing file
// (0 for a file of its own). from_end selects negative offsets. Returns false
// (with a reason) when a name is invalid, content is too large or an offset
// would not fit in 32 bits.
inline bool sbx_build(const std::vector<PackInput>& inputs, int64_t host_size, bool from_end,
                      std::vector<uint8_t>& out, std::string& why)
{
    using sbx_writer_detail::put_le32;
    out.clear();
    struct Placed { int64_t at; int64_t size; };
    std::vector<Placed> placed;
    for (const PackInput& in : inputs) {
        if (!sbx_valid_name(in.name)) {
            why = "invalid entry name \"" + in.name + "\"";
            return false;
        }
        if (in.content.size() > CONTAINER_MAX_ENTRY_SIZE) {
            why = in.name + " is larger than an entry may be";
            return false;
        }
        std::vector<uint8_t> stored = container_encode(in.content);
        if (stored.empty()) {
            why = "could not compress " + in.name;
            return false;
        }
        placed.push_back({host_size + static_cast<int64_t>(out.size()), static_cast<int64_t>(stored.size())});
        out.insert(out.end(), stored.begin(), stored.end());
    }
    const int64_t directory_at = host_size + static_cast<int64_t>(out.size());
    int64_t directory_size = 1 + 7;   // terminator and trailer
    for (const PackInput& in : inputs)
        directory_size += 1 + static_cast<int64_t>(in.name.size()) + 8;
    const int64_t final_size = directory_at + directory_size;
    const int64_t base = from_end ? final_size : 0;
    auto fits = [](int64_t v) {
        return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    };
    if (!fits(directory_at - base) || !fits(final_size - host_size)) {
        why = "the container would be too large for 32-bit offsets";
        return false;
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
        out.push_back(static_cast<uint8_t>(inputs[i].name.size()));
        out.insert(out.end(), inputs[i].name.begin(), inputs[i].name.end());
        put_le32(out, placed[i].at - base);
        put_le32(out, placed[i].size);
    }
    out.push_back(0);
    out.push_back('s');
    out.push_back('b');
    out.push_back('X');
    put_le32(out, directory_at - base);
    return true;
}
