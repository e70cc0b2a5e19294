// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN header, the reader and the printer. The reader walks the body
// once, decoding each instruction into lines and their numbers; the printer
// renders a line from them, with the labels of its targets, when it is
// shown.
#include "scenario/seen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "base/bytes.h"
#include "base/diagnostics.h"
#include "base/names.h"
#include "platform/platform.h"

void write_seen_header(std::uint8_t* header, std::uint32_t body_length) {
    std::memset(header, 0, kSeenHeaderSize);
    std::memcpy(header, kSeenMagic.data(), kSeenMagic.size());
    write_le32(header + 40, 1);
    header[80] = 1;
    header[85] = 1;
    header[90] = 1;
    write_le32(header + kSeenBodyLengthOffset, body_length);
}

std::string seen_entry_name(std::int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "SEEN%03d.TXT", static_cast<int>(number));
    return name;
}

bool is_seen_entry_name(std::string_view name) {
    return name.size() > 8 && name.starts_with("SEEN") && name.ends_with(".TXT");
}

namespace {

// A tagged number: the high nibble of the first byte is the length (1 to 5),
// with bit 7 set for a variable reference; the low nibble holds bits 0-3 and
// each further byte the next 8 bits. The last byte of a five-byte number
// holds bits 28-31, sign-extended, so the sign comes from it.
using Number = SeenNumber;

// Reads a tagged number; a length outside 1 to 5 fails the reader.
Number number(ByteReader& r) {
    const std::uint8_t first = r.u8();
    const int length = (first >> 4) & 0x7;
    if (length < 1 || length > 5) {
        r.ok = false;
        return {};
    }
    std::uint32_t value = first & 0x0F;
    for (int i = 1; i < length; ++i)
        value |= static_cast<std::uint32_t>(r.u8()) << (4 + 8 * (i - 1));
    return {static_cast<std::int32_t>(value), (first & 0x80) != 0};
}

// A code page 932 text in UTF-8, control bytes escaped, and for a quoted
// string quotes and backslashes as well. A byte that starts no character is
// shown escaped and the rest goes on after it.
std::string transcoded(std::span<const std::uint8_t> text, bool quoting) {
    std::string out;
    std::string character;
    for (std::size_t i = 0; i < text.size();) {
        character.clear();
        const std::size_t taken = platform::cp932_character_to_utf8(text.subspan(i), character);
        if (taken == 0) {
            append_hex_escape(out, text[i]);
            ++i;
            continue;
        }
        if (quoting && (character == "\"" || character == "\\")) out += '\\';
        append_printable(out, character);
        i += taken;
    }
    return out;
}

std::string quoted(std::span<const std::uint8_t> text) {
    return '"' + transcoded(text, true) + '"';
}

std::string num(Number n) {
    std::string out = n.variable ? "$" : "";
    out += std::to_string(n.value);
    return out;
}

// A number in the place of a variable number: v12, or v[$800] for the
// variable whose number variable 800 holds.
std::string var(Number n) {
    std::string out = n.variable ? "v[$" : "v";
    out += std::to_string(n.value);
    if (n.variable) out += ']';
    return out;
}

// The condition codes as the listing shows them. The value switch jumps on
// kIfEqual to the entry whose value equals the variable, the guard after a
// subtraction skips the reset to 0 on kIfGreaterEqual while the variable is
// not below 0, and the choice loop runs back on kIfLess while its counter is
// below its end.
struct Condition {
    std::uint8_t code;
    const char* relation;
};
constexpr Condition kConditions[] = {
    {kIfEqual, "=="},     {kIfNotEqual, "!="}, {kIfLess, "<"},
    {kIfLessEqual, "<="}, {kIfGreater, ">"},   {kIfGreaterEqual, ">="},
};

const Condition* condition_of(std::uint8_t code) {
    const std::uint8_t literal_form =
        code >= kIfEqual + kWithVariable ? code - kWithVariable : code;
    const Condition* c = std::find_if(std::begin(kConditions), std::end(kConditions),
                                      [&](const Condition& k) { return k.code == literal_form; });
    return c == std::end(kConditions) ? nullptr : c;
}

// The operations of kOpSet, kOpAdd and kOpSubtract, and of their forms from
// a variable.
constexpr const char* kOperations[] = {"=", "+=", "-="};

// The decoder's state for one body: where its lines and their numbers go,
// and why the last instruction did not decode.
struct Decoder {
    explicit Decoder(const SeenBodyIndex& index) : body(index.body), next_zero(index.next_zero) {}

