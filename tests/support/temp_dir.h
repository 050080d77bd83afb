// A fresh folder of a test's own, made by mkdtemp in the temporary
// directory (never a name built from the pid, never the build folder), and
// removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "wedgewise-test") {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / (prefix + "-XXXXXX")).string();
        if (ec) pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    // Empty when the folder could not be made.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace testsupport
