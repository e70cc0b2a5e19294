#include "image/pdt10.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/bytes.h"
#include "base/console.h"
#include "base/names.h"
#include "package/package.h"

void write_pdt10_header(std::uint8_t* block, std::uint32_t source_width,
                        std::uint32_t source_height, std::uint32_t alpha_field) {
    std::memset(block, 0, kPdt10HeaderSize);
    std::memcpy(block, kPdt10Magic, sizeof kPdt10Magic - 1);
    write_le32(block + kPdt10WidthOffset, source_width);
    write_le32(block + kPdt10HeightOffset, source_height);
    write_le32(block + kPdt10AlphaFieldOffset, alpha_field);
}

std::uint16_t pack_block_colour(std::uint32_t sum_red, std::uint32_t sum_green,
                                std::uint32_t sum_blue) {
    return static_cast<std::uint16_t>((sum_red >> 5) << 11 | (sum_green >> 4) << 5 |
                                      (sum_blue >> 5));
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

bool convert_picture_to_pdt10(const DecodedPicture& picture, Pdt10Block& block) {
    if (!allocate_pdt10_block(picture.width, picture.height, block)) return false;
    const std::uint32_t w = block.width;
    const std::uint32_t h = block.height;
    const std::size_t plane = std::size_t{w} * h;
    std::uint8_t* colour = block.bytes.data() + kPdt10HeaderSize;
    std::uint8_t* alpha = colour + 2 * plane;
    const std::uint8_t* source = picture.pixels.data();
    const std::size_t row_bytes = std::size_t{picture.width} * 3;
    bool transparent = false;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint8_t* top = source + 2 * y * row_bytes + 2 * x * 3;
            const std::uint8_t* corners[4] = {top, top + 3, top + row_bytes, top + row_bytes + 3};
            std::uint32_t opacity = 256;
            std::uint32_t sum_blue = 0, sum_green = 0, sum_red = 0;
            for (const std::uint8_t* px : corners) {
                if (px[0] == kKeyBlue && px[1] == kKeyGreen && px[2] == kKeyRed) {
                    // A transparent pixel counts as black: the colours stay
                    // premultiplied by the block's opacity.
                    opacity -= 64;
                    transparent = true;
                    continue;
                }
                sum_blue += px[0];
                sum_green += px[1];
                sum_red += px[2];
            }
            const std::size_t i = std::size_t{y} * w + x;
            write_le16(colour + 2 * i, pack_block_colour(sum_red, sum_green, sum_blue));
            alpha[i] = static_cast<std::uint8_t>(opacity ? opacity - 1 : 0);
        }
    }
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
            const std::uint32_t v = read_le16(colour + 2 * from);
            const std::uint32_t red = (v >> 11) * 192 / 255;
            const std::uint32_t green = ((v >> 5) & 0x3F) * 192 / 255;
            const std::uint32_t blue = (v & 0x1F) * 192 / 255;
            write_le16(colour + 2 * to, red << 11 | green << 5 | blue);
            if (alpha[from] != 0) alpha[to] = static_cast<std::uint8_t>(alpha[from] * 192 / 255);
        }
    }
}

std::string picture_entry_name(const std::string& path) {
    std::string name = base_name(path.c_str());
    name = name.substr(0, name.find('.'));
    return name + ".PDT";
}

void report_unloadable_picture(const std::string& path, PictureLoad status) {
    switch (status) {
        case PictureLoad::ok:
            break;
        case PictureLoad::cannot_open:
        case PictureLoad::read_error:
            console_print("********** Cannot open %s\n", path.c_str());
            break;
        case PictureLoad::empty:
            console_print("********** %s is empty, skipped\n", path.c_str());
            break;
        case PictureLoad::too_large:
            console_print("********** %s is too large, skipped\n", path.c_str());
            break;
        case PictureLoad::no_memory:
            console_print("********** Not enough memory for %s, skipped\n", path.c_str());
            break;
    }
}

void convert_picture(Package& package, const std::string& path) {
    Pdt10Block block;
    {
        DecodedPicture picture;
        const PictureLoad status = load_picture(path, picture);
        if (status != PictureLoad::ok) {
            report_unloadable_picture(path, status);
            return;
        }
        if (!convert_picture_to_pdt10(picture, block)) {
            report_unloadable_picture(path, PictureLoad::no_memory);
            return;
        }
    }  // the source pixels are freed here
    std::string name = picture_entry_name(path);
    upper_case_name(name.data());
    if (name == kMapPictureName) darken_map_cell(block);
    add_package_entry(package, name.c_str(), block.bytes.data(), block.entry_size);
}

bool read_pdt10(std::span<const std::uint8_t> entry, Pdt10Picture& picture, std::string& error) {
    picture = Pdt10Picture{};
    if (entry.size() < kPdt10HeaderSize ||
        std::memcmp(entry.data(), kPdt10Magic, sizeof kPdt10Magic) != 0 ||
        read_le16(&entry[6]) != 0) {
        error = "not a PDT10 picture";
        return false;
    }
    picture.source_width = read_le32(&entry[kPdt10WidthOffset]);
    picture.source_height = read_le32(&entry[kPdt10HeightOffset]);
    picture.width = picture.source_width / 2;
    picture.height = picture.source_height / 2;
    const std::uint64_t plane = std::uint64_t{picture.width} * picture.height;
    const std::uint32_t alpha_field = read_le32(&entry[kPdt10AlphaFieldOffset]);
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
    picture.colour.resize(plane);
    for (std::size_t i = 0; i < plane; ++i)
        picture.colour[i] = read_le16(colour + 2 * i);
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
