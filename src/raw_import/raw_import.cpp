// SPDX-License-Identifier: GPL-2.0-or-later
#include "raw_import/raw_import.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/console.h"
#include "base/names.h"
#include "base/search.h"
#include "package/package.h"
#include "platform/platform.h"

void import_raw_file(Package& package, const std::string& path) {
    std::vector<std::uint8_t> block;
    switch (platform::read_file(path, block, UINT32_MAX)) {
        case platform::ReadStatus::ok:
        case platform::ReadStatus::empty:
            add_package_entry(package, base_name(path.c_str()), std::move(block), path.c_str());
            break;
        case platform::ReadStatus::no_memory:
            console_print("Could not allocate memory.");
            break;
        case platform::ReadStatus::too_large:
            console_print("********** %s is too large for a package entry, skipped\n",
                          path.c_str());
            break;
        case platform::ReadStatus::read_error:
            console_print("********** Cannot read %s\n", path.c_str());
            break;
        case platform::ReadStatus::cannot_open:
            break;
    }
}

void import_raw_folder(Package& package, FileSearch& search, const std::string& pattern,
                       const std::vector<std::string>& skipped) {
    const std::string folder = pattern.substr(0, pattern.find_last_of("\\/") + 1);
    for (const char* name = find_first_file(search, pattern); name; name = find_next_file(search)) {
        const std::string folded = upper_cased_name(name);
        const bool skip = std::any_of(skipped.begin(), skipped.end(), [&](const std::string& s) {
            return upper_cased_name(s) == folded;
        });
        if (!skip) import_raw_file(package, folder + name);
    }
}
