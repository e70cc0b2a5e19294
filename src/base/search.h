// SPDX-License-Identifier: GPL-2.0-or-later
// The game's folders and their listings: the game folder is listed once, and
// each of its folders once, as a vector in the search order
// (platform::name_less), for the program to read. A folder that cannot be
// listed comes back as a failure, never as an empty listing.
#pragma once

#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "platform/platform.h"

// The game folder and what stands directly below it.
struct GameFolder {
    std::string path;  // ends in the separator
    std::vector<platform::Match> entries;
};

// Lists the game folder at `path` (ending in the separator); false, with the
// system's reason, when it cannot be listed.
[[nodiscard]] bool list_game_folder(const std::string& path, GameFolder& game, std::string& reason);

// True when the game folder holds a folder (not a file) whose name equals
// MES, CG, ENDING, SYSTEM or CHAR by its key.
bool holds_game_folders(const GameFolder& game);

// The folders directly below the game folder whose names equal `name` by
// their keys (platform::name_key: "cg" and "Cg" are "CG"), in the search
// order, each ending in the separator. When there are several, a message
// names them: they are read as one folder. One that is the same folder as
// an earlier one (a link to it) is read only once, and a message says so.
std::vector<std::string> game_folders(const GameFolder& game, const char* name,
                                      Diagnostics& diagnostics);

// The files (no directories) matching `pattern` in every folder of the game
// named `name`, as one listing in the search order; the folders searched, in
// that order, and those that could not be listed.
struct [[nodiscard]] GameFiles {
    std::vector<platform::Match> files;
    std::vector<std::string> folders;
    std::vector<platform::ListFailure> failures;
};
GameFiles list_game_files(const GameFolder& game, const char* name, const std::string& pattern,
                          Diagnostics& diagnostics);
