// SPDX-License-Identifier: GPL-2.0-or-later
// Commands 30-35, 40, 41: comparisons, menus and value switches.
#include <gtest/gtest.h>

#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// Three commands of 3 output bytes each that serve as jump targets.
void add_three_targets(Sio& sio) {
    sio.label("next");
    gamekit::sio_add(sio, var(1), lit(1));
    sio.label("first");
    gamekit::sio_add(sio, var(2), lit(2));
    sio.label("second");
    gamekit::sio_add(sio, var(3), lit(3));
}
const Bytes kThreeTargets = hex("3C 11 11 3C 12 12 3C 13 13");

struct ComparisonCase {
    std::uint8_t opcode;
    std::uint32_t value;
    std::uint8_t code;
    const char* operand;  // the tagged literal or source variable number
};

// Every opcode with a literal (5) and with a first-bank variable (7).
const ComparisonCase kComparisonCases[] = {
    {30, lit(5), 0x3B, "15"}, {30, ref(7), 0x49, "17"},  //
    {31, lit(5), 0x3A, "15"}, {31, ref(7), 0x48, "17"},  //
    {32, lit(5), 0x46, "15"}, {32, ref(7), 0x54, "17"},  //
    {33, lit(5), 0x47, "15"}, {33, ref(7), 0x55, "17"},  //
    {34, lit(5), 0x44, "15"}, {34, ref(7), 0x52, "17"},  //
    {35, lit(5), 0x45, "15"}, {35, ref(7), 0x53, "17"},  //
};

TEST(ComparisonCommands, ConditionCodesWithAndWithoutASecondTarget) {
    for (const ComparisonCase& c : kComparisonCases) {
        for (bool with_second : {false, true}) {
            SCOPED_TRACE(testing::Message() << "opcode " << int{c.opcode} << " value 0x" << std::hex
                                            << c.value << (with_second ? " second target" : ""));
            Sio sio;
            gamekit::sio_compare(sio, c.opcode, var(10), c.value, "first",
                                 with_second ? "second" : "");
            add_three_targets(sio);
            // The comparison takes 15 bytes: next at 15, first at 18, second at 21.
            EXPECT_EQ(translate(sio).body,
                      cat({hex("15 28"), Bytes{c.code}, hex("1A"), hex(c.operand), hex("29"),
                           le32(with_second ? 21 : 15), hex("1C"), le32(18), kThreeTargets}));
        }
    }
}

TEST(ComparisonCommands, OperandBytesOfTheShortForm) {
    Sio sio;
    sio.label("first");
    gamekit::sio_compare(sio, 30, var(10), lit(5), "first");
    EXPECT_EQ(sio.build(), hex("1E 00 00 0A 00 00 05 00 00 FF"));
}

TEST(ComparisonCommands, SecondBankVariableAndSecondBankValue) {
    Sio sio;
    gamekit::sio_compare(sio, 35, var(1), ref2(3), "first", "second");
    add_three_targets(sio);
    // 15 28 53 11 2B 3E 29 (7) + 4 + 1 + 4 = 16 bytes.
    EXPECT_EQ(translate(sio).body,
              cat({hex("15 28 53 11 2B 3E 29"), le32(22), hex("1C"), le32(19), kThreeTargets}));

    Sio bank2;
    gamekit::sio_compare(bank2, 34, var2(3), lit(0), "first");
    add_three_targets(bank2);
    EXPECT_EQ(translate(bank2).body,
              cat({hex("15 28 44 2B 3E 10 29"), le32(16), hex("1C"), le32(19), kThreeTargets}));
}

TEST(ComparisonCommands, TheSecondTargetIsFixedUpBeforeTheFirst) {
    Sio sio;
    gamekit::sio_compare(sio, 32, var(1), lit(1), "first", "second");
    add_three_targets(sio);
    const Translation result = translate(sio);
    const std::vector<JumpFixup>& fixups = result.translator->fixups;
    ASSERT_EQ(fixups.size(), 2u);
    EXPECT_EQ(fixups[0].target, 26);  // "second": 12 + 7 + 7
    EXPECT_EQ(fixups[0].field, kSeenHeaderSize + 6);
    EXPECT_EQ(fixups[1].target, 19);  // "first"
    EXPECT_EQ(fixups[1].field, kSeenHeaderSize + 11);
}

