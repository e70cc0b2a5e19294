#include "e2e/harness.h"

#include <fcntl.h>
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

namespace e2e {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "msconv-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Give back write permission that a test may have taken away.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path, ignored);
}

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

Result run(const RunSpec& request) {
    TempDir io;
    const std::string in_path = io / "stdin", out_path = io / "stdout", err_path = io / "stderr";
    std::ofstream(in_path, std::ios::binary) << request.stdin_text;
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
            signal(SIGXFSZ, SIG_IGN);
        }
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
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Result result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    return result;
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

}  // namespace e2e
