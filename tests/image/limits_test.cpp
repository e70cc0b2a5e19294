// SPDX-License-Identifier: GPL-2.0-or-later
// Damaged and hostile picture files: every cut of a file, headers that claim
// 65535 x 65535 pixels, flag-coded stream fields pointing anywhere, masks
// smaller than their sprites. Decoding stays inside the file's bytes and
// inside its own buffer, and takes no more memory than the size limit allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "image/convert.h"
#include "image/pdt10.h"
#include "image/picture_decode.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;

// The number of leading values of `decoded` that equal `whole`, when every
// value after them is 0 (the unreached part of a zero-filled buffer); -1
// when the decoded values are no such prefix.
long long decoded_prefix(const Bytes& decoded, const Bytes& whole, std::size_t value_size) {
    if (decoded.size() != whole.size()) return -1;
    std::size_t n = 0;
    while (n < decoded.size() && decoded[n] == whole[n])
        ++n;
    n -= n % value_size;
    for (std::size_t i = n; i < decoded.size(); ++i) {
        if (decoded[i] != 0) return -1;
    }
    return static_cast<long long>(n / value_size);
}

struct CutCase {
    const char* name;
    Bytes file;
    std::size_t header;  // cuts inside the header give other sizes
};

// A file cut after any number of bytes decodes the picture's first pixels,
// as many as the kept bytes give, and zeros after them; a longer cut never
// gives fewer pixels.
TEST(PictureLimits, PictureFilesCutAtEveryByte) {
    const DecodedPicture picture = gamekit::sample_picture(24, 10, 9, true);
    const CutCase cases[] = {
        {"run-length", gamekit::encode_run_length_picture(picture), 4},
        {"flag-coded", gamekit::encode_flag_coded_picture(picture), 24},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.file.empty());
        DecodedPicture whole;
        ASSERT_EQ(decode_picture(c.file, whole), DecodeStatus::ok);
        ASSERT_TRUE(image_test::same_pixels(whole, picture));
        long long previous = 0;
        for (std::size_t size = 1; size <= c.file.size(); ++size) {
            SCOPED_TRACE("cut after " + std::to_string(size) + " bytes");
            const Bytes cut(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(size));
            DecodedPicture decoded;
            ASSERT_EQ(decode_picture(cut, decoded), DecodeStatus::ok);
            ASSERT_EQ(decoded.pixels.size(), std::size_t{decoded.width} * decoded.height * 3);
            Pdt10Block block;
            EXPECT_TRUE(convert_picture_to_pdt10(decoded, block));
            if (size < c.header) continue;
            const long long pixels = decoded_prefix(decoded.pixels, whole.pixels, 3);
            ASSERT_GE(pixels, previous);
            previous = pixels;
        }
        EXPECT_EQ(previous, 24 * 10);
    }
}

TEST(PictureLimits, MaskFileCutAtEveryByte) {
    ShadowMask source = gamekit::make_mask(20, 7, 0);
    for (std::size_t i = 0; i < source.values.size(); ++i)
        source.values[i] = static_cast<std::uint8_t>(i % 5 == 0 ? 15 : i % 16);
    const Bytes file = gamekit::encode_shadow_mask(source);
    long long previous = 0;
    for (std::size_t size = 4; size <= file.size(); ++size) {
        SCOPED_TRACE("cut after " + std::to_string(size) + " bytes");
        ShadowMask mask;
        ASSERT_EQ(decode_shadow_mask(
                      Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)), mask),
                  DecodeStatus::ok);
        const long long values = decoded_prefix(mask.values, source.values, 1);
        ASSERT_GE(values, previous);
        previous = values;
    }
    EXPECT_EQ(previous, 20 * 7);
}

