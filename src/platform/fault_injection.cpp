// SPDX-License-Identifier: GPL-2.0-or-later
// The test build's fault injection (MSCONV_FAULT_INJECTION): the converter
// built with it (msconv_faulty) fails one chosen output call.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/stdio_file.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {
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

bool injected_failure() {
    static const std::uint64_t fail_at = [] {
        std::atexit(report_call_count);
        const char* n = std::getenv("MSCONV_FAIL_CALL");
        return n ? std::strtoull(n, nullptr, 10) : 0;
    }();
    if (++g_output_calls != fail_at) return false;
#ifdef _WIN32
    SetLastError(0);  // the reason is errno's, the same text everywhere
#endif
    errno = EIO;
    return true;
}

}  // namespace platform
