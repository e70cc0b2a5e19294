// SPDX-License-Identifier: GPL-2.0-or-later
// The translator of one SIO scenario file into a SEEN file: its state, the
// emitters that write the TPC32 bytecode, the readers of the SIO operands and
// the jump fix-ups. Every command translator works only through these.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/diagnostics.h"
#include "scenario/seen.h"

inline constexpr std::int32_t kSioBufferSize = 65536;
inline constexpr std::int32_t kOutBufferSize = 65536;
inline constexpr std::size_t kMaxScenarios = 999;

// Where the translation of one SIO command begins.
struct CommandRecord {
    std::int32_t sio_offset;     // offset of the command's opcode byte in the SIO file
    std::int32_t output_length;  // output length when its translation began, header included
};

// A 4-byte field of the output that receives the body offset of an SIO target.
struct JumpFixup {
    std::int32_t target;  // SIO offset of the target command's opcode byte
    std::int32_t field;   // position of the field in OutBuffer
};

// What makes a SEEN file unsound though it is written: bytes the player
// would misread, so that it takes a wrong way through the scenario.
enum class UnsoundKind : std::uint8_t {
    none,
    overflow,      // the translation ran past OutBuffer: jumps past its end lead outside the body
    menu_count,    // a menu of more items than its count byte holds (the byte keeps the low 8 bits)
    sprite_count,  // a sprite list of more records than its count byte holds (the rest are dropped)
};

// The fault of the SEEN file in OutBuffer. An overflow is the one kept when
// there is one; otherwise the first menu or sprite list met.
struct UnsoundSeen {
    UnsoundKind fault = UnsoundKind::none;
    // overflow: the bytes the translation took; menu_count: the menu's items;
    // sprite_count: the sprite records the command formed.
    std::int32_t size = 0;
    std::int32_t sio_offset = 0;  // the command's opcode byte (menu_count, sprite_count)
};

struct Translator {
    // The scenario list: slot k (1 to 999) is scenarios[k - 1], the
    // upper-cased code page 932 name of an SIO file; k is the scenario's
    // number. scenario_files[k - 1] is the path of that file: the folder
    // the search found it in and its name as found, which the slot reads.
    std::vector<std::string> scenarios;
    std::vector<std::string> scenario_files;
    // Set on an opcode without translation; never cleared.
    bool conversion_failed = false;

    // The SIO file being translated and the read position in it. Reads at or
    // past sio_length see zero bytes, whatever the buffer holds there.
    // sio_length never exceeds the buffer: translate_sio, which alone sets
    // it, takes at most kSioBufferSize bytes.
    std::vector<std::uint8_t> sio = std::vector<std::uint8_t>(kSioBufferSize);
    std::int32_t sio_length = 0;
    std::int32_t sio_pos = 0;

    // The SEEN file being written. output_length goes on counting past the
    // buffer after an overflow, but nothing is stored there.
    std::vector<std::uint8_t> OutBuffer = std::vector<std::uint8_t>(kOutBufferSize);
    std::int32_t output_length = 0;

    std::vector<CommandRecord> commands;  // the command address map of the current file
    std::vector<JumpFixup> fixups;        // the jump fix-ups of the current file

    // The caller's sink for the duration of one translate_sio call: set on
    // entry, cleared on return, so that the emitters and command translators,
    // which take only the translator, say their warnings into it. Only a
    // test that calls an emitter directly sets it itself.
    Diagnostics* said = nullptr;

    // What is wrong with the SEEN file in OutBuffer; reset for every file.
    UnsoundSeen unsound;

    // Where command 240 assembles the text of one text instruction. It grows
    // with the text, so no text is cut.
    std::string text_area;
};

// The emitters and readers (Out*, In*) and OutBuffer keep their CamelCase, not the house's
// snake_case: they are the established names of the translator's emitters and readers.

// ---- Emitters: each stores at the output length and advances it. ----
void OutByte(Translator& t, std::int32_t value);
void OutInt(Translator& t, std::int32_t value);
// The tagged number: high nibble of the first byte is the length (1-5).
void OutNum(Translator& t, std::int32_t value);
// A tagged number with bit 7 of its first byte set: a variable reference.
void OutVar(Translator& t, std::int32_t value);
// The text and its terminating zero.
void OutStr(Translator& t, std::string_view text);

// Stores a 4-byte little-endian value at an earlier output position (a field
// emitted with OutInt(0)). Nothing is stored outside OutBuffer.
void patch_int(Translator& t, std::int32_t position, std::int32_t value);
// Stores one byte at an earlier output position, inside OutBuffer only.
void patch_byte(Translator& t, std::int32_t position, std::uint8_t value);
// The current body offset: the output length less the SEEN header.
inline std::int32_t body_offset(const Translator& t) {
    return t.output_length - kSeenHeaderSize;
}

// ---- Operand readers: each reads at the SIO read position and advances it. ----
// The SIO data as a bounded reader at `position`, by default the read
// position: bytes at or past sio_length, or before the data, read as zero.
// Reading from it leaves the read position where it is.
ByteReader sio_reader(const Translator& t, std::int32_t position);
inline ByteReader sio_reader(const Translator& t) {
    return sio_reader(t, t.sio_pos);
}
std::uint8_t InByte(Translator& t);
std::uint32_t InWord(Translator& t);    // 16 bits, big-endian
std::uint32_t InTriple(Translator& t);  // 24 bits, big-endian
// A zero-terminated text at the read position, without its terminator; it
// ends at the end of the data at the latest. The position moves past the
// terminator.
std::string_view InText(Translator& t);

// ---- Operand forms ----
// Variable operand: bank byte and InWord; bank 2 adds 1000.
std::int32_t read_variable_operand(Translator& t);
// Value operand: InTriple; a literal below 0x10000, else a variable number.
struct ValueOperand {
    bool is_variable;
    std::int32_t value;  // the literal, or the TPC32 variable number
};
ValueOperand decode_value_operand(std::uint32_t triple);
ValueOperand read_value_operand(Translator& t);

// Records `fault` of the current command with its `size`, unless the file
// already has one.
void note_unsound(Translator& t, UnsoundKind fault, std::int32_t size);

// Records a jump to the SIO offset `target` and emits its placeholder field.
void add_jump_fixup(Translator& t, std::int32_t target);

// Translates the bytes of an SIO file into a complete SEEN file in OutBuffer
// (seen_size() bytes), saying its warnings into `said`. Any span is taken:
// only its first kSioBufferSize bytes are read, the one bound of the SIO
// length (the program refuses a larger file before). Sets conversion_failed
// on an opcode without translation, and `unsound` when the SEEN file is
// written unsound.
void translate_sio(Translator& t, std::span<const std::uint8_t> sio, Diagnostics& said);
// The size of the SEEN file in OutBuffer.
std::int32_t seen_size(const Translator& t);
