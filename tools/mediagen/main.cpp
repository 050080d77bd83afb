// mediagen OUTDIR [--no-music]: writes every picture, sound and music track
// of the game into OUTDIR. Exit code 0 only when every file was written.
#include "mediagen.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--no-music") != 0)) {
        std::fprintf(stderr, "usage: mediagen OUTDIR [--no-music]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool music = argc == 2;
    try {
        std::filesystem::create_directories(dir);
        bool ok = mediagen::make_play_pictures(dir);
        ok &= mediagen::make_front_pictures(dir);
        ok &= mediagen::make_sounds(dir);
        if (music) ok &= mediagen::make_music(dir);
        if (!ok) {
            std::fprintf(stderr, "mediagen: some files could not be written to %s\n", dir.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mediagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
