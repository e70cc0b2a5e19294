// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/diagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/shown.h"

namespace {

// One message: to standard error when `error`; "%s" of `format` is `piece`,
// system text when `system`.
struct Said {
    bool error;
    const char* format;
    std::string piece;
    bool system = false;
};

struct SayCase {
    std::vector<Said> said;
    std::size_t kept;
    const char* out;
    const char* err;
};

const SayCase kCases[] = {
    {{{0, "x %s\n", "a"}, {0, "x %s\n", "a"}, {0, "x %s\n", "a"}}, 1, "x a\nx a\nx a\n", ""},
    {{{0, "x %s\n", "a"}, {0, "x %s\n", "b"}, {0, "x %s\n", "a"}}, 3, "x a\nx b\nx a\n", ""},
    {{{0, "x %s\n", "a"}, {0, "y %s\n", "a"}, {0, "y %s\n", "a"}}, 2, "x a\ny a\ny a\n", ""},
    {{{0, "x %s\n", "a"}, {1, "x %s\n", "a"}, {1, "x %s\n", "a"}}, 2, "x a\n", "x a\nx a\n"},
    {{{0, "x %s\n", "\x01"}, {0, "x %s\n", "\x01", true}}, 2, "x \x01\nx \\x01\n", ""},
};

// Says the messages of `c` into `said`, then "7\n" twice with note_printf.
void say(const SayCase& c, Diagnostics& said) {
    for (const Said& s : c.said) {
        const Shown piece = s.system ? as_system(s.piece) : Shown(s.piece);
        s.error ? note_error(said, s.format, {piece}) : note(said, s.format, {piece});
    }
    note_printf(said, "%d\n", 7);
    note_printf(said, "%d\n", 7);
}

// Messages said again in a row are kept once, and drained as every line
// they stand for, in order.
TEST(Diagnostics, RepeatsAreCountedAndDrainedInOrder) {
    for (const SayCase& c : kCases) {
        SCOPED_TRACE(c.out);
        Diagnostics said;
        say(c, said);
        EXPECT_EQ(said.messages.size(), c.kept + 1);
        std::string err;
        EXPECT_EQ(shown(said, &err), c.out + std::string("7\n7\n"));
        EXPECT_EQ(err, c.err);
        EXPECT_TRUE(said.messages.empty());
    }
}

// What the hand-up of a sink was handed: each call's messages as shown.
std::vector<std::string> g_handed_up;
void hand_up(Diagnostics& said) {
    std::string err;
    g_handed_up.push_back(shown(said, &err) + "|" + err);
}

// A sink with a hand-up hands every message up as it is said, a repeat too:
// the console bytes of a sink without one, one message at a time.
TEST(Diagnostics, AHandUpIsCalledWithEveryMessage) {
    for (const SayCase& c : kCases) {
        SCOPED_TRACE(c.out);
        g_handed_up.clear();
        Diagnostics said;
        said.hand_up = hand_up;
        say(c, said);
        EXPECT_TRUE(said.messages.empty());
        ASSERT_EQ(g_handed_up.size(), c.said.size() + 2);
        std::string out, err;
        for (const std::string& handed : g_handed_up) {
            const std::size_t bar = handed.find('|');
            EXPECT_EQ(std::count(handed.begin(), handed.end(), '\n'), 1) << handed;
            out += handed.substr(0, bar);
            err += handed.substr(bar + 1);
        }
        EXPECT_EQ(out, c.out + std::string("7\n7\n"));
        EXPECT_EQ(err, c.err);
    }
}

}  // namespace
