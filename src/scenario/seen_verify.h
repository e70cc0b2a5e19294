// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN verifier: whether the player can follow every way through a SEEN
// file. It walks the body from its start along every way the player can
// take (the next instruction, jumps, both ways of a condition, every menu
// item) and reports what would make the player misbehave: a target outside
// the body or inside an instruction, bytes that form no instruction where a
// way leads (and the jump, branch or menu item that leads there), a count byte that disagrees with
// what follows it, and a header that is not the translator's. Bytes no way reaches are no fault:
// the translator writes them too (the commands after a jump that no label names), and the player
// never reads them.
//
// Bytes in, findings out: it reads only inside the given bytes and takes
// time in proportion to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"

enum class SeenCheck : std::uint8_t {
    // The header (offsets are file offsets).
    no_magic,     // the file does not start with "TPC32"
    header_cut,   // `found` bytes, fewer than the header's 99
    too_large,    // `found` bytes, more than the translator's 65536
    header_byte,  // a fixed header byte differs: `offset`, `found` the byte, `stated` the model's
    body_length,  // the body length `stated` at offset 95 differs from the `found` bytes after it
    // The body (offsets are body offsets of an instruction or of the bytes).
    target_outside,         // a target beyond the body's end (`stated`: the body's size)
    target_inside,          // a target inside the instruction at `inside`
    target_no_instruction,  // a target where the bytes form no instruction (a fault there says why)
    cut,                    // an instruction the body's end cuts
    unterminated_text,      // a text that runs to the body's end without its terminator
    unknown,                // no known instruction starts at `offset`
    menu_count,             // the count byte `stated` against `found` menu items
    sprite_count,           // the count byte `stated` against `found` sprite records
};

struct SeenFinding {
    SeenCheck check = SeenCheck::unknown;
    std::uint32_t offset = 0;
    std::int64_t target = -1;
    std::uint32_t inside = 0;
    std::uint64_t stated = 0, found = 0;
    // How the instruction reads (UTF-8, targets as offsets: "jump 0x0400"),
    // or its first bytes where it does not decode ("bytes 58 01 27 ...").
    std::string instruction;
};

struct SeenVerdict {
    std::vector<SeenFinding> faults;  // the header's, then in body order
    bool walked = false;              // the header let the body be walked
    std::size_t body_size = 0;
    std::size_t instructions = 0;       // decoded on the ways from the start
    std::size_t unreachable_bytes = 0;  // in no instruction and no fault a way reaches
};

SeenVerdict verify_seen(std::span<const std::uint8_t> seen);

// Verifies the SEEN file `seen`, the entry `entry` made from the SIO file at
// `path`, and says the warning of msconv --verify into `said` when it has a
// fault, a line for standard error: "msconv: MES/A.SIO: SEEN001.TXT has 2
// faults, the first at 0x0012: jump 0x0400 (outside the body): target 0x0400
// is outside the body (0x0123 bytes)". A sound file says nothing.
void note_seen_faults(std::span<const std::uint8_t> seen, const std::string& path,
                      const std::string& entry, Diagnostics& said);

// A finding as one line of code page 932 text, the one way msconv, avdtool
// check and the report show it: `mark` and what it says ("target 0x0400 is
// outside the body (0x0123 bytes)"), after where it is when `placed`: the
// body offset and the instruction ("0x0012: jump 0x0400 (outside the body):
// ") or "header: ".
std::string seen_finding_line(const SeenFinding& finding, bool placed, std::string_view mark = {});
