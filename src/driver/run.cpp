#include "driver/run.h"

#include <cstdint>
#include <memory>

#include "driver/console.h"
#include "driver/messages.h"
#include "driver/progress.h"
#include "driver/raw_import.h"
#include "driver/search.h"
#include "image/convert.h"
#include "package/package.h"
#include "platform/platform.h"
#include "scenario/scenario.h"

namespace {

constexpr char kSep = platform::kSeparator;

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != kSep) folder += kSep;
    return folder;
}

// The number of files (not folders) that match `pattern`.
std::size_t count_files(FileSearch& search, const std::string& pattern) {
    std::size_t count = 0;
    for (const char* name = find_first_file(search, pattern); name; name = find_next_file(search)) {
        ++count;
    }
    return count;
}

// Steps 6 to 11 of the run; returns the exit status.
int convert(const RunOptions& options, std::uint8_t* header) {
    const std::string converter_folder = platform::executable_folder();

    std::string game_folder = options.game_folder;
    if (game_folder.empty() && !platform::choose_folder(msg::kChooserTitle, game_folder)) {
        console_print("%s", msg::kCancelled);
        return kExitCancelled;
    }
    // The chosen folder gets one separator appended, as the folder dialog's
    // result does; a root folder so ends in two.
    game_folder += kSep;

    const std::string output_folder =
        options.output_folder.empty() ? converter_folder : with_separator(options.output_folder);
    const std::string data_folder = options.data_folder.empty()
                                        ? converter_folder + "DATA" + kSep
                                        : with_separator(options.data_folder);

    Package package;
    if (!open_package(package, output_folder, options.jobs)) {
        console_print("%s", msg::kCannotCreate);
        return kExitFailed;
    }
    console_print("%s", msg::kConverting);

    Progress progress;
    progress.enabled = !options.quiet && platform::error_console_is_interactive();
    package.progress = &progress;

    FileSearch search;
    auto translator = std::make_unique<Translator>();
    build_scenario_list(*translator, search, game_folder);
    progress_step(&progress, "scenarios", translator->scenarios.size());
    translate_scenarios(*translator, package, game_folder);
    if (translator->conversion_failed) {
        progress_end(&progress);
        abandon_package(package);
        return kExitFailed;
    }

    if (progress.enabled) {
        progress_step(&progress, "sprites",
                      count_files(search, game_folder + "CHAR" + kSep + "*.MOE"));
    }
    convert_character_sprites(package, search, game_folder);
    for (const char* folder : {"CG", "ENDING", "SYSTEM"}) {
        if (progress.enabled) {
            progress_step(&progress, folder,
                          count_files(search, game_folder + folder + kSep + "*.MOE"));
        }
        convert_picture_folder(package, search, game_folder, folder);
    }
    if (progress.enabled)
        progress_step(&progress, "DATA", count_files(search, data_folder + "*.*"));
    import_raw_folder(package, search, data_folder + "*.*");

    const bool written = finish_package(package, output_folder + kPackageName, header);
    progress_end(&progress);
    if (!written) {
        console_print("%s", msg::kWriteFailed);
        return kExitFailed;
    }
    console_print("%s", msg::kFinished);
    return kExitSuccess;
}

}  // namespace

int run_conversion(const RunOptions& options) {
    console_print("%s", msg::kBanner);
    console_print("Version %s\n\n", msg::kVersion);
    std::uint8_t header[kPackageHeaderSize];
    build_package_header(header);
    console_print("%s", msg::kBoxTop);
    console_print("%s", msg::kBoxBottom);

    const int status = convert(options, header);

    console_print("%s", msg::kPressKey);
    if (options.wait_for_key) platform::wait_for_key();
    return status;
}
