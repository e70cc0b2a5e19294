// SPDX-License-Identifier: GPL-2.0-or-later
// The sample game's scenarios, assembled with the test kit's SIO assembler.
#pragma once

#include <string>
#include <vector>

#include "gamekit/gamekit.h"

namespace sample_game {

struct ScenarioFile {
    std::string name;  // as stored in MES
    gamekit::Bytes bytes;
};

// The four scenarios of the sample: MAIN.SIO (the morning, a menu of three
// ways), extra.sio (stored in lower case: variables, comparisons, the choice
// loop, a value switch, screen set-ups, a jump to a file that does not
// exist), ARCADE.SIO (the shopping street: single sprites, sound effects, a
// command that shows three characters at once) and RIVER.SIO (the river at
// sunset: character 6's many sprites, the ending). Together they use every
// command of the game. Throws std::runtime_error on a text that is not all
// double-byte characters.
std::vector<ScenarioFile> sample_scenarios();

// Scenario `index` (1 to `count`) of the scale option, named "SCN%03d.SIO":
// two dozen short scenes with the sample's characters and backgrounds, ending
// in a jump to the next one (the last one jumps back to MAIN.SIO).
ScenarioFile scale_scenario(unsigned index, unsigned count);

}  // namespace sample_game
