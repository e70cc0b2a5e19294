// SPDX-License-Identifier: GPL-2.0-or-later
// The game's folders and their listings: each folder is listed once, as a
// vector in the search order (platform::name_less), for the program to read.
#pragma once

#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "platform/platform.h"

// The folders directly below `game_folder` (ending in the separator) whose
// names equal `name` by their keys (platform::name_key: "cg" and "Cg" are
// "CG"), in the search order, each ending in the separator. When there are
// several, a message names them: they are read as one folder.
std::vector<std::string> game_folders(const std::string& game_folder, const char* name,
                                      Diagnostics& diagnostics);

// The files (no directories) matching `pattern` in every folder of the game
// named `name`, as one listing in the search order.
std::vector<platform::Match> list_game_files(const std::string& game_folder, const char* name,
                                             const std::string& pattern, Diagnostics& diagnostics);
