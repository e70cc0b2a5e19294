// SPDX-License-Identifier: GPL-2.0-or-later
// The only interface to the operating system: file search, files, the
// converter's own folder, the folder chooser, the console and the key wait.
// One implementation per system (platform_posix.cpp, platform_win32.cpp).
//
// Text comes in two kinds, and nothing mixes them up:
// - A path, or a file name as a search found it, is the system's own text:
//   on POSIX the bytes the file system has; on Windows UTF-16, held here as
//   UTF-8 and handed to the wide ("W") calls. A path is formed by plain
//   concatenation with kSeparator and is never cut or upper-cased with the
//   code page 932 rules; on POSIX each component that does not exist under
//   its exact name is looked up case-insensitively, as Windows would.
// - The converter's own texts, and every name stored in the package, are
//   code page 932 bytes. A package entry name is made from the name a search
//   found (name_to_cp932), never from a folder part of a path, so a package
//   is the same whatever the system and its language.
// The console shows each kind as the user expects (console_write).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// ---- File search -------------------------------------------------------------

// One match of a search: the folder it was found in (the path as the search
// was given it, ending in kSeparator; empty for the current folder), the bare
// file name as the system has it, and whether it is a directory. Directories
// are reported; skipping them is the caller's job.
struct Match {
    std::string folder;
    std::string name;
    bool directory = false;
    // In a disc image or archive: its number among the archive's entries,
    // plus one; 0 for a file of a file system.
    std::size_t entry = 0;
};

// Lists every entry of `folder` (a path ending in kSeparator, or empty for
// the current folder) but "." and "..", unsorted, each Match holding
// `folder` as given. False, with the system's reason in `reason`, when the
// folder cannot be read (also part way through): the caller must say so, for
// a folder that cannot be listed loses every file in it. On POSIX a path
// component that does not exist under its exact name is looked up in another
// case. One implementation per system; everything below is shared.
[[nodiscard]] bool list_folder(const std::string& folder, std::vector<Match>& entries,
                               std::string& reason);

// A folder that could not be listed, and the system's reason.
struct ListFailure {
    std::string folder;
    std::string reason;
};

// True when `text` is valid UTF-8 (shortest forms, no surrogates) and holds
// at least one character beyond ASCII: such a name is read as UTF-8, any
// other as code page 932 bytes.
bool is_utf8_beyond_ascii(const std::string& text);

// The search order and the name comparison, the same on every system. A name
// that is valid UTF-8 is first brought to Normalization Form C (nfc_name);
// its key (name_key) is then its characters, decoded from UTF-8 or, for any
// other name, from code page 932 (a lead byte with the byte after it; each
// byte of a character that does not decode stands for itself as U+DC00 plus
// the byte), each upper-cased by the Unicode simple
// mapping (ASCII and full-width letters alike; UTF-8 in its decomposed form,
// composed again), as UTF-16 code units. Names
// compare equal when their keys do; they are ordered by key, then by their
// raw bytes (name_less).
std::string nfc_name(const std::string& name);
std::u16string name_key(const std::string& name);
bool name_less(const std::string& a, const std::string& b);

// The key of a code page 932 name (a package entry name), by the rule of
// name_key for names that are no UTF-8: whatever its bytes look like, they
// are read as code page 932.
std::u16string cp932_name_key(const std::string& cp932);

// The entries of all `folders` whose names match `name_pattern` ('*' and '?'
// wildcards, compared by their keys; "*" and "*.*" match every name, a
// trailing ".*" also names without a full stop, as on Windows), as one
// listing in the search order (ties of the key by the raw name, then by
// the folder), and the folders that could not be listed.
struct [[nodiscard]] Search {
    std::vector<Match> matches;
    std::vector<ListFailure> failures;
};
// `list` lists a folder in place of list_folder (a folder of an archive),
// called with `context`.
using FolderLister = bool (*)(const void* context, const std::string& folder,
                              std::vector<Match>& entries, std::string& reason);
Search search_folders(const std::vector<std::string>& folders, const std::string& name_pattern,
                      FolderLister list = nullptr, const void* context = nullptr);

