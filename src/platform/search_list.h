// SPDX-License-Identifier: GPL-2.0-or-later
// The listing behind a search, shared by the POSIX and the Win32
// implementation (name_order.cpp): a search takes the whole listing of its
// folders at once, so that it knows how many files it holds.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/platform.h"

namespace msconv::platform {

struct Search {
    std::vector<Match> matches;
    std::size_t next = 0;
};

}  // namespace msconv::platform
