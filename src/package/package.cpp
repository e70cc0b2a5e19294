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
#include "base/console.h"
#include "base/names.h"

// One entry on its way through the worker threads.
struct CompressionJob {
    std::string name;
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

// Appends one compressed entry to the staging file and the directory, in
// the order entries were added.
void record_entry(Package& package, const char* name, int status, const std::uint8_t* packed,
                  std::size_t packed_size, std::size_t size) {
    if (status != LZO_E_OK) {
        console_print("********** Cannot compress %s (error %d)\n", name, status);
        return;
    }
    if (package.directory.size() >= kMaxPackageEntries) {
        console_print("********** Too many package entries: %s skipped\n", name);
        return;
    }
    // Every entry's data must start at an offset that fits 32 bits once the
    // directory is in front of it; the newest entry starts last.
    const std::uint64_t start = package.staging_length + kPackageHeaderSize +
                                kDirectoryEntrySize * (package.directory.size() + 1);
    if (start > UINT32_MAX || size > UINT32_MAX) {
        console_print("********** Package too large: %s skipped\n", name);
        return;
    }
    if (!package.staging || package.write_failed ||
        !platform::file_write(package.staging, packed, packed_size)) {
        package.write_failed = true;
        return;
    }
    DirectoryEntry entry{};
    std::strncpy(entry.name, name, kEntryNameSize);
    entry.name[kEntryNameSize - 1] = '\0';
    upper_case_name(entry.name);
    entry.offset = static_cast<std::uint32_t>(package.staging_length);
    entry.packed_size = static_cast<std::uint32_t>(packed_size);
    entry.unpacked_size = static_cast<std::uint32_t>(size);
    entry.kind = kEntryKindLzo;
    package.directory.push_back(entry);
    package.staging_length += packed_size;
    if (package.observer.entry_written)
        package.observer.entry_written(package.observer.context, packed_size);
}

void run_worker(CompressorPool& pool) {
    std::vector<std::uint8_t> work_memory(LZO1X_999_MEM_COMPRESS);
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

// Waits for the oldest job in flight and writes it. Called with the lock held.
void retire_oldest(Package& package, std::unique_lock<std::mutex>& lock) {
    CompressorPool& pool = *package.pool;
    std::shared_ptr<CompressionJob> job = pool.in_flight.front();
    pool.job_done.wait(lock, [&] { return job->done; });
    pool.in_flight.pop_front();
    pool.in_flight_bytes -= job->cost;
    lock.unlock();
    record_entry(package, job->name.c_str(), job->status, job->packed.data(), job->packed_size,
                 job->size);
    lock.lock();
}

void stop_pool(Package& package, bool write_remaining) {
    if (!package.pool) return;
    CompressorPool& pool = *package.pool;
    {
        std::unique_lock lock(pool.mutex);
        if (write_remaining) {
            while (!pool.in_flight.empty())
                retire_oldest(package, lock);
        }
        pool.waiting.clear();
        pool.stopping = true;
    }
    pool.work_ready.notify_all();
    for (std::thread& worker : pool.workers)
        worker.join();
    package.pool.reset();
}

void add_job(Package& package, const char* name, std::vector<std::uint8_t>&& block) {
    CompressorPool& pool = *package.pool;
    auto job = std::make_shared<CompressionJob>();
    job->name = name;
    job->size = block.size();
    job->cost = block.size() + worst_case_packed_size(block.size());
    job->data = std::move(block);
    std::unique_lock lock(pool.mutex);
    while (!pool.in_flight.empty() && (pool.in_flight.size() >= pool.max_in_flight ||
                                       pool.in_flight_bytes + job->cost > kInFlightBudget)) {
        retire_oldest(package, lock);
    }
    pool.in_flight.push_back(job);
    pool.in_flight_bytes += job->cost;
    pool.waiting.push_back(job);
    pool.work_ready.notify_one();
    // A block beyond the budget is written before the producer goes on, so
    // that it never reads the next large file while this block and its
    // compressed copy are held: memory stays near twice the largest file.
    if (job->cost > kInFlightBudget) {
        while (!pool.in_flight.empty())
            retire_oldest(package, lock);
    }
}

void close_staging(Package& package) {
    if (package.staging) platform::file_close(package.staging);
    package.staging = nullptr;
}

void delete_staging(Package& package) {
    stop_pool(package, false);
    close_staging(package);
    if (!package.staging_path.empty()) platform::delete_file(package.staging_path);
    package.staging_path.clear();
}

// Writes header, directory and the staged data into `out`. False on any
// write or read failure.
bool write_package(Package& package, platform::File* out, const std::uint8_t* header) {
    if (!platform::file_write(out, header, kPackageHeaderSize)) return false;
    std::vector<std::uint8_t> record(kDirectoryEntrySize);
    for (const DirectoryEntry& entry : package.directory) {
        std::memcpy(record.data(), entry.name, kEntryNameSize);
        write_le32(&record[16], entry.offset);
        write_le32(&record[20], entry.packed_size);
        write_le32(&record[24], entry.unpacked_size);
        write_le32(&record[28], entry.kind);
        if (!platform::file_write(out, record.data(), record.size())) return false;
    }
    platform::File* staged = platform::open_for_reading(package.staging_path);
    if (!staged) return false;
    std::vector<std::uint8_t> chunk(kCopyChunk);
    std::uint64_t left = package.staging_length;
    bool ok = true;
    while (ok && left > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        ok = platform::file_read(staged, chunk.data(), n) == n &&
             platform::file_write(out, chunk.data(), n);
        left -= n;
    }
    platform::file_close(staged);
    return ok;
}

}  // namespace

Package::Package() = default;

Package::~Package() {
    stop_pool(*this, false);
    close_staging(*this);
}

void build_package_header(std::uint8_t header[kPackageHeaderSize], std::uint16_t entries) {
    std::memset(header, 0, kPackageHeaderSize);
    std::memcpy(header, "PLOVEX", 6);
    write_le16(header + 8, 1613);
    write_le16(header + 10, 2);
    write_le16(header + 12, entries);
    write_le16(header + 14, 16);
    write_le16(header + 16, 8);
    std::memcpy(header + 32, kPackageTitle, sizeof kPackageTitle - 1);
}

Status open_package(Package& package, const std::string& folder, unsigned jobs,
                    PackageObserver observer) {
    package.observer = observer;
    if (lzo_init() != LZO_E_OK) return Status::cannot_create;
    package.work_memory.assign(LZO1X_999_MEM_COMPRESS, 0);
    package.staging_path = folder + kStagingName;
    package.staging = platform::create_file(package.staging_path);
    if (!package.staging) {
        package.staging_path.clear();
        return Status::cannot_create;
    }
    package.staging_length = 0;
    package.write_failed = false;
    package.directory.clear();
    if (jobs > 1) {
        package.pool = std::make_unique<CompressorPool>();
        package.pool->max_in_flight = kBlocksPerWorker * jobs;
        for (unsigned i = 0; i < jobs; ++i) {
            package.pool->workers.emplace_back(run_worker, std::ref(*package.pool));
        }
    }
    return Status::ok;
}

namespace {
void tell_added(Package& package, std::size_t size) {
    if (package.observer.entry_added) package.observer.entry_added(package.observer.context, size);
}
}  // namespace

void add_package_entry(Package& package, const char* name, const std::uint8_t* data,
                       std::size_t size) {
    tell_added(package, size);
    if (package.pool) return add_job(package, name, std::vector<std::uint8_t>(data, data + size));
    std::size_t packed_size = 0;
    const int status =
        compress_block(data, size, package.compressed, package.work_memory, packed_size);
    record_entry(package, name, status, package.compressed.data(), packed_size, size);
}

void add_package_entry(Package& package, const char* name, std::vector<std::uint8_t>&& block) {
    if (!package.pool) return add_package_entry(package, name, block.data(), block.size());
    tell_added(package, block.size());
    add_job(package, name, std::move(block));
}

bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b) {
    return std::strncmp(a.name, b.name, kEntryNameSize) < 0;
}

