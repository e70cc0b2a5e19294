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
#include <map>
#include <span>
#include <string>
#include <vector>

struct SeenListing {
    std::string text;
    // True when the header is the converter's (magic, fixed bytes, a body
    // length that matches the file) and every body byte belongs to a known
    // instruction.
    bool complete = false;
    std::size_t instructions = 0;
    std::size_t unknown_bytes = 0;
};

// What a line of the listing is, for the tools that follow names and jumps.
enum class SeenKind : std::uint8_t {
    other,
    unknown_byte,     // `number` bytes from `offset` that form no instruction
    jump,             // `target`
    branch,           // a conditional jump to `target`
    text,             // `name`: the text
    speaker,          // `name`: the speaker
    menu,             // followed by its items and its end (depth 1)
    menu_item,        // `name`: the item's text; `target`: where it leads
    slot,             // string slot `number` set to `name`
    picture,          // `name`, or the picture in string slot `number` (`via_slot`)
    sprite,           // `name`, a sprite of the picture line before it
    scenario_jump,    // to the SEEN file of scenario `number`
    player_scenario,  // the player's own fixed scenario `number`
    music,            // `name`
    sound,            // `name`
};

// One line of the listing. An instruction is one line of depth 0 followed
// by the lines of its parts (depth 1).
struct SeenLine {
    std::size_t offset = 0;  // body offset
    int depth = 0;
    SeenKind kind = SeenKind::other;
    std::string text;  // the listing's text of the line, UTF-8
    std::string name;  // the name or text it holds, code page 932 bytes as stored
    std::int32_t number = 0;
    bool variable = false;  // `number` is a variable reference
    bool via_slot = false;
    std::int64_t target = -1;  // body offset of a jump, a branch or a menu item
};

// A SEEN file decoded: what the listing shows, as lines.
struct SeenProgram {
    std::string header;    // the header's lines of the listing
    bool decoded = false;  // false when the header is missing or cut short
    bool complete = false;
    std::size_t body_size = 0;
    std::vector<SeenLine> lines;          // in body order
    std::map<std::uint32_t, int> labels;  // body offset -> label number
    std::size_t instructions = 0;
    std::size_t unknown_bytes = 0;
};

// True when the bytes start with the SEEN magic "TPC32".
bool is_seen_file(std::span<const std::uint8_t> bytes);

SeenListing list_seen(std::span<const std::uint8_t> seen);
SeenProgram decode_seen(std::span<const std::uint8_t> seen);

// A code page 932 text in UTF-8; control bytes and bytes that start no
// character are shown as \xNN.
std::string seen_text_utf8(std::span<const std::uint8_t> text);
