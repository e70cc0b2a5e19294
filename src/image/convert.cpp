#include "image/convert.h"

#include "base/search.h"
#include "image/pdt10.h"
#include "image/sprite.h"
#include "platform/platform.h"

namespace {
constexpr char kSep = platform::kSeparator;
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