    std::span<const std::uint8_t> body;
    // For each block of kSeenZeroBlock body bytes, the offset of the first
    // zero byte at or after its start (the body's size when there is none),
    // so that finding the end of a text searches at most one block.
    std::span<const std::uint32_t> next_zero;
    std::deque<SeenLine> lines;
    std::deque<SeenNumber> numbers;
    std::vector<std::uint32_t> targets;
    bool unterminated = false;  // a text of the last decode ran to the body's end
    // The last decode failed only on a count byte: `stated` against `found`
    // menu items or sprite records.
    bool count_fault = false;
    SeenFaultKind count_kind = SeenFaultKind::unknown;
    std::uint32_t stated = 0, found = 0;
};

// Notes a count byte that disagrees with what follows it.
bool count_disagrees(Decoder& d, SeenFaultKind kind, std::size_t stated, std::size_t found) {
    d.count_fault = true;
    d.count_kind = kind;
    d.stated = static_cast<std::uint32_t>(stated);
    d.found = static_cast<std::uint32_t>(found);
    return false;
}

// The offset of the first zero byte at or after `at` (below the body's
// size), or the body's size where none follows: searched in the rest of its
// block, then taken from the next block's entry.
std::size_t text_end(const Decoder& d, std::size_t at) {
    const std::size_t block = at / kSeenZeroBlock;
    const std::size_t block_end = std::min(d.body.size(), (block + 1) * kSeenZeroBlock);
    const void* zero = std::memchr(d.body.data() + at, 0, block_end - at);
    if (zero)
        return static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - d.body.data());
    return block + 1 < d.next_zero.size() ? d.next_zero[block + 1] : d.body.size();
}

// The zero-terminated text at the read position, without its terminator,
// and the position past it; where the body ends first, the text ends there
// and the reader fails.
std::span<const std::uint8_t> text(Decoder& d, ByteReader& r) {
    std::span<const std::uint8_t> text;
    if (!r.at_end()) {
        const std::size_t end = text_end(d, r.pos);
        text = d.body.subspan(r.pos, end - r.pos);
        r.pos = end;
    }
    if (r.at_end()) d.unterminated = true;
    r.u8();
    return text;
}

// A new line at `offset`; its numbers follow those of the lines before it.
std::size_t add_line(Decoder& d, std::size_t offset, int depth, SeenKind kind, std::uint8_t code,
                     std::uint8_t sub_code = 0) {
    SeenLine& line = d.lines.emplace_back();
    line.offset = static_cast<std::uint32_t>(offset);
    line.depth = static_cast<std::uint8_t>(depth);
    line.kind = kind;
    line.code = code;
    line.sub_code = sub_code;
    return d.lines.size() - 1;
}

// Whether a line's numbers are in the numbers deque rather than held in it.
bool numbers_outside(const SeenLine& line) {
    return line.has_target || line.number_count > 2;
}

// Moves the two numbers the last line holds to the numbers deque, before it
// takes a third.
void move_out_numbers(Decoder& d) {
    SeenLine& line = d.lines.back();
    const Number held[2] = {{line.held_first, (line.held_variable & 1) != 0},
                            {line.held_second, (line.held_variable & 2) != 0}};
    line.numbers_at = static_cast<std::uint32_t>(d.numbers.size());
    line.held_variable = 0;
    for (std::size_t i = 0; i < line.number_count; ++i)
        d.numbers.push_back(held[i]);
}

// Adds a number to the last line.
void add_number(Decoder& d, Number n) {
    SeenLine& line = d.lines.back();
    // A third number moves the two held ones out first.
    if (!line.has_target && line.number_count == 2) move_out_numbers(d);
    if (line.has_target || line.number_count >= 2) {
        d.numbers.push_back(n);
    } else if (line.number_count == 0) {
        line.held_first = n.value;
        line.held_variable = n.variable ? 1 : 0;
    } else {
        line.held_second = n.value;
        if (n.variable) line.held_variable |= 2;
    }
    ++line.number_count;
}
void add_numbers(Decoder& d, ByteReader& r, int count) {
    for (int i = 0; i < count; ++i)
        add_number(d, number(r));
}

