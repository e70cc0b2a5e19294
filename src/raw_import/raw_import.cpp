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

namespace msconv::raw_import {

void import_raw_file(package::Package& package, const std::string& folder,
                     const std::string& name) {
    const std::string path = folder + name;
    std::string entry;
    if (!package::found_entry_name(package, package::Input::data, folder, name, entry)) return;
    std::vector<std::uint8_t> block;
    std::string reason;
    const platform::ReadStatus status = platform::read_file(path, block, UINT32_MAX, &reason);
    if (status == platform::ReadStatus::ok || status == platform::ReadStatus::empty) {
        package::add_package_entry(package, entry.c_str(), std::move(block), path.c_str());
    } else {
        package::skip_input(package, package::Input::data, path,
                            package::read_failure(status, reason, UINT32_MAX));
    }
}

void import_raw_folder(package::Package& package, base::FileSearch& search,
                       const std::string& folder,
                       const std::vector<platform::FileIdentity>& own_files) {
    for (const char* name = base::find_first_file(search, folder + "*.*"); name;
         name = base::find_next_file(search)) {
        platform::FileIdentity identity;
        const bool own = !own_files.empty() && platform::file_identity(folder + name, identity) &&
                         std::find(own_files.begin(), own_files.end(), identity) != own_files.end();
        // The name stays valid until the next search call; the import makes none.
        if (!own) import_raw_file(package, folder, name);
    }
    // A sub-folder is an input left out: its files are not imported.
    for (const std::string& directory : search.directories) {
        ++package.skipped;
        base::console_show_error("msconv: %s is a folder; its files are not imported\n",
                                 {base::as_system(folder + directory)});
    }
}

}  // namespace msconv::raw_import
