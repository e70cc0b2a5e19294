// SPDX-License-Identifier: GPL-2.0-or-later
// The program's side of the data path: game folder -> listing -> read ->
// convert -> package. Each folder is listed once; each file is read here,
// its bytes go to its converter, and what the library says goes into the
// run's sink, which prints each message as it is said. The files left out
// are named and counted here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/progress.h"
#include "base/search.h"
#include "base/status.h"
#include "package/package.h"
#include "platform/platform.h"

// The state of one conversion run: the package the entries go to, the
// progress line, the run's one sink of messages (its hand_up prints them),
// and the counts of the run's last lines.
struct RunState {
    Package& package;
    Progress& progress;
    Diagnostics& said;
    std::size_t skipped = 0;  // input files named in a warning and left out
    std::size_t unsound = 0;  // SEEN files named in a warning and written unsound
    bool verify = false;      // each SEEN file is verified before it is stored
};

// The scenarios of the game's MES folders, translated into SEEN entries.
// translation_failed when a file held an opcode without translation.
Status convert_scenarios(RunState& run, const GameFolder& game);
// The sprites of the CHAR folders with their masks from the SHADOW folders.
void convert_sprites(RunState& run, const GameFolder& game);
// The pictures of the game's folders named `folder` in any case.
void convert_pictures(RunState& run, const GameFolder& game, const char* folder);
// The run's own files: the staging file, the package's temporary file and
// the package it replaces, each by the identity of what stands at its path
// (a link there is not followed: it is never the file it points to).
struct OwnFile {
    std::string path;
    std::string name;                 // its name in the output folder
    platform::FileIdentity identity;  // of what stands at the path
    platform::FileIdentity folder;    // of the output folder
};
// Every file of the DATA folder but the run's own (`own_files`), unchanged.
// A DATA file that is one of them under another name or through a link (a
// hard link to the package) is named and left out.
// `source` says whether the folder is one of an archive.
void import_data(RunState& run, const std::string& data_folder, const Source& source,
                 const std::vector<OwnFile>& own_files);
// Finishes the package at `package_path`; the entries the package left out
// (each named in its warning) are counted.
Status finish(RunState& run, const std::string& package_path);