// Where the line's name or text lies in the body: a few bytes after the
// line's offset, past its code bytes and at most one number.
void name(Decoder& d, std::size_t line, std::span<const std::uint8_t> text) {
    const std::size_t at = static_cast<std::size_t>(text.data() - d.body.data());
    d.lines[line].name_from = static_cast<std::uint8_t>(at - d.lines[line].offset);
    d.lines[line].name_size = static_cast<std::uint32_t>(text.size());
}

void set_number(Decoder& d, std::size_t line, Number n) {
    d.lines[line].number = n.value;
    d.lines[line].variable = n.variable;
}

void set_target(Decoder& d, std::size_t line, std::uint32_t to) {
    // Only a line without numbers yet takes a target (a menu item, the
    // jumps): the numbers of a branch follow it.
    d.lines[line].has_target = true;
    d.lines[line].numbers_at = static_cast<std::uint32_t>(d.numbers.size());
    d.lines[line].target = to;
    d.targets.push_back(to);
}

// The picture operand into `line`: 0x40 and the number of a string slot, or
// a literal name.
void picture_operand(Decoder& d, ByteReader& r, std::size_t line) {
    if (r.next_is(0x40)) {
        r.u8();
        set_number(d, line, number(r));
        d.lines[line].via_slot = true;
        return;
    }
    name(d, line, text(d, r));
}

// A sprite record: 0x03, the sprite's name, its area (four numbers) and its
// place (two numbers); the numbers go to the last line when `keep`.
std::span<const std::uint8_t> sprite_record(Decoder& d, ByteReader& r, bool keep) {
    r.expect(0x03);
    const std::span<const std::uint8_t> name = text(d, r);
    for (int i = 0; i < 6; ++i) {
        const Number n = number(r);
        if (keep) add_number(d, n);
    }
    return name;
}

// 0x0B: picture instructions, by sub-code.
bool decode_picture(Decoder& d, ByteReader& r, std::size_t start) {
    const std::uint8_t sub_code = r.u8();
    const std::size_t line = add_line(d, start, 0, SeenKind::picture, kOpPicture, sub_code);
    if (sub_code == 0x30) {
        d.lines[line].kind = SeenKind::other;
    } else if (sub_code == 0x05) {
        picture_operand(d, r, line);
        add_number(d, number(r));
    } else if (sub_code == 0x10) {
        name(d, line, text(d, r));
        add_number(d, number(r));
    } else if (sub_code == 0x22) {
        const int count = r.u8();
        picture_operand(d, r, line);
        add_number(d, number(r));
        add_number(d, {count, false});
        for (int i = 0; i < count && r.ok; ++i) {
            const std::size_t at = r.pos;
            // Fewer records than the count byte says.
            if (!r.at_end() && !r.next_is(0x03))
                return count_disagrees(d, SeenFaultKind::sprite_count, count, i);
            const std::size_t sprite = add_line(d, at, 1, SeenKind::sprite, kOpPicture, sub_code);
            name(d, sprite, sprite_record(d, r, true));
        }
    } else {
        return false;
    }
    return true;
}

// 0x58: the menu, its items, the end with the item count, then one target
// per item (on the item's line).
bool decode_menu(Decoder& d, ByteReader& r, std::size_t start) {
    r.expect(0x01);
    const Number n = number(r);
    r.expect(0x22);
    r.expect(0x00);
    const std::size_t menu = add_line(d, start, 0, SeenKind::menu, kOpMenu);
    add_number(d, n);
    while (r.ok && r.next_is(0xFF)) {
        const std::size_t at = r.pos;
        r.u8();
        const std::span<const std::uint8_t> item = text(d, r);
        r.expect(0x00);
        name(d, add_line(d, at, 1, SeenKind::menu_item, kOpMenu), item);
    }
    const std::size_t items = d.lines.size() - menu - 1;
    const std::size_t end = r.pos;
    r.expect(0x23);
    r.expect(0x1E);
    const std::size_t count = r.u8();
    const Number m = number(r);
    if (!r.ok) return false;
    // The count byte holds the low 8 bits of the item count.
    if (count != (items & 0xFF)) return count_disagrees(d, SeenFaultKind::menu_count, count, items);
    d.lines[menu].number = static_cast<std::int32_t>(count);
    for (std::size_t i = 1; i <= items; ++i)
        set_target(d, menu + i, r.le32());
    const std::size_t last = add_line(d, end, 1, SeenKind::other, kOpMenu);
    d.lines[last].number = static_cast<std::int32_t>(count);
    add_number(d, m);
    return true;
}

