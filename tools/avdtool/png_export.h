// SPDX-License-Identifier: GPL-2.0-or-later
// Writing PDT10 pictures as RGBA PNG files, so that a user can look at what
// the player will show.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes the PDT10 picture `entry` to `path` as an 8-bit RGBA PNG. False,
// with a reason in `error`, when the entry is not a PDT10 picture, its planes
// are empty (PNG has no empty images) or the file cannot be written.
bool write_pdt10_png(std::span<const std::uint8_t> entry, const std::string& path,
                     std::string& error);
