// sbx: packs, appends, lists and extracts "sbX" media containers.
//
//   sbx pack OUT FILE...        a new container file (offsets from the start)
//   sbx append TARGET FILE...   a container appended to an existing file
//   sbx list FILE               name, stored size, uncompressed size
//   sbx extract FILE NAME [OUT] one entry, to OUT or to the entry's name
#include "runtime/files/container.h"
#include "runtime/values/bytes.h"
#include "tools/sbx/writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int usage()
{
    std::fprintf(stderr,
                 "usage: sbx pack OUT FILE...\n"
                 "       sbx append TARGET FILE...\n"
                 "       sbx list FILE\n"
                 "       sbx extract FILE NAME [OUT]\n");
    return EXIT_USAGE;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "sbx: %s\n", message.c_str());
    return EXIT_FAILED;
}

bool read_file(const std::string& path, std::vector<uint8_t>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data, bool append)
{
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    return !out.fail();
}

std::string base_name(const std::string& path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool same_ignoring_case(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    return equal_ignoring_ascii_case(a.data(), b.data(), a.size());
}

// Reads the input files as entries named after their bare file names. Two
// names equal but for case would hide one another, so they are refused.
bool gather(int argc, char** argv, int first, std::vector<PackInput>& inputs, std::string& why)
{
    for (int i = first; i < argc; ++i) {
        PackInput in;
        in.name = base_name(argv[i]);
        if (!sbx_valid_name(in.name)) {
            why = std::string("cannot store \"") + argv[i] + "\": the entry name must be 1 to 255 bytes";
            return false;
        }
        for (const PackInput& other : inputs)
            if (same_ignoring_case(other.name, in.name)) {
                why = "two files would both be entry \"" + in.name + "\"";
                return false;
            }
        if (!read_file(argv[i], in.content)) {
            why = std::string("cannot read ") + argv[i];
            return false;
        }
        inputs.push_back(std::move(in));
    }
    return true;
}

int cmd_pack(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    std::vector<PackInput> inputs;
    std::string why;
    std::vector<uint8_t> bytes;
    if (!gather(argc, argv, 3, inputs, why) || !sbx_build(inputs, 0, false, bytes, why))
        return fail(why);
    if (!write_file(argv[2], bytes, false))
        return fail(std::string("cannot write ") + argv[2]);
    return EXIT_OK;
}

int cmd_append(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    // Offsets count from the end, so only the host's size matters here.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(argv[2], ec))
        return fail(std::string(argv[2]) + " is not an existing file (append needs one)");
    const auto host_size = std::filesystem::file_size(argv[2], ec);
    if (ec)
        return fail(std::string("cannot read ") + argv[2]);
    std::vector<PackInput> inputs;
    std::string why;
    std::vector<uint8_t> bytes;
    if (!gather(argc, argv, 3, inputs, why) ||
        !sbx_build(inputs, static_cast<int64_t>(host_size), true, bytes, why))
        return fail(why);
    if (!write_file(argv[2], bytes, true))
        return fail(std::string("cannot append to ") + argv[2]);
    return EXIT_OK;
}

// Loads a container file whole; prints why not when it is none.
bool load_container(const std::string& path, std::vector<uint8_t>& bytes)
{
    if (!read_file(path, bytes)) {
        fail("cannot read " + path);
        return false;
    }
    BufferSource src(bytes.data(), bytes.size());
    if (!container_has_magic(src)) {
        fail(path + " is not an sbX container");
        return false;
    }
    return true;
}

int cmd_list(int argc, char** argv)
{
    if (argc != 3)
        return usage();
    std::vector<uint8_t> bytes;
    if (!load_container(argv[2], bytes))
        return EXIT_FAILED;
    BufferSource src(bytes.data(), bytes.size());
    std::vector<ContainerEntry> entries;
    container_list(src, entries);
    std::printf("%-32s %12s %12s\n", "name", "stored", "size");
    for (const ContainerEntry& e : entries) {
        // The uncompressed size is the entry's first 4 bytes, when they exist.
        uint8_t prefix[4];
        bool readable = e.stored_size >= 4 && src.read(e.data_offset, prefix, sizeof prefix);
        std::string name = e.name;
        for (char& c : name)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '?';
        if (readable) {
            uint32_t size = prefix[0] | (prefix[1] << 8) | (prefix[2] << 16) | (static_cast<uint32_t>(prefix[3]) << 24);
            std::printf("%-32s %12d %12u\n", name.c_str(), e.stored_size, size);
        } else {
            std::printf("%-32s %12d %12s\n", name.c_str(), e.stored_size, "damaged");
        }
    }
    return EXIT_OK;
}

int cmd_extract(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
        return usage();
    std::vector<uint8_t> bytes;
    if (!load_container(argv[2], bytes))
        return EXIT_FAILED;
    BufferSource src(bytes.data(), bytes.size());
    ContainerEntry entry;
    if (!container_find(src, argv[3], entry))
        return fail(std::string("no entry ") + argv[3] + " in " + argv[2]);
    std::vector<uint8_t> content;
    if (!container_extract(src, entry, content))
        return fail("entry " + entry.name + " in " + argv[2] + " is damaged");
    if (argc == 4 && !sbx_valid_name(entry.name))
        return fail("entry name \"" + entry.name + "\" is not a plain file name; give OUT");
    std::string out = argc == 5 ? argv[4] : entry.name;
    if (!write_file(out, content, false))
        return fail("cannot write " + out);
    return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string cmd = argv[1];
    if (cmd == "pack")
        return cmd_pack(argc, argv);
    if (cmd == "append")
        return cmd_append(argc, argv);
    if (cmd == "list")
        return cmd_list(argc, argv);
    if (cmd == "extract")
        return cmd_extract(argc, argv);
    std::fprintf(stderr, "sbx: unknown command \"%s\"\n", cmd.c_str());
    return usage();
}
