// SPDX-License-Identifier: GPL-2.0-or-later
// The sample game converted end to end through the real executables: every
// scenario, picture, sprite and data file arrives in the package as expected,
// whatever the number of jobs and whatever the case of the names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "image/pdt10.h"
#include "sample-game/sample_game.h"
#include "scenario/translator.h"
#include "support/image_test_util.h"
#include "support/translate.h"

namespace {

using process::Result;
using namespace gamekit;
using image_test::read_back;

using e2e::convert;

// The console of a conversion of the sample: the two warnings that the
// sample provokes on purpose come in scenario order (EXTRA.SIO is number 2,
// ARCADE.SIO number 3).
std::string expected_console() {
    return e2e::opening() +
           cp932(
               "... コンバート中です\n\n"
               "******************** Error!!! Global jump file (NOWHERE.SIO) not found\n"
               "********** Bad charactor nums : 3\n"
               "終了しました.\n\n");
}

// The scenario list: MAIN.SIO first; the others in the order of the search
// (by upper-cased name), where MAIN.SIO's place went to the first name found.
const std::vector<std::string> kScenarioList = {"MAIN.SIO", "EXTRA.SIO", "ARCADE.SIO", "RIVER.SIO"};

struct PictureEntry {
    const char* name;
    std::uint32_t width, height;  // of the source picture
    bool alpha;
};

// clang-format off
const PictureEntry kPictures[] = {
    {"BG01.PDT", 640, 480, false},    {"BG02.PDT", 640, 480, false},
    {"EV01.PDT", 640, 480, false},    {"END01.PDT", 640, 480, false},
    {"STAMP.PDT", 128, 128, true},    {"TITLE.PDT", 640, 480, false},
    {"WINDOW.PDT", 640, 128, true},   {"OTHER_01.PDT", 96, 48, true},
    {"CIP_MAP.PDT", 96, 144, true},
};
// The sprites that each scenario's characters show, and its backgrounds.
const std::vector<std::vector<std::string>> kSpritesShown = {
    {"AIN_F02", "AIN_B031", "AIN_F07", "AIN_B001", "MIN_F04", "MIN_B103"},
    {"SAT_B034"},
    {"YUI_03", "YUI_01", "YKI_03", "SAK_09", "YK2_12", "AIN_F23", "AIN_B052"},
    {"MIO_F03", "MIO_B121", "MIO_F27", "MIO_B114", "IZA_B015", "MIO_F18", "MIO_B051", "MIO_F32",
     "MIO_B053", "_B007"},
};
const std::vector<std::vector<std::string>> kBackgroundsShown = {
    {"BG01"}, {"BG01"}, {"BG02"}, {"EV01", "END01"}};
// The directory, sorted bytewise by name.
const std::vector<std::string> kDirectory = {
    "AIN_B001.PDT", "AIN_B031.PDT", "AIN_B052.PDT", "AIN_F02.PDT",  "AIN_F07.PDT",
    "AIN_F23.PDT",  "BG01.PDT",     "BG02.PDT",     "CIP_MAP.PDT",  "CONFIG.INI",
    "CREDITS.TXT",  "EMPTY.DAT",    "END01.PDT",    "EV01.PDT",     "IZA_B015.PDT",
    "MIN_B103.PDT", "MIN_F04.PDT",  "MIO_B051.PDT", "MIO_B053.PDT", "MIO_B114.PDT",
    "MIO_B121.PDT", "MIO_F03.PDT",  "MIO_F18.PDT",  "MIO_F27.PDT",  "MIO_F32.PDT",
    "MUSIC_TRACK_LIS", "OTHER_01.PDT", "README.TXT", "SAK_09.PDT",  "SAT_B034.PDT",
    "SEEN001.TXT",  "SEEN002.TXT",  "SEEN003.TXT",  "SEEN004.TXT",  "STAMP.PDT",
    "TABLE.BIN",    "TITLE.PDT",    "WINDOW.PDT",   "YK2_12.PDT",   "YKI_03.PDT",
    "YUI_01.PDT",   "YUI_03.PDT",   "_B007.PDT",
};
// clang-format on

std::string upper(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}

bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

// The sample, generated and converted once (one job) for all tests.
class SampleGame : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempFolder;
        std::string error;
        ASSERT_TRUE(sample_game::build_sample_game({}, game, error)) << error;
        ASSERT_TRUE(sample_game::write_game_files(game, *dir / "game", *dir / "DATA", false, error))
            << error;
        std::filesystem::create_directories(*dir / "out");
        result = convert(*dir / "game", *dir / "out", *dir / "DATA", "1");
        package = read_package(*dir / "out/DAR297.AVD");
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    static const StoredEntry* find(const std::string& name) { return package.find(name); }
    static Bytes entry(const std::string& name) {
        const StoredEntry* e = find(name);
        if (!e) ADD_FAILURE() << "no entry " << name;
        return e ? e->data : Bytes{};
    }

