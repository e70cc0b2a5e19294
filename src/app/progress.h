// SPDX-License-Identifier: GPL-2.0-or-later
// The progress line: on an interactive standard error, one line rewritten at
// most a few times a second with the current step, files done of total and
// bytes in and out. The designed console messages are not affected.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

struct Progress {
    bool enabled = false;
    const char* step = "";
    std::size_t done = 0;
    std::size_t total = 0;
    std::uint64_t bytes_in = 0;   // of the blocks handed to the package
    std::uint64_t bytes_out = 0;  // compressed bytes written to the staging file
    std::chrono::steady_clock::time_point last_shown{};
};

// Starts a step of `files` files.
void progress_step(Progress& progress, const char* step, std::size_t files);
// A file's block of `size` bytes was handed to the package, whose staging
// file now holds `bytes_out` compressed bytes.
void progress_added(Progress& progress, std::uint64_t size, std::uint64_t bytes_out);
// Removes the line at the end of the run.
void progress_end(Progress& progress);
