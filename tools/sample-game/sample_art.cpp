// SPDX-License-Identifier: GPL-2.0-or-later
#include "sample-game/sample_art.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace sample_game {

using namespace gamekit;

namespace {

constexpr std::uint8_t channel(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}
constexpr Bgr rgb(int red, int green, int blue) {
    return Bgr{channel(blue), channel(green), channel(red)};
}
// `a` moved num/den of the way towards `b`.
Bgr mix(Bgr a, Bgr b, int num, int den) {
    auto one = [&](int x, int y) { return channel(x + (y - x) * num / den); };
    return Bgr{one(a.blue, b.blue), one(a.green, b.green), one(a.red, b.red)};
}

// ---- Painting on a picture --------------------------------------------------------

// Coordinates are multiplied by `scale`; where a mask is given, every
// painted pixel is marked opaque in it.
struct Canvas {
    DecodedPicture& picture;
    ShadowMask* mask = nullptr;
    int scale = 1;
    void put(int x, int y, Bgr colour) const {
        if (x < 0 || y < 0 || x >= static_cast<int>(picture.width) ||
            y >= static_cast<int>(picture.height)) {
            return;
        }
        gamekit::set_pixel(picture, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                           colour);
        if (mask) mask->values[static_cast<std::size_t>(y) * mask->width + x] = 15;
    }
    void rect(int x0, int y0, int x1, int y1, Bgr c) const {
        for (int y = y0 * scale; y < y1 * scale; ++y) {
            for (int x = x0 * scale; x < x1 * scale; ++x)
                put(x, y, c);
        }
    }
    void ellipse(int cx, int cy, int rx, int ry, Bgr c) const {
        cx *= scale, cy *= scale, rx *= scale, ry *= scale;
        const std::int64_t rx2 = std::int64_t{rx} * rx;
        const std::int64_t ry2 = std::int64_t{ry} * ry;
        for (int dy = -ry; dy <= ry; ++dy) {
            for (int dx = -rx; dx <= rx; ++dx) {
                if (dx * dx * ry2 + dy * dy * rx2 <= rx2 * ry2) put(cx + dx, cy + dy, c);
            }
        }
    }
    void circle(int cx, int cy, int r, Bgr c) const { ellipse(cx, cy, r, r, c); }
    // Rows y0 to y1 - 1 centred on cx, half width going from half0 to half1.
    void trapezoid(int cx, int y0, int y1, int half0, int half1, Bgr c) const {
        cx *= scale, y0 *= scale, y1 *= scale, half0 *= scale, half1 *= scale;
        const int rows = std::max(1, y1 - y0 - 1);
        for (int y = y0; y < y1; ++y) {
            const int half = half0 + (half1 - half0) * (y - y0) / rows;
            for (int x = cx - half; x < cx + half; ++x)
                put(x, y, c);
        }
    }
    // Rows y0 to y1 - 1 across the picture from `top` to `bottom` in bands of
    // `band` rows, so that a picture keeps to a few dozen colours.
    void gradient(int y0, int y1, Bgr top, Bgr bottom, int band) const {
        const int bands = std::max(2, (y1 - y0 + band - 1) / band);
        for (int y = y0; y < y1; ++y)
            rect(0, y, static_cast<int>(picture.width), y + 1,
                 mix(top, bottom, (y - y0) / band, bands - 1));
    }
    // Ground below a line of hills: each hill is (centre, height, flatness),
    // a parabola rising `height` above `base`.
    void hills(int base, const std::vector<std::array<int, 3>>& list, Bgr c) const {
        const int width = static_cast<int>(picture.width);
        for (int x = 0; x < width; ++x) {
            int rise = 0;
            for (const auto& [centre, height, flat] : list) {
                rise = std::max(rise, height - (x - centre) * (x - centre) / flat);
            }
            rect(x, base - rise, x + 1, static_cast<int>(picture.height), c);
        }
    }
    void text(int x, int y, int scale, const std::string& letters, Bgr c) const;
};

// ---- Letters: a 5 x 7 font of the letters the pictures use ------------------------

struct Glyph {
    char letter;
    std::array<const char*, 7> rows;
};

// clang-format off
constexpr Glyph kFont[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'G', {" ####", "#    ", "#    ", "#  ##", "#   #", "#   #", " ####"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
};
// clang-format on

// Each letter is 5 x 7 cells of `scale` pixels, one empty column between
// letters; a space is as wide as a letter.
void Canvas::text(int x, int y, int scale, const std::string& letters, Bgr c) const {
    for (char letter : letters) {
        for (const Glyph& glyph : kFont) {
            if (glyph.letter != letter) continue;
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (glyph.rows[row][col] != '#') continue;
                    rect(x + col * scale, y + row * scale, x + (col + 1) * scale,
                         y + (row + 1) * scale, c);
                }
            }
        }
        x += 6 * scale;
    }
}

