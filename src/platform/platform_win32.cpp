// SPDX-License-Identifier: GPL-2.0-or-later
// Win32 implementation of the platform layer. Paths are held as UTF-8 and
// handed to the wide ("W") functions as UTF-16, so every name the file
// system holds can be reached whatever the system's ANSI code page.
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <windows.h>

// After windows.h, which they need.
#include <shellapi.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/platform.h"
#include "platform/stdio_file.h"

namespace platform {

namespace {

constexpr UINT kCodePage = 932;

// UTF-16 from `size` bytes of `text` in `code_page`; empty when they do not
// convert.
std::wstring to_wide(const char* text, std::size_t size, UINT code_page) {
    if (size == 0 || size > INT_MAX) return {};
    const int length = static_cast<int>(size);
    const int wide_length = MultiByteToWideChar(code_page, 0, text, length, nullptr, 0);
    if (wide_length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(code_page, 0, text, length, wide.data(), wide_length);
    return wide;
}

// A path as the wide calls take it.
std::wstring wide(const std::string& path) {
    return to_wide(path.data(), path.size(), CP_UTF8);
}

// UTF-16 text in `code_page`. With `exact`, false when a character has no
// form there (no best-fit substitute is taken); otherwise such a character
// becomes '?'.
bool from_wide(const wchar_t* text, std::size_t size, UINT code_page, bool exact,
               std::string& out) {
    out.clear();
    if (size == 0) return true;
    if (size > INT_MAX) return false;
    const int length = static_cast<int>(size);
    const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* used_default = code_page == CP_UTF8 ? nullptr : &substituted;
    const int n = WideCharToMultiByte(code_page, flags, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(code_page, flags, text, length, out.data(), n, nullptr, used_default);
    return !(exact && substituted);
}

// A name or path from a wide call, as UTF-8.
std::string utf8(const wchar_t* text) {
    std::string out;
    from_wide(text, std::wcslen(text), CP_UTF8, false, out);
    return out;
}

}  // namespace

// ---- File search -------------------------------------------------------------

bool list_folder(const std::string& folder, std::vector<Match>& entries, std::string& reason) {
    WIN32_FIND_DATAW data;
    HANDLE handle = FindFirstFileW(wide(folder + "*").c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) {
        // No match at all is an empty folder (a root folder has no "." entry).
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        reason = last_error_text();
        return false;
    }
    do {
        std::string name = utf8(data.cFileName);
        if (name == "." || name == "..") continue;
        entries.push_back(
            {folder, std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(handle, &data));
    const bool read = GetLastError() == ERROR_NO_MORE_FILES;
    if (!read) reason = last_error_text();
    FindClose(handle);
    return read;
}

// ---- Files -------------------------------------------------------------------

namespace {

bool identity_of(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

// A C stream over a handle of CreateFileW; the handle is closed on failure.
File* wrap_handle(HANDLE handle, const char* mode) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, mode);
    if (!stream) _close(fd);
    return adopt_stream(stream, true);
}

}  // namespace

File* open_regular_file(const std::string& path, std::uint64_t& size) {
    std::FILE* stream = _wfopen(wide(path).c_str(), L"rb");
    if (!stream) return nullptr;
    struct _stati64 st;
    if (_fstati64(_fileno(stream), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(stream);
        errno = 0;  // no system error: not a regular file
        SetLastError(0);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return adopt_stream(stream, false);
}

File* create_file(const std::string& path) {
    if (injected_failure()) return nullptr;
    // Whatever stands at the path goes first (a link itself, never its
    // target), and the file is created new. It is shared for deletion, so
    // that an interruption can delete it while it is open.
    const std::wstring wide_path = wide(path);
    DeleteFileW(wide_path.c_str());
    const HANDLE handle =
        CreateFileW(wide_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    File* file = wrap_handle(handle, "wb");
    if (file) remove_on_interrupt(path);
    return file;
}

bool file_flush(File* file) {
    if (injected_failure()) return false;
    return std::fflush(file->stream) == 0 && _commit(_fileno(file->stream)) == 0;
}

bool delete_file(const std::string& path) {
    keep_on_interrupt(path);
    return DeleteFileW(wide(path).c_str()) != 0;
}

bool replace_file(const std::string& from, const std::string& to) {
    if (injected_failure()) return false;
    if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    keep_on_interrupt(from);
    return true;
}

// The system's text in English where it has it, else in its own language.
std::string last_error_text() {
    const DWORD error = GetLastError();
    if (error == 0) return std::strerror(errno);
    wchar_t text[512];
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD n = FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             text, 512, nullptr);
    if (n == 0) n = FormatMessageW(flags, nullptr, error, 0, text, 512, nullptr);
    if (n == 0) return "error " + std::to_string(error);
    std::string out;
    from_wide(text, n, CP_UTF8, false, out);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// ---- The staging file ----------------------------------------------------------

// The staging file is open without sharing for the whole run, so another run
// can neither open nor delete it: its DeleteFileA fails with a sharing
// violation, and it stops (in_use) without changing anything. A stale file or
// link (the link itself) is deleted, then the file is created new; when
// another run created one in between, the steps start again. The system
// deletes the file as its handle closes, however the process ends.
File* create_staging_file(const std::string& path, CreateStatus& status, bool& removed_stale) {
    status = CreateStatus::failed;
    removed_stale = false;
    if (injected_failure()) return nullptr;
    const std::wstring wide_path = wide(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (DeleteFileW(wide_path.c_str())) {
            removed_stale = true;
        } else {
            const DWORD error = GetLastError();
            if (error == ERROR_SHARING_VIOLATION) {
                status = CreateStatus::in_use;
                return nullptr;
            }
            if (error != ERROR_FILE_NOT_FOUND) return nullptr;
        }
        const HANDLE handle =
            CreateFileW(wide_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            if (injected_failure()) {  // the exclusive open stands for the lock
                CloseHandle(handle);
                return nullptr;
            }
            File* file = wrap_handle(handle, "w+b");
            if (file) status = CreateStatus::ok;
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return nullptr;
    }
    return nullptr;
}

// Closing the handle deletes the file (FILE_FLAG_DELETE_ON_CLOSE).
void delete_staging_file(File* file, const std::string&) {
    std::fclose(file->stream);
    delete file;
}

// ---- Folders -------------------------------------------------------------------

bool is_folder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// Opened for no access, which folders allow with backup semantics and which
// no sharing mode refuses: the run's own staging file, open without sharing,
// is reached too. `flags` may add FILE_FLAG_OPEN_REPARSE_POINT.
bool identity_at(const std::string& path, DWORD flags, FileIdentity& identity) {
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = identity_of(handle, identity);
    CloseHandle(handle);
    return ok;
}

}  // namespace

bool file_identity(const std::string& path, FileIdentity& identity) {
    return identity_at(path, 0, identity);
}

bool link_identity(const std::string& path, FileIdentity& identity) {
    return identity_at(path, FILE_FLAG_OPEN_REPARSE_POINT, identity);
}

bool file_identity(File* file, FileIdentity& identity) {
    return identity_of(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file->stream))), identity);
}

// ---- The converter's own folder ------------------------------------------------

// The module path can exceed MAX_PATH on a system with long paths enabled;
// the buffers grow until it fits.
std::string executable_folder() {
    std::vector<wchar_t> module(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (n == 0) return {};
        if (n < module.size()) break;
        if (module.size() >= 32768) return {};
        module.resize(module.size() * 2);
    }
    std::vector<wchar_t> full(MAX_PATH);
    wchar_t* file_part = nullptr;
    DWORD n =
        GetFullPathNameW(module.data(), static_cast<DWORD>(full.size()), full.data(), &file_part);
    if (n >= full.size()) {
        full.resize(n + 1);
        n = GetFullPathNameW(module.data(), static_cast<DWORD>(full.size()), full.data(),
                             &file_part);
    }
    if (n == 0 || n >= full.size() || !file_part) return {};
    *file_part = L'\0';
    return utf8(full.data());
}

// ---- Names and the command line ------------------------------------------------

bool utf8_to_cp932(const std::string& utf8, std::string& cp932) {
    const std::wstring characters = wide(utf8);
    if (characters.empty() != utf8.empty()) return false;
    return from_wide(characters.data(), characters.size(), kCodePage, true, cp932);
}

std::size_t cp932_character_to_utf8(std::span<const std::uint8_t> text, std::string& utf8) {
    if (text.empty()) return 0;
    const std::size_t length = is_lead_byte(text[0]) ? 2 : 1;
    if (length > text.size()) return 0;
    wchar_t characters[2];
    const int units = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS,
                                          reinterpret_cast<const char*>(text.data()),
                                          static_cast<int>(length), characters, 2);
    if (units <= 0) return 0;
    std::string out;
    if (!from_wide(characters, static_cast<std::size_t>(units), CP_UTF8, false, out)) return 0;
    utf8 += out;
    return length;
}

// The arguments as the system has them, in UTF-16, whatever the ANSI code
// page; `argv` would hold them in that code page, with '?' for characters it
// lacks.
std::vector<std::string> command_line(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(utf8(arguments[i]));
    LocalFree(arguments);
    return out;
}

// ---- Console -----------------------------------------------------------------

namespace {

UINT g_saved_output_code_page = 0;
// STATUS_CONTROL_C_EXIT.
constexpr UINT kInterruptedStatus = 0xC000013A;

void restore_output_code_page() {
    SetConsoleOutputCP(g_saved_output_code_page);
}

// The console shows code page 932 when the system lets the program switch it;
// the console's own code page is put back at exit, since a console started
// from a command prompt outlives the program.
bool console_shows_code_page_932() {
    static const bool shows = [] {
        const UINT current = GetConsoleOutputCP();
        if (current == 0) return false;  // no console attached
        if (current == kCodePage) return true;
        if (!SetConsoleOutputCP(kCodePage)) return false;
        g_saved_output_code_page = current;
        std::atexit(restore_output_code_page);
        return true;
    }();
    return shows;
}

// _isatty also holds for the NUL device; only a console has a console mode.
bool is_console(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// Text in `code_page` written to a console as UTF-16, which every console
// shows whatever its own code page.
bool write_as_utf16(HANDLE console, const char* text, std::size_t size, UINT code_page) {
    const std::wstring characters = to_wide(text, size, code_page);
    if (characters.empty()) return false;
    DWORD written = 0;
    return WriteConsoleW(console, characters.data(), static_cast<DWORD>(characters.size()),
                         &written, nullptr) != 0;
}

}  // namespace

// A console gets code page 932 text through WriteConsoleA, which reads it in
// the console's code page (the C library may convert console output with its
// own locale instead), or as UTF-16 when the console stays on another code
// page; system text (UTF-8) goes out as UTF-16. A redirected stream gets code
// page 932 bytes through the C library, with its CR LF line ends; system text
// is converted to code page 932 for it, '?' standing for what it lacks.
void write_text(std::FILE* stream, const char* text, std::size_t size, TextKind kind) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (kind == TextKind::system) {
        if (is_console(handle)) {
            std::fflush(stream);
            write_as_utf16(handle, text, size, CP_UTF8);
            return;
        }
        const std::wstring characters = to_wide(text, size, CP_UTF8);
        std::string bytes;
        from_wide(characters.data(), characters.size(), kCodePage, false, bytes);
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::fflush(stream);
        return;
    }
    if (is_console(handle)) {
        std::fflush(stream);
        if (!console_shows_code_page_932() && write_as_utf16(handle, text, size, kCodePage)) return;
        // The count WriteConsoleA reports is not in bytes for every code page,
        // so the text goes out in fixed pieces (a message is far smaller).
        constexpr std::size_t kPiece = 0x8000;
        for (std::size_t done = 0; done < size; done += kPiece) {
            const std::size_t piece = size - done < kPiece ? size - done : kPiece;
            DWORD written = 0;
            if (!WriteConsoleA(handle, text + done, static_cast<DWORD>(piece), &written, nullptr)) {
                break;
            }
        }
        return;
    }
    std::fwrite(text, 1, size, stream);
    std::fflush(stream);
}

// The progress line is redrawn with terminal control sequences, which a
// console follows only in virtual terminal mode; a console that cannot be
// switched to it counts as not interactive.
bool error_console_is_interactive() {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

// The system's folder dialog: no owner window, no root, no flags. The title
// is code page 932 text; it goes to the wide call as UTF-16, so that it reads
// rightly whatever the system's ANSI code page. The shell wants COM
// initialised apartment-threaded on the calling thread for the dialog; it is
// uninitialised again when the dialog is done. The chosen folder is returned
// as UTF-8, the form paths take inside the program.
bool choose_folder(const char* title, std::string& folder) {
    folder.clear();
    const std::wstring wide_title = to_wide(title, std::strlen(title), kCodePage);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t display_name[MAX_PATH];
    BROWSEINFOW info = {};
    info.pszDisplayName = display_name;
    info.lpszTitle = wide_title.c_str();
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    wchar_t path[MAX_PATH] = {};
    const bool ok = chosen && SHGetPathFromIDListW(chosen, path) != 0 && path[0] != L'\0';
    CoTaskMemFree(chosen);
    // Only a successful initialisation (S_OK or S_FALSE) is balanced.
    if (SUCCEEDED(com)) CoUninitialize();
    if (!ok) return false;
    // A drive root comes back with its separator ("C:\"); it is kept.
    folder = utf8(path);
    return !folder.empty();
}

void wait_for_key() {
    if (!is_console(GetStdHandle(STD_INPUT_HANDLE))) return;
    const int key = _getch();
    // An extended key arrives as a zero (or 0xE0) code followed by its own code.
    if (key == 0 || key == 0xE0) _getch();
}

// CREATE_NEW fails on any existing name; FILE_FLAG_OPEN_REPARSE_POINT keeps
// it from following a symbolic link that points nowhere.
File* create_new_file(const std::string& path) {
    if (injected_failure()) return nullptr;
    const std::wstring wide_path = wide(path);
    const HANDLE handle =
        CreateFileW(wide_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    File* file = wrap_handle(handle, "wb");
    if (!file) {  // the file is new and empty: it goes again
        const DWORD error = GetLastError();
        DeleteFileW(wide_path.c_str());
        SetLastError(error);
    }
    return file;
}

// ---- Interruption --------------------------------------------------------------

namespace {

// Runs on a thread of its own for Ctrl+C, Ctrl+Break, closing the console,
// logging off and shutting down. The package's temporary file, open for
// deletion, disappears when the process ends; the staging file is deleted by
// the system as its handle closes. The process then ends at once with the
// status of an interrupted program (STATUS_CONTROL_C_EXIT), as Windows' own
// handler gives it; not every system's handler does (Wine's ends with 0,
// which a caller would take for success). It is terminated rather than
// exited, since the main thread may hold the C library's locks.
BOOL WINAPI on_console_control(DWORD) {
    for (CleanupSlot& slot : g_cleanup_slots) {
        if (const char* path = slot.published.load()) DeleteFileW(wide(path).c_str());
    }
    if (g_saved_output_code_page != 0) SetConsoleOutputCP(g_saved_output_code_page);
    TerminateProcess(GetCurrentProcess(), kInterruptedStatus);
    return TRUE;
}

}  // namespace

void install_interrupt_handlers() {
    SetConsoleCtrlHandler(on_console_control, TRUE);
}

// A console program always has its three standard handles, valid or not; a
// file the run creates never takes their place.
bool open_closed_standard_streams() {
    return true;
}

// A link to a folder counts as a folder here, as MoveFileEx cannot replace
// it; a link to a file is replaced itself.
PathKind path_kind(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::none;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::folder;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::link;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::other : PathKind::file;
}

std::string wide_to_utf8(const wchar_t* text) {
    return utf8(text);
}

// Windows names come as UTF-16 whatever the code page: nothing to change.
ThreadUtf8Text::ThreadUtf8Text() = default;
ThreadUtf8Text::~ThreadUtf8Text() = default;

}  // namespace platform
