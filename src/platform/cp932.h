// SPDX-License-Identifier: GPL-2.0-or-later
// The rules of code page 932 text that names follow on every layer: which
// bytes lead a double-byte character, and upper-casing that leaves such
// characters alone. They sit with the platform because its POSIX side needs
// them to look names up the way Windows does.
#pragma once

#include <cstddef>

namespace platform {

// A byte in 0x80-0x9F or 0xE0-0xFF leads a double-byte character.
constexpr bool is_lead_byte(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || c >= 0xE0;
}

// Upper-cases the ASCII letters of the first `size` bytes of `text` in place
// (up to a zero byte). A lead byte and its trail byte are left alone, even
// when the trail byte is a letter; a lead byte at the end stops the walk.
constexpr void upper_case_cp932(char* text, std::size_t size) {
    for (std::size_t i = 0; i < size && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (is_lead_byte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            text[i] = static_cast<char>(c - 0x20);
        }
    }
}

}  // namespace platform
