// SPDX-License-Identifier: GPL-2.0-or-later
// Reading PDT10 entries back, as the tools do.
#include <gtest/gtest.h>

#include "image/pdt10.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;
using namespace image_test;

TEST(Pdt10Read, PlanesAndStraightRgba) {
    const Pdt10Block block = picture_block([] {
        DecodedPicture p = make_picture(6, 2, kWhite);
        set_pixel(p, 2, 0, kKeyGreen);
        set_pixel(p, 3, 1, kKeyGreen);
        for (std::uint32_t x = 4; x < 6; ++x) {
            set_pixel(p, x, 0, kKeyGreen);
            set_pixel(p, x, 1, kKeyGreen);
        }
        return p;
    }());
    const Pdt10Picture picture = read_back(block);
    EXPECT_EQ(picture.source_width, 6u);
    EXPECT_EQ(picture.width, 3u);
    EXPECT_EQ(picture.height, 1u);
    EXPECT_TRUE(picture.has_alpha);
    EXPECT_EQ(picture.colour, (std::vector<std::uint16_t>{0xFFFF, 0x7BEF, 0x0000}));
    EXPECT_EQ(picture.alpha, (Bytes{255, 127, 0}));
    // 0x7BEF at alpha 127: 123, 125, 123 divided by 127/255.
    EXPECT_EQ(pdt10_to_rgba(picture), (Bytes{255, 255, 255, 255, 247, 251, 247, 127, 0, 0, 0, 0}));
}

TEST(Pdt10Read, EntryWithoutAlphaPlaneIsOpaque) {
    const Pdt10Picture picture = read_back(picture_block(make_picture(2, 2, Bgr{0, 0, 255})));
    EXPECT_FALSE(picture.has_alpha);
    EXPECT_EQ(pdt10_to_rgba(picture), (Bytes{255, 0, 0, 255}));
}

TEST(Pdt10Read, RejectsBrokenEntries) {
    const Pdt10Block block = picture_block(make_picture(4, 4, kKeyGreen));
    Pdt10Picture picture;
    std::string error;
    EXPECT_FALSE(read_pdt10(Bytes(block.bytes.begin(), block.bytes.end() - 1), picture, error));
    Bytes wrong_magic = block.bytes;
    wrong_magic[4] = '1';
    EXPECT_FALSE(read_pdt10(wrong_magic, picture, error));
    Bytes wrong_alpha = block.bytes;
    wrong_alpha[28] = 7;
    EXPECT_FALSE(read_pdt10(wrong_alpha, picture, error));
    EXPECT_FALSE(read_pdt10(Bytes(10, 0), picture, error));
}

}  // namespace
