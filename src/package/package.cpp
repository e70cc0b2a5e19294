#include "package/package.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "driver/bytes.h"
#include "driver/console.h"
#include "driver/messages.h"
#include "driver/names.h"

namespace {

// LZO1X output can exceed its input by this much at most.
std::size_t worst_case_packed_size(std::size_t size) {
    return size + size / 16 + 64 + 3;
}

void close_staging(Package& package) {
    if (package.staging) platform::file_close(package.staging);
    package.staging = nullptr;
}

void delete_staging(Package& package) {
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

Package::~Package() {
    close_staging(*this);
}

void build_package_header(std::uint8_t header[kPackageHeaderSize]) {
    std::memset(header, 0, kPackageHeaderSize);
    std::memcpy(header, "PLOVEX", 6);
    write_le16(header + 8, 1613);
    write_le16(header + 10, 2);
    write_le16(header + 14, 16);
    write_le16(header + 16, 8);
    std::memcpy(header + 32, msg::kPackageTitle, sizeof msg::kPackageTitle - 1);
}

bool open_package(Package& package, const std::string& folder) {
    if (lzo_init() != LZO_E_OK) return false;
    package.work_memory.assign(LZO1X_999_MEM_COMPRESS, 0);
    package.staging_path = folder + kStagingName;
    package.staging = platform::create_file(package.staging_path);
    if (!package.staging) {
        package.staging_path.clear();
        return false;
    }
    package.staging_length = 0;
    package.write_failed = false;
    package.directory.clear();
    return true;
}

int add_package_entry(Package& package, const char* name, const std::uint8_t* data,
                      std::size_t size) {
    if (package.directory.size() >= kMaxPackageEntries) {
        console_print("********** Too many package entries: %s skipped\n", name);
        return -1;
    }
    // Every entry's data must start at an offset that fits 32 bits once the
    // directory is in front of it; the newest entry starts last.
    const std::uint64_t start = package.staging_length + kPackageHeaderSize +
                                kDirectoryEntrySize * (package.directory.size() + 1);
    if (start > UINT32_MAX || size > UINT32_MAX) {
        console_print("********** Package too large: %s skipped\n", name);
        return -1;
    }
    lzo_uint packed = 0;
    int status = LZO_E_OUT_OF_MEMORY;
    try {
        if (package.compressed.size() < worst_case_packed_size(size)) {
            package.compressed.resize(worst_case_packed_size(size));
        }
        static const std::uint8_t kNothing = 0;
        status = lzo1x_999_compress(size ? data : &kNothing, size, package.compressed.data(),
                                    &packed, package.work_memory.data());
    } catch (const std::bad_alloc&) {
    }
    if (status != LZO_E_OK) {
        console_print("********** Cannot compress %s (error %d)\n", name, status);
        return status < 0 ? status : -1;
    }
    if (!package.staging || package.write_failed ||
        !platform::file_write(package.staging, package.compressed.data(), packed)) {
        package.write_failed = true;
        return -1;
    }

    DirectoryEntry entry{};
    std::strncpy(entry.name, name, kEntryNameSize);
    entry.name[kEntryNameSize - 1] = '\0';
    upper_case_name(entry.name);
    entry.offset = static_cast<std::uint32_t>(package.staging_length);
    entry.packed_size = static_cast<std::uint32_t>(packed);
    entry.unpacked_size = static_cast<std::uint32_t>(size);
    entry.kind = kEntryKindLzo;
    package.directory.push_back(entry);
    package.staging_length += packed;
    return static_cast<int>(package.directory.size());
}

bool entry_name_less(const DirectoryEntry& a, const DirectoryEntry& b) {
    return std::strncmp(a.name, b.name, kEntryNameSize) < 0;
}

bool finish_package(Package& package, const std::string& package_path,
                    std::uint8_t header[kPackageHeaderSize]) {
    // A stable sort keeps entries of equal names in the order they were added.
    std::stable_sort(package.directory.begin(), package.directory.end(), entry_name_less);
    const std::uint32_t data_start = static_cast<std::uint32_t>(
        kPackageHeaderSize + kDirectoryEntrySize * package.directory.size());
    for (DirectoryEntry& entry : package.directory)
        entry.offset += data_start;
    write_le16(header + 12, static_cast<std::uint32_t>(package.directory.size()));

    bool ok = package.staging && !package.write_failed && platform::file_close(package.staging);
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
    return ok;
}

void abandon_package(Package& package) {
    delete_staging(package);
}
