// SPDX-License-Identifier: GPL-2.0-or-later
// Limits of the whole run: a large DATA file in bounded memory, thousands of
// files in one folder, long names and paths, code page 932 names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"
#include "package/package_reader.h"

namespace {

using process::Result;
using namespace gamekit;

#if defined(__SANITIZE_ADDRESS__) || defined(MSCONV_TEST_EMULATOR)
// The sanitizers keep freed memory in quarantine, and an emulator adds its
// own: no memory bound holds.
constexpr bool kMemoryIsMeasurable = false;
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

process::Request conversion(const TempFolder& dir) {
    return e2e::conversion(dir / "game", dir / "out", dir / "DATA");
}

Bytes repeated(const Bytes& pattern, std::size_t size) {
    Bytes out;
    out.reserve(size);
    while (out.size() < size)
        out.insert(out.end(), pattern.begin(), pattern.end());
    out.resize(size);
    return out;
}

// A DATA file is read whole and compressed in one piece: the run needs about
// twice its size (the file and its compressed copy), never more, whatever the
// number of jobs. The same bound holds for files of hundreds of MiB (README).
TEST(Limits, LargeDataFileNeedsAboutTwiceItsSize) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    std::filesystem::create_directories(dir / "out");
    // Above 32 MiB, so that the C library maps each block on its own and
    // gives it back when it is freed; 4 KiB patterns, so that compressing
    // takes a second.
    constexpr std::size_t kSize = 40u << 20;
    const Bytes big = repeated(noise(4096, 7), kSize);
    ASSERT_TRUE(gamekit::write_file(dir / "DATA" + "/BIG.DAT", big));
    ASSERT_TRUE(gamekit::write_file(dir / "DATA" + "/NEXT.DAT", repeated(noise(4096, 8), kSize)));
    const Result measured = e2e::run(conversion(dir));
    ASSERT_EQ(measured.status, 0);
    // The file is read whole, so the measured peak is at least its size.
    EXPECT_GE(measured.peak_bytes, kSize);
    if (kMemoryIsMeasurable) {
        EXPECT_LE(measured.peak_bytes, kSize * 9 / 4 + (8u << 20))
            << "peak " << (measured.peak_bytes >> 20) << " MiB for files of " << (kSize >> 20)
            << " MiB";
    }
    const StoredPackage package = read_package(dir / "out" + "/DAR297.AVD");
    ASSERT_EQ(package.entries.size(), 2u);
    EXPECT_TRUE(package.entries[0].data == big);
}

// A 32-bit process cannot hold a DATA file of 3 GiB: the file is skipped with
// the allocation message, standard error names it, and the run goes on
// (status 3). The file is sparse and takes no
// disk space; without large-file support it could not even be opened.
TEST(Limits, DataFileBeyondThe32BitAddressSpaceIsSkipped) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "a 64-bit converter would compress all 3 GiB";
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    std::filesystem::create_directories(dir / "out");
    ASSERT_TRUE(gamekit::write_file(dir / "DATA" + "/SMALL.DAT", noise(100, 1)));
    ASSERT_TRUE(gamekit::write_file(dir / "DATA" + "/HUGE.DAT", {}));
    ASSERT_EQ(truncate((dir / "DATA" + "/HUGE.DAT").c_str(), off_t{3} << 30), 0);
    const Result result = e2e::run(conversion(dir));
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.out.find("Could not allocate memory."), std::string::npos) << result.out;
    EXPECT_NE(
        result.err.find("msconv: " + dir / "DATA" + "/HUGE.DAT: not enough memory to read it\n"),
        std::string::npos)
        << result.err;
    const StoredPackage package = read_package(dir / "out" + "/DAR297.AVD");
    EXPECT_NE(package.find("SMALL.DAT"), nullptr);
    EXPECT_EQ(package.find("HUGE.DAT"), nullptr);
}

// Thousands of files in one folder each become an entry; the directory is
// the only thing that grows with their number.
TEST(Limits, ThousandsOfFilesInOneFolder) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "out");
    constexpr int kDataFiles = 3000;
    constexpr int kPictures = 1000;
    for (int i = 0; i < kDataFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/F%05d.DAT", i);
        ASSERT_TRUE(gamekit::write_file(dir / "DATA" + name, noise(16 + i % 7, i)));
    }
    const Bytes picture =
        gamekit::encode_run_length_picture(gamekit::sample_picture(8, 4, 1, false));
    for (int i = 0; i < kPictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/P%04d.MOE", i);
        ASSERT_TRUE(gamekit::write_file(dir / "game/CG" + name, picture));
    }
    const Result measured = e2e::run(conversion(dir));
    ASSERT_EQ(measured.status, 0);
    if (kMemoryIsMeasurable) {
        EXPECT_LE(measured.peak_bytes, 32u << 20) << (measured.peak_bytes >> 20) << " MiB";
    }
    const StoredPackage package = read_package(dir / "out" + "/DAR297.AVD");
    EXPECT_EQ(package.entries.size(), static_cast<std::size_t>(kDataFiles + kPictures));
    EXPECT_NE(package.find("F00000.DAT"), nullptr);
    EXPECT_NE(package.find("F02999.DAT"), nullptr);
    EXPECT_NE(package.find("P0999.PDT"), nullptr);
}

