// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/archive_write.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/platform.h"

extern char** environ;

namespace gamekit {

namespace fs = std::filesystem;

namespace {

// Every entry's modification time: 2000-01-01 12:00:00 UTC.
constexpr time_t kEntryTime = 946728000;
// The same moment as an MS-DOS time and date (LZH headers carry local time;
// the moment is written as it reads, whatever the zone).
constexpr std::uint16_t kDosTime = 12 << 11;
constexpr std::uint16_t kDosDate = ((2000 - 1980) << 9) | (1 << 5) | 1;

// The longest name a level-0 LZH header holds: its size byte counts 22
// bytes besides the name.
constexpr std::size_t kMaxLzhName = 255 - 22;

// `path`'s names in code page 932 (each name as platform::name_to_cp932
// takes a name found on disk), or empty with `error` set.
bool path_to_cp932(const std::string& path, std::string& cp932, std::string& error) {
    cp932.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        std::string name;
        if (!platform::name_to_cp932(path.substr(start, end - start), name)) {
            error = "the name " + path + " has no code page 932 form";
            return false;
        }
        cp932 += name;
        if (end == path.size()) return true;
        cp932 += '/';
        start = end + 1;
    }
}

// Names go into the UTF-8 formats only when they are UTF-8: libarchive's ZIP
// writer and gcab would flag other bytes as UTF-8 all the same.
std::string check_utf8(const std::vector<ArchiveItem>& items) {
    for (const ArchiveItem& item : items) {
        const bool ascii = std::all_of(item.path.begin(), item.path.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii && !platform::is_utf8_beyond_ascii(item.path))
            return "the name " + item.path + " is not UTF-8 (zip-cp932 and lzh take such names)";
    }
    return {};
}

std::string collect_below(const fs::path& folder, const std::string& prefix,
                          std::vector<ArchiveItem>& items) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& found = it->path();
        const std::string path = prefix + found.filename().native();
        const fs::file_status status = it->symlink_status(ec);
        if (ec) break;
        if (fs::is_directory(status)) {
            items.push_back({path, {}, true});
            std::string error = collect_below(found, path + "/", items);
            if (!error.empty()) return error;
        } else if (fs::is_regular_file(status)) {
            ArchiveItem item{path, {}, false};
            const platform::ReadStatus read = platform::read_file(found, item.data, UINT64_MAX);
            if (read != platform::ReadStatus::ok && read != platform::ReadStatus::empty)
                return "cannot read " + found.native();
            items.push_back(std::move(item));
        } else {
            return found.native() + " is neither a file nor a folder";
        }
    }
    if (ec) return "cannot list " + folder.native() + ": " + ec.message();
    return {};
}

// The file written while an archive is made, renamed to `path` at the end.
std::string part_path(const std::string& path) {
    return path + ".part";
}

// Moves a complete archive into place, or removes what a failure left.
std::string finish(const std::string& path, std::string error) {
    std::error_code ec;
    if (error.empty()) {
        fs::rename(part_path(path), path, ec);
        if (!ec) return {};
        error = "cannot rename " + part_path(path) + " to " + path + ": " + ec.message();
    }
    fs::remove(part_path(path), ec);
    return error;
}

std::string archive_reason(archive* a, const std::string& what) {
    const char* reason = archive_error_string(a);
    return what + ": " + (reason ? reason : "libarchive gives no reason");
}

// The writer set up for `format` with the options that keep every name as
// given: an image with Rock Ridge and Joliet names, level 3 (files above
// 4 GiB), without the 300 KiB of padding for old CD writers.
std::string set_format(archive* a, ArchiveFormat format, const ArchiveWriteOptions& options) {
    int r = ARCHIVE_OK;
    const char* settings = "";
    switch (format) {
        case ArchiveFormat::iso:
            r = archive_write_set_format_iso9660(a);
            settings = "iso9660:joliet,iso9660:rockridge,iso9660:iso-level=3,iso9660:!pad";
            break;
        case ArchiveFormat::zip:
        case ArchiveFormat::zip_cp932:
            r = archive_write_set_format_zip(a);
            if (options.store) settings = "zip:compression=store";
            break;
        case ArchiveFormat::sevenzip:
            r = archive_write_set_format_7zip(a);
            if (options.store) settings = "7zip:compression=store";
            break;
        case ArchiveFormat::lzh:
        case ArchiveFormat::cab:
            return "not a libarchive format";
    }
    if (r == ARCHIVE_OK && *settings) r = archive_write_set_options(a, settings);
    if (r != ARCHIVE_OK) return archive_reason(a, "cannot set up the writer");
    return {};
}

