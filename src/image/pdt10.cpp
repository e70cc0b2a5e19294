#include "image/pdt10.h"

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
    add_package_entry(package, name.c_str(), block.bytes.data(), block.entry_size, path.c_str());
}
