// The data folder of an installed game, and where a container is opened from.
#include "runtime/files/files.h"

#include "runtime/process/process.h"

#include <filesystem>

#ifndef WEDGEWISE_DATA_FROM_PROGRAM
#define WEDGEWISE_DATA_FROM_PROGRAM ""
#endif

namespace {

struct DataFolder {
    bool replaced = false;
    std::string folder;
};

DataFolder& data_folder_state()
{
    static DataFolder d;
    return d;
}

// The compiled-in way from the program's folder, made one plain path.
std::string installed_data_folder()
{
    const std::string way = WEDGEWISE_DATA_FROM_PROGRAM;
    const std::string from = program_dir();
    if (way.empty() || from.empty() || from.front() != '/')
        return std::string();
    std::string folder = (std::filesystem::path(from) / way).lexically_normal().string();
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

}  // namespace

std::string media_data_folder()
{
    const DataFolder& d = data_folder_state();
    if (d.replaced)
        return d.folder;
    static const std::string folder = installed_data_folder();
    return folder;
}

void media_data_folder_set(const std::string& folder)
{
    DataFolder& d = data_folder_state();
    d.replaced = true;
    d.folder = folder;
    if (!d.folder.empty() && d.folder.back() != '/')
        d.folder += '/';
}

std::string container_location(const std::string& path)
{
    if (path.empty() || path.find_first_of("/\\") != std::string::npos || file_exists(path))
        return path;
    const std::string folder = media_data_folder();
    if (!folder.empty() && file_exists(folder + path))
        return folder + path;
    return path;
}
