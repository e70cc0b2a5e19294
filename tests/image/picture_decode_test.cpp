// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include "gamekit/gamekit.h"
#include "image/picture_decode.h"
#include "support/image_test_util.h"

namespace {

using namespace gamekit;
using namespace image_test;

constexpr Bgr kRed{0, 0, 255};
constexpr Bgr kBlue{255, 0, 0};
constexpr Bgr kGrey{80, 90, 100};

// A colour per literal index, all different.
Bgr indexed(unsigned i) {
    return Bgr{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
               static_cast<std::uint8_t>(i * 7)};
}

// A picture whose first pixels, row by row, have the colours indexed(order[i]);
// the rest stay black.
DecodedPicture of_indexes(std::uint32_t width, std::uint32_t height, std::vector<unsigned> order) {
    DecodedPicture picture = make_picture(width, height);
    for (std::uint32_t i = 0; i < order.size(); ++i)
        set_pixel(picture, i % width, i / width, indexed(order[i]));
    return picture;
}

// A table of `count` colours indexed(0) ... indexed(count - 1).
Bytes table_of(unsigned count) {
    Bytes table;
    for (unsigned i = 0; i < count; ++i) {
        const Bgr c = indexed(i);
        table.insert(table.end(), {c.blue, c.green, c.red});
    }
    return table;
}

// ---- Format choice -------------------------------------------------------------

TEST(PictureDecode, MagicSelectsTheFormat) {
    struct Case {
        Bytes start;
        bool flag_coded;
    };
    const Case cases[] = {
        {{0x4D, 0x4D, 0x44, 0x1A}, true},  {{0x4D, 0x4D, 0x44, 0x1B}, false},
        {{0x4D, 0x4D, 0x1A, 0x44}, false}, {{0x4D, 0x4D, 0x00, 0x00}, false},
        {{0x4D, 0x4C, 0x44, 0x1A}, false}, {{0x4D, 0x4D, 0x44}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_flag_coded_picture(c.start), c.flag_coded)
            << ::testing::PrintToString(c.start);
    }
}

TEST(PictureDecode, MmWithOtherBytesIsARunLengthPictureOfWidth19789) {
    for (std::uint8_t b2 : {0x00, 0x01, 0x44, 0xFF}) {
        const Bytes file = {0x4D, 0x4D, b2, 0x00, 0x00};
        const DecodedPicture picture = decoded(file);
        EXPECT_EQ(picture.width, 19789u);
        EXPECT_EQ(picture.height, b2);
        EXPECT_EQ(picture.pixels.size(), 19789u * b2 * 3);
    }
}

// ---- Run-length pictures ---------------------------------------------------------

TEST(PictureDecode, RunAndLiteralPackets) {
    Bytes file = run_length_header(4, 2);
    append_run(file, 3, kRed);
    append_literal(file, {kBlue, kGrey, kRed});
    append_run(file, 2, kGrey);
    file.push_back(0x00);
    DecodedPicture expected = make_picture(4, 2);
    const Bgr order[] = {kRed, kRed, kRed, kBlue, kGrey, kRed, kGrey, kGrey};
    for (unsigned i = 0; i < 8; ++i)
        set_pixel(expected, i % 4, i / 4, order[i]);
    EXPECT_TRUE(same_pixels(decoded(file), expected));
}

// Files as bytes: width and height (16 bits each), then packets; what lies
// past the data stays black.
TEST(PictureDecode, RunLengthFilesAsBytes) {
    const struct {
        Bytes file;
        std::uint32_t width, height;
        Bytes pixels;
    } cases[] = {
        // 02 = run of two, 81 = literal of one.
        {{3, 0, 1, 0, 0x02, 1, 2, 3, 0x81, 4, 5, 6, 0x00}, 3, 1, {1, 2, 3, 1, 2, 3, 4, 5, 6}},
        {{3, 0, 5, 0}, 3, 5, Bytes(3 * 5 * 3, 0)},      // the header alone
        {{2, 0, 1, 0, 0x02, 9, 9}, 2, 1, Bytes(6, 0)},  // a run whose pixel is cut off
        // A cut literal keeps its whole pixels.
        {{3, 0, 1, 0, 0x83, 1, 2, 3, 4, 5, 6, 7}, 3, 1, {1, 2, 3, 4, 5, 6, 0, 0, 0}},
        // End bytes 00 and 80 end the pixel data.
        {{2, 0, 1, 0, 0x01, 1, 2, 3, 0x00, 0x03, 4, 5, 6}, 2, 1, {1, 2, 3, 0, 0, 0}},
        {{2, 0, 1, 0, 0x01, 1, 2, 3, 0x80, 0x03, 4, 5, 6}, 2, 1, {1, 2, 3, 0, 0, 0}},
        // Packets longer than the room left fill the buffer and stop.
        {{3, 0, 1, 0, 0x02, 1, 2, 3, 100, 4, 5, 6, 1, 7, 8, 9}, 3, 1, {1, 2, 3, 1, 2, 3, 4, 5, 6}},
        {{2, 0, 1, 0, 0x84, 1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9}, 2, 1, {1, 2, 3, 4, 5, 6}},
        {{5}, 5, 0, {}},  // shorter than the header
        {{2, 0, 1}, 2, 1, Bytes(6, 0)},
        {{0x4D, 0x4D, 0x44, 0x1A, 8}, 8, 0, {}},  // the flag-coded magic alone: no stream
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.file));
        const DecodedPicture picture = decoded(c.file);
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        EXPECT_EQ(picture.pixels, c.pixels);
    }
    DecodedPicture none;
    EXPECT_EQ(decode_picture(Bytes{}, none), DecodeStatus::empty);
}

