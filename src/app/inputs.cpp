// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/inputs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <variant>

#include "app/messages.h"
#include "base/console.h"
#include "base/names.h"
#include "base/search.h"
#include "image/convert.h"
#include "scenario/scenario.h"
#include "scenario/seen_verify.h"

namespace {

// A DATA file is copied as it is, an empty one too, up to this size.
constexpr std::uint64_t kMaxDataFileSize = UINT32_MAX;

// A DATA file has warnings of its own; every other file has the common ones.
enum class Input { file, data };

// Reads the file `file` of `source` whole into `out`; the failure when it
// cannot be read (an empty file is one, unless `empty_ok`).
std::optional<InputFailure> read_input(const Source& source, const platform::Match& file,
                                       std::vector<std::uint8_t>& out, std::uint64_t limit,
                                       bool empty_ok = false) {
    std::string reason;
    switch (read_found(source, file, out, limit, &reason)) {
        case platform::ReadStatus::ok:
            return std::nullopt;
        case platform::ReadStatus::empty:
            if (empty_ok) return std::nullopt;
            return InputFailure{SkipReason::empty, {}};
        case platform::ReadStatus::read_error:
            return InputFailure{SkipReason::cannot_read, reason};
        case platform::ReadStatus::too_large:
            return InputFailure{SkipReason::too_large,
                                "larger than " + std::to_string(limit) + " bytes"};
        case platform::ReadStatus::no_memory:
            return InputFailure{SkipReason::no_memory, "not enough memory to read it"};
        case platform::ReadStatus::cannot_open:
            break;
    }
    return InputFailure{SkipReason::cannot_open, reason};
}

// Warns that the file at `path` is not converted and counts it: one line in
// the converters' asterisk style on standard output, naming the path; where
// there are details, a second line on standard error with the path and the
// details. A DATA file that memory cannot hold has its own line ("Could not
// allocate memory.", no line break).
void skip_input(RunState& run, Input input, const std::string& path, const InputFailure& failure) {
    ++run.skipped;
    const Shown shown = as_system(path);
    if (input == Input::data && failure.reason == SkipReason::no_memory) {
        console_show("Could not allocate memory.", {});
    } else {
        static const char* const kLines[] = {
            "********** Cannot open %s\n",
            "********** Cannot read %s\n",
            "********** %s is empty, skipped\n",
            "********** %s is too large, skipped\n",
            "********** Not enough memory for %s, skipped\n",
            "********** %s cannot be stored under its name, skipped\n",
        };
        console_show(kLines[static_cast<int>(failure.reason)], {shown});
    }
    if (!failure.detail.empty())
        console_show_error("msconv: %s: %s\n", {shown, as_system(failure.detail)});
}

// Warns that the sprite at `path` is not converted because its mask at
// `mask_path` could not be read, and counts the sprite: the mask's own line
// on standard output (fourteen asterisks, "Cannot open", no line break: the
// next output continues it), and on standard error the sprite's path with
// the mask as the reason. A sprite that failed too has its own warning.
void skip_for_mask(RunState& run, const std::string& path, const std::string& mask_path,
                   const InputFailure& mask_failure,
                   const std::optional<InputFailure>& sprite_failure) {
    const Shown mask = as_system(mask_path);
    console_show("************** Cannot open %s", {mask});
    const char* problem = mask_failure.reason == SkipReason::empty       ? "is empty"
                          : mask_failure.reason == SkipReason::too_large ? "is too large"
                                                                         : "cannot be read";
    const std::string detail = mask_failure.detail.empty() ? "" : " (" + mask_failure.detail + ")";
    console_show_error("msconv: %s: not converted: its mask %s %s%s\n",
                       {as_system(path), mask, problem, as_system(detail)});
    if (sprite_failure) return skip_input(run, Input::file, path, *sprite_failure);
    ++run.skipped;
}

// The code page 932 entry name of a found file; false, with the file
// named and counted, when no entry can have that name.
bool entry_name(RunState& run, Input input, const platform::Match& file, std::string& entry) {
    const NameProblem problem = entry_name_of(file.name, entry);
    if (problem == NameProblem::none) return true;
    skip_input(run, input, file.folder + file.name,
               {SkipReason::bad_name, name_problem_text(problem)});
    return false;
}

// Hands an entry to the package, which says what it meets into the run's sink.
void add_entry(RunState& run, const std::string& name, std::vector<std::uint8_t> block,
               const std::string& path) {
    const std::size_t size = block.size();
    add_package_entry(run.package, name.c_str(), std::move(block), path.c_str(), run.said);
    progress_added(run.progress, size, run.package.staging_length);
}

// A folder path (ending in the separator) as messages show folders.
std::string shown_folder(std::string folder) {
    if (folder.size() > 1 && folder.back() == platform::kSeparator) folder.pop_back();
    return folder;
}

// Names a folder that could not be listed and counts it: every file in it
// is left out. `what` says what would have become of its files.
void skip_folder(RunState& run, const platform::ListFailure& failure, const char* what) {
    ++run.skipped;
    console_show_error("msconv: %s cannot be listed (%s): its files are not %s\n",
                       {as_system(shown_folder(failure.folder)), as_system(failure.reason), what});
}

// The files of the game's folders named `name` in any case, as one listing;
// the folders that cannot be listed are named and counted.
GameFiles list(RunState& run, const GameFolder& game, const char* name, const char* pattern) {
    GameFiles listing = list_game_files(game, name, pattern, run.said);
    for (const platform::ListFailure& failure : listing.failures)
        skip_folder(run, failure, "converted");
    return listing;
}

// The masks of the SHADOW folders by their keys: the first in the search
// order of the names that share a key.
struct Masks {
    GameFiles listing;
    std::vector<std::pair<std::u16string, std::size_t>> by_key;  // sorted, stable

