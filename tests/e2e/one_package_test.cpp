// SPDX-License-Identifier: GPL-2.0-or-later
// One package from every copy of a game: folders present in two cases are
// read as one, decomposed (NFD), composed (NFC) and code page 932 spellings
// of the same names give the same bytes, and the scenario numbering follows
// the names' characters, not their encoding.
#include <gtest/gtest.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

void write_all(const std::vector<sample_game::File>& files, const std::string& folder) {
    for (const sample_game::File& f : files) {
        const std::string dir = f.folder.empty() ? folder : folder + "/" + f.folder;
        gamekit::write_file(dir + "/" + f.name, f.bytes);
    }
}

// The sample game with every second file of one folder moved into a twin
// folder whose name differs only in case, and one more file in the twin
// whose name upper-cases like one of the first folder's.
TEST(OnePackage, FoldersOfOneNameInTwoCasesAreReadAsOne) {
    sample_game::Game sample;
    std::string error;
    ASSERT_TRUE(sample_game::build_sample_game({}, sample, error)) << error;
    TempFolder dir;
    write_all(sample.game, dir / "ref");
    write_all(sample.data, dir / "DATA");
    std::filesystem::create_directories(dir / "out");
    const Result reference = e2e::convert(dir / "ref", dir / "out", dir / "DATA", "1");
    ASSERT_EQ(reference.status, 0) << reference.err;
    const Bytes expected = e2e::read_bytes(dir / "out/DAR297.AVD");
    const std::size_t entries = read_package(dir / "out/DAR297.AVD").entries.size();

    const struct {
        const char* folder;
        const char* twin;
        const char* duplicate;  // the warning's kind for a lower-case copy in the twin
    } cases[] = {
        {"CG", "cg", "entry"},
        {"CHAR", "Char", "entry"},
        {"SHADOW", "shadow", nullptr},
        {"MES", "mes", "scenario"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.twin);
        const std::string game = dir / c.twin;
        std::size_t moved = 0;
        std::string kept;  // the first file of the folder, which stays there
        for (const sample_game::File& f : sample.game) {
            const bool twin = f.folder == c.folder && moved++ % 2 == 1;
            if (f.folder == c.folder && kept.empty()) kept = f.name;
            gamekit::write_file(game + "/" + (twin ? c.twin : f.folder) + "/" + f.name, f.bytes);
        }
        ASSERT_GT(moved, 1u);
        const Result split = e2e::convert(game, dir / "out", dir / "DATA", "1");
        EXPECT_EQ(split.status, 0) << split.err;
        EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), expected);
        const std::string merged = "********** Folders " + game + "/" + c.folder + " and " + game +
                                   "/" + c.twin + " are read as one folder\n";
        EXPECT_NE(split.out.find(merged), std::string::npos) << split.out;
        if (!c.duplicate) continue;

        // A name in the twin that upper-cases like one of the folder's.
        std::string lower = kept, stored = kept;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        std::transform(stored.begin(), stored.end(), stored.begin(), ::toupper);
        if (std::string(c.duplicate) == "entry")
            stored = stored.substr(0, stored.find('.')) + ".PDT";
        std::filesystem::copy_file(game + "/" + c.folder + "/" + kept,
                                   game + "/" + c.twin + "/" + lower);
        const Result twice = e2e::convert(game, dir / "out", dir / "DATA", "1");
        EXPECT_EQ(twice.status, 0) << twice.err;
        EXPECT_NE(twice.out.find("********** Duplicate " + std::string(c.duplicate) + " " + stored +
                                 ": " + game + "/" + c.folder + "/" + kept + " and " + game + "/" +
                                 c.twin + "/" + lower + " (both kept)\n"),
                  std::string::npos)
            << twice.out;
        EXPECT_EQ(read_package(dir / "out/DAR297.AVD").entries.size(), entries + 1);
    }
}

struct Spelling {
    const char* label;
    std::string (*form)(const std::string& utf8);
};

std::string as_nfc(const std::string& utf8) {
    return utf8;
}
std::string as_cp932(const std::string& utf8) {
    return cp932(utf8);
}
// Decomposed (NFD), as names copied from macOS are.
std::string as_nfd(const std::string& utf8) {
    char* nfd = reinterpret_cast<char*>(
        utf8proc_NFD(reinterpret_cast<const utf8proc_uint8_t*>(utf8.c_str())));
    std::string out = nfd;
    std::free(nfd);
    return out;
}

const Spelling kSpellings[] = {{"NFC", as_nfc}, {"NFD", as_nfd}, {"code page 932", as_cp932}};