// Names as long as the file system allows (255 bytes) in a game folder deep
// enough that every path is far beyond 259 bytes: nothing is cut but the
// entry names, which hold 15 bytes.
TEST(Limits, LongNamesAndLongPaths) {
    TempFolder dir;
    std::string game = dir / "game";
    while (game.size() < 400)
        game += "/" + std::string(60, 'g');
    std::filesystem::create_directories(dir / "out");
    const std::string long_stem(251, 'a');  // with ".SIO": 255 bytes
    gamekit::Sio main_sio;
    gamekit::sio_global_jump(main_sio, long_stem + ".sio");
    ASSERT_TRUE(gamekit::write_file(game + "/MES/MAIN.SIO", main_sio.build()));
    gamekit::Sio other;
    gamekit::sio_text(other, "Hi");
    ASSERT_TRUE(gamekit::write_file(game + "/MES/" + long_stem + ".SIO", other.build()));
    const Bytes picture =
        gamekit::encode_run_length_picture(gamekit::sample_picture(4, 4, 2, false));
    // A B sprite keeps its whole base name for its mask, which then is one
    // byte longer than a file name can be, so no folder holds it: reported
    // and skipped.
    const std::string sprite = "ABC_B" + std::string(246, 'x') + ".MOE";
    ASSERT_EQ(sprite.size(), 255u);
    ASSERT_TRUE(gamekit::write_file(game + "/CHAR/" + sprite, picture));
    std::filesystem::create_directories(game + "/SHADOW");
    ASSERT_TRUE(gamekit::write_file(game + "/CG/" + std::string(251, 'p') + ".MOE", picture));
    ASSERT_TRUE(gamekit::write_file(dir / "DATA/" + std::string(255, 'd'), Bytes{1, 2, 3}));

    const Result result = e2e::run(
        {{MSCONV_EXE, "--no-wait", "--output", dir / "out", "--data", dir / "DATA", game}});
    ASSERT_EQ(result.status, 3) << result.out;
    const std::string shadow = game + "/SHADOW/" + sprite.substr(0, 251) + "S.SHW";
    EXPECT_NE(result.out.find("************** Cannot open " + shadow), std::string::npos)
        << result.out;
    EXPECT_NE(result.err.find("msconv: " + game + "/CHAR/" + sprite + ": not converted: its mask " +
                              shadow + " cannot be read (No such file or directory)\n"),
              std::string::npos)
        << result.err;
    const StoredPackage package = read_package(dir / "out" + "/DAR297.AVD");
    EXPECT_EQ(package.names(), (std::vector<std::string>{"DDDDDDDDDDDDDDD", "PPPPPPPPPPPPPPP",
                                                         "SEEN001.TXT", "SEEN002.TXT"}));
    // The jump names the long file by its scenario number.
    ASSERT_EQ(package.entries.size(), 4u);
    const Bytes& seen = package.entries[2].data;
    EXPECT_EQ(Bytes(seen.begin() + 99, seen.end()), (Bytes{0x16, 0x01, 0x12}));
}

// Code page 932 names: double-byte characters are kept as they are, also
// when their second byte is a lower-case ASCII letter (ヂ is 83 61), and only
// single-byte letters are upper-cased.
TEST(Limits, CodePage932Names) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "out");
    const std::string dji = gamekit::cp932("ヂ");
    ASSERT_EQ(dji, "\x83\x61");
    const std::string scenario = gamekit::cp932("ヂあ") + "b.sio";
    gamekit::Sio main_sio;
    gamekit::sio_global_jump(main_sio, scenario);
    ASSERT_TRUE(gamekit::write_file(dir / "game/MES/MAIN.SIO", main_sio.build()));
    gamekit::Sio other;
    gamekit::sio_text(other, gamekit::cp932("ヂ"));
    ASSERT_TRUE(gamekit::write_file(dir / "game/MES/" + scenario, other.build()));
    const Bytes picture =
        gamekit::encode_run_length_picture(gamekit::sample_picture(4, 4, 3, false));
    ASSERT_TRUE(gamekit::write_file(dir / "game/CG/" + dji + "a.moe", picture));
    // Eight double-byte characters and "a": the 15-byte entry name ends on
    // the first byte of the eighth character.
    const std::string data_name = gamekit::cp932("ヂヂヂヂヂヂヂヂ") + "a";
    ASSERT_TRUE(gamekit::write_file(dir / "DATA/" + data_name, Bytes{9}));

    const Result result = e2e::run(
        {{MSCONV_EXE, "--no-wait", "--output", dir / "out", "--data", dir / "DATA", dir / "game"}});
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.find("not found"), std::string::npos) << result.out;
    const StoredPackage package = read_package(dir / "out" + "/DAR297.AVD");
    std::string cut_name = data_name.substr(0, 15);
    EXPECT_EQ(package.names(),
              (std::vector<std::string>{"SEEN001.TXT", "SEEN002.TXT", dji + "A.PDT", cut_name}));
}

}  // namespace
