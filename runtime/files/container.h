// The "sbX" media container format: a pure reader over bytes, shared by the
// game's lookup, the sbx tool and the fuzz targets. No file system here.
//
// Trailer (last 7 bytes): "sbX" and a signed 32-bit directory offset D
// (from the start when D >= 0, from the end when D < 0, for every entry too).
// Entry: name length n (0 ends), n name bytes, data offset (int32), stored
// size (int32). Entry data: uncompressed size (uint32) then LZO1X data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An uncompressed size above this is treated as damaged (largest real entry
// is a few MB of music).
constexpr uint32_t CONTAINER_MAX_ENTRY_SIZE = 64u * 1024u * 1024u;

struct ContainerEntry {
    std::string name;
    int64_t data_offset = 0;   // absolute, from the start of the file
    int32_t raw_offset = 0;    // as stored
    int32_t stored_size = 0;
};

// Random access to the container's bytes (a whole buffer or a file).
struct ContainerSource {
    virtual ~ContainerSource() = default;
    virtual int64_t size() const = 0;
    // Reads exactly count bytes at offset; false if out of range or failed.
    virtual bool read(int64_t offset, void* out, size_t count) const = 0;
};

struct BufferSource : ContainerSource {
    const uint8_t* data;
    size_t length;
    BufferSource(const uint8_t* d, size_t n) : data(d), length(n) {}
    int64_t size() const override { return static_cast<int64_t>(length); }
    bool read(int64_t offset, void* out, size_t count) const override;
};

// True when the trailer carries the magic "sbX".
bool container_has_magic(const ContainerSource& src);

// Reads the directory; false when there is no valid trailer. Entries whose
// fields run past the end stop the directory there.
bool container_list(const ContainerSource& src, std::vector<ContainerEntry>& entries);

// Finds the first entry matching the request: the last k characters of the
// request (k = length after its last '/' or '\\'), case-insensitive.
bool container_find(const ContainerSource& src, const std::string& request, ContainerEntry& found);

// Decodes an entry's stored bytes (size prefix + LZO1X) with the bounds-checked
// decompressor; damaged data gives an empty content and false.
bool container_decode(const uint8_t* stored, size_t stored_size, std::vector<uint8_t>& content);

// Reads and decodes one entry from the source.
bool container_extract(const ContainerSource& src, const ContainerEntry& entry, std::vector<uint8_t>& content);

// Compresses content into the stored form (size prefix + LZO1X-1).
std::vector<uint8_t> container_encode(const std::vector<uint8_t>& content);
