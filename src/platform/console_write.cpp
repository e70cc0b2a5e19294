// SPDX-License-Identifier: GPL-2.0-or-later
// Console output, the same on every system: text goes to standard output or
// standard error as the system's console shows it.
#include <cstdio>

#include "platform/stdio_file.h"

namespace platform {

void console_write(const char* text, std::size_t size, TextKind kind) {
    write_text(stdout, text, size, kind);
}

void console_write_error(const char* text, std::size_t size, TextKind kind) {
    write_text(stderr, text, size, kind);
}

}  // namespace platform
