// SPDX-License-Identifier: GPL-2.0-or-later
// The scenario set: every MES/*.SIO file of the game becomes "SEEN%03d.TXT".
#pragma once

#include <string>

#include "base/status.h"
#include "scenario/translator.h"

namespace msconv::base {
struct FileSearch;
}  // namespace msconv::base
namespace msconv::package {
struct Package;
}  // namespace msconv::package

namespace msconv::scenario {

// Fills the scenario list from "*.SIO" of every folder of the game named MES
// in any case (base::find_first_game_file), in search order,
// with MAIN.SIO exchanged into slot 1. A file whose name has no code page 932
// form fit for a package entry is reported (and counted in the package) and
// takes no slot; names that upper-case alike take a slot each, with a warning.
void build_scenario_list(Translator& translator, package::Package& package,
                         base::FileSearch& search, const std::string& game_folder);

// Translates every listed file in slot order into the entry "SEEN%03d.TXT";
// stops at the first file that sets the conversion-failed flag and then
// returns translation_failed.
base::Status translate_scenarios(Translator& translator, package::Package& package);

}  // namespace msconv::scenario