// Writes a game whose file names are spelt by `form`; each scenario's text is
// its own name, so the SEEN numbering shows in the package.
void write_spelt_game(const std::string& game, const std::string& data,
                      std::string (*form)(const std::string&),
                      const std::vector<std::string>& scenarios) {
    for (const std::string& name : scenarios) {
        gamekit::Sio sio;
        gamekit::sio_text(sio, cp932(name));
        gamekit::write_file(game + "/MES/" + form(name + ".SIO"), sio.build());
    }
    gamekit::write_file(game + "/CG/" + form("背景ボ.MOE"),
                        gamekit::encode_run_length_picture(gamekit::sample_picture(8, 6, 1, true)));
    gamekit::write_file(data + "/" + form("デ.TXT"), {'d'});
    gamekit::write_file(data + "/" + form("パズル設定.INI"), {'p'});
}

// NFD, NFC and code page 932 spellings of one game, and names whose order
// differs between their UTF-8 and code page 932 bytes (あ is E3 81 82 and
// 82 A0, Ａ is EF BC A1 and 82 60) or before and after upper-casing (ａ, Ｂ):
// one package, with the scenarios numbered by the names' characters.
TEST(OnePackage, SpellingsOfTheSameNamesGiveOnePackage) {
    const std::vector<std::string> scenarios = {"MAIN", "Ｂ", "ａ", "Ａデ", "あ"};
    // By the UTF-16 units of the upper-cased names: あ U+3042, Ａ U+FF21 (ａ
    // upper-cased too, then Ａデ, longer), Ｂ U+FF22.
    const std::vector<std::string> numbered = {"MAIN", "あ", "ａ", "Ａデ", "Ｂ"};
    TempFolder dir;
    std::filesystem::create_directories(dir / "out");
    Bytes reference;
    for (const Spelling& s : kSpellings) {
        SCOPED_TRACE(s.label);
        const std::string game = dir / std::string("game-") + s.label;
        const std::string data = dir / std::string("data-") + s.label;
        write_spelt_game(game, data, s.form, scenarios);
        const Result r = e2e::convert(game, dir / "out", data, "1");
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const StoredPackage package = read_package(dir / "out/DAR297.AVD");
        EXPECT_EQ(package.entries.size(), 8u);
        for (std::size_t k = 0; k < numbered.size(); ++k) {
            char seen[32];
            std::snprintf(seen, sizeof seen, "SEEN%03zu.TXT", k + 1);
            const StoredEntry* entry = package.find(seen);
            ASSERT_NE(entry, nullptr) << seen;
            const std::string text(entry->data.begin(), entry->data.end());
            EXPECT_NE(text.find(cp932(numbered[k])), std::string::npos) << seen;
        }
        if (reference.empty()) reference = package.bytes;
        EXPECT_EQ(package.bytes, reference);
    }
}

// A generated game whose names are Japanese as much as ASCII: scenarios,
// pictures, sprites with their masks and DATA files, with a character code
// page 932 has twice (纊: NEC ED 40, IBM FA 5C) among them. Each file is a
// folder, a name in UTF-8 (NFC) and its bytes.
std::vector<sample_game::File> generated_game(std::uint32_t seed) {
    gamekit::Random random(seed);
    const char* const stems[] = {"あ", "ゆき", "デ", "Ａ", "ａb", "パズル", "纊", "表示", "x"};
    const auto stem = [&] { return std::string(stems[random.below(std::size(stems))]); };
    std::vector<sample_game::File> files;
    const auto add = [&](const std::string& folder, const std::string& name, Bytes bytes) {
        for (const sample_game::File& f : files) {
            if (f.folder == folder && f.name == name) return;
        }
        files.push_back({folder, name, std::move(bytes)});
    };
    gamekit::Sio main;
    gamekit::sio_text(main, cp932("始まり"));
    add("MES", "MAIN.SIO", main.build());
    for (int i = 0; i < 4; ++i) {
        const std::string name = stem() + std::to_string(random.below(3));
        gamekit::Sio sio;
        gamekit::sio_text(sio, cp932(name));
        add("MES", name + ".SIO", sio.build());
        add("CG", stem() + "絵" + std::to_string(i) + ".MOE",
            encode_run_length_picture(sample_picture(8, 6, seed + i, i % 2 == 0)));
        // A sprite whose fifth byte is B keeps its whole base name for its
        // mask: 「ゆきB001.MOE」 has 「ゆきB001S.SHW」.
        const char* const sprites[] = {"ゆき", "表示", "纊ガ", "ABCD"};
        const std::string sprite =
            sprites[random.below(4)] + std::string("B00") + std::to_string(i);
        add("CHAR", sprite + ".MOE", encode_run_length_picture(sample_picture(8, 6, i, false)));
        add("SHADOW", sprite + "S.SHW", encode_shadow_mask(make_mask(8, 6, 3 + i)));
        add("", stem() + "設定" + std::to_string(i) + ".INI", {static_cast<std::uint8_t>(i)});
    }
    return files;
}

