// SPDX-License-Identifier: GPL-2.0-or-later
// What every avdtool command shares: reading its input, refusing what is no
// package, creating output files only as new files, and the console rule of
// its lines. Each function prints its own error line, naming the file and
// the reason.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/console.h"
#include "package/package_reader.h"
#include "platform/platform.h"

// Every line of every command goes out through console_show (standard
// output) or console_show_error (standard error), by the console rule of
// msconv: `format` and its plain pieces are code page 932 text, transcoded
// under a UTF-8 locale and written as bytes otherwise. An entry name is such
// a piece as printable_name gives it (bytes below 0x20 and 0x7F as \xNN); a
// path or a system's reason is an as_system piece, shown as the user named it.

// Reads the whole file at `path`, which must be a regular file.
bool read_input(const std::string& path, std::vector<std::uint8_t>& bytes);

// Reads the package at `path` and parses its header and directory. A file
// without the package magic is refused.
bool load_package(const std::string& path, std::vector<std::uint8_t>& bytes, PackageView& view);
// The second half of load_package, on bytes read already; `other_magic`
// follows the magic in the message of a file that lacks it.
bool parse_input(const std::string& path, const std::vector<std::uint8_t>& bytes, PackageView& view,
                 const char* other_magic);

// False, with a message, for an entry of the package at `path` whose name
// is no file name.
bool usable_name(const std::string& path, const std::string& name);

// Creates `folder` with its parents where they are missing.
bool make_folder(const std::string& folder);

// Writes `content` to `path` as a new file. Whatever already has that name,
// a symbolic link or a FIFO among them, is left alone and reported.
bool write_new_file(const std::string& path, const void* content, std::size_t size);
// The two halves of write_new_file: the file created (nullptr, reported, when
// something has the name already), then written and closed (deleted when that
// fails).
platform::File* create_output(const std::string& path);
bool finish_output(platform::File* file, const std::string& path, const void* content,
                   std::size_t size);

// Decompresses `entry` of the package at `path` into `content`; false, with a
// message, when its data do not decompress.
bool extract_shown(const std::string& path, const PackageView& view, const DirectoryEntry& entry,
                   std::vector<std::uint8_t>& content);