// Letters centred across the picture over their shadow, half a cell down and right.
void centred_text(const Canvas& c, int y, int scale, const std::string& letters, Bgr colour,
                  Bgr shadow) {
    const int width = static_cast<int>(letters.size()) * 6 * scale - scale;
    const int x = (static_cast<int>(c.picture.width) - width) / 2;
    c.text(x + scale / 2, y + scale / 2, scale, letters, shadow);
    c.text(x, y, scale, letters, colour);
}

void small_house(const Canvas& c, int x, int ground, Bgr wall, Bgr roof) {
    c.rect(x - 40, ground - 60, x + 40, ground, wall);
    c.trapezoid(x, ground - 104, ground - 58, 0, 50, roof);
    c.rect(x - 10, ground - 35, x + 10, ground, rgb(120, 80, 50));
    c.rect(x - 32, ground - 45, x - 16, ground - 29, rgb(120, 170, 220));
    c.rect(x + 16, ground - 45, x + 32, ground - 29, rgb(120, 170, 220));
}

void tree(const Canvas& c, int x, int ground, Bgr crown) {
    c.rect(x - 6, ground - 40, x + 6, ground, rgb(110, 75, 45));
    c.ellipse(x, ground - 62, 30, 34, crown);
    c.ellipse(x - 10, ground - 72, 12, 10, mix(crown, rgb(255, 255, 200), 1, 4));
}

void cloud(const Canvas& c, int x, int y, int size) {
    const Bgr white = rgb(245, 248, 252);
    c.ellipse(x, y, size, size * 2 / 5, white);
    c.ellipse(x - size * 3 / 5, y + size / 5, size * 2 / 3, size / 4, white);
    c.ellipse(x + size * 7 / 10, y + size / 5, size * 3 / 4, size / 4, white);
}

// A figure seen against the light: head, body and feet.
void silhouette(const Canvas& c, int x, int feet, int size, Bgr colour) {
    c.circle(x, feet - size * 5, size, colour);
    c.trapezoid(x, feet - size * 4, feet - size / 2, size * 2 / 3, size * 3 / 2, colour);
    c.rect(x - size / 2 - 2, feet - size / 2, x - 2, feet, colour);
    c.rect(x + 2, feet - size / 2, x + size / 2 + 2, feet, colour);
}

// ---- Pictures ------------------------------------------------------------------------

// A morning sky over hills with a house.
void morning_hills(const Canvas& c) {
    c.gradient(0, 330, rgb(70, 130, 220), rgb(190, 220, 245), 4);
    c.circle(510, 90, 46, rgb(255, 236, 180));
    c.circle(510, 90, 38, rgb(255, 248, 225));
    cloud(c, 150, 80, 50);
    cloud(c, 340, 140, 36);
    c.hills(310, {{{120, 60, 90}, {330, 40, 160}, {560, 70, 70}}}, rgb(120, 175, 130));
    c.hills(380, {{{60, 30, 120}, {420, 50, 200}}}, rgb(80, 150, 85));
    c.gradient(430, 480, rgb(80, 150, 85), rgb(60, 120, 65), 10);
    c.trapezoid(330, 350, 480, 4, 70, rgb(215, 195, 150));
    small_house(c, 170, 370, rgb(240, 230, 210), rgb(180, 70, 60));
    tree(c, 450, 380, rgb(50, 120, 60));
    tree(c, 540, 400, rgb(60, 135, 70));
}

