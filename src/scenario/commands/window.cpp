// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 7, 9, 10: screen set-up and titles.
//
// The game's screen set-up carries no coordinates: each form of command 7
// becomes a fixed TPC32 sequence built into the converter, chosen only by
// whether its two operands are zero.
#include <cstdint>
#include <string_view>
#include <vector>

#include "scenario/dispatch.h"
#include "scenario/instructions.h"

namespace {

// One fixed TPC32 instruction: two code bytes, an optional picture name
// (written with its terminator) and tagged numbers.
struct FixedInstruction {
    std::uint8_t code;
    std::uint8_t sub_code;
    const char* name;  // nullptr: the instruction has no name
    std::vector<std::int32_t> numbers;
};

using FixedSequence = std::vector<FixedInstruction>;

// clang-format off

// Command 7, first operand 0, second operand 0.
const FixedSequence kScreenZeroZero = {
    {kOpWindow, 0x01, nullptr, {490, 14, 631, 145, 1, 490, 14, 0}},
};

// Command 7, first operand 0, second operand not 0: scenario 995.
const FixedSequence kScreenZeroOther = {
    {0x16, 0x02, nullptr, {995}},
};

// Command 7, first operand not 0, second operand 0.
const FixedSequence kScreenOtherZero = {
    {kOpWindow, 0x01, nullptr, {10, 10, 161, 45, 1, 10, 10, 0}},
};

// Command 7, both operands not 0: the window setup sequence.
const FixedSequence kWindowSetup = {
    {0x0B, 0x10, "WINDOW",   {2}},
    {kOpScreen, 0x10, nullptr,    {15, 15, 157, 41, -1, 165, 166, 189}},
    {kOpWindow, 0x02, nullptr,    {320, 0, 471, 35, 2, 10, 10, -1, 0}},
    {0x0B, 0x10, "OTHER_01", {2}},
    {kOpWindow, 0x21, nullptr,    {2, 0, 24, 24, 24, 24, 0, 2, 26, 17, 24, 0, 2, 1, -1, 0}},
    {kOpWindow, 0x21, nullptr,    {3, 0, 24, 24, 24, 24, 0, 2, 97, 17, 24, 0, 2, 1, -1, 0}},
    {kOpWindow, 0x01, nullptr,    {10, 10, 161, 45, 0, 10, 10, 0}},
};

// Command 9: scenario 996.
const FixedSequence kScenario996 = {
    {0x16, 0x02, nullptr, {996}},
};

// clang-format on

// The part prefix "第３部" in code page 932. A part title that begins with it
// loses the prefix and the full-width space after it.
constexpr std::string_view kPartPrefix = "\x91\xE6\x82\x52\x95\x94";
constexpr std::size_t kPartPrefixCut = 8;

void emit_sequence(Translator& t, const FixedSequence& sequence) {
    for (const FixedInstruction& instruction : sequence) {
        OutByte(t, instruction.code);
        OutByte(t, instruction.sub_code);
        if (instruction.name != nullptr) OutStr(t, instruction.name);
        for (std::int32_t number : instruction.numbers)
            OutNum(t, number);
    }
}

// 7: screen set-up, chosen by which of the two operands are zero.
void translate_screen(Translator& t) {
    const bool first = InWord(t) != 0;
    const bool second = InWord(t) != 0;
    if (!first) {
        emit_sequence(t, second ? kScreenZeroOther : kScreenZeroZero);
    } else {
        emit_sequence(t, second ? kWindowSetup : kScreenOtherZero);
    }
}

// 9: a reference to scenario 996; no operands.
void translate_scenario_996(Translator& t) {
    emit_sequence(t, kScenario996);
}

// 10: the part title goes into its string slot, then the title line shows it.
void translate_part_title(Translator& t) {
    std::string_view title = InText(t);
    if (title.substr(0, kPartPrefix.size()) == kPartPrefix) {
        // A title too short to hold the prefix and its space becomes empty.
        title = title.size() >= kPartPrefixCut ? title.substr(kPartPrefixCut) : std::string_view();
    }
    emit_string_slot(t, kPartTitleSlot, title);
    emit_title_line(t);
}

}  // namespace

void register_window_commands(DispatchTable& table) {
    table[7] = translate_screen;
    table[9] = translate_scenario_996;
    table[10] = translate_part_title;
}
