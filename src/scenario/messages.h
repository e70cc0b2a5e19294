// SPDX-License-Identifier: GPL-2.0-or-later
// The scenario translator's Japanese texts, as code page 932 bytes.
#pragma once

namespace scenario_msg {

// "変換に失敗しました.\n"
inline constexpr char kConversionFailed[] =
    "\x95\xCF\x8A\xB7\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\n";

}  // namespace scenario_msg
