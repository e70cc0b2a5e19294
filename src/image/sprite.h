// SPDX-License-Identifier: GPL-2.0-or-later
// Character sprites: a picture of CHAR combined with the opacity of its
// shadow mask from SHADOW into a PDT10 picture that always has an alpha plane,
// and the rule that names the mask of a sprite.
#pragma once

#include <cstddef>
#include <string>

#include "image/pdt10.h"
#include "image/picture_decode.h"

// Size of the work copy of a sprite name that the shadow-name rule edits.
inline constexpr std::size_t kShadowNameBufferSize = 260;

// The name of the shadow mask in SHADOW that belongs to a sprite file name
// (as the search returns it, extension included).
std::string shadow_name(const std::string& sprite_name);

// Combines a sprite with its mask at half size. The mask is read with the
// sprite's width as its row length; positions past the mask's own size count
// as 0 and values above 15 as 15. False when the block cannot be allocated.
bool convert_sprite_to_pdt10(const DecodedPicture& sprite, const ShadowMask& mask,
                             Pdt10Block& block);
