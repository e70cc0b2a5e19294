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
// order, contiguous entry data from 64 + 32 x N to the end of the file, and
// that every entry decompresses to exactly its unpacked size. False, with the
// first fault in `error`.
bool verify_package(const PackageView& view, std::string& error);

// Decompresses one entry. False, with a reason in `error`, when its data lie
// outside the file or do not decompress to exactly the unpacked size.
bool extract_entry(const PackageView& view, const DirectoryEntry& entry,
                   std::vector<std::uint8_t>& out, std::string& error);

// The entry's name as a string (at most 15 bytes).
std::string entry_name(const DirectoryEntry& entry);
