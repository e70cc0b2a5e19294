// SPDX-License-Identifier: GPL-2.0-or-later
// The sample game: a complete game folder of our own making (scenarios,
// pictures, sprites with their shadow masks) and a DATA folder, generated
// from code. Used by `make demo`, the end-to-end test and benchmarks.
//
// The default sample is small and exercises everything the converter does;
// the scale options add bulk of the same kinds for timing runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gamekit/archive_write.h"
#include "gamekit/gamekit.h"
#include "scenario/translator.h"

namespace sample_game {

struct Options {
    unsigned pictures = 0;   // extra 640 x 480 pictures in CG, both formats
    unsigned sprites = 0;    // extra 320 x 480 sprites in CHAR, each with its mask
    unsigned scenarios = 0;  // extra scenarios in MES
    unsigned data_mib = 0;   // extra MiB in DATA, in files of 1 MiB
};

// Scenario files of the default sample (MES/MAIN.SIO and three others).
inline constexpr unsigned kDefaultScenarios = 4;

// One generated file: its folder ("MES", "CG", ... for the game folder; empty
// for the DATA folder) and its file name, as the sample stores them.
struct File {
    std::string folder;
    std::string name;
    gamekit::Bytes bytes;
};

struct Game {
    std::vector<File> game;  // below the game folder
    std::vector<File> data;  // in the DATA folder
};

// Builds every file in memory. False, with the reason in `error`, when the
// options ask for more than a game can hold.
bool build_sample_game(const Options& options, Game& game, std::string& error);

// Writes a built game below `game_folder` and into `data_folder`, creating
// the folders. With `lower_case`, folder and file names are written in lower
// case. Existing files of the same names are replaced; others are left alone.
bool write_game_files(const Game& game, const std::string& game_folder,
                      const std::string& data_folder, bool lower_case, std::string& error);

// The game's files (not the DATA folder's) as the items of an archive, each
// folder an item of its own, the game's folders at the archive's root, in
// the order archives are written in.
std::vector<gamekit::ArchiveItem> game_archive_items(const Game& game);

struct Summary {
    std::size_t game_files = 0;
    std::size_t data_files = 0;
    std::uint64_t bytes = 0;
};

// Generates and writes the game file by file, without keeping it in memory
// (the scale options can ask for gigabytes). The files are those of
// build_sample_game, byte for byte.
bool write_sample_game(const Options& options, const std::string& game_folder,
                       const std::string& data_folder, Summary& summary, std::string& error);

}  // namespace sample_game
