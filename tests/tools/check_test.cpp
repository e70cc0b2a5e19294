// SPDX-License-Identifier: GPL-2.0-or-later
// What `avdtool check` finds in SEEN files translated from assembled SIO
// programs: names of pictures and sprites followed through literals, string
// slots and every way through the scenario, and scenario jumps, against the
// entries of a package.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "avdtool/check.h"
#include "base/diagnostics.h"
#include "gamekit/gamekit.h"
#include "gamekit/seen_build.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// The references that are not found, one line each, as check prints them
// after the entry and offset.
std::string unresolved(const Sio& s, const std::set<std::string>& entries) {
    const gamekit::Bytes seen = translate(s, {"MAIN.SIO", "B.SIO", "C.SIO"}).seen;
    const SeenProgram program = decode_seen(seen);
    std::string out;
    for (const SeenReference& r : follow_references(program, entries))
        if (r.state != ReferenceState::found) out += reference_text(r) + "\n";
    return out;
}

TEST(Check, DanglingAndUnknownReferences) {
    // A slot set to BG09 on one way into a join and not on the other.
    const std::string kSetOnOneWayOnly =
        "picture \"BG09\" (slot 1): no entry BG09.PDT\n"
        "picture in slot 1: unknown until run (the slot is not set to a name on every way here)\n"
        "picture \"BG09\" (slot 1): no entry BG09.PDT\n";
    const std::set<std::string> entries = {"BG01.PDT", "AIN_F02.PDT", "SEEN001.TXT", "SEEN002.TXT",
                                           "WINDOW.PDT"};
    const struct {
        const char* what;
        std::function<void(Sio&)> program;
        std::string expected;
    } cases[] = {
        {"literal sprites, one missing",
         [](Sio& s) {
             sio_background(s, "bg01.moe");
             sio_characters(s, {10203});  // AIN_F02, AIN_B031
         },
         "sprite \"AIN_B031\": no entry AIN_B031.PDT\n"},
        {"background through slot 1", [](Sio& s) { sio_background(s, "Bg09.moe"); },
         "picture \"BG09\" (slot 1): no entry BG09.PDT\n"},
        {"window set-up names its pictures literally", [](Sio& s) { sio_screen(s, 1, 1); },
         "picture \"OTHER_01\": no entry OTHER_01.PDT\n"},
        {"slot 1 never set in this scenario", [](Sio& s) { sio_show_background(s); },
         "picture in slot 1: unknown until run (the slot is not set to a name on every way "
         "here)\n"},
        // At the join "show" the way that arrives first (the shorter) does not
        // set the slot, then does: the slot stays unknown in either order.
        {"slot set on the longer way only; the known name is still checked",
         [](Sio& s) {
             sio_compare(s, 30, var(1), lit(1), "show");
             sio_background(s, "BG09");
             s.label("show");
             sio_show_background(s);
         },
         kSetOnOneWayOnly},
        {"slot set on the shorter way only",
         [](Sio& s) {
             sio_compare(s, 30, var(1), lit(1), "set");
             sio_text(s, "a");
             sio_text(s, "b");
             sio_text(s, "c");
             sio_jump(s, "show");
             s.label("set");
             sio_background(s, "BG09");
             s.label("show");
             sio_show_background(s);
         },
         kSetOnOneWayOnly},
        {"each way sets its own background; menus and jumps are followed",
         [](Sio& s) {
             sio_menu(s, {{"a", "A"}, {"b", "B"}});
             s.label("a");
             sio_background(s, "BG01");
             sio_jump(s, "show");
             s.label("b");
             sio_background(s, "BG07");
             s.label("show");
             sio_characters(s, {210300});  // YUI_03
         },
         "picture \"BG07\" (slot 1): no entry BG07.PDT\n"
         "picture \"BG07\" (slot 1): no entry BG07.PDT\n"
         "sprite \"YUI_03\": no entry YUI_03.PDT\n"},
        {"a later background replaces the earlier one",
         [](Sio& s) {
             sio_background(s, "BG07");
             sio_background(s, "BG01");
             sio_show_background(s);
         },
         "picture \"BG07\" (slot 1): no entry BG07.PDT\n"},
        {"no background, the closing sequence and the player's scenarios",
         [](Sio& s) {
             sio_no_background(s);
             sio_scenario_996(s);
             sio_close(s);
         },
         ""},
        {"scenario jumps: present, missing, not found by the converter",
         [](Sio& s) {
             sio_global_jump(s, "b.sio");
             sio_global_jump(s, "C.SIO");
             sio_global_jump(s, "NOWHERE.SIO");
         },
         "scenario jump 3: no entry SEEN003.TXT\nscenario jump 0: no entry SEEN000.TXT\n"},
    };
    for (const auto& c : cases) {
        Sio s;
        c.program(s);
        EXPECT_EQ(unresolved(s, entries), c.expected) << c.what;
    }
}

// A menu whose ways each set string slots and join: each picture takes the
// names of every way (the lines that the analysis per instruction gave,
// before the state was kept per block), found or not. Past 16 names a slot
// is unknown.
TEST(Check, MenuWaysThatSetSlotsJoin) {
    const struct {
        std::size_t items, slots, bytes;
        std::string expected;
    } cases[] = {
        {3, 2, 200,
         "0x0062 picture \"P1_1\" (slot 1): no entry P1_1.PDT\n"
         "0x0062 picture \"P2_1\" (slot 1): no entry P2_1.PDT\n"
         "0x0062 picture \"P3_1\" (slot 1): no entry P3_1.PDT\n"
         "0x0067 picture \"P1_2\" (slot 2): entry P1_2.PDT\n"
         "0x0067 picture \"P2_2\" (slot 2): no entry P2_2.PDT\n"
         "0x0067 picture \"P3_2\" (slot 2): no entry P3_2.PDT\n"},
        {17, 1, 300,
         "0x0180 picture in slot 1: unknown until run (the slot is not set to a name on every way "
         "here)\n"},
    };
    for (const auto& c : cases) {
        const SeenBytes seen = seen_menu_and_slots(c.items, c.slots, c.bytes);
        const SeenProgram program = decode_seen(seen);
        std::string out;
        for (const SeenReference& r : follow_references(program, {"P1_2.PDT"}))
            out += format_text("0x%04X ", program.lines[r.line].offset) + reference_text(r) + "\n";
        EXPECT_EQ(out, c.expected) << c.items << " items";
    }
}

}  // namespace
