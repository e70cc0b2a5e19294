// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of a .MOE picture: decoded from memory, converted to PDT10, and the
// map cell darkened as for "CIP_MAP.PDT".
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_input.h"
#include "image/convert.h"
#include "image/picture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    if (fuzz_input::claimed_pixels(file, is_flag_coded_picture(file)) >
        fuzz_input::kMaxFuzzPixels) {
        return -1;  // not added to the corpus
    }
    DecodedPicture picture;
    const DecodeStatus status = decode_picture(file, picture);
    if (status != DecodeStatus::ok) return 0;
    if (picture.pixels.size() != std::size_t{picture.width} * picture.height * 3) std::abort();
    Pdt10Block block;
    if (!convert_picture_to_pdt10(picture, block)) return 0;
    if (block.entry_size > block.bytes.size()) std::abort();
    darken_map_cell(block);
    return 0;
}
