// The "sbX" container reader and the entry encoder. Every field read from the
// bytes is treated as hostile: offsets and sizes are range-checked against the
// source before anything is read or allocated.
#include "runtime/files/container.h"

#include "runtime/values/bytes.h"

#include <lzo/lzo1x.h>

#include <cstring>
#include <mutex>

namespace {

constexpr char CONTAINER_MAGIC[3] = {'s', 'b', 'X'};
constexpr int64_t TRAILER_SIZE = 7;
constexpr size_t ENTRY_FIELDS_SIZE = 8;   // data offset + stored size after the name
constexpr size_t SIZE_PREFIX = 4;         // uncompressed size in front of the LZO data
// LZO1X cannot expand more than this per input byte (long matches add 255 per
// zero byte); a declared size beyond it is a lie and is refused before allocating.
constexpr uint64_t LZO_MAX_RATIO = 256;
constexpr uint64_t LZO_RATIO_SLACK = 256;

// liblzo2 wants one lzo_init() before any call.
bool lzo_ready()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = lzo_init() == LZO_E_OK; });
    return ok;
}

// Offsets and sizes are stored as signed 32-bit fields.
int32_t read_int32(const uint8_t* p)
{
    return static_cast<int32_t>(read_le32(p));
}

// Reads the trailer; false when the source is too small or the magic differs.
bool read_trailer(const ContainerSource& src, int32_t& directory_offset)
{
    if (src.size() < TRAILER_SIZE)
        return false;
    uint8_t trailer[TRAILER_SIZE];
    if (!src.read(src.size() - TRAILER_SIZE, trailer, sizeof trailer))
        return false;
    if (std::memcmp(trailer, CONTAINER_MAGIC, sizeof CONTAINER_MAGIC) != 0)
        return false;
    directory_offset = read_int32(trailer + 3);
    return true;
}

