// Shared by the record-file fuzzers: a private folder that the data file is
// written into and that is current only while the loader runs (libFuzzer
// keeps its corpus relative to the folder it started in).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzFolder {
public:
    // Writes the bytes as the named file of the private folder and makes
    // that folder current until the object goes.
    FuzzFolder(const char* file, const uint8_t* data, size_t size)
    {
        static const std::string folder = make_folder();
        back_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (back_ < 0 || ::chdir(folder.c_str()) != 0) std::abort();
        FILE* f = std::fopen(file, "wb");
        if (!f) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
        std::fclose(f);
    }
    ~FuzzFolder()
    {
        if (::fchdir(back_) != 0) std::abort();
        ::close(back_);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

private:
    static std::string make_folder()
    {
        // A memory file system when there is one: a disk one makes every
        // rewrite of the input wait for the device.
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string name = std::string(base) + "/wedgewise-fuzz-XXXXXX";
            if (mkdtemp(name.data())) return name;
        }
        std::abort();
    }
    int back_ = -1;
};
