// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/shown.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class SearchTest : public ::testing::Test {
  protected:
    void file(const std::string& relative, const std::string& content = "x") {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative, std::ios::binary) << content;
    }
    std::vector<std::string> all(const std::string& pattern) {
        const std::size_t cut = pattern.rfind('/');
        std::vector<std::string> names;
        const platform::Search search = platform::search_folders(
            {root_.string() + "/" + pattern.substr(0, cut + 1)}, pattern.substr(cut + 1));
        for (const auto& m : search.matches) {
            if (!m.directory) names.push_back(m.name);
        }
        return names;
    }

    GameFolder game() {
        GameFolder listed;
        std::string reason;
        EXPECT_TRUE(list_game_folder(root_.string() + "/", listed, reason)) << reason;
        return listed;
    }

    TempFolder temp_;
    fs::path root_{temp_.path};
};
TEST_F(SearchTest, DirectoriesSkippedEvenWhenFirst) {
    fs::create_directories(root_ / "D" / "AAA");
    file("D/b.txt");
    file("D/C");
    EXPECT_EQ(all("D/*.*"), (std::vector<std::string>{"b.txt", "C"}));
}

TEST_F(SearchTest, PatternsMatchCaseInsensitively) {
    file("MES/MAIN.SIO");
    file("MES/x.sio");
    file("MES/y.Sio");
    file("MES/z.txt");
    file("MES/SIO");
    EXPECT_EQ(all("MES/*.SIO"), (std::vector<std::string>{"MAIN.SIO", "x.sio", "y.Sio"}));
    EXPECT_EQ(all("MES/?.SIO"), (std::vector<std::string>{"x.sio", "y.Sio"}));
    EXPECT_EQ(all("MES/*.*").size(), 5u);
}

TEST_F(SearchTest, FoldersResolvedCaseInsensitively) {
    file("mes/main.sio");
    EXPECT_EQ(all("MES/*.SIO"), (std::vector<std::string>{"main.sio"}));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(platform::read_file(root_.string() + "/MES/MAIN.SIO", bytes, 10),
              platform::ReadStatus::ok);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{'x'});
}

TEST_F(SearchTest, SortedByUpperCasedNameThenRawName) {
    for (const char* n : {"b.sio", "A.SIO", "a.sio", "_.SIO", "C.SIO", "10.SIO", "9.SIO"}) {
        file(std::string("M/") + n);
    }
    EXPECT_EQ(all("M/*.SIO"), (std::vector<std::string>{"10.SIO", "9.SIO", "A.SIO", "a.sio",
                                                        "b.sio", "C.SIO", "_.SIO"}));
}

TEST_F(SearchTest, MissingFolderOrNoMatchGivesNothing) {
    EXPECT_TRUE(all("NOPE/*.*").empty());
    fs::create_directories(root_ / "EMPTY");
    EXPECT_TRUE(all("EMPTY/*.MOE").empty());
}

TEST_F(SearchTest, ReadFileReportsEmptyTooLargeAndMissing) {
    file("empty", "");
    file("four", "1234");
    std::vector<std::uint8_t> bytes;
    const std::string base = root_.string() + "/";
    EXPECT_EQ(platform::read_file(base + "empty", bytes, 10), platform::ReadStatus::empty);
    EXPECT_EQ(platform::read_file(base + "four", bytes, 3), platform::ReadStatus::too_large);
    EXPECT_EQ(platform::read_file(base + "four", bytes, 4), platform::ReadStatus::ok);
    EXPECT_EQ(platform::read_file(base + "none", bytes, 4), platform::ReadStatus::cannot_open);
    EXPECT_EQ(platform::read_file(root_.string(), bytes, 4), platform::ReadStatus::cannot_open);
}

