// SPDX-License-Identifier: GPL-2.0-or-later
// The game's folders and their listings: the game folder is listed once, and
// each of its folders once, as a vector in the search order
// (platform::name_less), for the program to read. A folder that cannot be
// listed comes back as a failure, never as an empty listing. The folders
// may be those of a disc image or archive: then a path is the archive's
// path, a colon and the folder in it ("game.iso:MES/"), with '/' between
// the names on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "base/diagnostics.h"
#include "platform/platform.h"

// Where the run's files are: the file system, or the archive `archive`,
// whose paths begin with `prefix` characters of its own ("game.iso:").
struct Source {
    Archive* archive = nullptr;
    std::size_t prefix = 0;
    char separator = platform::kSeparator;
};

// The source whose paths begin with the archive's path and a colon.
Source archive_source(Archive& archive);

// Lists the folder at `path` of `source` (ending in its separator); false,
// with the reason, when it cannot be listed.
[[nodiscard]] bool list_source_folder(const Source& source, const std::string& path,
                                      std::vector<platform::Match>& entries, std::string& reason);

// platform::search_folders over folders of `source`.
platform::Search search_source(const Source& source, const std::vector<std::string>& folders,
                               const std::string& pattern);

// Reads the file `file` of `source` whole, as platform::read_file does.
platform::ReadStatus read_found(const Source& source, const platform::Match& file,
                                std::vector<std::uint8_t>& out, std::uint64_t max_size,
                                std::string* reason);

// The game folder and what stands directly below it.
struct GameFolder {
    std::string path;  // ends in the separator
    std::vector<platform::Match> entries;
    Source source;
};

// Lists the game folder at `path` (ending in the separator); false, with the
// system's reason, when it cannot be listed.
[[nodiscard]] bool list_game_folder(const std::string& path, GameFolder& game, std::string& reason,
                                    const Source& source = {});

// True when the game folder holds a folder (not a file) whose name equals
// MES, CG, ENDING, SYSTEM or CHAR by its key.
bool holds_game_folders(const GameFolder& game);

// The folders directly below the game folder whose names equal `name` by
// their keys (platform::name_key: "cg" and "Cg" are "CG"), in the search
// order, each ending in the separator. When there are several, a message
// names them: they are read as one folder. One that is the same folder as
// an earlier one (a link to it) is read only once, and a message says so.
std::vector<std::string> game_folders(const GameFolder& game, const char* name, Diagnostics& said);

// The files (no directories) matching `pattern` in every folder of the game
// named `name`, as one listing in the search order; the folders searched, in
// that order, and those that could not be listed.
struct [[nodiscard]] GameFiles {
    std::vector<platform::Match> files;
    std::vector<std::string> folders;
    std::vector<platform::ListFailure> failures;
};
GameFiles list_game_files(const GameFolder& game, const char* name, const std::string& pattern,
                          Diagnostics& said);
