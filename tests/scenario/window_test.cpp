// SPDX-License-Identifier: GPL-2.0-or-later
// Screen set-up (7), scenario 996 (9) and part titles (10).
#include <gtest/gtest.h>

#include <string>

#include "gamekit/gamekit.h"
#include "support/translate.h"

namespace {

using namespace gamekit;
using namespace scenario_test;

const Bytes kTitleLine = hex("60 04 10 03 16 10 03 15 00");

// The window setup sequence, one instruction a line.
const Bytes kWindowSetup = cat({
    hex("0B 10 57 49 4E 44 4F 57 00 12"),
    hex("64 10 1F 1F 2D 09 29 02 5F FF FF FF FF 25 0A 26 0A 2D 0B"),
    hex("67 02 20 14 10 27 1D 23 02 12 1A 1A 5F FF FF FF FF 10"),
    hex("0B 10 4F 54 48 45 52 5F 30 31 00 12"),
    hex("67 21 12 10 28 01 28 01 28 01 28 01 10 12 2A 01 21 01 28 01 10 12 11 5F FF FF FF FF 10"),
    hex("67 21 13 10 28 01 28 01 28 01 28 01 10 12 21 06 21 01 28 01 10 12 11 5F FF FF FF FF 10"),
    hex("67 01 1A 1A 21 0A 2D 02 10 1A 1A 10"),
});

struct ScreenCase {
    std::uint16_t first;
    std::uint16_t second;
    Bytes expected;
};

TEST(WindowCommands, ScreenSetUpByWhichOperandsAreZero) {
    const ScreenCase cases[] = {
        {0, 0, hex("67 01 2A 1E 1E 27 27 21 09 11 2A 1E 1E 10")},
        {0, 1, hex("16 02 23 3E")},
        {0, 0xFFFF, hex("16 02 23 3E")},
        {5, 0, hex("67 01 1A 1A 21 0A 2D 02 11 1A 1A 10")},
        {0xFFFF, 0, hex("67 01 1A 1A 21 0A 2D 02 11 1A 1A 10")},
        {1, 1, kWindowSetup},
        {0xFFFF, 0x8000, kWindowSetup},
    };
    for (const ScreenCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "operands " << c.first << ", " << c.second);
        Sio sio;
        gamekit::sio_screen(sio, c.first, c.second);
        auto result = translate(sio);
        EXPECT_EQ(result.body, c.expected);
        EXPECT_EQ(result.translator->sio_pos, 5);
        EXPECT_EQ(result.console, "");
    }
}

TEST(WindowCommands, ScreenSetUpCutShortReadsZeros) {
    // The missing second operand reads as zero.
    auto result = translate(Bytes{7, 0x00, 0x03});
    EXPECT_EQ(result.body, hex("67 01 1A 1A 21 0A 2D 02 11 1A 1A 10"));
}

TEST(WindowCommands, Scenario996ReadsNoOperand) {
    Sio sio;
    gamekit::sio_scenario_996(sio);
    gamekit::sio_scenario_996(sio);
    auto result = translate(sio);
    EXPECT_EQ(result.body, hex("16 02 24 3E 16 02 24 3E"));
    EXPECT_EQ(result.translator->commands.size(), 2u);
}

struct TitleCase {
    const char* what;
    std::string title;  // code page 932 bytes
    Bytes slot_text;    // the text written into string slot 5, terminator included
};

TEST(WindowCommands, PartTitle) {
    const std::string prefix = cp932("第３部");
    ASSERT_EQ(prefix, "\x91\xE6\x82\x52\x95\x94");
    const TitleCase cases[] = {
        {"prefix, full-width space, ABC", cp932("第３部　ABC"), hex("41 42 43 00")},
        {"prefix and any two bytes", prefix + "XYtitle", hex("74 69 74 6C 65 00")},
        {"prefix and space only", cp932("第３部　"), hex("00")},
        {"part 2 keeps the whole text", cp932("第２部　ABC"),
         cat({hex("91 E6 82 51 95 94 81 40 41 42 43"), hex("00")})},
        {"prefix not at the start", cp932("ABC第３部　"),
         cat({hex("41 42 43 91 E6 82 52 95 94 81 40"), hex("00")})},
        {"no prefix", "Title", hex("54 69 74 6C 65 00")},
        {"empty", "", hex("00")},
        {"shorter than the prefix", "\x91\xE6\x82", hex("91 E6 82 00")},
        // Too short to hold the prefix and the two bytes after it.
        {"prefix alone", prefix, hex("00")},
        {"prefix and one byte", prefix + "A", hex("00")},
    };
    for (const TitleCase& c : cases) {
        SCOPED_TRACE(c.what);
        Sio sio;
        gamekit::sio_part_title(sio, c.title);
        auto result = translate(sio);
        EXPECT_EQ(result.body, cat({hex("59 01 15"), c.slot_text, kTitleLine}));
        // The whole text and its terminator are read, whether or not it was cut.
        EXPECT_EQ(result.translator->sio_pos, static_cast<std::int32_t>(1 + c.title.size() + 1));
        EXPECT_EQ(result.translator->commands.size(), 1u);
    }
}

// A text without its terminator ends at the data end, also inside the prefix.
TEST(WindowCommands, PartTitleWithoutTerminatorEndsAtTheDataEnd) {
    const std::pair<Bytes, Bytes> cases[] = {
        {hex("0A 41 42"), hex("41 42 00")},
        {hex("0A 91 E6 82 52 95 94 81"), hex("00")},
    };
    for (const auto& [sio, slot_text] : cases) {
        const Translation result = translate(sio);
        EXPECT_EQ(result.body, cat({hex("59 01 15"), slot_text, kTitleLine}));
        EXPECT_EQ(result.translator->commands.size(), 1u);
    }
}

}  // namespace
