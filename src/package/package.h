// The package builder: every produced file becomes one LZO1X-999 compressed
// entry of DAR297.AVD. Entries are compressed the moment they are added and
// appended to a staging file; finish_package writes header, sorted directory
// and the staged data to the package, atomically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

inline constexpr char kPackageName[] = "DAR297.AVD";
inline constexpr char kStagingName[] = "tmp.dat";
inline constexpr std::size_t kPackageHeaderSize = 64;
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

struct CompressorPool;
struct Progress;  // the worker threads of a package built with several jobs

// The builder's state for one run. Owns the staging file, the directory and
// the compressor's buffers.
struct Package {
    std::string staging_path;
    platform::File* staging = nullptr;
    std::uint64_t staging_length = 0;
    bool write_failed = false;  // a staging write failed: the package cannot be finished
    std::vector<DirectoryEntry> directory;
    std::vector<std::uint8_t> compressed;   // output buffer, sized for each block
    std::vector<std::uint8_t> work_memory;  // LZO1X-999 work memory
    // With more than one job, entries are compressed on worker threads and
    // written to the staging file in the order they were added.
    std::unique_ptr<CompressorPool> pool;
    Progress* progress = nullptr;  // told of every entry added and written, when set

    Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
    ~Package();
};

// Fills the 64-byte package header block: magic, fixed words and title. The
// entry count is filled in by finish_package.
void build_package_header(std::uint8_t header[kPackageHeaderSize]);

// Initialises the compressor and creates the staging file "tmp.dat" in
// `folder` (which ends in a separator). With `jobs` above 1, entries are
// compressed on that many worker threads; the package is byte-identical to
// a one-job run. False when the compressor or the staging file fails.
bool open_package(Package& package, const std::string& folder, unsigned jobs = 1);

// Compresses `size` bytes of `data` into the staging file as the entry `name`
// (cut to 15 bytes, upper-cased). The caller keeps `data`. Returns the
// number of entries added so far, or a negative value when the entry was not
// added (a warning has been printed). With worker threads an entry that
// fails later is reported when it is written.
int add_package_entry(Package& package, const char* name, const std::uint8_t* data,
                      std::size_t size);
// The same for a block the builder may keep until it is compressed, which
// saves a copy of large blocks.
int add_package_entry(Package& package, const char* name, std::vector<std::uint8_t>&& block);

// Sorts the directory by name and writes header, directory and staged data to
// `package_path` through a temporary file that replaces it only when
// complete. Deletes the staging file. False when the package could not be
// written; an earlier file at `package_path` is then left untouched.
bool finish_package(Package& package, const std::string& package_path,
                    std::uint8_t header[kPackageHeaderSize]);

// Closes and deletes the staging file of a run that ends without a package.
void abandon_package(Package& package);

// Name order of the directory: zero-terminated names compared bytewise as
// unsigned values, a prefix before the longer name.
bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b);
