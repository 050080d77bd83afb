// Files: scaffolding so the other modules link; replaced by the real lookup.
#include "runtime/files/files.h"

void media_container_set(const std::string&, const std::string&) {}
void media_containers_reset(const std::string&) {}
bool media_resolve(Container, const std::string& name, bool, std::string& resolved)
{
    resolved = name;
    return false;
}
bool read_resolved(const std::string&, std::vector<uint8_t>& out)
{
    out.clear();
    return false;
}
bool mem_block(const std::string&, const uint8_t*& data, size_t& size)
{
    data = nullptr;
    size = 0;
    return false;
}
void media_containers_release() {}
int file_open(int, const std::string&, int) { return 0; }
void file_close(int) {}
void file_close_all() {}
int file_read_byte(int) { return 0; }
int file_read_ubyte(int) { return 0; }
void file_write_byte(int, int) {}
void file_write_ubyte(int, int) {}
bool file_exists(const std::string&) { return false; }
bool folder_writable(const std::string&) { return false; }