TEST(PictureDecode, RunLengthRoundTrip) {
    for (auto [w, h] : {std::pair{1u, 1u}, {7u, 3u}, {64u, 48u}, {321u, 5u}, {300u, 2u}}) {
        const DecodedPicture picture = gamekit::sample_picture(w, h, w + h, true);
        for (std::uint8_t end : {0x00, 0x80}) {
            EXPECT_TRUE(
                same_pixels(decoded(gamekit::encode_run_length_picture(picture, end)), picture))
                << w << " x " << h;
        }
        EXPECT_TRUE(same_pixels(
            decoded(gamekit::encode_run_length_picture(picture, 0, /*with_end=*/false)), picture));
    }
}

// ---- Flag-coded pictures ---------------------------------------------------------

// Parts of a flag-coded picture with a table of 256 colours.
FlagCodedParts parts_of(std::uint32_t w, std::uint32_t h) {
    FlagCodedParts parts;
    parts.width = w;
    parts.height = h;
    parts.table = table_of(256);
    return parts;
}

// One unit: flag-A bit, and the flag-B byte when the bit is 1.
void unit(FlagCodedParts& parts, bool changed, std::uint8_t flag_b = 0) {
    parts.flag_a.push_back(changed);
    if (changed) parts.flag_b.push_back(flag_b);
}

// A unit of four literal pixels with the indexes first .. first + 3.
void literal_unit(FlagCodedParts& parts, unsigned first) {
    unit(parts, false);
    for (unsigned i = 0; i < 4; ++i)
        parts.indexes.push_back(static_cast<std::uint8_t>(first + i));
}

TEST(PictureDecode, FirstRowWithoutFlagBitsIsDecodedFromColourIndexes) {
    FlagCodedParts parts = parts_of(8, 1);
    literal_unit(parts, 10);
    literal_unit(parts, 20);
    const DecodedPicture expected = of_indexes(8, 1, {10, 11, 12, 13, 20, 21, 22, 23});
    EXPECT_TRUE(same_pixels(decoded(assemble_flag_coded_picture(parts)), expected));
}

// Flag 0x10: a copy from 2 pixels left, then two literals; flag 0x01: two
// literals, then a copy of the two pixels just written.
TEST(PictureDecode, HighNibbleGivesTheFirstTwoPixelsOfAUnit) {
    const std::pair<std::uint8_t, std::vector<unsigned>> cases[] = {
        {0x10, {0, 1, 2, 3, 2, 3, 50, 51}},
        {0x01, {0, 1, 2, 3, 50, 51, 50, 51}},
    };
    for (const auto& [flag, order] : cases) {
        FlagCodedParts parts = parts_of(8, 1);
        literal_unit(parts, 0);
        unit(parts, true, flag);
        parts.indexes.insert(parts.indexes.end(), {50, 51});
        EXPECT_TRUE(
            same_pixels(decoded(assemble_flag_coded_picture(parts)), of_indexes(8, 1, order)))
            << int{flag};
    }
}

