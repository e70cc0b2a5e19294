// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

using namespace msconv::base;

namespace {

namespace fs = std::filesystem;

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("msconv-search-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void file(const std::string& relative, const std::string& content = "x") {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative, std::ios::binary) << content;
    }
    std::vector<std::string> all(const std::string& pattern) {
        std::vector<std::string> names;
        for (const char* n = find_first_file(search_, root_.string() + "/" + pattern); n;
             n = find_next_file(search_)) {
            names.push_back(n);
        }
        return names;
    }

    fs::path root_;
    FileSearch search_;
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
    EXPECT_EQ(msconv::platform::read_file(root_.string() + "/MES/MAIN.SIO", bytes, 10),
              msconv::platform::ReadStatus::ok);
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
    EXPECT_EQ(find_next_file(search_), nullptr);
}

TEST_F(SearchTest, NewSearchClosesTheOpenOne) {
    file("A/1");
    file("A/2");
    file("B/3");
    ASSERT_STREQ(find_first_file(search_, root_.string() + "/A/*.*"), "1");
    ASSERT_STREQ(find_first_file(search_, root_.string() + "/B/*.*"), "3");
    EXPECT_EQ(find_next_file(search_), nullptr);
}

TEST_F(SearchTest, ReadFileReportsEmptyTooLargeAndMissing) {
    file("empty", "");
    file("four", "1234");
    std::vector<std::uint8_t> bytes;
    const std::string base = root_.string() + "/";
    EXPECT_EQ(msconv::platform::read_file(base + "empty", bytes, 10),
              msconv::platform::ReadStatus::empty);
    EXPECT_EQ(msconv::platform::read_file(base + "four", bytes, 3),
              msconv::platform::ReadStatus::too_large);
    EXPECT_EQ(msconv::platform::read_file(base + "four", bytes, 4),
              msconv::platform::ReadStatus::ok);
    EXPECT_EQ(msconv::platform::read_file(base + "none", bytes, 4),
              msconv::platform::ReadStatus::cannot_open);
    EXPECT_EQ(msconv::platform::read_file(root_.string(), bytes, 4),
              msconv::platform::ReadStatus::cannot_open);
}

}  // namespace
