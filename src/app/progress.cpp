// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/progress.h"

#include <cstdio>

#include "base/console.h"

namespace msconv::app {

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
    base::console_status(line);
}

Progress* enabled(void* context) {
    auto* p = static_cast<Progress*>(context);
    return p && p->enabled ? p : nullptr;
}

}  // namespace

void progress_step(Progress* progress, const char* step) {
    Progress* p = enabled(progress);
    if (!p) return;
    p->step = step;
    p->done = 0;
    p->total = 0;
    show(*p, true);
}

void progress_files(void* context, std::size_t files) {
    Progress* p = enabled(context);
    if (!p) return;
    p->total = files;
    show(*p, true);
}

void progress_added(void* context, std::uint64_t size) {
    Progress* p = enabled(context);
    if (!p) return;
    ++p->done;
    p->bytes_in += size;
    show(*p, false);
}

void progress_written(void* context, std::uint64_t packed_size) {
    Progress* p = enabled(context);
    if (!p) return;
    p->bytes_out += packed_size;
    show(*p, false);
}

void progress_end(Progress* progress) {
    if (enabled(progress)) base::console_status(nullptr);
}

}  // namespace msconv::app
