// SPDX-License-Identifier: GPL-2.0-or-later
// Scenario translation end to end: SIO files of a game folder become the
// package entries "SEEN%03d.TXT", and an opcode without translation ends the
// run without a package.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"
#include "package/package_reader.h"
#include "support/translate.h"

namespace {

using process::Result;
using namespace gamekit;

std::string opening() {
    return e2e::opening() + cp932("... コンバート中です\n\n");
}

Result convert(const TempFolder& dir) {
    std::filesystem::create_directories(dir / "DATA");
    std::filesystem::create_directories(dir / "out");
    return e2e::convert(dir / "game", dir / "out", dir / "DATA");
}

using namespace scenario_test;

const Bytes kClose = hex("0B 30 59 01 11 4E 4F 00 0B 05 40 11 10 16 01 26 3E");

TEST(ScenarioConversion, EverySioFileBecomesASeenEntry) {
    TempFolder dir;
    // Listed as A.SIO, B.SIO, MAIN.SIO; MAIN.SIO takes slot 1, A.SIO slot 3.
    Sio main_program;
    main_program.label("top");
    sio_text(main_program, cp932("ＡＢ：あ"));
    sio_range(main_program, var(1), lit(3));
    sio_global_jump(main_program, "a.sio");
    sio_global_jump(main_program, "B.SIO");
    sio_jump(main_program, "top");
    sio_close(main_program);
    write_file(dir / "game/MES/MAIN.SIO", main_program.build());
    Sio a;
    sio_close(a);
    write_file(dir / "game/MES/a.sio", a.build());
    write_file(dir / "game/MES/B.SIO", {});  // empty: its number stays taken

    const Result r = convert(dir);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, opening() + "********** " + dir.path + "/game/MES/B.SIO is empty, skipped\n" +
                         cp932("終了しました.\n\n"));
    EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));
    const Result verify = e2e::run({{AVDTOOL_EXE, "verify", dir / "out/DAR297.AVD"}});
    EXPECT_EQ(verify.status, 0) << verify.err;

    const StoredPackage package = read_package(dir / "out/DAR297.AVD");
    ASSERT_EQ(package.names(), (std::vector<std::string>{"SEEN001.TXT", "SEEN003.TXT"}));
    const Bytes& seen001 = package.entries[0].data;
    const Bytes& seen003 = package.entries[1].data;
    Bytes body =
        hex("FF 81 6B 82 60 82 61 81 6C 00 02 01 FF 81 79 81 7A 82 A0 00 01 "  // 〔ＡＢ〕【】あ
            "57 11 10 12 "                                                     // range of var 1
            "16 01 13 16 01 12 "                                               // A.SIO, B.SIO
            "1C 00 00 00 00 ");                                                // to the start
    body.insert(body.end(), kClose.begin(), kClose.end());
    EXPECT_EQ(seen001, seen(body));
    EXPECT_EQ(seen003, seen(kClose));
}

TEST(ScenarioConversion, WarningsDoNotStopTheRun) {
    TempFolder dir;
    Sio main_program;
    sio_global_jump(main_program, "nowhere.sio");
    main_program.byte(1).word(14);  // into its own operand
    write_file(dir / "game/MES/MAIN.SIO", main_program.build());
    Sio larger;
    sio_hidden_text(larger, std::string(65535, 'a'));
    write_file(dir / "game/MES/N.SIO", larger.build());

    const Result r = convert(dir);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, opening() +
                         "******************** Error!!! Global jump file (NOWHERE.SIO) not found\n"
                         "******************* Jump point (0x000e) not found!!!!!\n"
                         "********** " +
                         dir.path + "/game/MES/N.SIO is too large, skipped\n" +
                         cp932("終了しました.\n\n"));
    const StoredPackage package = read_package(dir / "out/DAR297.AVD");
    ASSERT_EQ(package.entries.size(), 1u);
    EXPECT_EQ(package.entries[0].data, seen(hex("16 01 10 1C 00 00 00 00")));
}

TEST(ScenarioConversion, OpcodeWithoutTranslationEndsTheRunWithoutAPackage) {
    TempFolder dir;
    Sio main_program;
    sio_close(main_program);
    write_file(dir / "game/MES/MAIN.SIO", main_program.build());
    write_file(dir / "game/MES/N.SIO", {0x05, 0x00, 0x00, 0x04});
    write_file(dir / "game/MES/O.SIO", main_program.build());

    const Result r = convert(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, opening() + "*************** Unkown Command 0x04\n\n" +
                         cp932("変換に失敗しました.\n"));
    EXPECT_FALSE(e2e::exists(dir / "out/DAR297.AVD"));
    EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));
}

// A jump over 1400 choices (50 bytes each): the translation overflows the
// SEEN buffer, so the jump's target lies past the body the translator keeps.
// The file is named and counted (status 3); --verify names its first fault
// too, and the package and standard output are those of a plain run.
TEST(ScenarioConversion, AnOverflowingTranslationIsNamedAndCounted) {
    TempFolder dir;
    Sio s;
    sio_jump(s, "end");
    for (int k = 0; k < 1400; ++k)
        sio_choose(s);
    s.label("end");
    sio_text(s, cp932("あ"));
    write_file(dir / "game/MES/MAIN.SIO", s.build());
    const Result plain = convert(dir);
    const Bytes package = e2e::read_bytes(dir / "out/DAR297.AVD");
    EXPECT_EQ(plain.status, 3);
    // 99 + 5 + 1400 * 50, then the text's FF, its zero (the text is dropped) and 01.
    EXPECT_EQ(plain.err, "msconv: " + dir / "game/MES/MAIN.SIO" +
                             ": SEEN001.TXT is unsound: its translation overflows the 65536-byte "
                             "SEEN file (70107 bytes)\n"
                             "msconv: the package was written with 1 unsound SEEN file, each "
                             "named above\n");

    process::Request request = e2e::conversion(dir / "game", dir / "out", dir / "DATA");
    request.args.push_back("--verify");
    const Result verified = e2e::run(request);
    EXPECT_EQ(verified.status, plain.status);
    EXPECT_EQ(verified.out, plain.out);
    EXPECT_EQ(verified.err,
              "msconv: " + dir / "game/MES/MAIN.SIO" +
                  ": SEEN001.TXT has 1 fault at 0x0000: jump 0x11175 (outside the body): "
                  "target 0x11175 is outside the body (0xFF9D bytes)\n" +
                  plain.err);
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), package);
}

}  // namespace
