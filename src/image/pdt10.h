// SPDX-License-Identifier: GPL-2.0-or-later
// The PDT10 picture as the player reads it: writing its header and planes,
// and reading an entry back for the tools and tests.
//
// Layout (little-endian): "PDT10" and three zero bytes, 0, source width W at
// 12, source height H at 16, 0 (8 bytes), alpha field at 28; then a colour
// plane of w x h 5-6-5 pixels (w = W / 2, h = H / 2) and, when the alpha
// field (the colour plane's size) is not 0, an alpha plane of w x h bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t kPdt10HeaderSize = 32;
inline constexpr char kPdt10Magic[] = "PDT10";
inline constexpr std::size_t kPdt10WidthOffset = 12;
inline constexpr std::size_t kPdt10HeightOffset = 16;
inline constexpr std::size_t kPdt10AlphaFieldOffset = 28;

// A converted picture: the whole working block (header, colour plane and
// alpha plane always present) and the size of the entry stored from it.
struct Pdt10Block {
    std::uint32_t width = 0;          // half-size plane width w
    std::uint32_t height = 0;         // half-size plane height h
    std::vector<std::uint8_t> bytes;  // 32 + 3 x w x h bytes
    std::size_t entry_size = 0;       // 32 + 2 x w x h, or the whole block with alpha
};

// Sizes `block` for a source of W x H pixels: the half-size planes, the
// zero-filled working block. False when it cannot be allocated.
bool allocate_pdt10_block(std::uint32_t source_width, std::uint32_t source_height,
                          Pdt10Block& block);

// Writes the PDT10 header for a source of W x H pixels; `alpha_field` is 0
// or the colour plane's size.
void write_pdt10_header(std::uint8_t* block, std::uint32_t source_width,
                        std::uint32_t source_height, std::uint32_t alpha_field);

// Packs channel sums of a 2 x 2 block (each at most 1020) into a 5-6-5 pixel:
// the top 5, 6 and 5 bits of the truncated averages.
inline std::uint16_t pack_block_colour(std::uint32_t sum_red, std::uint32_t sum_green,
                                       std::uint32_t sum_blue) {
    return static_cast<std::uint16_t>((sum_red >> 5) << 11 | (sum_green >> 4) << 5 |
                                      (sum_blue >> 5));
}

// A PDT10 entry read back. Every read is checked against the entry's size.
struct Pdt10Picture {
    std::uint32_t source_width = 0;   // W from the header
    std::uint32_t source_height = 0;  // H from the header
    std::uint32_t width = 0;          // w = W / 2
    std::uint32_t height = 0;         // h = H / 2
    bool has_alpha = false;
    std::vector<std::uint16_t> colour;  // w x h 5-6-5 pixels
    std::vector<std::uint8_t> alpha;    // w x h bytes, all 255 without an alpha plane
};

// Parses a PDT10 entry. False, with a reason in `error`, when the magic is
// wrong, the alpha field is neither 0 nor the colour plane's size, or the
// entry is shorter than its planes.
bool read_pdt10(std::span<const std::uint8_t> entry, Pdt10Picture& picture, std::string& error);

// The picture as w x h RGBA pixels, 8 bits per channel, with straight
// (not premultiplied) colours.
std::vector<std::uint8_t> pdt10_to_rgba(const Pdt10Picture& picture);
