// SPDX-License-Identifier: GPL-2.0-or-later
// Shadow names and the conversion of sprites with their masks.
#include <gtest/gtest.h>

#include "image/convert.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;
using namespace image_test;

// ---- Shadow names ------------------------------------------------------------------

TEST(ShadowName, RulesOfTheFifthCharacter) {
    struct Case {
        const char* sprite;
        const char* shadow;
    };
    const Case cases[] = {
        // Any other character at position 4: pose 0 to 5 take pose 5.
        {"ABC_01.MOE", "ABC_05S.SHW"},
        {"ABC_05.MOE", "ABC_05S.SHW"},
        {"ABC_07.MOE", "ABC_07S.SHW"},
        {"ABC_09.MOE", "ABC_09S.SHW"},
        {"ABC_12.MOE", "ABC_15S.SHW"},
        {"ABC_0!.MOE", "ABC_05S.SHW"},
        {"ABC_-9.MOE", "ABC_-9S.SHW"},
        {"ABC_\x82\xA0.MOE",
         "ABC_\x82"
         "5S.SHW"},
        {"Yka_09.MOE", "Yka_05S.SHW"},
        {"yka_99.moe", "yka_95S.SHW"},
        {"YKA_09.MOE", "YKA_09S.SHW"},
        {"YxyZk9.MOE", "YxyZk5S.SHW"},
        {"AkC_09.MOE", "AkC_09S.SHW"},
        // F or f: 1 becomes 0, 3 becomes 2, the rest stays.
        {"ABC_F01.MOE", "ABC_F0S.SHW"},
        {"ABC_F17.MOE", "ABC_F0S.SHW"},
        {"ABC_F25.MOE", "ABC_F2S.SHW"},
        {"ABC_F31.MOE", "ABC_F2S.SHW"},
        {"ABC_F40.MOE", "ABC_F4S.SHW"},
        {"ABC_F05.MOE", "ABC_F0S.SHW"},
        {"ABC_F9.MOE", "ABC_F9S.SHW"},
        {"abc_f13.moe", "abc_f0S.SHW"},
        // B or b: the whole base name.
        {"ABC_B012.MOE", "ABC_B012S.SHW"},
        {"abc_b012.moe", "abc_b012S.SHW"},
        {"ABC_B7.X.MOE", "ABC_B7S.SHW"},
        {"ABC_B7", "ABC_B7S.SHW"},
        // Shorter than six characters: the rule runs on a zero-filled copy.
        {"", ""},
        {"AB.M", "AB.M"},          // position 4 is the terminator
        {"A.MOE", "A.MOE5S.SHW"},  // position 5 is 0: becomes '5'
        {"ABCDF", "ABCDF"},        // F rule: position 5 stays 0
        {"ABCDB", "ABCDBS.SHW"},   // B rule: no full stop, appended
        {"Yk", "Yk"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shadow_name(c.sprite), c.shadow) << c.sprite;
}

TEST(ShadowName, LongNamesStayInsideTheWorkCopy) {
    const std::string name = "ABC_B" + std::string(400, 'x');
    const std::string shadow = shadow_name(name);
    EXPECT_EQ(shadow.size(), kShadowNameBufferSize - 1);
    EXPECT_EQ(shadow.substr(0, 5), "ABC_B");
    EXPECT_EQ(shadow_name("ABC_07" + std::string(400, 'x')), "ABC_07S.SHW");
}

// ---- Sprite conversion ---------------------------------------------------------------

TEST(SpriteConversion, HeaderAndSizeAlwaysCarryTheAlphaPlane) {
    const Pdt10Block block = sprite_block(make_picture(6, 5, kWhite), make_mask(6, 5, 15));
    EXPECT_EQ(block.entry_size, 32u + 3 * 3 * 2);
    EXPECT_EQ(block.bytes.size(), block.entry_size);
    const Bytes expected = {'P', 'D', 'T', '1', '0', 0, 0, 0, 0, 0, 0, 0, 6,  0, 0, 0,
                            5,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0};
    EXPECT_EQ(Bytes(block.bytes.begin(), block.bytes.begin() + 32), expected);
}

TEST(SpriteConversion, OpaqueBlocksGiveThePictureColours) {
    const DecodedPicture sprite = gamekit::sample_picture(32, 18, 4, false);
    const Pdt10Picture read = read_back(sprite_block(sprite, make_mask(32, 18, 15)));
    EXPECT_EQ(read.colour, read_back(picture_block(sprite)).colour);
    EXPECT_EQ(read.alpha, Bytes(16 * 9, 255));
}

TEST(SpriteConversion, EmptyBlocksAreTransparentBlack) {
    const Pdt10Block block =
        sprite_block(gamekit::sample_picture(8, 8, 9, true), make_mask(8, 8, 0));
    EXPECT_EQ(Bytes(block.bytes.begin() + 32, block.bytes.end()), Bytes(3 * 16, 0));
}

TEST(SpriteConversion, HalfMaskedBlockMatchesTheKeyedPicture) {
    constexpr Bgr kA{200, 100, 50}, kB{10, 250, 130}, kC{90, 90, 90}, kD{255, 0, 255};
    const DecodedPicture sprite = block_of(kA, kB, kC, kD),
                         keyed = block_of(kA, kB, kKeyGreen, kKeyGreen);
    const Pdt10Picture read = read_back(sprite_block(sprite, ShadowMask{2, 2, {15, 15, 0, 0}}));
    EXPECT_EQ(read.alpha, Bytes{127});
    EXPECT_EQ(read.colour, read_back(picture_block(keyed)).colour);
}

TEST(SpriteConversion, WidthOrHeightOneGivesAnEmptyEntry) {
    for (auto [w, h] : {std::pair{1u, 6u}, {6u, 1u}}) {
        const Pdt10Block block = sprite_block(make_picture(w, h, kWhite), make_mask(w, h, 15));
        EXPECT_EQ(block.entry_size, 32u);
        EXPECT_FALSE(read_back(block).has_alpha);
        EXPECT_EQ(read_back(block).source_width, w);
    }
}

TEST(SpriteConversion, MaskIsReadWithTheSpritesRowLength) {
    // A 2 x 4 mask read as rows of 4: 15 15 0 0 / 8 8 15 15.
    const Pdt10Block block =
        sprite_block(make_picture(4, 2, kWhite), ShadowMask{2, 4, {15, 15, 0, 0, 8, 8, 15, 15}});
    // Sums 255 + 255 + 136 + 136 = 782: red and blue 24, green 48.
    EXPECT_EQ(read_back(block).colour,
              (std::vector<std::uint16_t>{24 << 11 | 48 << 5 | 24, 0x7BEF}));
    EXPECT_EQ(read_back(block).alpha, (Bytes{195, 127}));
}

TEST(SpriteConversion, PositionsBeyondTheMaskCountAsZero) {
    const Pdt10Picture read =
        read_back(sprite_block(make_picture(4, 4, kWhite), make_mask(4, 2, 15)));
    EXPECT_EQ(read.alpha, (Bytes{255, 255, 0, 0}));
    EXPECT_EQ(read.colour, (std::vector<std::uint16_t>{0xFFFF, 0xFFFF, 0, 0}));
    const Pdt10Block none = sprite_block(make_picture(4, 4, kWhite), make_mask(0, 0, 0));
    EXPECT_EQ(Bytes(none.bytes.begin() + 32, none.bytes.end()), Bytes(3 * 4, 0));
}

}  // namespace
