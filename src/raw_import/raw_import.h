// SPDX-License-Identifier: GPL-2.0-or-later
// The raw import: files of the converter's DATA folder are copied into the
// package unchanged.
#pragma once

#include <string>
#include <vector>

struct FileSearch;
struct Package;

// Adds the whole file at `path` as an entry named by its base name. A file
// that cannot be opened is skipped silently.
void import_raw_file(Package& package, const std::string& path);

// Imports every file (not sub-folder) matching `pattern`, for example
// "<folder>/DATA/*.*", in search order. Files named in `skipped` (compared as
// Windows compares names, whatever their case) are left out: the run's own
// output files when the folder is the output folder.
void import_raw_folder(Package& package, FileSearch& search, const std::string& pattern,
                       const std::vector<std::string>& skipped = {});
