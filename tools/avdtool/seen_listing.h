// SPDX-License-Identifier: GPL-2.0-or-later
// The listing of a SEEN file: its header and its body as TPC32 instructions,
// one line per instruction of the set the converter writes. Jump targets are
// shown as labels, tagged numbers decoded, variable references marked with
// '$', texts transcoded from code page 932 to UTF-8. Bytes that form no known
// instruction are listed one by one as "?? 0xNN".
//
// Reads only inside the given bytes, whatever they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct SeenListing {
    std::string text;
    // True when the header is the converter's (magic, fixed bytes, a body
    // length that matches the file) and every body byte belongs to a known
    // instruction.
    bool complete = false;
    std::size_t instructions = 0;
    std::size_t unknown_bytes = 0;
};

// True when the bytes start with the SEEN magic "TPC32".
bool is_seen_file(std::span<const std::uint8_t> bytes);

SeenListing list_seen(std::span<const std::uint8_t> seen);
