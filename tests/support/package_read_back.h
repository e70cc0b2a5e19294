// SPDX-License-Identifier: GPL-2.0-or-later
// A finished package read back through the product's reader: it must parse
// and verify, and every entry is decompressed, in directory order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_reader.h"
#include "platform/platform.h"

struct StoredEntry {
    std::string name;
    std::uint32_t offset = 0;  // where its data lie: the order it was added in
    std::uint32_t unpacked_size = 0;
    std::vector<std::uint8_t> data;
};

struct StoredPackage {
    std::vector<std::uint8_t> bytes;
    std::vector<StoredEntry> entries;

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const StoredEntry& entry : entries)
            out.push_back(entry.name);
        return out;
    }
    // The entry of that name, or nullptr.
    const StoredEntry* find(const std::string& name) const {
        for (const StoredEntry& entry : entries)
            if (entry.name == name) return &entry;
        return nullptr;
    }
};

inline StoredPackage read_package(const std::string& path) {
    StoredPackage stored;
    EXPECT_EQ(platform::read_file(path, stored.bytes, UINT32_MAX), platform::ReadStatus::ok)
        << path;
    PackageView view;
    std::string error;
    EXPECT_TRUE(parse_package(stored.bytes.data(), stored.bytes.size(), view, error))
        << path << ": " << error;
    EXPECT_TRUE(verify_package(view, error)) << path << ": " << error;
    for (const DirectoryEntry& entry : view.directory) {
        StoredEntry one{entry_name(entry), entry.offset, entry.unpacked_size, {}};
        EXPECT_TRUE(extract_entry(view, entry, one.data, error)) << path << ": " << error;
        stored.entries.push_back(std::move(one));
    }
    return stored;
}
