// SPDX-License-Identifier: GPL-2.0-or-later
// The tests' seeded generator and noise, from the test kit.
#pragma once

#include "gamekit/gamekit.h"

using gamekit::noise;
using gamekit::Random;
