// SPDX-License-Identifier: GPL-2.0-or-later
// Characters (60) and backgrounds (61, 62, 63).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamekit/gamekit.h"
#include "support/translate.h"

namespace {

using namespace gamekit;
using namespace scenario_test;

// 0B 30, then 0B 22 with the count byte and the background picture operand.
Bytes characters_head(std::uint8_t count) {
    return cat({hex("0B 30 0B 22"), Bytes{count}, hex("40 11 12")});
}

// The tagged number of an x the tests use.
Bytes x_number(int x) {
    switch (x) {
        case 0:
            return hex("10");
        case 120:
            return hex("28 07");
        case 240:
            return hex("20 0F");
    }
    ADD_FAILURE() << "no tagged number for x " << x;
    return {};
}

// A sprite record: 03, the name, the area 0 0 399 479, then x and 0.
Bytes sprite(const std::string& name, int x) {
    return cat({hex("03"), Bytes(name.begin(), name.end()), hex("00 10 10 2F 18 2F 1D"),
                x_number(x), hex("10")});
}

// The translation of one command 60 with a single character ID.
Translation one_character(std::uint32_t id) {
    Sio sio;
    gamekit::sio_characters(sio, {id});
    return translate(sio);
}

// The records of one character at x = 120, after the head.
Bytes at_120(const std::vector<std::string>& names) {
    Bytes out = characters_head(static_cast<std::uint8_t>(names.size()));
    for (const std::string& name : names)
        out = cat({out, sprite(name, 120)});
    return out;
}

TEST(PictureCommands, CharacterWorkedExample) {
    Sio sio;
    gamekit::sio_characters(sio, {10203});
    EXPECT_EQ(sio.build(), hex("3C 01 00 00 27 DB"));
    auto result = translate(sio);
    EXPECT_EQ(result.body, hex("0B 30 0B 22 02 40 11 12"
                               " 03 41 49 4E 5F 46 30 32 00 10 10 2F 18 2F 1D 28 07 10"
                               " 03 41 49 4E 5F 42 30 33 31 00 10 10 2F 18 2F 1D 28 07 10"));
    EXPECT_EQ(result.console, "");
    // The helpers below agree with the literal bytes.
    EXPECT_EQ(result.body,
              cat({characters_head(2), sprite("AIN_F02", 120), sprite("AIN_B031", 120)}));
}

struct IdCase {
    std::uint32_t id;
    std::vector<std::string> sprites;
    std::string console;
};

TEST(PictureCommands, SpritesOfCharacterIds) {
    const IdCase cases[] = {
        {10203, {"AIN_F02", "AIN_B031"}, ""},
        {12305, {"AIN_F23", "AIN_B052"}, ""},
        {33410, {"MIN_F04", "MIN_B103"}, ""},
        {60312, {"MIO_F03", "MIO_B121"}, ""},
        {64711, {"MIO_F27", "MIO_B114"}, ""},
        {65805, {"MIO_F18", "MIO_B051"}, ""},
        {80512, {"IZA_B015"}, ""},
        {81200, {"IZA_B012"}, ""},
        {3405, {"SAT_B034"}, ""},
        {150700, {"_B007"}, ""},
        {210300, {"YUI_03"}, ""},
        {19901, {"AIN_F99", "AIN_B010"}, "********** Bad charactor ID : 19901 (1 99 10)\n"},
        // Tens digits 0 and 1 of the middle pair give the same sprites.
        {10112, {"AIN_F01", "AIN_B121"}, ""},
        {11112, {"AIN_F01", "AIN_B121"}, ""},
        {60112, {"MIO_F01", "MIO_B121"}, ""},
        {61112, {"MIO_F01", "MIO_B121"}, ""},
        // Every row of the F6/B6 table.
        {62345, {"MIO_F03", "MIO_B452"}, ""},
        {63345, {"MIO_F23", "MIO_B453"}, ""},
        {64345, {"MIO_F23", "MIO_B454"}, ""},
        {65345, {"MIO_F13", "MIO_B451"}, ""},
        {66345, {"MIO_F13", "MIO_B453"}, ""},
        {67345, {"MIO_F33", "MIO_B453"}, ""},
        {68345, {"MIO_F33", "MIO_B454"}, ""},
        {69912, {"MIO_F99", "MIO_B120"}, "********** Bad charactor ID : 69912 (6 99 120)\n"},
        // Every row of the F/B table, for characters 1 to 20 other than 6 and 8.
        {20000, {"YUU_F00", "YUU_B001"}, ""},
        {22199, {"YUU_F21", "YUU_B992"}, ""},
        {23199, {"YUU_F01", "YUU_B993"}, ""},
        {24199, {"YUU_F21", "YUU_B994"}, ""},
        {15005, {"AIN_F50", "AIN_B050"}, "********** Bad charactor ID : 15005 (1 50 50)\n"},
        {160901, {"MIA_F09", "MIA_B011"}, ""},
        {170901, {"_F09", "_B011"}, ""},
        {200901, {"_F09", "_B011"}, ""},
        // Characters 0 and 15 use the middle pair, 8 never has an F sprite.
        {0, {"SAT_B000"}, ""},
        {9999, {"SAT_B099"}, ""},
        {150000, {"_B000"}, ""},
        {80000, {"IZA_B010"}, ""},
        {89999, {"IZA_B099"}, ""},
        // From character 21 on, the last pair is ignored.
        {210399, {"YUI_03"}, ""},
        {259900, {"YUN_99"}, ""},
        {339999, {"YK2_99"}, ""},
    };
    for (const IdCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "ID " << c.id);
        const Translation result = one_character(c.id);
        EXPECT_EQ(result.body, at_120(c.sprites));
        EXPECT_EQ(result.console, c.console);
        EXPECT_FALSE(result.translator->conversion_failed);
    }
}

