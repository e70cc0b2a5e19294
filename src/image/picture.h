// SPDX-License-Identifier: GPL-2.0-or-later
// The full-colour pictures of CG, ENDING and SYSTEM as PDT10 pictures:
// halved with pure green as the transparent key, and the darkened map cell
// of "CIP_MAP.PDT".
#pragma once

#include <cstdint>

#include "image/pdt10.h"
#include "image/picture_decode.h"

// The cell of "CIP_MAP.PDT" that gets a darkened copy 12 rows lower.
inline constexpr char kMapPictureName[] = "CIP_MAP.PDT";
inline constexpr std::uint32_t kMapCellTop = 42;
inline constexpr std::uint32_t kMapCellSize = 12;

// Halves `picture` by averaging 2 x 2 blocks, pure green counting as
// transparent black. The entry keeps the alpha plane only when some pixel
// is transparent. False when the block cannot be allocated.
bool convert_picture_to_pdt10(const DecodedPicture& picture, Pdt10Block& block);

// Writes the darkened copy of the map cell (12 x 12 from row 42) into the
// cell 12 rows lower. Does nothing for planes smaller than 12 x 66.
void darken_map_cell(Pdt10Block& block);
