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
#include "image/pdt10.h"
#include "package/package.h"

using namespace msconv::image;
using namespace msconv::package;
using namespace msconv::base;

namespace {

// A package at `path`, written by the converter's own builder, with the
// entry "data" under each of `names`; names ending in .PDT hold a black
// PDT10 picture of 2 x 2 pixels (4 x 4 source pixels).
void build_package(const e2e::TempDir& dir, const std::string& path,
                   const std::vector<std::string>& names) {
    Package package;
    ASSERT_EQ(open_package(package, dir.path + "/"), Status::ok);
    const std::uint8_t data[] = {'d', 'a', 't', 'a'};
    Pdt10Block picture;
    ASSERT_TRUE(allocate_pdt10_block(4, 4, picture));
    write_pdt10_header(picture.bytes.data(), 4, 4, 0);
    for (const std::string& name : names) {
        if (name.ends_with(".PDT"))
            add_package_entry(package, name.c_str(), picture.bytes.data(), kPdt10HeaderSize + 8);
        else
            add_package_entry(package, name.c_str(), data, sizeof data);
    }
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
    build_package(dir, dir / "pic.avd", {"PIC.PDT"});
    std::filesystem::create_symlink(dir / "target", dir / "out/PIC.png");
    std::filesystem::create_directories(dir / "full");
    ASSERT_EQ(mkfifo((dir / "full/index.html").c_str(), 0600), 0);
    gamekit::write_file(dir / "noise", e2e::noise(4096, 3));
    const std::string avd = dir / "dup.avd", escape = dir / "escape.avd", pic = dir / "pic.avd";
    const std::string noise = dir / "noise";
    const std::string no_magic = "avdtool: " + noise + ": no package: magic is not \"PLOVEX\"";
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
        // png creates its files as extract does: never through a link, never
        // into a FIFO.
        {{"png", pic, "PIC.PDT", dir / "out/A.TXT"}, 1, "",
         "avdtool: cannot create " + dir / "out/A.TXT" + ": File exists\n"},
        {{"png", pic, dir / "out"}, 1, "",
         "avdtool: cannot create " + dir / "out/PIC.png" + ": File exists\n"},
        {{"report", pic, dir / "full"}, 1, "",
         "avdtool: cannot create " + dir / "full/index.html" + ": File exists\n"},
        {{"report", pic, dir / "page"}, 0,
         dir / "page/index.html: 1 pictures, 0 SEEN entries, 0 dangling names\n", ""},
        {{"check", pic}, 0, pic + ": 0 SEEN entries, 0 references, 0 dangling, 0 unknown until run\n", ""},
        // Every command refuses a file without the package magic.
        {{"list", noise}, 1, "", no_magic + "\n"},
        {{"verify", noise}, 1, "", no_magic + "\n"},
        {{"extract", noise, dir / "x"}, 1, "", no_magic + "\n"},
        {{"png", noise, dir / "x"}, 1, "", no_magic + "\n"},
        {{"check", noise}, 1, "", no_magic + "\n"},
        {{"report", noise, dir / "x"}, 1, "", no_magic + "\n"},
        {{"seen", noise, "SEEN001.TXT"}, 1, "", no_magic + " (nor \"TPC32\", as of a SEEN file)\n"},
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
    EXPECT_TRUE(e2e::exists(dir / "page/p0001.png"));
    EXPECT_FALSE(e2e::exists(dir / "x"));
}

}  // namespace
