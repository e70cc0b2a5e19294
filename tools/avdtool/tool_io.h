// SPDX-License-Identifier: GPL-2.0-or-later
// What every avdtool command shares: reading its input, refusing what is no
// package, and creating output files only as new files. Each function prints
// its own error line, naming the file and the reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_reader.h"

// Reads the whole file at `path`, which must be a regular file.
bool read_input(const std::string& path, std::vector<std::uint8_t>& bytes);

// True when `bytes` start with the package magic.
bool has_package_magic(const std::vector<std::uint8_t>& bytes);

// Reads the package at `path` and parses its header and directory. A file
// without the package magic is refused.
bool load_package(const std::string& path, std::vector<std::uint8_t>& bytes,
                  msconv::package::PackageView& view);

// False, with a message, for an entry of the package at `path` whose name
// is no file name.
bool usable_name(const std::string& path, const std::string& name);

// Creates `folder` with its parents where they are missing.
bool make_folder(const std::string& folder);

// Writes `content` to `path` as a new file. Whatever already has that name,
// a symbolic link or a FIFO among them, is left alone and reported.
bool write_new_file(const std::string& path, const void* content, std::size_t size);
