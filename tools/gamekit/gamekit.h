// SPDX-License-Identifier: GPL-2.0-or-later
// The test kit: builders of the game's input files, used by the tests and by
// the sample-game generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gamekit {

using Bytes = std::vector<std::uint8_t>;

// Writes `bytes` to `path`, creating missing parent folders.
bool write_file(const std::string& path, const Bytes& bytes);

// Code page 932 bytes of a UTF-8 text.
std::string cp932(const std::string& utf8);

}  // namespace gamekit