// Walks the directory and hands every complete entry to visit until it
// returns false. The directory ends at a zero name length, at the trailer, or
// at the first entry whose fields would run past it.
template <typename Visit>
bool walk_directory(const ContainerSource& src, Visit visit)
{
    int32_t d = 0;
    if (!read_trailer(src, d))
        return false;
    const int64_t size = src.size();
    const int64_t end = size - TRAILER_SIZE;
    const bool from_end = d < 0;
    int64_t pos = from_end ? size + d : static_cast<int64_t>(d);
    if (pos < 0 || pos > end)
        return true;   // a valid trailer whose directory is nowhere: no entries

    while (pos < end) {
        uint8_t name_length = 0;
        if (!src.read(pos, &name_length, 1) || name_length == 0)
            break;
        if (pos + 1 + name_length + static_cast<int64_t>(ENTRY_FIELDS_SIZE) > end)
            break;
        ContainerEntry entry;
        entry.name.resize(name_length);
        uint8_t fields[ENTRY_FIELDS_SIZE];
        if (!src.read(pos + 1, entry.name.data(), name_length) ||
            !src.read(pos + 1 + name_length, fields, sizeof fields))
            break;
        entry.raw_offset = read_int32(fields);
        entry.stored_size = read_int32(fields + 4);
        entry.data_offset = from_end ? size + entry.raw_offset : static_cast<int64_t>(entry.raw_offset);
        pos += 1 + name_length + static_cast<int64_t>(ENTRY_FIELDS_SIZE);
        if (!visit(entry))
            break;
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- sources

// Copies count bytes at offset when the whole range lies inside the buffer.
bool BufferSource::read(int64_t offset, void* out, size_t count) const
{
    if (offset < 0 || static_cast<uint64_t>(offset) > length || count > length - static_cast<size_t>(offset))
        return false;
    if (count > 0)
        std::memcpy(out, data + offset, count);
    return true;
}

// ---------------------------------------------------------------- directory

// Only the magic is checked; the directory may still be empty or damaged.
bool container_has_magic(const ContainerSource& src)
{
    int32_t d = 0;
    return read_trailer(src, d);
}

// Lists every complete entry in directory order.
bool container_list(const ContainerSource& src, std::vector<ContainerEntry>& entries)
{
    entries.clear();
    return walk_directory(src, [&](const ContainerEntry& e) {
        entries.push_back(e);
        return true;
    });
}

// The request's folders are ignored: only its last path component is compared,
// and an entry matches when its whole name equals that component.
bool container_find(const ContainerSource& src, const std::string& request, ContainerEntry& found)
{
    size_t cut = request.find_last_of("/\\");
    size_t start = cut == std::string::npos ? 0 : cut + 1;
    const char* wanted = request.data() + start;
    size_t k = request.size() - start;
    if (k == 0)
        return false;
    bool hit = false;
    walk_directory(src, [&](const ContainerEntry& e) {
        if (e.name.size() != k || !equal_ignoring_ascii_case(e.name.data(), wanted, k))
            return true;
        found = e;
        hit = true;
        return false;
    });
    return hit;
}

// ---------------------------------------------------------------- entry data

// Strict decode: the declared size must be plausible, and the decoder must
// consume all input and produce exactly the declared number of bytes.
bool container_decode(const uint8_t* stored, size_t stored_size, std::vector<uint8_t>& content)
{
    content.clear();
    if (stored == nullptr || stored_size < SIZE_PREFIX || !lzo_ready())
        return false;
    uint32_t declared = read_le32(stored);
    size_t packed = stored_size - SIZE_PREFIX;
    if (declared > CONTAINER_MAX_ENTRY_SIZE ||
        declared > static_cast<uint64_t>(packed) * LZO_MAX_RATIO + LZO_RATIO_SLACK)
        return false;

    std::vector<uint8_t> out(declared);
    // The decoder may write nothing for an empty entry, but wants a real buffer.
    uint8_t spare = 0;
    lzo_bytep dst = declared > 0 ? out.data() : &spare;
    lzo_uint out_len = declared;
    int rc = lzo1x_decompress_safe(stored + SIZE_PREFIX, static_cast<lzo_uint>(packed), dst, &out_len, nullptr);
    if (rc != LZO_E_OK || out_len != declared)
        return false;
    content = std::move(out);
    return true;
}

// Reads the entry's stored bytes; an entry pointing outside the source is damaged.
bool container_extract(const ContainerSource& src, const ContainerEntry& entry, std::vector<uint8_t>& content)
{
    content.clear();
    if (entry.stored_size < static_cast<int32_t>(SIZE_PREFIX) || entry.data_offset < 0 ||
        entry.data_offset > src.size() || entry.stored_size > src.size() - entry.data_offset)
        return false;
    std::vector<uint8_t> stored(static_cast<size_t>(entry.stored_size));
    if (!src.read(entry.data_offset, stored.data(), stored.size()))
        return false;
    return container_decode(stored.data(), stored.size(), content);
}

// LZO1X-1 with the worst-case output bound of the format.
std::vector<uint8_t> container_encode(const std::vector<uint8_t>& content)
{
    std::vector<uint8_t> stored;
    if (!lzo_ready() || content.size() > CONTAINER_MAX_ENTRY_SIZE)
        return stored;
    size_t bound = content.size() + content.size() / 16 + 64 + 3;
    stored.resize(SIZE_PREFIX + bound);
    write_le32(stored.data(), static_cast<uint32_t>(content.size()));
    std::vector<uint8_t> work(LZO1X_1_MEM_COMPRESS);
    static const uint8_t empty_input = 0;
    lzo_uint out_len = 0;
    int rc = lzo1x_1_compress(content.empty() ? &empty_input : content.data(), static_cast<lzo_uint>(content.size()),
                              stored.data() + SIZE_PREFIX, &out_len, work.data());
    if (rc != LZO_E_OK) {
        stored.clear();
        return stored;
    }
    stored.resize(SIZE_PREFIX + out_len);
    return stored;
}
