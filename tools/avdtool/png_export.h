// SPDX-License-Identifier: GPL-2.0-or-later
// PDT10 pictures as RGBA PNG files, so that a user can look at what the
// player will show. The PNG is written by our own few lines over zlib, so
// that the Windows build needs only the zlib that Debian ships for MinGW.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/pdt10.h"

// An 8-bit RGBA PNG of `width` x `height` pixels from `rgba` (4 bytes a
// pixel, rows top to bottom). False when the picture is empty or too large.
bool encode_png(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgba,
                std::vector<std::uint8_t>& png);

// The PDT10 picture `entry` as an RGBA PNG, and the picture read from it;
// `transparent`, when given, tells whether any pixel is not opaque. False,
// with a reason in `error`, when the entry is not a PDT10 picture or its
// planes are empty (PNG has no empty images).
bool pdt10_png(std::span<const std::uint8_t> entry, std::vector<std::uint8_t>& png,
               Pdt10Picture& picture, std::string& error, bool* transparent = nullptr);

// True when a pixel of the RGBA picture is not fully opaque.
bool has_transparency(std::span<const std::uint8_t> rgba);
