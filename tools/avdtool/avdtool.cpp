// SPDX-License-Identifier: GPL-2.0-or-later
// avdtool: inspects a package written by msconv.
//   avdtool list PACKAGE          header summary and directory
//   avdtool verify PACKAGE        checks everything the player relies on
//   avdtool extract PACKAGE DIR   writes every entry, decompressed, into DIR as a new file
//   avdtool png PACKAGE ENTRY OUT.png   writes one PDT10 picture as an RGBA PNG
//   avdtool png PACKAGE DIR       writes every picture entry as DIR/NAME.png
//   avdtool seen PACKAGE ENTRY    lists one SEEN entry as instructions
//   avdtool seen FILE             lists a SEEN file (told apart by its TPC32 magic)
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <set>

#include "avdtool/seen_listing.h"
#include "base/names.h"
#include "image/pdt10.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "png_export.h"

namespace {

// Why read_file failed on `path`. The system's error is taken first; a file
// that opens but is no regular file (a folder, a FIFO, a device) leaves none.
std::string read_failure(const std::string& path, platform::ReadStatus status) {
    switch (status) {
        case platform::ReadStatus::empty:
            return "the file is empty";
        case platform::ReadStatus::too_large:
            return "the file is larger than memory can address";
        case platform::ReadStatus::no_memory:
            return "not enough memory";
        default:
            break;
    }
    const std::string system_error = platform::last_error_text();
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory) return "it is a folder";
    if (!ec && type != std::filesystem::file_type::regular) return "it is no regular file";
    return system_error;
}

// Reads the whole file at `path`, which must be a regular file; says why not.
bool read_input(const std::string& path, std::vector<std::uint8_t>& bytes) {
    const platform::ReadStatus status = platform::read_file(path, bytes, UINT64_MAX);
    if (status == platform::ReadStatus::ok) return true;
    std::fprintf(stderr, "avdtool: cannot read %s: %s\n", path.c_str(),
                 read_failure(path, status).c_str());
    return false;
}

bool load(const std::string& path, std::vector<std::uint8_t>& bytes, PackageView& view) {
    if (!read_input(path, bytes)) return false;
    std::string error;
    if (!parse_package(bytes.data(), bytes.size(), view, error)) {
        std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int list(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::printf("%s: %zu bytes, %u entries, data from offset %zu\n", path.c_str(), bytes.size(),
                view.entry_count, kPackageHeaderSize + kDirectoryEntrySize * view.entry_count);
    std::printf("%-15s %10s %10s %10s %4s\n", "name", "offset", "packed", "unpacked", "kind");
    for (const DirectoryEntry& entry : view.directory) {
        std::printf("%-15s %10" PRIu32 " %10" PRIu32 " %10" PRIu32 " %4" PRIu32 "\n",
                    printable_name(entry_name(entry)).c_str(), entry.offset, entry.packed_size,
                    entry.unpacked_size, entry.kind);
    }
    return 0;
}

int verify(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::string error;
    std::vector<std::string> warnings;
    const bool ok = verify_package(view, error, &warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "avdtool: %s: warning: %s\n", path.c_str(), warning.c_str());
    if (!ok) {
        std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s: OK, %u entries\n", path.c_str(), view.entry_count);
    return 0;
}

// False, with a message, for an entry of the package at `path` whose name
// is no file name.
bool usable_name(const std::string& path, const std::string& name) {
    const std::string fault = entry_name_fault(name);
    if (fault.empty()) return true;
    std::fprintf(stderr, "avdtool: %s: entry \"%s\": name %s, skipped\n", path.c_str(),
                 printable_name(name).c_str(), fault.c_str());
    return false;
}

// Writes `content` to `path` as a new file. Whatever already has that name,
// a symbolic link or a FIFO among them, is left alone and reported.
bool write_new_file(const std::string& path, const std::vector<std::uint8_t>& content) {
    platform::File* file = platform::create_new_file(path);
    if (!file) {
        std::fprintf(stderr, "avdtool: cannot create %s: %s\n", printable_name(path).c_str(),
                     platform::last_error_text().c_str());
        return false;
    }
    bool ok = platform::file_write(file, content.data(), content.size());
    std::string reason = ok ? std::string() : platform::last_error_text();
    if (!platform::file_close(file) && ok) {
        ok = false;
        reason = platform::last_error_text();
    }
    if (!ok) {
        std::fprintf(stderr, "avdtool: cannot write %s: %s\n", printable_name(path).c_str(),
                     reason.c_str());
        platform::delete_file(path);
    }
    return ok;
}

// Every entry into FOLDER, as new files only. Of entries that share a name
// only the first is written; the others are reported and are no fault.
int extract(const std::string& path, const std::string& folder) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "avdtool: cannot create %s: %s\n", folder.c_str(),
                     ec.message().c_str());
        return 1;
    }
    int status = 0;
    std::set<std::string> written;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        std::string error;
        const std::string name = entry_name(entry);
        if (!usable_name(path, name)) {
            status = 1;
            continue;
        }
        if (!written.insert(name).second) {
            std::fprintf(stderr,
                         "avdtool: %s: warning: %s: a further entry of this name, not written\n",
                         path.c_str(), printable_name(name).c_str());
            continue;
        }
        if (!extract_entry(view, entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
            status = 1;
            continue;
        }
        if (!write_new_file(folder + platform::kSeparator + name, content)) status = 1;
    }
    return status;
}

