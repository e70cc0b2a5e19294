// SPDX-License-Identifier: GPL-2.0-or-later
// The one console sink of the converter, for the program (src/app) alone:
// the library below it says its messages into the caller's Diagnostics; the
// program's sink has console_drain as its hand_up, which prints each message
// as it is said. A test can capture the output instead.
#pragma once

#include <initializer_list>
#include <string>

#include "base/diagnostics.h"

// Shows `line` as the status line on standard error, replacing the one shown
// before; nullptr removes it. Console output first removes a status line so
// that the two never mix.
void console_status(const char* line);

// Writes `format`, code page 932 text, with each "%s" replaced by the next
// piece, to standard output (console_show) or standard error.
void console_show(const char* format, std::initializer_list<Shown> pieces);
void console_show_error(const char* format, std::initializer_list<Shown> pieces);

// Prints the messages of `said` in order, each as console_show or
// console_show_error would (a repeated one as often as it was said), and
// empties the list. The hand_up of the program's sink.
void console_drain(Diagnostics& said);

// While a capture is installed, console_show and the messages drained to
// standard output are appended to it instead of written to the console. Pass nullptr to write to
// the console again. Code page 932 text is captured as its bytes, system text as it is shown.
void console_capture(std::string* capture);
// The same for standard error.
void console_capture_errors(std::string* capture);
