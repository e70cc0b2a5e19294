// SPDX-License-Identifier: GPL-2.0-or-later
// The conversion of full-colour pictures: the halving with the key colour,
// the alpha plane kept only for pictures with key pixels, the map cell.
#include <gtest/gtest.h>

#include "image/picture.h"
#include "support/image_test_util.h"

using namespace msconv::image;
using namespace msconv::package;
using namespace msconv::base;

namespace {

using gamekit::Bgr;
using gamekit::Bytes;
using gamekit::kKeyGreen;
using gamekit::kWhite;
using gamekit::make_picture;
using gamekit::RgbPicture;
using gamekit::set_pixel;
using image_test::alpha_at;
using image_test::colour_at;
using image_test::field_at;
using image_test::map_source;
using image_test::picture_block;

// A 2 x 2 picture from four pixels in the order (0,0), (1,0), (0,1), (1,1).
RgbPicture block_of(Bgr a, Bgr b, Bgr c, Bgr d) {
    RgbPicture picture = make_picture(2, 2);
    set_pixel(picture, 0, 0, a);
    set_pixel(picture, 1, 0, b);
    set_pixel(picture, 0, 1, c);
    set_pixel(picture, 1, 1, d);
    return picture;
}

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

TEST(Pdt10Conversion, BlocksWithKeyPixels) {
    constexpr Bgr kGrey{100, 60, 20};
    struct Case {
        const char* what;
        RgbPicture picture;
        std::uint16_t colour;
        std::uint8_t alpha;
    };
    const Case cases[] = {
        {"no key pixel", block_of(kWhite, kWhite, kWhite, kWhite), 0xFFFF, 255},
        {"one key pixel", block_of(kKeyGreen, kWhite, kWhite, kWhite), 0xBDF7, 191},
        {"two white, two key", block_of(kWhite, kKeyGreen, kKeyGreen, kWhite), 0x7BEF, 127},
        {"three key pixels", block_of(kKeyGreen, kKeyGreen, kWhite, kKeyGreen), 0x39E7, 63},
        {"all key", block_of(kKeyGreen, kKeyGreen, kKeyGreen, kKeyGreen), 0x0000, 0},
        // Sums 400, 240, 80: red 80 >> 5 = 2, green 240 >> 4 = 15, blue 400 >> 5 = 12.
        {"grey", block_of(kGrey, kGrey, kGrey, kGrey), 2 << 11 | 15 << 5 | 12, 255},
    };
    for (const Case& c : cases) {
        const Pdt10Block block = picture_block(c.picture);
        EXPECT_EQ(colour_at(block.bytes, 1, 0, 0), c.colour) << c.what;
        EXPECT_EQ(alpha_at(block.bytes, 1, 1, 0, 0), c.alpha) << c.what;
    }
}

TEST(Pdt10Conversion, OneKeyPixelStoresTheAlphaPlane) {
    RgbPicture picture = make_picture(8, 6, kWhite);
    set_pixel(picture, 5, 3, kKeyGreen);
    const Pdt10Block block = picture_block(picture);
    EXPECT_EQ(block.entry_size, 32u + 3 * 4 * 3);
    EXPECT_EQ(field_at(block.bytes, 28), 2u * 4 * 3);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 4; ++x) {
            const bool keyed = x == 2 && y == 1;
            EXPECT_EQ(alpha_at(block.bytes, 4, 3, x, y), keyed ? 191 : 255) << x << ", " << y;
            EXPECT_EQ(colour_at(block.bytes, 4, x, y), keyed ? 0xBDF7 : 0xFFFF) << x << ", " << y;
        }
    }
}

TEST(Pdt10Conversion, PictureWithoutKeyHasNoAlphaPlane) {
    // Near-green colours are ordinary colours.
    RgbPicture picture = make_picture(4, 4, Bgr{1, 255, 0});
    set_pixel(picture, 0, 0, Bgr{0, 254, 0});
    set_pixel(picture, 3, 3, Bgr{0, 255, 1});
    const Pdt10Block block = picture_block(picture);
    EXPECT_EQ(block.entry_size, 32u + 2 * 4);
    EXPECT_EQ(field_at(block.bytes, 28), 0u);
    // Blue sums 4 -> 0; green 1020 -> 63.
    EXPECT_EQ(colour_at(block.bytes, 2, 1, 0), 63 << 5);
    EXPECT_EQ(alpha_at(block.bytes, 2, 2, 1, 0), 255);
}

