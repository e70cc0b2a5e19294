// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/picture_decode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/bytes.h"

namespace {

// Sizes `buffer` for width x height values of `value_size` bytes, zero-filled.
DecodeStatus allocate_plane(std::uint32_t width, std::uint32_t height, std::size_t value_size,
                            std::vector<std::uint8_t>& buffer) {
    const std::uint64_t count = std::uint64_t{width} * height;
    if (count > kMaxPicturePixels) return DecodeStatus::too_large;
    try {
        buffer.assign(static_cast<std::size_t>(count) * value_size, 0);
    } catch (const std::bad_alloc&) {
        buffer.clear();
        return DecodeStatus::no_memory;
    }
    return DecodeStatus::ok;
}

// The run-length packets shared by the run-length picture (three bytes per
// value) and the shadow mask (one byte per value), from offset 4 on. Ends at
// an end byte, at the end of the buffer, or where the file ends, also inside
// a packet.
void decode_packets(std::span<const std::uint8_t> file, std::size_t value_size,
                    std::vector<std::uint8_t>& out) {
    const std::size_t total = out.size() / value_size;
    std::size_t p = 0;
    ByteReader packets{file, 4};
    // Decoding ends once the buffer is full, so a buffer without storage (no
    // pixels at all) is never written to.
    while (!packets.at_end() && p < total) {
        const std::uint8_t n = packets.u8();
        if ((n & 0x7F) == 0) return;
        std::uint8_t* to = out.data() + p * value_size;
        if (n < 0x80) {
            // A run: one value, n times, as far as the buffer reaches.
            const std::span<const std::uint8_t> value = packets.take(value_size);
            if (!packets.ok) return;
            const std::size_t count = std::min<std::size_t>(n, total - p);
            if (value_size == 1) {
                std::memset(to, value[0], count);
            } else {
                for (std::size_t i = 0; i < count; ++i) {
                    std::memcpy(to + i * value_size, value.data(), value_size);
                }
            }
            p += count;
            if (count < n) return;
        } else {
            // Literals: as many as both the buffer and the file hold.
            const std::size_t wanted = n - 0x80u;
            const std::span<const std::uint8_t> values =
                packets.take(std::min(wanted, total - p) * value_size);
            const std::size_t count = values.size() / value_size;
            if (count > 0) std::memcpy(to, values.data(), count * value_size);
            p += count;
            if (count < wanted) return;
        }
    }
}

// Copy positions of the flag-coded format: rows up and pixels left for the
// flag values 1 to 15.
constexpr std::uint32_t kCopyRowsUp[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
constexpr std::uint32_t kCopyPixelsLeft[16] = {0, 2, 4, 8, 0, 2, 0, 2, 4, 0, 2, 4, 0, 2, 4, 0};

constexpr std::size_t kFlagCodedHeaderSize = 24;

// The state of one flag-coded decoding. Stream positions are file offsets
// (64 bits, as header offsets may point far past the file).
struct FlagCodedDecoder {
    std::span<const std::uint8_t> file;
    std::uint8_t* pixels = nullptr;
    std::uint64_t total = 0;  // pixels in the picture
    std::uint64_t p = 0;      // write position in pixels
    std::uint64_t distance[16] = {};
    std::uint64_t flag_a = kFlagCodedHeaderSize;
    std::uint8_t flag_a_bit = 0x80;
    std::uint64_t flag_b = 0;
    std::uint64_t index = 0;
    std::uint64_t index_end = 0;
    std::uint64_t table = 0;
};

// Two pixels of flag value k. False when decoding ends. The format reads
// three streams and a colour table at offsets its header gives, in turns, so
// it indexes the file with a bounds check at each read instead of one
// sequential ByteReader.
bool decode_pair(FlagCodedDecoder& d, unsigned k) {
    const std::uint64_t size = d.file.size();
    for (int i = 0; i < 2; ++i) {
        if (k != 0) {
            if (d.p >= d.total) return false;
            if (d.p < d.distance[k]) return false;
            std::memcpy(d.pixels + d.p * 3, d.pixels + (d.p - d.distance[k]) * 3, 3);
        } else {
            if (d.index >= d.index_end || d.index >= size) return false;
            const std::uint64_t entry = d.table + 3ull * d.file[d.index];
            if (d.p >= d.total) return false;
            if (entry + 3 > size) return false;
            std::memcpy(d.pixels + d.p * 3, &d.file[entry], 3);
            ++d.index;
        }
        ++d.p;
    }
    return true;
}

}  // namespace

bool is_flag_coded_picture(std::span<const std::uint8_t> file) {
    ByteReader magic{file};
    return file.size() >= 4 && magic.le16() == 0x4D4D && magic.le16() == 0x1A44;
}

namespace {

DecodeStatus decode_flag_coded_picture(std::span<const std::uint8_t> file,
                                       DecodedPicture& picture) {
    picture = DecodedPicture{};
    if (file.empty()) return DecodeStatus::empty;
    // Header fields past the end of a short file read as 0.
    ByteReader header{file, 4};
    const std::uint32_t width = header.le16();
    const std::uint32_t height = header.le16();
    const DecodeStatus status = allocate_plane(width, height, 3, picture.pixels);
    if (status != DecodeStatus::ok) return status;
    picture.width = width;
    picture.height = height;

    FlagCodedDecoder d;
    d.file = file;
    d.pixels = picture.pixels.data();
    d.total = std::uint64_t{width} * height;
    for (int k = 1; k < 16; ++k) {
        d.distance[k] = (std::uint64_t{kCopyRowsUp[k]} * width + kCopyPixelsLeft[k]) & ~1ull;
    }
    d.flag_b = kFlagCodedHeaderSize + std::uint64_t{header.le32()};
    d.index = kFlagCodedHeaderSize + std::uint64_t{header.le32()};
    d.index_end = d.index + header.le32();
    d.table = d.index_end;

    // One flag byte per unit of four pixels, carried from row to row; sized
    // from the width, so that rows of any width have a flag per unit.
    const std::uint32_t units = width / 4;
    std::vector<std::uint8_t> flag_line;
    try {
        flag_line.assign(units, 0);
    } catch (const std::bad_alloc&) {
        picture = DecodedPicture{};
        return DecodeStatus::no_memory;
    }
    for (std::uint32_t row = 0; row < height; ++row) {
        for (std::uint32_t u = 0; u < units; ++u) {
            if (d.flag_a >= file.size()) return DecodeStatus::ok;
            const bool changed = (file[d.flag_a] & d.flag_a_bit) != 0;
            if (changed) {
                if (d.flag_b >= file.size()) return DecodeStatus::ok;
                flag_line[u] ^= file[d.flag_b++];
            }
            d.flag_a_bit >>= 1;
            if (d.flag_a_bit == 0) {
                d.flag_a_bit = 0x80;
                ++d.flag_a;
            }
            const std::uint8_t f = flag_line[u];
            if (!decode_pair(d, f >> 4) || !decode_pair(d, f & 0x0F)) return DecodeStatus::ok;
        }
    }
    return DecodeStatus::ok;
}

// The run-length layout shared by pictures and masks: W and H, then packets
// of `value_size`-byte values.
DecodeStatus decode_run_length_plane(std::span<const std::uint8_t> file, std::size_t value_size,
                                     std::uint32_t& width, std::uint32_t& height,
                                     std::vector<std::uint8_t>& values) {
    if (file.empty()) return DecodeStatus::empty;
    // W and H past the end of a short file read as 0.
    ByteReader header{file};
    const std::uint32_t w = header.le16();
    const std::uint32_t h = header.le16();
    const DecodeStatus status = allocate_plane(w, h, value_size, values);
    if (status != DecodeStatus::ok) return status;
    width = w;
    height = h;
    decode_packets(file, value_size, values);
    return DecodeStatus::ok;
}

DecodeStatus decode_run_length_picture(std::span<const std::uint8_t> file,
                                       DecodedPicture& picture) {
    picture = DecodedPicture{};
    return decode_run_length_plane(file, 3, picture.width, picture.height, picture.pixels);
}

}  // namespace

DecodeStatus decode_picture(std::span<const std::uint8_t> file, DecodedPicture& picture) {
    return is_flag_coded_picture(file) ? decode_flag_coded_picture(file, picture)
                                       : decode_run_length_picture(file, picture);
}

DecodeStatus decode_shadow_mask(std::span<const std::uint8_t> file, ShadowMask& mask) {
    mask = ShadowMask{};
    return decode_run_length_plane(file, 1, mask.width, mask.height, mask.values);
}
