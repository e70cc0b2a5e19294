// SPDX-License-Identifier: GPL-2.0-or-later
// The game read straight from a disc image or archive: every format gives
// the unpacked folder's package and console, byte for byte; a hostile
// archive is named and counted, or ends the run before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/archive_write.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio_commands.h"
#include "sample-game/sample_game.h"

namespace {

using process::Result;
using namespace gamekit;
namespace fs = std::filesystem;

// The folder tree at `folder` packed as `format` at `path`.
void pack(const std::string& folder, ArchiveFormat format, const std::string& path) {
    std::vector<ArchiveItem> items;
    ASSERT_EQ(collect_items(folder, items), "");
    ASSERT_EQ(write_archive(format, items, path), "") << path;
}

// Converts `game` (with --inside `inside` when given) into a fresh `out`.
Result convert_into(const std::string& game, const std::string& out, const std::string& data,
                    const char* inside = nullptr) {
    fs::remove_all(out);
    fs::create_directories(out);
    process::Request request = e2e::conversion(game, out, data);
    if (inside) request.args.insert(request.args.begin() + 1, {"--inside", inside});
    return e2e::run(request);
}

TEST(Archives, EveryFormatOfTheSampleGameGivesTheFolderPackage) {
    sample_game::Game sample;
    std::string error;
    ASSERT_TRUE(sample_game::build_sample_game({}, sample, error)) << error;
    TempFolder dir;
    ASSERT_TRUE(sample_game::write_game_files(sample, dir / "game", dir / "DATA", false, error));
    const Result reference = convert_into(dir / "game", dir / "out", dir / "DATA");
    ASSERT_EQ(reference.status, 0) << reference.err;
    const Bytes package = e2e::read_bytes(dir / "out/DAR297.AVD");

    const auto expect_reference = [&](const Result& r, const std::string& label) {
        EXPECT_EQ(r.status, 0) << label << "\n" << r.err;
        EXPECT_EQ(r.out, reference.out) << label;
        EXPECT_EQ(r.err, reference.err) << label;
        EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), package) << label;
    };
    for (const ArchiveFormat format : kArchiveFormats) {
        const std::string archive = dir / ("game" + std::to_string(static_cast<int>(format)));
        ASSERT_EQ(write_archive(format, sample_game::game_archive_items(sample), archive), "");
        expect_reference(convert_into(archive, dir / "out", dir / "DATA"), archive);
    }
    // The game in the one folder at the top of a ZIP, the DATA files in
    // another; the game deeper in an image, named by --inside.
    ASSERT_TRUE(
        sample_game::write_game_files(sample, dir / "top/GAME", dir / "data/DATA", false, error));
    pack(dir / "top", ArchiveFormat::zip, dir / "top.zip");
    pack(dir / "data", ArchiveFormat::sevenzip, dir / "data.7z");
    expect_reference(convert_into(dir / "top.zip", dir / "out", dir / "data.7z"), "top.zip");
    ASSERT_TRUE(sample_game::write_game_files(sample, dir / "deep/INSTALL/GAME", dir / "unused",
                                              false, error));
    write_file(dir / "deep/README.TXT", {'x'});
    pack(dir / "deep", ArchiveFormat::iso, dir / "deep.iso");
    expect_reference(convert_into(dir / "deep.iso", dir / "out", dir / "DATA", "INSTALL/GAME"),
                     "--inside");
}

// ---- Hostile archives ------------------------------------------------------------

// A small game as LZH members (names in code page 932 with '\'), which a
// row changes before it is written.
std::vector<LzhMember> small_game() {
    Sio main;
    sio_text(main, cp932("始まり"));
    return {{"MES\\MAIN.SIO", main.build()},
            {"CG\\BG01.MOE", encode_run_length_picture(sample_picture(64, 48, 1, false))}};
}

Bytes lzh(const std::vector<LzhMember>& members) {
    Bytes bytes;
    EXPECT_EQ(lzh_bytes(members, bytes), "");
    return bytes;
}

// An archive of `format` holding the items.
Bytes archive_of(ArchiveFormat format, const std::vector<ArchiveItem>& items,
                 const TempFolder& dir) {
    const std::string path = dir / "made";
    EXPECT_EQ(write_archive(format, items, path), "");
    Bytes bytes = e2e::read_bytes(path);
    fs::remove(path);
    return bytes;
}

std::vector<ArchiveItem> small_items() {
    std::vector<ArchiveItem> items;
    for (const LzhMember& m : small_game()) {
        std::string path = m.name;
        std::replace(path.begin(), path.end(), '\\', '/');
        items.push_back({path, m.data, false});
    }
    return items;
}