// A town at dusk, houses with lit windows under a moon.
void town_at_dusk(const Canvas& c) {
    c.gradient(0, 380, rgb(50, 45, 110), rgb(245, 150, 95), 4);
    Random stars(7);
    for (int i = 0; i < 40; ++i) {
        const int x = stars.below(640);
        const int y = stars.below(140);
        c.rect(x, y, x + 2, y + 2, rgb(255, 250, 225));
    }
    c.circle(110, 80, 28, rgb(250, 245, 215));
    c.circle(100, 74, 6, rgb(230, 225, 195));
    const int heights[] = {180, 240, 150, 210, 270, 160, 230, 190, 250, 170};
    for (int i = 0; i < 10; ++i) {
        const int x0 = i * 64 + 3;
        const int top = 420 - heights[i];
        c.rect(x0, top, x0 + 58, 420, mix(rgb(35, 30, 55), rgb(70, 55, 90), i % 3, 2));
        for (int row = 0; row * 26 + 20 < heights[i] - 20; ++row) {
            for (int col = 0; col < 3; ++col) {
                const bool lit = (i * 7 + row * 3 + col * 5) % 4 != 0;
                const int wx = x0 + 8 + col * 17;
                const int wy = top + 16 + row * 26;
                c.rect(wx, wy, wx + 10, wy + 14, lit ? rgb(255, 215, 120) : rgb(60, 55, 85));
            }
        }
    }
    c.rect(0, 420, 640, 480, rgb(50, 45, 60));
    c.rect(0, 440, 640, 444, rgb(200, 190, 150));
    for (int x = 40; x < 640; x += 160) {
        c.rect(x - 2, 340, x + 2, 440, rgb(30, 30, 40));
        c.circle(x, 336, 9, rgb(255, 235, 160));
    }
}

// Two figures on a river bank at sunset, fireflies over the water.
void riverside_sunset(const Canvas& c) {
    c.gradient(0, 280, rgb(110, 60, 130), rgb(255, 200, 120), 4);
    c.circle(320, 262, 52, rgb(255, 150, 60));
    c.circle(320, 262, 44, rgb(255, 185, 90));
    c.hills(280, {{{90, 30, 60}, {520, 24, 90}}}, rgb(90, 55, 80));
    for (int y = 280; y < 400; ++y) {
        const int band = (y - 280) / 6;
        c.rect(0, y, 640, y + 1, band % 2 ? rgb(200, 110, 95) : rgb(165, 90, 105));
    }
    for (int y = 284; y < 396; y += 8) {
        const int half = 60 - (y - 284) / 3;
        c.rect(320 - half, y, 320 + half, y + 3, rgb(255, 190, 110));
    }
    c.hills(400, {{{150, 14, 200}, {470, 10, 300}}}, rgb(60, 45, 60));
    silhouette(c, 240, 410, 14, rgb(40, 28, 48));
    silhouette(c, 290, 410, 13, rgb(40, 28, 48));
    c.rect(0, 440, 640, 480, rgb(45, 35, 50));
    Random flies(11);
    for (int i = 0; i < 28; ++i) {
        const int x = flies.below(640);
        const int y = 290 + flies.below(100);
        c.rect(x - 1, y - 1, x + 3, y + 3, rgb(200, 210, 120));
        c.rect(x, y, x + 2, y + 2, rgb(235, 255, 150));
    }
}

// A starry night with "END" in large letters.
void night_end(const Canvas& c) {
    c.gradient(0, 480, rgb(10, 15, 40), rgb(45, 40, 95), 8);
    Random stars(23);
    for (int i = 0; i < 90; ++i) {
        const int x = stars.below(640);
        const int y = stars.below(480);
        const Bgr colour = i % 3 ? rgb(255, 250, 220) : rgb(180, 195, 255);
        c.put(x, y, colour);
        if (i % 4 == 0) {
            c.rect(x - 2, y, x + 3, y + 1, colour);
            c.rect(x, y - 2, x + 1, y + 3, colour);
        }
    }
    centred_text(c, (480 - 7 * 16) / 2, 16, "END", rgb(250, 230, 160), rgb(20, 20, 55));
}

