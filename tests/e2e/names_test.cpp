// SPDX-License-Identifier: GPL-2.0-or-later
// Folder and file names as Linux has them (UTF-8): packages the same as with
// ASCII names, paths shown as their own bytes, names no entry can hold left
// out with a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio_commands.h"

namespace {

using gamekit::Bytes;
using process::Result;

const std::string kFinishedUtf8 = "終了しました.\n\n";

// A small game in `game`, with one empty picture whose warning names a path.
void make_game(const std::string& game, const std::string& data) {
    gamekit::Sio main;
    gamekit::sio_text(main, gamekit::cp932("ねむり"));
    gamekit::write_file(game + "/MES/MAIN.SIO", main.build());
    gamekit::write_file(game + "/CG/BG.MOE",
                        gamekit::encode_run_length_picture(gamekit::sample_picture(8, 6, 1, true)));
    gamekit::write_file(game + "/CG/EMPTY.MOE", {});
    gamekit::write_file(data + "/NOTE.TXT", {'n'});
}

Result convert_utf8(const std::string& game, const std::string& out, const std::string& data) {
    process::Request request = e2e::conversion(game, out, data, "1");
    request.env = {{"LC_ALL", "C.UTF-8"}};
    return e2e::run(request);
}

// The same folder name for the game, DATA and output folders; characters
// whose code page 932 form ends in 0x5C (表, ソ) or in a lead byte value; DEL,
// which is shown escaped.
TEST(Names, FolderNamesInUtf8GiveTheSamePackageAndShowAsTheirBytes) {
    const struct {
        const char* name;
        const char* shown;
    } names[] = {{"ascii", "ascii"},     {"デ", "デ"},         {"画像", "画像"},
                 {"表示", "表示"},       {"ソフト", "ソフト"}, {"ねむりの本棚", "ねむりの本棚"},
                 {"del\x7f", "del\\x7f"}};
    Bytes reference;
    for (const auto [name, shown] : names) {
        SCOPED_TRACE(shown);
        TempFolder dir;
        const std::string game = dir / "g/" + name, data = dir / "d/" + name,
                          out = dir / "o/" + name;
        make_game(game, data);
        std::filesystem::create_directories(out);
        const Result r = convert_utf8(game, out, data);
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_NE(r.out.find("\n********** " + dir / "g/" + shown +
                             "/CG/EMPTY.MOE is empty, skipped\n" + kFinishedUtf8),
                  std::string::npos)
            << r.out;
        const Bytes package = e2e::read_bytes(out + "/DAR297.AVD");
        read_package(out + "/DAR297.AVD");  // verifies it
        if (reference.empty()) reference = package;
        EXPECT_EQ(package, reference);
        const Result missing = convert_utf8(game, out + "/無い", data);
        EXPECT_EQ(missing.status, 2);
        EXPECT_NE(missing.err.find("msconv: cannot create " + dir / "o/" + shown +
                                   "/無い/tmp.dat: No such file or directory\n"),
                  std::string::npos)
            << missing.err;
    }
}

// DATA file names: UTF-8 and code page 932 bytes give the same entry; a name
// with no code page 932 form, a control byte or a backslash is left out with
// a warning that names it, and the package still verifies.
TEST(Names, DataFileNamesBecomeCodePage932EntriesOrAreLeftOut) {
    TempFolder dir;
    make_game(dir / "game", dir / "DATA");
    std::filesystem::create_directories(dir / "out");
    gamekit::write_file(dir / "DATA/設定.INI", {'s'});
    gamekit::write_file(dir / "cp932/" + gamekit::cp932("設定.INI"), {'s'});
    gamekit::write_file(dir / "cp932/NOTE.TXT", {'n'});
    const Result utf8 = convert_utf8(dir / "game", dir / "out", dir / "DATA");
    const Bytes package = e2e::read_bytes(dir / "out/DAR297.AVD");
    const Result cp932 = convert_utf8(dir / "game", dir / "out", dir / "cp932");
    EXPECT_EQ(utf8.out, cp932.out);
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), package);
    EXPECT_NE(read_package(dir / "out/DAR297.AVD").find(gamekit::cp932("設定.INI")), nullptr);

    const struct {
        const char* name;
        const char* shown;
        const char* reason;
    } refused[] = {
        {"😀.txt", "😀.txt", "the name has characters that code page 932 lacks"},
        {"한글.txt", "한글.txt", "the name has characters that code page 932 lacks"},
        {"esc\x1b[2J", "esc\\x1b[2J", "the name holds a control character"},
        {"back\\slash.txt", "back\\slash.txt", "the name holds a path separator"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.shown);
        gamekit::write_file(dir / "bad/" + c.name, {'x'});
        gamekit::write_file(dir / "bad/NOTE.TXT", {'n'});
        const Result r = convert_utf8(dir / "game", dir / "out", dir / "bad");
        EXPECT_EQ(r.status, 3);
        const std::string path = dir / "bad/" + c.shown;
        EXPECT_NE(r.out.find("********** " + path + " cannot be stored under its name, skipped\n"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.err.find("msconv: " + path + ": " + c.reason + "\n"), std::string::npos)
            << r.err;
        EXPECT_EQ(read_package(dir / "out/DAR297.AVD").names(),
                  (std::vector<std::string>{"BG.PDT", "NOTE.TXT", "SEEN001.TXT"}));
        std::filesystem::remove(dir / "bad/" + c.name);
    }
}

}  // namespace