// One picture entry, found by its name (letters in any case), into OUT.
int png_one(const std::string& path, const std::string& wanted, const std::string& out) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    for (const DirectoryEntry& entry : view.directory) {
        if (entry_name(entry) != upper_cased_name(wanted)) continue;
        std::vector<std::uint8_t> content;
        std::string error;
        if (!extract_entry(view, entry, content, error) || !write_pdt10_png(content, out, error)) {
            std::fprintf(stderr, "avdtool: %s: %s: %s\n", path.c_str(),
                         printable_name(entry_name(entry)).c_str(), error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "avdtool: %s has no entry %s\n", path.c_str(),
                 printable_name(wanted).c_str());
    return 1;
}

// Every entry named *.PDT into FOLDER as NAME.png. Pictures with empty planes
// have no PNG form; they are listed and skipped.
int png_all(const std::string& path, const std::string& folder) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "avdtool: cannot create %s: %s\n", folder.c_str(),
                     ec.message().c_str());
        return 1;
    }
    int status = 0;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        const std::string name = entry_name(entry);
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".PDT") != 0) continue;
        if (!usable_name(path, name)) {
            status = 1;
            continue;
        }
        std::string error;
        if (!extract_entry(view, entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
            status = 1;
            continue;
        }
        Pdt10Picture picture;
        if (read_pdt10(content, picture, error) && (picture.width == 0 || picture.height == 0)) {
            std::printf("%s: empty picture, no PNG\n", printable_name(name).c_str());
            continue;
        }
        const std::string out =
            (std::filesystem::path(folder) / (name.substr(0, name.size() - 4) + ".png")).string();
        if (!write_pdt10_png(content, out, error)) {
            std::fprintf(stderr, "avdtool: %s: %s: %s\n", path.c_str(),
                         printable_name(name).c_str(), error.c_str());
            status = 1;
            continue;
        }
        std::printf("%s -> %s (%u x %u)\n", printable_name(name).c_str(),
                    printable_name(out).c_str(), picture.width, picture.height);
    }
    return status;
}

// The listing of a SEEN file, or of a package's SEEN entry named by
// `wanted`; status 0 only when every byte is a known instruction.
int seen(const std::string& path, const std::string& wanted) {
    std::vector<std::uint8_t> bytes;
    if (!read_input(path, bytes)) return 1;
    std::vector<std::uint8_t> content;
    if (is_seen_file(bytes)) {
        if (!wanted.empty()) {
            std::fprintf(stderr, "avdtool: %s is a SEEN file, not a package\n", path.c_str());
            return 1;
        }
        content = std::move(bytes);
    } else {
        if (wanted.empty()) {
            std::fprintf(stderr, "avdtool: %s is no SEEN file; name an entry of the package\n",
                         path.c_str());
            return 1;
        }
        PackageView view;
        std::string error;
        if (!parse_package(bytes.data(), bytes.size(), view, error)) {
            std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        const auto entry = std::find_if(
            view.directory.begin(), view.directory.end(),
            [&](const DirectoryEntry& e) { return entry_name(e) == upper_cased_name(wanted); });
        if (entry == view.directory.end()) {
            std::fprintf(stderr, "avdtool: %s has no entry %s\n", path.c_str(),
                         printable_name(wanted).c_str());
            return 1;
        }
        if (!extract_entry(view, *entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
    }
    const SeenListing listing = list_seen(content);
    std::fwrite(listing.text.data(), 1, listing.text.size(), stdout);
    return listing.complete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Inspects a DAR297.AVD package."};
    app.require_subcommand(1);
    std::string package, folder;
    auto* list_cmd = app.add_subcommand("list", "Header summary and directory");
    list_cmd->add_option("PACKAGE", package)->required();
    auto* verify_cmd = app.add_subcommand("verify", "Check the package; non-zero on a fault");
    verify_cmd->add_option("PACKAGE", package)->required();
    auto* extract_cmd = app.add_subcommand("extract", "Write every entry into a folder");
    extract_cmd->add_option("PACKAGE", package)->required();
    extract_cmd->add_option("DIR", folder)->required();
    std::string target, png_out;
    auto* png_cmd = app.add_subcommand(
        "png", "Write one picture entry as OUT.png, or every picture entry into DIR");
    png_cmd->add_option("PACKAGE", package)->required();
    png_cmd->add_option("ENTRY_OR_DIR", target, "Entry name (with OUT), or output folder")
        ->required();
    png_cmd->add_option("OUT", png_out, "PNG file for the one entry");
    std::string seen_entry;
    auto* seen_cmd = app.add_subcommand(
        "seen", "List a SEEN entry (or a SEEN file) as instructions; non-zero on unknown bytes");
    seen_cmd->add_option("PACKAGE", package, "Package, or a SEEN file")->required();
    seen_cmd->add_option("ENTRY", seen_entry, "SEEN entry of the package");
    // Told apart here, since the parser reports a missing subcommand instead.
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](const CLI::App* c) { return c->check_name(argv[1]); }).empty()) {
        std::fprintf(stderr, "avdtool: unknown command \"%s\"; run with --help for the commands\n",
                     printable_name(argv[1]).c_str());
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (*list_cmd) return list(package);
    if (*verify_cmd) return verify(package);
    if (*seen_cmd) return seen(package, seen_entry);
    if (*png_cmd)
        return png_out.empty() ? png_all(package, target) : png_one(package, target, png_out);
    return extract(package, folder);
}
