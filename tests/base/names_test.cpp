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

TEST(BaseName, PartAfterTheLastSeparator) {
    const struct {
        const char* path;
        const char* base;
    } cases[] = {
        {"C:\\GAME\\CG\\EV01.MOE", "EV01.MOE"},
        {"/tmp/game/CG/ev01.moe", "ev01.moe"},
        {"EV01.MOE", "EV01.MOE"},
        {"dir\\", ""},
        // 0x5C as the trail byte of a double-byte character is no separator.
        {"CG\\\x95\\.MOE", "\x95\\.MOE"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(base_name(c.path), c.base) << c.path;
}

}  // namespace
