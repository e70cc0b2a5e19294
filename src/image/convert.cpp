// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/convert.h"

#include <algorithm>
#include <span>
#include <vector>

#include "base/names.h"
#include "base/search.h"
#include "image/picture.h"
#include "image/picture_decode.h"
#include "image/sprite.h"
#include "package/package.h"
#include "platform/platform.h"

namespace msconv::image {

namespace {

constexpr char kSep = platform::kSeparator;

// Reads the file at `path` whole and decodes it. False with the failure
// when the file cannot be read or its header gives no picture.
template <typename Decoded>
bool load(const std::string& path, Decoded& decoded,
          PictureLoad (*decode)(std::span<const std::uint8_t>, Decoded&),
          package::InputFailure& failure) {
    std::vector<std::uint8_t> file;
    std::string reason;
    const PictureLoad read = platform::read_file(path, file, kMaxPictureFileSize, &reason);
    if (read != PictureLoad::ok) {
        failure = package::read_failure(read, reason, kMaxPictureFileSize);
        return false;
    }
    switch (decode(file, decoded)) {
        case PictureLoad::ok:
            return true;
        case PictureLoad::too_large:
            failure = {package::SkipReason::too_large,
                       "more than " + std::to_string(kMaxPicturePixels) + " pixels"};
            return false;
        case PictureLoad::no_memory:
            failure = {package::SkipReason::no_memory, "not enough memory for its pixels"};
            return false;
        case PictureLoad::empty:
        case PictureLoad::cannot_open:
        case PictureLoad::read_error:
            break;
    }
    failure = {package::SkipReason::empty, {}};
    return false;
}

const package::InputFailure kNoMemoryForPicture{package::SkipReason::no_memory,
                                                "not enough memory for the converted picture"};

// The entry name of a found picture file, or false (reported) when its name
// cannot name an entry.
bool entry_name(package::Package& package, const std::string& folder, const std::string& name,
                std::string& entry) {
    std::string cp932;
    if (!package::found_entry_name(package, package::Input::file, folder, name, cp932)) {
        return false;
    }
    entry = picture_entry_name(cp932);
    return true;
}

}  // namespace

void convert_character_sprites(package::Package& package, base::FileSearch& search,
                               const std::string& game_folder) {
    // Every folder named SHADOW in any case holds masks; a mask is found by
    // its key (platform::name_key), the first in the search order when
    // several names share it.
    const std::vector<platform::Match> masks = base::list_game_files(game_folder, "SHADOW", "*.*");
    std::vector<std::u16string> mask_keys;
    for (const platform::Match& mask : masks)
        mask_keys.push_back(platform::name_key(mask.name));
    for (const char* name = base::find_first_game_file(search, game_folder, "CHAR", "*.MOE"); name;
         name = base::find_next_file(search)) {
        const std::string mask_name = shadow_name(platform::nfc_name(name));
        const std::size_t found =
            std::find(mask_keys.begin(), mask_keys.end(), platform::name_key(mask_name)) -
            mask_keys.begin();
        // A mask that no SHADOW folder holds is named as GAME/SHADOW/NAME.
        const std::string mask_path = found < masks.size()
                                          ? masks[found].folder + masks[found].name
                                          : game_folder + "SHADOW" + kSep + mask_name;
        convert_sprite(package, search.folder, name, mask_path);
    }
}

void convert_picture_folder(package::Package& package, base::FileSearch& search,
                            const std::string& game_folder, const std::string& folder) {
    // Every folder named `folder` in any case is read, as one folder.
    for (const char* name =
             base::find_first_game_file(search, game_folder, folder.c_str(), "*.MOE");
         name; name = base::find_next_file(search)) {
        convert_picture(package, search.folder, name);
    }
}

void convert_sprite(package::Package& package, const std::string& folder, const std::string& name,
                    const std::string& shadow_path) {
    const std::string path = folder + name;
    std::string entry;
    if (!entry_name(package, folder, name, entry)) return;
    Pdt10Block block;
    {
        DecodedPicture sprite;
        package::InputFailure sprite_failure;
        const bool sprite_loaded = load(path, sprite, decode_picture, sprite_failure);
        ShadowMask mask;
        package::InputFailure mask_failure;
        const bool mask_loaded = load(shadow_path, mask, decode_shadow_mask, mask_failure);
        // The mask's line has no line break: the next console output
        // continues it.
        if (!mask_loaded) {
            return package::skip_for_mask(package, path, shadow_path, mask_failure,
                                          sprite_loaded ? nullptr : &sprite_failure);
        }
        if (!sprite_loaded)
            return package::skip_input(package, package::Input::file, path, sprite_failure);
        if (!convert_sprite_to_pdt10(sprite, mask, block)) {
            return package::skip_input(package, package::Input::file, path, kNoMemoryForPicture);
        }
    }  // mask and sprite pixels are freed here
    package::add_package_entry(package, entry.c_str(), block.bytes.data(), block.entry_size,
                               path.c_str());
}

void convert_picture(package::Package& package, const std::string& folder,
                     const std::string& name) {
    const std::string path = folder + name;
    std::string entry;
    if (!entry_name(package, folder, name, entry)) return;
    Pdt10Block block;
    {
        DecodedPicture picture;
        package::InputFailure failure;
        if (!load(path, picture, decode_picture, failure)) {
            return package::skip_input(package, package::Input::file, path, failure);
        }
        if (!convert_picture_to_pdt10(picture, block)) {
            return package::skip_input(package, package::Input::file, path, kNoMemoryForPicture);
        }
    }  // the source pixels are freed here
    if (base::upper_cased_name(entry) == kMapPictureName) darken_map_cell(block);
    package::add_package_entry(package, entry.c_str(), block.bytes.data(), block.entry_size,
                               path.c_str());
}

std::string picture_entry_name(const std::string& name) {
    return name.substr(0, name.find('.')) + ".PDT";
}

}  // namespace msconv::image
