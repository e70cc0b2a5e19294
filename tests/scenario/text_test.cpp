// SPDX-License-Identifier: GPL-2.0-or-later
// Message text: command 240 (text instructions, speaker names, ■ and …) and
// command 53 (a text that is skipped).
#include <gtest/gtest.h>

#include <string>

#include "gamekit/gamekit.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// The SEEN body of one command 240 with `text` (code page 932 bytes).
Bytes message(const std::string& text) {
    Sio s;
    sio_text(s, text);
    const Translation r = translate(s);
    EXPECT_EQ(r.console, "");
    EXPECT_FALSE(r.translator->conversion_failed);
    return r.body;
}

struct TextCase {
    const char* text;  // UTF-8, converted to code page 932
    const char* bytes;
};

TEST(MessageCommand, WorkedExamples) {
    const TextCase cases[] = {
        {"あいう", "FF 82 A0 82 A2 82 A4 00 01"},
        {"ＡＢ：「ＣＤ」",
         "FF 81 6B 82 60 82 61 81 6C 00 02 01"
         " FF 81 79 81 7A 81 75 82 62 82 63 81 76 00 01"},
        {"ＡＢ：", "FF 81 6B 82 60 82 61 81 6C 00 02 01 FF 81 79 81 7A 00 01"},
        {"■は…です", "FF 81 96 82 4F 82 50 82 CD 81 96 82 4F 82 51 82 C5 82 B7 00 01"},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(message(cp932(c.text)), hex(c.bytes)) << c.text;
    }
}

TEST(MessageCommand, SecondColonEndsASecondSpeakerName) {
    EXPECT_EQ(message(cp932("ＡＢ：ＣＤ：ＥＦ")),
              hex("FF 81 6B 82 60 82 61 81 6C 00 02 01"
                  " FF 81 6B 81 79 81 7A 82 62 82 63 81 6C 00 02 01"
                  " FF 81 79 81 7A 82 64 82 65 00 01"));
}

TEST(MessageCommand, MarksInsideASpeakerName) {
    EXPECT_EQ(message(cp932("■：")),
              hex("FF 81 6B 81 96 82 4F 82 50 81 6C 00 02 01 FF 81 79 81 7A 00 01"));
}

TEST(MessageCommand, PairsAreTakenFromTheFirstByte) {
    // 81 46 at an odd offset is no colon: the pairs are (61 81) and (46 62).
    EXPECT_EQ(message("a\x81\x46"
                      "b"),
              hex("FF 61 81 46 62 00 01"));
}

TEST(MessageCommand, LoneLastByteIsCopiedAndTheWalkStopsAtTheTerminator) {
    EXPECT_EQ(message(cp932("あ") + "a"), hex("FF 82 A0 61 00 01"));
    // The walk would otherwise go on into the next command.
    Sio s;
    sio_text(s, "a");
    sio_text(s, "bc");
    EXPECT_EQ(translate(s).body, hex("FF 61 00 01 FF 62 63 00 01"));
}

TEST(MessageCommand, TextAtTheDataEndWithoutTerminator) {
    EXPECT_EQ(translate(hex("F0 82 A0")).body, hex("FF 82 A0 00 01"));
    EXPECT_EQ(translate(hex("F0 82 A0 81")).body, hex("FF 82 A0 81 00 01"));
}

TEST(MessageCommand, LongTextIsNotCut) {
    // 400 ■ grow from 800 to 2400 bytes, beyond a work area of 1024.
    std::string text;
    Bytes expected = hex("FF");
    for (int i = 0; i < 400; ++i) {
        text += cp932("■");
        expected = cat({expected, hex("81 96 82 4F 82 50")});
    }
    EXPECT_EQ(message(text), cat({expected, hex("00 01")}));
}

TEST(MessageCommand, EmptyTextConsumesOneByte) {
    Sio s;
    sio_text(s, "");
    s.label("next");
    sio_jump(s, "next");
    EXPECT_EQ(translate(s).body, hex("1C 00 00 00 00"));
}

TEST(HiddenTextCommand, SkippedWithoutOutput) {
    Sio s;
    sio_hidden_text(s, cp932("ＡＢ：■…"));
    sio_hidden_text(s, "");
    s.label("next");
    sio_text(s, cp932("あ"));
    sio_jump(s, "next");
    const Translation r = translate(s);
    EXPECT_EQ(r.body, hex("FF 82 A0 00 01 1C 00 00 00 00"));
    EXPECT_EQ(r.console, "");
}

}  // namespace
