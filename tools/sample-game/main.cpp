// SPDX-License-Identifier: GPL-2.0-or-later
// sample-game: writes the sample game folder and a DATA folder.
//   sample-game OUT_GAME OUT_DATA [--pictures N] [--sprites N] [--scenarios N] [--data-mib N]
#include <CLI/CLI.hpp>
#include <cstdio>

#include "sample-game/sample_game.h"

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
    app.add_option("OUT_DATA", data_folder, "The DATA folder to write")->required();
    app.add_option("--pictures", options.pictures, "Extra 640x480 pictures in CG, both formats");
    app.add_option("--sprites", options.sprites, "Extra 320x480 sprites in CHAR with their masks");
    app.add_option("--scenarios", options.scenarios, "Extra scenarios in MES");
    app.add_option("--data-mib", options.data_mib, "Extra MiB of files in DATA");
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

    sample_game::Summary summary;
    std::string error;
    if (!sample_game::write_sample_game(options, game_folder, data_folder, summary, error)) {
        std::fprintf(stderr, "sample-game: %s\n", error.c_str());
        return 1;
    }
    std::printf("sample-game: %zu files in %s, %zu in %s, %llu bytes\n", summary.game_files,
                game_folder.c_str(), summary.data_files, data_folder.c_str(),
                static_cast<unsigned long long>(summary.bytes));
    return 0;
}
