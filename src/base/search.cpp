// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

namespace msconv::base {

namespace {
void close_search(FileSearch& search) {
    if (search.handle) platform::search_close(search.handle);
    search.handle = nullptr;
}
}  // namespace

FileSearch::~FileSearch() {
    close_search(*this);
}

const char* find_first_file(FileSearch& search, const std::string& pattern) {
    search.result.clear();
    close_search(search);
    platform::Match match;
    search.handle = platform::search_open(pattern, match);
    if (search.started)
        search.started(search.context,
                       search.handle ? platform::search_file_count(search.handle) : 0);
    if (!search.handle) return nullptr;
    if (match.directory) return find_next_file(search);
    search.result = match.name;
    return search.result.c_str();
}

const char* find_next_file(FileSearch& search) {
    if (!search.handle) return nullptr;
    platform::Match match;
    while (platform::search_next(search.handle, match)) {
        if (!match.directory) {
            search.result = match.name;
            return search.result.c_str();
        }
    }
    close_search(search);
    return nullptr;
}

}  // namespace msconv::base
