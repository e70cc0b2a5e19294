// SPDX-License-Identifier: GPL-2.0-or-later
// The image converter: the bytes of a picture file, or of a character sprite
// and its shadow mask, become the bytes of a PDT10 entry. Pictures of CG,
// ENDING and SYSTEM are halved with pure green as the transparent key (and
// the map cell of "CIP_MAP.PDT" gets a darkened copy); a sprite of CHAR is
// halved with the opacity of its shadow mask from SHADOW, and always keeps
// its alpha plane.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"
#include "image/pdt10.h"
#include "image/picture_decode.h"

// What converting a picture file gives: the entry's block, or why the file
// gives none.
using ConvertedPicture = std::variant<Pdt10Block, InputFailure>;

// Decodes the picture file `file` (freed once decoded) and converts it into
// the block of the entry `entry` (the map cell darkened).
ConvertedPicture convert_picture(std::vector<std::uint8_t>&& file, const std::string& entry);

// Why a sprite gives no entry: its own file, its mask's, or both.
struct SpriteFailures {
    std::optional<InputFailure> sprite;
    std::optional<InputFailure> mask;
};
using ConvertedSprite = std::variant<Pdt10Block, SpriteFailures>;

// Decodes the sprite file `sprite` and its mask file `mask` (each freed once
// decoded, each decoded whatever the other gives) and converts them into
// the entry's block.
ConvertedSprite convert_sprite(std::vector<std::uint8_t>&& sprite,
                               std::vector<std::uint8_t>&& mask);

// The entry name of a picture file's code page 932 name: up to its first
// full stop, with ".PDT" appended. Not upper-cased.
std::string picture_entry_name(const std::string& name);

// The cell of "CIP_MAP.PDT" that gets a darkened copy 12 rows lower.
inline constexpr char kMapPictureName[] = "CIP_MAP.PDT";
inline constexpr std::uint32_t kMapCellTop = 42;
inline constexpr std::uint32_t kMapCellSize = 12;

// Halves `picture` by averaging 2 x 2 blocks, pure green counting as
// transparent black. The entry keeps the alpha plane only when some pixel
// is transparent. False when the block cannot be allocated.
bool convert_picture_to_pdt10(const DecodedPicture& picture, Pdt10Block& block);

// Writes the darkened copy of the map cell (12 x 12 from row 42) into the
// cell 12 rows lower. Does nothing for planes smaller than 12 x 66.
void darken_map_cell(Pdt10Block& block);

// Size of the work copy of a sprite name that the shadow-name rule edits.
inline constexpr std::size_t kShadowNameBufferSize = 260;

// The name of the shadow mask in SHADOW that belongs to a sprite file name
// (as the search returns it, extension included).
std::string shadow_name(const std::string& sprite_name);

// Combines a sprite with its mask at half size. The mask is read with the
// sprite's width as its row length; positions past the mask's own size count
// as 0 and values above 15 as 15. False when the block cannot be allocated.
bool convert_sprite_to_pdt10(const DecodedPicture& sprite, const ShadowMask& mask,
                             Pdt10Block& block);

// ---- The halving ---------------------------------------------------------
// The 2 x 2 halving that turns pictures and sprites into the planes of a
// PDT10 block. Every source pixel counts with an opacity from 0 (not at all,
// as black) to 255 (fully): each of its channels enters the block's sum
// scaled by opacity / 255, truncated, and the block's alpha is the sum of
// its four opacities shifted right by 2. The colours are thus premultiplied
// by their alpha. An odd last source column or row is never used.

inline constexpr std::uint32_t kFullOpacity = 255;

// Pictures: the key colour, pure green (blue 0, green 255, red 0), is
// transparent, every other colour opaque.
struct KeyColourOpacity {
    static constexpr std::uint8_t kBlue = 0, kGreen = 255, kRed = 0;
    std::uint32_t operator()(const std::uint8_t* pixel, std::size_t) const {
        const bool key = pixel[0] == kBlue && pixel[1] == kGreen && pixel[2] == kRed;
        return key ? 0 : kFullOpacity;
    }
};

// Mask values above this count as fully opaque.
inline constexpr std::uint8_t kMaxMaskValue = 15;

// Sprites: 17 x the mask value at the pixel's position, the mask read with
// the sprite's row length. Positions past the mask's own values count as 0.
struct MaskOpacity {
    const ShadowMask& mask;
    std::uint32_t operator()(const std::uint8_t*, std::size_t index) const {
        if (index >= mask.values.size()) return 0;
        return 17u * std::min(mask.values[index], kMaxMaskValue);
    }
};

// Fills the colour and alpha planes of `block`, allocated for the size of
// `source`, with the halved source weighted by `opacity_of`. True when some
// output pixel is less than fully opaque.
template <class Opacity>
bool halve_picture(const DecodedPicture& source, const Opacity& opacity_of, Pdt10Block& block) {
    const std::uint32_t w = block.width;
    const std::uint32_t h = block.height;
    const std::size_t plane = std::size_t{w} * h;
    std::uint8_t* colour = block.bytes.data() + kPdt10HeaderSize;
    std::uint8_t* alpha = colour + 2 * plane;
    const std::uint8_t* pixels = source.pixels.data();
    const std::size_t width = source.width;
    bool translucent = false;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            std::uint32_t sum_blue = 0, sum_green = 0, sum_red = 0, sum_opacity = 0;
            auto add = [&](std::size_t index) {
                const std::uint8_t* px = pixels + 3 * index;
                const std::uint32_t a = opacity_of(px, index);
                sum_opacity += a;
                // Opaque and transparent pixels, the common cases, skip the
                // scaling.
                if (a == kFullOpacity) {
                    sum_blue += px[0];
                    sum_green += px[1];
                    sum_red += px[2];
                } else if (a != 0) {
                    sum_blue += px[0] * a / kFullOpacity;
                    sum_green += px[1] * a / kFullOpacity;
                    sum_red += px[2] * a / kFullOpacity;
                }
            };
            // The four calls are written out: a loop over an array of the
            // positions keeps the array in memory and is markedly slower.
            const std::size_t top = 2 * std::size_t{y} * width + 2 * std::size_t{x};
            add(top);
            add(top + 1);
            add(top + width);
            add(top + width + 1);
            const std::size_t i = std::size_t{y} * w + x;
            write_le16(colour + 2 * i, pack_block_colour(sum_red, sum_green, sum_blue));
            alpha[i] = static_cast<std::uint8_t>(sum_opacity >> 2);
            translucent |= sum_opacity != 4 * kFullOpacity;
        }
    }
    return translucent;
}
