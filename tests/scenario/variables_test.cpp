// SPDX-License-Identifier: GPL-2.0-or-later
// Commands 8, 11, 12, 20, 21, 22: variable presets, the choice loop and arithmetic.
#include <gtest/gtest.h>

#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// The 50 bytes of command 11 around its two fields F (skip) and L (loop top).
Bytes choose_bytes(std::uint32_t loop_top, std::uint32_t skip) {
    return cat(
        {hex("3B 20 32 26 01 3B 10 25 01 49 21 32 A0 32 49 22 32 90 15 28 52 21 32 22 32 29"),
         le32(skip), hex("49 10 20 32 3C 20 32 11 15 28 44 20 32 2C 01 29"), le32(loop_top)});
}

TEST(PresetCommand, ValuesAreTaggedNumbersAndEighteenOperandBytesAreRead) {
    Sio sio;
    gamekit::sio_preset(sio, {1, 15, 16, 4095, 4096, 65535, 0, 0, 2});
    gamekit::sio_add(sio, var(1), lit(1));
    EXPECT_EQ(translate(sio).body,
              hex("3B 29 02 11 3B 2A 02 1F 3B 2B 02 20 01 3B 2C 02 2F FF 3B 2D 02 30 00 01 "
                  "3B 2E 02 3F FF 0F 3B 2F 02 10 3B 20 03 10 3B 21 03 12 "
                  "3C 11 11"));
}

TEST(ChooseCommand, AtTheStartOfTheFileTheLoopTopIs9AndTheSkipTarget34) {
    Sio sio;
    gamekit::sio_choose(sio);
    EXPECT_EQ(translate(sio).body, choose_bytes(9, 34));
}

TEST(ChooseCommand, FieldsFollowTheBodyOffsetOfTheCommand) {
    Sio sio;
    gamekit::sio_add(sio, var(1), lit(1));  // 3 bytes
    gamekit::sio_choose(sio);
    gamekit::sio_choose(sio);
    EXPECT_EQ(translate(sio).body,
              cat({hex("3C 11 11"), choose_bytes(3 + 9, 3 + 34), choose_bytes(53 + 9, 53 + 34)}));
}

TEST(IgnoredPairCommand, EmitsNothingAndSkipsTwoWords) {
    Sio sio;
    gamekit::sio_ignored_pair(sio, 0xFFFF, 0x1234);
    EXPECT_TRUE(translate(sio).body.empty());

    Sio followed;
    gamekit::sio_ignored_pair(followed, 0x0102, 0x0304);
    gamekit::sio_add(followed, var(2), lit(3));
    EXPECT_EQ(translate(followed).body, hex("3C 12 13"));
}

TEST(IgnoredPairCommand, AJumpToItLandsOnTheNextCommand) {
    Sio sio;
    gamekit::sio_compare(sio, 30, var(1), lit(1), "pair");  // 15 bytes
    gamekit::sio_add(sio, var(1), lit(1));                  // 3 bytes
    sio.label("pair");
    gamekit::sio_ignored_pair(sio, 0, 0);
    gamekit::sio_add(sio, var(2), lit(2));
    const Translation result = translate(sio);
    EXPECT_EQ(result.body, cat({hex("15 28 3B 11 11 29"), le32(15), hex("1C"), le32(18),
                                hex("3C 11 11 3C 12 12")}));
    EXPECT_EQ(result.console, "");
}

struct ArithmeticCase {
    const char* name;
    void (*command)(Sio&, SioVar, std::uint32_t);
    SioVar variable;
    std::uint32_t value;
    const char* sio;   // the assembled command
    const char* body;  // its translation
};

const ArithmeticCase kArithmeticCases[] = {
    {"add literal", gamekit::sio_add, var(3), lit(2), "14 00 00 03 00 00 02", "3C 13 12"},
    {"add large literal", gamekit::sio_add, var(800), lit(65535), "14 00 03 20 00 FF FF",
     "3C 20 32 3F FF 0F"},
    {"add first-bank variable", gamekit::sio_add, var(3), ref(7), "14 00 00 03 01 00 07",
     "4A 13 17"},
    {"add second bank to second bank", gamekit::sio_add, var2(5), ref2(5), "14 02 00 05 02 00 05",
     "4A 2D 3E 2D 3E"},
    {"add other bank byte is first bank", gamekit::sio_add, SioVar{1, 5}, lit(1),
     "14 01 00 05 00 00 01", "3C 15 11"},
    {"add second bank not masked", gamekit::sio_add, var2(65535), lit(0), "14 02 FF FF 00 00 00",
     "3C 37 3E 10 10"},
    {"set literal", gamekit::sio_set, var(5), lit(300), "16 00 00 05 00 01 2C", "3B 15 2C 12"},
    {"set second-bank variable", gamekit::sio_set, var(5), ref2(5), "16 00 00 05 02 00 05",
     "49 15 2D 3E"},
    {"set second-bank wraps", gamekit::sio_set, var(5), 0x2FC18, "16 00 00 05 02 FC 18",
     "49 15 10"},
};

