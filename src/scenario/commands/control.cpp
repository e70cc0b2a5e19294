// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 1, 2, 3, 5: jumps within a scenario,
// jumps to another scenario by file name, a variable with a range from 0,
// and the fixed closing sequence.
#include <string>

#include "base/diagnostics.h"
#include "base/names.h"
#include "scenario/dispatch.h"
#include "scenario/instructions.h"

namespace {

// The TPC32 variable through which command 3 computes a value taken from a
// variable; its earlier content is overwritten.
constexpr std::int32_t kScratchVariable = 800;
// The scenario that command 5 ends in.
constexpr std::int32_t kClosingScenario = 998;

// Opcode 1: target word. Jump instruction 1C with the target's body offset,
// filled in once the whole file is translated.
void translate_jump(Translator& t) {
    const std::int32_t target = static_cast<std::int32_t>(InWord(t));
    OutByte(t, kOpJump);
    add_jump_fixup(t, target);
}

// Opcode 2: zero-terminated file name. Scenario jump instruction 16 01 with
// the name's slot in the scenario list, or 0 when it is not listed. The name
// is upper-cased and compared whole, whatever its length.
void translate_global_jump(Translator& t) {
    std::string name(InText(t));
    OutByte(t, kOpScenario);
    OutByte(t, 0x01);
    upper_case_name(name.data());
    for (std::size_t k = 1; k <= t.scenarios.size(); ++k) {
        if (t.scenarios[k - 1] == name) {
            OutNum(t, static_cast<std::int32_t>(k));
            return;
        }
    }
    note_printf(*t.said, "******************** Error!!! Global jump file (%s) not found\n",
                name.c_str());
    OutNum(t, 0);
}

// Opcode 3: variable operand and value operand. Instruction 57 receives the
// variable, 0 and the value less one; a value taken from a variable is
// lessened at run time in the scratch variable.
void translate_range(Translator& t) {
    const std::int32_t variable = read_variable_operand(t);
    const ValueOperand value = read_value_operand(t);
    if (!value.is_variable) {
        OutByte(t, kOpRange);
        OutNum(t, variable);
        OutNum(t, 0);
        OutNum(t, value.value - 1);
        return;
    }
    OutByte(t, kOpSetVar);  // scratch := variable
    OutNum(t, kScratchVariable);
    OutNum(t, value.value);
    OutByte(t, kOpSubtract);  // scratch := scratch - 1
    OutNum(t, kScratchVariable);
    OutNum(t, 1);
    OutByte(t, kOpRange);
    OutNum(t, variable);
    OutNum(t, 0);
    OutVar(t, kScratchVariable);
}

// Opcode 5: a word that is not used. The background "NO" (string slot 1,
// shown with number 0), then the scenario jump to scenario 998.
void translate_close(Translator& t) {
    InWord(t);
    OutByte(t, kOpPicture);
    OutByte(t, 0x30);
    emit_string_slot(t, kBackgroundSlot, "NO");
    OutByte(t, kOpPicture);
    OutByte(t, 0x05);
    OutByte(t, 0x40);
    OutNum(t, kBackgroundSlot);
    OutNum(t, 0);
    emit_scenario_jump(t, kClosingScenario);
}

}  // namespace

void register_control_commands(DispatchTable& table) {
    table[1] = translate_jump;
    table[2] = translate_global_jump;
    table[3] = translate_range;
    table[5] = translate_close;
}
