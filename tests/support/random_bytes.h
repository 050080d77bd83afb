// Reproducible noise for tests that need payloads no compressor can shrink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

inline std::vector<uint8_t> random_bytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}
