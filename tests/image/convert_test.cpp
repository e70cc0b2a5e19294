// SPDX-License-Identifier: GPL-2.0-or-later
// Picture and sprite files into entry bytes: entry names, the map cell by
// name, sprites with their masks, and the failures.
#include <gtest/gtest.h>

#include <optional>
#include <variant>

#include "image/convert.h"
#include "support/image_test_util.h"

namespace {

using gamekit::Bytes;
using gamekit::make_mask;
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

// The map cell is darkened by the entry's name, in any case; a file that
// gives no picture is a failure with its reason.
TEST(ConvertPicture, TheMapCellFollowsTheNameAndFailuresHaveTheirReasons) {
    const DecodedPicture map = map_source();
    Pdt10Block darkened = picture_block(map);
    darken_map_cell(darkened);
    const struct {
        Bytes file;
        const char* entry;
        std::optional<Bytes> block;  // none: the failure below
        SkipReason reason = SkipReason::empty;
        const char* detail = "";
    } cases[] = {
        {gamekit::encode_run_length_picture(map), "ev01a.PDT", entry_of(picture_block(map))},
        {gamekit::encode_flag_coded_picture(map), "cip_map.PDT", entry_of(darkened)},
        {gamekit::encode_run_length_picture(map), "xcip_map.PDT", entry_of(picture_block(map))},
        {{}, "EMPTY.PDT", {}, SkipReason::empty, ""},
        {gamekit::run_length_header(4097, 4096),
         "HUGE.PDT",
         {},
         SkipReason::too_large,
         "more than 16777216 pixels"},
    };
    for (const auto& c : cases) {
        const ConvertedPicture converted = convert_picture(Bytes(c.file), c.entry);
        const auto* block = std::get_if<Pdt10Block>(&converted);
        ASSERT_EQ(block != nullptr, c.block.has_value()) << c.entry;
        if (block) {
            EXPECT_TRUE(same_entry(entry_of(*block), *c.block)) << c.entry;
        } else {
            EXPECT_EQ(std::get<InputFailure>(converted).reason, c.reason) << c.entry;
            EXPECT_EQ(std::get<InputFailure>(converted).detail, c.detail) << c.entry;
        }
    }
}

// A sprite is converted with its mask; each file is decoded whatever the
// other gives, and the failure of each is returned.
TEST(ConvertSprite, BothFilesAreDecodedAndEachFailureIsReturned) {
    const DecodedPicture sprite = gamekit::sample_picture(8, 6, 7, true);
    const ShadowMask mask = make_mask(8, 6, 9);
    const Bytes sprite_file = gamekit::encode_flag_coded_picture(sprite);
    const Bytes mask_file = gamekit::encode_shadow_mask(mask);
    const Bytes huge = gamekit::run_length_header(4097, 4096);
    const struct {
        Bytes sprite, mask;
        std::optional<SkipReason> sprite_out, mask_out;
    } cases[] = {
        {sprite_file, mask_file, {}, {}},
        {sprite_file, {}, {}, SkipReason::empty},
        {{}, mask_file, SkipReason::empty, {}},
        {{}, {}, SkipReason::empty, SkipReason::empty},
        {huge, huge, SkipReason::too_large, SkipReason::too_large},
    };
    for (const auto& c : cases) {
        const ConvertedSprite converted = convert_sprite(Bytes(c.sprite), Bytes(c.mask));
        if (const auto* block = std::get_if<Pdt10Block>(&converted)) {
            EXPECT_FALSE(c.sprite_out || c.mask_out);
            EXPECT_TRUE(same_entry(block->bytes, sprite_block(sprite, mask).bytes));
            continue;
        }
        const SpriteFailures& failed = std::get<SpriteFailures>(converted);
        EXPECT_EQ(failed.sprite ? std::optional{failed.sprite->reason} : std::nullopt,
                  c.sprite_out);
        EXPECT_EQ(failed.mask ? std::optional{failed.mask->reason} : std::nullopt, c.mask_out);
    }
}

}  // namespace
