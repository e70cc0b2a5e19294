// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN header and the reader. The body is walked twice with the same
// decoder: the first walk finds where instructions start and which offsets
// are jumped to, the second writes the lines of those instructions. How a
// line reads is rendered only when it is shown, with the labels of the
// targets, by decoding its instruction once more.
#include "scenario/seen.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
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

std::string format_text(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    std::string text = vformat(pattern, args);
    va_end(args);
    if (text.size() > 127) text.resize(127);
    return text;
}

bool is_seen_entry_name(std::string_view name) {
    return name.size() > 8 && name.starts_with("SEEN") && name.ends_with(".TXT");
}

namespace {

// A tagged number: the high nibble of the first byte is the length (1 to 5),
// with bit 7 set for a variable reference; the low nibble holds bits 0-3 and
// each further byte the next 8 bits. The last byte of a five-byte number
// holds bits 28-31, sign-extended, so the sign comes from it.
struct Number {
    std::int32_t value = 0;
    bool variable = false;
};

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

std::string numbers(ByteReader& r, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const Number n = number(r);
        if (i > 0) out += ", ";
        out += num(n);
    }
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

// The operations of kOpSet, kOpAdd and kOpSubtract, and of their forms from
// a variable.
constexpr const char* kOperations[] = {"=", "+=", "-="};

// A line as the decoder writes it: the line and, while lines are rendered,
// how it reads.
struct Line {
    SeenLine at;
    std::string text;
};

Line make_line(std::size_t offset, int depth, SeenKind kind, std::string text = {}) {
    Line line;
    line.at.offset = static_cast<std::uint32_t>(offset);
    line.at.depth = static_cast<std::uint8_t>(depth);
    line.at.kind = kind;
    line.text = std::move(text);
    return line;
}

struct Listing {
    explicit Listing(const SeenBodyIndex& index) : body(index.body), next_zero(index.next_zero) {}
    Listing(std::span<const std::uint8_t> body, std::span<const std::uint32_t> labels)
        : body(body), labels(labels) {}

    std::span<const std::uint8_t> body;
    std::span<const std::uint32_t> labels;  // label k + 1 at labels[k], rising
    // For each body offset, the offset of the first zero byte at or after it
    // (the body's size when there is none), so that finding the end of a
    // text costs the same wherever it starts. Empty where only instructions
    // known to decode are decoded again: their texts end inside the body.
    std::span<const std::uint32_t> next_zero;
    // Set while a known instruction is decoded again to show its lines.
    // Texts are transcoded only then: a failed attempt at every byte of a
    // long text would otherwise copy the rest of it each time.
    bool render = false;
    // Targets without labels are shown as plain offsets (an instruction
    // decoded alone, where no labels are known).
    bool plain_targets = false;
    bool unterminated = false;  // a text of the last decode ran to the body's end
    // The last decode failed only on a count byte: `stated` against `found`
    // menu items or sprite records.
    bool count_fault = false;
    SeenFaultKind count_kind = SeenFaultKind::unknown;
    std::uint32_t stated = 0, found = 0;
};

// The reset before an instruction is decoded.
void start_decode(Listing& l, bool render) {
    l.render = render;
    l.unterminated = false;
    l.count_fault = false;
}

// Notes a count byte that disagrees with what follows it.
bool count_disagrees(Listing& l, SeenFaultKind kind, std::size_t stated, std::size_t found) {
    l.count_fault = true;
    l.count_kind = kind;
    l.stated = static_cast<std::uint32_t>(stated);
    l.found = static_cast<std::uint32_t>(found);
    return false;
}

// The zero-terminated text at the read position, without its terminator,
// and the position past it; where the body ends first, the text ends there
// and the reader fails.
std::span<const std::uint8_t> text(Listing& l, ByteReader& r) {
    std::span<const std::uint8_t> text;
    if (!r.at_end()) {
        std::size_t end = l.body.size();
        if (!l.next_zero.empty()) {
            end = l.next_zero[r.pos];
        } else if (const void* zero = std::memchr(l.body.data() + r.pos, 0, end - r.pos)) {
            end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - l.body.data());
        }
        text = l.body.subspan(r.pos, end - r.pos);
        r.pos = end;
    }
    if (r.at_end()) l.unterminated = true;
    r.u8();
    return text;
}