// A heart stamp.
void heart_stamp(const Canvas& c) {
    const Bgr rim = rgb(250, 240, 245);
    c.circle(44, 48, 28, rim);
    c.circle(84, 48, 28, rim);
    c.trapezoid(64, 50, 120, 48, 0, rim);
    const Bgr red = rgb(220, 50, 80);
    c.circle(44, 48, 24, red);
    c.circle(84, 48, 24, red);
    c.trapezoid(64, 52, 112, 44, 0, red);
    c.ellipse(38, 40, 9, 6, rgb(255, 190, 205));
}

// The title screen with "SAMPLE GAME" under a moon.
void title_screen(const Canvas& c) {
    c.gradient(0, 480, rgb(30, 40, 90), rgb(130, 95, 165), 4);
    c.circle(320, 160, 104, rgb(200, 185, 230));
    c.circle(320, 160, 96, rgb(250, 240, 205));
    c.circle(290, 130, 18, rgb(235, 222, 185));
    c.circle(350, 190, 12, rgb(235, 222, 185));
    c.circle(345, 115, 8, rgb(235, 222, 185));
    centred_text(c, 290, 10, "SAMPLE", rgb(255, 225, 140), rgb(25, 25, 60));
    centred_text(c, 380, 10, "GAME", rgb(255, 225, 140), rgb(25, 25, 60));
}

// The message window with rounded corners.
void message_window(const Canvas& c) {
    auto rounded = [&](int inset, int radius, Bgr colour) {
        const int x0 = inset, y0 = inset, x1 = 640 - inset, y1 = 128 - inset;
        c.rect(x0 + radius, y0, x1 - radius, y1, colour);
        c.rect(x0, y0 + radius, x1, y1 - radius, colour);
        for (int x : {x0 + radius, x1 - radius - 1}) {
            for (int y : {y0 + radius, y1 - radius - 1})
                c.circle(x, y, radius, colour);
        }
    };
    rounded(0, 18, rgb(225, 225, 245));
    rounded(4, 14, rgb(30, 40, 90));
    c.rect(24, 10, 616, 12, rgb(80, 100, 170));
    c.rect(24, 116, 616, 118, rgb(20, 28, 70));
}

// Two buttons: "next" (a triangle) and "stop" (a square).
void window_buttons(const Canvas& c) {
    for (int x : {24, 72}) {
        c.circle(x, 24, 20, rgb(240, 240, 255));
        c.circle(x, 24, 17, rgb(60, 90, 170));
    }
    for (int dx = 0; dx < 15; ++dx) {
        const int half = 10 - dx * 10 / 15;
        c.rect(18 + dx, 24 - half, 19 + dx, 24 + half, rgb(255, 255, 255));
    }
    c.rect(65, 17, 79, 31, rgb(255, 255, 255));
}

