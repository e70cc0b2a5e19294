// SPDX-License-Identifier: GPL-2.0-or-later
// The one 2 x 2 halving under both opacity rules: the key colour of pictures
// and the shadow mask of sprites.
#include <gtest/gtest.h>

#include "image/convert.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;
using gamekit::kKeyGreen;

enum class Rule { key_colour, mask };

// One output pixel from the top-left 2 x 2 block of a 3 x 3 source. The odd
// last column and row, which the halving never uses, hold key pixels for the
// key-colour rule and opaque mask values for the mask rule, so that using
// them would change the result.
struct Case {
    const char* what;
    Rule rule;
    Bgr pixels[4];          // (0, 0), (1, 0), (0, 1), (1, 1)
    std::uint8_t mask[4];   // mask values at the same positions
    std::size_t mask_size;  // values in the mask, read as rows of 3
    std::uint16_t colour;
    std::uint8_t alpha;
    bool translucent;
};

TEST(Halving, OneBlockUnderEitherRule) {
    constexpr Bgr kW = kWhite, kG = kKeyGreen, kC{200, 100, 50}, kY{100, 60, 20};
    const Case cases[] = {
        {"opaque", Rule::key_colour, {kW, kW, kW, kW}, {}, 0, 0xFFFF, 255, false},
        {"one key pixel", Rule::key_colour, {kG, kW, kW, kW}, {}, 0, 0xBDF7, 191, true},
        {"two key pixels", Rule::key_colour, {kW, kG, kG, kW}, {}, 0, 0x7BEF, 127, true},
        {"three key pixels", Rule::key_colour, {kG, kG, kW, kG}, {}, 0, 0x39E7, 63, true},
        {"four key pixels", Rule::key_colour, {kG, kG, kG, kG}, {}, 0, 0x0000, 0, true},
        // Sums 400, 240, 80: red 80 >> 5 = 2, green 240 >> 4 = 15, blue 400 >> 5 = 12.
        {"grey", Rule::key_colour, {kY, kY, kY, kY}, {}, 0, 2 << 11 | 15 << 5 | 12, 255, false},
        // Sums: blue 256, green 1019, red 256.
        {"near-green colours",
         Rule::key_colour,
         {Bgr{1, 255, 0}, Bgr{0, 254, 0}, Bgr{0, 255, 1}, kW},
         {},
         0,
         8 << 11 | 63 << 5 | 8,
         255,
         false},
        {"mask 15", Rule::mask, {kW, kW, kW, kW}, {15, 15, 15, 15}, 9, 0xFFFF, 255, false},
        {"mask 0", Rule::mask, {kW, kW, kW, kW}, {0, 0, 0, 0}, 9, 0x0000, 0, true},
        {"mask 8", Rule::mask, {kW, kW, kW, kW}, {8, 8, 8, 8}, 9, 0x8C51, 136, true},
        {"mask above 15", Rule::mask, {kW, kW, kW, kW}, {16, 100, 200, 255}, 9, 0xFFFF, 255, false},
        // Opacities 255, 136, 17, 0, each channel scaled and truncated per
        // pixel: blue 200 + 106 + 13, green 100 + 53 + 6, red 50 + 26 + 3.
        {"mixed opacities", Rule::mask, {kC, kC, kC, kC}, {15, 8, 1, 0}, 9, 0x1129, 102, true},
        // The mask ends after (0, 1): (1, 1) counts as 0.
        {"past the mask", Rule::mask, {kW, kW, kW, kW}, {15, 15, 15, 15}, 4, 0xBDF7, 191, true},
        {"pure green sprite",
         Rule::mask,
         {kG, kG, kG, kG},
         {15, 15, 15, 15},
         9,
         0x07E0,
         255,
         false},
    };
    constexpr std::size_t kBlockPositions[4] = {0, 1, 3, 4};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bgr unused = c.rule == Rule::key_colour ? kKeyGreen : kWhite;
        DecodedPicture picture = gamekit::make_picture(3, 3, unused);
        ShadowMask mask{3, 3, std::vector<std::uint8_t>(9, 15)};
        for (std::size_t i = 0; i < 4; ++i) {
            gamekit::set_pixel(picture, kBlockPositions[i] % 3, kBlockPositions[i] / 3,
                               c.pixels[i]);
            mask.values[kBlockPositions[i]] = c.mask[i];
        }
        mask.values.resize(c.mask_size);
        Pdt10Block block;
        ASSERT_TRUE(allocate_pdt10_block(3, 3, block));
        const bool translucent = c.rule == Rule::key_colour
                                     ? halve_picture(picture, KeyColourOpacity{}, block)
                                     : halve_picture(picture, MaskOpacity{mask}, block);
        EXPECT_EQ(translucent, c.translucent);
        // The halving writes the planes only.
        EXPECT_EQ(Bytes(block.bytes.begin(), block.bytes.begin() + kPdt10HeaderSize),
                  Bytes(kPdt10HeaderSize, 0));
        write_pdt10_header(block.bytes.data(), 3, 3, 2);
        const Pdt10Picture read = image_test::read_back(block.bytes);
        EXPECT_EQ(read.colour, std::vector<std::uint16_t>{c.colour});
        EXPECT_EQ(read.alpha, Bytes{c.alpha});
    }
}

}  // namespace