// Decodes the instruction at r.pos into lines, numbers and targets. False
// when the bytes there are no known instruction.
bool decode(Decoder& d, ByteReader& r) {
    const std::size_t start = r.pos;
    const std::uint8_t code = r.u8();
    auto line = [&](SeenKind kind = SeenKind::other, std::uint8_t sub_code = 0) {
        return add_line(d, start, 0, kind, code, sub_code);
    };
    switch (code) {
        case kOpJump:
            set_target(d, line(SeenKind::jump), r.le32());
            break;
        case kOpCondition: {
            r.expect(0x28);
            const std::uint8_t condition = r.u8();
            const Number a = number(r);
            const Number b = number(r);
            r.expect(0x29);
            const std::uint32_t to = r.le32();
            if (!condition_of(condition)) return false;
            set_target(d, line(SeenKind::branch, condition), to);
            add_number(d, a);
            add_number(d, b);
            break;
        }
        case kOpSet:
        case kOpAdd:
        case kOpSubtract:
        case kOpSetVar:
        case kOpAddVar:
        case kOpSubtractVar:
            line();
            add_numbers(d, r, 2);
            break;
        case kOpRange:
            line();
            add_numbers(d, r, 3);
            break;
        case kOpSlot: {
            r.expect(0x01);
            const Number slot = number(r);
            const std::span<const std::uint8_t> value = text(d, r);
            const std::size_t at = line(SeenKind::slot);
            name(d, at, value);
            set_number(d, at, slot);
            break;
        }
        case kOpTitleLine:
            // The title line: two string slots, each after the bytes 10 03.
            line();
            r.expect(0x04);
            r.expect(0x10);
            r.expect(0x03);
            add_number(d, number(r));
            r.expect(0x10);
            r.expect(0x03);
            add_number(d, number(r));
            r.expect(0x00);
            break;
        case kOpPicture:
            if (!decode_picture(d, r, start)) return false;
            break;
        case kOpScreen:
            r.expect(0x10);
            line();
            add_numbers(d, r, 8);
            break;
        case kOpWindow: {
            const std::uint8_t sub_code = r.u8();
            const int count = sub_code == 0x01   ? 8
                              : sub_code == 0x02 ? 9
                              : sub_code == 0x21 ? 16
                                                 : 0;
            if (count == 0) return false;
            line(SeenKind::other, sub_code);
            add_numbers(d, r, count);
            break;
        }
        case kOpSprites:
            r.expect(0x01);
            line();
            add_numbers(d, r, 4);
            break;
        case kOpScenario: {
            const std::uint8_t sub_code = r.u8();
            const Number scenario = number(r);
            if (sub_code != 0x01 && sub_code != 0x02) return false;
            set_number(d,
                       line(sub_code == 0x01 ? SeenKind::scenario_jump : SeenKind::player_scenario,
                            sub_code),
                       scenario);
            break;
        }
        case kOpSound: {
            const std::uint8_t sub_code = r.u8();
            if (sub_code == 0x01 || sub_code == 0x30) {
                const std::span<const std::uint8_t> file = text(d, r);
                name(d, line(sub_code == 0x01 ? SeenKind::music : SeenKind::sound, sub_code), file);
            } else if (sub_code == 0x10) {
                line(SeenKind::other, sub_code);
                add_number(d, number(r));
            } else {
                return false;
            }
            break;
        }
        case kOpMenu:
            if (!decode_menu(d, r, start)) return false;
            break;
        case kOpText: {
            // A text, then 01, or 02 01 after a speaker name.
            const std::span<const std::uint8_t> said = text(d, r);
            const std::uint8_t after = r.u8();
            if (after == 0x02) r.expect(0x01);
            if (after != 0x01 && after != 0x02) return false;
            name(d, line(after == 0x01 ? SeenKind::text : SeenKind::speaker), said);
            break;
        }
        default:
            return false;
    }
    return r.ok;
}