// One 24 x 24 map cell of `kind` (0 to 11) at column `col` and row `row`.
void map_tile(const Canvas& c, int col, int row, int kind) {
    const int x = col * 24;
    const int y = row * 24;
    const Bgr grass = rgb(90, 170, 80), water = rgb(60, 120, 200), road = rgb(200, 180, 140),
              sand = rgb(230, 210, 150), wall = rgb(150, 150, 160), sea = rgb(30, 70, 150);
    const Bgr ground[] = {grass, water, road, sand,  grass, grass,
                          grass, water, wall, grass, sea,   grass};
    c.rect(x, y, x + 24, y + 24, ground[kind]);
    switch (kind) {
        case 0:  // grass with tufts
            for (int i = 0; i < 4; ++i) {
                c.rect(x + 3 + i * 5, y + 4 + (i % 2) * 10, x + 5 + i * 5, y + 8 + (i % 2) * 10,
                       rgb(60, 130, 55));
            }
            break;
        case 1:  // water with waves
            c.rect(x + 3, y + 6, x + 11, y + 8, rgb(150, 200, 240));
            c.rect(x + 12, y + 16, x + 21, y + 18, rgb(150, 200, 240));
            break;
        case 2:  // road
            c.rect(x, y, x + 24, y + 2, rgb(160, 140, 100));
            c.rect(x, y + 22, x + 24, y + 24, rgb(160, 140, 100));
            break;
        case 3:  // sand
            for (int i = 0; i < 6; ++i)
                c.put(x + 3 + i * 4, y + 5 + (i * 7) % 14, rgb(200, 175, 120));
            break;
        case 4:  // tree
            c.rect(x + 10, y + 14, x + 14, y + 22, rgb(110, 75, 45));
            c.circle(x + 12, y + 10, 8, rgb(40, 110, 50));
            break;
        case 5:  // house
            c.rect(x + 5, y + 11, x + 19, y + 21, rgb(240, 230, 210));
            c.trapezoid(x + 12, y + 3, y + 12, 0, 10, rgb(180, 70, 60));
            c.rect(x + 10, y + 15, x + 14, y + 21, rgb(120, 80, 50));
            break;
        case 6:  // flowers
            for (int i = 0; i < 5; ++i) {
                c.rect(x + 2 + i * 4, y + 3 + (i * 9) % 16, x + 4 + i * 4, y + 5 + (i * 9) % 16,
                       i % 2 ? rgb(250, 220, 60) : rgb(230, 60, 80));
            }
            break;
        case 7:  // bridge over water
            for (int i = 0; i < 6; ++i)
                c.rect(x + i * 4, y + 6, x + i * 4 + 3, y + 18, rgb(150, 100, 60));
            break;
        case 8:  // brick wall
            for (int r = 0; r < 4; ++r) {
                c.rect(x, y + r * 6, x + 24, y + r * 6 + 1, rgb(100, 100, 110));
                for (int b = (r % 2) * 4; b < 24; b += 8)
                    c.rect(x + b, y + r * 6, x + b + 1, y + r * 6 + 6, rgb(100, 100, 110));
            }
            break;
        case 9:  // field
            for (int r = 0; r < 6; ++r)
                c.rect(x, y + r * 4, x + 24, y + r * 4 + 4,
                       r % 2 ? rgb(150, 190, 70) : rgb(120, 160, 60));
            break;
        case 10:  // sea
            c.rect(x + 2, y + 10, x + 10, y + 11, rgb(220, 235, 255));
            c.rect(x + 14, y + 3, x + 22, y + 4, rgb(220, 235, 255));
            break;
        default:  // mountain
            c.trapezoid(x + 12, y + 2, y + 22, 0, 12, rgb(130, 120, 115));
            c.trapezoid(x + 12, y + 2, y + 8, 0, 4, rgb(250, 250, 255));
            break;
    }
}

// A row of markers at `y`, darkened by `shade` quarters. The first is the
// cursor, drawn only unshaded: the converter puts its darkened copy in the
// cell below it.
void map_markers(const Canvas& c, int y, int shade) {
    auto tint = [&](Bgr colour) { return mix(colour, rgb(0, 0, 0), shade, 4); };
    if (shade == 0) {
        c.rect(0, y, 24, y + 24, rgb(250, 220, 60));
        c.rect(3, y + 3, 21, y + 21, kKeyGreen);
    }
    c.rect(30, y + 3, 32, y + 22, tint(rgb(90, 70, 50)));
    for (int dx = 0; dx < 12; ++dx) {
        const int half = 5 - dx * 5 / 12;
        c.rect(32 + dx, y + 8 - half, 33 + dx, y + 8 + half, tint(rgb(230, 50, 60)));
    }
    c.circle(60, y + 12, 9, tint(rgb(250, 245, 130)));
    c.circle(60, y + 12, 4, tint(rgb(250, 200, 60)));
    c.circle(84, y + 12, 10, tint(rgb(70, 110, 220)));
    c.circle(84, y + 12, 6, kKeyGreen);
}

