// SPDX-License-Identifier: GPL-2.0-or-later
// What the POSIX and the Win32 implementation share.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/platform.h"

namespace platform {

struct File {
    std::FILE* stream;
    bool writing;
};

// Writes `size` bytes of `text` to `stream` as the system's console shows them.
void write_text(std::FILE* stream, const char* text, std::size_t size, TextKind kind);

#ifdef MSCONV_FAULT_INJECTION
// A test build makes the N-th call that creates, locks, writes, flushes,
// closes or renames an output file fail with EIO, N taken from
// MSCONV_FAIL_CALL; the count of such calls goes to the file MSCONV_CALL_COUNT names.
bool injected_failure();
#else
constexpr bool injected_failure() {
    return false;
}
#endif

}  // namespace platform
