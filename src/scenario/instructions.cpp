// SPDX-License-Identifier: GPL-2.0-or-later
#include "scenario/instructions.h"

void emit_string_slot(Translator& t, std::int32_t slot, std::string_view text) {
    OutByte(t, kOpSlot);
    OutByte(t, 0x01);
    OutNum(t, slot);
    OutStr(t, text);
}

void emit_title_line(Translator& t) {
    OutByte(t, kOpTitleLine);
    OutByte(t, 0x04);
    OutByte(t, 0x10);
    OutByte(t, 0x03);
    OutNum(t, kChapterNameSlot);
    OutByte(t, 0x10);
    OutByte(t, 0x03);
    OutNum(t, kPartTitleSlot);
    OutByte(t, 0x00);
}

void emit_condition(Translator& t, std::uint8_t code, std::int32_t variable, std::int32_t operand) {
    OutByte(t, kOpCondition);
    OutByte(t, 0x28);
    OutByte(t, code);
    OutNum(t, variable);
    OutNum(t, operand);
    OutByte(t, 0x29);
}

void emit_scenario_jump(Translator& t, std::int32_t scenario) {
    OutByte(t, kOpScenario);
    OutByte(t, 0x01);
    OutNum(t, scenario);
}
