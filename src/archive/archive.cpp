// SPDX-License-Identifier: GPL-2.0-or-later
#include "archive/archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <map>
#include <utility>

namespace {

constexpr std::size_t kReadChunk = 1 << 16;

// The bytes that open every sector of a raw CD image (2352-byte sectors):
// the sync pattern, 00, ten FF, 00.
bool is_sector_sync(const std::uint8_t* bytes) {
    if (bytes[0] != 0 || bytes[11] != 0) return false;
    return std::all_of(bytes + 1, bytes + 11, [](std::uint8_t b) { return b == 0xFF; });
}

bool ends_with_folded(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    if (text.size() < tail.size()) return false;
    return std::equal(
        tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
        [](char a, char b) { return a == (b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : b); });
}

la_ssize_t read_callback(::archive*, void* client, const void** data) {
    ArchiveCursor& c = *static_cast<ArchiveCursor*>(client);
    const std::size_t got = platform::file_read(c.file, c.buffer.data(), c.buffer.size());
    c.position += got;
    *data = c.buffer.data();
    return static_cast<la_ssize_t>(got);
}

la_int64_t seek_callback(::archive*, void* client, la_int64_t offset, int whence) {
    ArchiveCursor& c = *static_cast<ArchiveCursor*>(client);
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? static_cast<std::int64_t>(c.position)
                                                   : static_cast<std::int64_t>(c.file_size);
    if ((offset < 0 && -offset > base) || (offset > 0 && offset > INT64_MAX - base))
        return ARCHIVE_FATAL;
    const auto target = static_cast<std::uint64_t>(base + offset);
    if (!platform::file_seek(c.file, target)) return ARCHIVE_FATAL;
    c.position = target;
    return static_cast<la_int64_t>(target);
}

la_int64_t skip_callback(::archive*, void* client, la_int64_t request) {
    ArchiveCursor& c = *static_cast<ArchiveCursor*>(client);
    if (request <= 0 || c.position >= c.file_size) return 0;
    const std::uint64_t step =
        std::min(c.file_size - c.position, static_cast<std::uint64_t>(request));
    if (!platform::file_seek(c.file, c.position + step)) return 0;
    c.position += step;
    return static_cast<la_int64_t>(step);
}

std::string error_text(::archive* reader, const char* otherwise) {
    const char* text = reader ? archive_error_string(reader) : nullptr;
    return text && *text ? text : otherwise;
}

void free_reader(ArchiveCursor& c) {
    if (c.reader) archive_read_free(c.reader);
    c.reader = nullptr;
}

void close_cursor(ArchiveCursor& c) {
    free_reader(c);
    if (c.file) platform::file_close(c.file);
    c.file = nullptr;
}

// Opens the archive's file for the reader `c` (once); false with the reason.
bool open_file(ArchiveCursor& c, const std::string& path, std::string& reason) {
    if (c.file) return true;
    errno = 0;
    c.file = platform::open_regular_file(path, c.file_size);
    if (!c.file) {
        reason = errno == 0 ? "not a regular file" : platform::last_error_text();
        return false;
    }
    c.buffer.resize(kReadChunk);
    return true;
}

// A new reader of the archive at `path`, at its start; false with the
// reason.
bool start_reader(ArchiveCursor& c, const std::string& path, std::string& reason) {
    free_reader(c);
    c.next_header = 0;
    if (!open_file(c, path, reason)) return false;
    if (!platform::file_seek(c.file, 0)) {
        reason = platform::last_error_text();
        return false;
    }
    c.position = 0;
    c.reader = archive_read_new();
    if (!c.reader) {
        reason = "not enough memory";
        return false;
    }
    archive_read_support_format_iso9660(c.reader);
    archive_read_support_format_zip_seekable(c.reader);
    archive_read_support_format_lha(c.reader);
    archive_read_support_format_7zip(c.reader);
    archive_read_support_format_cab(c.reader);
    // Joliet names wherever the image has them, on every system: they are
    // Unicode, where Rock Ridge names are bytes of an unknown character set.
    // An image without them gives its plain names, which are ASCII.
    archive_read_set_options(c.reader, "iso9660:!rockridge");
    // LZH names are code page 932 (the LZH reader takes no bytes of an
    // unknown character set). On Windows, which gives every name as wide
    // characters, so are ZIP and cabinet names without a Unicode flag,
    // whatever the system's code page; elsewhere they come as their bytes.
    archive_read_set_options(c.reader, "lha:hdrcharset=CP932");
#ifdef _WIN32
    archive_read_set_options(c.reader, "zip:hdrcharset=CP932");
    archive_read_set_options(c.reader, "cab:hdrcharset=CP932");
#endif
    archive_read_set_callback_data(c.reader, &c);
    archive_read_set_read_callback(c.reader, read_callback);
    archive_read_set_seek_callback(c.reader, seek_callback);
    archive_read_set_skip_callback(c.reader, skip_callback);
    if (archive_read_open1(c.reader) != ARCHIVE_OK) {
        reason = error_text(c.reader, "not an archive");
        free_reader(c);
        return false;
    }
    return true;
}

// The next header; ARCHIVE_OK (warnings included), ARCHIVE_EOF or
// ARCHIVE_FATAL (the reader is released, `reason` says why).
int next_header(ArchiveCursor& c, archive_entry*& entry, std::string& reason) {
    const int r = archive_read_next_header(c.reader, &entry);
    if (r == ARCHIVE_EOF) return r;
    if (r < ARCHIVE_WARN) {
        reason = error_text(c.reader, "the archive cannot be read");
        free_reader(c);
        return ARCHIVE_FATAL;
    }
    ++c.next_header;
    return ARCHIVE_OK;
}

// The reader for the header `header`: the one that stands closest before
// it, or else the one used longest ago, started again.
ArchiveCursor& cursor_for(Archive& a, std::size_t header) {
    ArchiveCursor* best = nullptr;
    for (ArchiveCursor& c : a.cursors) {
        if (c.reader && c.next_header <= header && (!best || c.next_header > best->next_header))
            best = &c;
    }
    if (!best) {
        best = &a.cursors[0];
        for (ArchiveCursor& c : a.cursors) {
            if (c.last_use < best->last_use) best = &c;
        }
        free_reader(*best);
    }
    best->last_use = ++a.uses;
    return *best;
}

// The entry's path (or with `link` the path its hard link names) as this
// system takes it: on Windows the wide form in UTF-8 (held in `text`);
// elsewhere, under a UTF-8 locale, UTF-8 for Unicode names and the bytes
// for the others. nullptr when there is none.
const char* entry_text(archive_entry* entry, bool link, [[maybe_unused]] std::string& text) {
#ifdef _WIN32
    const wchar_t* wide = link ? archive_entry_hardlink_w(entry) : archive_entry_pathname_w(entry);
    if (!wide) return nullptr;
    text = platform::wide_to_utf8(wide);
    return text.c_str();
#else
    return link ? archive_entry_hardlink(entry) : archive_entry_pathname(entry);
#endif
}

// An entry's name in its one form: UTF-8 as it came, or decoded from code
// page 932; bytes that are neither stay as they are.
std::string found_name(const std::string& raw) {
    if (std::all_of(raw.begin(), raw.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
        platform::is_utf8_beyond_ascii(raw))
        return raw;
    std::string utf8;
    return platform::cp932_to_utf8(raw, utf8) ? utf8 : raw;
}

// The entry's path as its names, or a reason it has none.
bool split_path(const char* path, std::vector<std::string>& names, std::string& reason) {
    names.clear();
    if (!path || !*path) {
        reason = "its name cannot be read";
        return false;
    }
    const std::string text(path);
    if (text.front() == '/') {
        reason = "its path is absolute";
        return false;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        const std::string name = text.substr(start, end - start);
        if (name == "..") {
            reason = "its path leads out of the archive";
            return false;
        }
        if (!name.empty() && name != ".") names.push_back(found_name(name));
        start = end + 1;
    }
    return true;
}

struct Lister {
    Archive& a;
    std::map<std::pair<std::size_t, std::string>, std::size_t> children;

    std::string path_of(std::size_t node) const {
        std::string path;
        for (; node != 0; node = a.nodes[node].parent)
            path = a.nodes[node].name + (path.empty() ? "" : "/" + path);
        return path;
    }

    void refuse(const std::string& path, std::string reason, bool outside = false) {
        a.refused.push_back({path, std::move(reason), outside});
    }

    // The node of `names` (the last one a folder when `directory`), made as
    // needed with the folders above it; 0 with a refusal when a name on the
    // way is taken by the other kind.
    std::size_t place(const std::vector<std::string>& names, bool directory,
                      const std::string& shown) {
        std::size_t parent = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const bool folder = directory || i + 1 < names.size();
            const auto found = children.find({parent, names[i]});
            if (found != children.end()) {
                ArchiveNode& node = a.nodes[found->second];
                if (node.directory != folder) {
                    refuse(shown, node.directory
                                      ? "a folder of the archive has its name"
                                      : "a file of the archive has the name of its folder");
                    return 0;
                }
                parent = found->second;
                continue;
            }
            ArchiveNode node;
            node.name = names[i];
            node.parent = parent;
            node.directory = folder;
            a.nodes.push_back(std::move(node));
            parent = a.nodes.size() - 1;
            children.emplace(std::make_pair(a.nodes[parent].parent, names[i]), parent);
        }
        return parent;
    }

    // Adds the entry just read, the header numbered `header`.
    void add(archive_entry* entry, std::size_t header_number) {
        std::string path_text;
        const char* raw = entry_text(entry, false, path_text);
        std::vector<std::string> names;
        std::string reason;
        const std::string shown = raw ? raw : "";
        if (!split_path(raw, names, reason)) return refuse(shown, reason, true);
        const auto type = archive_entry_filetype(entry);
        if (names.empty()) {
            // The root itself ("./"), as a folder, adds nothing.
            if (type != AE_IFDIR) refuse(shown, "its path names no file", true);
            return;
        }
        std::string joined = names.front();
        for (std::size_t i = 1; i < names.size(); ++i)
            joined += "/" + names[i];
        std::string link_text;
        const char* hardlink = entry_text(entry, true, link_text);
        if (type == AE_IFDIR) {
            place(names, true, joined);
            return;
        }
        if (type == AE_IFLNK) return refuse(joined, "it is a symbolic link, which is not followed");
        if (!hardlink && type != AE_IFREG) return refuse(joined, "it is no regular file");
        std::size_t header = header_number;
        std::int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        if (hardlink) {
            // Another name of a file listed before (an image may store one
            // file's data once for two names): read as that file.
            std::vector<std::string> target;
            std::string ignored;
            std::size_t node = 0;
            if (split_path(hardlink, target, ignored) && !target.empty()) {
                for (const std::string& name : target) {
                    const auto found = children.find({node, name});
                    node = found == children.end() ? 0 : found->second;
                    if (node == 0) break;
                }
            }
            if (node == 0 || a.nodes[node].directory)
                return refuse(joined, "it is a link to no file listed before it");
            header = a.nodes[node].header;
            size = a.nodes[node].size;
        }
        const std::size_t node = place(names, false, joined);
        if (node == 0) return;
        // A path given twice: unpacking would keep the last one.
        if (a.nodes[node].header != kNoHeader)
            refuse(joined, "the archive holds it again further on, which is read instead");
        a.nodes[node].header = header;
        a.nodes[node].size = size;
    }
};

}  // namespace

