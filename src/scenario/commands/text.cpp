// SPDX-License-Identifier: GPL-2.0-or-later
// Command translators of SIO opcodes 53 and 240: message text.
//
// Command 240's text is read as two-byte code page 932 characters from its
// first byte on. ■ and … become ＊０１ and ＊０２; a full-width colon ends a
// speaker name, which becomes a text instruction of its own in 〔〕, and the
// text after it starts with 【】. A text instruction is FF and a
// zero-terminated text, followed by 02 01 after a speaker name and by 01
// after the rest of the text.
#include <string>
#include <string_view>

#include "scenario/dispatch.h"
#include "scenario/translator.h"

namespace {

constexpr std::string_view kSquare = "\x81\xA1";                        // ■
constexpr std::string_view kEllipsis = "\x81\x63";                      // …
constexpr std::string_view kColon = "\x81\x46";                         // ：
constexpr std::string_view kSquareText = "\x81\x96\x82\x4F\x82\x50";    // ＊０１
constexpr std::string_view kEllipsisText = "\x81\x96\x82\x4F\x82\x51";  // ＊０２
constexpr std::string_view kSpeakerClose = "\x81\x6C";                  // 〕
constexpr std::string_view kAfterSpeaker = "\x81\x79\x81\x7A";          // 【】

void emit_speaker(Translator& t) {
    t.text_area += kSpeakerClose;
    OutByte(t, kOpText);
    OutByte(t, 0x81);  // 〔
    OutByte(t, 0x6B);
    OutStr(t, t.text_area);
    OutByte(t, 0x02);
    OutByte(t, 0x01);
    t.text_area = kAfterSpeaker;
}

// Opcode 240: zero-terminated message text.
void translate_message(Translator& t) {
    const std::string_view text = InText(t);
    if (text.empty()) return;
    t.text_area.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        if (i + 1 == text.size()) {
            // A lone byte before the terminator (a text of odd length).
            t.text_area += text[i];
            break;
        }
        const std::string_view pair = text.substr(i, 2);
        if (pair == kSquare) {
            t.text_area += kSquareText;
        } else if (pair == kEllipsis) {
            t.text_area += kEllipsisText;
        } else if (pair == kColon) {
            emit_speaker(t);
        } else {
            t.text_area += pair;
        }
    }
    if (!t.text_area.empty()) {
        OutByte(t, kOpText);
        OutStr(t, t.text_area);
        OutByte(t, 0x01);
    }
}

// Opcode 53: zero-terminated text that has no counterpart in the player.
void translate_hidden_text(Translator& t) {
    InText(t);
}

}  // namespace

void register_text_commands(DispatchTable& table) {
    table[53] = translate_hidden_text;
    table[240] = translate_message;
}