// Codes at the table's edges (ID k 05 07: middle pair 05, last pair 07):
// the first, with one back sprite; an empty slot, with a face and a back;
// the first and the last of the codes whose sprite is one picture.
TEST(PictureCommands, CharacterCodesAtTheTablesEdges) {
    const std::pair<std::uint32_t, std::vector<std::string>> cases[] = {
        {507, {"SAT_B005"}},
        {200507, {"_F05", "_B071"}},
        {210507, {"YUI_05"}},
        {330507, {"YK2_05"}},
    };
    for (const auto& [id, names] : cases)
        EXPECT_EQ(one_character(id).body, at_120(names)) << id;
}

TEST(PictureCommands, NoCharacters) {
    Sio sio;
    gamekit::sio_characters(sio, {});
    gamekit::sio_show_background(sio);
    auto result = translate(sio);
    // Only the count byte is read: the next byte is the next command.
    EXPECT_EQ(result.body, cat({hex("0B 30 0B 22 00 40 11 12"), hex("0B 30 0B 05 40 11 12")}));
    EXPECT_EQ(result.console, "********** Bad charactor nums : 0\n");
    ASSERT_EQ(result.translator->commands.size(), 2u);
    EXPECT_EQ(result.translator->commands[1].sio_offset, 2);
}

// Two characters stand at 0 and 240; the count byte counts sprite records,
// not characters. A bad ID keeps the rest going; an ID without a character
// code gets no sprite, and the second character still stands at 240.
TEST(PictureCommands, TwoCharacters) {
    const Bytes ain = cat({sprite("AIN_F02", 240), sprite("AIN_B031", 240)});
    const struct {
        std::uint32_t first, second;
        Bytes sprites;
        const char* console;
    } cases[] = {
        {10203, 210300,
         cat({characters_head(3), sprite("AIN_F02", 0), sprite("AIN_B031", 0),
              sprite("YUI_03", 240)}),
         ""},
        {19901, 60312,
         cat({characters_head(4), sprite("AIN_F99", 0), sprite("AIN_B010", 0),
              sprite("MIO_F03", 240), sprite("MIO_B121", 240)}),
         "********** Bad charactor ID : 19901 (1 99 10)\n"},
        {340000, 10203, cat({characters_head(2), ain}),
         "********** Bad charactor ID : 340000 (34 0 0)\n"},
        {4294967295u, 10203, cat({characters_head(2), ain}),
         "********** Bad charactor ID : -1 (0 0 -10)\n"},
        {0x80000000u, 10203, cat({characters_head(2), ain}),
         "********** Bad charactor ID : -2147483648 (-214748 -36 -480)\n"},
        {0x7FFFFFFFu, 10203, cat({characters_head(2), ain}),
         "********** Bad charactor ID : 2147483647 (214748 36 470)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ID " << c.first);
        Sio sio;
        gamekit::sio_characters(sio, {c.first, c.second});
        const Translation result = translate(sio);
        EXPECT_EQ(result.body, c.sprites);
        EXPECT_EQ(result.console, c.console);
    }
}

TEST(PictureCommands, ThreeCharactersAllStandAt0) {
    Sio sio;
    gamekit::sio_characters(sio, {3405, 210300, 80512});
    gamekit::sio_no_background(sio);
    auto result = translate(sio);
    EXPECT_EQ(result.body, cat({characters_head(3), sprite("SAT_B034", 0), sprite("YUI_03", 0),
                                sprite("IZA_B015", 0),
                                hex("0B 30 59 01 11 4E 4F 00 68 01 11 10 10 10 0B 05 2A 00 12")}));
    EXPECT_EQ(result.console, "********** Bad charactor nums : 3\n");
    ASSERT_EQ(result.translator->commands.size(), 2u);
    EXPECT_EQ(result.translator->commands[1].sio_offset, 2 + 4 * 3);
}

