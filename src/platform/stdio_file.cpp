// SPDX-License-Identifier: GPL-2.0-or-later
// The stdio file operations and console writes, the same on every system.
#include "platform/stdio_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

namespace msconv::platform {

#ifdef MSCONV_FAULT_INJECTION
namespace {
// When MSCONV_CALL_COUNT names a file, the number of calls that could fail is
// written to it at exit, so a test can walk N over every call of a run.
std::uint64_t g_output_calls = 0;

void report_call_count() {
    if (const char* path = std::getenv("MSCONV_CALL_COUNT")) {
        if (std::FILE* out = std::fopen(path, "w")) {
            std::fprintf(out, "%llu\n", static_cast<unsigned long long>(g_output_calls));
            std::fclose(out);
        }
    }
}
}  // namespace

// The failure is EIO, with no system error beside it on Windows, so its text
// is the same everywhere.
bool injected_failure() {
    static const std::uint64_t fail_at = [] {
        std::atexit(report_call_count);
        const char* n = std::getenv("MSCONV_FAIL_CALL");
        return n ? std::strtoull(n, nullptr, 10) : 0;
    }();
    if (++g_output_calls != fail_at) return false;
#ifdef _WIN32
    SetLastError(0);
#endif
    errno = EIO;
    return true;
}
#endif

std::size_t file_read(File* file, void* data, std::size_t size) {
    return std::fread(data, 1, size, file->stream);
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

void console_write(const char* text, std::size_t size, TextKind kind) {
    write_text(stdout, text, size, kind);
}

void console_write_error(const char* text, std::size_t size, TextKind kind) {
    write_text(stderr, text, size, kind);
}

}  // namespace msconv::platform
