// SPDX-License-Identifier: GPL-2.0-or-later
#include "package/package.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <thread>

#include "base/bytes.h"
#include "base/names.h"

// One entry on its way through the worker threads.
struct CompressionJob {
    std::string name;
    std::string source;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> packed;
    std::size_t size = 0;  // of the block handed in
    std::size_t packed_size = 0;
    std::size_t cost = 0;  // bytes held while in flight
    int status = LZO_E_OK;
    bool done = false;
};

// Worker threads that compress entries in any order; the producer writes
// them to the staging file in the order they were added.
struct CompressorPool {
    std::mutex mutex;
    std::condition_variable work_ready;                     // to the workers: a job or the stop
    std::condition_variable job_done;                       // to the producer: a job is compressed
    std::deque<std::shared_ptr<CompressionJob>> waiting;    // not yet started
    std::deque<std::shared_ptr<CompressionJob>> in_flight;  // every job not yet written
    std::size_t in_flight_bytes = 0;
    std::size_t max_in_flight = 0;
    bool stopping = false;
    std::vector<std::vector<std::uint8_t>> work_memories;  // one LZO1X-999 work memory per worker
    std::vector<std::thread> workers;
};

namespace {

// Bytes of blocks and compressed output held in flight at most, beside one
// block that is larger on its own.
constexpr std::size_t kInFlightBudget = 32u << 20;
// Blocks in flight per worker thread.
constexpr std::size_t kBlocksPerWorker = 3;

// LZO1X output can exceed its input by this much at most.
std::size_t worst_case_packed_size(std::size_t size) {
    return size + size / 16 + 64 + 3;
}

// Compresses a whole block with LZO1X-999 into `out`, which grows to the
// worst case of the block. Returns the LZO status.
int compress_block(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                   std::vector<std::uint8_t>& work_memory, std::size_t& packed_size) {
    static const std::uint8_t kNothing = 0;
    try {
        if (out.size() < worst_case_packed_size(size)) out.resize(worst_case_packed_size(size));
    } catch (const std::bad_alloc&) {
        return LZO_E_OUT_OF_MEMORY;
    }
    lzo_uint packed = 0;
    const int status =
        lzo1x_999_compress(size ? data : &kNothing, size, out.data(), &packed, work_memory.data());
    packed_size = packed;
    return status;
}

// The first failure of the package's output goes to standard error with the
// path and the system's reason; the package is then given up. Both return
// false, for the caller to return or keep.
bool fail_output(Package& package, const char* action, const std::string& path, Diagnostics& said) {
    if (!package.write_failed) {
        const std::string reason = platform::last_error_text();
        note_error(said, "msconv: cannot %s %s: %s\n",
                   {action, as_system(path), as_system(reason)});
    }
    package.write_failed = true;
    return false;
}

bool fail_memory(Package& package, const std::string& source, std::size_t size, Diagnostics& said) {
    if (!package.write_failed) {
        note_error(said, "msconv: not enough memory for %s (%s bytes): no package is written\n",
                   {as_system(source), std::to_string(size)});
    }
    package.write_failed = true;
    return false;
}

// The name as the directory stores it: cut to 15 bytes, zero-filled,
// upper-cased.
void store_name(const char* name, char (&stored)[kEntryNameSize]) {
    std::strncpy(stored, name, kEntryNameSize);
    stored[kEntryNameSize - 1] = '\0';
    upper_case_name(stored);
}

// Warns when an entry from `source` is stored under the same name as an
// earlier one; both stay in the package, in the order they were added.
void note_source(Package& package, const char* name, const char* source, Diagnostics& said) {
    if (!source) return;
    char stored[kEntryNameSize];
    store_name(name, stored);
    const auto [earlier, inserted] = package.sources.try_emplace(stored, source);
    if (!inserted) {
        note(said, "********** Duplicate entry %s: %s and %s (both kept)\n",
             {stored, as_system(earlier->second), as_system(source)});
    }
}

// Appends one compressed entry to the staging file and the directory, in
// the order entries were added. An entry that cannot be stored is left out
// with a warning that names `source` (its file, else its name).
void record_entry(Package& package, const char* name, const std::string& source, int status,
                  const std::uint8_t* packed, std::size_t packed_size, std::size_t size,
                  Diagnostics& said) {
    if (status == LZO_E_OUT_OF_MEMORY) {
        note(said, "********** Not enough memory for %s, skipped\n", {as_system(source)});
        note_error(said, "msconv: %s: not enough memory to compress %s bytes\n",
                   {as_system(source), std::to_string(size)});
        ++package.left_out;
        return;
    }
    if (status != LZO_E_OK) {
        note(said, "********** Cannot compress %s (error %s)\n",
             {as_system(source), std::to_string(status)});
        ++package.left_out;
        return;
    }
    if (package.directory.size() >= kMaxPackageEntries) {
        note(said, "********** Too many package entries: %s skipped\n", {as_system(source)});
        ++package.left_out;
        return;
    }
    // Every entry's data must start at an offset that fits 32 bits once the
    // directory is in front of it; the newest entry starts last.
    const std::uint64_t start = package.staging_length + kPackageHeaderSize +
                                kDirectoryEntrySize * (package.directory.size() + 1);
    if (start > UINT32_MAX || size > UINT32_MAX) {
        note(said, "********** Package too large: %s skipped\n", {as_system(source)});
        ++package.left_out;
        return;
    }
    if (!package.staging || package.write_failed) {
        package.write_failed = true;
        return;
    }
    if (!platform::file_write(package.staging, packed, packed_size)) {
        fail_output(package, "write", package.staging_path, said);
        return;
    }
    DirectoryEntry entry{};
    store_name(name, entry.name);
    entry.offset = static_cast<std::uint32_t>(package.staging_length);
    entry.packed_size = static_cast<std::uint32_t>(packed_size);
    entry.unpacked_size = static_cast<std::uint32_t>(size);
    entry.kind = kEntryKindLzo;
    try {
        package.directory.push_back(entry);
    } catch (const std::bad_alloc&) {
        fail_memory(package, name, size, said);
        return;
    }
    package.staging_length += packed_size;
}

void run_worker(CompressorPool& pool, std::vector<std::uint8_t>& work_memory) {
    std::unique_lock lock(pool.mutex);
    for (;;) {
        pool.work_ready.wait(lock, [&] { return pool.stopping || !pool.waiting.empty(); });
        if (pool.waiting.empty()) return;
        std::shared_ptr<CompressionJob> job = pool.waiting.front();
        pool.waiting.pop_front();
        lock.unlock();
        job->status = compress_block(job->data.data(), job->data.size(), job->packed, work_memory,
                                     job->packed_size);
        std::vector<std::uint8_t>().swap(job->data);  // the block is no longer needed
        lock.lock();
        job->done = true;
        pool.job_done.notify_all();
    }
}

// Waits for the oldest job in flight and writes it. Called with the lock held,
// on the thread that adds the entries: the workers only compress, so that
// every message is said on that thread.
void retire_oldest(Package& package, std::unique_lock<std::mutex>& lock, Diagnostics& said) {
    CompressorPool& pool = *package.pool;
    std::shared_ptr<CompressionJob> job = pool.in_flight.front();
    pool.job_done.wait(lock, [&] { return job->done; });
    pool.in_flight.pop_front();
    pool.in_flight_bytes -= job->cost;
    lock.unlock();
    record_entry(package, job->name.c_str(), job->source, job->status, job->packed.data(),
                 job->packed_size, job->size, said);
    lock.lock();
}

// Writes every job in flight, in the order they were added.
void write_in_flight(Package& package, Diagnostics& said) {
    if (!package.pool) return;
    std::unique_lock lock(package.pool->mutex);
    while (!package.pool->in_flight.empty())
        retire_oldest(package, lock, said);
}

// Stops the workers; the jobs not yet written are dropped.
void stop_pool(Package& package) {
    if (!package.pool) return;
    CompressorPool& pool = *package.pool;
    {
        std::unique_lock lock(pool.mutex);
        pool.waiting.clear();
        pool.stopping = true;
    }
    pool.work_ready.notify_all();
    for (std::thread& worker : pool.workers)
        worker.join();
    package.pool.reset();
}

// Throws std::bad_alloc before the job is queued, leaving the pool as it was.
void add_job(Package& package, const char* name, const std::string& source,
             std::vector<std::uint8_t>&& block, Diagnostics& said) {
    CompressorPool& pool = *package.pool;
    auto job = std::make_shared<CompressionJob>();
    job->name = name;
    job->source = source;
    job->size = block.size();
    job->cost = block.size() + worst_case_packed_size(block.size());
    job->data = std::move(block);
    // A block that waits holds no more than its bytes (a picture's block is
    // cut to its entry, which leaves room behind it), so the budget holds.
    job->data.shrink_to_fit();
    std::unique_lock lock(pool.mutex);
    while (!pool.in_flight.empty() && (pool.in_flight.size() >= pool.max_in_flight ||
                                       pool.in_flight_bytes + job->cost > kInFlightBudget)) {
        retire_oldest(package, lock, said);
    }
    pool.in_flight.push_back(job);
    try {
        pool.waiting.push_back(job);
    } catch (const std::bad_alloc&) {
        pool.in_flight.pop_back();
        throw;
    }
    pool.in_flight_bytes += job->cost;
    pool.work_ready.notify_one();
    // A block beyond the budget is written before the producer goes on, so
    // that it never reads the next large file while this block and its
    // compressed copy are held: memory stays near twice the largest file.
    if (job->cost > kInFlightBudget) {
        while (!pool.in_flight.empty())
            retire_oldest(package, lock, said);
    }
}

// Starts the worker threads. When memory or threads run short, the package
// is built with one job instead: its bytes are the same.
void start_pool(Package& package, unsigned jobs) {
    try {
        package.pool = std::make_unique<CompressorPool>();
        CompressorPool& pool = *package.pool;
        pool.max_in_flight = kBlocksPerWorker * jobs;
        pool.work_memories.resize(jobs);
        for (std::vector<std::uint8_t>& work_memory : pool.work_memories)
            work_memory.assign(LZO1X_999_MEM_COMPRESS, 0);
        for (unsigned i = 0; i < jobs; ++i) {
            pool.workers.emplace_back(run_worker, std::ref(pool), std::ref(pool.work_memories[i]));
        }
    } catch (const std::exception&) {  // std::bad_alloc, std::system_error
        stop_pool(package);
    }
}

// Deletes the staging file, which this run holds until then.
void delete_staging(Package& package) {
    stop_pool(package);
    if (package.staging) platform::delete_staging_file(package.staging, package.staging_path);
    package.staging = nullptr;
    package.staging_path.clear();
}

// Writes header, directory and the staged data, read back from the start of
// the staging file, into `out` at `path`. False on any write or read
// failure, which is reported.
bool write_package(Package& package, platform::File* out, const std::string& path,
                   const std::uint8_t* header, Diagnostics& said) {
    if (!platform::file_write(out, header, kPackageHeaderSize))
        return fail_output(package, "write", path, said);
    std::vector<std::uint8_t> record(kDirectoryEntrySize);
    for (const DirectoryEntry& entry : package.directory) {
        std::memcpy(record.data(), entry.name, kEntryNameSize);
        write_le32(&record[16], entry.offset);
        write_le32(&record[20], entry.packed_size);
        write_le32(&record[24], entry.unpacked_size);
        write_le32(&record[28], entry.kind);
        if (!platform::file_write(out, record.data(), record.size()))
            return fail_output(package, "write", path, said);
    }
    std::vector<std::uint8_t> chunk(kCopyChunk);
    for (std::uint64_t left = package.staging_length; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        if (platform::file_read(package.staging, chunk.data(), n) != n)
            return fail_output(package, "read back", package.staging_path, said);
        if (!platform::file_write(out, chunk.data(), n))
            return fail_output(package, "write", path, said);
        left -= n;
    }
    return true;
}

}  // namespace