std::string write_entry(archive* a, const ArchiveItem& item, const std::string& name) {
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, item.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, item.directory ? 0755 : 0644);
    archive_entry_set_size(entry, item.directory ? 0 : static_cast<la_int64_t>(item.data.size()));
    archive_entry_set_mtime(entry, kEntryTime, 0);
    // A warning counts: it is how libarchive reports a name it could not
    // convert and wrote otherwise.
    std::string error;
    if (archive_write_header(a, entry) != ARCHIVE_OK) error = archive_reason(a, item.path);
    archive_entry_free(entry);
    if (!error.empty() || item.directory) return error;
    std::size_t done = 0;
    while (done < item.data.size()) {
        const la_ssize_t n =
            archive_write_data(a, item.data.data() + done, item.data.size() - done);
        if (n <= 0) return archive_reason(a, item.path);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::string write_with_libarchive(ArchiveFormat format, const std::vector<ArchiveItem>& items,
                                  const std::string& out, const ArchiveWriteOptions& options) {
    // Code page 932 names go in as bytes: under the "C" locale no conversion
    // is made and the ZIP writer sets no UTF-8 flag. Any other name is UTF-8.
    const bool cp932 = format == ArchiveFormat::zip_cp932;
    const char* locale_name = cp932 ? "C" : "C.UTF-8";
    ThreadLocale locale(locale_name);
    if (!locale.made) return "the locale " + std::string(locale_name) + " is missing";
    if (!cp932) {
        std::string error = check_utf8(items);
        if (!error.empty()) return error;
    }
    std::vector<std::string> names;
    for (const ArchiveItem& item : items) {
        std::string name = item.path, error;
        if (cp932 && !path_to_cp932(item.path, name, error)) return error;
        names.push_back(std::move(name));
    }
    archive* a = archive_write_new();
    if (!a) return "libarchive cannot make a writer";
    std::string error = set_format(a, format, options);
    if (error.empty() && archive_write_open_filename(a, out.c_str()) != ARCHIVE_OK)
        error = archive_reason(a, "cannot create " + out);
    for (std::size_t i = 0; error.empty() && i < items.size(); ++i)
        error = write_entry(a, items[i], names[i]);
    for (const auto& [path, target] : options.links) {
        if (!error.empty()) break;
        archive_entry* entry = archive_entry_new();
        archive_entry_copy_pathname(entry, path.c_str());
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_perm(entry, 0777);
        archive_entry_copy_symlink(entry, target.c_str());
        archive_entry_set_mtime(entry, kEntryTime, 0);
        if (archive_write_header(a, entry) != ARCHIVE_OK) error = archive_reason(a, path);
        archive_entry_free(entry);
    }
    // Closing writes what the format keeps to the end (the image's
    // directories, the 7-Zip header); its failure is the archive's.
    if (archive_write_close(a) != ARCHIVE_OK && error.empty())
        error = archive_reason(a, "cannot finish " + out);
    archive_write_free(a);
    return error;
}

std::string write_lzh(const std::vector<ArchiveItem>& items, const std::string& out) {
    std::vector<LzhMember> members;
    Bytes bytes;
    std::string error = lzh_members(items, members);
    if (error.empty()) error = lzh_bytes(members, bytes);
    if (error.empty()) error = write_file(out, bytes) ? "" : "cannot write " + out;
    return error;
}

// A fresh folder under the system's temporary folder.
std::string make_temp_folder(std::string& folder) {
    std::string pattern = (fs::temp_directory_path() / "gamekit-cab-XXXXXX").native();
    if (!mkdtemp(pattern.data()))
        return "cannot make a temporary folder: " + std::string(std::strerror(errno));
    folder = pattern;
    return {};
}

// Runs gcab in `folder` with `args`; its error output goes to `log`.
std::string run_gcab(const std::string& folder, const std::vector<std::string>& args,
                     const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "gcab", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == ENOENT) return "gcab is not installed (Debian package gcab); it makes cabinets";
    if (spawned != 0) return "cannot start gcab: " + std::string(std::strerror(spawned));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return "cannot wait for gcab: " + std::string(std::strerror(errno));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
    Bytes said;
    platform::read_file(log, said, UINT64_MAX);  // no log: "no reason given"
    std::string reason(said.begin(), said.end());
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    if (reason.empty()) reason = "no reason given";
    return "gcab failed: " + reason;
}

