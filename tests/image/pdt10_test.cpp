#include <gtest/gtest.h>

#include "base/console.h"
#include "base/search.h"
#include "image/convert.h"
#include "image/pdt10.h"
#include "image_test_util.h"

namespace {

using gamekit::Bgr;
using gamekit::Bytes;
using gamekit::kKeyGreen;
using gamekit::kWhite;
using gamekit::make_picture;
using gamekit::RgbPicture;
using gamekit::set_pixel;
using image_test::alpha_at;
using image_test::as_decoded;
using image_test::colour_at;
using image_test::field_at;

Pdt10Block converted(const RgbPicture& picture) {
    Pdt10Block block;
    EXPECT_TRUE(convert_picture_to_pdt10(as_decoded(picture), block));
    return block;
}

// A 2 x 2 picture from four pixels in the order (0,0), (1,0), (0,1), (1,1).
RgbPicture block_of(Bgr a, Bgr b, Bgr c, Bgr d) {
    RgbPicture picture = make_picture(2, 2);
    set_pixel(picture, 0, 0, a);
    set_pixel(picture, 1, 0, b);
    set_pixel(picture, 0, 1, c);
    set_pixel(picture, 1, 1, d);
    return picture;
}

TEST(Pdt10Conversion, HeaderLayout) {
    const Pdt10Block block = converted(make_picture(6, 4, kWhite));
    const Bytes header(block.bytes.begin(), block.bytes.begin() + 32);
    const Bytes expected = {'P', 'D', 'T', '1', '0', 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0,
                            4,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(header, expected);
    EXPECT_EQ(block.width, 3u);
    EXPECT_EQ(block.height, 2u);
    EXPECT_EQ(block.bytes.size(), 32u + 3 * 6);
    EXPECT_EQ(block.entry_size, 32u + 2 * 6);
}

TEST(Pdt10Conversion, BlocksWithKeyPixels) {
    constexpr Bgr kGrey{100, 60, 20};
    struct Case {
        const char* what;
        RgbPicture picture;
        std::uint16_t colour;
        std::uint8_t alpha;
    };
    const Case cases[] = {
        {"no key pixel", block_of(kWhite, kWhite, kWhite, kWhite), 0xFFFF, 255},
        {"one key pixel", block_of(kKeyGreen, kWhite, kWhite, kWhite), 0xBDF7, 191},
        {"two white, two key", block_of(kWhite, kKeyGreen, kKeyGreen, kWhite), 0x7BEF, 127},
        {"three key pixels", block_of(kKeyGreen, kKeyGreen, kWhite, kKeyGreen), 0x39E7, 63},
        {"all key", block_of(kKeyGreen, kKeyGreen, kKeyGreen, kKeyGreen), 0x0000, 0},
        // Sums 400, 240, 80: red 80 >> 5 = 2, green 240 >> 4 = 15, blue 400 >> 5 = 12.
        {"grey", block_of(kGrey, kGrey, kGrey, kGrey), 2 << 11 | 15 << 5 | 12, 255},
    };
    for (const Case& c : cases) {
        const Pdt10Block block = converted(c.picture);
        EXPECT_EQ(colour_at(block.bytes, 1, 0, 0), c.colour) << c.what;
        EXPECT_EQ(alpha_at(block.bytes, 1, 1, 0, 0), c.alpha) << c.what;
    }
}

TEST(Pdt10Conversion, OneKeyPixelStoresTheAlphaPlane) {
    RgbPicture picture = make_picture(8, 6, kWhite);
    set_pixel(picture, 5, 3, kKeyGreen);
    const Pdt10Block block = converted(picture);
    EXPECT_EQ(block.entry_size, 32u + 3 * 4 * 3);
    EXPECT_EQ(field_at(block.bytes, 28), 2u * 4 * 3);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 4; ++x) {
            const bool keyed = x == 2 && y == 1;
            EXPECT_EQ(alpha_at(block.bytes, 4, 3, x, y), keyed ? 191 : 255) << x << ", " << y;
            EXPECT_EQ(colour_at(block.bytes, 4, x, y), keyed ? 0xBDF7 : 0xFFFF) << x << ", " << y;
        }
    }
}

TEST(Pdt10Conversion, PictureWithoutKeyHasNoAlphaPlane) {
    // Near-green colours are ordinary colours.
    RgbPicture picture = make_picture(4, 4, Bgr{1, 255, 0});
    set_pixel(picture, 0, 0, Bgr{0, 254, 0});
    set_pixel(picture, 3, 3, Bgr{0, 255, 1});
    const Pdt10Block block = converted(picture);
    EXPECT_EQ(block.entry_size, 32u + 2 * 4);
    EXPECT_EQ(field_at(block.bytes, 28), 0u);
    // Blue sums 4 -> 0; green 1020 -> 63.
    EXPECT_EQ(colour_at(block.bytes, 2, 1, 0), 63 << 5);
    EXPECT_EQ(alpha_at(block.bytes, 2, 2, 1, 0), 255);
}