Package::Package() = default;

Package::~Package() {
    delete_staging(*this);
}

void build_package_header(std::uint8_t header[kPackageHeaderSize], std::uint16_t entries) {
    std::memset(header, 0, kPackageHeaderSize);
    std::memcpy(header, kPackageMagic, sizeof kPackageMagic);
    write_le16(header + 8, 1613);
    write_le16(header + 10, 2);
    write_le16(header + 12, entries);
    write_le16(header + 14, 16);
    write_le16(header + 16, 8);
    std::memcpy(header + 32, kPackageTitle, sizeof kPackageTitle - 1);
}

Status open_package(Package& package, const std::string& folder, unsigned jobs, Diagnostics& said) {
    if (lzo_init() != LZO_E_OK) {
        note_error(said, "msconv: the LZO compressor cannot be initialised\n");
        return Status::cannot_create;
    }
    try {
        package.work_memory.assign(LZO1X_999_MEM_COMPRESS, 0);
    } catch (const std::bad_alloc&) {
        note_error(said, "msconv: not enough memory for the compressor\n");
        return Status::cannot_create;
    }
    const std::string path = folder + kStagingName;
    platform::CreateStatus created = platform::CreateStatus::failed;
    package.staging = platform::create_staging_file(path, created, package.removed_stale_staging);
    if (!package.staging) {
        if (created == platform::CreateStatus::in_use) return Status::output_in_use;
        const std::string reason = platform::last_error_text();
        note_error(said, "msconv: cannot create %s: %s\n", {as_system(path), as_system(reason)});
        return Status::cannot_create;
    }
    package.staging_path = path;
    package.staging_length = 0;
    package.write_failed = false;
    package.directory.clear();
    package.sources.clear();
    if (jobs > 1) start_pool(package, jobs);
    return Status::ok;
}