TEST(PictureDecode, FlagLinesAreCarriedBetweenRows) {
    // Two units per row. Row 0 sets unit 1 to 0x11 (two pixels left for both
    // pairs); row 1 has no flag-A bit set and keeps 0x00 and 0x11; row 2
    // changes unit 1 by XOR 0x55 to 0x44 (one row up for both pairs).
    FlagCodedParts parts = parts_of(8, 3);
    literal_unit(parts, 0);
    unit(parts, true, 0x11);
    literal_unit(parts, 4);
    unit(parts, false);
    literal_unit(parts, 8);
    unit(parts, true, 0x55);
    const DecodedPicture expected = of_indexes(
        8, 3, {0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 6, 7, 6, 7, 6, 7, 8, 9, 10, 11, 6, 7, 6, 7});
    EXPECT_TRUE(same_pixels(decoded(assemble_flag_coded_picture(parts)), expected));
}

TEST(PictureDecode, FirstRowCopiesBeforeThePictureEndDecoding) {
    struct Case {
        const char* what;
        std::uint8_t first_unit_flag;
        std::size_t written;  // pixels decoded before the stop
    };
    const Case cases[] = {
        {"one row up in the first row", 0x40, 0},
        {"two pixels left at the first pixel", 0x10, 0},
        {"one row up for the second pair", 0x04, 2},
        {"sixteen rows up", 0xF0, 0},
    };
    for (const Case& c : cases) {
        FlagCodedParts parts = parts_of(8, 2);
        unit(parts, true, c.first_unit_flag);
        for (unsigned i = 0; i < 20; ++i)
            parts.indexes.push_back(static_cast<std::uint8_t>(i));
        for (int u = 0; u < 3; ++u)
            unit(parts, false);
        DecodedPicture expected = make_picture(8, 2);
        for (unsigned i = 0; i < c.written; ++i)
            set_pixel(expected, i, 0, indexed(i));
        EXPECT_TRUE(same_pixels(decoded(assemble_flag_coded_picture(parts)), expected)) << c.what;
    }
}

TEST(PictureDecode, OddWidthCopyDistancesAreRoundedDownToEven) {
    // W = 321: 80 units per row, written one after another, so pixel 320 of
    // the buffer is the last of the first row. Pixel i of the first 320 takes
    // colour index i % 256. Unit 80 has flag 0x45: flag 4 copies from 320
    // pixels back (not 321), flag 5 from 322 (not 323). The next unit needs
    // colour indexes, which are used up, and ends decoding.
    FlagCodedParts parts = parts_of(321, 3);
    for (unsigned u = 0; u < 80; ++u)
        literal_unit(parts, (4 * u) % 256);
    unit(parts, true, 0x45);
    DecodedPicture expected = make_picture(321, 3);
    for (unsigned i = 0; i < 320; ++i)
        set_pixel(expected, i, 0, indexed(i % 256));
    set_pixel(expected, 320, 0, indexed(0));  // pixel 320 from pixel 0
    set_pixel(expected, 0, 1, indexed(1));    // pixel 321 from pixel 1
    set_pixel(expected, 1, 1, indexed(0));    // pixel 322 from pixel 0
    set_pixel(expected, 2, 1, indexed(1));    // pixel 323 from pixel 1
    const DecodedPicture picture = decoded(assemble_flag_coded_picture(parts));
    EXPECT_TRUE(same_pixels(picture, expected, 324));
    EXPECT_EQ(Bytes(picture.pixels.begin() + 324 * 3, picture.pixels.end()),
              Bytes((963 - 324) * 3, 0));
}

