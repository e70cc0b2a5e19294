// SPDX-License-Identifier: GPL-2.0-or-later
// Emitters of the TPC32 bytecode and readers of the SIO operands.
#include <algorithm>
#include <span>

#include "base/diagnostics.h"
#include "scenario/translator.h"

namespace {

// Stores one byte at `position` when it lies inside OutBuffer.
void store(Translator& t, std::int32_t position, std::uint8_t value) {
    if (position >= 0 && position < kOutBufferSize) {
        t.OutBuffer[static_cast<std::size_t>(position)] = value;
    }
}

// Appends `n` bytes; notes the overflow message of `who` when the output
// then ends past the buffer.
void emit(Translator& t, const std::uint8_t* bytes, int n, const char* who) {
    for (int i = 0; i < n; ++i)
        store(t, t.output_length + i, bytes[i]);
    t.output_length += n;
    if (t.output_length > kOutBufferSize) {
        note_printf(*t.said, "Error : OutBuffer overflow @ %s\n", who);
    }
}

void emit_tagged(Translator& t, std::int32_t value, std::uint8_t flag) {
    std::uint8_t bytes[5];
    int n = 1;
    bytes[0] = static_cast<std::uint8_t>(value & 0x0F);
    std::int32_t rest = value >> 4;  // arithmetic: negative numbers take all five bytes
    while (rest != 0 && n < 5) {
        bytes[n++] = static_cast<std::uint8_t>(rest & 0xFF);
        rest >>= 8;
    }
    bytes[0] = static_cast<std::uint8_t>(bytes[0] | (n << 4) | flag);
    emit(t, bytes, n, "OutNum");
}

}  // namespace

void OutByte(Translator& t, std::int32_t value) {
    const std::uint8_t byte = static_cast<std::uint8_t>(value);
    emit(t, &byte, 1, "OutByte");
}

void OutInt(Translator& t, std::int32_t value) {
    std::uint8_t bytes[4];
    write_le32(bytes, static_cast<std::uint32_t>(value));
    emit(t, bytes, 4, "OutInt");
}

void OutNum(Translator& t, std::int32_t value) {
    emit_tagged(t, value, 0x00);
}

void OutVar(Translator& t, std::int32_t value) {
    emit_tagged(t, value, 0x80);
}

void OutStr(Translator& t, std::string_view text) {
    const std::int64_t end =
        static_cast<std::int64_t>(t.output_length) + static_cast<std::int64_t>(text.size()) + 1;
    if (end > kOutBufferSize) {
        // The text is dropped; its terminator is kept where there is room.
        note_printf(*t.said, "Error : OutBuffer overflow @ OutStr\n");
        store(t, t.output_length, 0);
        t.output_length += 1;
        return;
    }
    // An empty text may have no storage at all (a text cut off by the end of
    // the data); std::copy takes that, memcpy does not.
    std::copy(text.begin(), text.end(), &t.OutBuffer[static_cast<std::size_t>(t.output_length)]);
    t.OutBuffer[static_cast<std::size_t>(t.output_length) + text.size()] = 0;
    t.output_length = static_cast<std::int32_t>(end);
}

void patch_byte(Translator& t, std::int32_t position, std::uint8_t value) {
    store(t, position, value);
}

void patch_int(Translator& t, std::int32_t position, std::int32_t value) {
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        store(t, position + i, static_cast<std::uint8_t>(v >> (8 * i)));
}

ByteReader sio_reader(const Translator& t, std::int32_t position) {
    const std::size_t length = static_cast<std::size_t>(t.sio_length);
    // A negative position lies outside the data like one past its end.
    const std::size_t at = position >= 0 ? static_cast<std::size_t>(position) : length;
    return ByteReader{std::span(t.sio.data(), length), at};
}

namespace {

// Reads with `read` at the read position and moves the position by the
// bytes the read took, also past the end of the data.
template <typename Read>
auto read_sio(Translator& t, Read read) {
    ByteReader r = sio_reader(t);
    const std::size_t start = r.pos;
    const auto value = read(r);
    t.sio_pos += static_cast<std::int32_t>(r.pos - start);
    return value;
}

// Past the data a text is empty, yet it points at storage like any other
// text, so that every reader may copy from it.
std::string_view as_text(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return std::string_view("", 0);
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::uint8_t InByte(Translator& t) {
    return read_sio(t, [](ByteReader& r) { return r.u8(); });
}

std::uint32_t InWord(Translator& t) {
    return read_sio(t, [](ByteReader& r) { return r.be16(); });
}

std::uint32_t InTriple(Translator& t) {
    return read_sio(t, [](ByteReader& r) { return r.be24(); });
}

std::string_view InText(Translator& t) {
    return as_text(read_sio(t, [](ByteReader& r) { return r.text(); }));
}

std::int32_t read_variable_operand(Translator& t) {
    const std::uint8_t bank = InByte(t);
    const std::int32_t number = static_cast<std::int32_t>(InWord(t));
    return bank == 2 ? number + 1000 : number;
}

ValueOperand decode_value_operand(std::uint32_t v) {
    if (v < 0x10000) return {false, static_cast<std::int32_t>(v)};
    if (v < 0x20000) return {true, static_cast<std::int32_t>(v & 0xFFFF)};
    return {true, static_cast<std::int32_t>((v + 1000) & 0xFFFF)};
}

ValueOperand read_value_operand(Translator& t) {
    return decode_value_operand(InTriple(t));
}

void add_jump_fixup(Translator& t, std::int32_t target) {
    t.fixups.push_back({target, t.output_length});
    OutInt(t, 0);
}
