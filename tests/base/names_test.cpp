// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct UpperCase {
    std::string in, out;
};

TEST(UpperCaseName, AsciiLettersOnlyAndDoubleByteCharactersKept) {
    const UpperCase cases[] = {
        {"main.sio", "MAIN.SIO"},
        {"Seen_01.txt", "SEEN_01.TXT"},
        {"a-z.0_9\\x", "A-Z.0_9\\X"},
        {"", ""},
        // Trail bytes 0x61-0x7A of double-byte characters stay as they are.
        {"\x83"
         "a\x83z"
         "b",
         "\x83"
         "a\x83z"
         "B"},
        {"\x9F"
         "a"
         "c",
         "\x9F"
         "a"
         "C"},
        {"\xE0"
         "a"
         "c",
         "\xE0"
         "a"
         "C"},
        // 0xA0-0xDF are single-byte (half-width kana): the next byte is upper-cased.
        {"\xB1"
         "a",
         "\xB1"
         "A"},
        // A lone lead byte just before the terminator ends the walk there.
        {"ab\x83", "AB\x83"},
    };
    for (const UpperCase& c : cases) {
        std::string buffer = c.in;
        upper_case_name(buffer.data());
        EXPECT_EQ(buffer, c.out) << "input: " << c.in;
    }
}

TEST(EntryNameOf, CodePage932FormOfFoundNames) {
    const struct {
        const char* found;
        NameProblem problem;
        const char* entry;
    } cases[] = {
        {"config.ini", NameProblem::none, "config.ini"},
        // UTF-8 is converted; code page 932 bytes (from a Japanese archive)
        // are taken as they are, so both give the same entry.
        {"\u8a2d\u5b9a.INI", NameProblem::none, "\x90\xDD\x92\xE8.INI"},
        {"\x90\xDD\x92\xE8.INI", NameProblem::none, "\x90\xDD\x92\xE8.INI"},
        // Characters whose trail byte is 0x5C hold no separator.
        {"\u8868\u793a.txt", NameProblem::none, "\x95\x5C\x8E\xA6.txt"},
        {"\x83\x5C\x83\x74\x83\x67", NameProblem::none, "\x83\x5C\x83\x74\x83\x67"},
        {"\U0001F600.txt", NameProblem::no_cp932_form, ""},
        {"\uD55C\uAE00.txt", NameProblem::no_cp932_form, ""},
        {"esc\x1b[2J", NameProblem::control_byte, ""},
        {"line\nbreak", NameProblem::control_byte, ""},
        // The bounds of the control bytes: 0x1F is one, 0x20 is not.
        {"unit\x1fsep", NameProblem::control_byte, ""},
        {"a b.txt", NameProblem::none, "a b.txt"},
        // Half-width \uFF80\uFF71 in code page 932 is C0 B1, the overlong
        // UTF-8 form of '1': no UTF-8, so taken as code page 932 bytes.
        {"\xC0\xB1.SIO", NameProblem::none, "\xC0\xB1.SIO"},
        // Decomposed (NFD) names are brought to NFC first: \u30C6 + U+3099
        // is \u30C7; \u30CF + U+309A is \u30D1.
        {"\u30C6\u3099.TXT", NameProblem::none, "\x83\x66.TXT"},
        {"\u30CF\u309A\u30B9\u3099\u30EB.INI", NameProblem::none, "\x83\x70\x83\x59\x83\x8B.INI"},
        // A character code page 932 has twice gets the code Windows writes,
        // whichever spelling was found: 纊 (NEC ED 40, IBM FA 5C), ≒ (NEC
        // 87 90, JIS 81 E0), ¬ (IBM FA 54, JIS 81 CA).
        {"\xED\x40.TXT", NameProblem::none, "\xFA\x5C.TXT"},
        {"\u7E8A.TXT", NameProblem::none, "\xFA\x5C.TXT"},
        {"\x87\x90\xFA\x54", NameProblem::none, "\x81\xE0\x81\xCA"},
        // Bytes that form no character keep the name as it was found.
        {"\xED\x40\xFD.TXT", NameProblem::none, "\xED\x40\xFD.TXT"},
        {"back\\slash.txt", NameProblem::separator, ""},
        // A byte below 0x40 after a lead byte is no trail byte.
        {"\x81/x", NameProblem::separator, ""},
    };
    for (const auto& c : cases) {
        std::string entry;
        EXPECT_EQ(entry_name_of(c.found, entry), c.problem) << c.found;
        if (c.problem == NameProblem::none) {
            EXPECT_EQ(entry, c.entry) << c.found;
        }
    }
}

}  // namespace

// Every escaped byte reads the same way, whether a name shows it or a SEEN
// text: \x and two lower-case hex digits.
TEST(PrintableName, ControlBytesOneSpelling) {
    const struct {
        std::string name, shown;
    } kCases[] = {
        {"A\x1b[2J", "A\\x1b[2J"},
        {std::string("\x00\x09\x1f\x7f", 4), "\\x00\\x09\\x1f\\x7f"},
        {"\x95\x5c\x83\x51 ~", "\x95\x5c\x83\x51 ~"},  // double-byte characters, space and ~ kept
    };
    for (const auto& c : kCases)
        EXPECT_EQ(printable_name(c.name), c.shown);
}