// The bytes cut to `size`, or filled up to it with zeros.
Bytes sized(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(Archives, HostileArchivesAreNamedAndCountedOrEndTheRunBeforeAnyWrite) {
    TempFolder dir;
    write_file(dir / "DATA/CONFIG.INI", {'1'});
    const Bytes earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    const auto members = [](const std::function<void(std::vector<LzhMember>&)>& change) {
        std::vector<LzhMember> m = small_game();
        change(m);
        return lzh(m);
    };
    const std::string sync =
        std::string("\x00", 1) + std::string(10, '\xFF') + std::string("\x00", 1);
    const struct {
        const char* name;  // of the archive
        std::function<Bytes()> bytes;
        int status;
        std::string line;  // a line of its console ('@' stands for the archive's path)
    } rows[] = {
        {"link.zip",
         [&] {
             ArchiveWriteOptions options;
             options.links = {{"MES/LINK.SIO", "MAIN.SIO"}};
             const std::string made = dir / "made.zip";
             EXPECT_EQ(write_archive(ArchiveFormat::zip, small_items(), made, options), "");
             return e2e::read_bytes(made);
         },
         3, "msconv: @:MES/LINK.SIO is not read: it is a symbolic link, which is not followed\n"},
        {"dots.lzh", [&] { return members([](auto& m) {
                               m.push_back({"..\\EVIL.SIO", {1}});
                           }); },
         3, "msconv: @:../EVIL.SIO is not read: its path leads out of the archive\n"},
        {"twice.lzh", [&] { return members([](auto& m) { m.insert(m.begin(), m.front()); }); }, 3,
         "msconv: @:MES/MAIN.SIO is not read: the archive holds it again further on, which is "
         "read instead\n"},
        {"clash.lzh",
         [&] { return members([](auto& m) {
                   m.push_back({"MES\\MAIN.SIO\\X.SIO", {1}});
               }); }, 3,
         "msconv: @:MES/MAIN.SIO/X.SIO is not read: a file of the archive has the name of its "
         "folder\n"},
        {"crc.lzh", [&] { return members([](auto& m) { m[0].crc = 0x1234; }); }, 3,
         "msconv: @:MES/MAIN.SIO: LHa data CRC error\n"},
        {"size.lzh", [&] { return members([](auto& m) { m[0].original_size = 3; }); }, 3,
         "msconv: @:MES/MAIN.SIO: it unpacks to 8 bytes where its header says 3\n"},
        {"large.lzh",
         [&] { return members([](auto& m) {
                   m.push_back({"MES\\BIG.SIO", Bytes(70000, 1)});
               }); },
         3, "********** @:MES/BIG.SIO is too large, skipped\n"},
        {"bomb.7z",
         [&] {
             std::vector<ArchiveItem> items = small_items();
             items.push_back({"MES/BOMB.SIO", Bytes(16 << 20, 0), false});
             return archive_of(ArchiveFormat::sevenzip, items, dir);
         },
         3, "msconv: @:MES/BOMB.SIO: larger than 65536 bytes\n"},
        {"cut.lzh", [&] { return sized(members([](auto&) {}), 60); }, 3,
         "msconv: @ cannot be read past its first 1 entries (Truncated LHa header): the rest is "
         "not converted\n"},
        {"cut.iso",
         [&] {
             // Cut inside the picture's data.
             const Bytes iso = archive_of(ArchiveFormat::iso, small_items(), dir);
             const Bytes picture = small_items()[1].data;
             const auto at = std::search(iso.begin(), iso.end(), picture.begin(), picture.end());
             return sized(iso, static_cast<std::size_t>(at - iso.begin()) + 10);
         },
         3, "msconv: @:CG/BG01.MOE: Truncated input file\n"},
        {"cut.7z",
         [&] { return sized(archive_of(ArchiveFormat::sevenzip, small_items(), dir), 100); }, 2,
         "\"@\" cannot be read as a disc image or archive: "},
        {"game.bin", [&] { return sized(Bytes(sync.begin(), sync.end()), 2352); }, 2,
         "\"@\" is a raw disc image of 2352-byte sectors, which the converter does not read: make "
         "an ISO image of it first, for example with bchunk (Debian's bchunk package): bchunk "
         "GAME.bin GAME.cue GAME\n"},
        {"game.cue",
         [&] {
             return Bytes{'F', 'I', 'L', 'E'};
         },
         2, "\"@\" is a cue sheet, "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir / row.name;
        write_file(path, row.bytes());
        write_file(dir / "out/DAR297.AVD", earlier);
        process::Request request = e2e::conversion(path, dir / "out", dir / "DATA");
        const Result r = e2e::run(request);
        EXPECT_EQ(r.status, row.status) << r.out << r.err;
        std::string line = row.line;
        line.replace(line.find('@'), 1, path);
        EXPECT_NE((r.out + r.err).find(line), std::string::npos) << r.out << r.err;
        // Read, never unpacked: the output folder holds the package alone.
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "out"))
            ++files;
        EXPECT_EQ(files, 1u);
        if (row.status == 2) {
            EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), earlier);
        }
    }
}

}  // namespace