// A picture or mask of no pixels (a width or height of 0) whose file still
// holds packets: nothing may be written into its buffer, which has no
// storage.
TEST(PictureLimits, PacketsOfAPictureWithoutPixelsAreIgnored) {
    for (auto [width, height] : {std::pair{0u, 5u}, std::pair{7u, 0u}}) {
        Bytes picture_file = gamekit::run_length_header(width, height);
        gamekit::append_run(picture_file, 3, gamekit::kWhite);
        gamekit::append_literal(picture_file, {gamekit::kWhite, gamekit::kBlack});
        DecodedPicture picture;
        EXPECT_EQ(decode_picture(picture_file, picture), DecodeStatus::ok);
        EXPECT_TRUE(picture.pixels.empty());
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);

        Bytes mask_file = gamekit::run_length_header(width, height);
        gamekit::append_mask_run(mask_file, 3, 15);
        gamekit::append_mask_literal(mask_file, {1, 2});
        ShadowMask mask;
        EXPECT_EQ(decode_shadow_mask(mask_file, mask), DecodeStatus::ok);
        EXPECT_TRUE(mask.values.empty());
    }
}

// A header of a few bytes claiming 65535 x 65535 pixels (12 GiB of pixels)
// is refused before anything is allocated.
TEST(PictureLimits, HeadersClaiming65535By65535PixelsAreRefusedUnallocated) {
    Bytes flag_coded = gamekit::assemble_flag_coded_picture(gamekit::FlagCodedParts{});
    write_le16(&flag_coded[4], 65535);
    write_le16(&flag_coded[6], 65535);
    const Bytes run_length = gamekit::run_length_header(65535, 65535);
    for (const Bytes& file : {flag_coded, run_length}) {
        DecodedPicture picture;
        EXPECT_EQ(decode_picture(file, picture), DecodeStatus::too_large);
        EXPECT_EQ(picture.pixels.capacity(), 0u);
        EXPECT_EQ(picture.width, 0u);
    }
    ShadowMask mask;
    EXPECT_EQ(decode_shadow_mask(run_length, mask), DecodeStatus::too_large);
    EXPECT_EQ(mask.values.capacity(), 0u);
}

// Every combination of stream fields, from the header itself to the last
// 32-bit value: the decoder reads only the file and writes only its buffer.
TEST(PictureLimits, FlagCodedStreamsPointingAnywhere) {
    const DecodedPicture picture = gamekit::sample_picture(16, 8, 4, false);
    const Bytes good = gamekit::encode_flag_coded_picture(picture);
    ASSERT_FALSE(good.empty());
    const std::uint32_t size = static_cast<std::uint32_t>(good.size());
    const std::uint32_t values[] = {0,           1,           3,          size - 25,
                                    size - 24,   size - 1,    size,       0x7FFFFFFFu,
                                    0xFFFFFFE8u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (std::uint32_t flag_b : values) {
        for (std::uint32_t index : values) {
            for (std::uint32_t length : values) {
                Bytes file = good;
                write_le32(&file[8], flag_b);
                write_le32(&file[12], index);
                write_le32(&file[16], length);
                DecodedPicture decoded;
                ASSERT_EQ(decode_picture(file, decoded), DecodeStatus::ok);
                ASSERT_EQ(decoded.pixels.size(), 16u * 8u * 3u);
            }
        }
    }
}

// A mask file smaller than its sprite: the sprite's pixels past the mask's
// own values are transparent; the mask is never read past its end.
TEST(PictureLimits, MaskSmallerThanItsSprite) {
    const DecodedPicture sprite = gamekit::make_picture(16, 16, gamekit::kWhite);
    const ShadowMask mask = gamekit::make_mask(4, 4, 15);
    Pdt10Block block;
    ASSERT_TRUE(convert_sprite_to_pdt10(sprite, mask, block));
    // The 16 mask values cover the sprite's first row: the first output row
    // is half opaque, the rest transparent.
    Bytes alpha(8 * 8, 0);
    std::fill_n(alpha.begin(), 8, 127);
    EXPECT_EQ(image_test::read_back(block).alpha, alpha);
    // No mask at all: all transparent.
    ShadowMask none;
    ASSERT_TRUE(convert_sprite_to_pdt10(sprite, none, block));
    EXPECT_EQ(Bytes(block.bytes.begin() + kPdt10HeaderSize, block.bytes.end()),
              Bytes(3 * 8 * 8, 0));
}

}  // namespace
