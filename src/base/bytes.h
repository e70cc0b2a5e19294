// SPDX-License-Identifier: GPL-2.0-or-later
// The bounded byte reader and the little-endian writers. Every multi-byte
// read or write of the converter names its byte order: SIO operands are
// big-endian, everything else little-endian.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// Reads `bytes` from `pos` on. A read that reaches past the end clears `ok`
// and yields zero for each missing byte, yet moves `pos` by the read's full
// size, so that a decoder can read a whole record and test `ok` once, and a
// short input reads as one whose missing bytes are zero.
struct ByteReader {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    bool ok = true;

    bool at_end() const { return pos >= bytes.size(); }
    // True when a byte remains and it is `value`; reads nothing.
    bool next_is(std::uint8_t value) const { return !at_end() && bytes[pos] == value; }

    std::uint8_t u8() {
        if (at_end()) {
            ok = false;
            ++pos;
            return 0;
        }
        return bytes[pos++];
    }
    // Up to `size` bytes from `pos` on, as many as remain, and `pos` past
    // them; fewer than `size` clears `ok`.
    std::span<const std::uint8_t> take(std::size_t size) {
        const std::size_t n = at_end() ? 0 : std::min(size, bytes.size() - pos);
        if (n < size) ok = false;
        if (n == 0) return {};
        const std::span<const std::uint8_t> out = bytes.subspan(pos, n);
        pos += n;
        return out;
    }
    // Reads one byte and clears `ok` unless it is `value`.
    void expect(std::uint8_t value) {
        if (u8() != value) ok = false;
    }
    std::uint16_t le16() {
        const std::uint32_t low = u8();
        return static_cast<std::uint16_t>(low | std::uint32_t{u8()} << 8);
    }
    std::uint32_t le32() {
        const std::uint32_t low = le16();
        return low | std::uint32_t{le16()} << 16;
    }
    std::uint16_t be16() {
        const std::uint32_t high = u8();
        return static_cast<std::uint16_t>(high << 8 | u8());
    }
    std::uint32_t be24() {
        const std::uint32_t high = u8();
        return high << 16 | be16();
    }
    // A zero-terminated text without its terminator, and `pos` past the
    // terminator. Where the bytes end first, the text ends there and the
    // missing terminator counts as read past the end.
    std::span<const std::uint8_t> text() {
        std::span<const std::uint8_t> text;
        if (!at_end()) {
            const std::span<const std::uint8_t> rest = bytes.subspan(pos);
            const auto* zero =
                static_cast<const std::uint8_t*>(std::memchr(rest.data(), 0, rest.size()));
            text = zero ? rest.first(static_cast<std::size_t>(zero - rest.data())) : rest;
            pos += text.size();
        }
        u8();
        return text;
    }
};

inline void write_le16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void write_le32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
