// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/run.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/inputs.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/version.h"
#include "archive/archive.h"
#include "base/console.h"
#include "package/package.h"
#include "platform/platform.h"

namespace {

constexpr char kSep = platform::kSeparator;

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != kSep) folder += kSep;
    return folder;
}

// The console text of a step that failed. The run's own texts name
// `folder`, the folder the failure is about.
void print_failure(Status status, const std::string& folder, const std::string& reason) {
    switch (status) {
        case Status::cancelled:
            return console_show(msg::kCancelled, {});
        case Status::game_folder_missing:
            return console_show(msg::kGameFolderMissing, {as_system(folder)});
        case Status::game_folder_unknown:
            return console_show(msg::kGameFolderUnknown, {as_system(folder)});
        case Status::game_folder_unlistable:
            return console_show(msg::kGameFolderUnlistable, {as_system(folder), as_system(reason)});
        case Status::data_folder_missing:
            return console_show(msg::kDataFolderMissing, {as_system(folder)});
        case Status::archive_unreadable:
            return console_show(msg::kArchiveUnreadable, {as_system(folder), as_system(reason)});
        case Status::archive_unknown:
            return console_show(msg::kArchiveUnknown, {as_system(folder), as_system(reason)});
        case Status::raw_disc_image:
            return console_show(msg::kRawDiscImage, {as_system(folder), reason});
        case Status::output_in_use:
            return console_show(msg::kOutputInUse, {as_system(folder)});
        case Status::cannot_create:
            return console_show(msg::kCannotCreate, {});
        case Status::write_failed:
            return console_show(msg::kWriteFailed, {});
        case Status::ok:
        case Status::translation_failed:  // the translator has said it
            break;
    }
}

// A game folder, typed or chosen, must be a folder that can be listed and
// that holds at least one of the game's scenario and picture folders:
// anything else (a mistyped path, the folder above the game's, a folder that
// cannot be read) would give a package of the DATA files alone in place of a
// good one. `game.path` is the folder with one separator appended, as the
// folder dialog's result gets it; a root folder so ends in two.
Status check_game_folder(const std::string& folder, GameFolder& game, std::string& reason) {
    if (!platform::is_folder(folder)) return Status::game_folder_missing;
    if (!list_game_folder(folder + kSep, game, reason)) return Status::game_folder_unlistable;
    return holds_game_folders(game) ? Status::ok : Status::game_folder_unknown;
}

// Opens the disc image or archive at `path` (no folder); what it is when
// it cannot be read.
Status open_source_archive(const std::string& path, Archive& archive, std::string& reason) {
    switch (open_archive(path, archive, reason)) {
        case ArchiveOpen::ok:
            return Status::ok;
        case ArchiveOpen::raw_disc_image:
            return Status::raw_disc_image;
        case ArchiveOpen::unknown:
            return Status::archive_unknown;
        case ArchiveOpen::cannot_open:
        case ArchiveOpen::unreadable:
            break;
    }
    return Status::archive_unreadable;
}

// The folder of an archive that the run reads: `inside` (names separated by
// '/'), or when that is empty the root, or the one folder that stands alone
// at the top when `wanted` does not hold for the root. `folder` receives
// its path ("game.iso:" and the folder, ending in '/').
bool archive_folder(Archive& archive, const std::string& inside, GameFolder& folder,
                    bool (*wanted)(const GameFolder&)) {
    const Source source = archive_source(archive);
    const std::string root = archive.path + ':';
    std::string reason;
    std::string relative = inside;
    while (!relative.empty() && relative.front() == '/')
        relative.erase(0, 1);
    if (!relative.empty() && relative.back() != '/') relative += '/';
    if (!list_game_folder(root + relative, folder, reason, source)) return false;
    if (!inside.empty() || wanted(folder) || folder.entries.size() != 1 ||
        !folder.entries.front().directory)
        return true;
    GameFolder below;
    if (list_game_folder(root + folder.entries.front().name + '/', below, reason, source) &&
        wanted(below))
        folder = std::move(below);
    return true;
}

// The game folder in a disc image or archive; as check_game_folder.
Status check_game_archive(const std::string& path, const std::string& inside, Archive& archive,
                          GameFolder& game, std::string& failed, std::string& reason) {
    const Status status = open_source_archive(path, archive, reason);
    if (status != Status::ok) return status;
    failed = path + ':' + inside;
    if (!archive_folder(archive, inside, game, holds_game_folders))
        return Status::game_folder_missing;
    failed = game.path.substr(0, game.path.size() - 1);
    if (failed.back() == ':') failed.pop_back();
    return holds_game_folders(game) ? Status::ok : Status::game_folder_unknown;
}

