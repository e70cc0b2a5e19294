// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures and sprites through the real converter: what is stored, in which
// order, and what avdtool png makes of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "image/convert.h"
#include "package/package_reader.h"
#include "support/image_test_util.h"

namespace {

using process::Result;
using namespace gamekit;

Bytes picture_entry(const DecodedPicture& picture, bool map_cell = false) {
    Pdt10Block block = image_test::picture_block(picture);
    if (map_cell) darken_map_cell(block);
    return image_test::entry_of(block);
}

Bytes sprite_entry(const DecodedPicture& sprite, const ShadowMask& mask) {
    return image_test::entry_of(image_test::sprite_block(sprite, mask));
}

// A game folder with pictures in every folder, some of them faulty.
struct PictureGame {
    TempFolder dir;
    DecodedPicture pose = gamekit::sample_picture(40, 30, 1, false);
    DecodedPicture face = gamekit::sample_picture(24, 20, 2, true);
    ShadowMask pose_mask = gamekit::make_mask(40, 30, 15);
    ShadowMask face_mask = gamekit::make_mask(24, 20, 6);
    DecodedPicture event = gamekit::sample_picture(64, 48, 3, true);
    DecodedPicture map = gamekit::sample_picture(32, 140, 4, true);
    DecodedPicture plain = gamekit::sample_picture(30, 22, 5, false);
    DecodedPicture ending = gamekit::sample_picture(17, 9, 6, true);
    DecodedPicture system = gamekit::sample_picture(16, 16, 7, true);
    Bytes data = {'d', 'a', 't', 'a', '\n'};

    PictureGame() {
        for (std::uint32_t i = 0; i < pose_mask.values.size(); i += 7)
            pose_mask.values[i] = 3;
        put("game/CHAR/ABC_01.MOE", gamekit::encode_run_length_picture(pose));
        put("game/CHAR/abc_f01.moe", gamekit::encode_flag_coded_picture(face));
        put("game/CHAR/ABD_07.MOE", gamekit::encode_run_length_picture(pose));  // no mask
        put("game/SHADOW/ABC_05S.SHW", gamekit::encode_shadow_mask(pose_mask));
        put("game/SHADOW/ABC_F0S.SHW", gamekit::encode_shadow_mask(face_mask, 0x80));
        put("game/CG/ZZ.MOE", gamekit::encode_run_length_picture(plain));
        put("game/CG/ev01a.moe", gamekit::encode_flag_coded_picture(event));
        put("game/CG/cip_map.moe", gamekit::encode_flag_coded_picture(map));
        put("game/CG/broken.moe", {});
        put("game/CG/notes.txt", {'x'});
        put("game/ENDING/AAA.MOE", gamekit::encode_run_length_picture(ending, 0x80));
        put("game/SYSTEM/SYS.MOE", gamekit::encode_flag_coded_picture(system));
        put("DATA/000.TXT", data);
        std::filesystem::create_directories(dir / "out");
    }
    void put(const std::string& name, const Bytes& bytes) {
        ASSERT_TRUE(gamekit::write_file(dir / name, bytes));
    }
    Result convert() { return e2e::convert(dir / "game", dir / "out", dir / "DATA"); }
};

TEST(Pictures, StoredInConversionOrderWithTheirSizesAndAlphaFields) {
    PictureGame game;
    const Result r = game.convert();
    // The sprite without its mask and the empty picture are left out.
    ASSERT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("without 2 input files"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("************** Cannot open " + game.dir / "game/SHADOW/ABD_07S.SHW"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("********** " + game.dir / "game/CG/broken.moe" + " is empty, skipped\n"),
              std::string::npos)
        << r.out;
    const Result verify = e2e::run({{AVDTOOL_EXE, "verify", game.dir / "out/DAR297.AVD"}});
    EXPECT_EQ(verify.status, 0) << verify.err;

    const std::vector<StoredEntry> entries = read_package(game.dir / "out/DAR297.AVD").entries;
    // The directory is sorted by name.
    ASSERT_EQ(image_test::names_of(entries),
              (std::vector<std::string>{"000.TXT", "AAA.PDT", "ABC_01.PDT", "ABC_F01.PDT",
                                        "CIP_MAP.PDT", "EV01A.PDT", "SYS.PDT", "ZZ.PDT"}));
    // The data lie in the order the entries were added: sprites, CG (in
    // search order), ENDING, SYSTEM, DATA.
    std::vector<const StoredEntry*> by_offset;
    for (const StoredEntry& e : entries)
        by_offset.push_back(&e);
    std::sort(by_offset.begin(), by_offset.end(),
              [](const StoredEntry* a, const StoredEntry* b) { return a->offset < b->offset; });
    std::vector<std::string> added;
    for (const StoredEntry* e : by_offset)
        added.push_back(e->name);
    EXPECT_EQ(added,
              (std::vector<std::string>{"ABC_01.PDT", "ABC_F01.PDT", "CIP_MAP.PDT", "EV01A.PDT",
                                        "ZZ.PDT", "AAA.PDT", "SYS.PDT", "000.TXT"}));

    struct Expected {
        const char* name;
        std::uint32_t size;
        std::uint32_t alpha_field;
        Bytes data;
    };
    const Expected expected[] = {
        {"000.TXT", 5, 0, game.data},
        {"AAA.PDT", 32 + 3 * 8 * 4, 2 * 8 * 4, picture_entry(game.ending)},
        {"ABC_01.PDT", 32 + 3 * 20 * 15, 2 * 20 * 15, sprite_entry(game.pose, game.pose_mask)},
        {"ABC_F01.PDT", 32 + 3 * 12 * 10, 2 * 12 * 10, sprite_entry(game.face, game.face_mask)},
        {"CIP_MAP.PDT", 32 + 3 * 16 * 70, 2 * 16 * 70, picture_entry(game.map, true)},
        {"EV01A.PDT", 32 + 3 * 32 * 24, 2 * 32 * 24, picture_entry(game.event)},
        {"SYS.PDT", 32 + 3 * 8 * 8, 2 * 8 * 8, picture_entry(game.system)},
        {"ZZ.PDT", 32 + 2 * 15 * 11, 0, picture_entry(game.plain)},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const StoredEntry& e = entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.name, expected[i].name);
        EXPECT_EQ(e.unpacked_size, expected[i].size);
        ASSERT_EQ(e.data.size(), expected[i].size);
        if (e.name != "000.TXT") {
            EXPECT_EQ(image_test::read_back(e.data).has_alpha, expected[i].alpha_field != 0);
        }
        EXPECT_TRUE(image_test::same_entry(e.data, expected[i].data)) << e.name;
    }
}

// Width and height of a PNG file from its header chunk.
std::pair<std::uint32_t, std::uint32_t> png_size(const Bytes& png) {
    static const Bytes kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 24 || !std::equal(kSignature.begin(), kSignature.end(), png.begin())) {
        return {0, 0};
    }
    auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 |
                                          png[at + 3]);
    };
    return {be32(16), be32(20)};
}

