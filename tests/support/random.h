// SPDX-License-Identifier: GPL-2.0-or-later
// The tests' seeded generator: a 32-bit linear congruential step, so that the
// "random" inputs of a test are the same on every run and every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Random {
    std::uint32_t state;
    explicit Random(std::uint32_t seed) : state(seed) {}
    // The next 24-bit value (the low bits of the step repeat too soon).
    std::uint32_t operator()() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// `size` bytes of reproducible noise, which LZO cannot shrink.
inline std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed) {
    Random random(seed);
    std::vector<std::uint8_t> out(size);
    for (auto& byte : out)
        byte = static_cast<std::uint8_t>(random() >> 16);
    return out;
}
