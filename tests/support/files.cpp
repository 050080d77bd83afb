#include "tests/support/files.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace testsupport {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    const std::string bytes = read_file(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return !out.fail();
}

bool write_file(const std::string& path, const std::vector<uint8_t>& content) {
    return write_file(path, std::string(content.begin(), content.end()));
}

bool file_present(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace testsupport
