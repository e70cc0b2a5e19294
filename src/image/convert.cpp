// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/convert.h"

#include <cstring>
#include <utility>

#include "base/names.h"

namespace {

// Decodes the file's bytes, then frees them. Empty when they give a picture.
template <typename Decoded>
std::optional<InputFailure> load(std::vector<std::uint8_t>&& file, Decoded& decoded,
                                 DecodeStatus (*decode)(std::span<const std::uint8_t>, Decoded&)) {
    const DecodeStatus status = decode(file, decoded);
    std::vector<std::uint8_t>().swap(file);
    switch (status) {
        case DecodeStatus::ok:
            return std::nullopt;
        case DecodeStatus::too_large:
            return InputFailure{SkipReason::too_large,
                                "more than " + std::to_string(kMaxPicturePixels) + " pixels"};
        case DecodeStatus::no_memory:
            return InputFailure{SkipReason::no_memory, "not enough memory for its pixels"};
        case DecodeStatus::empty:
            break;
    }
    return InputFailure{SkipReason::empty, {}};
}

const InputFailure kNoMemoryForPicture{SkipReason::no_memory,
                                       "not enough memory for the converted picture"};

// Writes `text` with its terminator into `buffer` from `position` on, cut at
// the end of the buffer (which always keeps a terminator).
void put_text(char (&buffer)[kShadowNameBufferSize], std::size_t position, const char* text) {
    for (; position < kShadowNameBufferSize - 1 && *text; ++position, ++text) {
        buffer[position] = *text;
    }
    if (position < kShadowNameBufferSize) buffer[position] = '\0';
}

}  // namespace

ConvertedPicture convert_picture(std::vector<std::uint8_t>&& file, const std::string& entry) {
    Pdt10Block block;
    {
        DecodedPicture picture;
        if (auto failed = load(std::move(file), picture, decode_picture)) return *failed;
        if (!convert_picture_to_pdt10(picture, block)) return kNoMemoryForPicture;
    }  // the source pixels are freed here
    if (upper_cased_name(entry) == kMapPictureName) darken_map_cell(block);
    block.bytes.resize(block.entry_size);  // an opaque picture's alpha plane is no part of it
    return block;
}

ConvertedSprite convert_sprite(std::vector<std::uint8_t>&& sprite_file,
                               std::vector<std::uint8_t>&& mask_file) {
    DecodedPicture sprite;
    ShadowMask mask;
    SpriteFailures failures{load(std::move(sprite_file), sprite, decode_picture),
                            load(std::move(mask_file), mask, decode_shadow_mask)};
    if (failures.sprite || failures.mask) return failures;
    Pdt10Block block;
    if (!convert_sprite_to_pdt10(sprite, mask, block)) {
        return SpriteFailures{kNoMemoryForPicture, std::nullopt};
    }
    return block;
}

std::string picture_entry_name(const std::string& name) {
    return name.substr(0, name.find('.')) + ".PDT";
}

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

std::string shadow_name(const std::string& sprite_name) {
    // The rule reads and writes fixed positions, also past the end of a short
    // name: the zero-filled copy gives those positions defined contents.
    char name[kShadowNameBufferSize] = {};
    std::memcpy(name, sprite_name.data(), std::min(sprite_name.size(), sizeof name - 1));
    const char decider = name[4];
    if (decider == 'B' || decider == 'b') {
        // Each such sprite has a mask of its own: the whole base name stays.
        char* stop = std::strchr(name, '.');
        put_text(name, stop ? static_cast<std::size_t>(stop - name) : std::strlen(name), "S.SHW");
    } else if (decider == 'F' || decider == 'f') {
        // Pairs of expressions share a mask: 0 and 1, 2 and 3.
        if (name[5] == '1') {
            name[5] = '0';
        } else if (name[5] == '3') {
            name[5] = '2';
        }
        put_text(name, 6, "S.SHW");
    } else {
        // Poses 0 to 5 share the mask of pose 5; the byte is compared as a
        // signed value, so bytes below '0' and from 0x80 on count as well.
        if (static_cast<signed char>(name[5]) <= '5') name[5] = '5';
        if ((name[0] == 'Y' || name[0] == 'y') && (name[1] == 'k' || name[4] == 'k')) {
            name[5] = '5';
        }
        put_text(name, 6, "S.SHW");
    }
    return name;
}

bool convert_sprite_to_pdt10(const DecodedPicture& sprite, const ShadowMask& mask,
                             Pdt10Block& block) {
    if (!allocate_pdt10_block(sprite.width, sprite.height, block)) return false;
    halve_picture(sprite, MaskOpacity{mask}, block);
    const std::size_t plane = std::size_t{block.width} * block.height;
    write_pdt10_header(block.bytes.data(), sprite.width, sprite.height,
                       static_cast<std::uint32_t>(2 * plane));
    block.entry_size = block.bytes.size();
    return true;
}
