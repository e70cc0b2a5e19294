// The image converter: pictures and character sprites become PDT10 entries.
#pragma once

#include <string>

struct FileSearch;
struct Package;

// Converts every sprite of "<game folder>CHAR" with its shadow mask from
// "<game folder>SHADOW".
void convert_character_sprites(Package& package, FileSearch& search,
                               const std::string& game_folder);

// Converts every picture of "<game folder><folder>".
void convert_picture_folder(Package& package, FileSearch& search, const std::string& game_folder,
                            const std::string& folder);
