// SPDX-License-Identifier: GPL-2.0-or-later
// The verifier on the sample game's scenarios, and the lines `check` prints
// for the faults it finds.
#include <gtest/gtest.h>

#include "avdtool/check.h"
#include "sample-game/sample_scenarios.h"
#include "scenario/seen_verify.h"
#include "support/translate.h"

using namespace scenario_test;

namespace {

TEST(SeenVerifyTool, TheSampleGameVerifiesClean) {
    std::vector<sample_game::ScenarioFile> files = sample_game::sample_scenarios();
    files.push_back(sample_game::scale_scenario(1, 2));
    std::vector<std::string> names;
    for (const sample_game::ScenarioFile& file : files)
        names.push_back(file.name);
    for (const sample_game::ScenarioFile& file : files) {
        const SeenVerdict v = verify_seen(translate(file.bytes, names).seen);
        EXPECT_TRUE(v.walked && v.faults.empty())
            << file.name << ": " << seen_finding_line(v.faults.front(), true);
        EXPECT_GT(v.instructions, 10u) << file.name;
    }
}

TEST(SeenVerifyTool, CheckShowsEachFaultWithItsInstruction) {
    // A condition whose target lies beyond the body, then a menu of one item
    // whose count byte says 3, and a fixed header byte changed.
    Bytes body = hex("15 28 3A 11 11 29 00 04 00 00 58 01 27 3E 22 00 FF 41 00 00 23 1E 03 27 3E");
    const Bytes target = le32(0);
    body.insert(body.end(), target.begin(), target.end());
    Bytes file = seen(body);
    file[40] = 0;
    std::string lines;
    for (const SeenFinding& f : verify_seen(file).faults)
        lines += seen_finding_line(f, true, "fault: ") + "\n";
    EXPECT_EQ(lines,
              "header: fault: header byte 40 is 0x00, not 0x01\n"
              "0x0000: if v1 == 1 jump 0x0400 (outside the body): fault: target 0x0400 is "
              "outside the body (0x001D bytes)\n"
              "0x000A: bytes 58 01 27 3E 22 00 FF 41 ...: fault: menu count byte 3, but 1 item\n");
}

}  // namespace
