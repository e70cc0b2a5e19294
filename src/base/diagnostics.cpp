// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace {
// True when the message `said` has `error`, `format` and `pieces`.
bool same(const Message& said, bool error, const char* format,
          std::initializer_list<Shown> pieces) {
    if (said.error != error || said.format != format || said.pieces.size() != pieces.size())
        return false;
    auto piece = pieces.begin();
    for (const auto& [text, kind] : said.pieces) {
        if (text != piece->text || kind != piece->kind) return false;
        ++piece;
    }
    return true;
}

void append(Diagnostics& said, bool error, const char* format,
            std::initializer_list<Shown> pieces) {
    std::vector<Message>& messages = said.messages;
    if (!messages.empty() && same(messages.back(), error, format, pieces)) {
        ++messages.back().times;
    } else {
        Message& message = messages.emplace_back();
        message.error = error;
        message.format = format;
        for (const Shown& piece : pieces)
            message.pieces.emplace_back(std::string(piece.text), piece.kind);
    }
    if (said.hand_up) said.hand_up(said);
}
}  // namespace

void note(Diagnostics& said, const char* format, std::initializer_list<Shown> pieces) {
    append(said, false, format, pieces);
}

void note_error(Diagnostics& said, const char* format, std::initializer_list<Shown> pieces) {
    append(said, true, format, pieces);
}

std::string vformat(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
    }
    va_end(again);
    return text;
}

std::string format_text(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    std::string text = vformat(pattern, args);
    va_end(args);
    if (text.size() > 127) text.resize(127);
    return text;
}

void note_printf(Diagnostics& said, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    if (!text.empty()) append(said, false, "%s", {Shown(text)});
}
