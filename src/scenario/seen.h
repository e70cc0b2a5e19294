// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN file: its header, the TPC32 opcodes and condition codes the
// translator writes, its entry name, and the reader that decodes it again
// (bytes in, header and instructions out). The translator and avdtool both
// take the format from here.
//
// The reader reads only inside the given bytes, whatever they hold, and
// takes time in proportion to them: the end of a text is looked up in a
// table of next zero bytes, one per block of the body. Its lines copy no
// text: they name their texts' bytes in the body, and how a line reads is
// rendered when it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kSeenMagic = "TPC32";
inline constexpr std::int32_t kSeenHeaderSize = 99;
inline constexpr std::size_t kSeenBodyLengthOffset = 95;

// Writes the 99-byte SEEN header: "TPC32", the fixed values the player
// expects and the body length at offset 95.
void write_seen_header(std::uint8_t* header, std::uint32_t body_length);

// "SEEN001.TXT": the entry of scenario `number`.
std::string seen_entry_name(std::int32_t number);
// True for an entry name of that form: "SEEN", anything, ".TXT".
bool is_seen_entry_name(std::string_view name);

// The first byte of each TPC32 instruction.
inline constexpr std::uint8_t kOpPicture = 0x0B;    // sub-code 30, 05, 10 or 22
inline constexpr std::uint8_t kOpSound = 0x0E;      // sub-code 01 music, 10, 30 sound
inline constexpr std::uint8_t kOpCondition = 0x15;  // 28, condition, a, b, 29, target
inline constexpr std::uint8_t kOpScenario = 0x16;   // 01 jump, 02 the player's own
inline constexpr std::uint8_t kOpJump = 0x1C;       // target
inline constexpr std::uint8_t kOpSet = 0x3B;        // v := n
inline constexpr std::uint8_t kOpAdd = 0x3C;        // v += n
inline constexpr std::uint8_t kOpSubtract = 0x3D;   // v -= n
inline constexpr std::uint8_t kOpSetVar = 0x49;     // the forms from a variable
inline constexpr std::uint8_t kOpAddVar = 0x4A;
inline constexpr std::uint8_t kOpSubtractVar = 0x4B;
inline constexpr std::uint8_t kOpRange = 0x57;  // v, low, high
inline constexpr std::uint8_t kOpMenu = 0x58;
inline constexpr std::uint8_t kOpSlot = 0x59;  // 01, slot, text
inline constexpr std::uint8_t kOpTitleLine = 0x60;
inline constexpr std::uint8_t kOpScreen = 0x64;   // 10 and 8 numbers
inline constexpr std::uint8_t kOpWindow = 0x67;   // 01, 02 or 21 and 8, 9 or 16 numbers
inline constexpr std::uint8_t kOpSprites = 0x68;  // 01 and 4 numbers
inline constexpr std::uint8_t kOpText = 0xFF;     // text, 01 (or 02 01 after a speaker)

// Condition codes of kOpCondition: the jump is taken when the condition
// holds. Each has a form that compares with a variable, the code +
// kWithVariable, as each assignment has a form from a variable.
inline constexpr std::uint8_t kIfEqual = 0x3A;
inline constexpr std::uint8_t kIfNotEqual = 0x3B;
inline constexpr std::uint8_t kIfLess = 0x44;
inline constexpr std::uint8_t kIfLessEqual = 0x45;
inline constexpr std::uint8_t kIfGreater = 0x46;
inline constexpr std::uint8_t kIfGreaterEqual = 0x47;
inline constexpr std::uint8_t kWithVariable = 14;

// What a line of the decoded body is, for the tools that follow names and
// jumps.
enum class SeenKind : std::uint8_t {
    other,
    unknown_byte,     // `number` bytes from `offset` that form no instruction
    jump,             // `target`
    branch,           // a conditional jump to `target`
    text,             // `name`: the text
    speaker,          // `name`: the speaker
    menu,             // followed by its items and its end (depth 1); `number`: its count byte
    menu_item,        // `name`: the item's text; `target`: where it leads
    slot,             // string slot `number` set to `name`
    picture,          // `name`, or the picture in string slot `number` (`via_slot`)
    sprite,           // `name`, a sprite of the picture line before it
    scenario_jump,    // to the SEEN file of scenario `number`
    player_scenario,  // the player's own fixed scenario `number`
    music,            // `name`
    sound,            // `name`
};

// A number of an instruction: a literal, or with `variable` the number of
// the variable that holds it.
struct SeenNumber {
    std::int32_t value = 0;
    bool variable = false;
};

// One line of the decoded body. An instruction is one line of depth 0
// followed by the lines of its parts (depth 1). A line holds no text: its
// name is a range of the body's bytes, and how it reads is rendered when it
// is shown (seen_instruction_texts). Its numbers but `number` are held in the
// line where there are at most two and it has no target (the usual
// instruction, an assignment, needs nothing more); the others are a range of
// SeenProgram::numbers. So a program of millions of instructions takes 32
// bytes per line.
struct SeenLine {
    std::uint32_t offset = 0;  // body offset
    std::uint32_t length = 0;  // of an instruction (depth 0): its bytes
    std::int32_t number = 0;
    // The name or text it holds: `name_size` code page 932 bytes from body
    // offset `offset` + `name_from`, as stored.
    std::uint32_t name_size = 0;
    // The body offset of a jump, a branch or a menu item (`has_target`), or
    // the first number held in the line.
    union {
        std::uint32_t target = 0;
        std::int32_t held_first;
    };
    // Where the line's numbers start in SeenProgram::numbers, or the second
    // number held in the line.
    union {
        std::uint32_t numbers_at = 0;
        std::int32_t held_second;
    };
    std::uint8_t code = 0;      // the instruction's first byte
    std::uint8_t sub_code = 0;  // its sub-code or condition code
    SeenKind kind = SeenKind::other;
    std::uint8_t number_count = 0;  // its numbers but `number`: read with seen_line_number
    std::uint8_t name_from = 0;
    std::uint8_t depth : 1 = 0;
    bool variable : 1 = false;  // `number` is a variable reference
    bool via_slot : 1 = false;
    bool has_target : 1 = false;
    // Bit i: the held number i is a variable reference.
    std::uint8_t held_variable : 2 = 0;
};
static_assert(sizeof(SeenLine) == 32);