// Past the 255th sprite record nothing more is written; the read position
// still moves past every character.
TEST(PictureCommands, AtMost255SpriteRecords) {
    const Bytes pair = cat({sprite("AIN_F02", 0), sprite("AIN_B031", 0)});
    const struct {
        int pairs;    // characters of character 1 (two sprites each)
        bool single;  // and one of character 21 (one sprite)
        const char* last;
        const char* console;
        int unsound;  // the sprites recorded as unsound, or 0
    } cases[] = {
        {127, true, "YUI_03", "********** Bad charactor nums : 128\n", 0},
        {128, false, "AIN_F02",
         "********** Bad charactor nums : 128\n"
         "********** Too many sprites : 256 (only 255 kept)\n",
         256},
        {255, false, "AIN_F02",
         "********** Bad charactor nums : 255\n"
         "********** Too many sprites : 510 (only 255 kept)\n",
         510},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pairs);
        std::vector<std::uint32_t> ids(static_cast<std::size_t>(c.pairs), 10203);
        if (c.single) ids.push_back(210300);
        Sio sio;
        gamekit::sio_characters(sio, ids);
        gamekit::sio_show_background(sio);
        const Translation result = translate(sio);
        Bytes expected = characters_head(255);
        for (int i = 0; i < 127; ++i)
            expected = cat({expected, pair});
        EXPECT_EQ(result.body, cat({expected, sprite(c.last, 0), hex("0B 30 0B 05 40 11 12")}));
        EXPECT_EQ(result.console, c.console);
        EXPECT_EQ(result.translator->unsound.fault,
                  c.unsound ? UnsoundKind::sprite_count : UnsoundKind::none);
        EXPECT_EQ(result.translator->unsound.size, c.unsound);
        ASSERT_EQ(result.translator->commands.size(), 2u);
        EXPECT_EQ(result.translator->commands[1].sio_offset, 2 + 4 * static_cast<int>(ids.size()));
    }
}

TEST(PictureCommands, CharactersCutShortReadZeros) {
    // Two characters announced, one given: the missing ID reads as 0.
    auto result = translate(hex("3C 02 00 00 27 DB"));
    EXPECT_EQ(result.body, cat({characters_head(3), sprite("AIN_F02", 0), sprite("AIN_B031", 0),
                                sprite("SAT_B000", 240)}));
}

struct BackgroundCase {
    const char* what;
    std::string name;  // code page 932 bytes
    Bytes emitted;     // the processed name and its terminator
};

TEST(PictureCommands, Background) {
    const BackgroundCase cases[] = {
        {"worked example", "bg01.moe", hex("42 47 30 31 00")},
        {"already processed", "BG01", hex("42 47 30 31 00")},
        {"no full stop", "sky_Night", hex("53 4B 59 5F 4E 49 47 48 54 00")},
        {"cut at the first full stop", "a.b.c", hex("41 00")},
        {"starts with a full stop", ".moe", hex("00")},
        {"empty", "", hex("00")},
        // The trail byte 0x61 of ヂ is not a letter to upper-case.
        {"double-byte", cp932("ヂa.moe"), hex("83 61 41 00")},
        {"31 bytes stay whole", std::string(31, 'x'), cat({Bytes(31, 'X'), hex("00")})},
        {"32 bytes are cut to 31", std::string(32, 'x'), cat({Bytes(31, 'X'), hex("00")})},
        {"a long name is cut to 31", std::string(31, 'y') + "z.moe" + std::string(100, 'w'),
         cat({Bytes(31, 'Y'), hex("00")})},
        {"full stop past the cut", std::string(40, 'b') + ".moe", cat({Bytes(31, 'B'), hex("00")})},
    };
    for (const BackgroundCase& c : cases) {
        SCOPED_TRACE(c.what);
        Sio sio;
        gamekit::sio_background(sio, c.name);
        gamekit::sio_show_background(sio);
        auto result = translate(sio);
        EXPECT_EQ(result.body, cat({hex("0B 30 59 01 11"), c.emitted, hex("0B 05 40 11 12"),
                                    hex("0B 30 0B 05 40 11 12")}));
        // The read position moves past the whole name in the SIO data.
        ASSERT_EQ(result.translator->commands.size(), 2u);
        EXPECT_EQ(result.translator->commands[1].sio_offset,
                  static_cast<std::int32_t>(1 + c.name.size() + 1));
        EXPECT_EQ(result.console, "");
    }
}

TEST(PictureCommands, BackgroundNameEndsAtTheDataEnd) {
    auto result = translate(cat({Bytes{62}, Bytes{'b', 'g'}}));
    EXPECT_EQ(result.body, hex("0B 30 59 01 11 42 47 00 0B 05 40 11 12"));
    EXPECT_EQ(result.translator->commands.size(), 1u);
}

}  // namespace
