// SPDX-License-Identifier: GPL-2.0-or-later
// avdtool against hostile packages and what stands in its way on disk:
// escape codes in names, links and FIFOs where it reads and writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "image/pdt10.h"
#include "package/package.h"
#include "scenario/seen.h"
#include "support/translate.h"

namespace {

// A package at `path`, written by the converter's own builder, with the
// entry "data" under each of `names`; names ending in .PDT hold a black
// PDT10 picture of 2 x 2 pixels (4 x 4 source pixels), names in `contents`
// what it gives them.
void build_package(const TempFolder& dir, const std::string& path,
                   const std::vector<std::string>& names,
                   const std::map<std::string, gamekit::Bytes>& contents = {}) {
    Package package;
    Diagnostics said;
    ASSERT_EQ(open_package(package, dir.path + "/", 1, said), Status::ok);
    const std::uint8_t data[] = {'d', 'a', 't', 'a'};
    Pdt10Block picture;
    ASSERT_TRUE(allocate_pdt10_block(4, 4, picture));
    write_pdt10_header(picture.bytes.data(), 4, 4, 0);
    for (const std::string& name : names) {
        if (const auto given = contents.find(name); given != contents.end())
            add_package_entry(package, name.c_str(), given->second, nullptr, said);
        else if (name.ends_with(".PDT"))
            add_package_entry(package, name.c_str(),
                              {picture.bytes.begin(), picture.bytes.begin() + kPdt10HeaderSize + 8},
                              nullptr, said);
        else
            add_package_entry(package, name.c_str(), {std::begin(data), std::end(data)}, nullptr,
                              said);
    }
    ASSERT_EQ(finish_package(package, path, said), Status::ok);
    EXPECT_TRUE(said.messages.empty());
}

// One avdtool run, under LC_ALL=`locale`: its status, a part of standard
// output, all of standard error and a part of the page of a report into
// args[2].
struct Case {
    std::vector<std::string> args;
    int status;
    std::string in_out, err;
    const char* locale = "C";
    std::string page = "";
};

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        process::Request request({AVDTOOL_EXE});
        request.args.insert(request.args.end(), c.args.begin(), c.args.end());
        request.env = {{"LC_ALL", c.locale}};
        request.timeout_seconds = 10;
        const process::Result r = e2e::run(request);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1];
        EXPECT_NE(r.out.find(c.in_out), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
        EXPECT_EQ(r.err, c.err);
        if (c.page.empty()) continue;
        const gamekit::Bytes page = e2e::read_bytes(c.args[2] + "/index.html");
        EXPECT_NE(std::string(page.begin(), page.end()).find(c.page), std::string::npos);
    }
}

