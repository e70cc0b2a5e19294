// SPDX-License-Identifier: GPL-2.0-or-later
#include "avdtool/seen_listing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/diagnostics.h"

namespace {

// "OFFSET  ?? 0xNN", written without printf: a file can hold millions.
void append_unknown_byte(std::string& out, std::size_t offset, std::uint8_t byte) {
    static const char kHex[] = "0123456789ABCDEF";
    char line[32];
    char* p = line + sizeof line;
    *--p = '\n';
    *--p = kHex[byte & 0xF];
    *--p = kHex[byte >> 4];
    p -= 7;
    std::memcpy(p, "  ?? 0x", 7);
    int digits = 0;
    do {
        *--p = kHex[offset & 0xF];
        offset >>= 4;
        ++digits;
    } while (offset != 0 || digits < 4);
    out.append(p, static_cast<std::size_t>(line + sizeof line - p));
}

}  // namespace

std::string seen_header_text(std::span<const std::uint8_t> seen, const SeenProgram& program) {
    const SeenHeader& h = program.header;
    const std::size_t size = kSeenHeaderSize;
    if (!h.magic) return "not a SEEN file: no TPC32 magic\n";
    if (h.file_size < size)
        return format_text("TPC32 header cut short: %zu of %zu bytes\n", h.file_size, size);
    if (!program.decoded) return "TPC32 body larger than 4 GiB, not listed\n";
    std::string out =
        h.body_length == h.present
            ? format_text("TPC32 header, body length %u (matches the file)\n", h.body_length)
            : format_text("TPC32 header, body length %u, but %zu bytes follow the header\n",
                          h.body_length, h.present);
    std::uint8_t model[kSeenHeaderSize];
    write_seen_header(model, 0);
    for (std::size_t i : h.differing)
        out += format_text("header byte %zu is 0x%02X, not 0x%02X\n", i, seen[i], model[i]);
    return out;
}

SeenListing list_seen(std::span<const std::uint8_t> seen) {
    const SeenProgram program = decode_seen(seen);
    SeenListing result;
    std::string& out = result.text;
    out = seen_header_text(seen, program);
    if (!program.decoded) return result;
    const std::span<const std::uint8_t> body = seen.subspan(kSeenHeaderSize);
    // Room for every line at once: a file of millions of unknown bytes
    // would otherwise copy its listing at each growth.
    out.reserve(out.size() + 18 * program.unknown_bytes + 48 * program.lines.size() + 128);
    std::vector<std::string> texts;
    std::size_t first = 0;
    for (std::size_t i = 0; i < program.lines.size(); ++i) {
        const SeenLine& line = program.lines[i];
        if (line.kind == SeenKind::unknown_byte) {
            for (std::size_t k = 0; k < static_cast<std::size_t>(line.number); ++k)
                append_unknown_byte(out, line.offset + k, body[line.offset + k]);
            continue;
        }
        if (line.depth == 0) {
            if (const int label = seen_label(program, line.offset))
                out += format_text("L%04d:\n", label);
            texts = seen_instruction_texts(program, i);
            first = i;
        }
        out += format_text("%04zX  ", static_cast<std::size_t>(line.offset));
        out.append(static_cast<std::size_t>(2 * line.depth), ' ');
        if (i - first < texts.size()) out += texts[i - first];
        out += '\n';
    }
    if (const int label = seen_label(program, static_cast<std::uint32_t>(program.body_size)))
        out += format_text("L%04d:\n", label);
    out += format_text("%04zX  end of body\n", program.body_size);
    const auto counted = [](std::size_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    out += counted(program.instructions, "instruction") + ", " +
           counted(program.labels.size(), "label") + ", " +
           (program.unknown_bytes == 0 ? std::string("every byte known")
                                       : counted(program.unknown_bytes, "unknown byte")) +
           "\n";
    result.instructions = program.instructions;
    result.unknown_bytes = program.unknown_bytes;
    result.complete = program.complete;
    return result;
}
