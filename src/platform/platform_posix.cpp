// SPDX-License-Identifier: GPL-2.0-or-later
// POSIX implementation of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>

#include "platform/cp932.h"
#include "platform/platform.h"
#include "platform/stdio_file.h"

namespace platform {

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` by their keys (name_key:
// case and normalization aside); the smallest such name when several do, so
// the choice is the same every time.
bool find_folded(const std::string& folder, const std::string& name, std::string& found) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    const std::u16string wanted = name_key(name);
    bool any = false;
    while (dirent* entry = readdir(dir)) {
        std::string candidate = entry->d_name;
        if (name_key(candidate) == wanted && (!any || candidate < found)) {
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

bool list_folder(const std::string& folder, std::vector<Match>& entries, std::string& reason) {
    const std::string resolved = resolve(folder);
    DIR* dir = opendir(resolved.empty() ? "." : resolved.c_str());
    if (!dir) {
        reason = last_error_text();
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) break;
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        const bool directory = stat((resolved + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({folder, std::move(name), directory});
    }
    // readdir ends with a null entry at the end and on an error, which only
    // errno tells apart.
    const bool read = errno == 0;
    if (!read) reason = last_error_text();
    closedir(dir);
    return read;
}

// ---- Files -------------------------------------------------------------------

namespace {

// The signals that interrupt a run.
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds off the interruption signals while a file and its entry in the
// cleanup table come or go together; a signal that arrives meanwhile is
// handled as soon as they are in step.
struct InterruptionsHeld {
    sigset_t saved;
    InterruptionsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int s : kInterruptions)
            sigaddset(&held, s);
        pthread_sigmask(SIG_BLOCK, &held, &saved);
    }
    ~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &saved, nullptr); }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
};

FileIdentity identity_of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool same_inode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `path` still names the file open as `fd`, not a link to it.
bool still_at(int fd, const std::string& path) {
    struct stat open_file, named;
    return fstat(fd, &open_file) == 0 && lstat(path.c_str(), &named) == 0 &&
           same_inode(open_file, named);
}

void close_keeping_errno(int fd) {
    const int reason = errno;
    close(fd);
    errno = reason;
}

void unlink_keeping_errno(const std::string& path) {
    const int reason = errno;
    unlink(path.c_str());
    errno = reason;
}

File* wrap(int fd, const char* mode, bool writing) {
    std::FILE* stream = fdopen(fd, mode);
    if (!stream) close_keeping_errno(fd);
    return adopt_stream(stream, writing);
}

// Removes a stale staging file at `path`. A regular file is removed only
// while this process holds its lock, so a file that another run holds is
// never touched: that run is converting (in_use). A link is removed itself,
// its target left as it is; so is a FIFO or other special file, which no run
// creates. A folder at `path` stays, and creating the file then fails.
// `removed` is set when something at `path` was removed.
CreateStatus remove_stale_staging_file(const std::string& path, bool& removed) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? CreateStatus::ok : CreateStatus::failed;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return CreateStatus::failed;
    }
    if (!S_ISREG(st.st_mode)) {
        if (unlink(path.c_str()) == 0) {
            removed = true;
            return CreateStatus::ok;
        }
        return errno == ENOENT ? CreateStatus::ok : CreateStatus::failed;
    }
    const int old = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    // Replaced since the lstat: the exclusive create below fails and the
    // caller looks again.
    if (old < 0) return errno == ENOENT || errno == ELOOP ? CreateStatus::ok : CreateStatus::failed;
    CreateStatus result = CreateStatus::ok;
    if (flock(old, LOCK_EX | LOCK_NB) != 0) {
        result = errno == EWOULDBLOCK ? CreateStatus::in_use : CreateStatus::failed;
    } else if (still_at(old, path)) {
        if (unlink(path.c_str()) == 0) {
            removed = true;
        } else {
            result = CreateStatus::failed;
        }
    }
    close_keeping_errno(old);
    return result;
}

// Locks the folder of `path` while a run takes its staging file, so that two
// runs starting at the same moment take turns: without it, both could see
// the same stale link, and the second's removal of it could remove the file
// the first had just created in its place. The lock lasts a few system
// calls; a folder that cannot be opened or locked (no read permission, a
// file system without locks) goes without, which leaves only that race. A
// lock held elsewhere for long is waited for at most about a second.
int lock_folder_of(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    const std::string folder = cut == std::string::npos ? "." : path.substr(0, cut + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    for (int wait = 0; wait < 1000; ++wait) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK) break;
        const timespec millisecond{0, 1000000};
        nanosleep(&millisecond, nullptr);
    }
    close(fd);
    return -1;
}

}  // namespace

File* open_regular_file(const std::string& path, std::uint64_t& size) {
    // Opened without blocking, so that a FIFO cannot hold the run in open();
    // anything but a regular file is then refused. Reads of a regular file
    // never block, so the flag stays.
    const int fd = open(resolve(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = 0;  // no system error: not a regular file
        return nullptr;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return wrap(fd, "rb", false);
}

File* create_file(const std::string& path) {
    if (injected_failure()) return nullptr;
    // Whatever stands at the path goes first, and the file is created
    // exclusively and never through a link: a stale link would otherwise
    // send the output to its target.
    const InterruptionsHeld held;
    unlink(path.c_str());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    File* file = wrap(fd, "wb", true);
    if (file) remove_on_interrupt(path);
    return file;
}

bool file_flush(File* file) {
    if (injected_failure()) return false;
    return std::fflush(file->stream) == 0 && fsync(fileno(file->stream)) == 0;
}

bool delete_file(const std::string& path) {
    const InterruptionsHeld held;
    keep_on_interrupt(path);
    return std::remove(path.c_str()) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
    if (injected_failure()) return false;
    const InterruptionsHeld held;
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    keep_on_interrupt(from);
    return true;
}

std::string last_error_text() {
    // The C locale's text is English ASCII, which every console shows.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const int error = errno;
    return c_locale ? strerror_l(error, c_locale) : std::strerror(error);
}

// ---- The staging file ----------------------------------------------------------

// The run holds an exclusive flock on its staging file from creation to
// deletion. Every run follows the same steps under a short lock of the
// folder: a regular file at the path is removed only by a process that holds
// its lock, then the file is created with O_EXCL and locked. After locking,
// the path must still name the new file; if another process removed it in
// between (possible only where the folder could not be locked), the steps
// start again, and the next look finds the other run's file held.
File* create_staging_file(const std::string& path, CreateStatus& status, bool& removed_stale) {
    status = CreateStatus::failed;
    removed_stale = false;
    if (injected_failure()) return nullptr;
    const InterruptionsHeld held;
    const int folder_lock = lock_folder_of(path);
    File* file = nullptr;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        status = remove_stale_staging_file(path, removed_stale);
        if (status != CreateStatus::ok) break;
        status = CreateStatus::failed;
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        if (injected_failure() || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // Another run locked the new file first and will remove it as
            // stale; otherwise locking failed and the file is this run's own.
            if (errno == EWOULDBLOCK) {
                status = CreateStatus::in_use;
            } else {
                unlink_keeping_errno(path);
            }
            close_keeping_errno(fd);
            break;
        }
        if (!still_at(fd, path)) {
            close(fd);
            continue;
        }
        file = wrap(fd, "w+b", true);
        if (file) {
            status = CreateStatus::ok;
            remove_on_interrupt(path);
        } else {
            unlink(path.c_str());
        }
    }
    if (folder_lock >= 0) close_keeping_errno(folder_lock);
    return file;
}

void delete_staging_file(File* file, const std::string& path) {
    const InterruptionsHeld held;
    keep_on_interrupt(path);
    // Removed while still held, and only while the path names this run's file.
    if (still_at(fileno(file->stream), path)) unlink(path.c_str());
    std::fclose(file->stream);
    delete file;
}

// ---- Folders -------------------------------------------------------------------

bool is_folder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(resolve(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// The identity at `path`, its folders looked up in another case where they
// must be, its last name as it is; a link followed when `follow`.
bool identity_at(const std::string& path, bool follow, FileIdentity& identity) {
    const std::size_t cut = path.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string found = resolve(folder) + path.substr(folder.size());
    struct stat st;
    if ((follow ? stat(found.c_str(), &st) : lstat(found.c_str(), &st)) != 0) return false;
    identity = identity_of(st);
    return true;
}

}  // namespace

bool file_identity(const std::string& path, FileIdentity& identity) {
    return identity_at(path, true, identity);
}

bool link_identity(const std::string& path, FileIdentity& identity) {
    return identity_at(path, false, identity);
}

bool file_identity(File* file, FileIdentity& identity) {
    struct stat st;
    if (fstat(fileno(file->stream), &st) != 0) return false;
    identity = identity_of(st);
    return true;
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

// ---- Names and the command line ------------------------------------------------

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Converts `size` bytes of `text` with `cd` into `out`. A byte that does not
// convert becomes `substitute`, or makes the conversion fail when that is 0.
bool convert(iconv_t cd, const char* text, std::size_t size, std::string& out, char substitute) {
    out.clear();
    char buffer[1024];
    char* in = const_cast<char*>(text);
    std::size_t left = size;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (left > 0) {
        char* o = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &left, &o, &room);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            if (substitute == 0) return false;
            out += substitute;
            ++in;
            --left;
        }
    }
    char* o = buffer;
    std::size_t room = sizeof buffer;
    if (iconv(cd, nullptr, nullptr, &o, &room) == static_cast<std::size_t>(-1) && !substitute)
        return false;
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    return true;
}

}  // namespace

bool utf8_to_cp932(const std::string& utf8, std::string& cp932) {
    static const iconv_t cd = iconv_open("CP932", "UTF-8");
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    return cd != kNoConverter && convert(cd, utf8.data(), utf8.size(), cp932, 0);
}

std::size_t cp932_character_to_utf8(std::span<const std::uint8_t> text, std::string& utf8) {
    if (text.empty()) return 0;
    if (text[0] < 0x80) {
        utf8 += static_cast<char>(text[0]);
        return 1;
    }
    const std::size_t length = is_lead_byte(text[0]) ? 2 : 1;
    if (length > text.size()) return 0;
    static const iconv_t cd = iconv_open("UTF-8", "CP932");
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::string character;
    if (cd == kNoConverter ||
        !convert(cd, reinterpret_cast<const char*>(text.data()), length, character, 0)) {
        return 0;
    }
    utf8 += character;
    return length;
}

std::vector<std::string> command_line(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

// ---- Console -----------------------------------------------------------------

// Transcodes code page 932 text to UTF-8 when the locale's character set is
// UTF-8; otherwise the bytes go out as they are. A byte that does not decode
// is shown as '?'. System text always goes out as its own bytes.
void write_text(std::FILE* stream, const char* text, std::size_t size, TextKind kind) {
    static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    static const iconv_t cd = utf8 ? iconv_open("UTF-8", "CP932") : kNoConverter;
    std::string out;
    if (kind == TextKind::cp932 && cd != kNoConverter) {
        convert(cd, text, size, out, '?');
        text = out.data();
        size = out.size();
    }
    std::fwrite(text, 1, size, stream);
    std::fflush(stream);
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
    folder = line;
    return !folder.empty();
}

namespace {
// The terminal's settings while the key wait has changed them, for the
// interruption handler to put back.
termios g_saved_terminal;
std::atomic<bool> g_terminal_changed{false};
}  // namespace

void wait_for_key() {
    if (isatty(STDIN_FILENO) != 1) return;
    termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_saved_terminal = saved;
    g_terminal_changed.store(true);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char key = 0;
    while (read(STDIN_FILENO, &key, 1) == 1 && key == 0) {
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    g_terminal_changed.store(false);
}

// ---- Interruption --------------------------------------------------------------

namespace {

// Only async-signal-safe calls: unlink on prepared paths, tcsetattr, and the
// default action of the signal, which ends the process with the signal as its
// status once the handler returns (the signal stays blocked until then).
extern "C" void on_interrupt(int signal_number) {
    for (CleanupSlot& slot : g_cleanup_slots) {
        if (const char* path = slot.published.load()) unlink(path);
    }
    if (g_terminal_changed.load()) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

}  // namespace

void install_interrupt_handlers() {
    // A closed standard output (msconv ... | head) makes writes to it fail
    // with EPIPE instead of ending the run; a file grown past the size limit
    // (ulimit -f) makes the write fail with EFBIG, reported like a full disk.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (int s : kInterruptions)
        sigaddset(&action.sa_mask, s);
    for (int s : kInterruptions) {
        struct sigaction current {};
        // A signal ignored by whoever started the run (nohup, a background
        // job of a shell) stays ignored.
        if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
}

File* create_new_file(const std::string& path) {
    if (injected_failure()) return nullptr;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    File* file = wrap(fd, "wb", true);
    if (!file) unlink_keeping_errno(path);
    return file;
}

bool open_closed_standard_streams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is taken, which is `fd` since those below are open.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0) close(opened);
            return false;
        }
    }
    return true;
}

PathKind path_kind(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return PathKind::none;
    if (S_ISREG(st.st_mode)) return PathKind::file;
    if (S_ISLNK(st.st_mode)) return PathKind::link;
    return S_ISDIR(st.st_mode) ? PathKind::folder : PathKind::other;
}

ThreadUtf8Text::ThreadUtf8Text() {
    static const locale_t utf8 = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (const locale_t found = newlocale(LC_CTYPE_MASK, name, locale_t{})) return found;
        }
        return locale_t{};
    }();
    if (utf8) previous = uselocale(utf8);
}

ThreadUtf8Text::~ThreadUtf8Text() {
    if (previous) uselocale(static_cast<locale_t>(previous));
}

}  // namespace platform