void add_package_entry(Package& package, const char* name, std::vector<std::uint8_t> block,
                       const char* source, Diagnostics& said) {
    if (package.write_failed) return;
    const std::size_t size = block.size();
    const std::string shown = source ? source : name;
    try {
        note_source(package, name, source, said);
        if (package.pool) return add_job(package, name, shown, std::move(block), said);
    } catch (const std::bad_alloc&) {
        fail_memory(package, shown, size, said);
        return;
    }
    std::size_t packed_size = 0;
    const int status =
        compress_block(block.data(), size, package.compressed, package.work_memory, packed_size);
    record_entry(package, name, shown, status, package.compressed.data(), packed_size, size, said);
}

bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b) {
    return std::strncmp(a.name, b.name, kEntryNameSize) < 0;
}

Status finish_package(Package& package, const std::string& package_path, Diagnostics& said) {
    write_in_flight(package, said);
    stop_pool(package);
    // A stable sort keeps entries of equal names in the order they were added.
    std::stable_sort(package.directory.begin(), package.directory.end(), entry_name_less);
    const std::uint32_t data_start = static_cast<std::uint32_t>(
        kPackageHeaderSize + kDirectoryEntrySize * package.directory.size());
    for (DirectoryEntry& entry : package.directory)
        entry.offset += data_start;
    std::uint8_t header[kPackageHeaderSize];
    build_package_header(header, static_cast<std::uint16_t>(package.directory.size()));

    // The staging file stays open, and held, until the package has replaced
    // the earlier one: its data are read back through it.
    bool ok = package.staging != nullptr && !package.write_failed;
    if (ok && !platform::file_rewind(package.staging))
        ok = fail_output(package, "write", package.staging_path, said);
    const std::string temporary = package_path + kPartSuffix;
    platform::File* out = ok ? platform::create_file(temporary) : nullptr;
    if (ok && !out) ok = fail_output(package, "create", temporary, said);
    if (out) {
        try {
            ok = write_package(package, out, temporary, header, said);
        } catch (const std::bad_alloc&) {
            ok = fail_memory(package, temporary, kCopyChunk, said);
        }
        if (ok && !platform::file_flush(out)) ok = fail_output(package, "write", temporary, said);
        if (!platform::file_close(out) && ok) ok = fail_output(package, "write", temporary, said);
        if (ok && !platform::replace_file(temporary, package_path))
            ok = fail_output(package, "rename", temporary + " to " + package_path, said);
        if (!ok) platform::delete_file(temporary);
    }
    delete_staging(package);
    return ok ? Status::ok : Status::write_failed;
}

void abandon_package(Package& package) {
    delete_staging(package);
}