// The map cells: twelve ground tiles, a road, a row of markers partly pure
// green, the row that the converter's darkened cell copy overwrites at its
// left, and a transparent strip at the bottom.
void map_cells(const Canvas& c) {
    for (int kind = 0; kind < 12; ++kind)
        map_tile(c, kind % 4, kind / 4, kind);
    c.rect(0, 72, 96, 84, rgb(70, 55, 45));
    c.rect(0, 77, 96, 79, rgb(160, 130, 90));
    map_markers(c, 84, 0);
    map_markers(c, 108, 1);
    c.rect(0, 108, 24, 132, kKeyGreen);
}

// ---- Character sprites ----------------------------------------------------------------

struct Look {
    Bgr hair, skin, eyes;
    int style;  // 0 short hair, 1 long hair, 2 twin tails
    unsigned outfit;
};

Look look_of(const std::string& code) {
    static const Bgr kHair[] = {rgb(70, 45, 30),    rgb(230, 190, 100), rgb(40, 40, 65),
                                rgb(180, 80, 60),   rgb(205, 205, 220), rgb(120, 70, 140),
                                rgb(250, 160, 175), rgb(100, 65, 40)};
    static const Bgr kSkin[] = {rgb(255, 226, 204), rgb(246, 212, 182), rgb(236, 196, 162)};
    static const Bgr kEyes[] = {rgb(60, 90, 160), rgb(90, 60, 40), rgb(50, 130, 90),
                                rgb(150, 60, 70)};
    // Character 15 has no code: a stranger, dark hair, dark coat.
    if (code.empty()) return Look{rgb(30, 30, 40), rgb(236, 196, 162), rgb(40, 40, 50), 0, 6};
    unsigned hash = 7;
    for (char ch : code)
        hash = hash * 31 + static_cast<unsigned char>(ch);
    return Look{kHair[hash % 8], kSkin[(hash / 8) % 3], kEyes[(hash / 24) % 4],
                static_cast<int>((hash / 96) % 3), hash};
}

const Bgr kOutfits[] = {rgb(200, 60, 70),  rgb(60, 100, 190), rgb(245, 245, 250), rgb(70, 150, 90),
                        rgb(250, 200, 80), rgb(140, 90, 170), rgb(40, 50, 85)};
const Bgr kTrims[] = {rgb(250, 250, 250), rgb(40, 40, 60), rgb(230, 120, 150), rgb(90, 160, 210)};

void paint_hair_behind(const Canvas& c, const Look& look) {
    if (look.style == 1) c.rect(46, 58, 114, 150, look.hair);
    if (look.style == 2) {
        c.ellipse(38, 102, 12, 34, look.hair);
        c.ellipse(122, 102, 12, 34, look.hair);
        c.ellipse(50, 60, 6, 6, rgb(230, 80, 110));
        c.ellipse(110, 60, 6, 6, rgb(230, 80, 110));
    }
    c.ellipse(80, 58, 36, 40, look.hair);
}

void paint_body(const Canvas& c, const Look& look, unsigned number) {
    const Bgr outfit = kOutfits[(look.outfit + number) % 7];
    const Bgr trim = kTrims[number % 4];
    c.rect(73, 92, 87, 108, look.skin);
    c.ellipse(47, 140, 10, 34, outfit);
    c.ellipse(113, 140, 10, 34, outfit);
    c.ellipse(47, 176, 8, 8, look.skin);
    c.ellipse(113, 176, 8, 8, look.skin);
    c.trapezoid(80, 104, 186, 24, 36, outfit);
    c.trapezoid(80, 104, 122, 14, 0, trim);
    c.ellipse(74, 122, 6, 4, kOutfits[(number + 3) % 7]);
    c.ellipse(86, 122, 6, 4, kOutfits[(number + 3) % 7]);
    c.trapezoid(80, 180, 214, 36, 50, mix(outfit, trim, 1, 2));
    c.rect(66, 214, 76, 232, look.skin);
    c.rect(84, 214, 94, 232, look.skin);
    c.rect(63, 230, 78, 238, rgb(70, 45, 45));
    c.rect(82, 230, 97, 238, rgb(70, 45, 45));
}

