// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/convert.h"

#include "base/console.h"
#include "base/names.h"
#include "base/search.h"
#include "image/picture.h"
#include "image/picture_decode.h"
#include "image/sprite.h"
#include "package/package.h"
#include "platform/platform.h"

namespace {

constexpr char kSep = platform::kSeparator;

// Prints the warning for a picture or sprite that could not be loaded.
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

}  // namespace

void convert_character_sprites(Package& package, FileSearch& search,
                               const std::string& game_folder) {
    const std::string sprite_folder = game_folder + "CHAR" + kSep;
    const std::string shadow_folder = game_folder + "SHADOW" + kSep;
    for (const char* name = find_first_file(search, sprite_folder + "*.MOE"); name;
         name = find_next_file(search)) {
        convert_sprite(package, sprite_folder + name, shadow_folder + shadow_name(name));
    }
}

void convert_picture_folder(Package& package, FileSearch& search, const std::string& game_folder,
                            const std::string& folder) {
    const std::string prefix = folder.empty() ? game_folder : game_folder + folder + kSep;
    for (const char* name = find_first_file(search, prefix + "*.MOE"); name;
         name = find_next_file(search)) {
        convert_picture(package, prefix + name);
    }
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

std::string picture_entry_name(const std::string& path) {
    std::string name = base_name(path.c_str());
    name = name.substr(0, name.find('.'));
    return name + ".PDT";
}
