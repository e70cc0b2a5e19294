// SPDX-License-Identifier: GPL-2.0-or-later
// The file operations that are the same on every system: an open file is a
// C stream, and a whole file is read over open_regular_file.
#include "platform/stdio_file.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <stdexcept>

namespace platform {

File* adopt_stream(std::FILE* stream, bool writing) {
    File* file = stream ? new (std::nothrow) File{stream, writing} : nullptr;
    if (stream && !file) {
        const int reason = errno;
        std::fclose(stream);
        errno = reason;
    }
    return file;
}

std::size_t file_read(File* file, void* data, std::size_t size) {
    return std::fread(data, 1, size, file->stream);
}

bool file_seek(File* file, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
    return _fseeki64(file->stream, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file->stream, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool file_write(File* file, const void* data, std::size_t size) {
    if (injected_failure()) return false;
    return size == 0 || std::fwrite(data, 1, size, file->stream) == size;
}

bool file_close(File* file) {
    const bool fail = file->writing && injected_failure();
    bool ok = std::fclose(file->stream) == 0 && !fail;
    delete file;
    return ok;
}

bool file_rewind(File* file) {
    if (injected_failure()) return false;
    return std::fflush(file->stream) == 0 && std::fseek(file->stream, 0, SEEK_SET) == 0;
}

namespace {
// The reason for a failed open or read: the system's, or `otherwise` when
// the system reports none (a path that names no regular file, a file that
// ended before its size).
void give_reason(std::string* reason, const char* otherwise) {
    if (reason) *reason = errno == 0 ? otherwise : last_error_text();
}
}  // namespace

ReadStatus read_file(const std::string& path, std::vector<std::uint8_t>& out,
                     std::uint64_t max_size, std::string* reason) {
    out.clear();
    std::uint64_t size = 0;
    errno = 0;
    File* file = open_regular_file(path, size);
    if (!file) {
        give_reason(reason, "not a regular file");
        return ReadStatus::cannot_open;
    }
    ReadStatus status = ReadStatus::ok;
    if (size == 0) {
        status = ReadStatus::empty;
    } else if (size > max_size || static_cast<std::size_t>(size) != size) {
        status = ReadStatus::too_large;
    } else {
        // A 32-bit process cannot address a block of 2 GiB or more: the
        // vector says so with length_error rather than bad_alloc.
        try {
            out.resize(static_cast<std::size_t>(size));
        } catch (const std::exception&) {  // std::bad_alloc, std::length_error
            status = ReadStatus::no_memory;
        }
        errno = 0;
        if (status == ReadStatus::ok && file_read(file, out.data(), out.size()) != out.size()) {
            status = ReadStatus::read_error;
            give_reason(reason, "the file ended before its size");
        }
    }
    file_close(file);
    if (status != ReadStatus::ok) out.clear();
    return status;
}

}  // namespace platform
