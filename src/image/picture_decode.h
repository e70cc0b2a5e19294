// SPDX-License-Identifier: GPL-2.0-or-later
// Decoders of the game's source pictures: the flag-coded and the run-length
// .MOE picture and the .SHW shadow mask. Each decodes from bytes in memory
// through a bounded reader, so no offset or count in a file can make it read
// outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Pictures and masks whose header gives more pixels than this are not loaded,
// so that a few header bytes cannot ask for gigabytes.
inline constexpr std::uint64_t kMaxPicturePixels = 4096ull * 4096ull;
// No valid picture file of the largest allowed size comes near this.
inline constexpr std::uint64_t kMaxPictureFileSize = 256ull << 20;

// A decoded picture: width x height pixels of three bytes (blue, green, red),
// rows in file order without gaps. Pixels that decoding did not reach are 0.
struct DecodedPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

// A decoded shadow mask: one opacity value per pixel, width x height bytes
// in file order. Values that decoding did not reach are 0.
struct ShadowMask {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> values;  // width * height bytes
};

// How decoding a picture or mask ended.
enum class DecodeStatus {
    ok,         // decoded, possibly only in part
    empty,      // no bytes
    too_large,  // the header gives more than kMaxPicturePixels pixels
    no_memory,  // the pixel buffer cannot be allocated
};

// True when the data begin with the flag-coded magic 4D 4D 44 1A.
bool is_flag_coded_picture(std::span<const std::uint8_t> file);

// Decodes a .MOE file held in memory, choosing the format by its magic.
DecodeStatus decode_picture(std::span<const std::uint8_t> file, DecodedPicture& picture);

// Decodes a .SHW file held in memory; results as decode_picture.
DecodeStatus decode_shadow_mask(std::span<const std::uint8_t> file, ShadowMask& mask);
