// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures and sprites into the package: entry names, the map cell by name,
// search order, sprites paired with their masks, and the warnings.
#include <gtest/gtest.h>

#include "base/console.h"
#include "base/search.h"
#include "image/convert.h"
#include "support/image_test_util.h"

using namespace msconv::image;
using namespace msconv::package;
using namespace msconv::base;

namespace {

using gamekit::Bytes;
using gamekit::make_mask;
using gamekit::MaskPicture;
using gamekit::RgbPicture;
using image_test::entry_of;
using image_test::map_source;
using image_test::picture_block;
using image_test::same_entry;
using image_test::sprite_block;

// ---- Names and stored entries --------------------------------------------------------

TEST(Pdt10Names, EntryNameRules) {
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"ev01a.moe", "ev01a.PDT"},
        {"a.b.moe", "a.PDT"},
        {"NOEXT", "NOEXT.PDT"},
        {".moe", ".PDT"},
        {"\x83\x5C\x82\xA0.moe", "\x83\x5C\x82\xA0.PDT"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(picture_entry_name(c.path), c.name) << c.path;
}

TEST(Pdt10Names, StoredPicturesAreUpperCasedAndTheMapCellFollowsTheName) {
    TempFolder game;
    const RgbPicture map = map_source();
    const std::string cg = game.prefix() + "CG/";
    ASSERT_TRUE(gamekit::write_file(cg + "ev01a.moe", gamekit::encode_run_length_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "cip_map.moe", gamekit::encode_flag_coded_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "xcip_map.moe", gamekit::encode_run_length_picture(map)));
    ASSERT_TRUE(gamekit::write_file(cg + "\x83\x5C.moe", gamekit::encode_run_length_picture(map)));
    image_test::PackageRun run;
    for (const char* name : {"ev01a.moe", "cip_map.moe", "xcip_map.moe", "\x83\x5C.moe"}) {
        convert_picture(run.package, cg, name);
    }
    const auto entries = run.finish();
    ASSERT_EQ(
        image_test::names_of(entries),
        (std::vector<std::string>{"CIP_MAP.PDT", "EV01A.PDT", "XCIP_MAP.PDT", "\x83\x5C.PDT"}));
    Pdt10Block plain = picture_block(map);
    EXPECT_TRUE(same_entry(entries[1].data, entry_of(plain)));
    EXPECT_TRUE(same_entry(entries[2].data, entries[1].data));
    EXPECT_TRUE(same_entry(entries[3].data, entries[1].data));
    darken_map_cell(plain);
    EXPECT_TRUE(same_entry(entries[0].data, entry_of(plain)));
    EXPECT_NE(entries[0].data, entries[1].data);
}

TEST(Pdt10Names, PicturesThatCannotBeLoadedAreReportedAndNotStored) {
    TempFolder game;
    ASSERT_TRUE(gamekit::write_file(game.prefix() + "EMPTY.MOE", {}));
    ASSERT_TRUE(
        gamekit::write_file(game.prefix() + "HUGE.MOE", gamekit::run_length_header(4097, 4096)));
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    std::string errors;
    console_capture_errors(&errors);
    for (const char* name : {"EMPTY.MOE", "HUGE.MOE", "MISSING.MOE", "esc\x1b[2J.MOE"})
        convert_picture(run.package, game.prefix(), name);
    console_capture(nullptr);
    console_capture_errors(nullptr);
    EXPECT_EQ(console, "********** " + game.prefix() + "EMPTY.MOE is empty, skipped\n" +
                           "********** " + game.prefix() + "HUGE.MOE is too large, skipped\n" +
                           "********** Cannot open " + game.prefix() + "MISSING.MOE\n" +
                           "********** " + game.prefix() +
                           "esc\\x1b[2J.MOE cannot be stored under its name, skipped\n");
    EXPECT_EQ(errors, "msconv: " + game.prefix() + "HUGE.MOE: more than 16777216 pixels\n" +
                          "msconv: " + game.prefix() + "MISSING.MOE: No such file or directory\n" +
                          "msconv: " + game.prefix() +
                          "esc\\x1b[2J.MOE: the name holds a control character\n");
    EXPECT_EQ(run.package.skipped, 4u);
    EXPECT_TRUE(run.finish().empty());
}

TEST(Pdt10Names, PictureFolderConvertsEveryMoeFileInSearchOrder) {
    TempFolder game;
    const RgbPicture picture = gamekit::sample_picture(16, 8, 2, true);
    for (const char* name : {"SYSTEM/b.moe", "SYSTEM/A.MOE", "SYSTEM/a.b.moe", "SYSTEM/c.txt",
                             "SYSTEM/sub.moe/x.moe", "top.moe"}) {
        ASSERT_TRUE(
            gamekit::write_file(game.prefix() + name, gamekit::encode_run_length_picture(picture)));
    }
    image_test::PackageRun run;
    FileSearch search;
    convert_picture_folder(run.package, search, game.prefix(), "SYSTEM");
    convert_picture_folder(run.package, search, game.prefix(), "NOWHERE");
    const auto entries = run.finish();
    // Two entries named A.PDT, in the order added (their data offsets).
    ASSERT_EQ(image_test::names_of(entries), (std::vector<std::string>{"A.PDT", "A.PDT", "B.PDT"}));
    EXPECT_LT(entries[0].offset, entries[1].offset);
    EXPECT_LT(entries[1].offset, entries[2].offset);
    const Pdt10Block block = picture_block(picture);
    for (const auto& entry : entries) {
        EXPECT_TRUE(same_entry(entry.data, entry_of(block)));
    }
}

// ---- Sprites in the package ------------------------------------------------------------

struct SpriteGame {
    TempFolder folder;
    std::string sprite(const std::string& name) const { return folder.prefix() + "CHAR/" + name; }
    std::string shadow(const std::string& name) const { return folder.prefix() + "SHADOW/" + name; }
};

TEST(SpritePackage, EntryIsNamedAfterTheSpriteWhateverTheShadow) {
    SpriteGame game;
    const RgbPicture sprite = gamekit::sample_picture(8, 6, 7, true);
    const MaskPicture mask = make_mask(8, 6, 9);
    ASSERT_TRUE(gamekit::write_file(game.sprite("abc_f01.moe"),
                                    gamekit::encode_flag_coded_picture(sprite)));
    ASSERT_TRUE(gamekit::write_file(game.shadow("ABC_F0S.SHW"), gamekit::encode_shadow_mask(mask)));
    image_test::PackageRun run;
    convert_sprite(run.package, game.sprite(""), "abc_f01.moe", game.shadow("ABC_F0S.SHW"));
    const auto entries = run.finish();
    ASSERT_EQ(image_test::names_of(entries), std::vector<std::string>{"ABC_F01.PDT"});
    EXPECT_TRUE(same_entry(entries[0].data, sprite_block(sprite, mask).bytes));
}

TEST(SpritePackage, MissingMaskIsReportedWithoutLineBreakAndTheSpriteSkipped) {
    SpriteGame game;
    const RgbPicture sprite = gamekit::sample_picture(4, 4, 1, false);
    ASSERT_TRUE(
        gamekit::write_file(game.sprite("ABD_07.MOE"), gamekit::encode_run_length_picture(sprite)));
    ASSERT_TRUE(gamekit::write_file(game.shadow("EMPTYS.SHW"), {}));
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    convert_sprite(run.package, game.sprite(""), "ABD_07.MOE", game.shadow("ABD_07S.SHW"));
    convert_sprite(run.package, game.sprite(""), "ABD_07.MOE", game.shadow("EMPTYS.SHW"));
    console_capture(nullptr);
    EXPECT_EQ(console, "************** Cannot open " + game.shadow("ABD_07S.SHW") +
                           "************** Cannot open " + game.shadow("EMPTYS.SHW"));
    EXPECT_TRUE(run.finish().empty());
}

TEST(SpritePackage, SpriteThatCannotBeLoadedIsReported) {
    SpriteGame game;
    ASSERT_TRUE(gamekit::write_file(game.shadow("ABC_05S.SHW"),
                                    gamekit::encode_shadow_mask(make_mask(4, 4, 15))));
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    convert_sprite(run.package, game.sprite(""), "ABC_01.MOE", game.shadow("ABC_05S.SHW"));
    console_capture(nullptr);
    EXPECT_EQ(console, "********** Cannot open " + game.sprite("ABC_01.MOE") + "\n");
    EXPECT_TRUE(run.finish().empty());
}

TEST(SpritePackage, CharacterSpritesArePairedWithTheirMasks) {
    SpriteGame game;
    const RgbPicture sprite = gamekit::sample_picture(12, 10, 3, false);
    const MaskPicture pose = make_mask(12, 10, 15), face = make_mask(12, 10, 4),
                      back = make_mask(12, 10, 11);
    for (const char* name :
         {"ABC_01.MOE", "ABC_05.MOE", "ABC_F01.MOE", "ABC_B012.MOE", "ABD_07.MOE", "abc_f13.moe"}) {
        ASSERT_TRUE(
            gamekit::write_file(game.sprite(name), gamekit::encode_run_length_picture(sprite)));
    }
    ASSERT_TRUE(gamekit::write_file(game.shadow("ABC_05S.SHW"), gamekit::encode_shadow_mask(pose)));
    ASSERT_TRUE(gamekit::write_file(game.shadow("ABC_F0S.SHW"), gamekit::encode_shadow_mask(face)));
    ASSERT_TRUE(
        gamekit::write_file(game.shadow("ABC_B012S.SHW"), gamekit::encode_shadow_mask(back)));
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    FileSearch search;
    convert_character_sprites(run.package, search, game.folder.prefix());
    console_capture(nullptr);
    EXPECT_EQ(console, "************** Cannot open " + game.shadow("ABD_07S.SHW"));
    const auto entries = run.finish();
    ASSERT_EQ(image_test::names_of(entries),
              (std::vector<std::string>{"ABC_01.PDT", "ABC_05.PDT", "ABC_B012.PDT", "ABC_F01.PDT",
                                        "ABC_F13.PDT"}));
    EXPECT_TRUE(same_entry(entries[0].data, sprite_block(sprite, pose).bytes));
    EXPECT_TRUE(same_entry(entries[1].data, sprite_block(sprite, pose).bytes));
    EXPECT_TRUE(same_entry(entries[2].data, sprite_block(sprite, back).bytes));
    EXPECT_TRUE(same_entry(entries[3].data, sprite_block(sprite, face).bytes));
    EXPECT_TRUE(same_entry(entries[4].data, sprite_block(sprite, face).bytes));
}

TEST(SpritePackage, NoCharFolderGivesNothing) {
    TempFolder game;
    std::string console;
    console_capture(&console);
    image_test::PackageRun run;
    FileSearch search;
    convert_character_sprites(run.package, search, game.prefix());
    console_capture(nullptr);
    EXPECT_EQ(console, "");
    EXPECT_TRUE(run.finish().empty());
}

}  // namespace