// ---- Files -------------------------------------------------------------------

enum class ReadStatus { ok, cannot_open, empty, too_large, no_memory, read_error };

// Reads a whole file into `out`. A file larger than `max_size` bytes, or
// than memory can address, is not read (too_large). An empty file gives
// `empty`. `out` is cleared unless the status is ok. For cannot_open and
// read_error, `reason` (when given) receives the system's reason.
ReadStatus read_file(const std::string& path, std::vector<std::uint8_t>& out,
                     std::uint64_t max_size, std::string* reason = nullptr);

struct File;  // an open file, read or write, owned by the caller until file_close

// Opens a regular file for reading and gives its size; nullptr when it
// cannot be opened or is no regular file (a folder, a device).
File* open_regular_file(const std::string& path, std::uint64_t& size);

// Reads up to `size` bytes; returns the number read (0 at the end or on error).
std::size_t file_read(File* file, void* data, std::size_t size);
// Moves a file opened for reading to `offset` bytes from its start.
bool file_seek(File* file, std::uint64_t offset);

// Creates a file for writing, afresh: a file or link already at `path` is
// removed first (a link's target is never touched, nor a file that shares
// the old file's data). nullptr when it cannot be created. Until it is
// renamed (replace_file) or deleted, the file is removed if the run is
// interrupted (install_interrupt_handlers).
File* create_file(const std::string& path);
// Creates `path` for writing only when nothing has that name yet: an existing
// file, folder, special file or symbolic link (even one that points nowhere)
// makes it fail, so nothing is ever written through a link. nullptr on
// failure, with the system's error kept for last_error_text.
File* create_new_file(const std::string& path);
// Each of these returns false on failure; a failed write leaves the file in an
// unspecified state, which the caller must then discard.
bool file_write(File* file, const void* data, std::size_t size);
// Flushes the file's buffers to the disk.
bool file_flush(File* file);
// Closes the file; false when buffered data could not be written.
bool file_close(File* file);

bool delete_file(const std::string& path);
// Renames `from` to `to`, replacing an existing `to` in one step.
bool replace_file(const std::string& from, const std::string& to);

// The system's reason for the last failed file call, as the system's own text
// (English where the system has it in English).
std::string last_error_text();

// ---- The staging file ----------------------------------------------------------

enum class CreateStatus { ok, failed, in_use };

// Creates the staging file at `path` for writing and reading back, and holds
// it exclusively until delete_staging_file: a second process that asks for
// the same path gets `in_use` and changes nothing. A stale file, link or
// special file at `path` that no process holds is removed first, and
// `removed_stale` says so; a link is never followed. While held, the file is
// removed if the run is interrupted.
File* create_staging_file(const std::string& path, CreateStatus& status, bool& removed_stale);
// Makes everything written so far readable from the start (file_read).
// False when buffered data could not be written.
bool file_rewind(File* file);
// Deletes the staging file and closes it; the hold ends only then.
void delete_staging_file(File* file, const std::string& path);

// ---- Folders -------------------------------------------------------------------

// True when `path` names a folder (or a link to one).
bool is_folder(const std::string& path);
// What stands at `path` itself: a link is not followed, and the name is not
// looked up in another case.
enum class PathKind { none, file, link, folder, other };
PathKind path_kind(const std::string& path);

// What makes a file the same file whatever path or link reaches it: POSIX
// the device and inode numbers, Win32 the volume serial number and file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file or folder at `path`, a link followed; false when
// there is none. Only the folders of the path are looked up in another case
// (POSIX), never its last name: "DAR297.AVD" is not a "dar297.avd" beside it.
bool file_identity(const std::string& path, FileIdentity& identity);
// The identity of what stands at `path` itself: a link is not followed (a
// symbolic link, on Windows any reparse point), so a link is never the file
// it points to. The last name is not looked up in another case either.
bool link_identity(const std::string& path, FileIdentity& identity);
// The identity of an open file.
bool file_identity(File* file, FileIdentity& identity);