// Every folder of the game named CG in any case, as one listing in the search
// order, each file with its own folder; a warning names the folders. A plain
// file "cg" is no folder of the game, and a link to a folder read already is
// read once.
TEST_F(SearchTest, GameFoldersOfOneNameAreListedAsOne) {
    file("cg/b.moe");
    file("CG/A.MOE");
    file("CG/C.MOE");
    file("Cg/a.moe");
    file("cg/A.MOE");
    file("CGX/D.MOE");
    file("cG");
    fs::create_directory_symlink("CG", root_ / "cG-link");  // another name: no twin
    fs::create_directories(root_ / "CG" / "SUB.MOE");
    const std::string base = root_.string() + "/";
    Diagnostics said;
    const GameFiles listing = list_game_files(game(), "CG", "*.MOE", said);
    std::vector<std::string> paths;
    for (const platform::Match& f : listing.files)
        paths.push_back(f.folder + f.name);
    // One key: by the raw name, then by the folder.
    EXPECT_EQ(paths,
              (std::vector<std::string>{base + "CG/A.MOE", base + "cg/A.MOE", base + "Cg/a.moe",
                                        base + "cg/b.moe", base + "CG/C.MOE"}));
    EXPECT_EQ(shown(said), "********** Folders " + base + "CG and " + base +
                               "Cg are read as one folder\n********** Folders " + base + "CG and " +
                               base + "cg are read as one folder\n");
    EXPECT_TRUE(listing.failures.empty());

    // A twin that is a link to another twin is the same folder.
    fs::remove(root_ / "cG");
    fs::create_directory_symlink("CG", root_ / "cG");
    said.messages.clear();
    EXPECT_EQ(list_game_files(game(), "CG", "*.MOE", said).files.size(), 5u);
    EXPECT_EQ(shown(said), "********** Folders " + base + "CG and " + base +
                               "Cg are read as one folder\n********** Folder " + base +
                               "cG is the folder " + base + "CG, read once\n********** Folders " +
                               base + "CG and " + base + "cg are read as one folder\n");
}

// Only folders make a game folder: a stray file MES does not hide mes/.
TEST_F(SearchTest, OnlyFoldersMakeAGameFolder) {
    file("MES");
    file("readme.txt");
    EXPECT_FALSE(holds_game_folders(game()));
    file("mes/MAIN.SIO");
    EXPECT_TRUE(holds_game_folders(game()));
}

// A folder that cannot be listed is a failure with the system's reason, not
// an empty listing; the folders that can be listed still are.
TEST_F(SearchTest, FolderThatCannotBeListedIsAFailure) {
    file("A/x.moe");
    file("B");
    const std::string base = root_.string() + "/";
    const platform::Search search = platform::search_folders({base + "A/", base + "B/"}, "*.*");
    ASSERT_EQ(search.matches.size(), 1u);
    ASSERT_EQ(search.failures.size(), 1u);
    EXPECT_EQ(search.failures[0].folder, base + "B/");
    EXPECT_EQ(search.failures[0].reason, "Not a directory");
    GameFolder listed;
    std::string reason;
    EXPECT_FALSE(list_game_folder(base + "B/", listed, reason));
    EXPECT_EQ(reason, "Not a directory");
}

// The key names are ordered and compared by: NFC, then the characters of
// UTF-8 or of code page 932 bytes, upper-cased, as UTF-16 code units.
TEST(NameKey, OneKeyForEverySpellingAndTheOrderOfTheCharacters) {
    using platform::name_key;
    const struct {
        std::string a, b;
        int order;  // the sign of a - b by key
    } cases[] = {
        {"main.sio", "MAIN.SIO", 0},
        {"\u30C7.TXT", "\u30C6\u3099.txt", 0},  // NFC and NFD
        {"\u30C7.TXT", "\x83\x66.TXT", 0},      // UTF-8 and code page 932
        {"\uFF41", "\uFF21", 0},                // full-width letters upper-case too
        {"\xEF\xBD\x81", "\x82\x81", 0},        // the same in code page 932
        {"\u00E9", "\u00C9", 0},
        {"t\u0344", "T\u0344", 0},        // "t" composes with U+0308, "T" does not
        {"\xC0\xB1", "\uFF80\uFF71", 0},  // half-width kana: C0 B1 is no UTF-8
        // あ U+3042 before Ａ U+FF21, whose code page 932 bytes come first.
        {"\u3042", "\uFF21", -1},
        {"\x82\xA0", "\x82\x60", -1},
        {"\uFF41", "\uFF22", -1},  // ａ is Ａ, before Ｂ
        {"_", "a", 1},             // after the upper-cased letters, as before
        {"10", "9", -1},
        // Beyond the Basic Multilingual Plane: surrogates, before U+E000.
        {"\U0001F600", "\uE000", -1},
    };
    for (const auto& c : cases) {
        const std::u16string a = name_key(c.a), b = name_key(c.b);
        EXPECT_EQ((a > b) - (a < b), c.order) << c.a << " / " << c.b;
    }
    // A byte that forms no code page 932 character stands for itself as a
    // lone surrogate, U+DC00 plus the byte: here a lead byte at the end.
    EXPECT_EQ(name_key("\x83\x66z\x82"), std::u16string(u"\u30C7Z") + char16_t(0xDC82));
    EXPECT_EQ(platform::nfc_name("\u30CF\u309A"), "\u30D1");
    EXPECT_EQ(platform::nfc_name("\x83\x70"), "\x83\x70");
    // Ties of the key by the raw bytes.
    EXPECT_TRUE(platform::name_less("A.SIO", "a.sio"));
    EXPECT_TRUE(platform::name_less("\u30C6\u3099", "\u30C7"));
}

}  // namespace