// Where the line's name or text lies in the body.
void name(const Listing& l, SeenLine& line, std::span<const std::uint8_t> text) {
    line.name_at = static_cast<std::uint32_t>(text.data() - l.body.data());
    line.name_size = static_cast<std::uint32_t>(text.size());
}

// A text, quoted in UTF-8, when lines are written.
std::string quoted(Listing& l, std::span<const std::uint8_t> text) {
    return l.render ? quoted(text) : std::string();
}

// How a jump target is shown: its label, or the raw offset with a mark.
// Every target is also added to `targets`.
std::string target(const Listing& l, std::uint32_t offset, std::vector<std::uint32_t>& targets) {
    targets.push_back(offset);
    if (!l.render) return {};
    const auto label = std::lower_bound(l.labels.begin(), l.labels.end(), offset);
    if (label != l.labels.end() && *label == offset)
        return format_text("L%04d", static_cast<int>(label - l.labels.begin()) + 1);
    if (offset <= l.body.size() && l.plain_targets) return format_text("0x%04X", offset);
    if (offset < l.body.size()) return format_text("0x%04X (not at an instruction)", offset);
    return format_text("0x%04X (outside the body)", offset);
}

// The picture operand into `line`: 0x40 and the number of a string slot, or
// a literal name. Returns how the listing shows it.
std::string picture_operand(Listing& l, ByteReader& r, SeenLine& line) {
    if (r.next_is(0x40)) {
        r.u8();
        const Number slot = number(r);
        line.via_slot = true;
        line.number = slot.value;
        line.variable = slot.variable;
        return "slot " + num(slot);
    }
    const std::span<const std::uint8_t> text_bytes = text(l, r);
    name(l, line, text_bytes);
    return quoted(l, text_bytes);
}

// A sprite record: 0x03, the sprite's name, its area (four numbers) and its
// place (two numbers) into `n`.
std::span<const std::uint8_t> sprite_record(Listing& l, ByteReader& r, Number (&n)[6]) {
    r.expect(0x03);
    const std::span<const std::uint8_t> name = text(l, r);
    for (Number& each : n)
        each = number(r);
    return name;
}

// 0x0B: picture instructions, by sub-code.
bool decode_picture(Listing& l, ByteReader& r, std::size_t start, std::vector<Line>& lines) {
    const std::uint8_t sub_code = r.u8();
    Line line = make_line(start, 0, SeenKind::picture);
    if (sub_code == 0x30) {
        line.at.kind = SeenKind::other;
        line.text = "picture 30";
    } else if (sub_code == 0x05) {
        const std::string picture = picture_operand(l, r, line.at);
        const Number n = number(r);
        line.text = "picture 05 " + picture + ", " + num(n);
    } else if (sub_code == 0x10) {
        const std::span<const std::uint8_t> picture = text(l, r);
        name(l, line.at, picture);
        const Number n = number(r);
        line.text = "picture 10 " + quoted(l, picture) + ", " + num(n);
    } else if (sub_code == 0x22) {
        const int count = r.u8();
        const std::string picture = picture_operand(l, r, line.at);
        const Number n = number(r);
        line.text = "picture 22 " + picture + ", " + num(n) + ", " + std::to_string(count) +
                    (count == 1 ? " sprite" : " sprites");
        lines.push_back(std::move(line));
        for (int i = 0; i < count && r.ok; ++i) {
            const std::size_t at = r.pos;
            // Fewer records than the count byte says.
            if (!r.at_end() && !r.next_is(0x03))
                return count_disagrees(l, SeenFaultKind::sprite_count, count, i);
            Number n[6];
            const std::span<const std::uint8_t> sprite = sprite_record(l, r, n);
            Line& line = lines.emplace_back(make_line(
                at, 1, SeenKind::sprite,
                l.render
                    ? "sprite " + quoted(l, sprite) + " area " + num(n[0]) + "," + num(n[1]) + "-" +
                          num(n[2]) + "," + num(n[3]) + " at " + num(n[4]) + "," + num(n[5])
                    : std::string()));
            name(l, line.at, sprite);
        }
        return true;
    } else {
        return false;
    }
    lines.push_back(std::move(line));
    return true;
}

