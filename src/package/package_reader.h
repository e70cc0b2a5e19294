// SPDX-License-Identifier: GPL-2.0-or-later
// Reading a package that stands whole in memory: the header, the directory
// and the entries. Used by avdtool and the tests; every read is bounds-checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package.h"

struct PackageView {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint16_t entry_count = 0;
    std::vector<DirectoryEntry> directory;  // as stored, offsets absolute
};

// Parses header and directory. False, with a reason in `error`, when the file
// is too short for them.
bool parse_package(const std::uint8_t* data, std::size_t size, PackageView& view,
                   std::string& error);

// Checks what the player relies on: the header constants, the directory
// order, entry names that are file names (entry_name_fault), contiguous entry
// data from 64 + 32 x N to the end of the file, and that every entry
// decompresses to exactly its unpacked size. False, with the first fault in
// `error`. Entries that share a name are no fault; each such name adds a line
// to `warnings` when it is given.
bool verify_package(const PackageView& view, std::string& error,
                    std::vector<std::string>* warnings = nullptr);

// Decompresses one entry. False, with a reason in `error`, when its data lie
// outside the file or do not decompress to exactly the unpacked size.
bool extract_entry(const PackageView& view, const DirectoryEntry& entry,
                   std::vector<std::uint8_t>& out, std::string& error);

// The entry's name as a string (at most 15 bytes).
std::string entry_name(const DirectoryEntry& entry);

// Why `name` cannot be written into a folder as a file of that name: it is
// empty, "." or "..", or holds a separator ('/', or a backslash that is no
// trail byte of a double-byte character) or a byte below 0x20. Empty when it can.
std::string entry_name_fault(const std::string& name);
