// Reading a whole file, the same on every system over open_regular_file.
#include <new>

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
        try {
            out.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
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
