// SPDX-License-Identifier: GPL-2.0-or-later
// The layers of src/ include only downward: platform, base, package, the
// producers (scenario, image, raw_import; never each other), app. The tools
// build on any layer but app; nothing in src/ includes a tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kProducerRank = 3;
constexpr int kToolRank = 5;

// The rank of a top folder of src/ or tools/; -1 for anything else.
int rank_of(const std::string& folder) {
    static const std::map<std::string, int> ranks = {
        {"platform", 0}, {"base", 1},        {"package", 2}, {"scenario", kProducerRank},
        {"image", 3},    {"raw_import", 3},  {"app", 4},     {"gamekit", kToolRank},
        {"avdtool", 5},  {"sample-game", 5}, {"bench", 5},
    };
    const auto found = ranks.find(folder);
    return found == ranks.end() ? -1 : found->second;
}

// Why a file of layer `from` may not include a header of layer `to`, or ""
// when it may.
std::string violation(const std::string& from, const std::string& to) {
    const int a = rank_of(from);
    const int b = rank_of(to);
    if (b < 0 || from == to) return "";
    if (b > a) return "includes the higher layer " + to;
    if (a == kProducerRank && b == kProducerRank) return "includes the producer " + to;
    if (a == kToolRank && to == "app") return "includes the run";
    return "";
}

TEST(Layering, RulesTable) {
    const struct {
        const char* from;
        const char* to;
        bool allowed;
    } cases[] = {
        {"base", "platform", true},  {"platform", "base", false},    {"package", "app", false},
        {"image", "package", true},  {"image", "scenario", false},   {"raw_import", "image", false},
        {"app", "raw_import", true}, {"scenario", "gamekit", false}, {"avdtool", "image", true},
        {"bench", "app", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(violation(c.from, c.to).empty(), c.allowed) << c.from << " -> " << c.to;
    }
}

TEST(Layering, NoIncludeRunsUpward) {
    const std::regex include(R"re(^\s*#\s*include\s*"([^"/]+)/)re");
    std::size_t files = 0;
    for (const char* top : {"src", "tools"}) {
        const fs::path root = fs::path(MSCONV_SOURCE_DIR) / top;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".in")) {
                continue;
            }
            ++files;
            const std::string layer = fs::relative(entry.path(), root).begin()->string();
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                const std::string why = violation(layer, m[1]);
                EXPECT_EQ(why, "") << fs::relative(entry.path(), MSCONV_SOURCE_DIR).string() << ":"
                                   << number << ": " << line;
            }
        }
    }
    EXPECT_GT(files, 50u);
}

}  // namespace
