// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 30-35, 40, 41: comparisons, menus and value switches.
#include <cstdint>
#include <vector>

#include "scenario/dispatch.h"
#include "scenario/instructions.h"

namespace {

// Condition codes of the comparison commands, by opcode. The literal form
// compares with a literal, the variable form with a source variable.
struct ConditionCodes {
    std::uint8_t opcode;
    std::uint8_t literal_form;
    std::uint8_t variable_form;
};
constexpr ConditionCodes kConditionCodes[] = {
    {30, kIfNotEqual, kIfNotEqual + kWithVariable},
    {31, kIfEqual, kIfEqual + kWithVariable},
    {32, kIfGreater, kIfGreater + kWithVariable},
    {33, kIfGreaterEqual, kIfGreaterEqual + kWithVariable},
    {34, kIfLess, kIfLess + kWithVariable},
    {35, kIfLessEqual, kIfLessEqual + kWithVariable},
};
constexpr std::uint8_t kFirstComparison = 30;
// The value switch compares with the codes of command 31.
constexpr ConditionCodes kSwitchCodes = kConditionCodes[31 - kFirstComparison];

// Closes the operand lists of commands 40 and 41 and the target field of the
// comparisons.
constexpr std::uint8_t kListEnd = 0xFF;

// The most items a menu's count byte holds.
constexpr std::size_t kMaxMenuItems = 255;

// The number every menu instruction carries twice.
constexpr std::int32_t kMenuNumber = 999;

std::uint8_t condition_code(const ConditionCodes& codes, const ValueOperand& value) {
    return value.is_variable ? codes.variable_form : codes.literal_form;
}

// A conditional jump to the SIO offset `target`: 0x15 0x28, the condition,
// 0x29 and the target's fix-up.
void emit_conditional_jump(Translator& t, std::uint8_t code, std::int32_t variable,
                           const ValueOperand& value, std::int32_t target) {
    emit_condition(t, code, variable, value.value);
    add_jump_fixup(t, target);
}

// False at the 0xFF that closes a list or field, and at the end of the data,
// where a list whose 0xFF is missing ends.
bool before_list_end(const Translator& t) {
    const ByteReader r = sio_reader(t);
    return !r.at_end() && !r.next_is(kListEnd);
}

// 30-35: a conditional jump to the second target (by default the next
// command), then a jump to the first target.
void translate_comparison(Translator& t) {
    const std::uint8_t opcode = sio_reader(t, t.sio_pos - 1).u8();
    const ConditionCodes& codes = kConditionCodes[opcode - kFirstComparison];
    const std::int32_t variable = read_variable_operand(t);
    const ValueOperand value = read_value_operand(t);
    const std::int32_t first = static_cast<std::int32_t>(InWord(t));
    std::int32_t second;
    if (!before_list_end(t)) {
        // The short closing field (or the end of the data): the next command.
        t.sio_pos += 1;
        second = t.sio_pos;
    } else {
        // A second target; the byte after it closes the field unread.
        second = static_cast<std::int32_t>(InWord(t));
        t.sio_pos += 1;
    }
    emit_conditional_jump(t, condition_code(codes, value), variable, value, second);
    OutByte(t, kOpJump);
    add_jump_fixup(t, first);
}

// 40: a menu of texts; each entry leads to its own target.
void translate_menu(Translator& t) {
    OutByte(t, kOpMenu);
    OutByte(t, 0x01);
    OutNum(t, kMenuNumber);
    OutByte(t, 0x22);
    OutByte(t, 0x00);
    std::vector<std::int32_t> targets;
    while (before_list_end(t)) {
        targets.push_back(static_cast<std::int32_t>(InWord(t)));
        OutByte(t, 0xFF);
        OutStr(t, InText(t));
        OutByte(t, 0x00);
    }
    OutByte(t, 0x23);
    OutByte(t, 0x1E);
    // The count byte keeps the low 8 bits of the count: with more items the
    // player shows fewer, and the SEEN file is unsound.
    if (targets.size() > kMaxMenuItems)
        note_unsound(t, UnsoundKind::menu_count, static_cast<std::int32_t>(targets.size()));
    OutByte(t, static_cast<std::int32_t>(targets.size()));
    OutNum(t, kMenuNumber);
    for (std::int32_t target : targets)
        add_jump_fixup(t, target);
    t.sio_pos += 1;
}

// 41: compare a variable with a list of values, each with its own target.
void translate_switch(Translator& t) {
    const std::int32_t variable = read_variable_operand(t);
    while (before_list_end(t)) {
        // The target comes before the value, unlike in the comparisons.
        const std::int32_t target = static_cast<std::int32_t>(InWord(t));
        const ValueOperand value = read_value_operand(t);
        emit_conditional_jump(t, condition_code(kSwitchCodes, value), variable, value, target);
    }
    t.sio_pos += 1;
}

}  // namespace

void register_branch_commands(DispatchTable& table) {
    for (const ConditionCodes& codes : kConditionCodes)
        table[codes.opcode] = translate_comparison;
    table[40] = translate_menu;
    table[41] = translate_switch;
}
