// SPDX-License-Identifier: GPL-2.0-or-later
// Every call that creates, locks, writes, flushes, closes or renames an output file
// is made to fail in turn: each run must end with the designed message and
// status 2, no staging file, and the earlier package untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/sio_commands.h"

namespace {

using e2e::Result;
using e2e::TempDir;

Result run_faulty(const TempDir& dir, std::uint64_t fail_call, const std::string& jobs) {
    e2e::RunSpec request({MSCONV_FAULTY_EXE, "--no-wait", "--jobs", jobs, "--output", dir / "out",
                          "--data", dir / "DATA", dir / "game"});
    request.env = {{"MSCONV_FAIL_CALL", std::to_string(fail_call)},
                   {"MSCONV_CALL_COUNT", dir / "calls"}};
    return e2e::run(request);
}

void make_game(const TempDir& dir) {
    gamekit::Sio main;
    gamekit::sio_text(main, gamekit::cp932("あいう"));
    gamekit::sio_close(main);
    gamekit::write_file(dir / "game/MES/MAIN.SIO", main.build());
    gamekit::Sio other;
    gamekit::sio_global_jump(other, "MAIN.SIO");
    gamekit::write_file(dir / "game/MES/OTHER.SIO", other.build());
    // Incompressible and larger than the 1 MiB copy chunk, so the copy into
    // the package takes two chunks.
    gamekit::Bytes big((1 << 20) + 4096);
    std::uint32_t x = 1;
    for (auto& byte : big) {
        x = x * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    gamekit::write_file(dir / "DATA/BIG.BIN", big);
    gamekit::write_file(dir / "DATA/SMALL.TXT", {'s', 'm', 'a', 'l', 'l'});
}

TEST(FaultInjection, EveryOutputCallFailingLeavesTheEarlierPackage) {
    TempDir dir;
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

}  // namespace
