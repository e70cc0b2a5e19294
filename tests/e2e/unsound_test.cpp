// SPDX-License-Identifier: GPL-2.0-or-later
// Unsound SEEN files end to end: a menu past its count byte is written as
// translated, named on standard error and counted (status 3; the overflowing
// translation is in scenario_test.cpp); an empty game folder argument is a
// command-line error.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"
#include "support/translate.h"

namespace {

using process::Result;
using namespace gamekit;
using namespace scenario_test;

Result convert(const TempFolder& dir) {
    std::filesystem::create_directories(dir / "DATA");
    std::filesystem::create_directories(dir / "out");
    return e2e::convert(dir / "game", dir / "out", dir / "DATA");
}

const std::string kFinished = cp932("終了しました.\n\n");

// 256 items: the count byte reads 00. The file is kept as translated, and
// the last line counts it beside a skipped file.
TEST(UnsoundConversion, AMenuOf256ItemsIsWrittenNamedAndCounted) {
    TempFolder dir;
    Sio s;
    s.byte(1).word(3);  // command 1 to the menu (3 bytes), as an SIO program may start
    sio_menu(s, std::vector<std::pair<std::string, std::string>>(256, {"end", "A"}));
    s.label("end");
    write_file(dir / "game/MES/MAIN.SIO", s.build());
    write_file(dir / "game/MES/B.SIO", {});

    const Result r = convert(dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, e2e::opening() + cp932("... コンバート中です\n\n") + "********** " +
                         dir / "game/MES/B.SIO" + " is empty, skipped\n" + kFinished);
    EXPECT_EQ(r.err, "msconv: " + dir / "game/MES/MAIN.SIO" +
                         ": SEEN001.TXT is unsound: the menu at SIO offset 0x0003 has 256 items, "
                         "more than the 255 its count byte holds\n"
                         "msconv: the package was written without 1 input file and with 1 "
                         "unsound SEEN file, each named above\n");

    // 1C to the menu at 5; the menu ends at 5 + 6 + 4 * 256 + 5 + 4 * 256.
    Bytes body = cat({hex("1C"), le32(5), hex("58 01 27 3E 22 00")});
    for (int i = 0; i < 256; ++i)
        body = cat({body, hex("FF 41 00 00")});
    body = cat({body, hex("23 1E 00 27 3E")});
    for (int i = 0; i < 256; ++i)
        body = cat({body, le32(5 + 6 + 4 * 256 + 5 + 4 * 256)});
    const StoredPackage package = read_package(dir / "out/DAR297.AVD");
    ASSERT_EQ(package.names(), (std::vector<std::string>{"SEEN001.TXT"}));
    EXPECT_EQ(package.entries[0].data, seen(body));
}

TEST(UnsoundConversion, AnEmptyGameFolderArgumentIsACommandLineError) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "out");
    const Result r =
        e2e::run({{MSCONV_EXE, "--no-wait", "--output", dir / "out", "--data", dir.path, ""}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "GAME_FOLDER: an empty value names no folder (leave the argument out to be asked "
              "for the game folder)\nRun with --help for more information.\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
}

}  // namespace
