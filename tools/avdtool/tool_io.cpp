// SPDX-License-Identifier: GPL-2.0-or-later
#include "avdtool/tool_io.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/names.h"
#include "platform/platform.h"

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

bool has_package_magic(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= sizeof kPackageMagic &&
           std::memcmp(bytes.data(), kPackageMagic, sizeof kPackageMagic) == 0;
}

}  // namespace

bool read_input(const std::string& path, std::vector<std::uint8_t>& bytes) {
    const platform::ReadStatus status = platform::read_file(path, bytes, UINT64_MAX);
    if (status == platform::ReadStatus::ok) return true;
    console_show_error("avdtool: cannot read %s: %s\n",
                       {as_system(path), as_system(read_failure(path, status))});
    return false;
}

bool load_package(const std::string& path, std::vector<std::uint8_t>& bytes, PackageView& view) {
    return read_input(path, bytes) && parse_input(path, bytes, view, "");
}

bool parse_input(const std::string& path, const std::vector<std::uint8_t>& bytes, PackageView& view,
                 const char* other_magic) {
    if (!has_package_magic(bytes)) {
        console_show_error("avdtool: %s: no package: magic is not \"PLOVEX\"%s\n",
                           {as_system(path), other_magic});
        return false;
    }
    std::string error;
    if (!parse_package(bytes.data(), bytes.size(), view, error)) {
        console_show_error("avdtool: %s: %s\n", {as_system(path), error});
        return false;
    }
    return true;
}

bool usable_name(const std::string& path, const std::string& name) {
    const std::string fault = entry_name_fault(name);
    if (fault.empty()) return true;
    console_show_error("avdtool: %s: entry \"%s\": name %s, skipped\n",
                       {as_system(path), printable_name(name), fault});
    return false;
}

bool make_folder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return true;
    console_show_error("avdtool: cannot create %s: %s\n",
                       {as_system(folder), as_system(ec.message())});
    return false;
}

platform::File* create_output(const std::string& path) {
    platform::File* file = platform::create_new_file(path);
    if (!file) {
        console_show_error("avdtool: cannot create %s: %s\n",
                           {as_system(path), as_system(platform::last_error_text())});
    }
    return file;
}

bool finish_output(platform::File* file, const std::string& path, const void* content,
                   std::size_t size) {
    bool ok = platform::file_write(file, content, size);
    std::string reason = ok ? std::string() : platform::last_error_text();
    if (!platform::file_close(file) && ok) {
        ok = false;
        reason = platform::last_error_text();
    }
    if (!ok) {
        console_show_error("avdtool: cannot write %s: %s\n", {as_system(path), as_system(reason)});
        platform::delete_file(path);
    }
    return ok;
}

bool write_new_file(const std::string& path, const void* content, std::size_t size) {
    platform::File* file = create_output(path);
    return file && finish_output(file, path, content, size);
}

bool extract_shown(const std::string& path, const PackageView& view, const DirectoryEntry& entry,
                   std::vector<std::uint8_t>& content) {
    std::string error;
    if (extract_entry(view, entry, content, error)) return true;
    console_show_error("avdtool: %s: %s\n", {as_system(path), error});
    return false;
}