// Why bytes form no instruction: the body ends inside the instruction, a
// text of it runs to the body's end without its terminator, no known
// instruction starts there, or a menu or a sprite list whose count byte
// disagrees with the items or sprite records that follow it.
enum class SeenFaultKind : std::uint8_t {
    cut,
    unterminated_text,
    unknown,
    menu_count,
    sprite_count,
};

// `count` bytes from body offset `offset` on, each of them no instruction
// start for the same reason.
struct SeenFault {
    std::uint32_t offset = 0;
    std::uint32_t count = 0;
    SeenFaultKind kind = SeenFaultKind::unknown;
};

// The header as found. `decoded` is false when the magic is missing, the
// header is cut short or the body exceeds 4 GiB; then nothing else is read.
struct SeenHeader {
    bool magic = false;
    std::size_t file_size = 0;
    std::uint32_t body_length = 0;  // as stored at offset 95
    std::size_t present = 0;        // bytes after the header
    // Offsets below 95 whose byte differs from the translator's header.
    std::vector<std::size_t> differing;
};

// A SEEN file decoded. `body` is a view of the bytes given to decode_seen:
// the program is read only while they live.
struct SeenProgram {
    SeenHeader header;
    bool decoded = false;
    // The header is the translator's and every body byte belongs to a known
    // instruction.
    bool complete = false;
    std::size_t body_size = 0;
    std::span<const std::uint8_t> body;
    // In blocks that never move, so that a program of millions of lines
    // takes no second copy of them while it is decoded.
    std::deque<SeenLine> lines;      // in body order, offsets rising
    std::deque<SeenNumber> numbers;  // of the lines that do not hold theirs, in line order
    std::vector<SeenFault> faults;   // in body order
    // Jump targets that are instruction starts or the body's end, rising:
    // label number k + 1 is labels[k].
    std::vector<std::uint32_t> labels;
    std::size_t instructions = 0;
    std::size_t unknown_bytes = 0;
};

// The number of the label at body offset `offset`, or 0 where none is.
int seen_label(const SeenProgram& program, std::uint32_t offset);

// The name or text a line holds, code page 932 bytes as stored.
std::string_view seen_line_name(const SeenProgram& program, const SeenLine& line);

// Number `i` (below line.number_count) of a line of `program`.
SeenNumber seen_line_number(const SeenProgram& program, const SeenLine& line, std::size_t i);

// How each line of the instruction whose first line is program.lines[first]
// reads, UTF-8 ("jump L0001"): one text per line of the instruction, its
// parts included, so a listing takes memory for one instruction's texts at a
// time.
std::vector<std::string> seen_instruction_texts(const SeenProgram& program, std::size_t first);

// The index of the line of depth 0 that starts an instruction at body offset
// `offset`, or SIZE_MAX where no instruction starts there.
std::size_t seen_instruction_at(const SeenProgram& program, std::uint64_t offset);

// True when the bytes start with the SEEN magic "TPC32".
bool is_seen_file(std::span<const std::uint8_t> bytes);

// The header of a SEEN file; past the magic and the file size only when both
// are there.
SeenHeader read_seen_header(std::span<const std::uint8_t> seen);

// Decodes the body from its start, instruction after instruction; where no
// instruction decodes, the byte is unknown and the next byte is tried.
// Labels go to targets that are instruction starts or the body's end,
// numbered in body order.
SeenProgram decode_seen(std::span<const std::uint8_t> seen);

// A body with, for each block of kSeenZeroBlock bytes, the offset of the
// first zero byte at or after the block's start (the body's size where none
// follows), so that a text's end is found by searching at most one block: a
// table of 4 bytes per 64 body bytes instead of one per byte.
inline constexpr std::size_t kSeenZeroBlock = 64;
struct SeenBodyIndex {
    std::span<const std::uint8_t> body;
    std::vector<std::uint32_t> next_zero;
};
SeenBodyIndex index_seen_body(std::span<const std::uint8_t> body);

// One instruction decoded alone at a body offset.
struct SeenStep {
    bool decoded = false;
    std::size_t length = 0;  // its bytes
    // Why it did not decode; for a count fault, the count byte (`stated`) and
    // the menu items or sprite records `found`.
    SeenFaultKind fault = SeenFaultKind::unknown;
    std::uint32_t stated = 0, found = 0;
    // Its lines as decode_seen gives them (their numbers counted from 0), and
    // when `render` was asked for how each of them reads, with targets as
    // plain offsets.
    std::vector<SeenLine> lines;
    std::vector<std::string> texts;
};
SeenStep decode_seen_instruction(const SeenBodyIndex& index, std::size_t at, bool render);

// How many sprite records (0x03, a name, six numbers) follow each other from
// `at` on, counting at most `most`.
std::size_t count_sprite_records(const SeenBodyIndex& index, std::size_t at, std::size_t most);

// Whether the way goes on to the next instruction after one of this kind:
// not after a jump or a scenario jump. Branches, menu items and jumps also
// go to their targets.
bool seen_falls_through(SeenKind kind);

// A code page 932 text in UTF-8; control bytes and bytes that start no
// character are shown as \xNN.
std::string seen_text_utf8(std::span<const std::uint8_t> text);
