// SPDX-License-Identifier: GPL-2.0-or-later
// The table of the output files that an interruption removes.
#include <new>

#include "platform/stdio_file.h"

namespace platform {

void remove_on_interrupt(const std::string& path) {
    for (CleanupSlot& slot : g_cleanup_slots) {
        if (slot.published.load() != nullptr) continue;
        try {
            slot.path = path;
        } catch (const std::bad_alloc&) {
            return;
        }
        slot.published.store(slot.path.c_str());
        return;
    }
}

void keep_on_interrupt(const std::string& path) {
    for (CleanupSlot& slot : g_cleanup_slots) {
        if (slot.published.load() != nullptr && slot.path == path) slot.published.store(nullptr);
    }
}

}  // namespace platform
