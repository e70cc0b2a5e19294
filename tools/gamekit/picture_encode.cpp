// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/picture_encode.h"

#include <cstddef>
#include <map>
#include <stdexcept>

namespace gamekit {

namespace {

constexpr std::size_t kMaxPacket = 127;

// Packets of `count` values of `size` bytes each from `values`: a run where at
// least two equal values follow each other, literals in between.
void append_packets(Bytes& out, const std::uint8_t* values, std::size_t count, std::size_t size) {
    auto same = [&](std::size_t a, std::size_t b) {
        for (std::size_t i = 0; i < size; ++i) {
            if (values[a * size + i] != values[b * size + i]) return false;
        }
        return true;
    };
    auto run_length = [&](std::size_t at) {
        std::size_t n = 1;
        while (at + n < count && n < kMaxPacket && same(at, at + n))
            ++n;
        return n;
    };
    std::size_t i = 0;
    while (i < count) {
        const std::size_t run = run_length(i);
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(run));
            out.insert(out.end(), values + i * size, values + (i + 1) * size);
            i += run;
            continue;
        }
        std::size_t n = 1;
        while (i + n < count && n < kMaxPacket && run_length(i + n) < 2)
            ++n;
        out.push_back(static_cast<std::uint8_t>(0x80 + n));
        out.insert(out.end(), values + i * size, values + (i + n) * size);
        i += n;
    }
}

// Copy positions of the flag-coded format (rows up, pixels left) for the
// flag values 1 to 15.
constexpr std::uint32_t kRowsUp[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
constexpr std::uint32_t kPixelsLeft[16] = {0, 2, 4, 8, 0, 2, 0, 2, 4, 0, 2, 4, 0, 2, 4, 0};

}  // namespace

DecodedPicture make_picture(std::uint32_t width, std::uint32_t height, Bgr fill) {
    DecodedPicture picture;
    picture.width = width;
    picture.height = height;
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i)
        picture.pixels.insert(picture.pixels.end(), {fill.blue, fill.green, fill.red});
    return picture;
}

void set_pixel(DecodedPicture& picture, std::uint32_t x, std::uint32_t y, Bgr colour) {
    if (x >= picture.width || y >= picture.height) throw std::out_of_range("pixel outside picture");
    std::uint8_t* p = &picture.pixels[(std::size_t{y} * picture.width + x) * 3];
    p[0] = colour.blue;
    p[1] = colour.green;
    p[2] = colour.red;
}

DecodedPicture sample_picture(std::uint32_t width, std::uint32_t height, unsigned seed,
                              bool with_key) {
    Bgr palette[64];
    Random random(seed);
    for (Bgr& colour : palette) {
        const std::uint32_t r = random();
        colour = Bgr{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8),
                     static_cast<std::uint8_t>(r >> 16)};
        if (colour == kKeyGreen) colour.blue = 1;
    }
    DecodedPicture picture = make_picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t index;
            if (y < height / 3) {
                index = (x / 8 + y / 8) % 64;  // diagonal bands
            } else if (y < 2 * height / 3) {
                index = (x * 64 / (width ? width : 1)) % 64;  // horizontal gradient
            } else {
                index = ((x / 4) % 2) * 7 + (y % 3);  // fine stripes
            }
            set_pixel(picture, x, y, palette[index]);
        }
    }
    if (with_key) {
        for (std::uint32_t y = height * 3 / 4; y < height; ++y) {
            for (std::uint32_t x = width * 3 / 4; x < width; ++x)
                set_pixel(picture, x, y, kKeyGreen);
        }
    }
    return picture;
}

Bytes run_length_header(std::uint32_t width, std::uint32_t height) {
    Bytes out;
    append_le16(out, width);
    append_le16(out, height);
    return out;
}

void append_run(Bytes& out, std::uint8_t count, Bgr colour) {
    out.push_back(count);
    out.push_back(colour.blue);
    out.push_back(colour.green);
    out.push_back(colour.red);
}

void append_literal(Bytes& out, const std::vector<Bgr>& pixels) {
    out.push_back(static_cast<std::uint8_t>(0x80 + pixels.size()));
    for (const Bgr& p : pixels) {
        out.push_back(p.blue);
        out.push_back(p.green);
        out.push_back(p.red);
    }
}

Bytes encode_run_length_picture(const DecodedPicture& picture, std::uint8_t end_byte,
                                bool with_end) {
    Bytes out = run_length_header(picture.width, picture.height);
    append_packets(out, picture.pixels.data(), picture.pixels.size() / 3, 3);
    if (with_end) out.push_back(end_byte);
    return out;
}