void paint_head(const Canvas& c, const Look& look, unsigned number) {
    c.ellipse(80, 64, 29, 32, look.skin);
    c.ellipse(80, 42, 31, 14, look.hair);
    c.ellipse(60, 50, 9, 8, look.hair);
    c.ellipse(100, 50, 9, 8, look.hair);
    const Bgr dark = rgb(50, 35, 35);
    const Bgr white = rgb(255, 255, 255);
    const unsigned expression = number % 4;
    for (int x : {69, 91}) {
        switch (expression) {
            case 0:  // open eyes
                c.ellipse(x, 66, 5, 7, look.eyes);
                c.ellipse(x, 67, 2, 4, dark);
                c.rect(x - 3, 61, x - 1, 63, white);
                break;
            case 1:  // smiling, eyes closed in arcs
                for (int dx = -5; dx <= 5; ++dx) {
                    const int y = 64 + std::abs(dx) / 2;
                    c.rect(x + dx, y, x + dx + 1, y + 2, dark);
                }
                break;
            case 2:  // surprised
                c.ellipse(x, 66, 6, 8, white);
                c.ellipse(x, 66, 3, 4, look.eyes);
                break;
            default:  // calm
                c.rect(x - 5, 66, x + 5, 68, dark);
                break;
        }
    }
    if (expression < 2) {
        c.ellipse(62, 78, 6, 3, rgb(250, 175, 175));
        c.ellipse(98, 78, 6, 3, rgb(250, 175, 175));
    }
    const Bgr lips = rgb(175, 65, 75);
    switch (expression) {
        case 0:
            for (int dx = -6; dx <= 6; ++dx) {
                const int y = 83 + (36 - dx * dx) / 12;
                c.rect(80 + dx, y, 81 + dx, y + 2, lips);
            }
            break;
        case 1:
            c.ellipse(80, 85, 5, 4, lips);
            break;
        case 2:
            c.ellipse(80, 86, 3, 4, lips);
            break;
        default:
            c.rect(77, 85, 83, 87, lips);
            break;
    }
}

// Opaque pixels next to a transparent one become half opaque, so that the
// outline blends into what lies behind.
void soften_edges(ShadowMask& mask) {
    const Bytes before = mask.values;
    const int w = static_cast<int>(mask.width);
    const int h = static_cast<int>(mask.height);
    auto clear = [&](int x, int y) {
        return x < 0 || y < 0 || x >= w || y >= h ||
               before[static_cast<std::size_t>(y * w + x)] == 0;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!clear(x, y) &&
                (clear(x - 1, y) || clear(x + 1, y) || clear(x, y - 1) || clear(x, y + 1))) {
                mask.values[static_cast<std::size_t>(y * w + x)] = 8;
            }
        }
    }
}

}  // namespace

std::vector<Artwork> artworks() {
    const struct {
        const char* folder;
        const char* name;
        Format format;
        std::uint32_t width, height;
        Bgr ground;
        void (*paint)(const Canvas&);
    } kPaintings[] = {
        {"CG", "BG01.MOE", Format::flag_coded, 640, 480, kBlack, morning_hills},
        {"CG", "bg02.moe", Format::run_length, 640, 480, kBlack, town_at_dusk},
        {"CG", "EV01.MOE", Format::flag_coded, 640, 480, kBlack, riverside_sunset},
        {"ENDING", "END01.MOE", Format::run_length, 640, 480, kBlack, night_end},
        {"ENDING", "STAMP.MOE", Format::flag_coded, 128, 128, kKeyGreen, heart_stamp},
        {"SYSTEM", "TITLE.MOE", Format::run_length, 640, 480, kBlack, title_screen},
        {"SYSTEM", "WINDOW.MOE", Format::run_length, 640, 128, kKeyGreen, message_window},
        {"SYSTEM", "OTHER_01.MOE", Format::flag_coded, 96, 48, kKeyGreen, window_buttons},
        {"SYSTEM", "CIP_MAP.MOE", Format::flag_coded, 96, 144, kKeyGreen, map_cells},
    };
    std::vector<Artwork> out;
    for (const auto& p : kPaintings) {
        out.push_back({p.folder, p.name, p.format, make_picture(p.width, p.height, p.ground)});
        p.paint(Canvas{out.back().picture});
    }
    return out;
}

