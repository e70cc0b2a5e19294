// SPDX-License-Identifier: GPL-2.0-or-later
// The one console sink of the converter. Every message of every subsystem
// goes through console_print; a test can capture the output instead.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace msconv::base {

// printf-style output of code page 932 text to the console.
void console_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shows `line` as the status line on standard error, replacing the one shown
// before; nullptr removes it. Console output first removes a status line so
// that the two never mix.
void console_status(const char* line);

// printf-style output of a line to standard error: why an output file could
// not be written (its path and the system's reason), beside the designed
// message on standard output.
void console_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

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

// Writes `format`, code page 932 text, with each "%s" replaced by the next
// piece, to standard output (console_show) or standard error.
void console_show(const char* format, std::initializer_list<Shown> pieces);
void console_show_error(const char* format, std::initializer_list<Shown> pieces);

// While a capture is installed, console_print appends to it instead of
// writing to the console. Pass nullptr to write to the console again. Code
// page 932 text is captured as its bytes, system text as it is shown.
void console_capture(std::string* capture);
// The same for console_error.
void console_capture_errors(std::string* capture);

}  // namespace msconv::base
