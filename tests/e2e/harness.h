// SPDX-License-Identifier: GPL-2.0-or-later
// Runs the real executables in temporary folders and captures what they print.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/package_read_back.h"
#include "support/random.h"
#include "support/temp_folder.h"

namespace e2e {

struct Result {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    int signal = 0;   // the signal that ended the process (SIGALRM: its time ran out), or 0
    std::string out;
    std::string err;
};

struct RunSpec {
    RunSpec(std::vector<std::string> args_, std::string stdin_text_ = "",
            std::uint64_t file_size_limit_ = 0)
        : args(std::move(args_)),
          stdin_text(std::move(stdin_text_)),
          file_size_limit(file_size_limit_) {}

    std::vector<std::string> args;      // args[0] is the executable
    std::string stdin_text;             // fed on standard input, then end of input
    std::uint64_t file_size_limit = 0;  // RLIMIT_FSIZE in bytes; 0 for none
    std::vector<std::pair<std::string, std::string>> env;  // set in the child
    std::string stdin_path;               // when set, standard input opens this (a terminal)
    bool stdout_closed = false;           // standard output is a pipe nobody reads any more
    std::vector<int> closed_descriptors;  // of 0, 1 and 2, closed as with `>&-`
    unsigned timeout_seconds = 0;         // ended by SIGALRM after this long; 0 for no limit
};

// A process started in the background.
struct Process {
    int pid = -1;
    std::string io;  // the folder of its standard input, output and error files
};

// A conversion of `game` into `out` with the DATA folder `data`, without the
// final key wait, on `jobs` threads (nullptr: the default).
RunSpec conversion(const std::string& game, const std::string& out, const std::string& data,
                   const char* jobs = nullptr);

// Runs under LC_ALL=C, so that console texts come out as their raw bytes.
Result run(const RunSpec& request);
// The same in two steps, for a test that acts while the process runs.
Process start(const RunSpec& request);
Result wait(Process& process);

// The console text every run starts with, in code page 932.
std::string opening();

std::vector<std::uint8_t> read_bytes(const std::string& path);

bool exists(const std::string& path);

}  // namespace e2e