DecodedPicture scenery(unsigned seed, bool with_key) {
    struct Palette {
        Bgr top, bottom, far, near, sun;
    };
    static const Palette kPalettes[] = {
        {rgb(70, 130, 220), rgb(190, 220, 245), rgb(120, 175, 130), rgb(80, 150, 85),
         rgb(255, 240, 190)},
        {rgb(110, 60, 130), rgb(255, 200, 120), rgb(110, 70, 90), rgb(70, 50, 70),
         rgb(255, 160, 70)},
        {rgb(20, 25, 60), rgb(60, 60, 120), rgb(40, 50, 70), rgb(25, 35, 45), rgb(245, 245, 220)},
        {rgb(150, 200, 240), rgb(240, 245, 250), rgb(200, 210, 225), rgb(235, 240, 248),
         rgb(255, 255, 230)},
        {rgb(90, 160, 200), rgb(220, 230, 180), rgb(160, 150, 90), rgb(120, 110, 60),
         rgb(255, 230, 150)},
        {rgb(60, 40, 90), rgb(230, 120, 110), rgb(80, 60, 100), rgb(50, 40, 70),
         rgb(255, 200, 160)},
    };
    const Palette& pal = kPalettes[seed % 6];
    Random random(seed * 2654435761u + 1);
    const auto below = [&random](std::uint32_t bound) {
        return static_cast<int>(random.below(bound));
    };
    DecodedPicture p = gamekit::make_picture(640, 480);
    const Canvas c{p};
    c.gradient(0, 340, pal.top, pal.bottom, 4);
    const int sun_x = 60 + below(520);
    const int sun_y = 50 + below(150);
    c.circle(sun_x, sun_y, 30 + below(20), pal.sun);
    for (int i = 0; i < 3; ++i) {
        cloud(c, below(640), 40 + below(140), 24 + below(30));
    }
    std::vector<std::array<int, 3>> far, near;
    for (int i = 0; i < 3; ++i) {
        far.push_back({below(640), 30 + below(60), 60 + below(120)});
        near.push_back({below(640), 20 + below(40), 120 + below(160)});
    }
    c.hills(330, far, pal.far);
    c.hills(400, near, pal.near);
    const int trees = 2 + below(4);
    for (int i = 0; i < trees; ++i) {
        tree(c, 40 + below(560), 420 + below(50), mix(pal.near, rgb(0, 60, 0), 1, 2));
    }
    if (seed % 3 == 1) small_house(c, 100 + below(440), 430, rgb(235, 225, 205), rgb(150, 60, 55));
    if (with_key) {
        c.rect(36, 36, 204, 164, rgb(60, 40, 30));
        c.rect(40, 40, 200, 160, kKeyGreen);
    }
    return p;
}

Sprite character_sprite(const std::string& code, SpritePart part, unsigned number, unsigned scale) {
    const std::uint32_t width = 160 * scale;
    const std::uint32_t height = 240 * scale;
    Sprite sprite{gamekit::make_picture(width, height), gamekit::make_mask(width, height, 0)};
    const Canvas c{sprite.picture, &sprite.mask, static_cast<int>(scale)};
    const Look look = look_of(code);
    if (part != SpritePart::body) paint_hair_behind(c, look);
    if (part != SpritePart::face) paint_body(c, look, number);
    if (part != SpritePart::body) paint_head(c, look, number);
    soften_edges(sprite.mask);
    return sprite;
}

}  // namespace sample_game
