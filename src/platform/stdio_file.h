// SPDX-License-Identifier: GPL-2.0-or-later
// What the POSIX and the Win32 implementation share.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace platform {

struct File {
    std::FILE* stream;
    bool writing;
};

// `stream` as a File; nullptr when it is nullptr, or when memory runs out,
// which closes it (errno kept).
File* adopt_stream(std::FILE* stream, bool writing);

// Writes `size` bytes of `text` to `stream` as the system's console shows them.
void write_text(std::FILE* stream, const char* text, std::size_t size, TextKind kind);

// The output files that an interruption removes: the staging file and the
// package's temporary file, and room to spare. A path is copied into its slot
// before the slot is published; the interruption handler (a signal handler,
// or the console control handler on a thread of its own) reads only
// published, finished strings and calls nothing but the system's delete on
// them.
struct CleanupSlot {
    std::string path;
    std::atomic<const char*> published{nullptr};
};
static_assert(std::atomic<const char*>::is_always_lock_free);
inline CleanupSlot g_cleanup_slots[4];

// From now on an interruption removes `path`.
void remove_on_interrupt(const std::string& path);
// An interruption no longer removes `path` (it was deleted or renamed).
void keep_on_interrupt(const std::string& path);

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
