// SPDX-License-Identifier: GPL-2.0-or-later
// Runs a program in a child process and captures its standard output and
// error, exit status, wall time and peak memory: the benchmark's runs and the
// end-to-end tests' alike.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace process {

struct Request {
    Request(std::vector<std::string> args_, std::string stdin_text_ = "",
            std::uint64_t file_size_limit_ = 0)
        : args(std::move(args_)),
          stdin_text(std::move(stdin_text_)),
          file_size_limit(file_size_limit_) {}

    std::vector<std::string> args;      // args[0] is the executable, looked for in PATH
    std::string stdin_text;             // fed on standard input, then end of input
    std::uint64_t file_size_limit = 0;  // RLIMIT_FSIZE in bytes; 0 for none
    std::vector<std::pair<std::string, std::string>> env;  // set in the child, in order
    std::string stdin_path;               // when set, standard input opens this (a terminal)
    bool stdout_closed = false;           // standard output is a pipe nobody reads any more
    std::vector<int> closed_descriptors;  // of 0, 1 and 2, closed as with `>&-`
    unsigned timeout_seconds = 0;         // ended by SIGALRM after this long; 0 for no limit
    int user = -1;  // when set, the child runs as this user and group ID (the caller is root)
};

struct Result {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    int signal = 0;   // the signal that ended the process (SIGALRM: its time ran out), or 0
    std::string out;
    std::string err;
    double seconds = 0;            // wall time from start to end
    std::uint64_t peak_bytes = 0;  // the child's peak resident memory
};

// A process started in the background.
struct Running {
    int pid = -1;
    std::string io;  // the folder of its standard input, output and error files
    std::chrono::steady_clock::time_point started;
};

// Throws std::runtime_error when no process can be started.
Running start(const Request& request);
Result wait(Running& process);
Result run(const Request& request);

}  // namespace process
