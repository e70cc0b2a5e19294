// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of the scenario translator: one SIO file, with a scenario list
// taken from the input (see fuzz_input.h), translated by a fresh Translator.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/names.h"
#include "fuzz_input.h"
#include "scenario/translator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz_input::ScenarioInput input = fuzz_input::split_scenario_input({data, size});
    auto t = std::make_unique<Translator>();
    for (std::string name : input.names) {
        // The list holds upper-cased names, as the folder search fills it.
        upper_case_name(name.data());
        t->scenarios.push_back(name);
    }
    // Any length: translate_sio reads its first kSioBufferSize bytes.
    Diagnostics said;
    translate_sio(*t, input.sio, said);

    // The SEEN file is whole and its header counts its body.
    const std::int32_t seen = seen_size(*t);
    if (seen < kSeenHeaderSize || seen > kOutBufferSize) std::abort();
    const std::uint8_t* length = &t->OutBuffer[95];
    const std::uint32_t body =
        length[0] | length[1] << 8 | length[2] << 16 | static_cast<std::uint32_t>(length[3]) << 24;
    if (body != static_cast<std::uint32_t>(seen - kSeenHeaderSize)) std::abort();
    return 0;
}
