// Container reader: scaffolding so the other modules link.
#include "runtime/files/container.h"

bool BufferSource::read(int64_t, void*, size_t) const { return false; }
bool container_has_magic(const ContainerSource&) { return false; }
bool container_list(const ContainerSource&, std::vector<ContainerEntry>& entries)
{
    entries.clear();
    return false;
}
bool container_find(const ContainerSource&, const std::string&, ContainerEntry&) { return false; }
bool container_decode(const uint8_t*, size_t, std::vector<uint8_t>& content)
{
    content.clear();
    return false;
}
bool container_extract(const ContainerSource&, const ContainerEntry&, std::vector<uint8_t>& content)
{
    content.clear();
    return false;
}
std::vector<uint8_t> container_encode(const std::vector<uint8_t>&) { return {}; }
