// SPDX-License-Identifier: GPL-2.0-or-later
// avdtool against hostile packages and what stands in its way on disk:
// escape codes in names, links and FIFOs where it reads and writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "package/package.h"

namespace {

// A package at `path`, written by the converter's own builder, with the
// entry "data" under each of `names`.
void build_package(const e2e::TempDir& dir, const std::string& path,
                   const std::vector<std::string>& names) {
    Package package;
    ASSERT_EQ(open_package(package, dir.path + "/"), Status::ok);
    const std::uint8_t data[] = {'d', 'a', 't', 'a'};
    for (const std::string& name : names)
        add_package_entry(package, name.c_str(), data, sizeof data);
    ASSERT_EQ(finish_package(package, path), Status::ok);
}

TEST(Avdtool, HostileNamesLinksAndSpecialFiles) {
    e2e::TempDir dir;
    build_package(dir, dir / "dup.avd", {"dup", "DUP", "A.TXT"});
    build_package(dir, dir / "escape.avd", {"A\x1b[2J"});
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directories(dir / "out");
    gamekit::write_file(dir / "target", {'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(dir / "target", dir / "out/A.TXT");
    ASSERT_EQ(mkfifo((dir / "out/DUP").c_str(), 0600), 0);
    const std::string avd = dir / "dup.avd", escape = dir / "escape.avd";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string in_out;  // a part of standard output
        std::string err;
    } cases[] = {
        // clang-format off
        {{"verify", avd}, 0, avd + ": OK, 3 entries\n",
         "avdtool: " + avd + ": warning: DUP: 2 entries of this name\n"},
        {{"list", escape}, 0, "\nA\\x1b[2J ", ""},
        {{"verify", escape}, 1, "",
         "avdtool: " + escape + ": entry 0 \"A\\x1b[2J\": name holds the byte \\x1b\n"},
        {{"list", dir / "fifo"}, 1, "",
         "avdtool: cannot read " + dir / "fifo" + ": it is no regular file\n"},
        {{"extract", avd, dir / "out"}, 1, "",
         "avdtool: cannot create " + dir / "out/A.TXT" + ": File exists\n"
         "avdtool: cannot create " + dir / "out/DUP" + ": File exists\n"
         "avdtool: " + avd + ": warning: DUP: a further entry of this name, not written\n"},
        {{"extract", avd, dir / "new"}, 0, "",
         "avdtool: " + avd + ": warning: DUP: a further entry of this name, not written\n"},
        {{"frobnicate", avd}, 2, "",
         "avdtool: unknown command \"frobnicate\"; run with --help for the commands\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        e2e::RunSpec request({AVDTOOL_EXE});
        request.args.insert(request.args.end(), c.args.begin(), c.args.end());
        request.timeout_seconds = 10;
        const e2e::Result r = e2e::run(request);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1];
        EXPECT_NE(r.out.find(c.in_out), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(e2e::read_bytes(dir / "target"), (gamekit::Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(e2e::read_bytes(dir / "new/DUP"), (gamekit::Bytes{'d', 'a', 't', 'a'}));
}

}  // namespace
