// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {
std::string* g_capture = nullptr;
std::string* g_error_capture = nullptr;
bool g_status_shown = false;

void clear_status() {
    if (!g_status_shown) return;
    static const char kClear[] = "\r\x1b[K";
    platform::console_write_error(kClear, sizeof kClear - 1);
    g_status_shown = false;
}
}  // namespace

void console_status(const char* line) {
    clear_status();
    if (!line) return;
    platform::console_write_error(line, std::strlen(line));
    g_status_shown = true;
}

void console_capture(std::string* capture) {
    g_capture = capture;
}

namespace {
void print(const char* format, va_list args, std::string* capture,
           void (*write)(const char*, std::size_t)) {
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    if (n > 0) {
        std::vector<char> text(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        if (capture) {
            capture->append(text.data(), static_cast<std::size_t>(n));
        } else {
            clear_status();
            write(text.data(), static_cast<std::size_t>(n));
        }
    }
    va_end(again);
}
}  // namespace

void console_capture_errors(std::string* capture) {
    g_error_capture = capture;
}

void console_print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    print(format, args, g_capture, platform::console_write);
    va_end(args);
}

void console_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    print(format, args, g_error_capture, platform::console_write_error);
    va_end(args);
}