TEST(Pdt10Conversion, KeyInTheOddLastColumnOrRowIsNeverExamined) {
    RgbPicture picture = make_picture(5, 5, kWhite);
    for (std::uint32_t i = 0; i < 5; ++i) {
        set_pixel(picture, 4, i, kKeyGreen);
        set_pixel(picture, i, 4, kKeyGreen);
    }
    const Pdt10Block block = converted(picture);
    EXPECT_EQ(field_at(block.bytes, 28), 0u);
    EXPECT_EQ(block.entry_size, 32u + 2 * 2 * 2);
}

TEST(Pdt10Conversion, SizesOf640By480) {
    const Pdt10Block opaque = converted(make_picture(640, 480, kWhite));
    EXPECT_EQ(field_at(opaque.bytes, 12), 640u);
    EXPECT_EQ(field_at(opaque.bytes, 16), 480u);
    EXPECT_EQ(opaque.width, 320u);
    EXPECT_EQ(opaque.height, 240u);
    EXPECT_EQ(field_at(opaque.bytes, 28), 0u);
    EXPECT_EQ(opaque.entry_size, 153632u);
    RgbPicture keyed = make_picture(640, 480, kWhite);
    set_pixel(keyed, 639, 479, kKeyGreen);
    const Pdt10Block transparent = converted(keyed);
    EXPECT_EQ(field_at(transparent.bytes, 28), 153600u);
    EXPECT_EQ(transparent.entry_size, 230432u);
    EXPECT_EQ(transparent.bytes.size(), 230432u);
}

TEST(Pdt10Conversion, WidthOrHeightOneGivesAnEmptyEntry) {
    for (auto [w, h] : {std::pair{1u, 9u}, {9u, 1u}, {1u, 1u}, {0u, 0u}}) {
        const Pdt10Block block = converted(make_picture(w, h, kKeyGreen));
        EXPECT_EQ(block.entry_size, 32u) << w << " x " << h;
        EXPECT_EQ(field_at(block.bytes, 12), w);
        EXPECT_EQ(field_at(block.bytes, 16), h);
        EXPECT_EQ(field_at(block.bytes, 28), 0u);
    }
}

// ---- The map cell ------------------------------------------------------------------

// A source of 24 x 132 pixels (planes of 12 x 66). In the cell rows 42 to 53
// of the planes, half-size pixel (x, r) has x % 5 key pixels in its block;
// everything else is white.
RgbPicture map_source(std::uint32_t width = 24, std::uint32_t height = 132) {
    RgbPicture picture = make_picture(width, height, kWhite);
    for (std::uint32_t r = 42; r < 54 && 2 * r + 1 < height; ++r) {
        for (std::uint32_t x = 0; 2 * x + 1 < width && x < 12; ++x) {
            const std::uint32_t corners[4][2] = {
                {2 * x, 2 * r}, {2 * x + 1, 2 * r}, {2 * x, 2 * r + 1}, {2 * x + 1, 2 * r + 1}};
            for (std::uint32_t i = 0; i < x % 5; ++i) {
                set_pixel(picture, corners[i][0], corners[i][1], kKeyGreen);
            }
        }
    }
    return picture;
}

TEST(MapCell, DarkenedCopyTwelveRowsLower) {
    struct Expected {
        std::uint16_t colour, darkened_colour;
        std::uint8_t alpha, darkened_alpha;
    };
    // By the number of key pixels in the block.
    const Expected expected[5] = {
        {0xFFFF, 0xBDF7, 255, 192}, {0xBDF7, 0x8C71, 191, 143}, {0x7BEF, 0x5AEB, 127, 95},
        {0x39E7, 0x2965, 63, 47},   {0x0000, 0x0000, 0, 255},  // alpha 0 leaves 255 below
    };
    Pdt10Block block = converted(map_source());
    const Pdt10Block before = block;
    darken_map_cell(block);
    for (std::uint32_t r = 42; r < 54; ++r) {
        for (std::uint32_t x = 0; x < 12; ++x) {
            const Expected& e = expected[x % 5];
            EXPECT_EQ(colour_at(block.bytes, 12, x, r), e.colour) << x << ", " << r;
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, r), e.alpha) << x << ", " << r;
            EXPECT_EQ(colour_at(block.bytes, 12, x, r + 12), e.darkened_colour) << x << ", " << r;
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, r + 12), e.darkened_alpha) << x << ", " << r;
        }
    }
    // Nothing outside rows 54 to 65 changed.
    for (std::uint32_t y = 0; y < 66; ++y) {
        if (y >= 54) continue;
        for (std::uint32_t x = 0; x < 12; ++x) {
            EXPECT_EQ(colour_at(block.bytes, 12, x, y), colour_at(before.bytes, 12, x, y));
            EXPECT_EQ(alpha_at(block.bytes, 12, 66, x, y), alpha_at(before.bytes, 12, 66, x, y));
        }
    }
    EXPECT_EQ(block.entry_size, before.entry_size);
}

