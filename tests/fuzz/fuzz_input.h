// SPDX-License-Identifier: GPL-2.0-or-later
// The layout of the fuzzers' inputs, shared by the harnesses and the seed
// generator so that generated seeds mean what the harnesses read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/picture_decode.h"

namespace fuzz_input {

// ---- Scenario translation ------------------------------------------------------
//
// Byte 0: the number of scenario names (its low three bits); then that many
// zero-terminated names (the last one may end with the input); the rest is
// the SIO file.

inline constexpr unsigned kMaxScenarioNames = 7;

struct ScenarioInput {
    std::vector<std::string> names;
    std::span<const std::uint8_t> sio;
};

inline ScenarioInput split_scenario_input(std::span<const std::uint8_t> data) {
    ScenarioInput input;
    if (data.empty()) return input;
    const unsigned count = data[0] & kMaxScenarioNames;
    std::size_t pos = 1;
    for (unsigned i = 0; i < count && pos < data.size(); ++i) {
        const auto end = std::find(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end(), 0);
        const std::size_t stop = static_cast<std::size_t>(end - data.begin());
        input.names.emplace_back(reinterpret_cast<const char*>(data.data() + pos), stop - pos);
        pos = std::min(stop + 1, data.size());
    }
    input.sio = data.subspan(pos);
    return input;
}

inline std::vector<std::uint8_t> join_scenario_input(const std::vector<std::string>& names,
                                                     std::span<const std::uint8_t> sio) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(names.size() & kMaxScenarioNames)};
    for (const std::string& name : names) {
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
    }
    out.insert(out.end(), sio.begin(), sio.end());
    return out;
}

// ---- Sprite and mask -------------------------------------------------------------
//
// Bytes 0-1: the length L of the sprite's .MOE file, little-endian (cut to
// what the input holds); then the L bytes of the sprite; the rest is the .SHW
// mask.

struct SpriteInput {
    std::span<const std::uint8_t> sprite;
    std::span<const std::uint8_t> mask;
};

inline SpriteInput split_sprite_input(std::span<const std::uint8_t> data) {
    SpriteInput input;
    if (data.size() < 2) return input;
    const std::size_t length = std::min<std::size_t>(data[0] | data[1] << 8, data.size() - 2);
    input.sprite = data.subspan(2, length);
    input.mask = data.subspan(2 + length);
    return input;
}

inline std::vector<std::uint8_t> join_sprite_input(std::span<const std::uint8_t> sprite,
                                                   std::span<const std::uint8_t> mask) {
    const std::size_t length = std::min<std::size_t>(sprite.size(), 0xFFFF);
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(length),
                                  static_cast<std::uint8_t>(length >> 8)};
    out.insert(out.end(), sprite.begin(), sprite.begin() + static_cast<std::ptrdiff_t>(length));
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

// ---- Picture sizes ---------------------------------------------------------------
//
// The decoders refuse headers above kMaxPicturePixels (unit tests cover
// that). Below it a header of a few bytes can still ask for 48 MiB, which
// would slow the fuzzers down a thousandfold without reaching new code, so
// the harnesses skip headers above this many pixels.
inline constexpr std::uint64_t kMaxFuzzPixels = 256 * 256;

// The pixel count that the header of a .MOE (`flag_coded` as its magic
// says) or .SHW file claims; missing header bytes count as 0.
inline std::uint64_t claimed_pixels(std::span<const std::uint8_t> file, bool flag_coded) {
    const std::size_t at = flag_coded ? 4 : 0;
    auto byte = [&](std::size_t i) -> std::uint32_t { return i < file.size() ? file[i] : 0; };
    const std::uint64_t width = byte(at) | byte(at + 1) << 8;
    const std::uint64_t height = byte(at + 2) | byte(at + 3) << 8;
    return width * height;
}

}  // namespace fuzz_input
