#include "image/sprite.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/bytes.h"
#include "base/console.h"
#include "package/package.h"

namespace {

// Writes `text` with its terminator into `buffer` from `position` on, cut at
// the end of the buffer (which always keeps a terminator).
void put_text(char (&buffer)[kShadowNameBufferSize], std::size_t position, const char* text) {
    for (; position < kShadowNameBufferSize - 1 && *text; ++position, ++text) {
        buffer[position] = *text;
    }
    if (position < kShadowNameBufferSize) buffer[position] = '\0';
}

}  // namespace

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
    const std::uint32_t w = block.width;
    const std::uint32_t h = block.height;
    const std::size_t plane = std::size_t{w} * h;
    std::uint8_t* colour = block.bytes.data() + kPdt10HeaderSize;
    std::uint8_t* alpha = colour + 2 * plane;
    const std::size_t width = sprite.width;
    // Opacity (0 to 255) of the sprite pixel at `index`, from the mask read
    // with the sprite's row length.
    auto opacity_at = [&mask](std::size_t index) -> std::uint32_t {
        if (index >= mask.values.size()) return 0;
        return 17u * std::min(mask.values[index], kMaxMaskValue);
    };
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::size_t top = 2 * std::size_t{y} * width + 2 * std::size_t{x};
            const std::size_t corners[4] = {top, top + 1, top + width, top + width + 1};
            std::uint32_t sum_blue = 0, sum_green = 0, sum_red = 0, sum_opacity = 0;
            for (std::size_t index : corners) {
                const std::uint8_t* px = &sprite.pixels[index * 3];
                const std::uint32_t a = opacity_at(index);
                sum_blue += px[0] * a / 255;
                sum_green += px[1] * a / 255;
                sum_red += px[2] * a / 255;
                sum_opacity += a;
            }
            const std::size_t i = std::size_t{y} * w + x;
            write_le16(colour + 2 * i, pack_block_colour(sum_red, sum_green, sum_blue));
            alpha[i] = static_cast<std::uint8_t>(sum_opacity >> 2);
        }
    }
    write_pdt10_header(block.bytes.data(), sprite.width, sprite.height,
                       static_cast<std::uint32_t>(2 * plane));
    block.entry_size = block.bytes.size();
    return true;
}

void convert_sprite(Package& package, const std::string& sprite_path,
                    const std::string& shadow_path) {
    Pdt10Block block;
    {
        DecodedPicture sprite;
        const PictureLoad sprite_status = load_picture(sprite_path, sprite);
        ShadowMask mask;
        const PictureLoad mask_status = load_shadow_mask(shadow_path, mask);
        // No line break: the next console output continues this line.
        if (mask_status != PictureLoad::ok) {
            console_print("************** Cannot open %s", shadow_path.c_str());
        }
        if (sprite_status != PictureLoad::ok) {
            report_unloadable_picture(sprite_path, sprite_status);
            return;
        }
        if (mask_status != PictureLoad::ok) return;
        if (!convert_sprite_to_pdt10(sprite, mask, block)) {
            report_unloadable_picture(sprite_path, PictureLoad::no_memory);
            return;
        }
    }  // mask and sprite pixels are freed here
    // The name keeps the file's case; add_package_entry upper-cases it.
    const std::string name = picture_entry_name(sprite_path);
    add_package_entry(package, name.c_str(), block.bytes.data(), block.entry_size,
                      sprite_path.c_str());
}
