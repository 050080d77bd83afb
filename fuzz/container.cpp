// Fuzzes the container reader and the entry decoder with arbitrary bytes: a
// whole file for the directory walk, lookups and extraction, and the same
// bytes as one entry's stored data. Encoding any input must decode back to it.
#include "runtime/files/container.h"

#include <cstdlib>
#include <cstring>

namespace {

// Enough entries to reach deep into a directory without letting one input
// decode thousands of entries.
constexpr size_t MAX_EXTRACTED = 16;
constexpr size_t MAX_ROUND_TRIP = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BufferSource src(data, size);
    std::vector<ContainerEntry> entries;
    std::vector<uint8_t> content;
    if (container_list(src, entries)) {
        for (size_t i = 0; i < entries.size() && i < MAX_EXTRACTED; ++i) {
            if (container_extract(src, entries[i], content) && content.size() > CONTAINER_MAX_ENTRY_SIZE)
                std::abort();
            // Every listed plain name is found again (perhaps as an earlier
            // entry of the same name).
            ContainerEntry found;
            const std::string& name = entries[i].name;
            if (name.find_first_of("/\\") == std::string::npos &&
                !container_find(src, "some/folder/" + name, found))
                std::abort();
        }
    }
    ContainerEntry found;
    container_find(src, "MEDIA/Tiles.PNG", found);
    container_find(src, "mp3media\\ingame.mp3", found);

    if (!container_decode(data, size, content) && !content.empty())
        std::abort();

    if (size <= MAX_ROUND_TRIP) {
        std::vector<uint8_t> original(data, data + size);
        std::vector<uint8_t> stored = container_encode(original);
        if (!container_decode(stored.data(), stored.size(), content) || content != original)
            std::abort();
    }
    return 0;
}