TEST(ComparisonCommands, TheByteAfterASecondTargetIsSkippedUnread) {
    Sio sio;
    gamekit::sio_compare(sio, 30, var(10), lit(5), "first", "second");
    add_three_targets(sio);
    Bytes bytes = sio.build();
    ASSERT_EQ(bytes[11], 0xFF);
    bytes[11] = 0x77;
    EXPECT_EQ(translate(bytes).body,
              cat({hex("15 28 3B 1A 15 29"), le32(21), hex("1C"), le32(18), kThreeTargets}));
}

TEST(ComparisonCommands, TheNextCommandOfTheLastCommandIsTheEndOfTheBody) {
    Sio sio;
    sio.label("top");
    gamekit::sio_compare(sio, 31, var(1), lit(1), "top");
    const Translation result = translate(sio);
    EXPECT_EQ(result.body, cat({hex("15 28 3A 11 11 29"), le32(15), hex("1C"), le32(0)}));
    EXPECT_EQ(result.console, "");
}

TEST(ComparisonCommands, AClosingFieldCutByTheEndOfTheDataEndsThere) {
    Sio sio;
    sio.label("top");
    gamekit::sio_compare(sio, 31, var(1), lit(1), "top");
    Bytes bytes = sio.build();
    bytes.pop_back();  // no closing 0xFF
    const Translation result = translate(bytes);
    EXPECT_EQ(result.body, cat({hex("15 28 3A 11 11 29"), le32(15), hex("1C"), le32(0)}));
    EXPECT_EQ(result.console, "");
}

TEST(SwitchCommand, WithoutEntriesEmitsNothingAndReadsFourOperandBytes) {
    Sio sio;
    gamekit::sio_switch(sio, var(5), {});
    EXPECT_EQ(sio.build(), hex("29 00 00 05 FF"));
    gamekit::sio_add(sio, var(1), lit(1));
    const Translation result = translate(sio);
    EXPECT_EQ(result.body, hex("3C 11 11"));
    EXPECT_TRUE(result.translator->fixups.empty());
}

TEST(SwitchCommand, OneConditionalJumpPerEntry) {
    Sio sio;
    gamekit::sio_switch(sio, var(5), {{"first", lit(1)}, {"second", ref(2)}});
    add_three_targets(sio);
    // 20 bytes of jumps: next at 20, first at 23, second at 26.
    EXPECT_EQ(translate(sio).body, cat({hex("15 28 3A 15 11 29"), le32(23),
                                        hex("15 28 48 15 12 29"), le32(26), kThreeTargets}));
}

TEST(SwitchCommand, SecondBankVariableAndValue) {
    Sio sio;
    gamekit::sio_switch(sio, var2(3), {{"first", ref2(1)}, {"next", lit(300)}});
    add_three_targets(sio);
    // 12 + 12 bytes: next at 24, first at 27.
    EXPECT_EQ(translate(sio).body, cat({hex("15 28 48 2B 3E 29 3E 29"), le32(27),
                                        hex("15 28 3A 2B 3E 2C 12 29"), le32(24), kThreeTargets}));
}

TEST(SwitchCommand, AListCutByTheEndOfTheDataEndsThere) {
    Sio sio;
    sio.label("top");
    gamekit::sio_switch(sio, var(5), {{"top", lit(1)}, {"top", lit(2)}});
    Bytes bytes = sio.build();
    bytes.pop_back();  // no closing 0xFF
    const Translation result = translate(bytes);
    EXPECT_EQ(result.body,
              cat({hex("15 28 3A 15 11 29"), le32(0), hex("15 28 3A 15 12 29"), le32(0)}));
    EXPECT_EQ(result.console, "");
}

