// SPDX-License-Identifier: GPL-2.0-or-later
// The conversion of full-colour pictures: the halving with the key colour,
// the alpha plane kept only for pictures with key pixels, the map cell.
#include <gtest/gtest.h>

#include "image/convert.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;
using namespace image_test;

TEST(Pdt10Conversion, HeaderLayout) {
    const Pdt10Block block = picture_block(make_picture(6, 4, kWhite));
    const Bytes header(block.bytes.begin(), block.bytes.begin() + 32);
    const Bytes expected = {'P', 'D', 'T', '1', '0', 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0,
                            4,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(header, expected);
    EXPECT_EQ(block.width, 3u);
    EXPECT_EQ(block.height, 2u);
    EXPECT_EQ(block.bytes.size(), 32u + 3 * 6);
    EXPECT_EQ(block.entry_size, 32u + 2 * 6);
}

TEST(Pdt10Conversion, OneKeyPixelStoresTheAlphaPlane) {
    DecodedPicture picture = make_picture(8, 6, kWhite);
    set_pixel(picture, 5, 3, kKeyGreen);
    const Pdt10Block block = picture_block(picture);
    EXPECT_EQ(block.entry_size, 32u + 3 * 4 * 3);
    const Pdt10Picture read = read_back(block);
    EXPECT_TRUE(read.has_alpha);
    std::vector<std::uint16_t> colour(12, 0xFFFF);
    Bytes alpha(12, 255);
    colour[4 + 2] = 0xBDF7, alpha[4 + 2] = 191;  // (2, 1)
    EXPECT_EQ(read.colour, colour);
    EXPECT_EQ(read.alpha, alpha);
}

TEST(Pdt10Conversion, PictureWithoutKeyHasNoAlphaPlane) {
    // Near-green colours are ordinary colours.
    DecodedPicture picture = make_picture(4, 4, Bgr{1, 255, 0});
    set_pixel(picture, 0, 0, Bgr{0, 254, 0});
    set_pixel(picture, 3, 3, Bgr{0, 255, 1});
    const Pdt10Block block = picture_block(picture);
    EXPECT_EQ(block.entry_size, 32u + 2 * 4);
    EXPECT_FALSE(read_back(block).has_alpha);
    // Blue sums 4 -> 0; green 1020 -> 63.
    EXPECT_EQ(read_back(block).colour[1], 63 << 5);
}

TEST(Pdt10Conversion, KeyInTheOddLastColumnOrRowIsNeverExamined) {
    DecodedPicture picture = make_picture(5, 5, kWhite);
    for (std::uint32_t i = 0; i < 5; ++i) {
        set_pixel(picture, 4, i, kKeyGreen);
        set_pixel(picture, i, 4, kKeyGreen);
    }
    const Pdt10Block block = picture_block(picture);
    EXPECT_FALSE(read_back(block).has_alpha);
    EXPECT_EQ(block.entry_size, 32u + 2 * 2 * 2);
}

TEST(Pdt10Conversion, SizesOf640By480) {
    const Pdt10Block opaque = picture_block(make_picture(640, 480, kWhite));
    const Pdt10Picture read = read_back(opaque);
    EXPECT_EQ(read.source_width, 640u);
    EXPECT_EQ(read.source_height, 480u);
    EXPECT_FALSE(read.has_alpha);
    EXPECT_EQ(opaque.width, 320u);
    EXPECT_EQ(opaque.height, 240u);
    EXPECT_EQ(opaque.entry_size, 153632u);
    DecodedPicture keyed = make_picture(640, 480, kWhite);
    set_pixel(keyed, 639, 479, kKeyGreen);
    const Pdt10Block transparent = picture_block(keyed);
    EXPECT_TRUE(read_back(transparent).has_alpha);
    EXPECT_EQ(transparent.entry_size, 230432u);
    EXPECT_EQ(transparent.bytes.size(), 230432u);
}

TEST(Pdt10Conversion, WidthOrHeightOneGivesAnEmptyEntry) {
    for (auto [w, h] : {std::pair{1u, 9u}, {9u, 1u}, {1u, 1u}, {0u, 0u}}) {
        const Pdt10Block block = picture_block(make_picture(w, h, kKeyGreen));
        EXPECT_EQ(block.entry_size, 32u) << w << " x " << h;
        const Pdt10Picture read = read_back(block);
        EXPECT_EQ(read.source_width, w);
        EXPECT_EQ(read.source_height, h);
        EXPECT_FALSE(read.has_alpha);
    }
}

// ---- The map cell ------------------------------------------------------------------

TEST(MapCell, DarkenedCopyTwelveRowsLower) {
    struct Expected {
        std::uint16_t colour, darkened_colour;
        std::uint8_t alpha, darkened_alpha;
    };
    // By the number of key pixels in the block.
    const Expected expected[5] = {
        {0xFFFF, 0xBDF7, 255, 192}, {0xBDF7, 0x8C71, 191, 143}, {0x7BEF, 0x5AEB, 127, 95},
        {0x39E7, 0x2965, 63, 47},   {0x0000, 0x0000, 0, 255},  // alpha 0 leaves 255 below
    };
    Pdt10Block block = picture_block(map_source());
    const Pdt10Block before = block;
    darken_map_cell(block);
    ASSERT_EQ(block.entry_size, before.entry_size);
    // Rows 54 to 65 become the darkened rows 42 to 53; nothing else changes.
    Pdt10Picture want = read_back(before);
    for (std::uint32_t i = 42 * 12; i < 54 * 12; ++i) {
        const Expected& e = expected[i % 12 % 5];
        EXPECT_EQ(want.colour[i], e.colour) << i % 12 << ", " << i / 12;
        EXPECT_EQ(want.alpha[i], e.alpha) << i % 12 << ", " << i / 12;
        want.colour[i + 12 * 12] = e.darkened_colour;
        want.alpha[i + 12 * 12] = e.darkened_alpha;
    }
    const Pdt10Picture got = read_back(block);
    EXPECT_EQ(got.colour, want.colour);
    EXPECT_EQ(got.alpha, want.alpha);
}

TEST(MapCell, ColumnsBeyondTheCellAreLeftAlone) {
    Pdt10Block block = picture_block(map_source(40, 140));
    const Pdt10Block before = block;
    darken_map_cell(block);
    const Pdt10Picture got = read_back(block), was = read_back(before);
    for (std::uint32_t i = 54 * 20; i < 66 * 20; i += 20) {
        EXPECT_NE(got.colour[i], was.colour[i]);
        EXPECT_EQ(got.colour[i + 12], was.colour[i + 12]);
    }
}

TEST(MapCell, PlanesSmallerThan12By66AreLeftAlone) {
    for (auto [w, h] : {std::pair{22u, 132u}, {24u, 130u}, {2u, 2u}}) {
        Pdt10Block block = picture_block(map_source(w, h));
        const Bytes before = block.bytes;
        darken_map_cell(block);
        EXPECT_EQ(block.bytes, before) << w << " x " << h;
    }
}

}  // namespace
