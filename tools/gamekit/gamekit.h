// SPDX-License-Identifier: GPL-2.0-or-later
// The test kit: builders of the game's input files, used by the tests and by
// the sample-game generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gamekit {

using Bytes = std::vector<std::uint8_t>;

// Writes `bytes` to `path`, creating missing parent folders; false when the
// file cannot be written whole.
bool write_file(const std::string& path, const Bytes& bytes);

// Appends `value` as 2 or 4 little-endian bytes, as the picture files and
// the archive headers store their numbers.
inline void append_le16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void append_le32(Bytes& out, std::uint32_t value) {
    append_le16(out, value & 0xFFFF);
    append_le16(out, value >> 16);
}

// Code page 932 bytes of a UTF-8 text.
std::string cp932(const std::string& utf8);

// The seeded generator of the tests and the sample game: a 32-bit linear
// congruential step, the same on every run and every platform.
struct Random {
    std::uint32_t state;
    explicit Random(std::uint32_t seed) : state(seed) {}
    // The next 24-bit value (the low bits of the step repeat too soon).
    std::uint32_t operator()() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    std::uint32_t below(std::uint32_t bound) { return (*this)() % bound; }
};

// `size` bytes of reproducible noise, which LZO cannot shrink.
inline Bytes noise(std::size_t size, std::uint32_t seed) {
    Random random(seed);
    Bytes out(size);
    for (auto& byte : out)
        byte = static_cast<std::uint8_t>(random() >> 16);
    return out;
}

}  // namespace gamekit
