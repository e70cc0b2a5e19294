// SPDX-License-Identifier: GPL-2.0-or-later
// avdtool: inspects a package written by msconv.
//   avdtool list PACKAGE          header summary and directory
//   avdtool verify PACKAGE        checks everything the player relies on
//   avdtool extract PACKAGE DIR   writes every entry, decompressed, into DIR as a new file
//   avdtool png PACKAGE ENTRY OUT.png   writes one PDT10 picture as an RGBA PNG
//   avdtool png PACKAGE DIR       writes every picture entry as DIR/NAME.png
//   avdtool seen PACKAGE ENTRY    lists one SEEN entry as instructions
//   avdtool seen FILE             lists a SEEN file (told apart by its TPC32 magic)
//   avdtool check PACKAGE [--verbose]
//                                 names each picture or scenario a SEEN entry uses and the
//                                 package lacks, and each fault of a SEEN entry's structure
//   avdtool report PACKAGE DIR    writes DIR/index.html, a page of the whole package, and its
//                                 pictures
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cinttypes>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "avdtool/check.h"
#include "avdtool/report.h"
#include "avdtool/seen_listing.h"
#include "avdtool/tool_io.h"
#include "base/diagnostics.h"
#include "base/names.h"
#include "image/pdt10.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "png_export.h"

namespace {

int list(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load_package(path, bytes, view)) return 1;
    console_show("%s%s",
                 {as_system(path),
                  format_text(": %zu bytes, %u entries, data from offset %zu\n", bytes.size(),
                              view.entry_count,
                              kPackageHeaderSize + kDirectoryEntrySize * view.entry_count)});
    console_show("%s", {format_text("%-15s %10s %10s %10s %4s\n", "name", "offset", "packed",
                                    "unpacked", "kind")});
    for (const DirectoryEntry& entry : view.directory) {
        // The name padded to 15 bytes, as stored (a double-byte character
        // takes two).
        const std::string name = printable_name(entry_name(entry));
        console_show(
            "%s%s",
            {name, format_text("%*s %10" PRIu32 " %10" PRIu32 " %10" PRIu32 " %4" PRIu32 "\n",
                               name.size() < 15 ? static_cast<int>(15 - name.size()) : 0, "",
                               entry.offset, entry.packed_size, entry.unpacked_size, entry.kind)});
    }
    return 0;
}

int verify(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load_package(path, bytes, view)) return 1;
    std::string error;
    std::vector<std::string> warnings;
    const bool ok = verify_package(view, error, &warnings);
    for (const std::string& warning : warnings)
        console_show_error("avdtool: %s: warning: %s\n", {as_system(path), warning});
    if (!ok) {
        console_show_error("avdtool: %s: %s\n", {as_system(path), error});
        return 1;
    }
    console_show("%s: OK, %s entries\n", {as_system(path), std::to_string(view.entry_count)});
    return 0;
}

// Each entry whose name ends in `suffix` and is a file name to `take`: its
// name and `read`, which decompresses it (nullptr, reported, when that
// fails); `take` is false on a fault. FOLDER is made first. Status 1 when a
// name is no file name or `take` fails.
template <typename Take>
int into_folder(const std::string& path, const std::string& folder, std::string_view suffix,
                Take take) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load_package(path, bytes, view)) return 1;
    if (!make_folder(folder)) return 1;
    int status = 0;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        const std::string name = entry_name(entry);
        if (!std::string_view(name).ends_with(suffix)) continue;
        const auto read = [&]() -> const std::vector<std::uint8_t>* {
            return extract_shown(path, view, entry, content) ? &content : nullptr;
        };
        if (!usable_name(path, name) || !take(name, read)) status = 1;
    }
    return status;
}

// Every entry into FOLDER, as new files only. Of entries that share a name
// only the first is written; the others are reported and are no fault.
int extract(const std::string& path, const std::string& folder) {
    std::set<std::string> written;
    return into_folder(path, folder, "", [&](const std::string& name, auto read) {
        if (!written.insert(name).second) {
            console_show_error(
                "avdtool: %s: warning: %s: a further entry of this name, not written\n",
                {as_system(path), printable_name(name)});
            return true;
        }
        const std::vector<std::uint8_t>* content = read();
        return content && write_new_file(folder + platform::kSeparator + name, content->data(),
                                         content->size());
    });
}

// The first entry named `wanted` (letters in any case), or nullptr, reported.
const DirectoryEntry* find_entry(const std::string& path, const PackageView& view,
                                 const std::string& wanted) {
    for (const DirectoryEntry& entry : view.directory)
        if (entry_name(entry) == upper_cased_name(wanted)) return &entry;
    console_show_error("avdtool: %s has no entry %s\n", {as_system(path), as_system(wanted)});
    return nullptr;
}

// One picture entry, found by its name (letters in any case), into OUT.
int png_one(const std::string& path, const std::string& wanted, const std::string& out) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load_package(path, bytes, view)) return 1;
    const DirectoryEntry* entry = find_entry(path, view, wanted);
    if (!entry) return 1;
    std::vector<std::uint8_t> content, png;
    std::string error;
    Pdt10Picture picture;
    if (!extract_entry(view, *entry, content, error) || !pdt10_png(content, png, picture, error)) {
        console_show_error("avdtool: %s: %s: %s\n",
                           {as_system(path), printable_name(entry_name(*entry)), error});
        return 1;
    }
    return write_new_file(out, png.data(), png.size()) ? 0 : 1;
}