// 0x58: the menu, its items, the end with the item count, then one target
// per item (shown on the item's line).
bool decode_menu(Listing& l, ByteReader& r, std::size_t start, std::vector<Line>& lines,
                 std::vector<std::uint32_t>& targets) {
    r.expect(0x01);
    const Number n = number(r);
    r.expect(0x22);
    r.expect(0x00);
    lines.push_back(make_line(start, 0, SeenKind::menu, "menu " + num(n)));
    const std::size_t menu_line = lines.size() - 1;
    std::vector<Line> items;
    while (r.ok && r.next_is(0xFF)) {
        const std::size_t at = r.pos;
        r.u8();
        const std::span<const std::uint8_t> item = text(l, r);
        r.expect(0x00);
        name(l, items.emplace_back(make_line(at, 1, SeenKind::menu_item, quoted(l, item))).at,
             item);
    }
    const std::size_t end = r.pos;
    r.expect(0x23);
    r.expect(0x1E);
    const std::size_t count = r.u8();
    const Number m = number(r);
    if (!r.ok) return false;
    // The count byte holds the low 8 bits of the item count.
    if (count != (items.size() & 0xFF))
        return count_disagrees(l, SeenFaultKind::menu_count, count, items.size());
    lines[menu_line].at.number = static_cast<std::int32_t>(count);
    for (Line& item : items) {
        const std::uint32_t to = r.le32();
        const std::string shown = target(l, to, targets);
        if (l.render) item.text = "item " + item.text + " -> " + shown;
        item.at.target = to;
        lines.push_back(std::move(item));
    }
    lines.push_back(
        make_line(end, 1, SeenKind::other, "end " + std::to_string(count) + ", " + num(m)));
    return true;
}