// Decodes the instruction at `at`, appending its lines (the first with the
// instruction's length), numbers and targets; where it does not decode, all
// are left as they were and the step says why. The step's lines stay empty.
SeenStep decode_at(Decoder& d, std::size_t at) {
    const std::size_t first = d.lines.size(), numbers = d.numbers.size(),
                      targets = d.targets.size();
    ByteReader r{d.body, at};
    d.unterminated = false;
    d.count_fault = false;
    SeenStep step;
    step.decoded = decode(d, r);
    if (step.decoded) {
        step.length = r.pos - at;
        d.lines[first].length = static_cast<std::uint32_t>(step.length);
        return step;
    }
    d.lines.erase(d.lines.begin() + static_cast<std::ptrdiff_t>(first), d.lines.end());
    d.numbers.erase(d.numbers.begin() + static_cast<std::ptrdiff_t>(numbers), d.numbers.end());
    d.targets.resize(targets);
    step.fault = d.unterminated          ? SeenFaultKind::unterminated_text
                 : r.pos > d.body.size() ? SeenFaultKind::cut
                 : d.count_fault         ? d.count_kind
                                         : SeenFaultKind::unknown;
    step.stated = d.stated;
    step.found = d.found;
    return step;
}

// What the printer reads: the body, the lines' numbers and the labels (label
// k + 1 at labels[k], rising). Targets without labels are shown as plain
// offsets where `plain_targets` (an instruction decoded alone, where no
// labels are known).
struct Printer {
    std::span<const std::uint8_t> body;
    const std::deque<SeenNumber>& numbers;
    std::span<const std::uint32_t> labels;
    bool plain_targets = false;
};

// How a jump target is shown: its label, or the raw offset with a mark.
std::string target(const Printer& p, std::int64_t to) {
    const std::uint32_t offset = static_cast<std::uint32_t>(to);
    const auto label = std::lower_bound(p.labels.begin(), p.labels.end(), offset);
    if (label != p.labels.end() && *label == offset)
        return format_text("L%04d", static_cast<int>(label - p.labels.begin()) + 1);
    if (offset <= p.body.size() && p.plain_targets) return format_text("0x%04X", offset);
    if (offset < p.body.size()) return format_text("0x%04X (not at an instruction)", offset);
    return format_text("0x%04X (outside the body)", offset);
}

// Number `i` of a line: held in it, or in `numbers`.
Number line_number(const std::deque<SeenNumber>& numbers, const SeenLine& line, std::size_t i) {
    if (numbers_outside(line)) return numbers[line.numbers_at + i];
    if (i == 0) return {line.held_first, (line.held_variable & 1) != 0};
    return {line.held_second, (line.held_variable & 2) != 0};
}

// How a line reads.
std::string render(const Printer& p, const SeenLine& line) {
    const auto n = [&](std::size_t i) { return line_number(p.numbers, line, i); };
    const std::string name = quoted(p.body.subspan(line.offset + line.name_from, line.name_size));
    const Number own{line.number, line.variable};
    const auto list = [&](std::string out) {
        for (std::size_t i = 0; i < line.number_count; ++i)
            out += (i > 0 ? ", " : "") + num(n(i));
        return out;
    };
    const std::string operand = line.via_slot ? "slot " + num(own) : name;
    if (line.depth == 1) {
        if (line.kind == SeenKind::sprite)
            return "sprite " + name + " area " + num(n(0)) + "," + num(n(1)) + "-" + num(n(2)) +
                   "," + num(n(3)) + " at " + num(n(4)) + "," + num(n(5));
        if (line.kind == SeenKind::menu_item)
            return "item " + name + " -> " + target(p, line.target);
        return "end " + std::to_string(line.number) + ", " + num(n(0));
    }
    switch (line.code) {
        case kOpJump:
            return "jump " + target(p, line.target);
        case kOpCondition: {
            const bool with_variable = line.sub_code >= kIfEqual + kWithVariable;
            return "if " + var(n(0)) + " " + condition_of(line.sub_code)->relation + " " +
                   (with_variable ? var(n(1)) : num(n(1))) + " jump " + target(p, line.target);
        }
        case kOpSet:
        case kOpAdd:
        case kOpSubtract:
        case kOpSetVar:
        case kOpAddVar:
        case kOpSubtractVar: {
            const bool from_variable = line.code >= kOpSetVar;
            return var(n(0)) + " " + kOperations[line.code - (from_variable ? kOpSetVar : kOpSet)] +
                   " " + (from_variable ? var(n(1)) : num(n(1)));
        }
        case kOpRange:
            return "range " + var(n(0)) + ", " + num(n(1)) + " .. " + num(n(2));
        case kOpSlot:
            return "slot " + num(own) + " = " + name;
        case kOpTitleLine:
            return "title line: slot " + num(n(0)) + ", slot " + num(n(1));
        case kOpPicture:
            if (line.sub_code == 0x30) return "picture 30";
            if (line.sub_code == 0x05) return "picture 05 " + operand + ", " + num(n(0));
            if (line.sub_code == 0x10) return "picture 10 " + name + ", " + num(n(0));
            return "picture 22 " + operand + ", " + num(n(0)) + ", " + std::to_string(n(1).value) +
                   (n(1).value == 1 ? " sprite" : " sprites");
        case kOpScreen:
            return list("op 64 10: ");
        case kOpWindow:
            return list(format_text("op 67 %02X: ", line.sub_code));
        case kOpSprites:
            return list("op 68 01: ");
        case kOpScenario:
            return (line.sub_code == 0x01 ? "scenario jump " : "scenario 02: ") + num(own);
        case kOpSound:
            if (line.sub_code == 0x10) return "music 10: " + num(n(0));
            return (line.sub_code == 0x01 ? "music " : "sound ") + name;
        case kOpMenu:
            return "menu " + num(n(0));
        default:
            return (line.kind == SeenKind::text ? "text " : "speaker ") + name;
    }
}

