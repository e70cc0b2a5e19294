// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/run.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/inputs.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/version.h"
#include "base/console.h"
#include "package/package.h"
#include "platform/platform.h"

namespace msconv::app {

namespace {

constexpr char kSep = platform::kSeparator;

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != kSep) folder += kSep;
    return folder;
}

// The console text of a step that failed. The run's own texts name
// `folder`, the folder the failure is about.
void print_failure(base::Status status, const std::string& folder) {
    switch (status) {
        case base::Status::cancelled:
            return base::console_print("%s", msg::kCancelled);
        case base::Status::game_folder_missing:
            return base::console_show(msg::kGameFolderMissing, {base::as_system(folder)});
        case base::Status::game_folder_unknown:
            return base::console_show(msg::kGameFolderUnknown, {base::as_system(folder)});
        case base::Status::data_folder_missing:
            return base::console_show(msg::kDataFolderMissing, {base::as_system(folder)});
        case base::Status::output_in_use:
            return base::console_show(msg::kOutputInUse, {base::as_system(folder)});
        case base::Status::cannot_create:
            return base::console_print("%s", msg::kCannotCreate);
        case base::Status::write_failed:
            return base::console_print("%s", msg::kWriteFailed);
        case base::Status::ok:
        case base::Status::translation_failed:  // the translator has said it
            break;
    }
}

// A game folder, typed or chosen, must be a folder that holds at least one
// of the game's scenario and picture folders: anything else (a mistyped path,
// the folder above the game's) would give a package of the DATA files alone
// in place of a good one.
base::Status check_game_folder(const std::string& folder) {
    if (!platform::is_folder(folder)) return base::Status::game_folder_missing;
    for (const char* name : {"MES", "CG", "ENDING", "SYSTEM", "CHAR"}) {
        if (platform::is_folder(with_separator(folder) + name)) return base::Status::ok;
    }
    return base::Status::game_folder_unknown;
}

// The run's own files, which a DATA folder that is the output folder holds:
// the staging file, the package's temporary file and the package it replaces.
// They are known by identity, so that a user's file whose name differs only
// in case ("dar297.avd" on Linux) is still imported.
std::vector<platform::FileIdentity> own_files(package::Package& package,
                                              const std::string& package_path) {
    std::vector<platform::FileIdentity> own;
    platform::FileIdentity identity;
    if (package.staging && platform::file_identity(package.staging, identity))
        own.push_back(identity);
    for (const std::string& path : {package_path, package_path + package::kPartSuffix}) {
        if (platform::file_identity(path, identity)) own.push_back(identity);
    }
    return own;
}

// From the choice of the game folder to the finished package. A failure
// that is about one folder names it in `failed_folder`; the input files that
// were not converted are counted in `skipped`.
base::Status convert(const RunOptions& options, std::string& failed_folder, std::size_t& skipped) {
    const std::string converter_folder = platform::executable_folder();

    // A DATA folder given on the command line is checked before the question
    // for the game folder, as the command line's other errors are.
    failed_folder = options.data_folder;
    if (!options.data_folder.empty() && !platform::is_folder(options.data_folder))
        return base::Status::data_folder_missing;

    std::string game_folder = options.game_folder;
    if (game_folder.empty() && !platform::choose_folder(msg::kChooserTitle, game_folder)) {
        return base::Status::cancelled;
    }
    failed_folder = game_folder;
    const base::Status check = check_game_folder(game_folder);
    if (check != base::Status::ok) return check;
    // The chosen folder gets one separator appended, as the folder dialog's
    // result does; a root folder so ends in two.
    game_folder += kSep;

    const std::string output_folder =
        options.output_folder.empty() ? converter_folder : with_separator(options.output_folder);
    const std::string data_folder = options.data_folder.empty()
                                        ? converter_folder + "DATA" + kSep
                                        : with_separator(options.data_folder);
    if (options.data_folder.empty() && !platform::is_folder(data_folder)) {
        base::console_show_error(msg::kDefaultDataFolderMissing,
                                 {base::as_system(converter_folder + "DATA")});
    }

    // The package replaces a file or a link at its path when it is finished;
    // a folder or a special file there would fail only then, after the whole
    // conversion, so it ends the run before anything is written.
    const std::string package_path = output_folder + package::kPackageName;
    const platform::PathKind taken = platform::path_kind(package_path);
    if (taken == platform::PathKind::folder || taken == platform::PathKind::other) {
        base::console_show_error(
            msg::kPackagePathTaken,
            {base::as_system(package_path),
             taken == platform::PathKind::folder ? msg::kAFolder : msg::kNoRegularFile});
        return base::Status::cannot_create;
    }

    Progress progress;
    progress.enabled = !options.quiet && platform::error_console_is_interactive();
    package::Package package;
    failed_folder = output_folder;
    base::Status status = package::open_package(package, output_folder, options.jobs);
    base::console_drain(package.diagnostics);
    if (package.removed_stale_staging) {
        base::console_show_error(msg::kStaleStagingRemoved,
                                 {base::as_system(output_folder + package::kStagingName)});
    }
    if (status != base::Status::ok) return status;
    base::console_print("%s", msg::kConverting);

    Inputs inputs{package, progress};
    inputs.verify = options.verify;
    status = convert_scenarios(inputs, game_folder);
    if (status != base::Status::ok) {
        progress_end(progress);
        package::abandon_package(package);
        return status;
    }
    convert_sprites(inputs, game_folder);
    for (const char* folder : {"CG", "ENDING", "SYSTEM"})
        convert_pictures(inputs, game_folder, folder);
    import_data(inputs, data_folder, own_files(package, package_path));
    status = finish(inputs, package_path);
    progress_end(progress);
    skipped = inputs.skipped;
    return status;
}

// The exit status of a run that ended with `status`.
int exit_status(base::Status status) {
    switch (status) {
        case base::Status::ok:
            return kExitSuccess;
        case base::Status::cancelled:
            return kExitCancelled;
        case base::Status::game_folder_missing:
        case base::Status::game_folder_unknown:
        case base::Status::data_folder_missing:
        case base::Status::output_in_use:
        case base::Status::cannot_create:
        case base::Status::translation_failed:
        case base::Status::write_failed:
            break;
    }
    return kExitFailed;
}

}  // namespace

int run_conversion(const RunOptions& options) {
    platform::install_interrupt_handlers();
    base::console_print("%s", msg::kBanner);
    base::console_print("Version %s\n\n", msg::kVersion);
    base::console_print("%s", msg::kBoxTop);
    base::console_print("%s", msg::kBoxBottom);

    std::string failed_folder;
    std::size_t skipped = 0;
    const base::Status status = convert(options, failed_folder, skipped);
    if (status == base::Status::ok) {
        base::console_print("%s", msg::kFinished);
    } else {
        print_failure(status, failed_folder);
    }
    // Written, but without every file that was found: each was named in a
    // warning, and the last line of standard error counts them.
    const bool incomplete = status == base::Status::ok && skipped > 0;
    if (incomplete) {
        base::console_show_error(msg::kFilesSkipped,
                                 {std::to_string(skipped), skipped == 1 ? "" : "s"});
    }

    if (options.wait_for_key) {
        base::console_print("%s", msg::kPressKey);
        platform::wait_for_key();
    }
    return incomplete ? kExitIncomplete : exit_status(status);
}

}  // namespace msconv::app
