// Shared by the record-file fuzzers: a private working folder that the data
// files are written into, so load_settings and load_high_scores read them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Makes a fresh temporary folder current once per process.
inline void enter_fuzz_folder()
{
    static bool entered = false;
    if (entered) return;
    char name[] = "/tmp/wedgewise-fuzz-XXXXXX";
    if (!mkdtemp(name) || chdir(name) != 0) std::abort();
    entered = true;
}

// Replaces the named file in the current folder with the bytes.
inline void write_input(const char* file, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(file, "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}
