// Environment variables changed for one scope and put back as they were when
// the scope ends, also when a failed assertion leaves a test early.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class ScopedEnv {
public:
    ScopedEnv() = default;
    // One variable; a null value unsets it.
    ScopedEnv(const std::string& name, const char* value) { set(name, value); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { restore(); }

    // Sets (or, for a null value, unsets) a variable; the value it had
    // before this object first touched it comes back at the end.
    void set(const std::string& name, const char* value) {
        bool known = false;
        for (const auto& entry : saved_) known = known || entry.first == name;
        if (!known) {
            const char* old = std::getenv(name.c_str());
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        }
        if (value) setenv(name.c_str(), value, 1);
        else unsetenv(name.c_str());
    }
    void set(const std::string& name, const std::string& value) { set(name, value.c_str()); }

    // Puts every variable back now (last changed first).
    void restore() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
            else unsetenv(it->first.c_str());
        }
        saved_.clear();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testsupport

// Tests name it unqualified as well.
using testsupport::ScopedEnv;
