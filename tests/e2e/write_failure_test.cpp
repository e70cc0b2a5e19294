// SPDX-License-Identifier: GPL-2.0-or-later
// Output that cannot be written: a missing output folder, a full disk (a
// file size limit) at the staging file and at the package, and every call
// that creates, locks, writes, flushes, closes or renames an output file
// made to fail in turn. Each run must end with the designed message and
// status 2, the reason on standard error, no staging file, and the earlier
// package untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/sio_commands.h"

namespace {

using e2e::opening;
using process::Result;
using namespace gamekit;

// A conversion into `out` that may write files of `file_size_limit` bytes at most.
Result run_limited(const TempFolder& dir, const std::string& out, std::uint64_t file_size_limit) {
    process::Request request = e2e::conversion(dir / "game", out, dir / "DATA");
    request.file_size_limit = file_size_limit;
    return e2e::run(request);
}

Result run_faulty(const TempFolder& dir, std::uint64_t fail_call, const std::string& jobs) {
    process::Request request({MSCONV_FAULTY_EXE, "--no-wait", "--jobs", jobs, "--output",
                              dir / "out", "--data", dir / "DATA", dir / "game"});
    request.env = {{"MSCONV_FAIL_CALL", std::to_string(fail_call)},
                   {"MSCONV_CALL_COUNT", dir / "calls"}};
    return e2e::run(request);
}

void make_game(const TempFolder& dir) {
    gamekit::Sio main;
    gamekit::sio_text(main, gamekit::cp932("あいう"));
    gamekit::sio_close(main);
    gamekit::write_file(dir / "game/MES/MAIN.SIO", main.build());
    gamekit::Sio other;
    gamekit::sio_global_jump(other, "MAIN.SIO");
    gamekit::write_file(dir / "game/MES/OTHER.SIO", other.build());
    // Incompressible and larger than the 1 MiB copy chunk, so the copy into
    // the package takes two chunks.
    gamekit::write_file(dir / "DATA/BIG.BIN", noise((1 << 20) + 4096, 1));
    gamekit::write_file(dir / "DATA/SMALL.TXT", {'s', 'm', 'a', 'l', 'l'});
}

TEST(FaultInjection, EveryOutputCallFailingLeavesTheEarlierPackage) {
    TempFolder dir;
    make_game(dir);
    const gamekit::Bytes earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    gamekit::write_file(dir / "out/DAR297.AVD", earlier);

    // A clean run counts the calls.
    const Result clean = run_faulty(dir, 0, "1");
    ASSERT_EQ(clean.status, 0) << clean.err;
    const gamekit::Bytes good = e2e::read_bytes(dir / "out/DAR297.AVD");
    const auto count_bytes = e2e::read_bytes(dir / "calls");
    const std::uint64_t calls = std::stoull(std::string(count_bytes.begin(), count_bytes.end()));
    ASSERT_GE(calls, 8u);

    const std::string write_failed = gamekit::cp932("アーカイブの書き込みに失敗しました.\n\n");
    const std::string cannot_create = gamekit::cp932("アーカイブ作成に失敗しました.\n\n");
    for (const char* jobs : {"1", "3"}) {
        for (std::uint64_t n = 1; n <= calls; ++n) {
            gamekit::write_file(dir / "out/DAR297.AVD", earlier);
            const Result r = run_faulty(dir, n, jobs);
            SCOPED_TRACE("failing call " + std::to_string(n) + " with " + jobs + " jobs");
            EXPECT_EQ(r.status, 2);
            // The first two calls create and lock the staging file.
            const std::string& message = n <= 2 ? cannot_create : write_failed;
            EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
            // Standard error names the file and the reason.
            EXPECT_EQ(r.err.rfind("msconv: cannot ", 0), 0u) << r.err;
            EXPECT_NE(r.err.find(": Input/output error\n"), std::string::npos) << r.err;
            EXPECT_EQ(r.out.find(gamekit::cp932("終了しました")), std::string::npos);
            EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), earlier);
            EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));
            EXPECT_FALSE(e2e::exists(dir / "out/DAR297.AVD.part"));
        }
    }
    // And past the last call the run succeeds with the same package.
    const Result after = run_faulty(dir, calls + 1, "3");
    EXPECT_EQ(after.status, 0);
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), good);
}

TEST(WriteFailure, OutputFolderThatCannotBeWritten) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    std::filesystem::create_directories(dir / "DATA");
    const Result r = e2e::run(e2e::conversion(dir / "game", dir / "missing/folder", dir / "DATA"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, opening() + cp932("アーカイブ作成に失敗しました.\n\n"));
    EXPECT_EQ(r.err, "msconv: cannot create " + dir / "missing/folder/tmp.dat" +
                         ": No such file or directory\n");
}

TEST(WriteFailure, WriteFailureKeepsTheEarlierPackage) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    const Bytes earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    gamekit::write_file(dir / "out/DAR297.AVD", earlier);
    gamekit::write_file(dir / "DATA/noise.bin", noise(400000, 3));

    const Result r = run_limited(dir, dir / "out", 200000);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, opening() + cp932("... コンバート中です\n\n"
                                       "アーカイブの書き込みに失敗しました.\n\n"));
    EXPECT_EQ(r.err, "msconv: cannot write " + dir / "out/tmp.dat" + ": File too large\n");
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), earlier);
    EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));
    EXPECT_FALSE(e2e::exists(dir / "out/DAR297.AVD.part"));
}

TEST(WriteFailure, FailureWhileWritingThePackageKeepsTheEarlierOne) {
    // The staging file fits the limit, the package (its copy plus header) does not.
    TempFolder dir;
    std::filesystem::create_directories(dir / "game/MES");
    std::filesystem::create_directories(dir / "out");
    const Bytes data = noise(150000, 5);
    gamekit::write_file(dir / "DATA/noise.bin", data);
    // The package is its header and one directory entry (96 bytes) ahead of
    // the staged data.
    ASSERT_EQ(e2e::run(e2e::conversion(dir / "game", dir / "out", dir / "DATA")).status, 0);
    const std::uint64_t package_size = e2e::read_bytes(dir / "out/DAR297.AVD").size();
    const Bytes earlier = {'o', 'l', 'd'};
    gamekit::write_file(dir / "out/DAR297.AVD", earlier);
    const Result r = run_limited(dir, dir / "out", package_size - 48);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), earlier);
    EXPECT_FALSE(e2e::exists(dir / "out/tmp.dat"));
    EXPECT_FALSE(e2e::exists(dir / "out/DAR297.AVD.part"));
    EXPECT_EQ(r.err, "msconv: cannot write " + dir / "out/DAR297.AVD.part" + ": File too large\n");
}

}  // namespace