// How each line of the instruction whose first line is lines[first] reads.
std::vector<std::string> render_instruction(const Printer& p, const std::deque<SeenLine>& lines,
                                            std::size_t first) {
    std::vector<std::string> texts;
    for (std::size_t i = first; i < lines.size() && (i == first || lines[i].depth != 0); ++i)
        texts.push_back(render(p, lines[i]));
    return texts;
}

}  // namespace

bool is_seen_file(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kSeenMagic.size() &&
           std::memcmp(bytes.data(), kSeenMagic.data(), kSeenMagic.size()) == 0;
}

std::string seen_text_utf8(std::span<const std::uint8_t> text) {
    return transcoded(text, false);
}

SeenHeader read_seen_header(std::span<const std::uint8_t> seen) {
    SeenHeader header;
    header.magic = is_seen_file(seen);
    header.file_size = seen.size();
    if (!header.magic || seen.size() < static_cast<std::size_t>(kSeenHeaderSize)) return header;
    header.body_length = ByteReader{seen, kSeenBodyLengthOffset}.le32();
    header.present = seen.size() - kSeenHeaderSize;
    std::uint8_t model[kSeenHeaderSize];
    write_seen_header(model, 0);
    for (std::size_t i = 0; i < kSeenBodyLengthOffset; ++i) {
        if (seen[i] != model[i]) header.differing.push_back(i);
    }
    return header;
}

SeenProgram decode_seen(std::span<const std::uint8_t> seen) {
    SeenProgram program;
    const SeenHeader& header = program.header = read_seen_header(seen);
    if (!header.magic || seen.size() < static_cast<std::size_t>(kSeenHeaderSize) ||
        header.present > UINT32_MAX)
        return program;

    const SeenBodyIndex index = index_seen_body(seen.subspan(kSeenHeaderSize));
    Decoder d(index);
    const std::size_t n = d.body.size();
    // Instruction after instruction from the start; where no instruction
    // decodes, the byte is unknown and the next byte is tried. A run of
    // unknown bytes is one line, so that a large file of them does not take
    // a line's memory per byte.
    std::vector<bool> starts(n, false);
    std::vector<SeenFault>& faults = program.faults;
    for (std::size_t pos = 0; pos < n;) {
        const SeenStep step = decode_at(d, pos);
        if (step.decoded) {
            starts[pos] = true;
            ++program.instructions;
            pos += step.length;
            continue;
        }
        ++program.unknown_bytes;
        if (!faults.empty() && faults.back().kind == step.fault &&
            faults.back().offset + faults.back().count == pos) {
            ++faults.back().count;
        } else {
            faults.push_back({static_cast<std::uint32_t>(pos), 1, step.fault});
        }
        SeenLine* run = d.lines.empty() ? nullptr : &d.lines.back();
        if (run && run->kind == SeenKind::unknown_byte &&
            run->offset + static_cast<std::size_t>(run->number) == pos && run->number < INT32_MAX) {
            ++run->number;
        } else {
            add_line(d, pos, 0, SeenKind::unknown_byte, 0);
            d.lines.back().number = 1;
        }
        ++pos;
    }
    // Labels go to targets at the start of an instruction and to the end of
    // the body (a jump to a last command that has no translation), numbered
    // in body order.
    std::vector<std::uint32_t>& targets = d.targets;
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    for (std::uint32_t t : targets) {
        if (t == n || (t < n && starts[t])) program.labels.push_back(t);
    }
    program.lines = std::move(d.lines);
    program.numbers = std::move(d.numbers);
    program.decoded = true;
    program.body_size = n;
    program.body = d.body;
    program.complete = header.body_length == header.present && header.differing.empty() &&
                       program.unknown_bytes == 0;
    return program;
}

