// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/search_list.h"

namespace msconv::platform {

bool search_next(Search* search, Match& next) {
    if (!search || search->next >= search->matches.size()) return false;
    next = search->matches[search->next++];
    return true;
}

std::size_t search_file_count(const Search* search) {
    std::size_t count = 0;
    for (const Match& match : search->matches)
        count += match.directory ? 0 : 1;
    return count;
}

void search_close(Search* search) {
    delete search;
}

}  // namespace msconv::platform
