// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/console.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/names.h"
#include "platform/platform.h"

namespace {
std::string* g_capture = nullptr;
std::string* g_error_capture = nullptr;
// The width of the status line shown, 0 for none.
std::size_t g_status_width = 0;

// Overwrites the status line with spaces and returns to the line's start:
// every console does that, where an erase sequence is shown as text by some
// (Wine's console shows "\x1b[K" as a box and "[K").
void clear_status() {
    if (g_status_width == 0) return;
    std::string blank(g_status_width + 2, ' ');
    blank.front() = blank.back() = '\r';
    platform::console_write_error(blank.data(), blank.size(), platform::TextKind::cp932);
    g_status_width = 0;
}
}  // namespace

void console_status(const char* line) {
    clear_status();
    if (!line) return;
    const std::size_t width = std::strlen(line);
    platform::console_write_error(line, width, platform::TextKind::cp932);
    g_status_width = width;
}

void console_capture(std::string* capture) {
    g_capture = capture;
}

void console_capture_errors(std::string* capture) {
    g_error_capture = capture;
}

namespace {

void append_shown(std::string& out, const Shown& piece) {
    if (piece.kind == platform::TextKind::cp932) {
        out.append(piece.text);
        return;
    }
    append_printable(out, piece.text);
}

void show(const char* format, const Shown* first, const Shown* last, std::string* capture,
          void (*write)(const char*, std::size_t, platform::TextKind)) {
    // The line as runs of one kind each, written in order.
    std::string run;
    platform::TextKind kind = platform::TextKind::cp932;
    auto flush = [&] {
        if (run.empty()) return;
        if (capture) {
            capture->append(run);
        } else {
            write(run.data(), run.size(), kind);
        }
        run.clear();
    };
    auto add = [&](const Shown& piece) {
        if (piece.kind != kind) flush();
        kind = piece.kind;
        append_shown(run, piece);
    };
    if (!capture) clear_status();
    const Shown* next = first;
    const char* text = format;
    for (const char* p = format; *p; ++p) {
        if (p[0] != '%' || (p[1] != 's' && p[1] != '%')) continue;
        add(Shown(std::string_view(text, static_cast<std::size_t>(p - text)),
                  platform::TextKind::cp932));
        if (p[1] == '%') {
            add(Shown("%"));
        } else if (next != last) {
            add(*next++);
        }
        text = ++p + 1;
    }
    add(Shown(text));
    flush();
}

}  // namespace

void console_show(const char* format, std::initializer_list<Shown> pieces) {
    show(format, pieces.begin(), pieces.end(), g_capture, platform::console_write);
}

void console_show_error(const char* format, std::initializer_list<Shown> pieces) {
    show(format, pieces.begin(), pieces.end(), g_error_capture, platform::console_write_error);
}

void console_drain(Diagnostics& said) {
    std::vector<Shown> pieces;
    for (const Message& message : said.messages) {
        pieces.clear();
        for (const auto& [text, kind] : message.pieces)
            pieces.emplace_back(text, kind);
        const Shown* first = pieces.data();
        for (std::size_t i = 0; i < message.times; ++i) {
            if (message.error) {
                show(message.format.c_str(), first, first + pieces.size(), g_error_capture,
                     platform::console_write_error);
            } else {
                show(message.format.c_str(), first, first + pieces.size(), g_capture,
                     platform::console_write);
            }
        }
    }
    said.messages.clear();
}
