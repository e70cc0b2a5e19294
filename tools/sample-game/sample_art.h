// SPDX-License-Identifier: GPL-2.0-or-later
// The sample game's pictures: scenes, screens, a map of cells and character
// sprites with their shadow masks, drawn from flat shapes and gradients with
// integer arithmetic only, so every run gives the same bytes.
#pragma once

#include <cstdint>
#include <string>

#include "gamekit/picture_encode.h"

namespace sample_game {

using namespace gamekit;

// ---- Pictures of CG, ENDING and SYSTEM -------------------------------------------

// CG: a morning sky over hills with a house (640 x 480).
RgbPicture morning_hills();
// CG: a town at dusk, houses with lit windows under a moon (640 x 480).
RgbPicture town_at_dusk();
// CG: two figures on a river bank at sunset, fireflies over the water (640 x 480).
RgbPicture riverside_sunset();
// ENDING: a starry night with "END" in large letters (640 x 480).
RgbPicture night_end();
// ENDING: a heart stamp on a pure-green (transparent) ground (128 x 128).
RgbPicture heart_stamp();
// SYSTEM: the title screen with "SAMPLE GAME" (640 x 480).
RgbPicture title_screen();
// SYSTEM: the message window, its rounded corners pure green (640 x 128).
RgbPicture message_window();
// SYSTEM: two buttons on a pure-green ground (96 x 48).
RgbPicture window_buttons();
// SYSTEM: the map cells (96 x 144): twelve ground tiles, a row of markers
// partly pure green, the row that the converter's darkened cell copy
// overwrites at its left, and a transparent strip at the bottom.
RgbPicture map_cells();
// A landscape for the scale option: 640 x 480, sky, sun and hills chosen by
// `seed`; with `with_key`, a pure-green inset (a window onto what lies behind).
RgbPicture scenery(unsigned seed, bool with_key);

// ---- Character sprites -------------------------------------------------------------

// Which part of a character a sprite shows: the head with the face (F
// sprites), the body below it (B sprites of characters that have F sprites),
// or the whole figure (other B sprites and the single sprites).
enum class SpritePart { face, body, whole };

struct Sprite {
    RgbPicture picture;
    MaskPicture mask;  // opacity 0 to 15; 0 around the figure, softened edges
};

// A figure of the character with the three-letter `code` (its hair, skin and
// clothes follow from the code), 160 x 240 pixels times `scale`. `number`
// picks the expression (face) and the outfit (body); the outline, and so the
// mask, depends only on the code, the part and the scale, which lets sprites
// of one character share a mask.
Sprite character_sprite(const std::string& code, SpritePart part, unsigned number, unsigned scale);

}  // namespace sample_game
