// Whole-file reads and writes for tests: a missing or unreadable file reads
// as empty, so a check on its content fails with the content shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

std::string read_file(const std::string& path);
std::vector<uint8_t> file_bytes(const std::string& path);
// Replaces the file; false when it could not be written whole.
bool write_file(const std::string& path, const std::string& content);
bool write_file(const std::string& path, const std::vector<uint8_t>& content);
// Anything at the path (a file, a folder, a FIFO).
bool file_present(const std::string& path);

}  // namespace testsupport