Archive::~Archive() {
    close_archive(*this);
}

void close_archive(Archive& a) {
    for (ArchiveCursor& c : a.cursors)
        close_cursor(c);
}

ArchiveOpen open_archive(const std::string& path, Archive& a, std::string& reason) {
    a.path = path;
    ArchiveCursor& c = a.cursors[0];
    try {
        if (!open_file(c, path, reason)) return ArchiveOpen::cannot_open;
    } catch (const std::exception&) {  // std::bad_alloc of the read buffer
        reason = "not enough memory to read it";
        return ArchiveOpen::unreadable;
    }
    std::uint8_t start[16] = {};
    const std::size_t got = platform::file_read(c.file, start, sizeof start);
    if (ends_with_folded(path, ".CUE") || (got == sizeof start && is_sector_sync(start))) {
        reason = ends_with_folded(path, ".CUE") ? "a cue sheet"
                                                : "a raw disc image of 2352-byte sectors";
        return ArchiveOpen::raw_disc_image;
    }
    const platform::ThreadUtf8Text utf8;
    try {
        a.nodes.emplace_back();
        a.nodes.front().directory = true;
        if (!start_reader(c, path, reason)) return ArchiveOpen::unknown;
        Lister lister{a, {}};
        archive_entry* entry = nullptr;
        for (;;) {
            if (c.next_header == kMaxArchiveEntries) {
                a.damage = "it has more than " + std::to_string(kMaxArchiveEntries) +
                           " entries, and the rest are not listed";
                break;
            }
            const int r = next_header(c, entry, reason);
            if (r == ARCHIVE_EOF) break;
            if (r != ARCHIVE_OK) {
                if (c.next_header == 0) return ArchiveOpen::unreadable;
                a.damage = reason;
                break;
            }
            lister.add(entry, c.next_header - 1);
        }
        a.headers = c.next_header;
    } catch (const std::exception&) {  // std::bad_alloc, std::length_error
        reason = "not enough memory to list it";
        return ArchiveOpen::unreadable;
    }
    c.last_use = ++a.uses;
    return ArchiveOpen::ok;
}
bool find_archive_folder(const Archive& a, const std::string& relative, std::size_t& node) {
    node = 0;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string name = relative.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        const auto child =
            std::find_if(a.nodes.begin() + 1, a.nodes.end(), [&](const ArchiveNode& n) {
                return n.directory && n.parent == node && n.name == name;
            });
        if (child == a.nodes.end()) return false;
        node = static_cast<std::size_t>(child - a.nodes.begin());
    }
    return a.nodes.empty() ? false : a.nodes[node].directory;
}

