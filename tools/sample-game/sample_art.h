// SPDX-License-Identifier: GPL-2.0-or-later
// The sample game's pictures: scenes, screens, a map of cells and character
// sprites with their shadow masks, drawn from flat shapes and gradients with
// integer arithmetic only, so every run gives the same bytes.
#pragma once

#include <string>
#include <vector>

#include "gamekit/picture_encode.h"

namespace sample_game {

// The picture file formats: flag-coded files hold at most 256 colours.
enum class Format { flag_coded, run_length };

// One picture of CG, ENDING or SYSTEM and the file it is stored in.
struct Artwork {
    const char* folder;
    const char* name;
    Format format;
    DecodedPicture picture;
};

// The pictures of CG, ENDING and SYSTEM. The scenarios show BG01, BG02, EV01
// and END01 as backgrounds; the screen set-up names WINDOW and OTHER_01.
// STAMP, WINDOW, OTHER_01 and CIP_MAP have pure-green (transparent) parts.
std::vector<Artwork> artworks();

// A landscape for the scale option: 640 x 480, sky, sun and hills chosen by
// `seed`; with `with_key`, a pure-green inset (a window onto what lies behind).
DecodedPicture scenery(unsigned seed, bool with_key);

// Which part of a character a sprite shows: the head with the face (F
// sprites), the body below it (B sprites of characters that have F sprites),
// or the whole figure (other B sprites and the single sprites).
enum class SpritePart { face, body, whole };

struct Sprite {
    DecodedPicture picture;
    ShadowMask mask;  // opacity 0 to 15; 0 around the figure, softened edges
};

// A figure of the character with the three-letter `code` (its hair, skin and
// clothes follow from the code), 160 x 240 pixels times `scale`. `number`
// picks the expression (face) and the outfit (body); the outline, and so the
// mask, depends only on the code, the part and the scale, which lets sprites
// of one character share a mask.
Sprite character_sprite(const std::string& code, SpritePart part, unsigned number, unsigned scale);

}  // namespace sample_game
