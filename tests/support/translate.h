// SPDX-License-Identifier: GPL-2.0-or-later
// Shared helpers of the scenario tests: translate an assembled SIO program
// with a fresh translator and look at the SEEN body and the console.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gamekit/seen_build.h"
#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"
#include "scenario/translator.h"
#include "support/shown.h"

namespace scenario_test {

using Bytes = std::vector<std::uint8_t>;

struct Translation {
    std::unique_ptr<Translator> translator;
    Bytes seen;  // the whole SEEN file
    Bytes body;  // the SEEN file without its 99-byte header
    std::string console;
};

// Translates `sio` with a fresh translator whose scenario list is `scenarios`;
// the SIO buffer past the data holds `fill`, which no read may see.
inline Translation translate(const Bytes& sio, const std::vector<std::string>& scenarios = {},
                             std::uint8_t fill = 0) {
    Translation result;
    result.translator = std::make_unique<Translator>();
    Translator& t = *result.translator;
    t.scenarios = scenarios;
    std::fill(t.sio.begin(), t.sio.end(), fill);
    Diagnostics said;
    translate_sio(t, sio, said);
    result.console = shown(said);
    result.seen.assign(t.OutBuffer.begin(), t.OutBuffer.begin() + seen_size(t));
    result.body.assign(result.seen.begin() + kSeenHeaderSize, result.seen.end());
    return result;
}

inline Translation translate(const gamekit::Sio& sio,
                             const std::vector<std::string>& scenarios = {}) {
    return translate(sio.build(), scenarios);
}

// The SEEN file of a body: its header, then the body.
inline Bytes seen(const Bytes& body) {
    return gamekit::seen_file(body);
}

// Bytes from a string of hexadecimal pairs such as "1C 05 00 00 00".
inline Bytes hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// Little-endian bytes of a body offset.
inline Bytes le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace scenario_test
