// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 8, 11, 12, 20, 21, 22: variable presets and arithmetic.
#include <cstdint>

#include "scenario/dispatch.h"
#include "scenario/instructions.h"

namespace {

// Condition codes of the conditional jumps these commands write (the codes
// of comparison commands 33 and 34).
constexpr std::uint8_t kResetGuard = kIfGreaterEqual;
constexpr std::uint8_t kLoopCondition = kIfLess;
constexpr std::uint8_t kPickCondition = kIfLess + kWithVariable;

// Variables of the player that these commands work on.
constexpr std::int32_t kChoiceVariable = 0;   // receives command 11's choice
constexpr std::int32_t kFirstCandidate = 21;  // command 11 compares 21 to 27
constexpr std::int32_t kEndCandidate = 28;
constexpr std::int32_t kFirstPresetVariable = 41;  // command 8 sets 41 to 49
constexpr std::int32_t kPresetCount = 9;
constexpr std::int32_t kChapterVariable = 255;
constexpr std::int32_t kCandidateVariable = 800;  // working variables of command 11
constexpr std::int32_t kCandidateValue = 801;
constexpr std::int32_t kChoiceValue = 802;

// The chapter names written into string slot 6 when the chapter variable is
// set, by the number it is set to (code page 932). Any other number writes
// the empty text.
struct ChapterName {
    std::int32_t number;
    const char* name;
};
constexpr ChapterName kChapterNames[] = {
    {1, "\x89\x4A\x89\xB9\x8B\xB4\x81\x40"},  // 雨音橋　
    {2, "\x90\xC2\x97\x74\x93\xB9\x81\x40"},  // 青葉道　
};

const char* chapter_name(std::int32_t number) {
    for (const ChapterName& chapter : kChapterNames) {
        if (chapter.number == number) return chapter.name;
    }
    return "";
}

void emit_assignment(Translator& t, std::uint8_t opcode, std::int32_t variable,
                     std::int32_t operand) {
    OutByte(t, opcode);
    OutNum(t, variable);
    OutNum(t, operand);
}

// An assignment whose operand is a value operand: the literal form for a
// literal, the variable form for a source variable.
void emit_assignment(Translator& t, std::uint8_t literal_opcode, std::int32_t variable,
                     ValueOperand value) {
    const std::uint8_t opcode = value.is_variable ? literal_opcode + kWithVariable : literal_opcode;
    emit_assignment(t, opcode, variable, value.value);
}

// variable = the variable whose number `pointer` holds.
void emit_indirect_assignment(Translator& t, std::int32_t variable, std::int32_t pointer) {
    OutByte(t, kOpSet + kWithVariable);
    OutNum(t, variable);
    OutVar(t, pointer);
}

// 8: nine words preset variables 41 to 49.
void translate_preset(Translator& t) {
    for (std::int32_t k = 0; k < kPresetCount; ++k) {
        const std::int32_t value = static_cast<std::int32_t>(InWord(t));
        emit_assignment(t, kOpSet, kFirstPresetVariable + k, value);
    }
}

// 11: a loop over variables 22 to 27 that compares each one's value with the
// value of the current choice (starting with 21) and leaves the number of the
// chosen variable in variable 0. Both jumps stay inside this translation and
// are patched here.
void translate_choose(Translator& t) {
    emit_assignment(t, kOpSet, kCandidateVariable, kFirstCandidate + 1);
    emit_assignment(t, kOpSet, kChoiceVariable, kFirstCandidate);
    const std::int32_t loop_top = body_offset(t);
    emit_indirect_assignment(t, kCandidateValue, kCandidateVariable);
    emit_indirect_assignment(t, kChoiceValue, kChoiceVariable);
    emit_condition(t, kPickCondition, kCandidateValue, kChoiceValue);
    const std::int32_t skip_field = t.output_length;
    OutInt(t, 0);
    emit_assignment(t, kOpSet + kWithVariable, kChoiceVariable, kCandidateVariable);
    patch_int(t, skip_field, body_offset(t));
    emit_assignment(t, kOpAdd, kCandidateVariable, 1);
    emit_condition(t, kLoopCondition, kCandidateVariable, kEndCandidate);
    OutInt(t, loop_top);
}

// 12: two words that the player has no use for.
void translate_ignored_pair(Translator& t) {
    InWord(t);
    InWord(t);
}

// 20: variable += value.
void translate_add(Translator& t) {
    const std::int32_t variable = read_variable_operand(t);
    const ValueOperand value = read_value_operand(t);
    emit_assignment(t, kOpAdd, variable, value);
}

// 21: variable -= value, then a conditional jump over a reset of the
// variable to 0.
void translate_subtract(Translator& t) {
    const std::int32_t variable = read_variable_operand(t);
    const ValueOperand value = read_value_operand(t);
    emit_assignment(t, kOpSubtract, variable, value);
    emit_condition(t, kResetGuard, variable, 0);
    const std::int32_t skip_field = t.output_length;
    OutInt(t, 0);
    emit_assignment(t, kOpSet, variable, 0);
    patch_int(t, skip_field, body_offset(t));
}

// 22: variable = value. Setting the chapter variable also names the chapter
// in string slot 6 and shows the title line.
void translate_set(Translator& t) {
    const std::int32_t variable = read_variable_operand(t);
    const ValueOperand value = read_value_operand(t);
    emit_assignment(t, kOpSet, variable, value);
    if (variable != kChapterVariable) return;
    // The name goes by the number emitted as operand, a source variable's
    // number included.
    emit_string_slot(t, kChapterNameSlot, chapter_name(value.value));
    emit_title_line(t);
}

}  // namespace

void register_variable_commands(DispatchTable& table) {
    table[8] = translate_preset;
    table[11] = translate_choose;
    table[12] = translate_ignored_pair;
    table[20] = translate_add;
    table[21] = translate_subtract;
    table[22] = translate_set;
}
