// SPDX-License-Identifier: GPL-2.0-or-later
// The conversion run, from the banner to the final key press.
#pragma once

#include <string>

// Exit statuses of msconv.
enum ExitStatus : int {
    kExitSuccess = 0,     // the package was written
    kExitCancelled = 1,   // no game folder was chosen
    kExitFailed = 2,      // no package: it could not be created or written, or a scenario failed
    kExitIncomplete = 3,  // the package was written, but input files were skipped or SEEN files
                          // written unsound (each named)
};

struct RunOptions {
    std::string game_folder;    // empty: ask for it
    std::string output_folder;  // empty: the converter folder
    std::string data_folder;    // empty: DATA in the converter folder
    std::string inside;         // the game's folder inside game_folder (names separated by '/')
    bool wait_for_key = true;   // wait for a key at the end
    bool quiet = false;         // no progress line
    bool verify = false;        // verify each SEEN file written; a warning per unsound one
    unsigned jobs = 1;          // compression threads; the package is the same for any number
};

// Runs the whole conversion and returns its exit status.
int run_conversion(const RunOptions& options);