    static inline TempFolder* dir = nullptr;
    static inline sample_game::Game game;
    static inline Result result;
    static inline StoredPackage package;
};

TEST_F(SampleGame, ConvertsWithTheDesignedConsoleAndLeavesNoStagingFile) {
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, expected_console());
    EXPECT_FALSE(e2e::exists(*dir / "out/tmp.dat"));
    EXPECT_FALSE(e2e::exists(*dir / "out/DAR297.AVD.part"));
}

TEST_F(SampleGame, PackageVerifiesAndItsDirectoryIsSorted) {
    const Result verify = e2e::run({{AVDTOOL_EXE, "verify", *dir / "out/DAR297.AVD"}});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_EQ(verify.out, *dir / "out/DAR297.AVD: OK, 43 entries\n");
    const std::vector<std::string> names = package.names();
    EXPECT_EQ(names, kDirectory);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

// Each SEEN entry is the translation of the SIO file that holds its number
// in the scenario list; together the files use every command of the game.
TEST_F(SampleGame, EverySioFileHasTheSeenEntryOfItsNumber) {
    std::set<int> opcodes;
    for (std::size_t k = 1; k <= kScenarioList.size(); ++k) {
        const sample_game::File* sio = nullptr;
        for (const sample_game::File& f : game.game) {
            if (f.folder == "MES" && upper(f.name) == kScenarioList[k - 1]) sio = &f;
        }
        ASSERT_NE(sio, nullptr) << kScenarioList[k - 1];
        const scenario_test::Translation expected =
            scenario_test::translate(sio->bytes, kScenarioList);
        ASSERT_FALSE(expected.translator->conversion_failed);
        char name[16];
        std::snprintf(name, sizeof name, "SEEN%03zu.TXT", k);
        const Bytes seen = entry(name);
        EXPECT_EQ(seen, expected.seen) << name << " is not the translation of " << sio->name;
        ASSERT_GE(seen.size(), 99u);
        EXPECT_EQ(std::string(seen.begin(), seen.begin() + 5), "TPC32");
        EXPECT_EQ((ByteReader{seen, 95}.le32()), seen.size() - 99) << name;
        for (const CommandRecord& c : expected.translator->commands)
            opcodes.insert(sio->bytes[c.sio_offset]);
    }
    EXPECT_EQ(find("SEEN005.TXT"), nullptr);
    const std::set<int> every_command = {1,  2,  3,  5,  7,  8,  9,  10, 11, 12,
                                         20, 21, 22, 30, 31, 32, 33, 34, 35, 40,
                                         41, 50, 51, 52, 53, 60, 61, 62, 63, 240};
    EXPECT_EQ(opcodes, every_command);
}

TEST_F(SampleGame, EveryPictureHasItsEntryWithSizeAndAlphaField) {
    for (const PictureEntry& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Bytes pdt = entry(p.name);
        ASSERT_EQ(pdt.size(), 32 + (p.alpha ? 3 : 2) * (p.width / 2) * (p.height / 2));
        const Pdt10Picture picture = read_back(pdt);
        EXPECT_EQ(picture.source_width, p.width);
        EXPECT_EQ(picture.source_height, p.height);
        EXPECT_EQ(picture.has_alpha, p.alpha);
    }
}

// A face, a body, a sprite whose picture is one figure, and the sprite with
// no character code; the directory test holds that every sprite is there.
TEST_F(SampleGame, SpritesHaveTheirEntryWithAnAlphaPlane) {
    for (const char* name : {"AIN_F02.PDT", "MIO_B121.PDT", "YUI_01.PDT", "_B007.PDT"}) {
        SCOPED_TRACE(name);
        const Bytes pdt = entry(name);
        ASSERT_EQ(pdt.size(), 32 + 3 * 80 * 120);
        const Pdt10Picture picture = read_back(pdt);
        EXPECT_EQ(picture.source_width, 160u);
        EXPECT_EQ(picture.source_height, 240u);
        EXPECT_TRUE(picture.has_alpha);
        // A figure on a transparent ground, every mask found: transparent in
        // the corner, opaque in the middle of the head or the body.
        EXPECT_EQ(picture.alpha[0], 0);
        const bool face = std::string(name).find("_F") != std::string::npos;
        EXPECT_EQ(picture.alpha[(face ? 32 : 72) * 80 + 40], 255);
    }
}

TEST_F(SampleGame, CipMapGetsItsDarkenedCell) {
    const Pdt10Picture map = read_back(entry("CIP_MAP.PDT"));
    // The cursor's top edge at (0, 42) is opaque, of the colour 0xFEE7 (red
    // 31, green 55, blue 7); its copy 12 rows lower, drawn over a transparent
    // cell, carries the alpha 255 x 192 / 255 and each channel times 192 / 255
    // (red 23, green 41, blue 5): 0xBD25.
    EXPECT_EQ(map.colour[42 * 48], 0xFEE7);
    EXPECT_EQ(map.alpha[42 * 48], 255);
    EXPECT_EQ(map.alpha[54 * 48], 192);
    EXPECT_EQ(map.colour[54 * 48], 0xBD25);
}

// The sprite and background names that the scenarios' commands form are
// entries of the package.
TEST_F(SampleGame, ScenariosNameSpritesAndBackgroundsThatExist) {
    for (std::size_t k = 1; k <= kSpritesShown.size(); ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "SEEN%03zu.TXT", k);
        const Bytes seen = entry(name);
        for (const std::string& sprite : kSpritesShown[k - 1]) {
            Bytes record = {0x03};
            record.insert(record.end(), sprite.begin(), sprite.end());
            record.push_back(0);
            EXPECT_TRUE(contains(seen, record)) << name << " shows no " << sprite;
            EXPECT_NE(find(sprite + ".PDT"), nullptr) << sprite;
        }
        for (const std::string& background : kBackgroundsShown[k - 1]) {
            Bytes slot = {0x59, 0x01, 0x11};
            slot.insert(slot.end(), background.begin(), background.end());
            slot.push_back(0);
            EXPECT_TRUE(contains(seen, slot)) << name << " sets no " << background;
            EXPECT_NE(find(background + ".PDT"), nullptr) << background;
        }
    }
}