// Names the entries of `archive` that were not listed, and the damage that
// ended its listing, and counts them: those below the folder `path` of the
// archive that the run reads, and those whose path leads nowhere.
void name_archive_faults(const Archive& archive, const std::string& path, std::size_t& skipped) {
    const std::string below = path.substr(archive.path.size() + 1);
    for (const ArchiveRefusal& refusal : archive.refused) {
        if (!refusal.outside && refusal.path.rfind(below, 0) != 0) continue;
        console_show_error(
            msg::kArchiveEntryRefused,
            {as_system(archive.path), as_system(refusal.path), as_system(refusal.reason)});
        ++skipped;
    }
    if (!archive.damage.empty()) {
        console_show_error(
            msg::kArchiveDamaged,
            {as_system(archive.path), std::to_string(archive.headers), as_system(archive.damage)});
        ++skipped;
    }
}

// The run's own files, which a DATA folder that is the output folder holds:
// the staging file, the package's temporary file and the package it replaces.
// They are known by the identity of what stands at their paths, a link there
// not followed, so that a user's file that a stale link at the package's
// path points to is still imported, and so is a file whose name differs only
// in case ("dar297.avd" on Linux).
std::vector<OwnFile> own_files(Package& package, const std::string& output_folder) {
    std::vector<OwnFile> own;
    platform::FileIdentity folder;
    if (!platform::file_identity(output_folder, folder)) return own;
    platform::FileIdentity identity;
    if (package.staging && platform::file_identity(package.staging, identity))
        own.push_back({output_folder + kStagingName, kStagingName, identity, folder});
    for (const std::string& name :
         {std::string(kPackageName), kPackageName + std::string(kPartSuffix)}) {
        if (platform::link_identity(output_folder + name, identity))
            own.push_back({output_folder + name, name, identity, folder});
    }
    return own;
}

// From the choice of the game folder to the finished package. A failure
// that is about one folder names it in `failed_folder`; the input files that
// were not converted are counted in `skipped`, the SEEN files written unsound
// in `unsound`.
Status convert(const RunOptions& options, std::string& failed_folder, std::string& reason,
               std::size_t& skipped, std::size_t& unsound) {
    const std::string converter_folder = platform::executable_folder();

    // A DATA folder given on the command line is checked before the question
    // for the game folder, as the command line's other errors are.
    failed_folder = options.data_folder;
    Archive data_archive;
    GameFolder data_in_archive;
    if (!options.data_folder.empty() && !platform::is_folder(options.data_folder)) {
        if (platform::path_kind(options.data_folder) == platform::PathKind::none)
            return Status::data_folder_missing;
        const Status status = open_source_archive(options.data_folder, data_archive, reason);
        if (status != Status::ok) return status;
        // The root, or the one folder at its top when nothing else is there.
        const auto only_files = [](const GameFolder& folder) {
            return folder.entries.size() != 1 || !folder.entries.front().directory;
        };
        if (!archive_folder(data_archive, "", data_in_archive, only_files))
            return Status::data_folder_missing;
    }

    std::string game_folder = options.game_folder;
    if (game_folder.empty() && !platform::choose_folder(msg::kChooserTitle, game_folder)) {
        return Status::cancelled;
    }
    failed_folder = game_folder;
    GameFolder game;
    Archive game_archive;
    const bool in_archive = !platform::is_folder(game_folder) &&
                            platform::path_kind(game_folder) != platform::PathKind::none;
    if (!in_archive && !options.inside.empty())
        failed_folder = with_separator(game_folder) + options.inside;
    const Status check = in_archive ? check_game_archive(game_folder, options.inside, game_archive,
                                                         game, failed_folder, reason)
                                    : check_game_folder(failed_folder, game, reason);
    if (check != Status::ok) return check;

    const std::string output_folder =
        options.output_folder.empty() ? converter_folder : with_separator(options.output_folder);
    const std::string data_folder = !data_archive.path.empty() ? data_in_archive.path
                                    : options.data_folder.empty()
                                        ? converter_folder + "DATA" + kSep
                                        : with_separator(options.data_folder);
    const bool no_data = options.data_folder.empty() && !platform::is_folder(data_folder);
    if (no_data) {
        console_show_error(msg::kDefaultDataFolderMissing, {as_system(converter_folder + "DATA")});
    }

    // The package replaces a file or a link at its path when it is finished;
    // a folder or a special file there would fail only then, after the whole
    // conversion, so it ends the run before anything is written.
    const std::string package_path = output_folder + kPackageName;
    const platform::PathKind taken = platform::path_kind(package_path);
    if (taken == platform::PathKind::folder || taken == platform::PathKind::other) {
        console_show_error(
            msg::kPackagePathTaken,
            {as_system(package_path),
             taken == platform::PathKind::folder ? msg::kAFolder : msg::kNoRegularFile});
        return Status::cannot_create;
    }

    Progress progress;
    progress.enabled = !options.quiet && platform::error_console_is_interactive();
    // The run's one sink: every message the library says is printed at once.
    Diagnostics said;
    said.hand_up = console_drain;
    Package package;
    failed_folder = output_folder;
    Status status = open_package(package, output_folder, options.jobs, said);
    if (package.removed_stale_staging) {
        console_show_error(msg::kStaleStagingRemoved, {as_system(output_folder + kStagingName)});
    }
    if (status != Status::ok) return status;
    console_show(msg::kConverting, {});

    RunState run{package, progress, said};
    run.verify = options.verify;
    if (in_archive) name_archive_faults(game_archive, game.path, run.skipped);
    if (!data_archive.path.empty()) name_archive_faults(data_archive, data_folder, run.skipped);
    status = convert_scenarios(run, game);
    if (status != Status::ok) {
        progress_end(progress);
        abandon_package(package);
        return status;
    }
    convert_sprites(run, game);
    for (const char* folder : {"CG", "ENDING", "SYSTEM"})
        convert_pictures(run, game, folder);
    if (!no_data)
        import_data(run, data_folder, data_in_archive.source, own_files(package, output_folder));
    status = finish(run, package_path);
    progress_end(progress);
    skipped = run.skipped;
    unsound = run.unsound;
    return status;
}