TEST(MapCell, ColumnsBeyondTheCellAreLeftAlone) {
    Pdt10Block block = converted(map_source(40, 140));
    const Pdt10Block before = block;
    darken_map_cell(block);
    for (std::uint32_t y = 54; y < 66; ++y) {
        EXPECT_NE(colour_at(block.bytes, 20, 0, y), colour_at(before.bytes, 20, 0, y));
        EXPECT_EQ(colour_at(block.bytes, 20, 12, y), colour_at(before.bytes, 20, 12, y));
    }
}

TEST(MapCell, PlanesSmallerThan12By66AreLeftAlone) {
    for (auto [w, h] : {std::pair{22u, 132u}, {24u, 130u}, {2u, 2u}}) {
        Pdt10Block block = converted(map_source(w, h));
        const Bytes before = block.bytes;
        darken_map_cell(block);
        EXPECT_EQ(block.bytes, before) << w << " x " << h;
    }
}

// ---- Names and stored entries --------------------------------------------------------

TEST(Pdt10Names, EntryNameRules) {
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"/game/CG/ev01a.moe", "ev01a.PDT"},
        {"/game/CG/a.b.moe", "a.PDT"},
        {"/game/CG/NOEXT", "NOEXT.PDT"},
        {"C:\\GAME\\CG\\BG01.MOE", "BG01.PDT"},
        {"/game/CG/.moe", ".PDT"},
        // The second byte of a double-byte character is not a separator.
        {"/game/CG/\x83\x5C\x82\xA0.moe", "\x83\x5C\x82\xA0.PDT"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(picture_entry_name(c.path), c.name) << c.path;
}

TEST(Pdt10Names, StoredPicturesAreUpperCasedAndTheMapCellFollowsTheName) {
    image_test::TempFolder game;
    const RgbPicture map = map_source();
    const std::string cg = game.path + "CG/";
    ASSERT_TRUE(gamekit::write_file(cg + "ev01a.moe", gamekit::encode_run_length_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "cip_map.moe", gamekit::encode_flag_coded_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "xcip_map.moe", gamekit::encode_run_length_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "\x83\x5C.moe", gamekit::encode_run_length_picture(map)));
    image_test::PackageRun run;
    for (const char* name : {"ev01a.moe", "cip_map.moe", "xcip_map.moe", "\x83\x5C.moe"}) {
        convert_picture(run.package, cg + name);
    }
    const auto entries = run.finish();
    ASSERT_EQ(
        image_test::names_of(entries),
        (std::vector<std::string>{"CIP_MAP.PDT", "EV01A.PDT", "XCIP_MAP.PDT", "\x83\x5C.PDT"}));
    Pdt10Block plain = converted(map);
    EXPECT_EQ(entries[1].data, Bytes(plain.bytes.begin(), plain.bytes.begin() + plain.entry_size));
    EXPECT_EQ(entries[2].data, entries[1].data);
    EXPECT_EQ(entries[3].data, entries[1].data);
    darken_map_cell(plain);
    EXPECT_EQ(entries[0].data, Bytes(plain.bytes.begin(), plain.bytes.begin() + plain.entry_size));
    EXPECT_NE(entries[0].data, entries[1].data);
}

TEST(Pdt10Names, PicturesThatCannotBeLoadedAreReportedAndNotStored) {
    image_test::TempFolder game;
    ASSERT_TRUE(gamekit::write_file(game.path + "EMPTY.MOE", {}));
    ASSERT_TRUE(
        gamekit::write_file(game.path + "HUGE.MOE", gamekit::run_length_header(4097, 4096)));
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    convert_picture(run.package, game.path + "EMPTY.MOE");
    convert_picture(run.package, game.path + "HUGE.MOE");
    convert_picture(run.package, game.path + "MISSING.MOE");
    console_capture(nullptr);
    EXPECT_EQ(console, "********** " + game.path + "EMPTY.MOE is empty, skipped\n" + "********** " +
                           game.path + "HUGE.MOE is too large, skipped\n" +
                           "********** Cannot open " + game.path + "MISSING.MOE\n");
    EXPECT_TRUE(run.finish().empty());
}

