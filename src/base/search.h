// SPDX-License-Identifier: GPL-2.0-or-later
// The converter's file search: one search open at a time, directories
// skipped, names returned in the order the platform lists them.
#pragma once

#include <string>

#include "platform/platform.h"

namespace msconv::base {

struct FileSearch {
    platform::Search* handle = nullptr;
    std::string result;  // the last name returned; valid until the next call
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
// Returns the next name that is not a directory, or nullptr once the search
// is exhausted (the search is then closed).
const char* find_next_file(FileSearch& search);

}  // namespace msconv::base
