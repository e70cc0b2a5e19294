// SPDX-License-Identifier: GPL-2.0-or-later
// The sink of messages: every library call that can meet a message takes
// the caller's Diagnostics as `said` and appends to it, in order. The library
// below src/app never prints; the sink's owner decides when its messages are
// printed (Diagnostics::hand_up).
#pragma once

#include <cstdarg>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// A piece of a console line: the converter's own code page 932 text, or the
// system's own text (a path, a file name as found, the system's reason).
struct Shown {
    std::string_view text;
    platform::TextKind kind = platform::TextKind::cp932;

    Shown(const char* cp932) : text(cp932) {}
    Shown(const std::string& cp932) : text(cp932) {}
    Shown(std::string_view text_, platform::TextKind kind_) : text(text_), kind(kind_) {}
};

// The system's own text, shown as the user named it. Its bytes below 0x20
// and 0x7F are shown as \xNN, so that a name cannot steer the terminal.
inline Shown as_system(std::string_view text) {
    return {text, platform::TextKind::system};
}

// One message: `format`, code page 932 text, each "%s" of it standing for
// the next piece, for standard output or standard error. In a sink without
// hand_up, a message equal to the one before it (same stream, format and
// pieces) is not stored again: `times` counts how often it was said in a
// row, so that a converter that repeats one message for every byte of a long
// input keeps one copy of it.
struct Message {
    bool error = false;
    std::string format;
    std::vector<std::pair<std::string, platform::TextKind>> pieces;
    std::size_t times = 1;
};

struct Diagnostics {
    std::vector<Message> messages;
    // When set, called with the sink after every message appended, and
    // expected to empty `messages`: the program prints each message as it
    // is said. Without it the messages wait in `messages` for the owner.
    // Called on the thread that says the message: the package builder says
    // nothing on its worker threads.
    void (*hand_up)(Diagnostics&) = nullptr;
};

// Appends a message to standard output (note) or standard error (note_error).
void note(Diagnostics& said, const char* format, std::initializer_list<Shown> pieces = {});
void note_error(Diagnostics& said, const char* format, std::initializer_list<Shown> pieces = {});
// printf into a string: `format` over `args`; empty when it fails.
std::string vformat(const char* format, va_list args);
// printf into a string of at most 127 bytes: the pieces of a line.
// MinGW's vsnprintf is the C99 one (%zu), which its printf checks call gnu_printf.
#ifdef _WIN32
std::string format_text(const char* pattern, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string format_text(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
#endif

// Appends printf-style formatted code page 932 text for standard output.
void note_printf(Diagnostics& said, const char* format, ...) __attribute__((format(printf, 2, 3)));