TEST(MenuCommand, WithoutEntries) {
    Sio sio;
    gamekit::sio_menu(sio, {});
    gamekit::sio_add(sio, var(1), lit(1));
    const Translation result = translate(sio);
    EXPECT_EQ(result.body, hex("58 01 27 3E 22 00 23 1E 00 27 3E 3C 11 11"));
    EXPECT_TRUE(result.translator->fixups.empty());
}

TEST(MenuCommand, TwoEntries) {
    Sio sio;
    gamekit::sio_menu(sio, {{"first", "A"}, {"second", "B"}});
    add_three_targets(sio);
    // 27 bytes of menu: next at 27, first at 30, second at 33.
    EXPECT_EQ(translate(sio).body,
              cat({hex("58 01 27 3E 22 00 FF 41 00 00 FF 42 00 00 23 1E 02 27 3E"), le32(30),
                   le32(33), kThreeTargets}));
}

TEST(MenuCommand, TextsAreCopiedUnchanged) {
    Sio sio;
    gamekit::sio_menu(sio, {{"first", gamekit::cp932("はい")}, {"next", gamekit::cp932("いいえ")}});
    add_three_targets(sio);
    // 6 + 7 + 9 + 5 + 8 = 35 bytes: next at 35, first at 38.
    EXPECT_EQ(translate(sio).body,
              cat({hex("58 01 27 3E 22 00 FF 82 CD 82 A2 00 00 FF 82 A2 82 A2 82 A6 00 00 "
                       "23 1E 02 27 3E"),
                   le32(38), le32(35), kThreeTargets}));
}

// A menu of `count` entries "A" that all lead to the command after it.
Bytes menu_of_a(std::size_t count, std::uint8_t count_byte) {
    Bytes out = hex("58 01 27 3E 22 00");
    for (std::size_t i = 0; i < count; ++i)
        out = cat({out, hex("FF 41 00 00")});
    out = cat({out, hex("23 1E"), Bytes{count_byte}, hex("27 3E")});
    const std::uint32_t next = static_cast<std::uint32_t>(out.size() + 4 * count);
    for (std::size_t i = 0; i < count; ++i)
        out = cat({out, le32(next)});
    return out;
}

// The count byte holds the low eight bits of the count.
TEST(MenuCommand, MoreThanSixteenEntries) {
    for (std::size_t count : {16u, 17u, 20u, 255u, 257u}) {
        SCOPED_TRACE(count);
        Sio sio;
        gamekit::sio_menu(sio,
                          std::vector<std::pair<std::string, std::string>>(count, {"next", "A"}));
        add_three_targets(sio);
        const Translation result = translate(sio);
        EXPECT_EQ(result.body,
                  cat({menu_of_a(count, static_cast<std::uint8_t>(count)), kThreeTargets}));
        EXPECT_EQ(result.translator->fixups.size(), count);
    }
}

TEST(MenuCommand, AListCutByTheEndOfTheDataEndsThere) {
    Sio sio;
    sio.label("top");
    gamekit::sio_menu(sio, {{"top", "A"}, {"top", "B"}});
    Bytes bytes = sio.build();
    bytes.pop_back();  // no closing 0xFF
    const Translation result = translate(bytes);
    EXPECT_EQ(result.body, cat({hex("58 01 27 3E 22 00 FF 41 00 00 FF 42 00 00 23 1E 02 27 3E"),
                                le32(0), le32(0)}));
    EXPECT_EQ(result.console, "");
}

TEST(MenuCommand, ATextCutByTheEndOfTheDataEndsThere) {
    Sio sio;
    sio.label("top");
    gamekit::sio_menu(sio, {{"top", "AB"}});
    Bytes bytes = sio.build();
    bytes.resize(bytes.size() - 2);  // neither the text's zero nor the closing 0xFF
    EXPECT_EQ(translate(bytes).body,
              cat({hex("58 01 27 3E 22 00 FF 41 42 00 00 23 1E 01 27 3E"), le32(0)}));
}

}  // namespace
