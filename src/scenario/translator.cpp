// SPDX-License-Identifier: GPL-2.0-or-later
// Translation of one SIO file into a SEEN file: the header, the command loop
// over the dispatch table, and the resolution of the jump fix-ups.
#include "scenario/translator.h"

#include <algorithm>

#include "base/diagnostics.h"
#include "scenario/dispatch.h"
#include "scenario/messages.h"

namespace {

void resolve_fixups(Translator& t, std::int32_t body_length) {
    // The records stand in rising SIO order (every command moves the read
    // position forward), so a binary search finds the one record of a target.
    for (const JumpFixup& fixup : t.fixups) {
        auto found = std::lower_bound(
            t.commands.begin(), t.commands.end(), fixup.target,
            [](const CommandRecord& c, std::int32_t target) { return c.sio_offset < target; });
        if (found != t.commands.end() && found->sio_offset == fixup.target) {
            patch_int(t, fixup.field, found->output_length - kSeenHeaderSize);
        } else if (fixup.target < t.sio_length) {
            note_printf(*t.said, "******************* Jump point (0x%04x) not found!!!!!\n",
                        fixup.target);
        } else {
            // A target past the data (the default second target of a comparison
            // that ends the file) is the end of the body, not its start.
            patch_int(t, fixup.field, body_length);
        }
    }
}

}  // namespace

void note_unsound(Translator& t, UnsoundKind fault, std::int32_t size) {
    if (t.unsound.fault != UnsoundKind::none) return;
    const std::int32_t offset = t.commands.empty() ? 0 : t.commands.back().sio_offset;
    t.unsound = {fault, size, offset};
}

std::int32_t seen_size(const Translator& t) {
    return std::min(t.output_length, kOutBufferSize);
}

void translate_sio(Translator& t, std::span<const std::uint8_t> sio, Diagnostics& said) {
    const std::size_t size = std::min<std::size_t>(sio.size(), kSioBufferSize);
    std::copy_n(sio.begin(), size, t.sio.begin());
    t.sio_length = static_cast<std::int32_t>(size);
    t.said = &said;
    struct Unset {
        Translator& t;
        ~Unset() { t.said = nullptr; }
    } unset{t};

    const DispatchTable& table = dispatch_table();
    write_seen_header(t.OutBuffer.data(), 0);
    t.output_length = kSeenHeaderSize;
    t.sio_pos = 0;
    t.commands.clear();
    t.fixups.clear();
    t.unsound = {};

    while (t.sio_pos < t.sio_length) {
        const std::int32_t offset = t.sio_pos;
        const std::uint8_t opcode = t.sio[static_cast<std::size_t>(offset)];
        t.commands.push_back({offset, t.output_length});
        t.sio_pos = offset + 1;
        if (CommandTranslator translate = table[opcode]) {
            translate(t);
        } else {
            // The scan goes on with the very next byte as an opcode.
            t.conversion_failed = true;
            note_printf(said, "*************** Unkown Command 0x%02X\n\n", opcode);
            note_printf(said, "%s", scenario_msg::kConversionFailed);
        }
    }
    // The jumps to the commands past the buffer lead outside the body.
    if (t.output_length > kOutBufferSize) t.unsound = {UnsoundKind::overflow, t.output_length, 0};

    const std::int32_t body_length = seen_size(t) - kSeenHeaderSize;
    resolve_fixups(t, body_length);
    write_seen_header(t.OutBuffer.data(), static_cast<std::uint32_t>(body_length));
}
