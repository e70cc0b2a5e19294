// SPDX-License-Identifier: GPL-2.0-or-later
// The image converter: pictures and character sprites become PDT10 entries
// of the package. The only part of the image layer that knows the package.
#pragma once

#include <string>

namespace msconv::base {
struct FileSearch;
}  // namespace msconv::base
namespace msconv::package {
struct Package;
}  // namespace msconv::package

namespace msconv::image {

// Converts every sprite of the game's CHAR folders with its shadow mask from
// its SHADOW folders (each name in any case; several such folders are read
// as one: base::find_first_game_file).
void convert_character_sprites(package::Package& package, base::FileSearch& search,
                               const std::string& game_folder);

// Converts every picture of the game's folders named `folder` in any case.
void convert_picture_folder(package::Package& package, base::FileSearch& search,
                            const std::string& game_folder, const std::string& folder);

// Loads the sprite `name` of `folder` (which ends in a separator) and its
// mask, converts and stores them as the entry named after the sprite. A
// sprite whose mask or picture cannot be loaded is reported and skipped.
void convert_sprite(package::Package& package, const std::string& folder, const std::string& name,
                    const std::string& shadow_path);

// Loads, converts, names and stores the picture `name` of `folder`. A picture
// that cannot be loaded, or whose name cannot name an entry, is reported with
// a warning and nothing is stored.
void convert_picture(package::Package& package, const std::string& folder, const std::string& name);

// The entry name of a picture file's code page 932 name: up to its first
// full stop, with ".PDT" appended. Not upper-cased.
std::string picture_entry_name(const std::string& name);

}  // namespace msconv::image