int seen_label(const SeenProgram& program, std::uint32_t offset) {
    const auto found = std::lower_bound(program.labels.begin(), program.labels.end(), offset);
    if (found == program.labels.end() || *found != offset) return 0;
    return static_cast<int>(found - program.labels.begin()) + 1;
}

std::string_view seen_line_name(const SeenProgram& program, const SeenLine& line) {
    const std::size_t at = std::size_t{line.offset} + line.name_from;
    if (line.name_size == 0 || at >= program.body.size() ||
        program.body.size() - at < line.name_size)
        return {};
    return {reinterpret_cast<const char*>(program.body.data()) + at, line.name_size};
}

SeenNumber seen_line_number(const SeenProgram& program, const SeenLine& line, std::size_t i) {
    return line_number(program.numbers, line, i);
}

std::vector<std::string> seen_instruction_texts(const SeenProgram& program, std::size_t first) {
    if (first >= program.lines.size()) return {};
    const SeenLine& start = program.lines[first];
    if (start.depth != 0 || start.kind == SeenKind::unknown_byte) return {};
    return render_instruction({program.body, program.numbers, program.labels}, program.lines,
                              first);
}

std::size_t seen_instruction_at(const SeenProgram& program, std::uint64_t offset) {
    const auto found =
        std::lower_bound(program.lines.begin(), program.lines.end(), offset,
                         [](const SeenLine& line, std::uint64_t at) { return line.offset < at; });
    if (found == program.lines.end() || found->offset != offset || found->depth != 0 ||
        found->kind == SeenKind::unknown_byte)
        return SIZE_MAX;
    return static_cast<std::size_t>(found - program.lines.begin());
}

SeenBodyIndex index_seen_body(std::span<const std::uint8_t> body) {
    SeenBodyIndex index;
    index.body = body;
    const std::size_t blocks = (body.size() + kSeenZeroBlock - 1) / kSeenZeroBlock;
    index.next_zero.resize(blocks);
    std::uint32_t zero = static_cast<std::uint32_t>(body.size());
    for (std::size_t b = blocks; b-- > 0;) {
        const std::size_t start = b * kSeenZeroBlock;
        const std::size_t end = std::min(body.size(), start + kSeenZeroBlock);
        const void* found = std::memchr(body.data() + start, 0, end - start);
        if (found)
            zero =
                static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - body.data());
        index.next_zero[b] = zero;
    }
    return index;
}

SeenStep decode_seen_instruction(const SeenBodyIndex& index, std::size_t at, bool render) {
    if (at >= index.body.size()) return {};
    Decoder d(index);
    SeenStep step = decode_at(d, at);
    if (step.decoded && render)
        step.texts = render_instruction({d.body, d.numbers, {}, true}, d.lines, 0);
    step.lines.assign(d.lines.begin(), d.lines.end());
    return step;
}

std::size_t count_sprite_records(const SeenBodyIndex& index, std::size_t at, std::size_t most) {
    Decoder d(index);
    std::size_t count = 0;
    ByteReader r{d.body, at};
    while (count < most && r.next_is(0x03)) {
        sprite_record(d, r, false);
        if (!r.ok) break;
        ++count;
    }
    return count;
}

bool seen_falls_through(SeenKind kind) {
    return kind != SeenKind::jump && kind != SeenKind::scenario_jump;
}
