// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/progress.h"

#include <cstdio>

#include "base/console.h"

namespace {

constexpr auto kInterval = std::chrono::milliseconds(250);

void show(Progress& p, bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - p.last_shown < kInterval) return;
    p.last_shown = now;
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %zu/%zu files, %.1f MiB in, %.1f MiB out", p.step,
                  p.done, p.total, static_cast<double>(p.bytes_in) / (1 << 20),
                  static_cast<double>(p.bytes_out) / (1 << 20));
    console_status(line);
}

}  // namespace

void progress_step(Progress& p, const char* step, std::size_t files) {
    if (!p.enabled) return;
    p.step = step;
    p.done = 0;
    p.total = files;
    show(p, true);
}

void progress_added(Progress& p, std::uint64_t size, std::uint64_t bytes_out) {
    if (!p.enabled) return;
    ++p.done;
    p.bytes_in += size;
    p.bytes_out = bytes_out;
    show(p, false);
}

void progress_end(Progress& p) {
    if (p.enabled) console_status(nullptr);
}
