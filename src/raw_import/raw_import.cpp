// SPDX-License-Identifier: GPL-2.0-or-later
#include "raw_import/raw_import.h"

#include <utility>

DataListing split_data_listing(std::vector<platform::Match> listing) {
    DataListing split;
    for (platform::Match& item : listing) {
        if (!item.directory) {
            split.files.push_back(std::move(item));
            continue;
        }
        ++split.folders;
        note_error(split.folder_warnings, "msconv: %s is a folder; its files are not imported\n",
                   {as_system(item.folder + item.name)});
    }
    return split;
}