// The absolute folder of the running executable, ending in kSeparator;
// empty when it cannot be determined.
std::string executable_folder();

// ---- Interruption --------------------------------------------------------------

// From now on an interruption (POSIX: SIGINT, SIGTERM, SIGHUP; Win32: Ctrl+C,
// Ctrl+Break, closing the console) removes the output files the run has not
// completed, puts the console back as it was (echo, code page) and ends the
// process with the interruption's own status. A closed standard output no
// longer ends the process: writes to it fail quietly.
void install_interrupt_handlers();

// ---- Names and the command line ------------------------------------------------

// While it lives, the calling thread's character set is UTF-8 whatever the
// user's locale (POSIX; on Windows nothing changes), so that a library that
// converts names to the locale's character set gives them in one form.
struct ThreadUtf8Text {
    ThreadUtf8Text();
    ~ThreadUtf8Text();
    ThreadUtf8Text(const ThreadUtf8Text&) = delete;
    ThreadUtf8Text& operator=(const ThreadUtf8Text&) = delete;
    void* previous = nullptr;
};

// The code page 932 form of a file name as a search found it. On Windows the
// name's characters converted without substitutes; on POSIX a name that is
// valid UTF-8 and holds a character beyond ASCII is converted from UTF-8, any
// other name is taken as code page 932 bytes already (as names unpacked from
// a Japanese archive are). Either way the characters go through Unicode in
// Normalization Form C and back, so that a character code page 932 has twice
// (the NEC and IBM codes of 纊, ED 40 and FA 5C) gets the one code Windows
// writes; a code page 932 name whose bytes do not all decode, or whose
// characters have no way back, stays as it is. False when a UTF-8 name has
// no code page 932 form.
bool name_to_cp932(const std::string& name, std::string& cp932);

#ifdef _WIN32
// UTF-16 text (a name a library gives as wide characters) in UTF-8.
std::string wide_to_utf8(const wchar_t* text);
#endif

// UTF-8 text in code page 932; false when a character has no form there
// (no substitute is taken).
bool utf8_to_cp932(const std::string& utf8, std::string& cp932);
// Code page 932 text in UTF-8; false when some bytes form no character.
bool cp932_to_utf8(const std::string& cp932, std::string& utf8);

// Appends the code page 932 character at the start of `text` (one byte, or
// two when the first leads a double-byte character) to `utf8`; the bytes it
// took, or 0 when they form no character.
std::size_t cp932_character_to_utf8(std::span<const std::uint8_t> text, std::string& utf8);

// The program's arguments, argv[0] included, as the system's own text.
std::vector<std::string> command_line(int argc, char** argv);

// ---- Console -----------------------------------------------------------------

enum class TextKind {
    cp932,   // the converter's own text, code page 932 bytes
    system,  // a path or a system's reason: the system's own text
};

// Writes text to standard output (or standard error). Code page 932 text
// goes out as its bytes unless the console shows another character set, in
// which case it is transcoded for it: to UTF-8 under a UTF-8 locale, to
// UTF-16 for a Windows console. System text is shown as the user named it:
// its own bytes on POSIX, UTF-16 on a Windows console, code page 932 bytes
// when a Windows stream is redirected.
void console_write(const char* text, std::size_t size, TextKind kind = TextKind::cp932);
void console_write_error(const char* text, std::size_t size, TextKind kind = TextKind::cp932);

// True when standard error is an interactive console (progress is shown there).
bool error_console_is_interactive();

// Asks for a folder. `title` is code page 932 text. Returns false when the
// user cancels. The folder, a path, is returned without a trailing separator.
bool choose_folder(const char* title, std::string& folder);

// Waits for one key press without echo; the zero code that leads an
// extended key is read past. Returns at once when standard input is not
// an interactive console.
void wait_for_key();

// Opens each of the standard descriptors 0, 1 and 2 that is closed on the null
// device (0 for reading, 1 and 2 for writing), so that no file the run
// creates later can take its number and receive the console's text. Call it
// first. False when one is closed and cannot be opened. (Win32: nothing to do.)
bool open_closed_standard_streams();

}  // namespace platform
