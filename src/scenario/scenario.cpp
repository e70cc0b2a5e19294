// SPDX-License-Identifier: GPL-2.0-or-later
#include "scenario/scenario.h"

#include <utility>

#include "base/names.h"

bool list_scenario(Translator& t, std::string slot, const std::string& path, Diagnostics& said) {
    if (t.scenarios.size() == kMaxScenarios) {
        note(said, "********** More than 999 scenario files: %s skipped\n", {as_system(path)});
        return false;
    }
    upper_case_name(slot.data());
    // Two files whose names upper-case alike both take a slot; a jump by
    // that name reaches the first.
    for (std::size_t k = 0; k < t.scenarios.size(); ++k) {
        if (t.scenarios[k] == slot) {
            note(said, "********** Duplicate scenario %s: %s and %s (both kept)\n",
                 {slot, as_system(t.scenario_files[k]), as_system(path)});
            break;
        }
    }
    t.scenarios.push_back(slot);
    t.scenario_files.push_back(path);
    if (slot == "MAIN.SIO" && t.scenarios.size() != 1) {
        std::swap(t.scenarios.front(), t.scenarios.back());
        std::swap(t.scenario_files.front(), t.scenario_files.back());
    }
    return true;
}
