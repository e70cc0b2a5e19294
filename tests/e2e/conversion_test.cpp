// SPDX-License-Identifier: GPL-2.0-or-later
// The converter run end to end, through the real executables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "package/package_reader.h"

namespace {

using process::Result;
using namespace gamekit;

using e2e::opening;
const std::string kPressKey = "何かキーを押してください.\n";

using e2e::convert;

TEST(Conversion, CopiesEveryDataFileAndPrintsTheDesignedConsole) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    std::filesystem::create_directories(dir / "out");
    const Bytes readme = {'h', 'e', 'l', 'l', 'o', '\n'};
    const Bytes big = noise(300000, 7);
    gamekit::write_file(dir / "DATA/readme.txt", readme);
    gamekit::write_file(dir / "DATA/empty.bin", {});
    gamekit::write_file(dir / "DATA/a_very_long_file_name.bin", big);
    gamekit::write_file(dir / "DATA/sub/inside.txt", readme);

    const Result r = convert(dir / "game", dir / "out", dir / "DATA");
    EXPECT_EQ(r.status, 3);  // the subfolder is named, and its files are not imported
    EXPECT_EQ(r.err, "msconv: " + dir / "DATA/sub" +
                         " is a folder; its files are not imported\nmsconv: the package was "
                         "written without 1 input file, each named above\n");
    EXPECT_EQ(r.out, opening() + cp932("... コンバート中です\n\n終了しました.\n\n"));
    EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));

    const Result verify = e2e::run({{AVDTOOL_EXE, "verify", dir / "out/DAR297.AVD"}});
    EXPECT_EQ(verify.status, 0) << verify.err;
    const StoredPackage p = read_package(dir / "out/DAR297.AVD");
    EXPECT_EQ(p.names(), (std::vector<std::string>{"A_VERY_LONG_FIL", "EMPTY.BIN", "README.TXT"}));
    const Bytes expected[] = {big, {}, readme};
    for (std::size_t i = 0; i < p.entries.size() && i < 3; ++i)
        EXPECT_EQ(p.entries[i].data, expected[i]) << p.entries[i].name;
}

TEST(Conversion, CancelAtThePromptEndsWithStatusOne) {
    TempFolder dir;
    const Result r = e2e::run({{MSCONV_EXE, "--no-wait", "--output", dir.path}, ""});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, opening() + cp932("中止しました.\n\n"));
    EXPECT_FALSE(e2e::exists(dir / "tmp.dat"));
    EXPECT_FALSE(e2e::exists(dir / "DAR297.AVD"));
    // Without --no-wait the key prompt comes on every path; the wait itself
    // ends at once, standard input being no terminal.
    const Result designed = e2e::run({{MSCONV_EXE, "--output", dir.path}, ""});
    EXPECT_EQ(designed.status, 1);
    EXPECT_EQ(designed.out, opening() + cp932("中止しました.\n\n" + kPressKey));
}

TEST(Conversion, FolderTypedAtThePromptIsConverted) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/CG");
    gamekit::write_file(dir / "DATA/x", {1});
    const Result r =
        e2e::run({{MSCONV_EXE, "--no-wait", "--output", dir.path, "--data", dir / "DATA"},
                  dir / "game" + "\n"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(e2e::exists(dir / "DAR297.AVD"));
}

TEST(Conversion, CommandLine) {
    const Result version = e2e::run({{MSCONV_EXE, "--version"}});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "msconv 0.10\n");
    const Result bad = e2e::run({{MSCONV_EXE, "--no-such-option"}});
    EXPECT_EQ(bad.status, 2);
    const Result generator = e2e::run({{SAMPLE_GAME_EXE}});
    EXPECT_EQ(generator.status, 2);
    EXPECT_NE(generator.err.find("OUT_GAME [OUT_DATA]"), std::string::npos) << generator.err;
}

TEST(Avdtool, VerifyNamesTheFirstFault) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    gamekit::write_file(dir / "DATA/a", {1, 2, 3});
    gamekit::write_file(dir / "DATA/b", noise(1000, 1));
    ASSERT_EQ(convert(dir / "game", dir.path, dir / "DATA").status, 0);
    const Bytes good = e2e::read_bytes(dir / "DAR297.AVD");
    const struct {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
        const char* reason;
    } faults[] = {
        {"magic", 0, 'Q', "magic is not \"PLOVEX\""},
        {"fixed word", 8, 0, "header word at offset 8 is 1536, not 1613"},
        {"sort order", 64, 'Z', "directory is not sorted at entry 1 (B)"},
        {"offset", 64 + 16, 0, "A: data start at 0, expected 128"},
        {"unpacked size", 64 + 24, 9, "does not decompress to its unpacked size"},
    };
    for (const auto& f : faults) {
        Bytes bad = good;
        bad[f.offset] = f.value;
        gamekit::write_file(dir / "bad.avd", bad);
        const Result r = e2e::run({{AVDTOOL_EXE, "verify", dir / "bad.avd"}});
        EXPECT_EQ(r.status, 1) << f.what;
        EXPECT_NE(r.err.find(f.reason), std::string::npos) << f.what << ": " << r.err;
    }
    Bytes truncated(good.begin(), good.end() - 1);
    gamekit::write_file(dir / "bad.avd", truncated);
    EXPECT_EQ(e2e::run({{AVDTOOL_EXE, "verify", dir / "bad.avd"}}).status, 1);
}

}  // namespace
