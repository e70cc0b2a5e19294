// SPDX-License-Identifier: GPL-2.0-or-later
// Picture and sprite files into entry bytes: entry names, the map cell by
// name, sprites with their masks, and the failures.
#include <gtest/gtest.h>

#include <optional>

#include "image/convert.h"
#include "support/image_test_util.h"

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

// The map cell is darkened by the entry's name, in any case; a file that
// gives no picture is a failure with its reason.
TEST(ConvertPicture, TheMapCellFollowsTheNameAndFailuresHaveTheirReasons) {
    const RgbPicture map = map_source();
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
        Pdt10Block block;
        InputFailure failure;
        const bool converted = convert_picture(Bytes(c.file), c.entry, block, failure);
        ASSERT_EQ(converted, c.block.has_value()) << c.entry;
        if (converted) {
            EXPECT_TRUE(same_entry(entry_of(block), *c.block)) << c.entry;
        } else {
            EXPECT_EQ(failure.reason, c.reason) << c.entry;
            EXPECT_EQ(failure.detail, c.detail) << c.entry;
        }
    }
}

// A sprite is converted with its mask; a failure the caller brings (a file
// that could not be read) stands, and the other file is still decoded.
TEST(ConvertSprite, BothFilesAreDecodedAndEachFailureIsKept) {
    const RgbPicture sprite = gamekit::sample_picture(8, 6, 7, true);
    const MaskPicture mask = make_mask(8, 6, 9);
    const Bytes sprite_file = gamekit::encode_flag_coded_picture(sprite);
    const Bytes mask_file = gamekit::encode_shadow_mask(mask);
    const InputFailure unread{SkipReason::cannot_open, "gone"};
    const struct {
        Bytes sprite, mask;
        std::optional<InputFailure> sprite_in, mask_in;
        std::optional<SkipReason> sprite_out, mask_out;
    } cases[] = {
        {sprite_file, mask_file, {}, {}, {}, {}},
        {sprite_file, {}, {}, {}, {}, SkipReason::empty},
        {{}, {}, {}, {}, SkipReason::empty, SkipReason::empty},
        {{}, mask_file, unread, {}, SkipReason::cannot_open, {}},
        {sprite_file, {}, {}, unread, {}, SkipReason::cannot_open},
    };
    for (const auto& c : cases) {
        Pdt10Block block;
        std::optional<InputFailure> sprite_failure = c.sprite_in, mask_failure = c.mask_in;
        const bool converted =
            convert_sprite(Bytes(c.sprite), Bytes(c.mask), block, sprite_failure, mask_failure);
        EXPECT_EQ(converted, !c.sprite_out && !c.mask_out);
        EXPECT_EQ(sprite_failure.has_value(), c.sprite_out.has_value());
        EXPECT_EQ(mask_failure.has_value(), c.mask_out.has_value());
        if (sprite_failure && c.sprite_out) {
            EXPECT_EQ(sprite_failure->reason, *c.sprite_out);
        }
        if (mask_failure && c.mask_out) {
            EXPECT_EQ(mask_failure->reason, *c.mask_out);
        }
        if (converted) {
            EXPECT_TRUE(same_entry(block.bytes, sprite_block(sprite, mask).bytes));
        }
    }
}

}  // namespace
