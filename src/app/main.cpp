// SPDX-License-Identifier: GPL-2.0-or-later
// msconv: converts an installed game into the scenario player's package.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>
#include <string>
#include <thread>
#include <vector>

#include "app/messages.h"
#include "app/run.h"
#include "app/version.h"
#include "base/console.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    // Before anything is opened: a closed standard output would otherwise be
    // taken by the staging file, and the console's text written into it.
    if (!platform::open_closed_standard_streams()) {
        console_show_error(msg::kStandardStreamClosed, {as_system(platform::last_error_text())});
        return kExitFailed;
    }
    std::setlocale(LC_ALL, "");
    // The arguments as the system's own text (on Windows in UTF-16, whatever
    // the ANSI code page), handed to the parser as UTF-8.
    std::vector<std::string> arguments = platform::command_line(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    RunOptions options;
    CLI::App app{
        "Converts the game's scenarios, pictures and the DATA folder into DAR297.AVD.\n"
        "Without arguments it asks for the game folder and writes next to the converter."};
    app.set_version_flag("--version", std::string("msconv ") + msg::kVersion);
    // An empty value would mean the default folder (or the question), so it
    // is refused.
    const CLI::Validator not_empty(
        [](std::string& value) { return value.empty() ? msg::kEmptyFolderOption : ""; }, "");
    app.add_option("GAME_FOLDER", options.game_folder,
                   "The game's installation folder, or a disc image or archive that holds it "
                   "(ISO 9660, ZIP, LZH, 7-Zip, cabinet); skips the question")
        ->check(CLI::Validator(
            [](std::string& value) { return value.empty() ? msg::kEmptyGameFolder : ""; }, ""));
    app.add_option("--inside", options.inside,
                   "The game's folder inside GAME_FOLDER, names separated by / (default for a disc "
                   "image or archive: its root, or the one folder at its top)")
        ->check(not_empty);
    app.add_option("--output", options.output_folder,
                   "Where tmp.dat and DAR297.AVD go (default: the converter's folder)")
        ->check(not_empty);
    app.add_option("--data", options.data_folder,
                   "The folder copied in unchanged, or an archive that holds it (default: DATA in "
                   "the converter's folder)")
        ->check(not_empty);
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    app.add_option("--jobs", options.jobs,
                   "Compression threads (default: the number of processors); the package is "
                   "the same for any number")
        ->check(CLI::Range(1u, 256u));
    app.add_flag("--quiet", options.quiet, "No progress line on standard error");
    app.add_flag("--verify", options.verify,
                 "Verify each SEEN file as it is written; a warning on standard error for each "
                 "unsound one (the package stays the same)");
    bool no_wait = false;
    app.add_flag("--no-wait", no_wait, "No key prompt and no wait for a key at the end");
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitFailed;
    }
    options.wait_for_key = !no_wait;
    return run_conversion(options);
}