// Decodes the instruction at r.pos into `lines` and the jump targets it
// holds into `targets`. False when the bytes there are no known instruction.
bool decode(Listing& l, ByteReader& r, std::vector<Line>& lines,
            std::vector<std::uint32_t>& targets) {
    const std::size_t start = r.pos;
    auto line = [&](std::string text, SeenKind kind = SeenKind::other) -> SeenLine& {
        lines.push_back(make_line(start, 0, kind, l.render ? std::move(text) : std::string()));
        return lines.back().at;
    };
    const std::uint8_t code = r.u8();
    switch (code) {
        case kOpJump: {
            const std::uint32_t to = r.le32();
            line("jump " + target(l, to, targets), SeenKind::jump).target = to;
            break;
        }
        case kOpCondition: {
            r.expect(0x28);
            const std::uint8_t condition = r.u8();
            const Number a = number(r);
            const Number b = number(r);
            r.expect(0x29);
            const std::uint32_t to = r.le32();
            const bool with_variable = condition >= kIfEqual + kWithVariable;
            const std::uint8_t literal_form = with_variable ? condition - kWithVariable : condition;
            const Condition* c =
                std::find_if(std::begin(kConditions), std::end(kConditions),
                             [&](const Condition& k) { return k.code == literal_form; });
            if (c == std::end(kConditions)) return false;
            line("if " + var(a) + " " + c->relation + " " + (with_variable ? var(b) : num(b)) +
                     " jump " + target(l, to, targets),
                 SeenKind::branch)
                .target = to;
            break;
        }
        case kOpSet:
        case kOpAdd:
        case kOpSubtract:
        case kOpSetVar:
        case kOpAddVar:
        case kOpSubtractVar: {
            const bool from_variable = code >= kOpSetVar;
            const Number to = number(r);
            const Number from = number(r);
            line(var(to) + " " + kOperations[code - (from_variable ? kOpSetVar : kOpSet)] + " " +
                 (from_variable ? var(from) : num(from)));
            break;
        }
        case kOpRange: {
            const Number v = number(r);
            const Number low = number(r);
            const Number high = number(r);
            line("range " + var(v) + ", " + num(low) + " .. " + num(high));
            break;
        }
        case kOpSlot: {
            r.expect(0x01);
            const Number slot = number(r);
            const std::span<const std::uint8_t> value = text(l, r);
            SeenLine& slot_line =
                line("slot " + num(slot) + " = " + quoted(l, value), SeenKind::slot);
            name(l, slot_line, value);
            slot_line.number = slot.value;
            slot_line.variable = slot.variable;
            break;
        }
        case kOpTitleLine: {
            // The title line: two string slots, each after the bytes 10 03.
            r.expect(0x04);
            r.expect(0x10);
            r.expect(0x03);
            const Number first = number(r);
            r.expect(0x10);
            r.expect(0x03);
            const Number second = number(r);
            r.expect(0x00);
            line("title line: slot " + num(first) + ", slot " + num(second));
            break;
        }
        case kOpPicture:
            if (!decode_picture(l, r, start, lines)) return false;
            break;
        case kOpScreen:
            r.expect(0x10);
            line("op 64 10: " + numbers(r, 8));
            break;
        case kOpWindow: {
            const std::uint8_t sub_code = r.u8();
            const int count = sub_code == 0x01   ? 8
                              : sub_code == 0x02 ? 9
                              : sub_code == 0x21 ? 16
                                                 : 0;
            if (count == 0) return false;
            line(format_text("op 67 %02X: ", sub_code) + numbers(r, count));
            break;
        }
        case kOpSprites:
            r.expect(0x01);
            line("op 68 01: " + numbers(r, 4));
            break;
        case kOpScenario: {
            const std::uint8_t sub_code = r.u8();
            const Number scenario = number(r);
            if (sub_code != 0x01 && sub_code != 0x02) return false;
            SeenLine& jump = sub_code == 0x01
                                 ? line("scenario jump " + num(scenario), SeenKind::scenario_jump)
                                 : line("scenario 02: " + num(scenario), SeenKind::player_scenario);
            jump.number = scenario.value;
            jump.variable = scenario.variable;
            break;
        }
        case kOpSound: {
            const std::uint8_t sub_code = r.u8();
            if (sub_code == 0x01 || sub_code == 0x30) {
                const std::span<const std::uint8_t> file = text(l, r);
                name(l,
                     line((sub_code == 0x01 ? "music " : "sound ") + quoted(l, file),
                          sub_code == 0x01 ? SeenKind::music : SeenKind::sound),
                     file);
            } else if (sub_code == 0x10) {
                line("music 10: " + num(number(r)));
            } else {
                return false;
            }
            break;
        }
        case kOpMenu:
            if (!decode_menu(l, r, start, lines, targets)) return false;
            break;
        case kOpText: {
            // A text, then 01, or 02 01 after a speaker name.
            const std::span<const std::uint8_t> said = text(l, r);
            const std::uint8_t after = r.u8();
            if (after == 0x02) r.expect(0x01);
            if (after != 0x01 && after != 0x02) return false;
            name(l,
                 line((after == 0x01 ? "text " : "speaker ") + quoted(l, said),
                      after == 0x01 ? SeenKind::text : SeenKind::speaker),
                 said);
            break;
        }
        default:
            return false;
    }
    return r.ok;
}

// Why the decode that ended at `r` failed.
SeenFaultKind fault_of(const Listing& l, const ByteReader& r) {
    if (l.unterminated) return SeenFaultKind::unterminated_text;
    if (r.pos > l.body.size()) return SeenFaultKind::cut;
    return l.count_fault ? l.count_kind : SeenFaultKind::unknown;
}

// Decodes the instruction at `at`, appending its lines (the first with the
// instruction's length) and its targets; where it does not decode, both are
// left as they were and the step says why. The step's own lines stay empty.
SeenStep decode_at(Listing& l, std::size_t at, bool render, std::vector<Line>& lines,
                   std::vector<std::uint32_t>& targets) {
    const std::size_t first = lines.size(), known = targets.size();
    ByteReader r{l.body, at};
    start_decode(l, render);
    SeenStep step;
    step.decoded = decode(l, r, lines, targets);
    if (step.decoded) {
        step.length = r.pos - at;
        lines[first].at.length = static_cast<std::uint32_t>(step.length);
    } else {
        lines.resize(first);
        targets.resize(known);
        step.fault = fault_of(l, r);
        step.stated = l.stated;
        step.found = l.found;
    }
    return step;
}