TEST(ArithmeticCommands, LiteralAndVariableForms) {
    for (const ArithmeticCase& c : kArithmeticCases) {
        SCOPED_TRACE(c.name);
        Sio sio;
        c.command(sio, c.variable, c.value);
        EXPECT_EQ(sio.build(), hex(c.sio));
        EXPECT_EQ(translate(sio).body, hex(c.body));
    }
}

TEST(SubtractCommand, GuardedResetSkipsToTheByteAfterIt) {
    Sio sio;
    gamekit::sio_subtract(sio, var(3), lit(2));
    EXPECT_EQ(sio.build(), hex("15 00 00 03 00 00 02"));
    EXPECT_EQ(translate(sio).body,
              cat({hex("3D 13 12 15 28 47 13 10 29"), le32(16), hex("3B 13 10")}));
}

TEST(SubtractCommand, VariableFormAndFieldAfterEarlierOutput) {
    Sio sio;
    gamekit::sio_add(sio, var(1), lit(1));  // 3 bytes
    gamekit::sio_subtract(sio, var2(3), ref(9));
    gamekit::sio_add(sio, var(2), lit(2));
    // 4B 2B 3E 19 (4) + 15 28 47 2B 3E 10 29 (7) + field (4) + 3B 2B 3E 10 (4)
    EXPECT_EQ(translate(sio).body, cat({hex("3C 11 11 4B 2B 3E 19 15 28 47 2B 3E 10 29"),
                                        le32(3 + 19), hex("3B 2B 3E 10 3C 12 12")}));
}

struct ChapterCase {
    const char* name;
    SioVar variable;
    std::uint32_t value;
    const char* body;
};

const ChapterCase kChapterCases[] = {
    {"chapter 1", var(255), lit(1),
     "3B 2F 0F 11 59 01 16 89 4A 89 B9 8B B4 81 40 00 60 04 10 03 16 10 03 15 00"},
    {"chapter 2", var(255), lit(2),
     "3B 2F 0F 12 59 01 16 90 C2 97 74 93 B9 81 40 00 60 04 10 03 16 10 03 15 00"},
    {"literal 0 names no chapter", var(255), lit(0),
     "3B 2F 0F 10 59 01 16 00 60 04 10 03 16 10 03 15 00"},
    {"literal 3 names no chapter", var(255), lit(3),
     "3B 2F 0F 13 59 01 16 00 60 04 10 03 16 10 03 15 00"},
    {"literal 257 names no chapter", var(255), lit(257),
     "3B 2F 0F 21 10 59 01 16 00 60 04 10 03 16 10 03 15 00"},
    {"source variable 2 names chapter 2", var(255), ref(2),
     "49 2F 0F 12 59 01 16 90 C2 97 74 93 B9 81 40 00 60 04 10 03 16 10 03 15 00"},
    {"source variable 1 names chapter 1", var(255), ref(1),
     "49 2F 0F 11 59 01 16 89 4A 89 B9 8B B4 81 40 00 60 04 10 03 16 10 03 15 00"},
    {"source variable 1001 names no chapter", var(255), ref2(1),
     "49 2F 0F 29 3E 59 01 16 00 60 04 10 03 16 10 03 15 00"},
    {"bank 2 sets variable 1255 only", var2(255), lit(1), "3B 27 4E 11"},
    {"other variables get no title", var(254), lit(1), "3B 2E 0F 11"},
};

TEST(SetCommand, ChapterVariableNamesTheChapterAndWritesTheTitleLine) {
    for (const ChapterCase& c : kChapterCases) {
        SCOPED_TRACE(c.name);
        Sio sio;
        gamekit::sio_set(sio, c.variable, c.value);
        EXPECT_EQ(translate(sio).body, hex(c.body));
    }
}

TEST(SetCommand, OperandBytesOfTheFirstChapterExample) {
    Sio sio;
    gamekit::sio_set(sio, var(255), lit(1));
    EXPECT_EQ(sio.build(), hex("16 00 00 FF 00 00 01"));
}

TEST(VariableCommands, OperandsCutByTheEndOfTheDataReadAsZero) {
    Sio sio;
    gamekit::sio_add(sio, var(3), lit(0x0102));
    Bytes bytes = sio.build();
    bytes.resize(bytes.size() - 2);  // the value operand's last two bytes are missing
    EXPECT_EQ(translate(bytes).body, hex("3C 13 10"));

    Sio preset;
    gamekit::sio_preset(preset, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    bytes = preset.build();
    bytes.resize(5);  // two values left
    EXPECT_EQ(translate(bytes).body,
              hex("3B 29 02 11 3B 2A 02 12 3B 2B 02 10 3B 2C 02 10 3B 2D 02 10 3B 2E 02 10 "
                  "3B 2F 02 10 3B 20 03 10 3B 21 03 10"));
}

}  // namespace