// Every entry named *.PDT into FOLDER as NAME.png. Pictures with empty planes
// have no PNG form; they are listed and skipped.
int png_all(const std::string& path, const std::string& folder) {
    std::vector<std::uint8_t> png;
    return into_folder(path, folder, ".PDT", [&](const std::string& name, auto read) {
        const std::vector<std::uint8_t>* content = read();
        if (!content) return false;
        std::string error;
        Pdt10Picture picture;
        if (read_pdt10(*content, picture, error) && (picture.width == 0 || picture.height == 0)) {
            console_show("%s: empty picture, no PNG\n", {printable_name(name)});
            return true;
        }
        const std::string out =
            folder + platform::kSeparator + name.substr(0, name.size() - 4) + ".png";
        if (!pdt10_png(*content, png, picture, error)) {
            console_show_error("avdtool: %s: %s: %s\n",
                               {as_system(path), printable_name(name), error});
            return false;
        }
        if (!write_new_file(out, png.data(), png.size())) return false;
        console_show("%s -> %s (%s x %s)\n",
                     {printable_name(name), as_system(out), std::to_string(picture.width),
                      std::to_string(picture.height)});
        return true;
    });
}

// The listing of a SEEN file, or of a package's SEEN entry named by
// `wanted`; status 0 only when every byte is a known instruction.
int seen(const std::string& path, const std::string& wanted) {
    std::vector<std::uint8_t> bytes;
    if (!read_input(path, bytes)) return 1;
    std::vector<std::uint8_t> content;
    if (is_seen_file(bytes)) {
        if (!wanted.empty()) {
            console_show_error("avdtool: %s is a SEEN file, not a package\n", {as_system(path)});
            return 1;
        }
        content = std::move(bytes);
    } else {
        if (wanted.empty()) {
            console_show_error("avdtool: %s is no SEEN file; name an entry of the package\n",
                               {as_system(path)});
            return 1;
        }
        PackageView view;
        if (!parse_input(path, bytes, view, " (nor \"TPC32\", as of a SEEN file)")) return 1;
        const DirectoryEntry* entry = find_entry(path, view, wanted);
        if (!entry || !extract_shown(path, view, *entry, content)) return 1;
    }
    const SeenListing listing = list_seen(content);
    // The listing is UTF-8 made from code page 932 texts; it goes out by the
    // console rule of every other line, so back to code page 932 first. ASCII,
    // the same in both, goes out as it is (a long run of unknown bytes lists
    // as millions of ASCII lines).
    const bool ascii = std::all_of(listing.text.begin(), listing.text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string cp932;
    if (!ascii && platform::utf8_to_cp932(listing.text, cp932))
        console_show("%s", {cp932});
    else
        platform::console_write(listing.text.data(), listing.text.size(),
                                platform::TextKind::system);
    return listing.complete ? 0 : 1;
}

}  // namespace

int main(int raw_argc, char** raw_argv) {
    // The locale's character set decides how console text is shown.
    std::setlocale(LC_CTYPE, "");
    // Paths as the system's own text (on Windows in UTF-16, whatever the ANSI
    // code page), as the platform calls take them.
    std::vector<std::string> arguments = platform::command_line(raw_argc, raw_argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    const int argc = static_cast<int>(pointers.size());
    char** argv = pointers.data();
    CLI::App app{"Inspects a DAR297.AVD package."};
    app.require_subcommand(1);
    std::string package, folder;
    // A command whose first operand is the package.
    const auto command = [&](const char* name, const char* description,
                             const char* package_description = "") {
        CLI::App* c = app.add_subcommand(name, description);
        c->add_option("PACKAGE", package, package_description)->required();
        return c;
    };
    auto* list_cmd = command("list", "Header summary and directory");
    auto* verify_cmd = command("verify", "Check the package; non-zero on a fault");
    auto* extract_cmd = command("extract", "Write every entry into a folder");
    extract_cmd->add_option("DIR", folder)->required();
    std::string target, png_out;
    auto* png_cmd =
        command("png", "Write one picture entry as OUT.png, or every picture entry into DIR");
    png_cmd->add_option("ENTRY_OR_DIR", target, "Entry name (with OUT), or output folder")
        ->required();
    png_cmd->add_option("OUT", png_out, "PNG file for the one entry");
    std::string seen_entry;
    auto* seen_cmd = command(
        "seen", "List a SEEN entry (or a SEEN file) as instructions; non-zero on unknown bytes",
        "Package, or a SEEN file");
    seen_cmd->add_option("ENTRY", seen_entry, "SEEN entry of the package");
    auto* check_cmd = command(
        "check",
        "List the pictures and scenarios that SEEN entries name and the package lacks, and the "
        "faults of each SEEN entry's structure");
    bool verbose = false;
    check_cmd->add_flag("--verbose", verbose,
                        "Also count, per SEEN entry, the instructions its ways reach and the "
                        "bytes no way reaches");
    auto* report_cmd =
        command("report", "Write DIR/index.html, a page of the whole package, with its pictures");
    report_cmd->add_option("DIR", folder)->required();
    // Told apart here, since the parser reports a missing subcommand instead.
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](const CLI::App* c) { return c->check_name(argv[1]); }).empty()) {
        console_show_error("avdtool: unknown command \"%s\"; run with --help for the commands\n",
                           {as_system(argv[1])});
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
    if (*check_cmd) return check_package(package, verbose);
    if (*report_cmd) return report_package(package, folder);
    if (*png_cmd)
        return png_out.empty() ? png_all(package, target) : png_one(package, target, png_out);
    return extract(package, folder);
}