TEST(Avdtool, HostileNamesLinksAndSpecialFiles) {
    TempFolder dir;
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
    gamekit::write_file(dir / "noise", gamekit::noise(4096, 3));
    const std::string avd = dir / "dup.avd", escape = dir / "escape.avd", pic = dir / "pic.avd";
    const std::string noise = dir / "noise";
    const std::string no_magic = "avdtool: " + noise + ": no package: magic is not \"PLOVEX\"";
    run_cases({
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
         dir / "page/index.html: 1 pictures, 0 SEEN entries, 0 unreadable, 0 dangling names, 0 faults\n", ""},
        // A package that verify refuses gives a page all the same, and status 1.
        {{"report", escape, dir / "bad"}, 1, "0 dangling names, 0 faults\n", "", "C",
         "<tr><th>verify</th><td><span class=\"bad\">entry 0 &quot;A"},
        {{"check", pic}, 0, pic + ": 0 SEEN entries, 0 unreadable, 0 references, 0 dangling, 0 unknown until run, 0 faults\n", ""},
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
    });
    EXPECT_EQ(e2e::read_bytes(dir / "target"), (gamekit::Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(e2e::read_bytes(dir / "new/DUP"), (gamekit::Bytes{'d', 'a', 't', 'a'}));
    EXPECT_TRUE(e2e::exists(dir / "page/p0001.png"));
    EXPECT_FALSE(e2e::exists(dir / "x"));
}

// The SEEN file of a scenario that shows the background `name`.
gamekit::Bytes seen_showing(const std::string& name) {
    gamekit::Sio s;
    gamekit::sio_background(s, name);
    return scenario_test::translate(s).seen;
}

// check and report name the SEEN entries they cannot follow and end with
// status 1; every command shows entry names by the console rule of msconv
// (code page 932 as it is under LC_ALL=C, transcoded under a UTF-8 locale);
// the page is UTF-8 whatever the package's path holds.
TEST(Avdtool, UnreadableSeenEntriesAndShownNames) {
    TempFolder dir;
    const gamekit::Bytes seen = seen_showing("BG09");
    const std::string game = "\x83\x51\x81\x5b\x83\x80", hyo = "\x95\x5c";  // ゲーム, 表
    // SEEN002 cut short in its header, SEEN003 no SEEN file, SEEN004 (entry 3)
    // of kind 3 in its directory entry.
    build_package(dir, dir / "cut.avd",
                  {"SEEN001.TXT", "SEEN002.TXT", "SEEN003.TXT", "SEEN004.TXT"},
                  {{"SEEN001.TXT", seen},
                   {"SEEN002.TXT", gamekit::Bytes(seen.begin(), seen.begin() + 20)},
                   {"SEEN004.TXT", seen}});
    gamekit::Bytes bytes = e2e::read_bytes(dir / "cut.avd");
    bytes[kPackageHeaderSize + 3 * kDirectoryEntrySize + 28] = 3;
    gamekit::write_file(dir / "cut.avd", bytes);
    build_package(dir, dir / "names.avd", {hyo + ".TXT", "SEEN001.TXT", "Q\"'<&>.PDT"},
                  {{"SEEN001.TXT", seen_showing(game)}});
    // A folder named in code page 932, with a byte no character set has.
    std::filesystem::create_directories(dir / "\x83\x51\xff");
    build_package(dir, dir / "\x83\x51\xff/p.avd", {"A.TXT"});
    const std::string cut = dir / "cut.avd", names = dir / "names.avd";
    const std::string unreadable =
        "SEEN002.TXT: unreadable: TPC32 header cut short: 20 of 99 bytes\n"
        "SEEN003.TXT: unreadable: not a SEEN file: no TPC32 magic\n"
        "SEEN004.TXT: unreadable: kind 3 is not 2\n";
    run_cases({
        // clang-format off
        {{"check", cut}, 1, "SEEN001.TXT 0x000A: picture \"BG09\" (slot 1): no entry BG09.PDT\n" +
         unreadable + cut + ": 4 SEEN entries, 3 unreadable, 1 references, 1 dangling, 0 unknown until run, 0 faults\n", ""},
        {{"report", cut, dir / "r1"}, 1, unreadable + dir / "r1/index.html" +
         ": 0 pictures, 4 SEEN entries, 3 unreadable, 1 dangling names, 0 faults\n", "", "C",
         "<h2>SEEN002.TXT</h2>\n<p><span class=\"dangling\">unreadable</span> TPC32 header cut short: 20 of 99 bytes</p>"},
        {{"list", names}, 0, "\n" + hyo + ".TXT          ", ""},
        {{"list", names}, 0, "\n表.TXT          ", "", "C.UTF-8"},
        {{"check", names}, 1, "SEEN001.TXT 0x000C: picture \"" + game + "\" (slot 1): no entry " + game + ".PDT\n", ""},
        {{"check", names}, 1, "SEEN001.TXT 0x000C: picture \"ゲーム\" (slot 1): no entry ゲーム.PDT\n", "", "C.UTF-8"},
        {{"seen", names, "SEEN001.TXT"}, 0, "\n0002  slot 1 = \"" + game + "\"\n", ""},
        {{"seen", names, "SEEN001.TXT"}, 0, "\n0002  slot 1 = \"ゲーム\"\n", "", "C.UTF-8"},
        // Quotes in an entry name are escaped in the attributes, as <, > and &.
        {{"report", names, dir / "r2"}, 0, "", "", "C", "alt=\"Q&quot;&#39;&lt;&amp;&gt;.PDT\""},
        {{"report", dir / "\x83\x51\xff/p.avd", dir / "r3"}, 0, "", "", "C", "<td>" + dir.path + "/ゲ\\xff/p.avd</td>"},
        // clang-format on
    });
}

// A SEEN entry whose structure has a fault, and nothing dangling or
// unreadable: check and report end with status 1 and count it. An entry
// larger than check follows is named and counted as unreadable, and nothing
// of it is decompressed.
TEST(Avdtool, FaultsAndEntriesTooLargeToFollow) {
    TempFolder dir;
    gamekit::Bytes seen = seen_showing("BG01");
    seen[kSeenBodyLengthOffset] += 1;
    build_package(dir, dir / "fault.avd", {"BG01.PDT", "SEEN001.TXT"}, {{"SEEN001.TXT", seen}});
    build_package(dir, dir / "large.avd", {"BG01.PDT", "SEEN001.TXT", "SEEN002.TXT"},
                  {{"SEEN001.TXT", seen_showing("BG01")}, {"SEEN002.TXT", seen_showing("BG01")}});
    gamekit::Bytes bytes = e2e::read_bytes(dir / "large.avd");
    const gamekit::Bytes size = scenario_test::le32((16 << 20) + 1);
    std::copy(size.begin(), size.end(),
              bytes.begin() + kPackageHeaderSize + 2 * kDirectoryEntrySize + 24);
    gamekit::write_file(dir / "large.avd", bytes);
    const std::string fault = dir / "fault.avd", large = dir / "large.avd";
    const std::string body_length = "SEEN001.TXT header: fault: body length " +
                                    std::to_string(seen.size() - 98) + " in the header, but " +
                                    std::to_string(seen.size() - 99) + " bytes follow it\n";
    const std::string too_large =
        "SEEN002.TXT: unreadable: 16777217 bytes, more than the 16 MiB that avdtool follows\n";
    run_cases({
        // clang-format off
        {{"check", fault}, 1, body_length + fault + ": 1 SEEN entries, 0 unreadable, 1 references, 0 dangling, 0 unknown until run, 1 faults\n", ""},
        {{"report", fault, dir / "r"}, 1, dir / "r/index.html: 1 pictures, 1 SEEN entries, 0 unreadable, 0 dangling names, 1 faults\n", "", "C",
         "<tr><th>faults of SEEN entries</th><td><span class=\"dangling\">1</span>"},
        {{"check", large}, 1, too_large + large + ": 2 SEEN entries, 1 unreadable, 1 references, 0 dangling, 0 unknown until run, 0 faults\n", ""},
        {{"report", large, dir / "r2"}, 1, too_large, "", "C", "<span class=\"dangling\">unreadable</span> 16777217 bytes"},
        // clang-format on
    });
}

// The listing of the page, written line by line as it is produced (the same
// bytes as when the page was built whole): a menu's items as a list in its
// line, a fault beside its instruction, a picture with the thumbnail of the
// picture its slot holds.
TEST(Avdtool, ReportListsMenusFaultsAndPictures) {
    TempFolder dir;
    gamekit::Sio s;
    gamekit::sio_menu(s, {{"a", "A"}, {"b", "B"}});
    s.label("a");
    gamekit::sio_background(s, "BG01");
    s.label("b");
    gamekit::sio_show_background(s);
    gamekit::Bytes seen = scenario_test::translate(s).seen;
    // The second item's target (body offset 23) beyond the body.
    const gamekit::Bytes outside = scenario_test::le32(0x400);
    std::copy(outside.begin(), outside.end(), seen.begin() + kSeenHeaderSize + 23);
    build_package(dir, dir / "menu.avd", {"BG01.PDT", "SEEN001.TXT"}, {{"SEEN001.TXT", seen}});
    run_cases({
        {{"report", dir / "menu.avd", dir / "r"},
         1,
         dir /
             "r/index.html: 1 pictures, 1 SEEN entries, 0 unreadable, 0 dangling names, 1 faults\n",
         "",
         "C",
         "<div class=\"ln\"><span class=\"off\">0000</span>menu 999 <span "
         "class=\"dangling\">fault: target 0x0400 is outside the body (0x0031 bytes)</span><ul>"
         "<li><span class=\"off\">0006</span>item &quot;A&quot; -&gt; <a "
         "href=\"#e1-L0001\">L0001</a></li><li><span class=\"off\">000A</span>item &quot;B&quot; "
         "-&gt; 0x0400 (outside the body)</li><li><span class=\"off\">000E</span>end 2, "
         "999</li></ul></div>\n"
         "<div class=\"label\" id=\"e1-L0001\">L0001:</div>\n"
         "<div class=\"ln\"><span class=\"off\">001B</span>picture 30</div>\n"
         "<div class=\"ln\"><span class=\"off\">001D</span>slot 1 = &quot;BG01&quot;</div>\n"
         "<div class=\"ln\"><span class=\"off\">0025</span>picture 05 slot 1, 2 <a "
         "href=\"#e0\"><img class=\"thumb chk\" src=\"p0001.png\" width=\"2\" height=\"2\" "
         "alt=\"BG01.PDT\"></a></div>\n"},
    });
}

}  // namespace
