// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/picture.h"

#include "base/bytes.h"
#include "image/halving.h"

bool convert_picture_to_pdt10(const DecodedPicture& picture, Pdt10Block& block) {
    if (!allocate_pdt10_block(picture.width, picture.height, block)) return false;
    const bool transparent = halve_picture(picture, KeyColourOpacity{}, block);
    const std::size_t plane = std::size_t{block.width} * block.height;
    const std::uint32_t alpha_field = transparent ? static_cast<std::uint32_t>(2 * plane) : 0;
    write_pdt10_header(block.bytes.data(), picture.width, picture.height, alpha_field);
    block.entry_size = kPdt10HeaderSize + (transparent ? 3 : 2) * plane;
    return true;
}

void darken_map_cell(Pdt10Block& block) {
    const std::uint32_t w = block.width;
    const std::uint32_t h = block.height;
    if (w < kMapCellSize || h < kMapCellTop + 2 * kMapCellSize) return;
    std::uint8_t* colour = block.bytes.data() + kPdt10HeaderSize;
    std::uint8_t* alpha = colour + 2 * std::size_t{w} * h;
    for (std::uint32_t r = kMapCellTop; r < kMapCellTop + kMapCellSize; ++r) {
        for (std::uint32_t x = 0; x < kMapCellSize; ++x) {
            const std::size_t from = std::size_t{r} * w + x;
            const std::size_t to = from + std::size_t{kMapCellSize} * w;
            const std::uint32_t v = ByteReader{block.bytes, kPdt10HeaderSize + 2 * from}.le16();
            const std::uint32_t red = (v >> 11) * 192 / 255;
            const std::uint32_t green = ((v >> 5) & 0x3F) * 192 / 255;
            const std::uint32_t blue = (v & 0x1F) * 192 / 255;
            write_le16(colour + 2 * to, red << 11 | green << 5 | blue);
            if (alpha[from] != 0) alpha[to] = static_cast<std::uint8_t>(alpha[from] * 192 / 255);
        }
    }
}
