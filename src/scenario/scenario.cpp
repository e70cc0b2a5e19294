// SPDX-License-Identifier: GPL-2.0-or-later
#include "scenario/scenario.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/console.h"
#include "base/names.h"
#include "base/search.h"
#include "package/package.h"
#include "platform/platform.h"
#include "scenario/seen_verify.h"

namespace msconv::scenario {

void build_scenario_list(Translator& t, package::Package& package, base::FileSearch& search,
                         const std::string& game_folder) {
    t.scenarios.clear();
    t.scenario_files.clear();
    // Every folder named MES in any case is read, as one folder.
    for (const char* name = base::find_first_game_file(search, game_folder, "MES", "*.SIO"); name;
         name = base::find_next_file(search)) {
        const std::string& folder = search.folder;
        std::string slot;
        if (!package::found_entry_name(package, package::Input::file, folder, name, slot)) continue;
        if (t.scenarios.size() == kMaxScenarios) {
            ++package.skipped;
            base::console_show("********** More than 999 scenario files: %s skipped\n",
                               {base::as_system(folder + name)});
            continue;
        }
        base::upper_case_name(slot.data());
        // Two files whose names upper-case alike both take a slot; a jump by
        // that name reaches the first.
        for (std::size_t k = 0; k < t.scenarios.size(); ++k) {
            if (t.scenarios[k] == slot) {
                base::console_show(
                    "********** Duplicate scenario %s: %s and %s (both kept)\n",
                    {slot, base::as_system(t.scenario_files[k]), base::as_system(folder + name)});
                break;
            }
        }
        t.scenarios.push_back(slot);
        t.scenario_files.push_back(folder + name);
        if (slot == "MAIN.SIO" && t.scenarios.size() != 1) {
            std::swap(t.scenarios.front(), t.scenarios.back());
            std::swap(t.scenario_files.front(), t.scenario_files.back());
        }
    }
}

base::Status translate_scenarios(Translator& t, package::Package& package) {
    std::vector<std::uint8_t> data;
    for (std::size_t k = 1; k <= t.scenarios.size(); ++k) {
        const std::string& path = t.scenario_files[k - 1];
        std::string reason;
        const platform::ReadStatus status =
            platform::read_file(path, data, kSioBufferSize, &reason);
        if (status != platform::ReadStatus::ok) {
            // The slot number stays taken: no SEEN file carries it.
            package::skip_input(package, package::Input::file, path,
                                package::read_failure(status, reason, kSioBufferSize));
            continue;
        }
        std::memcpy(t.sio.data(), data.data(), data.size());
        t.sio_length = static_cast<std::int32_t>(data.size());
        translate_scenario_file(t);
        if (t.conversion_failed) return base::Status::translation_failed;
        if (t.verify) {
            const std::string warning =
                seen_verify_warning({t.OutBuffer.data(), static_cast<std::size_t>(seen_size(t))});
            if (!warning.empty())
                base::console_show_error("msconv: %s: %s %s\n",
                                         {base::as_system(path),
                                          seen_entry_name(static_cast<std::int32_t>(k)), warning});
        }
        package::add_package_entry(package, seen_entry_name(static_cast<std::int32_t>(k)).c_str(),
                                   t.OutBuffer.data(), static_cast<std::size_t>(seen_size(t)),
                                   path.c_str());
    }
    return base::Status::ok;
}

}  // namespace msconv::scenario