TEST(PictureDecode, CopyPositionsOfEveryFlagValue) {
    // One picture per flag value: rows of literal colours, then one unit that
    // copies with that value; the copied pixels must match the positions.
    const unsigned rows_up[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
    const unsigned left[16] = {0, 2, 4, 8, 0, 2, 0, 2, 4, 0, 2, 4, 0, 2, 4, 0};
    constexpr std::uint32_t kW = 16;
    for (unsigned k = 1; k < 16; ++k) {
        FlagCodedParts parts = parts_of(kW, 18);
        // 17 rows of literals (pixel i takes index i % 256), then unit 2 of
        // row 17 copies.
        const unsigned literal_units = 17 * (kW / 4) + 2;
        for (unsigned u = 0; u < literal_units; ++u)
            literal_unit(parts, (4 * u) % 256);
        unit(parts, true, static_cast<std::uint8_t>(k << 4 | k));
        const DecodedPicture picture = decoded(assemble_flag_coded_picture(parts));
        const std::size_t p = 4 * literal_units;
        const std::size_t d = rows_up[k] * kW + left[k];
        std::vector<Bgr> want(p + 4);
        for (std::size_t i = 0; i < p; ++i)
            want[i] = indexed(static_cast<unsigned>(i % 256));
        for (std::size_t i = p; i < p + 4; ++i)
            want[i] = want[i - d];
        for (std::size_t i = p; i < p + 4; ++i) {
            const std::uint8_t* got = &picture.pixels[3 * i];
            EXPECT_EQ((Bgr{got[0], got[1], got[2]}), want[i]) << "flag " << k << " pixel " << i;
        }
    }
}

TEST(PictureDecode, ColourIndexStreamAndTableBounds) {
    // The index stream is used up after two pixels.
    FlagCodedParts short_stream = parts_of(4, 1);
    unit(short_stream, false);
    short_stream.indexes = {7, 8};
    EXPECT_TRUE(
        same_pixels(decoded(assemble_flag_coded_picture(short_stream)), of_indexes(4, 1, {7, 8})));

    // Index 3 of a table of three entries lies outside the file.
    FlagCodedParts small_table = parts_of(4, 1);
    small_table.table = table_of(3);
    literal_unit(small_table, 1);  // indexes 1, 2, 3, 4
    EXPECT_TRUE(
        same_pixels(decoded(assemble_flag_coded_picture(small_table)), of_indexes(4, 1, {1, 2})));
}

TEST(PictureDecode, StreamOffsetsOutsideTheFileEndDecoding) {
    // A flag-B offset far away: the unit that needs it ends decoding.
    FlagCodedParts changed = parts_of(8, 1);
    literal_unit(changed, 0);
    unit(changed, true, 0x11);
    Bytes file = assemble_flag_coded_picture(changed);
    write_le32(&file[8], 0xFFFFFFFFu);
    EXPECT_TRUE(same_pixels(decoded(file), of_indexes(8, 1, {0, 1, 2, 3})));
}

TEST(PictureDecode, FlagCodedRoundTrip) {
    for (auto [w, h] : {std::pair{4u, 1u}, {8u, 8u}, {64u, 40u}, {640u, 20u}, {648u, 18u}}) {
        const DecodedPicture picture = gamekit::sample_picture(w, h, w * h, w % 8 == 0);
        gamekit::FlagCodedParts parts;
        ASSERT_TRUE(gamekit::encode_flag_coded_parts(picture, parts));
        EXPECT_TRUE(same_pixels(decoded(assemble_flag_coded_picture(parts)), picture))
            << w << " x " << h;
    }
}

TEST(PictureDecode, FlagCodedEncoderUsesCopiesAndCarriedFlags) {
    const DecodedPicture picture = gamekit::sample_picture(320, 96, 11, true);
    gamekit::FlagCodedParts parts;
    ASSERT_TRUE(gamekit::encode_flag_coded_parts(picture, parts));
    unsigned copy_values = 0;
    for (unsigned k = 1; k < 16; ++k)
        copy_values += parts.nibble_use[k] > 0;
    EXPECT_GE(copy_values, 4u);
    EXPECT_GT(parts.nibble_use[0], 0u);
    EXPECT_LT(parts.flag_b.size(), parts.flag_a.size());  // most units keep their flag
    EXPECT_TRUE(same_pixels(decoded(assemble_flag_coded_picture(parts)), picture));
}

TEST(PictureDecode, FlagCodedWidthNotAMultipleOfFourDecodesItsUnitsInBufferOrder) {
    // Rows of W = 10 hold two units: the decoder writes 8 pixels per row one
    // after another, so only the first 8 x H pixels of the buffer are written.
    const DecodedPicture picture = gamekit::sample_picture(10, 6, 5, false);
    const DecodedPicture out = decoded(gamekit::encode_flag_coded_picture(picture));
    EXPECT_TRUE(same_pixels(out, picture, 8 * 6));
    EXPECT_EQ(Bytes(out.pixels.begin() + 8 * 6 * 3, out.pixels.end()), Bytes((60 - 48) * 3, 0));
}

TEST(PictureDecode, EncoderRejectsMoreThan256LiteralColours) {
    DecodedPicture picture = make_picture(260, 1);
    for (unsigned x = 0; x < 260; ++x) {
        set_pixel(picture, x, 0,
                  Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x / 256), 9});
    }
    EXPECT_TRUE(gamekit::encode_flag_coded_picture(picture).empty());
}

// ---- Size limit ------------------------------------------------------------------

