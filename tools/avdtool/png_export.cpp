// SPDX-License-Identifier: GPL-2.0-or-later
#include "png_export.h"

#include <zlib.h>

#include <cstring>

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
void chunk(std::vector<std::uint8_t>& png, const char type[4], std::span<const std::uint8_t> data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uLong crc = crc32(0, png.data() + start, static_cast<uInt>(png.size() - start));
    put32(png, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool encode_png(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgba,
                std::vector<std::uint8_t>& png) {
    png.clear();
    const std::uint64_t row = 4 * std::uint64_t{width};
    if (width == 0 || height == 0 || rgba.size() != row * height ||
        (row + 1) * height > 0x7FFFFFFF) {
        return false;
    }
    // Every row with the filter "Sub": each byte less the byte of the pixel
    // to its left, which lets the flat areas of pictures compress well.
    std::vector<std::uint8_t> filtered(static_cast<std::size_t>((row + 1) * height));
    std::uint8_t* out = filtered.data();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* line = rgba.data() + y * row;
        *out++ = 1;
        for (std::size_t i = 0; i < row; ++i)
            *out++ = static_cast<std::uint8_t>(line[i] - (i >= 4 ? line[i - 4] : 0));
    }
    // The fastest level: a report writes hundreds of pictures, and after the
    // filter it gives files little larger than the default level does.
    uLongf packed_size = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<std::uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, filtered.data(), static_cast<uLong>(filtered.size()),
                  Z_BEST_SPEED) != Z_OK) {
        return false;
    }
    static const std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(std::begin(kSignature), std::end(kSignature));
    std::vector<std::uint8_t> header;
    put32(header, width);
    put32(header, height);
    // 8 bits a sample, colour type 6 (RGBA), deflate, adaptive filters, no interlace.
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", std::span<const std::uint8_t>(packed.data(), packed_size));
    chunk(png, "IEND", {});
    return true;
}

bool pdt10_png(std::span<const std::uint8_t> entry, std::vector<std::uint8_t>& png,
               Pdt10Picture& picture, std::string& error, bool* transparent) {
    if (!read_pdt10(entry, picture, error)) return false;
    if (picture.width == 0 || picture.height == 0) {
        error = "the picture is empty (" + std::to_string(picture.source_width) + " x " +
                std::to_string(picture.source_height) + " source pixels)";
        return false;
    }
    const std::vector<std::uint8_t> rgba = pdt10_to_rgba(picture);
    if (transparent) *transparent = has_transparency(rgba);
    if (!encode_png(picture.width, picture.height, rgba, png)) {
        error = "the picture is too large for a PNG";
        return false;
    }
    return true;
}

bool has_transparency(std::span<const std::uint8_t> rgba) {
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        if (rgba[i] != 0xFF) return true;
    return false;
}