Bytes assemble_flag_coded_picture(const FlagCodedParts& parts) {
    Bytes flag_a((parts.flag_a.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < parts.flag_a.size(); ++i) {
        if (parts.flag_a[i]) flag_a[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    }
    Bytes out = {0x4D, 0x4D, 0x44, 0x1A};
    append_le16(out, parts.width);
    append_le16(out, parts.height);
    append_le32(out, static_cast<std::uint32_t>(flag_a.size()));
    append_le32(out, static_cast<std::uint32_t>(flag_a.size() + parts.flag_b.size()));
    append_le32(out, static_cast<std::uint32_t>(parts.indexes.size()));
    append_le32(out, 0);
    out.insert(out.end(), flag_a.begin(), flag_a.end());
    out.insert(out.end(), parts.flag_b.begin(), parts.flag_b.end());
    out.insert(out.end(), parts.indexes.begin(), parts.indexes.end());
    out.insert(out.end(), parts.table.begin(), parts.table.end());
    return out;
}

bool encode_flag_coded_parts(const DecodedPicture& picture, FlagCodedParts& parts) {
    parts = FlagCodedParts{};
    parts.width = picture.width;
    parts.height = picture.height;
    const std::uint32_t units = picture.width / 4;
    std::uint64_t distance[16] = {};
    for (int k = 1; k < 16; ++k) {
        distance[k] = (std::uint64_t{kRowsUp[k]} * picture.width + kPixelsLeft[k]) & ~1ull;
    }
    auto pixel = [&](std::uint64_t p) {
        const std::uint8_t* b = &picture.pixels[p * 3];
        return Bgr{b[0], b[1], b[2]};
    };
    // A pair of pixels at q can be copied from distance d when both match.
    auto copies = [&](std::uint64_t q, unsigned k) {
        const std::uint64_t d = distance[k];
        return d >= 2 && q >= d && pixel(q) == pixel(q - d) && pixel(q + 1) == pixel(q + 1 - d);
    };
    std::map<std::uint32_t, std::uint8_t> colour_index;
    auto add_literal = [&](Bgr colour) {
        const std::uint32_t key = colour.blue | colour.green << 8 | colour.red << 16;
        auto found = colour_index.find(key);
        if (found == colour_index.end()) {
            if (colour_index.size() == 256) return false;
            found = colour_index.emplace(key, static_cast<std::uint8_t>(colour_index.size())).first;
            parts.table.push_back(colour.blue);
            parts.table.push_back(colour.green);
            parts.table.push_back(colour.red);
        }
        parts.indexes.push_back(found->second);
        return true;
    };

    std::vector<std::uint8_t> flag_line(units, 0);
    std::uint64_t p = 0;
    for (std::uint32_t row = 0; row < picture.height; ++row) {
        for (std::uint32_t u = 0; u < units; ++u) {
            unsigned nibbles[2] = {static_cast<unsigned>(flag_line[u] >> 4),
                                   static_cast<unsigned>(flag_line[u] & 0x0F)};
            for (int half = 0; half < 2; ++half) {
                const std::uint64_t q = p + 2 * half;
                unsigned k = nibbles[half];
                if (k == 0 || !copies(q, k)) {
                    k = 0;
                    for (unsigned c = 1; c < 16 && k == 0; ++c) {
                        if (copies(q, c)) k = c;
                    }
                }
                if (k == 0 && (!add_literal(pixel(q)) || !add_literal(pixel(q + 1)))) {
                    return false;
                }
                nibbles[half] = k;
                ++parts.nibble_use[k];
            }
            const auto f = static_cast<std::uint8_t>(nibbles[0] << 4 | nibbles[1]);
            const bool changed = f != flag_line[u];
            parts.flag_a.push_back(changed);
            if (changed) parts.flag_b.push_back(static_cast<std::uint8_t>(f ^ flag_line[u]));
            flag_line[u] = f;
            p += 4;
        }
    }
    return true;
}

Bytes encode_flag_coded_picture(const DecodedPicture& picture) {
    FlagCodedParts parts;
    if (!encode_flag_coded_parts(picture, parts)) return {};
    return assemble_flag_coded_picture(parts);
}

ShadowMask make_mask(std::uint32_t width, std::uint32_t height, std::uint8_t fill) {
    ShadowMask mask;
    mask.width = width;
    mask.height = height;
    mask.values.assign(std::size_t{width} * height, fill);
    return mask;
}

void append_mask_run(Bytes& out, std::uint8_t count, std::uint8_t value) {
    out.push_back(count);
    out.push_back(value);
}

void append_mask_literal(Bytes& out, const Bytes& values) {
    out.push_back(static_cast<std::uint8_t>(0x80 + values.size()));
    out.insert(out.end(), values.begin(), values.end());
}

Bytes encode_shadow_mask(const ShadowMask& mask, std::uint8_t end_byte, bool with_end) {
    Bytes out = run_length_header(mask.width, mask.height);
    append_packets(out, mask.values.data(), mask.values.size(), 1);
    if (with_end) out.push_back(end_byte);
    return out;
}

}  // namespace gamekit
