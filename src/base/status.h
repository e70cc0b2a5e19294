// SPDX-License-Identifier: GPL-2.0-or-later
// What a step of the conversion reports to the run. Its messages came up
// before it (Diagnostics, or the program's own lines); only the run
// turns a status into its own console text and the program's exit code.
#pragma once

#include <string>

enum class Status {
    ok,
    cancelled,               // no game folder was chosen
    game_folder_missing,     // the game folder does not exist or is no folder
    game_folder_unknown,     // the game folder holds none of the game's folders
    game_folder_unlistable,  // the game folder cannot be listed
    archive_unreadable,      // a disc image or archive named as the game or DATA cannot be read
    archive_unknown,         // a file named as the game or DATA is no format the converter reads
    raw_disc_image,          // a raw CD image or cue sheet, which the converter does not read
    data_folder_missing,     // the DATA folder given does not exist or is no folder
    output_in_use,           // another run holds the staging file of the output folder
    cannot_create,           // the compressor or the staging file could not be set up
    translation_failed,      // an SIO opcode without translation (the conversion-failed flag)
    write_failed,            // the package could not be written
};

// Why an input file is not converted, with the details: the system's reason
// (cannot_open, cannot_read), the limit (too_large), the size (no_memory), or
// what is wrong with the name (bad_name).
enum class SkipReason { cannot_open, cannot_read, empty, too_large, no_memory, bad_name };
struct InputFailure {
    SkipReason reason = SkipReason::cannot_open;
    std::string detail;
};
