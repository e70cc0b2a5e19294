// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <algorithm>

bool list_game_folder(const std::string& path, GameFolder& game, std::string& reason) {
    game.path = path;
    game.entries.clear();
    return platform::list_folder(path, game.entries, reason);
}

bool holds_game_folders(const GameFolder& game) {
    return std::any_of(game.entries.begin(), game.entries.end(), [](const platform::Match& entry) {
        if (!entry.directory) return false;
        const std::u16string key = platform::name_key(entry.name);
        return key == u"MES" || key == u"CG" || key == u"ENDING" || key == u"SYSTEM" ||
               key == u"CHAR";
    });
}

std::vector<std::string> game_folders(const GameFolder& game, const char* name,
                                      Diagnostics& diagnostics) {
    const std::u16string wanted = platform::name_key(name);
    std::vector<std::string> names;
    for (const platform::Match& entry : game.entries) {
        if (entry.directory && platform::name_key(entry.name) == wanted)
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), platform::name_less);
    std::vector<std::string> folders;
    std::vector<std::pair<platform::FileIdentity, std::string>> read;  // identity, path
    for (const std::string& folder : names) {
        const std::string path = game.path + folder;
        platform::FileIdentity identity;
        if (platform::file_identity(path, identity)) {
            const auto same = std::find_if(read.begin(), read.end(),
                                           [&](const auto& r) { return r.first == identity; });
            if (same != read.end()) {
                note(diagnostics, "********** Folder %s is the folder %s, read once\n",
                     {as_system(path), as_system(same->second)});
                continue;
            }
            read.emplace_back(identity, path);
        }
        if (!folders.empty()) {
            note(diagnostics, "********** Folders %s and %s are read as one folder\n",
                 {as_system(game.path + names[0]), as_system(path)});
        }
        folders.push_back(path + platform::kSeparator);
    }
    return folders;
}

GameFiles list_game_files(const GameFolder& game, const char* name, const std::string& pattern,
                          Diagnostics& diagnostics) {
    GameFiles listing;
    listing.folders = game_folders(game, name, diagnostics);
    platform::Search search = platform::search_folders(listing.folders, pattern);
    std::erase_if(search.matches, [](const platform::Match& match) { return match.directory; });
    listing.files = std::move(search.matches);
    listing.failures = std::move(search.failures);
    return listing;
}