// A file's path below the game or DATA folder.
std::string plain(const sample_game::File& f) {
    return (f.folder.empty() ? "" : f.folder + "/") + f.name;
}

// Writes `files` below `game` (and DATA files into `data`) with each name
// spelt by `form`, in the order `order` gives.
void write_game(const std::vector<sample_game::File>& files, const std::vector<std::size_t>& order,
                const std::string& game, const std::string& data,
                const std::function<std::string(const sample_game::File&)>& path_of) {
    for (std::size_t i : order) {
        const sample_game::File& f = files[i];
        gamekit::write_file((f.folder.empty() ? data : game) + "/" + path_of(f), f.bytes);
    }
}

// The property over generated games: every copy of a game that a user may
// make gives the one package, byte for byte. The copies: names decomposed
// (NFD) or in code page 932, also with the NEC codes of characters code page
// 932 has twice; every second file of each folder in a twin folder of
// another case; a twin that is a link to its twin; the files created in
// another order, so that the folders list them in another order. Each copy
// but the link is also packed as a disc image or archive of every format
// that holds its names (names that are no UTF-8 go into the formats that
// store code page 932 bytes).
TEST(OnePackage, EveryCopyOfAGeneratedGameGivesOnePackage) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const std::vector<sample_game::File> files = generated_game(seed);
        std::vector<std::size_t> order(files.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        TempFolder dir;
        std::filesystem::create_directories(dir / "out");
        const auto convert = [&](const std::string& label, const std::string& game = "/game") {
            const Result r =
                e2e::convert(dir / (label + game), dir / "out", dir / (label + "/DATA"));
            EXPECT_EQ(r.status, 0) << label << game << "\n" << r.out << r.err;
            return e2e::read_bytes(dir / "out/DAR297.AVD");
        };
        write_game(files, order, dir / "ref/game", dir / "ref/DATA", plain);
        const Bytes reference = convert("ref");
        const auto expect_packed = [&](const std::string& label, bool utf8) {
            std::vector<ArchiveItem> items;
            ASSERT_EQ(collect_items(dir / (label + "/game"), items), "");
            for (const ArchiveFormat format : kArchiveFormats) {
                if (!utf8 && !stores_cp932_names(format)) continue;
                const std::string archive = "/game" + std::to_string(static_cast<int>(format));
                ASSERT_EQ(write_archive(format, items, dir / (label + archive)), "");
                EXPECT_EQ(convert(label, archive), reference) << label << archive;
            }
        };
        expect_packed("ref", true);
        // Every file but the masks is an entry: nothing was left out.
        EXPECT_EQ(read_package(dir / "out/DAR297.AVD").entries.size(),
                  files.size() - static_cast<std::size_t>(std::count_if(
                                     files.begin(), files.end(), [](const sample_game::File& f) {
                                         return f.folder == "SHADOW";
                                     })));

        std::size_t n = 0;
        const struct {
            const char* label;
            std::function<std::string(const sample_game::File&)> path_of;
        } copies[] = {
            {"nfd", [](const sample_game::File& f) { return as_nfd(plain(f)); }},
            {"cp932", [](const sample_game::File& f) { return cp932(plain(f)); }},
            {"nec",
             [](const sample_game::File& f) {
                 std::string name = cp932(plain(f));
                 for (std::size_t at; (at = name.find("\xFA\x5C")) != std::string::npos;)
                     name.replace(at, 2, "\xED\x40");
                 return name;
             }},
            {"twins",
             [&n](const sample_game::File& f) {
                 if (f.folder.empty() || n++ % 2 == 0) return plain(f);
                 std::string twin = f.folder;
                 std::transform(twin.begin(), twin.end(), twin.begin(), ::tolower);
                 return twin + "/" + f.name;
             }},
        };
        for (const auto& copy : copies) {
            const std::string label = copy.label;
            write_game(files, order, dir / (label + "/game"), dir / (label + "/DATA"),
                       copy.path_of);
            EXPECT_EQ(convert(copy.label), reference) << copy.label;
            expect_packed(label, label != "cp932" && label != "nec");
        }
        std::filesystem::create_directory_symlink("CG", dir / "twins/game/Cg");
        EXPECT_EQ(convert("twins"), reference) << "twin link";

        gamekit::Random random(seed);
        for (std::size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1], order[random.below(static_cast<std::uint32_t>(i))]);
        write_game(files, order, dir / "shuffled/game", dir / "shuffled/DATA", plain);
        EXPECT_EQ(convert("shuffled"), reference) << "shuffled";
    }
}

}  // namespace