// The lines of a step into the step itself.
void keep(SeenStep& step, std::vector<Line>& lines, bool texts) {
    for (Line& line : lines) {
        step.lines.push_back(line.at);
        if (texts) step.texts.push_back(std::move(line.text));
    }
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
    Listing l(index);
    const std::size_t n = l.body.size();
    // First the instruction starts, the jump targets and the faults, decoding
    // from the start instruction after instruction; where no instruction
    // decodes, the byte is unknown and the next byte is tried.
    std::vector<bool> starts(n, false);
    std::vector<std::uint32_t> targets;
    std::vector<Line> lines;
    std::vector<SeenFault>& faults = program.faults;
    for (std::size_t pos = 0; pos < n;) {
        lines.clear();
        const SeenStep step = decode_at(l, pos, false, lines, targets);
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
        ++pos;
    }
    // Labels go to targets at the start of an instruction and to the end of
    // the body (a jump to a last command that has no translation), numbered
    // in body order.
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    for (std::uint32_t t : targets) {
        if (t == n || (t < n && starts[t])) program.labels.push_back(t);
    }
    targets = std::vector<std::uint32_t>();
    // Then the lines. A run of unknown bytes is one line, so that a large
    // file of them does not take a line's memory per byte.
    std::vector<SeenLine>& out = program.lines;
    out.reserve(program.instructions + faults.size());
    for (std::size_t pos = 0; pos < n;) {
        if (starts[pos]) {
            lines.clear();
            pos += decode_at(l, pos, false, lines, targets).length;
            targets.clear();
            for (const Line& line : lines)
                out.push_back(line.at);
            continue;
        }
        if (!out.empty() && out.back().kind == SeenKind::unknown_byte &&
            out.back().offset + static_cast<std::size_t>(out.back().number) == pos &&
            out.back().number < INT32_MAX) {
            ++out.back().number;
        } else {
            Line run = make_line(pos, 0, SeenKind::unknown_byte);
            run.at.number = 1;
            out.push_back(run.at);
        }
        ++pos;
    }
    out.shrink_to_fit();
    program.decoded = true;
    program.body_size = n;
    program.body = l.body;
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
    if (line.name_size == 0 || line.name_at >= program.body.size() ||
        program.body.size() - line.name_at < line.name_size)
        return {};
    return {reinterpret_cast<const char*>(program.body.data()) + line.name_at, line.name_size};
}

std::vector<std::string> seen_instruction_texts(const SeenProgram& program, std::size_t first) {
    std::vector<std::string> texts;
    if (first >= program.lines.size()) return texts;
    const SeenLine& start = program.lines[first];
    if (start.depth != 0 || start.kind == SeenKind::unknown_byte) return texts;
    Listing l(program.body, program.labels);
    std::vector<Line> lines;
    std::vector<std::uint32_t> targets;
    if (!decode_at(l, start.offset, true, lines, targets).decoded) return texts;
    for (Line& line : lines)
        texts.push_back(std::move(line.text));
    return texts;
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
    index.next_zero.resize(body.size());
    std::uint32_t zero = static_cast<std::uint32_t>(body.size());
    for (std::size_t i = body.size(); i-- > 0;) {
        if (body[i] == 0) zero = static_cast<std::uint32_t>(i);
        index.next_zero[i] = zero;
    }
    return index;
}

SeenStep decode_seen_instruction(const SeenBodyIndex& index, std::size_t at, bool render) {
    if (at >= index.body.size()) return {};
    Listing l(index);
    l.plain_targets = true;
    std::vector<Line> lines;
    std::vector<std::uint32_t> targets;
    SeenStep step = decode_at(l, at, render, lines, targets);
    keep(step, lines, render);
    return step;
}

std::size_t count_sprite_records(const SeenBodyIndex& index, std::size_t at, std::size_t most) {
    Listing l(index);
    std::size_t count = 0;
    ByteReader r{l.body, at};
    Number n[6];
    while (count < most && r.next_is(0x03)) {
        sprite_record(l, r, n);
        if (!r.ok) break;
        ++count;
    }
    return count;
}

bool seen_falls_through(SeenKind kind) {
    return kind != SeenKind::jump && kind != SeenKind::scenario_jump;
}
