// SPDX-License-Identifier: GPL-2.0-or-later
// A disc image or archive as a tree of folders and files, read through
// libarchive and never unpacked to disk: ISO 9660 (Joliet names where the
// image has them, else Rock Ridge, else the plain ones), ZIP, LZH, 7-Zip and
// cabinet. The archive is listed once, in its own order; a file is then read
// by its place in that order, going on from the last one read and starting
// the archive again only to go back.
//
// Names come out in one form whatever the user's locale: UTF-8 where the
// archive stores Unicode (Joliet, 7-Zip, ZIP names with the UTF-8 flag) or
// where its bytes are code page 932 (ZIP names without the flag, LZH); a
// name whose bytes are neither stays as its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct archive;

inline constexpr std::size_t kNoHeader = SIZE_MAX;

// A folder or file of the tree. Node 0 is the archive's root.
struct ArchiveNode {
    std::string name;  // its last name
    std::size_t parent = 0;
    bool directory = false;
    std::size_t header = kNoHeader;  // a file's place in the archive's order
    std::int64_t size = -1;          // a file's size as its header gives it; -1 when unknown
};

// An entry the tree does not hold, with why: a link, a path outside the
// archive, a path given twice, ...
struct ArchiveRefusal {
    std::string path;
    std::string reason;
    bool outside = false;  // its path leads to no place in the tree
};

// One reader of an archive, with a file of its own, positioned after the
// header numbered next_header - 1.
struct ArchiveCursor {
    ::archive* reader = nullptr;
    platform::File* file = nullptr;
    std::uint64_t file_size = 0;
    std::uint64_t position = 0;
    std::size_t next_header = 0;
    std::uint64_t last_use = 0;
    std::vector<std::uint8_t> buffer;
};

// An archive open for reading; its readers and files are released by
// close_archive (the destructor calls it).
struct Archive {
    std::string path;  // the file, as the user named it
    std::vector<ArchiveNode> nodes;
    std::vector<ArchiveRefusal> refused;
    std::size_t headers = 0;  // the entries listed
    // Not empty when the listing stopped before the archive's end: libarchive's
    // reason. The entries before it are listed.
    std::string damage;
    // Two readers, so that a run that takes its files from two places in
    // turn (a sprite, then its mask) goes forward in both; a file is read
    // by the reader that stands closest before it, or when none does, the
    // one used longest ago starts again.
    ArchiveCursor cursors[2];
    std::uint64_t uses = 0;
    std::size_t restarts = 0;  // how often a reader started the archive again

    Archive() = default;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    ~Archive();
};

// More entries than this are not listed (the package holds 65535).
inline constexpr std::size_t kMaxArchiveEntries = 1 << 20;

enum class ArchiveOpen {
    ok,
    cannot_open,     // the file cannot be opened (the system's reason)
    raw_disc_image,  // 2352-byte sectors or a cue sheet: no ISO image
    unknown,         // no format the converter reads
    unreadable,      // the format is known, but not even its first entry can be read
};

// Opens the archive at `path` and lists it; `reason` says what failed.
// `archive` must be a fresh one.
[[nodiscard]] ArchiveOpen open_archive(const std::string& path, Archive& archive,
                                       std::string& reason);

// Releases the readers and the files; the listing stays.
void close_archive(Archive& archive);

// The folder node at `relative` ("" for the root, "GAME/MES" below it, names
// separated by '/'); false when there is none.
bool find_archive_folder(const Archive& archive, const std::string& relative, std::size_t& node);

// The folders and files directly in the folder `node`, each with `folder`
// as its Match::folder and its node number plus one as Match::entry.
void list_archive_folder(const Archive& archive, std::size_t node, const std::string& folder,
                         std::vector<platform::Match>& entries);

// Reads the file `node` whole into `out`, as platform::read_file reads a
// file: too_large for a file above `max_size` bytes (by its header, or by
// what it unpacks to), empty for an empty one; `reason` receives
// libarchive's reason for a read_error.
platform::ReadStatus read_archive_file(Archive& archive, std::size_t node,
                                       std::vector<std::uint8_t>& out, std::uint64_t max_size,
                                       std::string* reason = nullptr);
