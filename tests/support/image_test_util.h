// SPDX-License-Identifier: GPL-2.0-or-later
// Helpers of the image tests: pixel comparisons that name the first
// differing pixel, conversions and PDT10 entries read back, and a package run in
// a temporary folder whose entries are read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "image/convert.h"
#include "image/pdt10.h"
#include "image/picture_decode.h"
#include "package/package.h"
#include "package/package_reader.h"
#include "support/package_read_back.h"
#include "support/temp_folder.h"

namespace image_test {

using gamekit::Bgr;
using gamekit::Bytes;

inline std::string describe(Bgr c) {
    char text[40];
    std::snprintf(text, sizeof text, "(b %u, g %u, r %u)", c.blue, c.green, c.red);
    return text;
}

// Compares the first `count` pixels of a decoded picture with `expected`
// (all of them when count is 0), naming the first difference.
inline ::testing::AssertionResult same_pixels(const DecodedPicture& decoded,
                                              const DecodedPicture& expected,
                                              std::size_t count = 0) {
    if (decoded.width != expected.width || decoded.height != expected.height) {
        return ::testing::AssertionFailure()
               << "size " << decoded.width << " x " << decoded.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    if (decoded.pixels.size() != expected.pixels.size()) {
        return ::testing::AssertionFailure() << "pixel buffer of " << decoded.pixels.size()
                                             << " bytes, expected " << expected.pixels.size();
    }
    if (count == 0) count = expected.pixels.size() / 3;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = &decoded.pixels[3 * i];
        const std::uint8_t* e = &expected.pixels[3 * i];
        if (d[0] != e[0] || d[1] != e[1] || d[2] != e[2]) {
            const std::size_t w = expected.width ? expected.width : 1;
            return ::testing::AssertionFailure()
                   << "first differing pixel at (" << i % w << ", " << i / w << "): decoded "
                   << describe(Bgr{d[0], d[1], d[2]}) << ", expected "
                   << describe(Bgr{e[0], e[1], e[2]});
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult same_mask(const ShadowMask& decoded, const ShadowMask& expected) {
    if (decoded.width != expected.width || decoded.height != expected.height ||
        decoded.values.size() != expected.values.size()) {
        return ::testing::AssertionFailure()
               << "size " << decoded.width << " x " << decoded.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    for (std::size_t i = 0; i < expected.values.size(); ++i) {
        if (decoded.values[i] != expected.values[i]) {
            const std::size_t w = expected.width ? expected.width : 1;
            return ::testing::AssertionFailure()
                   << "first differing value at (" << i % w << ", " << i / w << "): decoded "
                   << int{decoded.values[i]} << ", expected " << int{expected.values[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

inline DecodedPicture decoded(const Bytes& file) {
    DecodedPicture picture;
    EXPECT_EQ(decode_picture(file, picture), DecodeStatus::ok);
    return picture;
}

// A 2 x 2 picture from four pixels in the order (0,0), (1,0), (0,1), (1,1).
inline DecodedPicture block_of(Bgr a, Bgr b, Bgr c, Bgr d) {
    DecodedPicture picture = gamekit::make_picture(2, 2);
    gamekit::set_pixel(picture, 0, 0, a);
    gamekit::set_pixel(picture, 1, 0, b);
    gamekit::set_pixel(picture, 0, 1, c);
    gamekit::set_pixel(picture, 1, 1, d);
    return picture;
}

inline Pdt10Block picture_block(const DecodedPicture& picture) {
    Pdt10Block block;
    EXPECT_TRUE(convert_picture_to_pdt10(picture, block));
    return block;
}

inline Pdt10Block sprite_block(const DecodedPicture& sprite, const ShadowMask& mask) {
    Pdt10Block block;
    EXPECT_TRUE(convert_sprite_to_pdt10(sprite, mask, block));
    return block;
}

// A source of 24 x 132 pixels (planes of 12 x 66). In the cell rows 42 to 53
// of the planes, half-size pixel (x, r) has x % 5 key pixels in its block;
// everything else is white.
inline DecodedPicture map_source(std::uint32_t width = 24, std::uint32_t height = 132) {
    DecodedPicture picture = gamekit::make_picture(width, height, gamekit::kWhite);
    for (std::uint32_t r = 42; r < 54 && 2 * r + 1 < height; ++r) {
        for (std::uint32_t x = 0; 2 * x + 1 < width && x < 12; ++x) {
            const std::uint32_t corners[4][2] = {
                {2 * x, 2 * r}, {2 * x + 1, 2 * r}, {2 * x, 2 * r + 1}, {2 * x + 1, 2 * r + 1}};
            for (std::uint32_t i = 0; i < x % 5; ++i) {
                gamekit::set_pixel(picture, corners[i][0], corners[i][1], gamekit::kKeyGreen);
            }
        }
    }
    return picture;
}

// The bytes of a block that go into its package entry.
inline Bytes entry_of(const Pdt10Block& block) {
    return Bytes(block.bytes.begin(), block.bytes.begin() + block.entry_size);
}

// The entry of a block read back by the product's reader.
inline Pdt10Picture read_back(const Bytes& entry) {
    Pdt10Picture picture;
    std::string error;
    EXPECT_TRUE(read_pdt10(entry, picture, error)) << error;
    return picture;
}
inline Pdt10Picture read_back(const Pdt10Block& block) {
    return read_back(entry_of(block));
}

// Compares a PDT10 entry with the expected one byte for byte, naming the
// first difference: the size, a header byte, or the first differing pixel
// (x, y) with both colour or both alpha values.
inline ::testing::AssertionResult same_entry(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "entry of " << actual.size() << " bytes, expected " << expected.size();
    }
    std::size_t at = 0;
    while (actual[at] == expected[at])
        ++at;
    if (at < kPdt10HeaderSize) {
        return ::testing::AssertionFailure() << "header byte " << at << ": " << int{actual[at]}
                                             << ", expected " << int{expected[at]};
    }
    // The headers are equal, so both planes have the expected's size.
    const Pdt10Picture got = read_back(actual), want = read_back(expected);
    for (std::size_t i = 0; i < want.colour.size(); ++i) {
        if (got.colour[i] == want.colour[i] && got.alpha[i] == want.alpha[i]) continue;
        char text[80];
        if (got.colour[i] != want.colour[i]) {
            std::snprintf(text, sizeof text, "colour 0x%04X, expected 0x%04X",
                          unsigned{got.colour[i]}, unsigned{want.colour[i]});
        } else {
            std::snprintf(text, sizeof text, "alpha %d, expected %d", got.alpha[i], want.alpha[i]);
        }
        return ::testing::AssertionFailure() << "first differing pixel at (" << i % want.width
                                             << ", " << i / want.width << "): " << text;
    }
    return ::testing::AssertionFailure() << "byte " << at << " past the planes: " << int{actual[at]}
                                         << ", expected " << int{expected[at]};
}

// Names of the entries, in directory order.
inline std::vector<std::string> names_of(const std::vector<StoredEntry>& entries) {
    std::vector<std::string> names;
    for (const StoredEntry& e : entries)
        names.push_back(e.name);
    return names;
}

}  // namespace image_test
