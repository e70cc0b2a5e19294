#include "driver/console.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/platform.h"

namespace {
std::string* g_capture = nullptr;
}

void console_capture(std::string* capture) {
    g_capture = capture;
}

void console_print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::vector<char> text(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        if (g_capture) {
            g_capture->append(text.data(), static_cast<std::size_t>(n));
        } else {
            platform::console_write(text.data(), static_cast<std::size_t>(n));
        }
    }
    va_end(again);
}