TEST(Pdt10Names, PictureFolderConvertsEveryMoeFileInSearchOrder) {
    image_test::TempFolder game;
    const RgbPicture picture = gamekit::sample_picture(16, 8, 2, true);
    for (const char* name : {"SYSTEM/b.moe", "SYSTEM/A.MOE", "SYSTEM/a.b.moe", "SYSTEM/c.txt",
                             "SYSTEM/sub.moe/x.moe", "top.moe"}) {
        ASSERT_TRUE(
            gamekit::write_file(game.path + name, gamekit::encode_run_length_picture(picture)));
    }
    image_test::PackageRun run;
    FileSearch search;
    convert_picture_folder(run.package, search, game.path, "SYSTEM");
    convert_picture_folder(run.package, search, game.path, "NOWHERE");
    convert_picture_folder(run.package, search, game.path, "");
    const auto entries = run.finish();
    // Two entries named A.PDT, in the order added (their data offsets).
    ASSERT_EQ(image_test::names_of(entries),
              (std::vector<std::string>{"A.PDT", "A.PDT", "B.PDT", "TOP.PDT"}));
    EXPECT_LT(entries[0].offset, entries[1].offset);
    EXPECT_LT(entries[1].offset, entries[2].offset);
    EXPECT_LT(entries[2].offset, entries[3].offset);
    const Pdt10Block block = converted(picture);
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.data, Bytes(block.bytes.begin(), block.bytes.begin() + block.entry_size));
    }
}

// ---- Reading PDT10 back --------------------------------------------------------------

TEST(Pdt10Read, PlanesAndStraightRgba) {
    const Pdt10Block block = converted([] {
        RgbPicture p = make_picture(6, 2, kWhite);
        set_pixel(p, 2, 0, kKeyGreen);
        set_pixel(p, 3, 1, kKeyGreen);
        for (std::uint32_t x = 4; x < 6; ++x) {
            set_pixel(p, x, 0, kKeyGreen);
            set_pixel(p, x, 1, kKeyGreen);
        }
        return p;
    }());
    Pdt10Picture picture;
    std::string error;
    ASSERT_TRUE(read_pdt10(Bytes(block.bytes.begin(), block.bytes.begin() + block.entry_size),
                           picture, error))
        << error;
    EXPECT_EQ(picture.source_width, 6u);
    EXPECT_EQ(picture.width, 3u);
    EXPECT_EQ(picture.height, 1u);
    EXPECT_TRUE(picture.has_alpha);
    EXPECT_EQ(picture.colour, (std::vector<std::uint16_t>{0xFFFF, 0x7BEF, 0x0000}));
    EXPECT_EQ(picture.alpha, (Bytes{255, 127, 0}));
    // 0x7BEF at alpha 127: 123, 125, 123 divided by 127/255.
    EXPECT_EQ(pdt10_to_rgba(picture), (Bytes{255, 255, 255, 255, 247, 251, 247, 127, 0, 0, 0, 0}));
}

TEST(Pdt10Read, EntryWithoutAlphaPlaneIsOpaque) {
    const Pdt10Block block = converted(make_picture(2, 2, Bgr{0, 0, 255}));
    Pdt10Picture picture;
    std::string error;
    ASSERT_TRUE(read_pdt10(Bytes(block.bytes.begin(), block.bytes.begin() + block.entry_size),
                           picture, error));
    EXPECT_FALSE(picture.has_alpha);
    EXPECT_EQ(pdt10_to_rgba(picture), (Bytes{255, 0, 0, 255}));
}

TEST(Pdt10Read, RejectsBrokenEntries) {
    const Pdt10Block block = converted(make_picture(4, 4, kKeyGreen));
    Pdt10Picture picture;
    std::string error;
    EXPECT_FALSE(read_pdt10(Bytes(block.bytes.begin(), block.bytes.end() - 1), picture, error));
    Bytes wrong_magic = block.bytes;
    wrong_magic[4] = '1';
    EXPECT_FALSE(read_pdt10(wrong_magic, picture, error));
    Bytes wrong_alpha = block.bytes;
    wrong_alpha[28] = 7;
    EXPECT_FALSE(read_pdt10(wrong_alpha, picture, error));
    EXPECT_FALSE(read_pdt10(Bytes(10, 0), picture, error));
}

}  // namespace