TEST(PictureDecode, MoreThan4096By4096PixelsIsNotLoadable) {
    DecodedPicture picture;
    EXPECT_EQ(decode_picture(run_length_header(4097, 4096), picture), DecodeStatus::too_large);
    EXPECT_EQ(decode_picture(run_length_header(65535, 257), picture), DecodeStatus::too_large);
    Bytes flag_coded = gamekit::assemble_flag_coded_picture(parts_of(4096, 4097));
    EXPECT_EQ(decode_picture(flag_coded, picture), DecodeStatus::too_large);
    EXPECT_TRUE(picture.pixels.empty());
    ShadowMask mask;
    EXPECT_EQ(decode_shadow_mask(run_length_header(4097, 4096), mask), DecodeStatus::too_large);
    // The limit itself is loadable.
    EXPECT_EQ(decode_shadow_mask(run_length_header(4096, 4096), mask), DecodeStatus::ok);
    EXPECT_EQ(mask.values.size(), 4096u * 4096u);
    EXPECT_EQ(decode_picture(run_length_header(65535, 256), picture), DecodeStatus::ok);
}

// ---- Shadow masks ----------------------------------------------------------------

TEST(ShadowMaskDecode, RunAndLiteralPackets) {
    Bytes file = run_length_header(3, 2);
    append_mask_run(file, 2, 15);
    append_mask_literal(file, {0, 8, 3});
    append_mask_run(file, 1, 1);
    file.push_back(0x80);
    append_mask_run(file, 5, 9);  // after the end byte
    ShadowMask mask;
    ASSERT_EQ(decode_shadow_mask(file, mask), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(mask, {3, 2, {15, 15, 0, 8, 3, 1}}));
}

TEST(ShadowMaskDecode, BoundsAndTruncation) {
    ShadowMask mask;
    ASSERT_EQ(decode_shadow_mask(run_length_header(2, 2), mask), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(mask, {2, 2, {0, 0, 0, 0}}));
    Bytes over = run_length_header(2, 1);
    append_mask_run(over, 9, 4);
    ASSERT_EQ(decode_shadow_mask(over, mask), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(mask, {2, 1, {4, 4}}));
    Bytes cut = run_length_header(3, 1);
    cut.insert(cut.end(), {0x85, 1, 2});
    ASSERT_EQ(decode_shadow_mask(cut, mask), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(mask, {3, 1, {1, 2, 0}}));
    Bytes run_cut = run_length_header(3, 1);
    run_cut.push_back(0x03);
    ASSERT_EQ(decode_shadow_mask(run_cut, mask), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(mask, {3, 1, {0, 0, 0}}));
    EXPECT_EQ(decode_shadow_mask(Bytes{}, mask), DecodeStatus::empty);
}

TEST(ShadowMaskDecode, RoundTrip) {
    ShadowMask mask = gamekit::make_mask(37, 11, 15);
    for (std::size_t i = 0; i < mask.values.size(); ++i) {
        mask.values[i] = static_cast<std::uint8_t>((i / 3) % 5 == 0 ? i % 16 : 15);
    }
    ShadowMask out;
    ASSERT_EQ(decode_shadow_mask(gamekit::encode_shadow_mask(mask), out), DecodeStatus::ok);
    EXPECT_TRUE(same_mask(out, mask));
}

// Decoding changed copies of valid files (bytes overwritten, files cut) must
// stay inside the bytes; the sanitizer build checks every access.
TEST(PictureDecode, DamagedFilesAreDecodedWithinTheirBytes) {
    const DecodedPicture picture = gamekit::sample_picture(24, 12, 8, true);
    const Bytes originals[] = {
        gamekit::encode_flag_coded_picture(picture),
        gamekit::encode_run_length_picture(picture),
        gamekit::encode_shadow_mask(gamekit::make_mask(24, 12, 9)),
    };
    Random next(12345);
    for (const Bytes& original : originals) {
        for (int round = 0; round < 500; ++round) {
            Bytes file = original;
            const int changes = 1 + static_cast<int>(next() % 6);
            for (int c = 0; c < changes; ++c) {
                file[next() % file.size()] = static_cast<std::uint8_t>(next());
            }
            // Keep the header small enough to decode quickly.
            const std::size_t w_at = is_flag_coded_picture(file) ? 4 : 0;
            if (file.size() > w_at + 3) {
                file[w_at + 1] &= 0x01;
                file[w_at + 3] &= 0x01;
            }
            file.resize(file.size() - next() % (file.size() / 4 + 1));
            DecodedPicture out;
            ShadowMask mask;
            decode_picture(file, out);
            decode_shadow_mask(file, mask);
            EXPECT_EQ(out.pixels.size(), std::size_t{out.width} * out.height * 3);
            EXPECT_EQ(mask.values.size(), std::size_t{mask.width} * mask.height);
        }
    }
}

}  // namespace
