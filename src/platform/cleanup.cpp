// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/cleanup.h"

#include <new>

namespace platform::cleanup {

void remove_on_interrupt(const std::string& path) {
    for (Slot& slot : g_slots) {
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
    for (Slot& slot : g_slots) {
        if (slot.published.load() != nullptr && slot.path == path) slot.published.store(nullptr);
    }
}

}  // namespace platform::cleanup
