// SPDX-License-Identifier: GPL-2.0-or-later
// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

struct TempFolder {
    std::string path;  // ends without a separator
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "msconv-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        // Give back write permission that a test may have taken away.
        for (auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string prefix() const { return path + "/"; }  // the folder as the product names one
};
