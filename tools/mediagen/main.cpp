// mediagen OUTDIR [--tracks NAME,NAME...]: writes every picture, sound and
// music track of the game into OUTDIR (--tracks picks some tracks only; an
// empty list makes none). Exit code 0 only when every file was written.
#include "mediagen.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if ((argc != 2 && argc != 4) || (argc == 4 && std::strcmp(argv[2], "--tracks") != 0)) {
        std::fprintf(stderr, "usage: mediagen OUTDIR [--tracks NAME,NAME...]\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> tracks;
    if (argc == 4) {
        std::string list = argv[3];
        for (size_t start = 0; start < list.size();) {
            size_t comma = list.find(',', start);
            if (comma == std::string::npos) comma = list.size();
            if (comma > start) tracks.push_back(list.substr(start, comma - start));
            start = comma + 1;
        }
    } else {
        tracks = mediagen::music_track_names();
    }
    try {
        std::filesystem::create_directories(dir);
        bool ok = mediagen::make_play_pictures(dir);
        ok &= mediagen::make_front_pictures(dir);
        ok &= mediagen::make_sounds(dir);
        ok &= mediagen::make_icons(dir);
        ok &= mediagen::make_music(dir, tracks);
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
