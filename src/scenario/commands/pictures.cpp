// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 60-63: characters and backgrounds.
//
// The game names a character's look by one decimal number, the character ID;
// command 60 turns each ID into the names of its sprite pictures, which are
// the entry names under which the sprites of the CHAR folder are stored
// (without ".PDT"). Backgrounds are named by their picture entry name.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/diagnostics.h"
#include "base/names.h"
#include "scenario/dispatch.h"
#include "scenario/instructions.h"

namespace {

// The sprite code of every character number: the start of its sprite names.
// An empty code is a valid entry (its names start with the underscore).
// clang-format off
constexpr std::array<const char*, 34> kCharacterCodes = {
    "SAT",  //  0
    "AIN",  //  1
    "YUU",  //  2
    "MIN",  //  3
    "CHI",  //  4
    "MAY",  //  5
    "MIO",  //  6
    "KAO",  //  7
    "IZA",  //  8
    "LIS",  //  9
    "NOZ",  // 10
    "YUK",  // 11
    "NAN",  // 12
    "HIT",  // 13
    "MIK",  // 14
    "",     // 15
    "MIA",  // 16
    "",     // 17
    "",     // 18
    "",     // 19
    "",     // 20
    "YUI",  // 21
    "KOT",  // 22
    "IZU",  // 23
    "SAK",  // 24
    "YUN",  // 25
    "NAS",  // 26
    "SIN",  // 27
    "COS",  // 28
    "YKI",  // 29
    "KTR",  // 30
    "HIN",  // 31
    "CO2",  // 32
    "YK2",  // 33
};

// The parts of the F and B numbers that come from the tens digit t of the
// middle pair, for character 6 and for the other characters with an F sprite.
//                                  t:  0  1  2   3   4   5   6   7   8
constexpr std::array<int, 9> kF6 = {   0, 0, 0, 20, 20, 10, 10, 30, 30};
constexpr std::array<int, 9> kB6 = {   1, 1, 2,  3,  4,  1,  3,  3,  4};
constexpr std::array<int, 5> kF  = {   0, 0, 20, 0, 20};
constexpr std::array<int, 5> kB  = {   1, 1, 2,  3,  4};
// clang-format on

// Characters from this number on have one sprite named by the middle pair.
constexpr std::int32_t kFirstSingleSpriteCharacter = 21;

// The count byte of the sprite list holds at most this many records.
constexpr int kMaxSpriteRecords = 255;

// Horizontal placement of the characters of one command 60.
constexpr std::int32_t kSingleCharacterX = 120;
constexpr std::int32_t kPairStep = 240;

// The picture operand that names the picture of the background slot, and
// the number that follows it.
void emit_background_operand(Translator& t) {
    OutByte(t, 0x40);
    OutNum(t, kBackgroundSlot);
    OutNum(t, 2);
}

// The string slot instruction for the background name; the picture operand
// 0x40 N(1) names the picture held there.
void emit_background_name(Translator& t, std::string_view name) {
    emit_string_slot(t, kBackgroundSlot, name);
}

// The sprite list of one command 60 while it is being written.
struct SpriteList {
    int formed = 0;  // records formed, including any dropped past the count byte's limit
    int written = 0;
    std::int32_t x = 0;
};

// One sprite record: the name, the shown area 0,0-399,479 and the position
// of its top-left corner (x, 0).
void emit_sprite(Translator& t, SpriteList& list, const char* name) {
    ++list.formed;
    if (list.written == kMaxSpriteRecords) return;
    ++list.written;
    OutByte(t, 0x03);
    OutStr(t, name);
    OutNum(t, 0);
    OutNum(t, 0);
    OutNum(t, 399);
    OutNum(t, 479);
    OutNum(t, list.x);
    OutNum(t, 0);
}

void emit_f_sprite(Translator& t, SpriteList& list, const char* code, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_F%02d", code, number);
    emit_sprite(t, list, name);
}

void emit_b_sprite(Translator& t, SpriteList& list, const char* code, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_B%03d", code, number);
    emit_sprite(t, list, name);
}

void print_bad_id(Translator& t, std::int32_t id, std::int32_t k, std::int32_t m, std::int32_t l) {
    note_printf(*t.said, "********** Bad charactor ID : %d (%d %d %d)\n", id, k, m, 10 * l);
}

// The sprites of one character ID, at the list's current x.
void emit_character(Translator& t, SpriteList& list, std::int32_t id) {
    const std::int32_t k = id / 10000;
    const std::int32_t m = (id / 100) % 100;
    const std::int32_t l = id % 100;
    if (id < 0 || k >= static_cast<std::int32_t>(kCharacterCodes.size())) {
        // No code for this character: it gets no sprite.
        print_bad_id(t, id, k, m, l);
        return;
    }
    const char* code = kCharacterCodes[static_cast<std::size_t>(k)];
    const int tens = m / 10;
    const int units = m % 10;

    if (k >= kFirstSingleSpriteCharacter) {
        char name[32];
        std::snprintf(name, sizeof name, "%s_%02d", code, m);
        emit_sprite(t, list, name);
    } else if (k == 8) {
        emit_b_sprite(t, list, code, m >= 10 ? m : m + 10);
    } else if (k == 0 || k == 15) {
        emit_b_sprite(t, list, code, m);
    } else {
        const bool six = k == 6;
        const std::size_t size = six ? kF6.size() : kF.size();
        if (static_cast<std::size_t>(tens) < size) {
            const std::size_t i = static_cast<std::size_t>(tens);
            emit_f_sprite(t, list, code, units + (six ? kF6[i] : kF[i]));
            emit_b_sprite(t, list, code, 10 * l + (six ? kB6[i] : kB[i]));
        } else {
            // A tens digit past its table: both sprites all the same.
            print_bad_id(t, id, k, m, l);
            emit_f_sprite(t, list, code, m);
            emit_b_sprite(t, list, code, 10 * l);
        }
    }
}

// 60: one or two characters in front of the background. The count byte of
// the picture instruction counts sprite records, so it is filled in last.
void translate_characters(Translator& t) {
    const int n = InByte(t);
    SpriteList list;
    std::int32_t step = 0;
    if (n == 1) {
        list.x = kSingleCharacterX;
    } else if (n == 2) {
        step = kPairStep;
    } else {
        note_printf(*t.said, "********** Bad charactor nums : %d\n", n);
    }

    OutByte(t, kOpPicture);
    OutByte(t, 0x30);
    OutByte(t, kOpPicture);
    OutByte(t, 0x22);
    const std::int32_t count_position = t.output_length;
    OutByte(t, 0x00);
    emit_background_operand(t);

    for (int i = 0; i < n; ++i) {
        const std::uint32_t high = InWord(t);
        const std::uint32_t low = InWord(t);
        emit_character(t, list, static_cast<std::int32_t>((high << 16) | low));
        list.x += step;
    }
    if (list.formed > kMaxSpriteRecords) {
        note_printf(*t.said, "********** Too many sprites : %d (only %d kept)\n", list.formed,
                    kMaxSpriteRecords);
        // The SEEN file lacks sprites that the scenario names.
        note_unsound(t, UnsoundKind::sprite_count, list.formed);
    }
    patch_byte(t, count_position, static_cast<std::uint8_t>(list.written));
}

// 61: the background alone.
void translate_show_background(Translator& t) {
    OutByte(t, kOpPicture);
    OutByte(t, 0x30);
    OutByte(t, kOpPicture);
    OutByte(t, 0x05);
    emit_background_operand(t);
}

// 62: set a new background and show it. The name is upper-cased and loses
// everything from its first full stop on (the file extension).
void translate_background(Translator& t) {
    const std::string_view source = InText(t);
    char name[32];
    const std::size_t length = std::min(source.size(), sizeof name - 1);
    std::memcpy(name, source.data(), length);
    name[length] = '\0';
    upper_case_name(name);
    if (char* stop = std::strchr(name, '.')) *stop = '\0';

    OutByte(t, kOpPicture);
    OutByte(t, 0x30);
    emit_background_name(t, name);
    OutByte(t, kOpPicture);
    OutByte(t, 0x05);
    emit_background_operand(t);
}

// 63: no background. The slot holds "NO" and the literal picture "*" is shown.
void translate_no_background(Translator& t) {
    OutByte(t, kOpPicture);
    OutByte(t, 0x30);
    emit_background_name(t, "NO");
    OutByte(t, kOpSprites);
    OutByte(t, 0x01);
    OutNum(t, 1);
    OutNum(t, 0);
    OutNum(t, 0);
    OutNum(t, 0);
    OutByte(t, kOpPicture);
    OutByte(t, 0x05);
    OutStr(t, "*");
    OutNum(t, 2);
}

}  // namespace

void register_picture_commands(DispatchTable& table) {
    table[60] = translate_characters;
    table[61] = translate_show_background;
    table[62] = translate_background;
    table[63] = translate_no_background;
}
