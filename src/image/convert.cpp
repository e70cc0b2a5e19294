// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/convert.h"

#include "base/names.h"
#include "image/picture.h"
#include "image/picture_decode.h"
#include "image/sprite.h"

namespace {

// Decodes the file's bytes, then frees them. Empty when they give a picture.
template <typename Decoded>
std::optional<InputFailure> load(std::vector<std::uint8_t>&& file, Decoded& decoded,
                                 PictureLoad (*decode)(std::span<const std::uint8_t>, Decoded&)) {
    const PictureLoad status = decode(file, decoded);
    std::vector<std::uint8_t>().swap(file);
    switch (status) {
        case PictureLoad::ok:
            return std::nullopt;
        case PictureLoad::too_large:
            return InputFailure{SkipReason::too_large,
                                "more than " + std::to_string(kMaxPicturePixels) + " pixels"};
        case PictureLoad::no_memory:
            return InputFailure{SkipReason::no_memory, "not enough memory for its pixels"};
        case PictureLoad::empty:
        case PictureLoad::cannot_open:
        case PictureLoad::read_error:
            break;
    }
    return InputFailure{SkipReason::empty, {}};
}

const InputFailure kNoMemoryForPicture{SkipReason::no_memory,
                                       "not enough memory for the converted picture"};

}  // namespace

bool convert_picture(std::vector<std::uint8_t>&& file, const std::string& entry, Pdt10Block& block,
                     InputFailure& failure) {
    {
        DecodedPicture picture;
        if (auto failed = load(std::move(file), picture, decode_picture)) {
            failure = *failed;
            return false;
        }
        if (!convert_picture_to_pdt10(picture, block)) {
            failure = kNoMemoryForPicture;
            return false;
        }
    }  // the source pixels are freed here
    if (upper_cased_name(entry) == kMapPictureName) darken_map_cell(block);
    block.bytes.resize(block.entry_size);  // an opaque picture's alpha plane is no part of it
    return true;
}

bool convert_sprite(std::vector<std::uint8_t>&& sprite_file, std::vector<std::uint8_t>&& mask_file,
                    Pdt10Block& block, std::optional<InputFailure>& sprite_failure,
                    std::optional<InputFailure>& mask_failure) {
    DecodedPicture sprite;
    if (!sprite_failure) sprite_failure = load(std::move(sprite_file), sprite, decode_picture);
    ShadowMask mask;
    if (!mask_failure) mask_failure = load(std::move(mask_file), mask, decode_shadow_mask);
    if (sprite_failure || mask_failure) return false;
    if (!convert_sprite_to_pdt10(sprite, mask, block)) sprite_failure = kNoMemoryForPicture;
    return !sprite_failure;
}

std::string picture_entry_name(const std::string& name) {
    return name.substr(0, name.find('.')) + ".PDT";
}
