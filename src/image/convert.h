// SPDX-License-Identifier: GPL-2.0-or-later
// The image converter: the bytes of a picture file, or of a character sprite
// and its shadow mask, become the bytes of a PDT10 entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "image/pdt10.h"

// Decodes the picture file `file` (freed once decoded) and converts it into
// `block`, whose bytes are then those of the entry `entry` (the map cell
// darkened). False with `failure` when the file holds no picture or memory
// cannot hold it.
bool convert_picture(std::vector<std::uint8_t>&& file, const std::string& entry, Pdt10Block& block,
                     InputFailure& failure);

// Decodes the sprite file `sprite` and its mask file `mask` (each freed once
// decoded) and converts them into `block`, whose bytes are then the entry's
// (a sprite keeps its alpha plane). A failure the caller sets (the file could
// not be read) stands for that file, which is then not decoded; the decoding
// adds its own. False when either failed.
bool convert_sprite(std::vector<std::uint8_t>&& sprite, std::vector<std::uint8_t>&& mask,
                    Pdt10Block& block, std::optional<InputFailure>& sprite_failure,
                    std::optional<InputFailure>& mask_failure);

// The entry name of a picture file's code page 932 name: up to its first
// full stop, with ".PDT" appended. Not upper-cased.
std::string picture_entry_name(const std::string& name);
