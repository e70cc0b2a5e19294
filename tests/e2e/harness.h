// SPDX-License-Identifier: GPL-2.0-or-later
// Runs the real executables in temporary folders and captures what they print.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process/process.h"
#include "support/package_read_back.h"
#include "support/temp_folder.h"

namespace e2e {

// A conversion of `game` into `out` with the DATA folder `data`, without the
// final key wait, on `jobs` threads (nullptr: the default).
process::Request conversion(const std::string& game, const std::string& out,
                            const std::string& data, const char* jobs = nullptr);

// run(conversion(...)).
process::Result convert(const std::string& game, const std::string& out, const std::string& data,
                        const char* jobs = nullptr);

// Runs under LC_ALL=C, so that console texts come out as their raw bytes
// (request.env may set another locale).
process::Result run(const process::Request& request);
// The same in two steps, for a test that acts while the process runs (it
// ends with process::wait).
process::Running start(const process::Request& request);

// The console text every run starts with, in code page 932.
std::string opening();

std::vector<std::uint8_t> read_bytes(const std::string& path);

bool exists(const std::string& path);

}  // namespace e2e
