// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of a character sprite: a .MOE picture and a .SHW mask (layout in
// fuzz_input.h), both decoded from memory, then combined into a PDT10 picture.
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "image/convert.h"
#include "image/picture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz_input::SpriteInput input = fuzz_input::split_sprite_input({data, size});
    if (fuzz_input::claimed_pixels(input.sprite, is_flag_coded_picture(input.sprite)) >
            fuzz_input::kMaxFuzzPixels ||
        fuzz_input::claimed_pixels(input.mask, false) > fuzz_input::kMaxFuzzPixels) {
        return -1;  // not added to the corpus
    }
    ShadowMask mask;
    const DecodeStatus mask_status = decode_shadow_mask(input.mask, mask);
    if (mask_status == DecodeStatus::ok &&
        mask.values.size() != std::size_t{mask.width} * mask.height)
        std::abort();
    DecodedPicture sprite;
    if (decode_picture(input.sprite, sprite) != DecodeStatus::ok) return 0;
    // The converter skips a sprite without a mask; the conversion itself
    // takes any mask, also an empty one.
    Pdt10Block block;
    if (!convert_sprite_to_pdt10(sprite, mask, block)) return 0;
    if (block.entry_size != block.bytes.size()) std::abort();
    return 0;
}
