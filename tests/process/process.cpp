// SPDX-License-Identifier: GPL-2.0-or-later
#include "process/process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace process {

namespace {

using Clock = std::chrono::steady_clock;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// In the child: sets up its descriptors, limits and signals, then runs it.
[[noreturn]] void exec_child(const Request& request, const std::string& io) {
    int in = open(request.stdin_path.empty() ? (io + "/stdin").c_str() : request.stdin_path.c_str(),
                  O_RDWR);
    int out = open((io + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int pipe_ends[2];
    if (request.stdout_closed && pipe(pipe_ends) == 0) {
        close(pipe_ends[0]);
        out = pipe_ends[1];
    }
    int err = open((io + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (request.file_size_limit) {
        // rlim_t may be narrower than the requested limit on a 32-bit system.
        const auto bytes = static_cast<rlim_t>(request.file_size_limit);
        if (bytes != request.file_size_limit) _exit(126);
        rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    for (int fd : request.closed_descriptors)
        close(fd);
    if (request.user >= 0) {
        const auto id = static_cast<uid_t>(request.user);
        if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) _exit(126);
    }
    // A process ended by SIGQUIT leaves no core file behind.
    rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    // Whatever the caller ignores, the child starts as a shell in the
    // foreground would start it. SIGALRM ends it past its time.
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
        signal(s, SIG_DFL);
    alarm(request.timeout_seconds);
    for (const auto& [name, value] : request.env)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& a : request.args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

}  // namespace

Running start(const Request& request) {
    Running process;
    process.io = (std::filesystem::temp_directory_path() / "msconv-io-XXXXXX").string();
    if (!mkdtemp(process.io.data())) throw std::runtime_error("mkdtemp failed");
    std::ofstream(process.io + "/stdin", std::ios::binary) << request.stdin_text;
    process.started = Clock::now();
    process.pid = fork();
    if (process.pid < 0) throw std::runtime_error("fork failed");
    if (process.pid == 0) exec_child(request, process.io);
    return process;
}

Result wait(Running& process) {
    Result result;
    int wstatus = 0;
    rusage usage{};
    wait4(process.pid, &wstatus, 0, &usage);
    result.seconds = std::chrono::duration<double>(Clock::now() - process.started).count();
    result.peak_bytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    result.out = slurp(process.io + "/stdout");
    result.err = slurp(process.io + "/stderr");
    std::error_code ignored;
    std::filesystem::remove_all(process.io, ignored);
    return result;
}

Result run(const Request& request) {
    Running process = start(request);
    return wait(process);
}

}  // namespace process
