// avdtool: inspects a package written by msconv.
//   avdtool list PACKAGE          header summary and directory
//   avdtool verify PACKAGE        checks everything the player relies on
//   avdtool extract PACKAGE DIR   writes every entry, decompressed, into DIR
//   avdtool png PACKAGE ENTRY OUT.png   writes one PDT10 picture as an RGBA PNG
//   avdtool png PACKAGE DIR       writes every picture entry as DIR/NAME.png
//   avdtool seen PACKAGE ENTRY    lists one SEEN entry as instructions
//   avdtool seen FILE             lists a SEEN file (told apart by its TPC32 magic)
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "avdtool/seen_listing.h"
#include "base/names.h"
#include "image/pdt10.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "png_export.h"

namespace {

bool load(const std::string& path, std::vector<std::uint8_t>& bytes, PackageView& view) {
    if (platform::read_file(path, bytes, UINT64_MAX) != platform::ReadStatus::ok) {
        std::fprintf(stderr, "avdtool: cannot read %s\n", path.c_str());
        return false;
    }
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
                    entry_name(entry).c_str(), entry.offset, entry.packed_size, entry.unpacked_size,
                    entry.kind);
    }
    return 0;
}

int verify(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::string error;
    if (!verify_package(view, error)) {
        std::fprintf(stderr, "avdtool: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s: OK, %u entries\n", path.c_str(), view.entry_count);
    return 0;
}

// An entry name that can be written into a folder as it stands: not empty,
// no "." or "..", no separator.
bool is_file_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

int extract(const std::string& path, const std::string& folder) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load(path, bytes, view)) return 1;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int status = 0;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        std::string error;
        const std::string name = entry_name(entry);
        if (!is_file_name(name)) {
            std::fprintf(stderr, "avdtool: entry name \"%s\" is not a file name, skipped\n",
                         name.c_str());
            status = 1;
            continue;
        }
        if (!extract_entry(view, entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s\n", error.c_str());
            status = 1;
            continue;
        }
        std::ofstream out(std::filesystem::path(folder) / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
        if (!out) {
            std::fprintf(stderr, "avdtool: cannot write %s\n", name.c_str());
            status = 1;
        }
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
            std::fprintf(stderr, "avdtool: %s: %s\n", entry_name(entry).c_str(), error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "avdtool: %s has no entry %s\n", path.c_str(), wanted.c_str());
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
    int status = 0;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        const std::string name = entry_name(entry);
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".PDT") != 0) continue;
        if (!is_file_name(name)) {
            std::fprintf(stderr, "avdtool: entry name \"%s\" is not a file name, skipped\n",
                         name.c_str());
            status = 1;
            continue;
        }
        std::string error;
        if (!extract_entry(view, entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s\n", error.c_str());
            status = 1;
            continue;
        }
        Pdt10Picture picture;
        if (read_pdt10(content, picture, error) && (picture.width == 0 || picture.height == 0)) {
            std::printf("%s: empty picture, no PNG\n", name.c_str());
            continue;
        }
        const std::string out =
            (std::filesystem::path(folder) / (name.substr(0, name.size() - 4) + ".png")).string();
        if (!write_pdt10_png(content, out, error)) {
            std::fprintf(stderr, "avdtool: %s: %s\n", name.c_str(), error.c_str());
            status = 1;
            continue;
        }
        std::printf("%s -> %s (%u x %u)\n", name.c_str(), out.c_str(), picture.width,
                    picture.height);
    }
    return status;
}

// The listing of a SEEN file, or of a package's SEEN entry named by
// `wanted`; status 0 only when every byte is a known instruction.
int seen(const std::string& path, const std::string& wanted) {
    std::vector<std::uint8_t> bytes;
    if (platform::read_file(path, bytes, UINT64_MAX) != platform::ReadStatus::ok) {
        std::fprintf(stderr, "avdtool: cannot read %s\n", path.c_str());
        return 1;
    }
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
            std::fprintf(stderr, "avdtool: %s has no entry %s\n", path.c_str(), wanted.c_str());
            return 1;
        }
        if (!extract_entry(view, *entry, content, error)) {
            std::fprintf(stderr, "avdtool: %s\n", error.c_str());
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
