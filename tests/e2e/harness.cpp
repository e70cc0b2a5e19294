// SPDX-License-Identifier: GPL-2.0-or-later
#include "e2e/harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "gamekit/gamekit.h"

namespace e2e {

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

Process start(const RunSpec& request) {
    Process process;
    process.io = (std::filesystem::temp_directory_path() / "msconv-io-XXXXXX").string();
    if (!mkdtemp(process.io.data())) throw std::runtime_error("mkdtemp failed");
    const std::string in_path = process.io + "/stdin", out_path = process.io + "/stdout",
                      err_path = process.io + "/stderr";
    std::ofstream(in_path, std::ios::binary) << request.stdin_text;
    process.pid = fork();
    if (process.pid < 0) throw std::runtime_error("fork failed");
    if (process.pid == 0) {
        int in =
            open(request.stdin_path.empty() ? in_path.c_str() : request.stdin_path.c_str(), O_RDWR);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int pipe_ends[2];
        if (request.stdout_closed && pipe(pipe_ends) == 0) {
            close(pipe_ends[0]);
            out = pipe_ends[1];
        }
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
        // A process ended by SIGQUIT leaves no core file behind.
        rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        // Whatever the test runner ignores, the converter starts as a shell
        // in the foreground would start it. SIGALRM ends it past its time.
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
            signal(s, SIG_DFL);
        alarm(request.timeout_seconds);
        setenv("LC_ALL", "C", 1);
        for (const auto& [name, value] : request.env)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<std::string> args = request.args;
#ifdef MSCONV_TEST_EMULATOR
        std::istringstream emulator(MSCONV_TEST_EMULATOR);
        args.insert(args.begin(), std::istream_iterator<std::string>(emulator), {});
#endif
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return process;
}

Result wait(Process& process) {
    Result result;
    int wstatus = 0;
    waitpid(process.pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    result.out = slurp(process.io + "/stdout");
    result.err = slurp(process.io + "/stderr");
    std::error_code ignored;
    std::filesystem::remove_all(process.io, ignored);
    return result;
}

Result run(const RunSpec& request) {
    Process process = start(request);
    return wait(process);
}

std::string opening() {
    return gamekit::cp932(
        "「ねむり ぎつね文庫ミニシナリオ」 データコンバータ for ぽぷらん\n"
        "Version 0.10\n\n"
        "##### 「ふわふわ星の小夜曲」がインストールされている #####\n"
        "##### フォルダを選択してください。                   #####\n\n");
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

RunSpec conversion(const std::string& game, const std::string& out, const std::string& data,
                   const char* jobs) {
    RunSpec request({MSCONV_EXE, "--no-wait", "--output", out, "--data", data, game});
    if (jobs) request.args.insert(request.args.begin() + 2, {"--jobs", jobs});
    return request;
}

}  // namespace e2e
