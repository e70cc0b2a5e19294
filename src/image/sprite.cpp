// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/sprite.h"

#include <algorithm>
#include <cstring>

#include "image/halving.h"

namespace {

// Writes `text` with its terminator into `buffer` from `position` on, cut at
// the end of the buffer (which always keeps a terminator).
void put_text(char (&buffer)[kShadowNameBufferSize], std::size_t position, const char* text) {
    for (; position < kShadowNameBufferSize - 1 && *text; ++position, ++text) {
        buffer[position] = *text;
    }
    if (position < kShadowNameBufferSize) buffer[position] = '\0';
}

}  // namespace

std::string shadow_name(const std::string& sprite_name) {
    // The rule reads and writes fixed positions, also past the end of a short
    // name: the zero-filled copy gives those positions defined contents.
    char name[kShadowNameBufferSize] = {};
    std::memcpy(name, sprite_name.data(), std::min(sprite_name.size(), sizeof name - 1));
    const char decider = name[4];
    if (decider == 'B' || decider == 'b') {
        // Each such sprite has a mask of its own: the whole base name stays.
        char* stop = std::strchr(name, '.');
        put_text(name, stop ? static_cast<std::size_t>(stop - name) : std::strlen(name), "S.SHW");
    } else if (decider == 'F' || decider == 'f') {
        // Pairs of expressions share a mask: 0 and 1, 2 and 3.
        if (name[5] == '1') {
            name[5] = '0';
        } else if (name[5] == '3') {
            name[5] = '2';
        }
        put_text(name, 6, "S.SHW");
    } else {
        // Poses 0 to 5 share the mask of pose 5; the byte is compared as a
        // signed value, so bytes below '0' and from 0x80 on count as well.
        if (static_cast<signed char>(name[5]) <= '5') name[5] = '5';
        if ((name[0] == 'Y' || name[0] == 'y') && (name[1] == 'k' || name[4] == 'k')) {
            name[5] = '5';
        }
        put_text(name, 6, "S.SHW");
    }
    return name;
}

bool convert_sprite_to_pdt10(const DecodedPicture& sprite, const ShadowMask& mask,
                             Pdt10Block& block) {
    if (!allocate_pdt10_block(sprite.width, sprite.height, block)) return false;
    halve_picture(sprite, MaskOpacity{mask}, block);
    const std::size_t plane = std::size_t{block.width} * block.height;
    write_pdt10_header(block.bytes.data(), sprite.width, sprite.height,
                       static_cast<std::uint32_t>(2 * plane));
    block.entry_size = block.bytes.size();
    return true;
}