void list_archive_folder(const Archive& a, std::size_t node, const std::string& folder,
                         std::vector<platform::Match>& entries) {
    for (std::size_t i = 1; i < a.nodes.size(); ++i) {
        if (a.nodes[i].parent == node)
            entries.push_back({folder, a.nodes[i].name, a.nodes[i].directory, i + 1});
    }
}

platform::ReadStatus read_archive_file(Archive& a, std::size_t node, std::vector<std::uint8_t>& out,
                                       std::uint64_t max_size, std::string* reason) {
    using platform::ReadStatus;
    out.clear();
    std::string why;
    const auto fail = [&](ReadStatus status) {
        out.clear();
        if (reason) *reason = why;
        return status;
    };
    if (node == 0 || node >= a.nodes.size() || a.nodes[node].directory) {
        why = "not a file of the archive";
        return fail(ReadStatus::cannot_open);
    }
    const ArchiveNode& file = a.nodes[node];
    if (file.size == 0) return fail(ReadStatus::empty);
    if (file.size > 0 && static_cast<std::uint64_t>(file.size) > max_size)
        return fail(ReadStatus::too_large);
    const platform::ThreadUtf8Text utf8;
    ArchiveCursor& c = cursor_for(a, file.header);
    if (!c.reader) {
        if (!start_reader(c, a.path, why)) return fail(ReadStatus::read_error);
        ++a.restarts;
    }
    archive_entry* entry = nullptr;
    while (c.next_header <= file.header) {
        const int r = next_header(c, entry, why);
        if (r == ARCHIVE_EOF) {
            why = "the archive ends before it";
            free_reader(c);
        }
        if (r != ARCHIVE_OK) return fail(ReadStatus::read_error);
    }
    try {
        if (file.size > 0) out.reserve(static_cast<std::size_t>(file.size));
        for (;;) {
            const std::size_t old = out.size();
            // Never more than one byte past the limit is asked for.
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
                kReadChunk, max_size + 1 - std::min<std::uint64_t>(old, max_size)));
            out.resize(old + want);
            const la_ssize_t got = archive_read_data(c.reader, out.data() + old, want);
            if (got < 0) {
                why = error_text(c.reader, "its data cannot be read");
                free_reader(c);
                return fail(ReadStatus::read_error);
            }
            out.resize(old + static_cast<std::size_t>(got));
            if (out.size() > max_size) return fail(ReadStatus::too_large);
            if (got == 0) break;
        }
    } catch (const std::exception&) {  // std::bad_alloc, std::length_error
        return fail(ReadStatus::no_memory);
    }
    if (file.size >= 0 && out.size() != static_cast<std::uint64_t>(file.size)) {
        why = "it unpacks to " + std::to_string(out.size()) + " bytes where its header says " +
              std::to_string(file.size);
        return fail(ReadStatus::read_error);
    }
    if (out.empty()) return fail(ReadStatus::empty);
    return ReadStatus::ok;
}