Status finish_package(Package& package, const std::string& package_path) {
    stop_pool(package, true);
    // A stable sort keeps entries of equal names in the order they were added.
    std::stable_sort(package.directory.begin(), package.directory.end(), entry_name_less);
    const std::uint32_t data_start = static_cast<std::uint32_t>(
        kPackageHeaderSize + kDirectoryEntrySize * package.directory.size());
    for (DirectoryEntry& entry : package.directory)
        entry.offset += data_start;
    std::uint8_t header[kPackageHeaderSize];
    build_package_header(header, static_cast<std::uint16_t>(package.directory.size()));

    // The staging file is closed on every path: an open file could not be
    // deleted on every system.
    bool ok = package.staging != nullptr && !package.write_failed;
    if (package.staging) ok = platform::file_close(package.staging) && ok;
    package.staging = nullptr;

    const std::string temporary = package_path + ".part";
    if (ok) {
        platform::File* out = platform::create_file(temporary);
        ok = out != nullptr;
        if (ok) {
            ok = write_package(package, out, header);
            ok = platform::file_flush(out) && ok;
            ok = platform::file_close(out) && ok;
            ok = ok && platform::replace_file(temporary, package_path);
            if (!ok) platform::delete_file(temporary);
        }
    }
    delete_staging(package);
    return ok ? Status::ok : Status::write_failed;
}

void abandon_package(Package& package) {
    delete_staging(package);
}
