// SPDX-License-Identifier: GPL-2.0-or-later
// Reading a whole file, the same on every system over open_regular_file.
#include <cerrno>
#include <new>
#include <stdexcept>

#include "platform/platform.h"

namespace msconv::platform {

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
        } catch (const std::bad_alloc&) {
            status = ReadStatus::no_memory;
        } catch (const std::length_error&) {
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

}  // namespace msconv::platform
