// SPDX-License-Identifier: GPL-2.0-or-later
// sample-game: writes the sample game folder and a DATA folder.
//   sample-game OUT_GAME OUT_DATA [--pictures N] [--sprites N] [--scenarios N] [--data-mib N]
//               [--archive FORMAT [--from FOLDER]]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>

#include "sample-game/sample_game.h"

namespace {

const std::map<std::string, gamekit::ArchiveFormat> kArchiveFormats = {
    {"iso", gamekit::ArchiveFormat::iso},
    {"zip", gamekit::ArchiveFormat::zip},
    {"zip-cp932", gamekit::ArchiveFormat::zip_cp932},
    {"7z", gamekit::ArchiveFormat::sevenzip},
    {"lzh", gamekit::ArchiveFormat::lzh},
    {"cab", gamekit::ArchiveFormat::cab},
};

// The game packed as `format` at `archive_path` and the DATA folder as files;
// the whole game is built in memory first.
bool write_archived_game(const sample_game::Options& options, gamekit::ArchiveFormat format,
                         const std::string& archive_path, const std::string& data_folder,
                         sample_game::Summary& summary, std::string& error) {
    sample_game::Game game;
    if (!sample_game::build_sample_game(options, game, error)) return false;
    sample_game::Game data_only;
    data_only.data = game.data;
    if (!sample_game::write_game_files(data_only, "", data_folder, false, error)) return false;
    error = gamekit::write_archive(format, sample_game::game_archive_items(game), archive_path);
    if (!error.empty()) return false;
    summary.game_files = game.game.size();
    summary.data_files = game.data.size();
    for (const auto* files : {&game.game, &game.data}) {
        for (const sample_game::File& f : *files)
            summary.bytes += f.bytes.size();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string game_folder;
    std::string data_folder;
    sample_game::Options options;
    CLI::App app{
        "Writes a complete game folder of our own making (scenarios, pictures, sprites with\n"
        "their shadow masks) and a DATA folder for msconv. The output is the same on every run.\n"
        "The scale options add bulk for timing runs.",
        "sample-game"};
    app.add_option("OUT_GAME", game_folder, "The game folder to write")->required();
    app.add_option("OUT_DATA", data_folder, "The DATA folder to write (not with --from)");
    app.add_option("--pictures", options.pictures, "Extra 640x480 pictures in CG, both formats");
    app.add_option("--sprites", options.sprites, "Extra 320x480 sprites in CHAR with their masks");
    app.add_option("--scenarios", options.scenarios, "Extra scenarios in MES");
    app.add_option("--data-mib", options.data_mib, "Extra MiB of files in DATA");
    std::string archive;
    app.add_option("--archive", archive,
                   "Write the game as a disc image or archive at OUT_GAME, its folders at the "
                   "root:\niso, zip, zip-cp932 (names in code page 932), 7z, lzh or cab")
        ->check(CLI::IsMember(kArchiveFormats));
    std::string from;
    app.add_option("--from", from,
                   "With --archive: pack the folder FOLDER (any game's) at OUT_GAME instead of "
                   "the sample game; no OUT_DATA")
        ->needs("--archive");
    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (from.empty() == data_folder.empty()) {
        std::fputs(from.empty() ? "sample-game: OUT_DATA is required\n"
                                : "sample-game: --from writes no OUT_DATA\n",
                   stderr);
        return 2;
    }
    sample_game::Summary summary;
    std::string error;
    if (!from.empty()) {
        std::vector<gamekit::ArchiveItem> items;
        error = gamekit::collect_items(from, items);
        if (error.empty())
            error = gamekit::write_archive(kArchiveFormats.at(archive), items, game_folder);
        if (!error.empty()) {
            std::fprintf(stderr, "sample-game: %s\n", error.c_str());
            return 1;
        }
        std::printf("sample-game: %zu files and folders of %s in %s\n", items.size(), from.c_str(),
                    game_folder.c_str());
        return 0;
    }
    const bool written =
        archive.empty()
            ? sample_game::write_sample_game(options, game_folder, data_folder, summary, error)
            : write_archived_game(options, kArchiveFormats.at(archive), game_folder, data_folder,
                                  summary, error);
    if (!written) {
        std::fprintf(stderr, "sample-game: %s\n", error.c_str());
        return 1;
    }
    std::printf("sample-game: %zu files in %s, %zu in %s, %llu bytes\n", summary.game_files,
                game_folder.c_str(), summary.data_files, data_folder.c_str(),
                static_cast<unsigned long long>(summary.bytes));
    return 0;
}
