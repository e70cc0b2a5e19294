// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <algorithm>

std::vector<std::string> game_folders(const std::string& game_folder, const char* name,
                                      Diagnostics& diagnostics) {
    std::vector<platform::Match> entries;
    platform::list_folder(game_folder, entries);
    const std::u16string wanted = platform::name_key(name);
    std::vector<std::string> names;
    for (const platform::Match& entry : entries) {
        if (entry.directory && platform::name_key(entry.name) == wanted)
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), platform::name_less);
    std::vector<std::string> folders;
    for (const std::string& folder : names)
        folders.push_back(game_folder + folder + platform::kSeparator);
    for (std::size_t i = 1; i < folders.size(); ++i) {
        note(diagnostics, "********** Folders %s and %s are read as one folder\n",
             {as_system(game_folder + names[0]), as_system(game_folder + names[i])});
    }
    return folders;
}

std::vector<platform::Match> list_game_files(const std::string& game_folder, const char* name,
                                             const std::string& pattern, Diagnostics& diagnostics) {
    std::vector<platform::Match> files =
        platform::search_folders(game_folders(game_folder, name, diagnostics), pattern);
    std::erase_if(files, [](const platform::Match& match) { return match.directory; });
    return files;
}
