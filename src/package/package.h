// SPDX-License-Identifier: GPL-2.0-or-later
// The package builder: every produced file becomes one LZO1X-999 compressed
// entry of DAR297.AVD. Entries are compressed the moment they are added and
// appended to a staging file; finish_package writes header, sorted directory
// and the staged data to the package, atomically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"

namespace msconv::package {

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

// Told of every entry as its block is handed in and as its compressed data
// are written to the staging file; either function may be left out.
struct PackageObserver {
    void* context = nullptr;
    void (*entry_added)(void* context, std::uint64_t size) = nullptr;
    void (*entry_written)(void* context, std::uint64_t packed_size) = nullptr;
};

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
    std::vector<DirectoryEntry> directory;
    // Where each stored name came from, for the warning about a name stored twice.
    std::map<std::string, std::string> sources;
    std::vector<std::uint8_t> compressed;   // output buffer, sized for each block
    std::vector<std::uint8_t> work_memory;  // LZO1X-999 work memory
    // With more than one job, entries are compressed on worker threads and
    // written to the staging file in the order they were added.
    std::unique_ptr<CompressorPool> pool;
    PackageObserver observer;
    // Input files that were not converted, each named in a warning.
    std::size_t skipped = 0;

    Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
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
// changed then); cannot_create when the compressor or the staging file fails.
base::Status open_package(Package& package, const std::string& folder, unsigned jobs = 1,
                          PackageObserver observer = {});

// Compresses `size` bytes of `data` into the staging file as the entry `name`
// (cut to 15 bytes, upper-cased). The caller keeps `data`. An entry that
// cannot be stored is reported with a warning and left out; with worker
// threads that happens when it is written. `source` names where the block
// comes from (a file's path, shown in warnings): an entry stored under the name of an earlier
// one with a source is kept too, with a warning that names both sources.
// Memory that runs out on the way fails the package (write_failed).
void add_package_entry(Package& package, const char* name, const std::uint8_t* data,
                       std::size_t size, const char* source = nullptr);
// The same for a block the builder may keep until it is compressed, which
// saves a copy of large blocks.
void add_package_entry(Package& package, const char* name, std::vector<std::uint8_t>&& block,
                       const char* source = nullptr);

// Sorts the directory by name and writes header, directory and staged data to
// `package_path` through a temporary file ("<package_path>.part") that
// replaces it only when complete. Deletes the staging file. write_failed when
// the package could not be written (the path and the system's reason go to
// standard error); an earlier file at `package_path` is then left untouched.
base::Status finish_package(Package& package, const std::string& package_path);

// Deletes and closes the staging file of a run that ends without a package.
// A Package destroyed with its staging file still open does the same.
void abandon_package(Package& package);

// ---- Input files that are not converted --------------------------------------

// The kind of a skipped input: a DATA file has warnings of its own; every
// other file has the common ones.
enum class Input { file, data };

enum class SkipReason { cannot_open, cannot_read, empty, too_large, no_memory, bad_name };

// Why an input file is not converted, with the details: the system's reason
// (cannot_open, cannot_read), the limit (too_large), the size (no_memory), or
// what is wrong with the name (bad_name).
struct InputFailure {
    SkipReason reason = SkipReason::cannot_open;
    std::string detail;
};

// The failure for a read that ended with `status` (not ok), with the
// system's reason from read_file and the size limit the read had.
InputFailure read_failure(platform::ReadStatus status, const std::string& system_reason,
                          std::uint64_t limit);

// Warns that the file at `path` is not converted and counts it in
// `package.skipped`: one line in the converters' asterisk style on standard
// output, naming the path; where there are details, a second line on
// standard error with the path and the details. A DATA file that memory
// cannot hold has its own line ("Could not allocate memory.", no line break).
void skip_input(Package& package, Input input, const std::string& path,
                const InputFailure& failure);

// Warns that the sprite at `path` is not converted because its mask at
// `mask_path` could not be read (`mask_failure`), and counts the sprite: the
// mask's own line on standard output (fourteen asterisks, "Cannot open", no
// line break), and on standard error the sprite's path with the mask as the
// reason. When the sprite could not be read either (`sprite_failure`), its
// own warning follows, and it is counted once.
void skip_for_mask(Package& package, const std::string& path, const std::string& mask_path,
                   const InputFailure& mask_failure, const InputFailure* sprite_failure = nullptr);

// The entry name of the file `name` that a search found in `folder` (which
// ends in a separator): its code page 932 form (base::entry_name_of). False
// when no entry can have that name; the file is then reported and counted
// as skip_input does.
bool found_entry_name(Package& package, Input input, const std::string& folder,
                      const std::string& name, std::string& entry);

// Name order of the directory: zero-terminated names compared bytewise as
// unsigned values, a prefix before the longer name.
bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b);

}  // namespace msconv::package
