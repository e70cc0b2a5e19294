// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/pdt10.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/bytes.h"

void write_pdt10_header(std::uint8_t* block, std::uint32_t source_width,
                        std::uint32_t source_height, std::uint32_t alpha_field) {
    std::memset(block, 0, kPdt10HeaderSize);
    std::memcpy(block, kPdt10Magic, sizeof kPdt10Magic - 1);
    write_le32(block + kPdt10WidthOffset, source_width);
    write_le32(block + kPdt10HeightOffset, source_height);
    write_le32(block + kPdt10AlphaFieldOffset, alpha_field);
}

bool allocate_pdt10_block(std::uint32_t source_width, std::uint32_t source_height,
                          Pdt10Block& block) {
    block.width = source_width / 2;
    block.height = source_height / 2;
    block.entry_size = 0;
    try {
        block.bytes.assign(kPdt10HeaderSize + 3 * std::size_t{block.width} * block.height, 0);
    } catch (const std::bad_alloc&) {
        block.bytes.clear();
        return false;
    }
    return true;
}

bool read_pdt10(std::span<const std::uint8_t> entry, Pdt10Picture& picture, std::string& error) {
    picture = Pdt10Picture{};
    if (entry.size() < kPdt10HeaderSize ||
        std::memcmp(entry.data(), kPdt10Magic, sizeof kPdt10Magic) != 0 ||
        ByteReader{entry, 6}.le16() != 0) {
        error = "not a PDT10 picture";
        return false;
    }
    picture.source_width = ByteReader{entry, kPdt10WidthOffset}.le32();
    picture.source_height = ByteReader{entry, kPdt10HeightOffset}.le32();
    picture.width = picture.source_width / 2;
    picture.height = picture.source_height / 2;
    const std::uint64_t plane = std::uint64_t{picture.width} * picture.height;
    const std::uint32_t alpha_field = ByteReader{entry, kPdt10AlphaFieldOffset}.le32();
    if (alpha_field != 0 && alpha_field != 2 * plane) {
        error = "alpha field " + std::to_string(alpha_field) + " is not the colour plane's size " +
                std::to_string(2 * plane);
        return false;
    }
    picture.has_alpha = alpha_field != 0;
    const std::uint64_t needed = kPdt10HeaderSize + (picture.has_alpha ? 3 : 2) * plane;
    if (entry.size() < needed) {
        error = "entry of " + std::to_string(entry.size()) + " bytes is shorter than its " +
                std::to_string(needed);
        return false;
    }
    const std::uint8_t* colour = entry.data() + kPdt10HeaderSize;
    ByteReader colours{entry, kPdt10HeaderSize};
    picture.colour.resize(plane);
    for (std::size_t i = 0; i < plane; ++i)
        picture.colour[i] = colours.le16();
    if (picture.has_alpha) {
        picture.alpha.assign(colour + 2 * plane, colour + 3 * plane);
    } else {
        picture.alpha.assign(plane, 255);
    }
    return true;
}

std::vector<std::uint8_t> pdt10_to_rgba(const Pdt10Picture& picture) {
    // The stored colours are premultiplied by alpha (transparent parts count
    // as black). RGBA images carry straight colours, so each channel is
    // divided by alpha again: a viewer blending the straight colour gives
    // what the player gives blending the premultiplied one. Fully
    // transparent pixels come out black.
    std::vector<std::uint8_t> rgba(picture.colour.size() * 4);
    for (std::size_t i = 0; i < picture.colour.size(); ++i) {
        const std::uint32_t v = picture.colour[i];
        const std::uint32_t red5 = v >> 11, green6 = (v >> 5) & 0x3F, blue5 = v & 0x1F;
        std::uint32_t channel[3] = {red5 << 3 | red5 >> 2, green6 << 2 | green6 >> 4,
                                    blue5 << 3 | blue5 >> 2};
        const std::uint32_t a = picture.alpha[i];
        for (std::uint32_t& c : channel) {
            if (a == 0) {
                c = 0;
            } else if (a < 255) {
                c = std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
            }
        }
        rgba[4 * i + 0] = static_cast<std::uint8_t>(channel[0]);
        rgba[4 * i + 1] = static_cast<std::uint8_t>(channel[1]);
        rgba[4 * i + 2] = static_cast<std::uint8_t>(channel[2]);
        rgba[4 * i + 3] = static_cast<std::uint8_t>(a);
    }
    return rgba;
}