// The exit status of a run that ended with `status`.
int exit_status(Status status) {
    switch (status) {
        case Status::ok:
            return kExitSuccess;
        case Status::cancelled:
            return kExitCancelled;
        case Status::game_folder_missing:
        case Status::game_folder_unknown:
        case Status::game_folder_unlistable:
        case Status::archive_unreadable:
        case Status::archive_unknown:
        case Status::raw_disc_image:
        case Status::data_folder_missing:
        case Status::output_in_use:
        case Status::cannot_create:
        case Status::translation_failed:
        case Status::write_failed:
            break;
    }
    return kExitFailed;
}

}  // namespace

int run_conversion(const RunOptions& options) {
    platform::install_interrupt_handlers();
    console_show(msg::kBanner, {});
    console_show("Version %s\n\n", {msg::kVersion});
    console_show(msg::kBoxTop, {});
    console_show(msg::kBoxBottom, {});

    std::string failed_folder, reason;
    std::size_t skipped = 0;
    std::size_t unsound = 0;
    const Status status = convert(options, failed_folder, reason, skipped, unsound);
    if (status == Status::ok) {
        console_show(msg::kFinished, {});
    } else {
        print_failure(status, failed_folder, reason);
    }
    // Written, but without every file that was found or with unsound SEEN
    // files: each was named in a warning, and the last line of standard
    // error counts them.
    const bool incomplete = status == Status::ok && (skipped > 0 || unsound > 0);
    if (incomplete && unsound == 0) {
        console_show_error(msg::kFilesSkipped, {std::to_string(skipped), skipped == 1 ? "" : "s"});
    } else if (incomplete && skipped == 0) {
        console_show_error(msg::kUnsoundFiles, {std::to_string(unsound), unsound == 1 ? "" : "s"});
    } else if (incomplete) {
        console_show_error(msg::kFilesSkippedOrUnsound,
                           {std::to_string(skipped), skipped == 1 ? "" : "s",
                            std::to_string(unsound), unsound == 1 ? "" : "s"});
    }

    if (options.wait_for_key) {
        console_show(msg::kPressKey, {});
        platform::wait_for_key();
    }
    return incomplete ? kExitIncomplete : exit_status(status);
}
