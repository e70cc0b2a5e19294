// SPDX-License-Identifier: GPL-2.0-or-later
// The one console sink of the converter. Every message of every subsystem
// goes through console_print; a test can capture the output instead.
#pragma once

#include <string>

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

// While a capture is installed, console_print appends to it instead of
// writing to the console. Pass nullptr to write to the console again.
void console_capture(std::string* capture);
// The same for console_error.
void console_capture_errors(std::string* capture);
