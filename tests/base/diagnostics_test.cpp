// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/diagnostics.h"

#include <gtest/gtest.h>

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

// Messages said again in a row are kept once, and drained as every line
// they stand for, in order.
TEST(Diagnostics, RepeatsAreCountedAndDrainedInOrder) {
    const struct {
        std::vector<Said> said;
        std::size_t kept;
        const char* out;
        const char* err;
    } cases[] = {
        {{{0, "x %s\n", "a"}, {0, "x %s\n", "a"}, {0, "x %s\n", "a"}}, 1, "x a\nx a\nx a\n", ""},
        {{{0, "x %s\n", "a"}, {0, "x %s\n", "b"}, {0, "x %s\n", "a"}}, 3, "x a\nx b\nx a\n", ""},
        {{{0, "x %s\n", "a"}, {0, "y %s\n", "a"}, {0, "y %s\n", "a"}}, 2, "x a\ny a\ny a\n", ""},
        {{{0, "x %s\n", "a"}, {1, "x %s\n", "a"}, {1, "x %s\n", "a"}}, 2, "x a\n", "x a\nx a\n"},
        {{{0, "x %s\n", "\x01"}, {0, "x %s\n", "\x01", true}}, 2, "x \x01\nx \\x01\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        Diagnostics diagnostics;
        for (const Said& s : c.said) {
            const Shown piece = s.system ? as_system(s.piece) : Shown(s.piece);
            s.error ? note_error(diagnostics, s.format, {piece})
                    : note(diagnostics, s.format, {piece});
        }
        note_printf(diagnostics, "%d\n", 7);
        note_printf(diagnostics, "%d\n", 7);
        EXPECT_EQ(diagnostics.size(), c.kept + 1);
        std::string err;
        EXPECT_EQ(shown(diagnostics, &err), c.out + std::string("7\n7\n"));
        EXPECT_EQ(err, c.err);
        EXPECT_TRUE(diagnostics.empty());
    }
}

}  // namespace
