// SPDX-License-Identifier: GPL-2.0-or-later
// The listing of a SEEN file: its header and its body as TPC32 instructions,
// one line per instruction the reader of src/scenario decodes. Jump targets
// are shown as labels, tagged numbers decoded, variable references marked
// with '$', texts transcoded from code page 932 to UTF-8. Bytes that form no
// known instruction are listed one by one as "?? 0xNN".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "scenario/seen.h"

struct SeenListing {
    std::string text;
    // True when the header is the converter's (magic, fixed bytes, a body
    // length that matches the file) and every body byte belongs to a known
    // instruction.
    bool complete = false;
    std::size_t instructions = 0;
    std::size_t unknown_bytes = 0;
};

SeenListing list_seen(std::span<const std::uint8_t> seen);

// The header's lines of the listing: what the header holds, or why the file
// cannot be decoded ("not a SEEN file: no TPC32 magic").
std::string seen_header_text(std::span<const std::uint8_t> seen, const SeenProgram& program);