    const platform::Match* find(const std::string& cp932_name) const {
        const std::u16string key = platform::cp932_name_key(cp932_name);
        const auto at = std::lower_bound(
            by_key.begin(), by_key.end(), key,
            [](const auto& k, const std::u16string& wanted) { return k.first < wanted; });
        if (at == by_key.end() || at->first != key) return nullptr;
        return &listing.files[at->second];
    }
};

Masks list_masks(RunState& run, const GameFolder& game) {
    Masks masks{list(run, game, "SHADOW", "*.*"), {}};
    for (std::size_t i = 0; i < masks.listing.files.size(); ++i)
        masks.by_key.emplace_back(platform::name_key(masks.listing.files[i].name), i);
    std::stable_sort(masks.by_key.begin(), masks.by_key.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return masks;
}

// The mask name `cp932` (cut from a sprite's entry name) as the system
// spells the sprite's name `found`, for a message: decoded to UTF-8 when the
// sprite's name is UTF-8 (as every name is on Windows).
std::string spelt_like(const std::string& cp932, const std::string& found) {
    std::string utf8;
    if (platform::is_utf8_beyond_ascii(found) && platform::cp932_to_utf8(cp932, utf8)) return utf8;
    return cp932;
}

// The run's own file that the DATA file `file` is, by what stands at its
// path or what a link there reaches, or nullptr. `same_entry` tells whether
// it is that file where it stands: the DATA folder is the output folder and
// the name is the same.
const OwnFile* own_file(const std::vector<OwnFile>& own_files, const platform::Match& file,
                        const std::optional<platform::FileIdentity>& data_folder,
                        bool& same_entry) {
    if (own_files.empty()) return nullptr;
    const std::string path = file.folder + file.name;
    platform::FileIdentity at, reached;
    const bool has_at = platform::link_identity(path, at);
    const bool has_reached = platform::file_identity(path, reached);
    for (const OwnFile& own : own_files) {
        const bool here = has_at && at == own.identity;
        if (here || (has_reached && reached == own.identity)) {
            same_entry = here && file.name == own.name && data_folder == own.folder;
            return &own;
        }
    }
    return nullptr;
}

// Names the SEEN file `entry` of the SIO file at `path` on standard error
// when the translator wrote it unsound, and counts it.
void name_unsound(RunState& run, const UnsoundSeen& unsound, const std::string& path,
                  const std::string& entry) {
    const Shown shown = as_system(path);
    const std::string size = std::to_string(unsound.size);
    char offset[16];
    std::snprintf(offset, sizeof offset, "%04X", static_cast<unsigned>(unsound.sio_offset));
    switch (unsound.fault) {
        case UnsoundKind::none:
            return;
        case UnsoundKind::overflow:
            console_show_error(msg::kUnsoundOverflow, {shown, entry, size});
            break;
        case UnsoundKind::menu_count:
            console_show_error(msg::kUnsoundMenu, {shown, entry, offset, size});
            break;
        case UnsoundKind::sprite_count:
            console_show_error(msg::kUnsoundSprites, {shown, entry, offset, size});
            break;
    }
    ++run.unsound;
}

}  // namespace

Status convert_scenarios(RunState& run, const GameFolder& game) {
    auto t = std::make_unique<Translator>();
    const std::vector<platform::Match> files = list(run, game, "MES", "*.SIO").files;
    progress_step(run.progress, "scenarios", files.size());
    std::map<std::string, const platform::Match*> by_path;  // the file of each slot's path
    for (const platform::Match& file : files) {
        std::string name;
        if (!entry_name(run, Input::file, file, name)) continue;
        const std::string path = file.folder + file.name;
        if (list_scenario(*t, name, path, run.said)) {
            by_path[path] = &file;
        } else {
            ++run.skipped;
        }
    }
    std::vector<std::uint8_t> sio;
    for (std::size_t k = 1; k <= t->scenarios.size(); ++k) {
        const std::string& path = t->scenario_files[k - 1];
        // A file that is not read keeps its slot number: no SEEN file carries it.
        // A file larger than the translator reads is refused here, named.
        if (const auto failure = read_input(game.source, *by_path[path], sio, kSioBufferSize)) {
            skip_input(run, Input::file, path, *failure);
            continue;
        }
        translate_sio(*t, sio, run.said);
        if (t->conversion_failed) return Status::translation_failed;
        const std::string entry = seen_entry_name(static_cast<std::int32_t>(k));
        const std::span<const std::uint8_t> seen{t->OutBuffer.data(),
                                                 static_cast<std::size_t>(seen_size(*t))};
        if (run.verify) note_seen_faults(seen, path, entry, run.said);
        // After the verifier's line, if any: the one line of the fault.
        name_unsound(run, t->unsound, path, entry);
        // The translator's buffer is reused for the next file: the entry
        // takes a copy, and memory that runs out for it fails the package,
        // as it does in the package builder.
        std::vector<std::uint8_t> block;
        try {
            block.assign(seen.begin(), seen.end());
        } catch (const std::bad_alloc&) {
            console_show_error(
                "msconv: not enough memory for %s (%s bytes): no package is written\n",
                {as_system(path), std::to_string(seen.size())});
            return Status::write_failed;
        }
        add_entry(run, entry, std::move(block), path);
    }
    return Status::ok;
}

void convert_sprites(RunState& run, const GameFolder& game) {
    // Every folder named SHADOW in any case holds masks. A sprite's mask name
    // is cut from the sprite's entry name, so that every spelling of a game
    // (UTF-8, decomposed, code page 932) finds the same mask, and is looked
    // up by its key among the names listed.
    const Masks masks = list_masks(run, game);
    const std::vector<platform::Match> sprites = list(run, game, "CHAR", "*.MOE").files;
    progress_step(run.progress, "sprites", sprites.size());
    for (const platform::Match& file : sprites) {
        const std::string path = file.folder + file.name;
        std::string name;
        if (!entry_name(run, Input::file, file, name)) continue;
        const std::string mask_name = shadow_name(name);
        const platform::Match* mask = masks.find(mask_name);
        if (!mask && !masks.listing.failures.empty()) {
            // Not blamed on the mask: its folder could not be listed.
            console_show_error(
                "msconv: %s: not converted: its mask %s may be in %s, which cannot "
                "be listed\n",
                {as_system(path), as_system(spelt_like(mask_name, file.name)),
                 as_system(shown_folder(masks.listing.failures.front().folder))});
            ++run.skipped;
            continue;
        }
        std::vector<std::uint8_t> sprite_file;
        std::vector<std::uint8_t> mask_file;
        auto sprite_failure = read_input(game.source, file, sprite_file, kMaxPictureFileSize);
        std::optional<InputFailure> mask_failure;
        std::string mask_path;
        if (mask) {
            mask_path = mask->folder + mask->name;
            mask_failure = read_input(game.source, *mask, mask_file, kMaxPictureFileSize);
        } else {
            // Named under the folder that was searched, or GAME/SHADOW when
            // there is none.
            mask_path =
                (masks.listing.folders.empty() ? game.path + "SHADOW" + game.source.separator
                                               : masks.listing.folders.front()) +
                spelt_like(mask_name, file.name);
            mask_failure = InputFailure{SkipReason::cannot_open, "No such file or directory"};
        }
        // A file that could not be read is left empty and gives no sprite;
        // its read failure stands before what its decoding says.
        ConvertedSprite converted = convert_sprite(std::move(sprite_file), std::move(mask_file));
        if (const auto* failed = std::get_if<SpriteFailures>(&converted)) {
            if (!sprite_failure) sprite_failure = failed->sprite;
            if (!mask_failure) mask_failure = failed->mask;
        }
        if (mask_failure) {
            skip_for_mask(run, path, mask_path, *mask_failure, sprite_failure);
        } else if (sprite_failure) {
            skip_input(run, Input::file, path, *sprite_failure);
        } else {
            add_entry(run, picture_entry_name(name),
                      std::move(std::get<Pdt10Block>(converted).bytes), path);
        }
    }
}

void convert_pictures(RunState& run, const GameFolder& game, const char* folder) {
    const std::vector<platform::Match> files = list(run, game, folder, "*.MOE").files;
    progress_step(run.progress, folder, files.size());
    for (const platform::Match& file : files) {
        const std::string path = file.folder + file.name;
        std::string name;
        if (!entry_name(run, Input::file, file, name)) continue;
        const std::string entry = picture_entry_name(name);
        std::vector<std::uint8_t> bytes;
        const auto unread = read_input(game.source, file, bytes, kMaxPictureFileSize);
        ConvertedPicture converted =
            unread ? ConvertedPicture{*unread} : convert_picture(std::move(bytes), entry);
        if (const auto* failure = std::get_if<InputFailure>(&converted)) {
            skip_input(run, Input::file, path, *failure);
            continue;
        }
        add_entry(run, entry, std::move(std::get<Pdt10Block>(converted).bytes), path);
    }
}

void import_data(RunState& run, const std::string& data_folder, const Source& source,
                 const std::vector<OwnFile>& own_files) {
    platform::Search search = search_source(source, {data_folder}, "*.*");
    for (const platform::ListFailure& failure : search.failures)
        skip_folder(run, failure, "imported");
    // Sub-folders of DATA are not imported: each is named once the files are
    // in, and counts as an input left out.
    std::vector<platform::Match> files;
    std::vector<std::string> folders;
    for (platform::Match& item : search.matches) {
        if (item.directory) {
            folders.push_back(item.folder + item.name);
        } else {
            files.push_back(std::move(item));
        }
    }
    std::optional<platform::FileIdentity> data_folder_identity;
    if (platform::FileIdentity identity; platform::file_identity(data_folder, identity))
        data_folder_identity = identity;
    progress_step(run.progress, "DATA", files.size());
    for (const platform::Match& file : files) {
        const std::string path = file.folder + file.name;
        bool same_entry = false;
        const OwnFile* own =
            source.archive ? nullptr : own_file(own_files, file, data_folder_identity, same_entry);
        if (own) {
            // The run's own file where it stands is left out without a word;
            // reached by another name or through a link, it is named.
            if (!same_entry) {
                console_show_error("msconv: %s is %s, which this run writes: it is not imported\n",
                                   {as_system(path), as_system(own->path)});
                ++run.skipped;
            }
            continue;
        }
        std::string name;
        if (!entry_name(run, Input::data, file, name)) continue;
        std::vector<std::uint8_t> block;
        if (const auto failure = read_input(source, file, block, kMaxDataFileSize, true)) {
            skip_input(run, Input::data, path, *failure);
            continue;
        }
        add_entry(run, name, std::move(block), path);
    }
    for (const std::string& folder : folders) {
        console_show_error("msconv: %s is a folder; its files are not imported\n",
                           {as_system(folder)});
        ++run.skipped;
    }
}

Status finish(RunState& run, const std::string& package_path) {
    const Status status = finish_package(run.package, package_path, run.said);
    run.skipped += run.package.left_out;
    return status;
}