TEST(Pdt10Conversion, KeyInTheOddLastColumnOrRowIsNeverExamined) {
    RgbPicture picture = make_picture(5, 5, kWhite);
    for (std::uint32_t i = 0; i < 5; ++i) {
        set_pixel(picture, 4, i, kKeyGreen);
        set_pixel(picture, i, 4, kKeyGreen);
    }
    const Pdt10Block block = picture_block(picture);
    EXPECT_EQ(field_at(block.bytes, 28), 0u);
    EXPECT_EQ(block.entry_size, 32u + 2 * 2 * 2);
}

TEST(Pdt10Conversion, SizesOf640By480) {
    const Pdt10Block opaque = picture_block(make_picture(640, 480, kWhite));
    EXPECT_EQ(field_at(opaque.bytes, 12), 640u);
    EXPECT_EQ(field_at(opaque.bytes, 16), 480u);
    EXPECT_EQ(opaque.width, 320u);
    EXPECT_EQ(opaque.height, 240u);
    EXPECT_EQ(field_at(opaque.bytes, 28), 0u);
    EXPECT_EQ(opaque.entry_size, 153632u);
    RgbPicture keyed = make_picture(640, 480, kWhite);
    set_pixel(keyed, 639, 479, kKeyGreen);
    const Pdt10Block transparent = picture_block(keyed);
    EXPECT_EQ(field_at(transparent.bytes, 28), 153600u);
    EXPECT_EQ(transparent.entry_size, 230432u);
    EXPECT_EQ(transparent.bytes.size(), 230432u);
}

TEST(Pdt10Conversion, WidthOrHeightOneGivesAnEmptyEntry) {
    for (auto [w, h] : {std::pair{1u, 9u}, {9u, 1u}, {1u, 1u}, {0u, 0u}}) {
        const Pdt10Block block = picture_block(make_picture(w, h, kKeyGreen));
        EXPECT_EQ(block.entry_size, 32u) << w << " x " << h;
        EXPECT_EQ(field_at(block.bytes, 12), w);
        EXPECT_EQ(field_at(block.bytes, 16), h);
        EXPECT_EQ(field_at(block.bytes, 28), 0u);
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
    for (std::uint32_t r = 42; r < 54; ++r) {
        for (std::uint32_t x = 0; x < 12; ++x) {
            const Expected& e = expected[x % 5];
            EXPECT_EQ(colour_at(block.bytes, 12, x, r), e.colour) << x << ", " << r;
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, r), e.alpha) << x << ", " << r;
            EXPECT_EQ(colour_at(block.bytes, 12, x, r + 12), e.darkened_colour) << x << ", " << r;
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, r + 12), e.darkened_alpha) << x << ", " << r;
        }
    }
    // Nothing outside rows 54 to 65 changed.
    for (std::uint32_t y = 0; y < 66; ++y) {
        if (y >= 54) continue;
        for (std::uint32_t x = 0; x < 12; ++x) {
            EXPECT_EQ(colour_at(block.bytes, 12, x, y), colour_at(before.bytes, 12, x, y));
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, y), alpha_at(before.bytes, 12, 66, x, y));
        }
    }
    EXPECT_EQ(block.entry_size, before.entry_size);
}

TEST(MapCell, ColumnsBeyondTheCellAreLeftAlone) {
    Pdt10Block block = picture_block(map_source(40, 140));
    const Pdt10Block before = block;
    darken_map_cell(block);
    for (std::uint32_t y = 54; y < 66; ++y) {
        EXPECT_NE(colour_at(block.bytes, 20, 0, y), colour_at(before.bytes, 20, 0, y));
        EXPECT_EQ(colour_at(block.bytes, 20, 12, y), colour_at(before.bytes, 20, 12, y));
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
