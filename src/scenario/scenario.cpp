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

namespace {

std::string mes_folder(const std::string& game_folder) {
    return game_folder + "MES" + platform::kSeparator;
}

}  // namespace

void build_scenario_list(Translator& t, FileSearch& search, const std::string& game_folder) {
    t.scenarios.clear();
    for (const char* name = find_first_file(search, mes_folder(game_folder) + "*.SIO"); name;
         name = find_next_file(search)) {
        if (t.scenarios.size() == kMaxScenarios) {
            console_print("********** More than 999 scenario files: %s skipped\n", name);
            continue;
        }
        std::string slot = base_name(name);
        upper_case_name(slot.data());
        t.scenarios.push_back(slot);
        if (slot == "MAIN.SIO" && t.scenarios.size() != 1) {
            std::swap(t.scenarios.front(), t.scenarios.back());
        }
    }
}

Status translate_scenarios(Translator& t, Package& package, const std::string& game_folder) {
    std::vector<std::uint8_t> data;
    for (std::size_t k = 1; k <= t.scenarios.size(); ++k) {
        const std::string path = mes_folder(game_folder) + t.scenarios[k - 1];
        switch (platform::read_file(path, data, kSioBufferSize)) {
            case platform::ReadStatus::ok:
                break;
            case platform::ReadStatus::too_large:
                console_print("********** %s is larger than 65536 bytes: skipped\n", path.c_str());
                continue;
            case platform::ReadStatus::cannot_open:
            case platform::ReadStatus::empty:
            case platform::ReadStatus::no_memory:
            case platform::ReadStatus::read_error:
                // Skipped without a message, like a file that cannot be
                // opened; the slot number stays taken.
                continue;
        }
        std::memcpy(t.sio.data(), data.data(), data.size());
        t.sio_length = static_cast<std::int32_t>(data.size());
        translate_scenario_file(t);
        if (t.conversion_failed) return Status::translation_failed;
        char name[16];
        std::snprintf(name, sizeof name, "SEEN%03zu.TXT", k);
        add_package_entry(package, name, t.OutBuffer.data(), static_cast<std::size_t>(seen_size(t)),
                          path.c_str());
    }
    return Status::ok;
}
