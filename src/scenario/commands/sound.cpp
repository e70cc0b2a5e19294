// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 50, 51, 52: music and sound effects.
//
// The game numbers its music tracks and sound effects; the player names them.
// Music names follow a fixed pattern, sound effect names come from a table.
#include <array>
#include <cstdint>
#include <cstdio>

#include "base/diagnostics.h"
#include "scenario/dispatch.h"
#include "scenario/translator.h"

namespace {

// Sound effect names by number, written byte for byte (mixed case, no
// extension). An empty name is a valid entry, not an error.
// clang-format off
constexpr std::array<const char*, 32> kSoundEffects = {
    "",                   //  0
    "BasketDribbleFast",  //  1
    "BasketRing",         //  2
    "MioCrash",           //  3
    "heart1",             //  4
    "DoorOpen",           //  5
    "engine",             //  6
    "Down",               //  7
    "DoorChime",          //  8
    "PHS",                //  9
    "TelephoneRing",      // 10
    "Knock",              // 11
    "mishi1",             // 12
    "mishi2",             // 13
    "",                   // 14
    "",                   // 15
    "bashan",             // 16
    "cry1",               // 17
    "KatanaDokyun",       // 18
    "DoorClose",          // 19
    "EspChikaMax",        // 20
    "Telephone",          // 21
    "mishi3",             // 22
    "heart2",             // 23
    "cry2",               // 24
    "cry3",               // 25
    "",                   // 26
    "",                   // 27
    "",                   // 28
    "",                   // 29
    "",                   // 30
    "",                   // 31
};
// clang-format on

// 50: start the music track "BGM_%02d".
void translate_music(Translator& t) {
    const unsigned number = InWord(t);
    char name[16];
    std::snprintf(name, sizeof name, "BGM_%02u", number);
    OutByte(t, kOpSound);
    OutByte(t, 0x01);
    OutStr(t, name);
}

// 51: the music instruction that names nothing, with the number 100.
void translate_music_51(Translator& t) {
    OutByte(t, kOpSound);
    OutByte(t, 0x10);
    OutNum(t, 100);
}

// 52: play a sound effect named by the table. A number past the table has
// no name and plays the empty one.
void translate_sound(Translator& t) {
    const unsigned number = InWord(t);
    const char* name = "";
    if (number < kSoundEffects.size()) {
        name = kSoundEffects[number];
    } else {
        note_printf(*t.said, "********** Bad sound effect number : %u\n", number);
    }
    OutByte(t, kOpSound);
    OutByte(t, 0x30);
    OutStr(t, name);
}

}  // namespace

void register_sound_commands(DispatchTable& table) {
    table[50] = translate_music;
    table[51] = translate_music_51;
    table[52] = translate_sound;
}