// gcab packs files as they are on disk, each under the relative path it is
// given (with '\' between folders, flagged as UTF-8 when the name is). The
// files are written to a temporary folder with the common time, and packed
// from there in the items' order.
std::string write_cab(const std::vector<ArchiveItem>& items, const std::string& out,
                      const ArchiveWriteOptions& options) {
    std::string error = check_utf8(items);
    if (!error.empty()) return error;
    std::string temp;
    error = make_temp_folder(temp);
    if (!error.empty()) return error;
    const std::string files = temp + "/files";
    std::error_code ec;
    fs::create_directory(files, ec);
    if (ec) error = "cannot make " + files + ": " + ec.message();
    std::vector<std::string> args = {"gcab", "--create"};
    if (!options.store) args.push_back("--zip");
    args.push_back(fs::absolute(out, ec).native());
    args.push_back("--");  // a name may start with '-'
    const timespec times[2] = {{kEntryTime, 0}, {kEntryTime, 0}};
    for (const ArchiveItem& item : items) {
        if (!error.empty()) break;
        const std::string path = files + "/" + item.path;
        if (item.directory) {
            fs::create_directories(path, ec);
            if (ec) error = "cannot make " + path + ": " + ec.message();
            continue;
        }
        if (!write_file(path, item.data) || utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
            error = "cannot write " + path;
        }
        args.push_back(item.path);
    }
    if (error.empty()) error = run_gcab(files, args, temp + "/gcab.log");
    fs::remove_all(temp, ec);
    return error;
}

}  // namespace

void sort_items(std::vector<ArchiveItem>& items) {
    // '/' weighs less than any byte of a name, so a name's continuation
    // below a folder sorts before a longer sibling name.
    auto weight = [](char c) { return c == '/' ? 0 : static_cast<unsigned char>(c) + 1; };
    std::stable_sort(items.begin(), items.end(), [&](const ArchiveItem& a, const ArchiveItem& b) {
        return std::lexicographical_compare(a.path.begin(), a.path.end(), b.path.begin(),
                                            b.path.end(),
                                            [&](char x, char y) { return weight(x) < weight(y); });
    });
}

std::string collect_items(const std::string& folder, std::vector<ArchiveItem>& items) {
    items.clear();
    std::string error = collect_below(folder, "", items);
    if (!error.empty()) {
        items.clear();
        return error;
    }
    sort_items(items);
    return {};
}

std::string write_archive(ArchiveFormat format, const std::vector<ArchiveItem>& items,
                          const std::string& path, const ArchiveWriteOptions& options) {
    const std::string out = part_path(path);
    const fs::path parent = fs::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) fs::create_directories(parent, ec);
    if (ec) return "cannot make " + parent.native() + ": " + ec.message();
    std::string error;
    switch (format) {
        case ArchiveFormat::lzh:
            error = write_lzh(items, out);
            break;
        case ArchiveFormat::cab:
            error = write_cab(items, out, options);
            break;
        default:
            error = write_with_libarchive(format, items, out, options);
            break;
    }
    return finish(path, error);
}

std::string lzh_members(const std::vector<ArchiveItem>& items, std::vector<LzhMember>& members) {
    members.clear();
    for (const ArchiveItem& item : items) {
        if (item.directory) continue;
        LzhMember member;
        std::string error;
        if (!path_to_cp932(item.path, member.name, error)) return error;
        // '/' is no second byte of a double-byte character: every one is a separator.
        std::replace(member.name.begin(), member.name.end(), '/', '\\');
        member.data = item.data;
        members.push_back(std::move(member));
    }
    return {};
}

std::string lzh_bytes(const std::vector<LzhMember>& members, Bytes& out) {
    out.clear();
    for (const LzhMember& m : members) {
        if (m.name.size() > kMaxLzhName) {
            out.clear();
            return "the name " + m.name + " is longer than an LZH header holds (" +
                   std::to_string(kMaxLzhName) + " bytes)";
        }
        const auto size = static_cast<std::uint32_t>(m.data.size());
        Bytes header = {0, 0, '-', 'l', 'h', '0', '-'};
        append_le32(header, m.packed_size.value_or(size));
        append_le32(header, m.original_size.value_or(size));
        append_le16(header, kDosTime);
        append_le16(header, kDosDate);
        header.push_back(0x20);  // attribute: archive
        header.push_back(0);     // header level
        header.push_back(static_cast<std::uint8_t>(m.name.size()));
        header.insert(header.end(), m.name.begin(), m.name.end());
        append_le16(header, m.crc.value_or(lzh_crc16(m.data)));
        // The size byte and the checksum cover the header after those two bytes.
        header[0] = static_cast<std::uint8_t>(header.size() - 2);
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < header.size(); ++i)
            sum = static_cast<std::uint8_t>(sum + header[i]);
        header[1] = sum;
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), m.data.begin(), m.data.end());
    }
    out.push_back(0);
    return {};
}

std::uint16_t lzh_crc16(const Bytes& data) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

}  // namespace gamekit
