// SPDX-License-Identifier: GPL-2.0-or-later
// The raw import: files of the converter's DATA folder are copied into the
// package unchanged.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace msconv::base {
struct FileSearch;
}  // namespace msconv::base
namespace msconv::package {
struct Package;
}  // namespace msconv::package

namespace msconv::raw_import {

// Adds the whole file `name` of `folder` (which ends in a separator) as an
// entry named by the code page 932 form of `name`. A file that cannot be read,
// or whose name cannot name an entry, is reported and skipped.
void import_raw_file(package::Package& package, const std::string& folder, const std::string& name);

// Imports every file of `folder` (which ends in a separator), in search
// order. Files that are one of `own_files` (the same file, whatever its name)
// are left out: the run's own output files. Each sub-folder is named in a
// warning and counted as left out, since its files are not imported.
void import_raw_folder(package::Package& package, base::FileSearch& search,
                       const std::string& folder,
                       const std::vector<platform::FileIdentity>& own_files = {});

}  // namespace msconv::raw_import
