// SPDX-License-Identifier: GPL-2.0-or-later
// The raw import: the files of the converter's DATA folder are copied into
// the package unchanged, each as the entry of its code page 932 name.
#pragma once

#include <cstdint>
#include <vector>

#include "base/diagnostics.h"
#include "platform/platform.h"

// A DATA file is copied as it is, an empty one too, up to this size.
inline constexpr std::uint64_t kMaxDataFileSize = UINT32_MAX;

// What the DATA folder's listing becomes: its files, copied in the listing's
// order, and a warning for each sub-folder (its files are not imported),
// which counts as an input left out.
struct DataListing {
    std::vector<platform::Match> files;
    Diagnostics folder_warnings;
    std::size_t folders = 0;
};
DataListing split_data_listing(std::vector<platform::Match> listing);
