#include "app/run.h"

#include <cstdint>
#include <memory>

#include "app/messages.h"
#include "app/progress.h"
#include "app/version.h"
#include "base/console.h"
#include "base/search.h"
#include "image/convert.h"
#include "package/package.h"
#include "platform/platform.h"
#include "raw_import/raw_import.h"
#include "scenario/scenario.h"

namespace {

constexpr char kSep = platform::kSeparator;

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != kSep) folder += kSep;
    return folder;
}

// The console text of a step that failed.
const char* failure_text(Status status) {
    switch (status) {
        case Status::cancelled:
            return msg::kCancelled;
        case Status::cannot_create:
            return msg::kCannotCreate;
        case Status::write_failed:
            return msg::kWriteFailed;
        case Status::ok:
        case Status::translation_failed:  // the translator has said it
            break;
    }
    return "";
}

// From the choice of the game folder to the finished package.
Status convert(const RunOptions& options) {
    const std::string converter_folder = platform::executable_folder();

    std::string game_folder = options.game_folder;
    if (game_folder.empty() && !platform::choose_folder(msg::kChooserTitle, game_folder)) {
        return Status::cancelled;
    }
    // The chosen folder gets one separator appended, as the folder dialog's
    // result does; a root folder so ends in two.
    game_folder += kSep;

    const std::string output_folder =
        options.output_folder.empty() ? converter_folder : with_separator(options.output_folder);
    const std::string data_folder = options.data_folder.empty()
                                        ? converter_folder + "DATA" + kSep
                                        : with_separator(options.data_folder);

    Progress progress;
    progress.enabled = !options.quiet && platform::error_console_is_interactive();
    Package package;
    Status status = open_package(package, output_folder, options.jobs,
                                 {&progress, progress_added, progress_written});
    if (status != Status::ok) return status;
    console_print("%s", msg::kConverting);

    FileSearch search;
    search.context = &progress;
    search.started = progress_files;
    auto translator = std::make_unique<Translator>();
    progress_step(&progress, "scenarios");
    build_scenario_list(*translator, search, game_folder);
    status = translate_scenarios(*translator, package, game_folder);
    if (status != Status::ok) {
        progress_end(&progress);
        abandon_package(package);
        return status;
    }

    progress_step(&progress, "sprites");
    convert_character_sprites(package, search, game_folder);
    for (const char* folder : {"CG", "ENDING", "SYSTEM"}) {
        progress_step(&progress, folder);
        convert_picture_folder(package, search, game_folder, folder);
    }
    progress_step(&progress, "DATA");
    import_raw_folder(package, search, data_folder + "*.*");

    status = finish_package(package, output_folder + kPackageName);
    progress_end(&progress);
    return status;
}

// The exit status of a run that ended with `status`.
int exit_status(Status status) {
    switch (status) {
        case Status::ok:
            return kExitSuccess;
        case Status::cancelled:
            return kExitCancelled;
        case Status::cannot_create:
        case Status::translation_failed:
        case Status::write_failed:
            break;
    }
    return kExitFailed;
}

}  // namespace

int run_conversion(const RunOptions& options) {
    console_print("%s", msg::kBanner);
    console_print("Version %s\n\n", msg::kVersion);
    console_print("%s", msg::kBoxTop);
    console_print("%s", msg::kBoxBottom);

    const Status status = convert(options);
    console_print("%s", status == Status::ok ? msg::kFinished : failure_text(status));

    console_print("%s", msg::kPressKey);
    if (options.wait_for_key) platform::wait_for_key();
    return exit_status(status);
}
