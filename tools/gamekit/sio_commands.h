// SPDX-License-Identifier: GPL-2.0-or-later
// One assembler function per SIO command; each appends the command with its
// opcode. Texts are code page 932 bytes (see cp932()).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gamekit/sio.h"

namespace gamekit {

// Control transfer
void sio_jump(Sio& s, const std::string& target);            // 1
void sio_global_jump(Sio& s, const std::string& file_name);  // 2
void sio_range(Sio& s, SioVar v, std::uint32_t value);       // 3
void sio_close(Sio& s, std::uint16_t ignored = 0);           // 5
// Window and titles
void sio_screen(Sio& s, std::uint16_t first, std::uint16_t second);  // 7
void sio_scenario_996(Sio& s);                                       // 9
void sio_part_title(Sio& s, const std::string& title);               // 10
// Variables
void sio_preset(Sio& s, const std::array<std::uint16_t, 9>& values);  // 8
void sio_choose(Sio& s);                                              // 11
void sio_ignored_pair(Sio& s, std::uint16_t a, std::uint16_t b);      // 12
void sio_add(Sio& s, SioVar v, std::uint32_t value);                  // 20
void sio_subtract(Sio& s, SioVar v, std::uint32_t value);             // 21
void sio_set(Sio& s, SioVar v, std::uint32_t value);                  // 22
// Branches and menus. `opcode` is 30 to 35; an empty second target writes
// the short closing field (0xFF), otherwise the target and a closing 0xFF.
void sio_compare(Sio& s, std::uint8_t opcode, SioVar v, std::uint32_t value,
                 const std::string& first, const std::string& second = "");  // 30-35
// Entries: (target label, text).
void sio_menu(Sio& s, const std::vector<std::pair<std::string, std::string>>& entries);  // 40
// Entries: (target label, value operand).
void sio_switch(Sio& s, SioVar v,
                const std::vector<std::pair<std::string, std::uint32_t>>& entries);  // 41
// Music and sound
void sio_music(Sio& s, std::uint16_t number);  // 50
void sio_music_51(Sio& s);                     // 51
void sio_sound(Sio& s, std::uint16_t number);  // 52
// Message text
void sio_hidden_text(Sio& s, const std::string& text);  // 53
void sio_text(Sio& s, const std::string& text);         // 240
// Characters and backgrounds
void sio_characters(Sio& s, const std::vector<std::uint32_t>& ids);  // 60
void sio_show_background(Sio& s);                                    // 61
void sio_background(Sio& s, const std::string& name);                // 62
void sio_no_background(Sio& s);                                      // 63

// One form of one SIO command.
struct SioSnippet {
    std::string name;
    std::uint8_t opcode;
    std::function<void(Sio&)> assemble;  // appends exactly one command
};

// Every SIO command in each of its forms, in opcode order. Jumps aim at the label "top", which the
// program places before the first command, so that they point back into what was assembled before
// them. Global jumps name "MAIN.SIO", "extra.sio" and "MISSING.SIO".
const std::vector<SioSnippet>& every_command();

}  // namespace gamekit
