// SPDX-License-Identifier: GPL-2.0-or-later
// The package builder: every produced file becomes one LZO1X-999 compressed
// entry of DAR297.AVD. Entries are compressed the moment they are added and
// appended to a staging file; finish_package writes header, sorted directory
// and the staged data to the package, atomically. It prints nothing: each
// call that can meet a warning or a failure says it into the caller's sink
// (`said`, its last parameter), on the caller's thread, and the builder
// counts the entries it was handed and left out (Package::left_out).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/status.h"
#include "platform/platform.h"

inline constexpr char kPackageName[] = "DAR297.AVD";
// "ねむり ぎつね文庫ミニシナリオ" in code page 932, the title at header offset 32
// (29 bytes).
inline constexpr char kPackageTitle[] =
    "\x82\xCB\x82\xDE\x82\xE8 \x82\xAC\x82\xC2\x82\xCB\x95\xB6\x8C\xC9\x83~\x83j\x83V\x83i\x83\x8A"
    "\x83I";
inline constexpr char kStagingName[] = "tmp.dat";
// The package is written to its path with this suffix, then renamed.
inline constexpr char kPartSuffix[] = ".part";
inline constexpr std::size_t kPackageHeaderSize = 64;
// The first bytes of every package: "PLOVEX" and two zero bytes.
inline constexpr char kPackageMagic[8] = {'P', 'L', 'O', 'V', 'E', 'X', 0, 0};
inline constexpr std::size_t kDirectoryEntrySize = 32;
inline constexpr std::size_t kEntryNameSize = 16;
inline constexpr std::uint32_t kEntryKindLzo = 2;
// The entry count is a 16-bit header field.
inline constexpr std::size_t kMaxPackageEntries = 65535;
// Chunk size of the copy from the staging file into the package.
inline constexpr std::size_t kCopyChunk = 1 << 20;

struct DirectoryEntry {
    char name[kEntryNameSize];  // upper-cased, zero-terminated, zero-filled
    std::uint32_t offset;       // staging offset until finish_package rebases it
    std::uint32_t packed_size;
    std::uint32_t unpacked_size;
    std::uint32_t kind;
};

struct CompressorPool;  // the worker threads of a package built with several jobs

// The builder's state for one run. Owns the staging file, the directory and
// the compressor's buffers.
struct Package {
    std::string staging_path;
    platform::File* staging = nullptr;  // held by this run alone while open
    // A stale staging file left by an earlier run was removed on the way.
    bool removed_stale_staging = false;
    std::uint64_t staging_length = 0;
    // A staging write or an allocation failed: the package cannot be finished.
    bool write_failed = false;
    // Entries handed in and left out, each named in a warning (memory to
    // compress it, a compressor error, too many entries, a package too large).
    std::size_t left_out = 0;
    std::vector<DirectoryEntry> directory;
    // Where each stored name came from, for the warning about a name stored twice.
    std::map<std::string, std::string> sources;
    std::vector<std::uint8_t> compressed;   // output buffer, sized for each block
    std::vector<std::uint8_t> work_memory;  // LZO1X-999 work memory
    // With more than one job, entries are compressed on worker threads and
    // written to the staging file in the order they were added.
    std::unique_ptr<CompressorPool> pool;

    Package();
    ~Package();
};

// Fills a 64-byte package header: magic, fixed words, title and the entry
// count `entries`.
void build_package_header(std::uint8_t header[kPackageHeaderSize], std::uint16_t entries);

// Initialises the compressor and creates the staging file "tmp.dat" in
// `folder` (which ends in a separator), held by this run until the package is
// finished or abandoned. With `jobs` above 1, entries are compressed on that
// many worker threads; the package is byte-identical to a one-job run.
// output_in_use when another run holds the staging file (nothing is
// changed then); cannot_create when the compressor or the staging file fails,
// with a message for standard error.
Status open_package(Package& package, const std::string& folder, unsigned jobs, Diagnostics& said);

// Compresses `block` into the staging file as the entry `name` (cut to 15
// bytes, upper-cased); with worker threads the builder keeps the block until
// it is compressed, which a moved-in block saves copying. An entry that
// cannot be stored is left out with a warning; with worker threads that
// happens when it is written, during a later call that adds an entry or
// finishes the package. `source` names where the block comes from (a file's
// path, shown in warnings; nullptr: its name): an entry stored under the name
// of an earlier one with a source is kept too, with a warning that names
// both sources. Memory that runs out on the way fails the package
// (write_failed).
void add_package_entry(Package& package, const char* name, std::vector<std::uint8_t> block,
                       const char* source, Diagnostics& said);

// Sorts the directory by name and writes header, directory and staged data to
// `package_path` through a temporary file ("<package_path>.part") that
// replaces it only when complete, after the entries still in flight are
// written (with their warnings). Deletes the staging file. write_failed when
// the package could not be written (the path and the system's reason are a
// message for standard error); an earlier file at `package_path` is then left untouched.
Status finish_package(Package& package, const std::string& package_path, Diagnostics& said);

// Deletes and closes the staging file of a run that ends without a package.
// A Package destroyed with its staging file still open does the same.
void abandon_package(Package& package);

// Name order of the directory: zero-terminated names compared bytewise as
// unsigned values, a prefix before the longer name.
bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b);
