// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace {
void append(Diagnostics& out, bool error, const char* format, std::initializer_list<Shown> pieces) {
    Message& message = out.emplace_back();
    message.error = error;
    message.format = format;
    for (const Shown& piece : pieces)
        message.pieces.emplace_back(std::string(piece.text), piece.kind);
}
}  // namespace

void note(Diagnostics& out, const char* format, std::initializer_list<Shown> pieces) {
    append(out, false, format, pieces);
}

void note_error(Diagnostics& out, const char* format, std::initializer_list<Shown> pieces) {
    append(out, true, format, pieces);
}

void note_printf(Diagnostics& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        append(out, false, "%s", {Shown(text)});
    }
    va_end(again);
}
