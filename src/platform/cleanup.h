// SPDX-License-Identifier: GPL-2.0-or-later
// The output files that an interruption removes, shared by the POSIX and the
// Win32 implementation. A path is copied into its slot before the slot is
// published; the interruption handler (a signal handler, or the console
// control handler on a thread of its own) reads only published, finished
// strings and calls nothing but the system's delete on them.
#pragma once

#include <atomic>
#include <string>

namespace platform::cleanup {

struct Slot {
    std::string path;
    std::atomic<const char*> published{nullptr};
};
static_assert(std::atomic<const char*>::is_always_lock_free);

// The staging file and the package's temporary file, and room to spare.
inline Slot g_slots[4];

// From now on an interruption removes `path`.
void remove_on_interrupt(const std::string& path);
// An interruption no longer removes `path` (it was deleted or renamed).
void keep_on_interrupt(const std::string& path);

}  // namespace platform::cleanup
