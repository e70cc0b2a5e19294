// SPDX-License-Identifier: GPL-2.0-or-later
// The opcode dispatch table: one command translator per SIO opcode, or none.
#pragma once

#include <array>

struct Translator;

// A command translator: reads its operands at the SIO read position and
// emits its translation.
using CommandTranslator = void (*)(Translator&);

using DispatchTable = std::array<CommandTranslator, 256>;

// The table of all command groups, built once.
const DispatchTable& dispatch_table();

// Each command group registers its opcodes (src/scenario/commands/).
void register_control_commands(DispatchTable& table);   // 1, 2, 3, 5
void register_variable_commands(DispatchTable& table);  // 8, 11, 12, 20, 21, 22
void register_branch_commands(DispatchTable& table);    // 30-35, 40, 41
void register_window_commands(DispatchTable& table);    // 7, 9, 10
void register_picture_commands(DispatchTable& table);   // 60-63
void register_sound_commands(DispatchTable& table);     // 50, 51, 52
void register_text_commands(DispatchTable& table);      // 53, 240
