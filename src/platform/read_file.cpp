// SPDX-License-Identifier: GPL-2.0-or-later
// Reading a whole file, the same on every system over open_regular_file.
#include <new>
#include <stdexcept>

#include "platform/platform.h"

namespace platform {

ReadStatus read_file(const std::string& path, std::vector<std::uint8_t>& out,
                     std::uint64_t max_size) {
    out.clear();
    std::uint64_t size = 0;
    File* file = open_regular_file(path, size);
    if (!file) return ReadStatus::cannot_open;
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
        if (status == ReadStatus::ok && file_read(file, out.data(), out.size()) != out.size()) {
            status = ReadStatus::read_error;
        }
    }
    file_close(file);
    if (status != ReadStatus::ok) out.clear();
    return status;
}

}  // namespace platform
