// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <algorithm>

#include "base/console.h"

namespace msconv::base {

namespace {

void close_search(FileSearch& search) {
    if (search.handle) platform::search_close(search.handle);
    search.handle = nullptr;
}

// Closes a search still open and takes over one just opened: reports its
// size and returns its first name that is not a directory.
const char* start(FileSearch& search, platform::Search* handle, const platform::Match& first) {
    close_search(search);
    search.result.clear();
    search.folder.clear();
    search.directories.clear();
    search.handle = handle;
    if (search.started)
        search.started(search.context,
                       search.handle ? platform::search_file_count(search.handle) : 0);
    if (!search.handle) return nullptr;
    if (first.directory) {
        search.directories.push_back(first.name);
        return find_next_file(search);
    }
    search.result = first.name;
    search.folder = first.folder;
    return search.result.c_str();
}

}  // namespace

FileSearch::~FileSearch() {
    close_search(*this);
}

const char* find_first_file(FileSearch& search, const std::string& pattern) {
    platform::Match first;
    platform::Search* handle = platform::search_open(pattern, first);
    return start(search, handle, first);
}

const char* find_first_game_file(FileSearch& search, const std::string& game_folder,
                                 const char* name, const std::string& pattern) {
    platform::Match first;
    platform::Search* handle =
        platform::search_open(game_folders(game_folder, name), pattern, first);
    return start(search, handle, first);
}

const char* find_next_file(FileSearch& search) {
    if (!search.handle) return nullptr;
    platform::Match match;
    while (platform::search_next(search.handle, match)) {
        if (match.directory) {
            search.directories.push_back(match.name);
            continue;
        }
        search.result = match.name;
        search.folder = match.folder;
        return search.result.c_str();
    }
    close_search(search);
    return nullptr;
}

std::vector<std::string> game_folders(const std::string& game_folder, const char* name) {
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
        console_show("********** Folders %s and %s are read as one folder\n",
                     {as_system(game_folder + names[0]), as_system(game_folder + names[i])});
    }
    return folders;
}

std::vector<platform::Match> list_game_files(const std::string& game_folder, const char* name,
                                             const std::string& pattern) {
    std::vector<platform::Match> files =
        platform::search_folders(game_folders(game_folder, name), pattern);
    std::erase_if(files, [](const platform::Match& match) { return match.directory; });
    return files;
}

}  // namespace msconv::base
