// Byte-level helpers of the runtime's file formats and text: little-endian
// fields (media containers, BMP, WAV, the container writer) and ASCII case.
// Header-only and pure, so the format readers, the tools and the fuzz
// targets share one spelling of each. Case folding is ASCII only: no locale
// ever changes a byte of a name.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- little-endian fields

// The 16-bit field at p, least significant byte first.
inline uint16_t read_le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The 32-bit field at p, least significant byte first.
inline uint32_t read_le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Stores the 32-bit field at p, least significant byte first.
inline void write_le32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

// ---------------------------------------------------------------- ASCII case

// A..Z to a..z; every other byte as it is.
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// a..z to A..Z; every other byte as it is.
inline char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Whether the n bytes at a and b are equal but for ASCII case.
inline bool equal_ignoring_ascii_case(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}
