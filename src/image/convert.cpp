// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/convert.h"

#include <span>

#include "base/names.h"
#include "base/search.h"
#include "image/picture.h"
#include "image/picture_decode.h"
#include "image/sprite.h"
#include "package/package.h"
#include "platform/platform.h"

namespace {

constexpr char kSep = platform::kSeparator;

// Reads the file at `path` whole and decodes it. False with the failure
// when the file cannot be read or its header gives no picture.
template <typename Decoded>
bool load(const std::string& path, Decoded& decoded,
          PictureLoad (*decode)(std::span<const std::uint8_t>, Decoded&), InputFailure& failure) {
    std::vector<std::uint8_t> file;
    std::string reason;
    const PictureLoad read = platform::read_file(path, file, kMaxPictureFileSize, &reason);
    if (read != PictureLoad::ok) {
        failure = read_failure(read, reason, kMaxPictureFileSize);
        return false;
    }
    switch (decode(file, decoded)) {
        case PictureLoad::ok:
            return true;
        case PictureLoad::too_large:
            failure = {SkipReason::too_large,
                       "more than " + std::to_string(kMaxPicturePixels) + " pixels"};
            return false;
        case PictureLoad::no_memory:
            failure = {SkipReason::no_memory, "not enough memory for its pixels"};
            return false;
        case PictureLoad::empty:
        case PictureLoad::cannot_open:
        case PictureLoad::read_error:
            break;
    }
    failure = {SkipReason::empty, {}};
    return false;
}

const InputFailure kNoMemoryForPicture{SkipReason::no_memory,
                                       "not enough memory for the converted picture"};

// The entry name of a found picture file, or false (reported) when its name
// cannot name an entry.
bool entry_name(Package& package, const std::string& folder, const std::string& name,
                std::string& entry) {
    std::string cp932;
    const NameProblem problem = entry_name_of(name, cp932);
    if (problem != NameProblem::none) {
        skip_input(package, Input::file, folder + name,
                   {SkipReason::bad_name, name_problem_text(problem)});
        return false;
    }
    entry = picture_entry_name(cp932);
    return true;
}

}  // namespace

void convert_character_sprites(Package& package, FileSearch& search,
                               const std::string& game_folder) {
    const std::string sprite_folder = game_folder + "CHAR" + kSep;
    const std::string shadow_folder = game_folder + "SHADOW" + kSep;
    for (const char* name = find_first_file(search, sprite_folder + "*.MOE"); name;
         name = find_next_file(search)) {
        convert_sprite(package, sprite_folder, name, shadow_folder + shadow_name(name));
    }
}

void convert_picture_folder(Package& package, FileSearch& search, const std::string& game_folder,
                            const std::string& folder) {
    const std::string prefix = game_folder + folder + kSep;
    for (const char* name = find_first_file(search, prefix + "*.MOE"); name;
         name = find_next_file(search)) {
        convert_picture(package, prefix, name);
    }
}

void convert_sprite(Package& package, const std::string& folder, const std::string& name,
                    const std::string& shadow_path) {
    const std::string path = folder + name;
    std::string entry;
    if (!entry_name(package, folder, name, entry)) return;
    Pdt10Block block;
    {
        DecodedPicture sprite;
        InputFailure sprite_failure;
        const bool sprite_loaded = load(path, sprite, decode_picture, sprite_failure);
        ShadowMask mask;
        InputFailure mask_failure;
        const bool mask_loaded = load(shadow_path, mask, decode_shadow_mask, mask_failure);
        // The mask's line has no line break: the next console output
        // continues it.
        if (!mask_loaded) skip_input(package, Input::mask, shadow_path, mask_failure);
        if (!sprite_loaded) return skip_input(package, Input::file, path, sprite_failure);
        if (!mask_loaded) return;
        if (!convert_sprite_to_pdt10(sprite, mask, block)) {
            return skip_input(package, Input::file, path, kNoMemoryForPicture);
        }
    }  // mask and sprite pixels are freed here
    add_package_entry(package, entry.c_str(), block.bytes.data(), block.entry_size, path.c_str());
}

void convert_picture(Package& package, const std::string& folder, const std::string& name) {
    const std::string path = folder + name;
    std::string entry;
    if (!entry_name(package, folder, name, entry)) return;
    Pdt10Block block;
    {
        DecodedPicture picture;
        InputFailure failure;
        if (!load(path, picture, decode_picture, failure)) {
            return skip_input(package, Input::file, path, failure);
        }
        if (!convert_picture_to_pdt10(picture, block)) {
            return skip_input(package, Input::file, path, kNoMemoryForPicture);
        }
    }  // the source pixels are freed here
    if (upper_cased_name(entry) == kMapPictureName) darken_map_cell(block);
    add_package_entry(package, entry.c_str(), block.bytes.data(), block.entry_size, path.c_str());
}

std::string picture_entry_name(const std::string& name) {
    return name.substr(0, name.find('.')) + ".PDT";
}
