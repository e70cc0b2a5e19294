// POSIX implementation of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

#include "platform/cp932.h"
#include "platform/platform.h"

namespace platform {
namespace {

// Names compare as the converter compares them: ASCII letters upper-cased,
// double-byte code page 932 characters left alone.
std::string fold(const std::string& name) {
    std::string out = name;
    upper_case_cp932(out.data(), out.size());
    return out;
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Glob match of one name against a pattern of '*' and '?', both folded.
bool glob_match(const char* p, const char* n) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '?' || (*p != '*' && *p == *n)) {
            ++p;
            ++n;
        } else if (*p == '*') {
            star = p++;
            resume = n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == '\0';
}

// Windows meaning of a search pattern: "*.*" and "*" match every name, and a
// trailing ".*" also matches names that have no full stop at all.
bool pattern_matches(const std::string& pattern, const std::string& name) {
    std::string p = fold(pattern);
    std::string n = fold(name);
    if (p == "*" || p == "*.*") return true;
    if (glob_match(p.c_str(), n.c_str())) return true;
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 &&
        n.find('.') == std::string::npos) {
        return glob_match(p.substr(0, p.size() - 2).c_str(), n.c_str());
    }
    return false;
}

// The entry of `folder` whose name equals `name` case-insensitively; the
// smallest such name when several do, so the choice is the same every time.
bool find_folded(const std::string& folder, const std::string& name, std::string& found) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    const std::string wanted = fold(name);
    bool any = false;
    while (dirent* entry = readdir(dir)) {
        std::string candidate = entry->d_name;
        if (fold(candidate) == wanted && (!any || candidate < found)) {
            found = candidate;
            any = true;
        }
    }
    closedir(dir);
    return any;
}

// Resolves every path component that does not exist under its exact name to
// an existing entry of the same name in another case. Components that match
// nothing are kept as they are, so the caller's open then fails as usual.
std::string resolve(const std::string& path) {
    if (path.empty() || exists(path)) return path;
    std::string done;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string component = path.substr(i, j - i);
        if (!component.empty() && component != "." && component != ".." &&
            !exists(done + component)) {
            std::string found;
            if (find_folded(done, component, found)) component = found;
        }
        done += component;
        if (j < path.size()) done += '/';
        i = j + 1;
    }
    return done;
}

}  // namespace

// ---- File search -------------------------------------------------------------

struct Search {
    std::vector<Match> matches;
    std::size_t next = 0;
};

