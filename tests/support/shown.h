// SPDX-License-Identifier: GPL-2.0-or-later
// The messages a library call handed up, as the console shows them.
#pragma once

#include <string>

#include "base/console.h"

// The messages of `said`, standard output's and standard error's each in
// order, as the console shows them (code page 932 bytes, system text as it
// is); the list is emptied.
inline std::string shown(Diagnostics& said, std::string* errors = nullptr) {
    std::string text;
    console_capture(&text);
    console_capture_errors(errors);
    console_drain(said);
    console_capture(nullptr);
    console_capture_errors(nullptr);
    return text;
}
