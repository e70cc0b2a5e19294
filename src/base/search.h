// SPDX-License-Identifier: GPL-2.0-or-later
// The converter's file search: one search open at a time, directories
// skipped, names returned in the search order (platform::name_less).
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace msconv::base {

struct FileSearch {
    platform::Search* handle = nullptr;
    std::string result;  // the last name returned; valid until the next call
    std::string folder;  // the folder the last name was found in, ending in the separator
    // The names of the directories the search passed over, until the next
    // search starts.
    std::vector<std::string> directories;
    // Told the number of files each new search lists, when set.
    void* context = nullptr;
    void (*started)(void* context, std::size_t files) = nullptr;

    FileSearch() = default;
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;
    ~FileSearch();
};

// Closes a search still open and starts one over `pattern`. Returns the first
// name that is not a directory, or nullptr.
const char* find_first_file(FileSearch& search, const std::string& pattern);
// The same over every folder of the game named `name` (game_folders): their
// files as one listing, in the search order, each with its own folder.
const char* find_first_game_file(FileSearch& search, const std::string& game_folder,
                                 const char* name, const std::string& pattern);
// Returns the next name that is not a directory, or nullptr once the search
// is exhausted (the search is then closed).
const char* find_next_file(FileSearch& search);

// The folders directly below `game_folder` (ending in the separator) whose
// names equal `name` by their keys (platform::name_key: "cg" and "Cg" are
// "CG"), in the search order, each ending in the separator. When there are
// several, a warning names them: they are read as one folder.
std::vector<std::string> game_folders(const std::string& game_folder, const char* name);

// The files (no directories) matching `pattern` in every folder of the game
// named `name`, as one listing in the search order.
std::vector<platform::Match> list_game_files(const std::string& game_folder, const char* name,
                                             const std::string& pattern);

}  // namespace msconv::base