Search* search_open(const std::string& pattern, Match& first) {
    std::size_t cut = pattern.rfind('/');
    std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    std::string name_pattern = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    std::string resolved = resolve(folder);
    DIR* dir = opendir(resolved.empty() ? "." : resolved.c_str());
    if (!dir) return nullptr;
    auto* search = new Search;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (!pattern_matches(name_pattern, name)) continue;
        struct stat st;
        bool directory = stat((resolved + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        search->matches.push_back({name, directory});
    }
    closedir(dir);
    // The order an NTFS volume gives for ASCII names: by the upper-cased form,
    // then by the raw bytes, so numbering is the same on every machine.
    std::sort(search->matches.begin(), search->matches.end(), [](const Match& a, const Match& b) {
        std::string fa = fold(a.name), fb = fold(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    if (!search_next(search, first)) {
        search_close(search);
        return nullptr;
    }
    return search;
}

bool search_next(Search* search, Match& next) {
    if (!search || search->next >= search->matches.size()) return false;
    next = search->matches[search->next++];
    return true;
}

std::size_t search_file_count(const Search* search) {
    std::size_t count = 0;
    for (const Match& match : search->matches)
        count += match.directory ? 0 : 1;
    return count;
}

void search_close(Search* search) {
    delete search;
}

// ---- Files -------------------------------------------------------------------

struct File {
    std::FILE* stream;
    bool writing;
};

namespace {

#ifdef MSCONV_FAULT_INJECTION
// A test build makes the N-th call that creates, writes, flushes, closes or
// renames an output file fail, N taken from MSCONV_FAIL_CALL. When
// MSCONV_CALL_COUNT names a file, the number of such calls is written to it
// at exit, so a test can walk N over every call of a run.
std::uint64_t g_output_calls = 0;

void report_call_count() {
    if (const char* path = std::getenv("MSCONV_CALL_COUNT")) {
        if (std::FILE* out = std::fopen(path, "w")) {
            std::fprintf(out, "%llu\n", static_cast<unsigned long long>(g_output_calls));
            std::fclose(out);
        }
    }
}

bool injected_failure() {
    static const std::uint64_t fail_at = [] {
        std::atexit(report_call_count);
        const char* n = std::getenv("MSCONV_FAIL_CALL");
        return n ? std::strtoull(n, nullptr, 10) : 0;
    }();
    return ++g_output_calls == fail_at;
}
#else
constexpr bool injected_failure() {
    return false;
}
#endif

}  // namespace

File* open_regular_file(const std::string& path, std::uint64_t& size) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = open(resolve(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    std::FILE* stream = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (!stream) {
        close(fd);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return new File{stream, false};
}

File* open_for_reading(const std::string& path) {
    std::FILE* stream = std::fopen(resolve(path).c_str(), "rb");
    return stream ? new File{stream, false} : nullptr;
}

std::size_t file_read(File* file, void* data, std::size_t size) {
    return std::fread(data, 1, size, file->stream);
}

File* create_file(const std::string& path) {
    if (injected_failure()) return nullptr;
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    return stream ? new File{stream, true} : nullptr;
}

bool file_write(File* file, const void* data, std::size_t size) {
    if (injected_failure()) return false;
    return size == 0 || std::fwrite(data, 1, size, file->stream) == size;
}

bool file_flush(File* file) {
    if (injected_failure()) return false;
    return std::fflush(file->stream) == 0 && fsync(fileno(file->stream)) == 0;
}

bool file_close(File* file) {
    const bool fail = file->writing && injected_failure();
    bool ok = std::fclose(file->stream) == 0 && !fail;
    delete file;
    return ok;
}

bool delete_file(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
    if (injected_failure()) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// ---- The converter's own folder ------------------------------------------------

std::string executable_folder() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// ---- Console -----------------------------------------------------------------

namespace {

// Transcodes code page 932 text to UTF-8 when the locale's character set is
// UTF-8; otherwise the bytes go out as they are. A byte that does not decode
// is shown as '?'.
void write_text(std::FILE* stream, const char* text, std::size_t size) {
    static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    static iconv_t cd = utf8 ? iconv_open("UTF-8", "CP932") : reinterpret_cast<iconv_t>(-1);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::fwrite(text, 1, size, stream);
        std::fflush(stream);
        return;
    }
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(text);
    std::size_t left = size;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (left > 0) {
        char* o = buffer;
        std::size_t room = sizeof buffer;
        std::size_t r = iconv(cd, &in, &left, &o, &room);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += '?';
            ++in;
            --left;
        }
    }
    std::fwrite(out.data(), 1, out.size(), stream);
    std::fflush(stream);
}

}  // namespace

void console_write(const char* text, std::size_t size) {
    write_text(stdout, text, size);
}

void console_write_error(const char* text, std::size_t size) {
    write_text(stderr, text, size);
}

bool console_is_interactive() {
    return isatty(STDIN_FILENO) == 1;
}

bool error_console_is_interactive() {
    return isatty(STDERR_FILENO) == 1;
}

bool choose_folder(const char* title, std::string& folder) {
    folder.clear();
    std::string heading = std::string(title) + "\n> ";
    console_write_error(heading.data(), heading.size());
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    if (line.empty()) return false;
    folder = line;
    return true;
}

void wait_for_key() {
    if (!console_is_interactive()) return;
    termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char key = 0;
    while (read(STDIN_FILENO, &key, 1) == 1 && key == 0) {
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

// ---- Creating files exclusively ------------------------------------------------

File* create_new_file(const std::string& path) {
    if (injected_failure()) {
        errno = EIO;
        return nullptr;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "wb");
    if (!stream) {
        const int error = errno;
        close(fd);
        unlink(path.c_str());
        errno = error;
        return nullptr;
    }
    return new File{stream, true};
}

std::string last_error_text() {
    return std::strerror(errno);
}

}  // namespace platform
