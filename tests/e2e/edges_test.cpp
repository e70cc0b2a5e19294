// SPDX-License-Identifier: GPL-2.0-or-later
// Nothing is lost at the edges: a folder that cannot be listed is named and
// counted (the game folder ends the run), links at the output's names never
// hide the files they point to, a twin that is a link to its twin is read
// once, and a missing mask is named where it was looked for.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio_commands.h"

namespace {

namespace fs = std::filesystem;
using process::Result;

// One scenario, one picture, one sprite with its mask, one DATA file; the
// output folder "out".
void make_small_game(const TempFolder& dir) {
    gamekit::Sio main;
    gamekit::sio_text(main, "Hi");
    gamekit::write_file(dir / "game/MES/MAIN.SIO", main.build());
    const gamekit::Bytes picture =
        gamekit::encode_run_length_picture(gamekit::sample_picture(8, 6, 1, false));
    gamekit::write_file(dir / "game/CG/BG.MOE", picture);
    gamekit::write_file(dir / "game/cg/EV.MOE", picture);
    gamekit::write_file(dir / "game/CHAR/ABC_05.MOE", picture);
    gamekit::write_file(dir / "game/SHADOW/ABC_05S.SHW",
                        gamekit::encode_shadow_mask(gamekit::make_mask(8, 6, 9)));
    gamekit::write_file(dir / "DATA/NOTE.TXT", {'n'});
    fs::create_directories(dir / "out");
}

std::vector<std::string> entries(const std::string& package) {
    return read_package(package).names();
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Sets up `request` so that a folder of mode 0311 or 000 cannot be listed by
// the run: as root, which lists any folder, the run is the user nobody, with
// its own copy of the converter and the output folder open to it.
void run_as_non_owner(const TempFolder& dir, process::Request& request) {
    if (geteuid() != 0) return;
    const std::string exe = dir / "msconv";
    fs::copy_file(request.args[0], exe);
    request.args[0] = exe;
    request.user = 65534;
    fs::permissions(dir.path,
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(dir / "out", fs::perms::all);
}

// True when the tests' own user cannot list `folder` (mode 0311 or 000).
bool unlistable_here(const std::string& folder) {
    DIR* d = opendir(folder.c_str());
    if (d) closedir(d);
    return d == nullptr;
}

TEST(Edges, FoldersThatCannotBeListedAreNamedAndCounted) {
    const std::string lost = " cannot be listed (Permission denied): its files are not ";
    const struct {
        const char* folder;  // below the temporary folder
        fs::perms mode;
        int status;
        const char* err;  // after "msconv: " and the folder's path; "" when none
    } cases[] = {
        {"game", fs::perms(0311), 2, ""},
        {"game/MES", fs::perms(0311), 3, "converted\n"},
        {"game/CG", fs::perms::none, 3, "converted\n"},
        {"game/cg", fs::perms(0311), 3, "converted\n"},
        {"game/SHADOW", fs::perms(0311), 3, "converted\n"},
        {"DATA", fs::perms(0311), 3, "imported\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        TempFolder dir;
        make_small_game(dir);
        process::Request request = e2e::conversion(dir / "game", dir / "out", dir / "DATA", "1");
        run_as_non_owner(dir, request);
        fs::permissions(dir / c.folder, c.mode);
        if (geteuid() != 0 && !unlistable_here(dir / c.folder)) {
            fs::permissions(dir / c.folder, fs::perms::owner_all);
            std::printf("SKIP: unlistable folders: this user lists a folder of mode 0311\n");
            GTEST_SKIP();
        }
        const Result r = e2e::run(request);
        fs::permissions(dir / c.folder, fs::perms::owner_all);
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        if (c.status == 2) {
            EXPECT_TRUE(has(r.out, "The game folder \"" + dir / "game" +
                                       "\" cannot be listed: Permission denied\n\n"))
                << r.out;
            EXPECT_TRUE(fs::is_empty(dir / "out"));
            continue;
        }
        EXPECT_TRUE(has(r.err, "msconv: " + dir / c.folder + lost + c.err)) << r.err;
        const std::size_t missing = std::string(c.folder) == "game/SHADOW" ? 2 : 1;
        EXPECT_TRUE(has(r.err, "msconv: the package was written without " +
                                   std::to_string(missing) + " input file"))
            << r.err;
        if (missing == 2) {
            // The sprite is not converted, and its mask is not blamed.
            EXPECT_TRUE(has(r.err, "msconv: " + dir / "game/CHAR/ABC_05.MOE" +
                                       ": not converted: its mask ABC_05S.SHW may be in " +
                                       dir / "game/SHADOW" + ", which cannot be listed\n"))
                << r.err;
            EXPECT_FALSE(has(r.out, "Cannot open")) << r.out;
        }
        EXPECT_TRUE(fs::exists(dir / "out/DAR297.AVD"));
    }
}

TEST(Edges, LinksAndTwinsAtTheEdges) {
    TempFolder dir;
    make_small_game(dir);
    const Result plain = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    ASSERT_EQ(plain.status, 0) << plain.err;
    const gamekit::Bytes reference = e2e::read_bytes(dir / "out/DAR297.AVD");

    // A twin that is a link to its twin is read once, and says so.
    fs::create_directory_symlink("CG", dir / "game/Cg");
    Result r = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "********** Folder " + dir / "game/Cg" + " is the folder " +
                               dir / "game/CG" + ", read once\n"))
        << r.out;
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), reference);

    // A stray file MES does not hide the folder mes.
    fs::rename(dir / "game/MES", dir / "game/mes");
    gamekit::write_file(dir / "game/MES", {'x'});
    r = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), reference);

    // Stale links at the package's names that point into DATA: the files
    // they point to are imported, and stay as they were.
    gamekit::write_file(dir / "DATA/SAVE.DAT", {'s'});
    gamekit::write_file(dir / "DATA/TABLE.BIN", {'t'});
    fs::remove(dir / "out/DAR297.AVD");
    fs::create_symlink(dir / "DATA/SAVE.DAT", dir / "out/DAR297.AVD");
    fs::create_symlink(dir / "DATA/TABLE.BIN", dir / "out/DAR297.AVD.part");
    r = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> names = entries(dir / "out/DAR297.AVD");
    EXPECT_EQ(std::count(names.begin(), names.end(), "SAVE.DAT"), 1) << r.err;
    EXPECT_EQ(std::count(names.begin(), names.end(), "TABLE.BIN"), 1) << r.err;
    EXPECT_EQ(e2e::read_bytes(dir / "DATA/SAVE.DAT"), gamekit::Bytes{'s'});

    // The package itself in DATA under another name is named, left out.
    fs::create_hard_link(dir / "out/DAR297.AVD", dir / "DATA/COPY.AVD");
    r = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err,
              "msconv: " + dir / "DATA/COPY.AVD" + " is " + dir / "out/DAR297.AVD" +
                  ", which this run writes: it is not imported\n"
                  "msconv: the package was written without 1 input file, each named above\n");

    // A missing mask is named in the folder it was looked for in.
    fs::remove(dir / "DATA/COPY.AVD");
    fs::remove(dir / "game/SHADOW/ABC_05S.SHW");
    fs::rename(dir / "game/SHADOW", dir / "game/shadow");
    r = e2e::convert(dir / "game", dir / "out", dir / "DATA", "1");
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(has(r.out, "************** Cannot open " + dir / "game/shadow/ABC_05S.SHW"));
    EXPECT_TRUE(has(r.err, "its mask " + dir / "game/shadow/ABC_05S.SHW" +
                               " cannot be read (No such file or directory)\n"))
        << r.err;
}

}  // namespace
