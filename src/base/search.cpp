// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <algorithm>

Source archive_source(Archive& archive) {
    return {&archive, archive.path.size() + 1, '/'};
}

bool list_source_folder(const Source& source, const std::string& path,
                        std::vector<platform::Match>& entries, std::string& reason) {
    if (!source.archive) return platform::list_folder(path, entries, reason);
    std::size_t node = 0;
    if (path.size() < source.prefix ||
        !find_archive_folder(*source.archive, path.substr(source.prefix), node)) {
        reason = "no such folder in the archive";
        return false;
    }
    list_archive_folder(*source.archive, node, path, entries);
    return true;
}

platform::Search search_source(const Source& source, const std::vector<std::string>& folders,
                               const std::string& pattern) {
    const auto list = [](const void* from, const std::string& folder,
                         std::vector<platform::Match>& entries, std::string& reason) {
        return list_source_folder(*static_cast<const Source*>(from), folder, entries, reason);
    };
    return platform::search_folders(folders, pattern, list, &source);
}

platform::ReadStatus read_found(const Source& source, const platform::Match& file,
                                std::vector<std::uint8_t>& out, std::uint64_t max_size,
                                std::string* reason) {
    if (source.archive && file.entry != 0)
        return read_archive_file(*source.archive, file.entry - 1, out, max_size, reason);
    return platform::read_file(file.folder + file.name, out, max_size, reason);
}

bool list_game_folder(const std::string& path, GameFolder& game, std::string& reason,
                      const Source& source) {
    game.path = path;
    game.entries.clear();
    game.source = source;
    return list_source_folder(source, path, game.entries, reason);
}

bool holds_game_folders(const GameFolder& game) {
    return std::any_of(game.entries.begin(), game.entries.end(), [](const platform::Match& entry) {
        if (!entry.directory) return false;
        const std::u16string key = platform::name_key(entry.name);
        return key == u"MES" || key == u"CG" || key == u"ENDING" || key == u"SYSTEM" ||
               key == u"CHAR";
    });
}

std::vector<std::string> game_folders(const GameFolder& game, const char* name, Diagnostics& said) {
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
        // An archive has no links between folders: each is read.
        if (!game.source.archive && platform::file_identity(path, identity)) {
            const auto same = std::find_if(read.begin(), read.end(),
                                           [&](const auto& r) { return r.first == identity; });
            if (same != read.end()) {
                note(said, "********** Folder %s is the folder %s, read once\n",
                     {as_system(path), as_system(same->second)});
                continue;
            }
            read.emplace_back(identity, path);
        }
        if (!folders.empty()) {
            note(said, "********** Folders %s and %s are read as one folder\n",
                 {as_system(game.path + names[0]), as_system(path)});
        }
        folders.push_back(path + game.source.separator);
    }
    return folders;
}

GameFiles list_game_files(const GameFolder& game, const char* name, const std::string& pattern,
                          Diagnostics& said) {
    GameFiles listing;
    listing.folders = game_folders(game, name, said);
    platform::Search search = search_source(game.source, listing.folders, pattern);
    std::erase_if(search.matches, [](const platform::Match& match) { return match.directory; });
    listing.files = std::move(search.matches);
    listing.failures = std::move(search.failures);
    return listing;
}
