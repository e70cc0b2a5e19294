#include "driver/progress.h"

#include <cstdio>

#include "driver/console.h"

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

void progress_step(Progress* p, const char* step, std::size_t total) {
    if (!p || !p->enabled) return;
    p->step = step;
    p->done = 0;
    p->total = total;
    show(*p, true);
}

void progress_added(Progress* p, std::uint64_t size) {
    if (!p || !p->enabled) return;
    ++p->done;
    p->bytes_in += size;
    show(*p, false);
}

void progress_written(Progress* p, std::uint64_t packed_size) {
    if (!p || !p->enabled) return;
    p->bytes_out += packed_size;
    show(*p, false);
}

void progress_end(Progress* p) {
    if (!p || !p->enabled) return;
    console_status(nullptr);
}
