// SPDX-License-Identifier: GPL-2.0-or-later
// Messages said again in a row are kept once with a count, and drained as
// every line they stand for, in order.
#include "base/diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "support/shown.h"

namespace {

// One call of note, note_error or note_printf.
struct Said {
    bool error;
    const char* format;
    std::string piece;  // "%s" of the format; system text when `system`
    bool system = false;
};

void say(Diagnostics& out, const Said& said) {
    const Shown piece = said.system ? as_system(said.piece) : Shown(said.piece);
    if (said.error) {
        note_error(out, said.format, {piece});
    } else {
        note(out, said.format, {piece});
    }
}

TEST(Diagnostics, RepeatsAreCountedAndDrainedInOrder) {
    const struct {
        const char* name;
        std::vector<Said> said;
        std::size_t kept;  // the messages stored
        const char* out;
        const char* err;
    } cases[] = {
        {"three alike",
         {{false, "x %s\n", "a"}, {false, "x %s\n", "a"}, {false, "x %s\n", "a"}},
         1,
         "x a\nx a\nx a\n",
         ""},
        {"other piece",
         {{false, "x %s\n", "a"}, {false, "x %s\n", "b"}, {false, "x %s\n", "a"}},
         3,
         "x a\nx b\nx a\n",
         ""},
        {"other format", {{false, "x %s\n", "a"}, {false, "y %s\n", "a"}}, 2, "x a\ny a\n", ""},
        {"other stream",
         {{false, "x %s\n", "a"}, {true, "x %s\n", "a"}, {true, "x %s\n", "a"}},
         2,
         "x a\n",
         "x a\nx a\n"},
        {"other kind of text",
         {{false, "x %s\n", "\x01"}, {false, "x %s\n", "\x01", true}},
         2,
         "x \x01\nx \\x01\n",
         ""},
        {"runs between others",
         {{false, "x %s\n", "a"},
          {false, "x %s\n", "a"},
          {false, "y %s\n", "b"},
          {false, "x %s\n", "a"},
          {false, "x %s\n", "a"}},
         3,
         "x a\nx a\ny b\nx a\nx a\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Diagnostics diagnostics;
        for (const Said& said : c.said)
            say(diagnostics, said);
        EXPECT_EQ(diagnostics.size(), c.kept);
        std::string err;
        EXPECT_EQ(shown(diagnostics, &err), c.out);
        EXPECT_EQ(err, c.err);
        EXPECT_TRUE(diagnostics.empty());
    }
}

TEST(Diagnostics, APrintfRepeatIsCountedToo) {
    Diagnostics diagnostics;
    for (int i = 0; i < 1000; ++i)
        note_printf(diagnostics, "Error : OutBuffer overflow @ %s\n", "OutByte");
    EXPECT_EQ(diagnostics.size(), 1u);
    std::string expected;
    for (int i = 0; i < 1000; ++i)
        expected += "Error : OutBuffer overflow @ OutByte\n";
    EXPECT_EQ(shown(diagnostics), expected);
}

}  // namespace
