// SPDX-License-Identifier: GPL-2.0-or-later
// Encoders of the game's pictures: the run-length and the flag-coded .MOE
// picture and the .SHW shadow mask, plus packet builders for hand-made
// streams (odd end bytes, truncated or overlong packets).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gamekit/gamekit.h"
#include "image/picture_decode.h"

namespace gamekit {

// One pixel in the files' byte order.
struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    bool operator==(const Bgr&) const = default;
};

inline constexpr Bgr kKeyGreen{0, 255, 0};
inline constexpr Bgr kWhite{255, 255, 255};
inline constexpr Bgr kBlack{0, 0, 0};

// The encoders take the pictures and masks the decoders give. Width and
// height must fit the files' 16-bit fields.
DecodedPicture make_picture(std::uint32_t width, std::uint32_t height, Bgr fill = kBlack);
void set_pixel(DecodedPicture& picture, std::uint32_t x, std::uint32_t y, Bgr colour);

// A deterministic picture with flat areas, stripes and gradients in at most
// 64 colours; with `with_key`, a pure green patch in its lower right part.
DecodedPicture sample_picture(std::uint32_t width, std::uint32_t height, unsigned seed,
                              bool with_key);

// ---- Run-length pictures -----------------------------------------------------

// The 4-byte header: width and height, little-endian.
Bytes run_length_header(std::uint32_t width, std::uint32_t height);
// A run packet: `count` (1 to 127) times `colour`.
void append_run(Bytes& out, std::uint8_t count, Bgr colour);
// A literal packet of 1 to 127 pixels.
void append_literal(Bytes& out, const std::vector<Bgr>& pixels);

// Header and packets (runs for repeated pixels, literals for the rest),
// closed by `end_byte` (0x00 or 0x80) unless `with_end` is false.
Bytes encode_run_length_picture(const DecodedPicture& picture, std::uint8_t end_byte = 0x00,
                                bool with_end = true);

// ---- Flag-coded pictures -----------------------------------------------------

// The streams of a flag-coded file before they are laid out.
struct FlagCodedParts {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<bool> flag_a;  // one bit per unit, first unit first
    Bytes flag_b;              // one XOR byte per flag-A bit that is 1
    Bytes indexes;             // one colour index per literal pixel
    Bytes table;               // colour table, three bytes per entry
    // How often each flag value (nibble) was chosen, for tests and statistics.
    std::array<unsigned, 16> nibble_use{};
};

// Lays the parts out as a file: the 24-byte header ("MM", 0x44 0x1A, width,
// height, flag-B offset, colour-index offset and length, counted from offset
// 24, 4 unused bytes), then flag-A, flag-B, colour indexes and colour table.
Bytes assemble_flag_coded_picture(const FlagCodedParts& parts);

// Codes a picture as the decoder reads it: units of four pixels in the order
// of the pixel buffer, each pair of pixels copied from one of the fifteen
// copy positions where the pixels there match (keeping the unit's previous
// flag where it still fits), otherwise two colour indexes. Flag lines carry
// from row to row, so only changed flags cost a flag-B byte. Only the first
// height x (width / 4) x 4 pixels are coded, as the decoder writes no more.
// False when the literal pixels need more than 256 colours.
bool encode_flag_coded_parts(const DecodedPicture& picture, FlagCodedParts& parts);

// The whole file; empty when the picture needs more than 256 colours.
Bytes encode_flag_coded_picture(const DecodedPicture& picture);

// ---- Shadow masks ------------------------------------------------------------

// Opacity values are 0 to 15 in the game's files.
ShadowMask make_mask(std::uint32_t width, std::uint32_t height, std::uint8_t fill);

void append_mask_run(Bytes& out, std::uint8_t count, std::uint8_t value);
void append_mask_literal(Bytes& out, const Bytes& values);

// Header (width, height) and packets, closed by `end_byte` unless `with_end`
// is false.
Bytes encode_shadow_mask(const ShadowMask& mask, std::uint8_t end_byte = 0x00,
                         bool with_end = true);

}  // namespace gamekit