// `avdtool check` names the two dangling references the sample holds on
// purpose, and nothing else.
TEST_F(SampleGame, CheckNamesTheDanglingReferencesHeldOnPurpose) {
    const std::string path = *dir / "out/DAR297.AVD";
    const Result r = e2e::run({{AVDTOOL_EXE, "check", path}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "SEEN002.TXT 0x0290: scenario jump 0: no entry SEEN000.TXT\n"
              "SEEN003.TXT 0x01F9: sprite \"AIN_F09\": no entry AIN_F09.PDT\n" +
                  path +
                  ": 4 SEEN entries, 0 unreadable, 57 references, 2 dangling, 0 unknown until run, "
                  "0 faults\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(SampleGame, DataFilesAreCopiedByteForByte) {
    ASSERT_EQ(game.data.size(), 6u);
    for (const sample_game::File& f : game.data) {
        const std::string name = upper(f.name).substr(0, 15);
        EXPECT_EQ(entry(name), f.bytes) << name;
    }
}

TEST_F(SampleGame, FourJobsGiveTheSamePackage) {
    TempFolder out;
    const Result r = convert(*dir / "game", out.path, *dir / "DATA", "4");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_console());
    EXPECT_TRUE(e2e::read_bytes(out / "DAR297.AVD") == package.bytes);
}

TEST_F(SampleGame, LowerCaseCopyGivesTheSamePackage) {
    TempFolder copy;
    std::string error;
    ASSERT_TRUE(sample_game::write_game_files(game, copy / "game", copy / "data", true, error))
        << error;
    ASSERT_TRUE(e2e::exists(copy / "game/mes/main.sio"));
    ASSERT_TRUE(e2e::exists(copy / "game/shadow/ain_f0s.shw"));
    ASSERT_TRUE(e2e::exists(copy / "data/music_track_list.txt"));
    const Result r = convert(copy / "game", copy.path, copy / "data");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_console());
    EXPECT_TRUE(e2e::read_bytes(copy / "DAR297.AVD") == package.bytes);
}

}  // namespace