TEST(Pictures, AvdtoolWritesPictureEntriesAsPng) {
    PictureGame game;
    ASSERT_EQ(game.convert().status, 3);  // a sprite without its mask, an empty picture
    const std::string package = game.dir / "out/DAR297.AVD";

    const Result one = e2e::run({{AVDTOOL_EXE, "png", package, "ev01a.pdt", game.dir / "ev.png"}});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(png_size(e2e::read_bytes(game.dir / "ev.png")), std::make_pair(32u, 24u));

    const Result all = e2e::run({{AVDTOOL_EXE, "png", package, game.dir / "png"}});
    EXPECT_EQ(all.status, 0) << all.err;
    const std::pair<const char*, std::pair<std::uint32_t, std::uint32_t>> files[] = {
        {"AAA.png", {8, 4}},       {"ABC_01.png", {20, 15}}, {"ABC_F01.png", {12, 10}},
        {"CIP_MAP.png", {16, 70}}, {"EV01A.png", {32, 24}},  {"SYS.png", {8, 8}},
        {"ZZ.png", {15, 11}},
    };
    for (const auto& [name, size] : files) {
        EXPECT_EQ(png_size(e2e::read_bytes(game.dir / ("png/" + std::string(name)))), size) << name;
    }
    EXPECT_FALSE(e2e::exists(game.dir / "png/000.png"));

    const Result missing =
        e2e::run({{AVDTOOL_EXE, "png", package, "NONE.PDT", game.dir / "x.png"}});
    EXPECT_EQ(missing.status, 1);
    const Result not_picture =
        e2e::run({{AVDTOOL_EXE, "png", package, "000.TXT", game.dir / "x.png"}});
    EXPECT_EQ(not_picture.status, 1);
    EXPECT_NE(not_picture.err.find("not a PDT10 picture"), std::string::npos) << not_picture.err;
}

}  // namespace
