// SPDX-License-Identifier: GPL-2.0-or-later
// TPC32 instruction forms that several command groups write.
#pragma once

#include <cstdint>
#include <string_view>

#include "scenario/translator.h"

// String slots of the player.
inline constexpr std::int32_t kBackgroundSlot = 1;   // the background picture's name
inline constexpr std::int32_t kPartTitleSlot = 5;    // the part title
inline constexpr std::int32_t kChapterNameSlot = 6;  // the chapter name

// 0x59 0x01, the slot number, the text: string slot `slot` := text.
void emit_string_slot(Translator& t, std::int32_t slot, std::string_view text);

// The title line 60 04 10 03 N(6) 10 03 N(5) 00: the chapter name and the
// part title, in that order.
void emit_title_line(Translator& t);

// The head of a conditional jump, 0x15 0x28, the condition code, the
// variable, the second operand, 0x29; the 4-byte target follows.
void emit_condition(Translator& t, std::uint8_t code, std::int32_t variable, std::int32_t operand);

// 0x16 0x01 and the scenario number: the player goes on with that SEEN file.
void emit_scenario_jump(Translator& t, std::int32_t scenario);
