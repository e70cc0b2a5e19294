// SPDX-License-Identifier: GPL-2.0-or-later
// Control transfer: jump (1), global jump (2), range from 0 (3) and the
// closing sequence (5).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamekit/gamekit.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

using Names = std::vector<std::string>;

TEST(JumpCommand, JumpInstructionWithTheTargetsBodyOffset) {
    Sio s;
    sio_close(s);
    s.label("here");
    sio_jump(s, "here");
    sio_jump(s, "top");
    s.label("top");
    sio_close(s);
    const Translation r = translate(s);
    const Bytes close = hex("0B 30 59 01 11 4E 4F 00 0B 05 40 11 10 16 01 26 3E");
    EXPECT_EQ(r.body, cat({close, hex("1C 11 00 00 00"), hex("1C 1B 00 00 00"), close}));
    EXPECT_EQ(r.console, "");
}

// ---- Global jump ------------------------------------------------------------

Names numbered(std::size_t count) {
    Names names;
    for (std::size_t k = 1; k <= count; ++k) {
        std::string name = "S";
        name += std::to_string(k);
        name += ".SIO";
        names.push_back(name);
    }
    names.front() = "MAIN.SIO";
    return names;
}

// The slot number of the named file, in any case; an unknown name, a name
// with a folder and an empty list give 0 and a message. The trail byte 69
// ('i') of ナ (83 69) is not upper-cased.
TEST(GlobalJumpCommand, SlotNumberOfTheNamedFile) {
    const std::string not_found = "******************** Error!!! Global jump file (";
    const struct {
        std::string name;
        Names scenarios;
        const char* bytes;
        std::string console;
    } cases[] = {
        {"MAIN.SIO", numbered(17), "16 01 11", ""},
        {"main.sio", numbered(17), "16 01 11", ""},
        {"S3.SIO", numbered(17), "16 01 13", ""},
        {"s17.Sio", numbered(17), "16 01 21 01", ""},
        {cp932("シナ") + ".sio", {"MAIN.SIO", cp932("シナ") + ".SIO"}, "16 01 12", ""},
        {"nope.sio", numbered(3), "16 01 10", not_found + "NOPE.SIO) not found\n"},
        {"MAIN.SIO", {}, "16 01 10", not_found + "MAIN.SIO) not found\n"},
        {"MES\\MAIN.SIO", numbered(2), "16 01 10", not_found + "MES\\MAIN.SIO) not found\n"},
    };
    for (const auto& c : cases) {
        Sio s;
        sio_global_jump(s, c.name);
        const Translation r = translate(s, c.scenarios);
        EXPECT_EQ(r.body, hex(c.bytes)) << c.name;
        EXPECT_EQ(r.console, c.console) << c.name;
        EXPECT_FALSE(r.translator->conversion_failed) << c.name;
    }
}

TEST(GlobalJumpCommand, LongNamesAreComparedAndPrintedWhole) {
    const std::string long_name = "A_SCENARIO_FILE_WITH_A_LONG_NAME_01.SIO";  // 39 bytes
    Names names = numbered(3);
    names.push_back(long_name);
    names.push_back(long_name.substr(0, 31));

    Sio found;
    sio_global_jump(found, "a_scenario_file_with_a_long_name_01.sio");
    sio_close(found);
    const Translation r = translate(found, names);
    EXPECT_EQ(Bytes(r.body.begin(), r.body.begin() + 3), hex("16 01 14"));
    EXPECT_EQ(r.body.size(), 3u + 17);  // the read position is past the whole name

    Sio missing;
    sio_global_jump(missing, "A_SCENARIO_FILE_WITH_A_LONG_NAME_02.SIO");
    const Translation m = translate(missing, names);
    EXPECT_EQ(m.body, hex("16 01 10"));
    EXPECT_EQ(m.console,
              "******************** Error!!! Global jump file "
              "(A_SCENARIO_FILE_WITH_A_LONG_NAME_02.SIO) not found\n");
}

// ---- Command 3 --------------------------------------------------------------

struct RangeCase {
    SioVar variable;
    std::uint32_t value;
    const char* bytes;
};

TEST(RangeCommand, WorkedOutputs) {
    const RangeCase cases[] = {
        {{1, 7}, lit(10), "57 17 10 19"},
        {var2(5), lit(10), "57 2D 3E 10 19"},
        {var(300), lit(3), "57 2C 12 10 12"},
        {{1, 7}, lit(0), "57 17 10 5F FF FF FF FF"},
        {{1, 7}, ref(5), "49 20 32 15 3D 20 32 11 57 17 10 A0 32"},
        {{1, 7}, ref2(5), "49 20 32 2D 3E 3D 20 32 11 57 17 10 A0 32"},
        // Bank 2 of the destination does not reach the value operand.
        {var2(5), ref(5), "49 20 32 15 3D 20 32 11 57 2D 3E 10 A0 32"},
        // The second bank wraps: SIO number 64536 is variable 0.
        {var(7), ref2(64536), "49 20 32 10 3D 20 32 11 57 17 10 A0 32"},
        {var(7), lit(65535), "57 17 10 3E FF 0F"},
    };
    for (const RangeCase& c : cases) {
        Sio s;
        sio_range(s, c.variable, c.value);
        const Translation r = translate(s);
        EXPECT_EQ(r.body, hex(c.bytes)) << c.bytes;
        EXPECT_EQ(r.console, "");
    }
}

TEST(RangeCommand, CommandIsSevenBytes) {
    Sio s;
    sio_range(s, var(1), lit(2));
    s.label("next");
    sio_jump(s, "next");
    EXPECT_EQ(translate(s).body, hex("57 11 10 11 1C 04 00 00 00"));
}

// ---- Command 5 --------------------------------------------------------------

TEST(CloseCommand, AlwaysTheSameSeventeenBytes) {
    for (std::uint16_t operand : {0x0000, 0x0001, 0x1234, 0xFFFF}) {
        Sio s;
        sio_close(s, operand);
        s.label("next");
        sio_jump(s, "next");
        const Translation r = translate(s);
        EXPECT_EQ(r.body, hex("0B 30 59 01 11 4E 4F 00 0B 05 40 11 10 16 01 26 3E"
                              " 1C 11 00 00 00"))
            << operand;
    }
}

}  // namespace
