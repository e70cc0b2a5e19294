// SPDX-License-Identifier: GPL-2.0-or-later
// The layers of src/ include only downward: platform, archive, base, then
// side by side the producers (scenario, image) and the package, their sink
// (none of them includes another), app, which joins them. The tools
// build on any layer but app; nothing in src/ includes a tool or a test. A
// test of layer X includes X, the layers below it, the test kit and the
// tests' helpers (tests/support); the process runner (tests/process) is the
// tests' and the benchmark's. Headers of the operating system (any
// <name.h> that is no library the project uses) are for src/platform, the
// test kit (built for Linux alone: it runs gcab and sets libarchive's locale)
// and the tests. Every include is read, quoted or angled,
// with "../" resolved; a folder the table does not know is an error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kProducerRank = 3;
constexpr int kToolRank = 5;
constexpr int kUnknown = -1;

// The rank of a folder of src/, tools/ or tests/ (by its name alone: a test
// folder has its layer's rank). "support" holds the tests' helpers.
int rank_of(const std::string& folder) {
    static const std::map<std::string, int> ranks = {
        {"platform", 0},
        {"archive", 1},
        {"base", 2},
        {"package", 3},
        {"scenario", kProducerRank},
        {"image", 3},
        {"app", 4},
        {"gamekit", kToolRank},
        {"avdtool", 5},
        {"sample-game", 5},
        {"bench", 5},
        {"tools", kToolRank},
        {"e2e", 6},
        {"fuzz", 6},
        {"support", 6},
        {"process", 6},
        {"", 6},
    };
    const auto found = ranks.find(folder);
    return found == ranks.end() ? kUnknown : found->second;
}

// Where a file stands: "src", "tools" or "tests", and its folder there.
struct Place {
    std::string top;
    std::string folder;
};

// Why a file in `from` may not include a header in `to`, or "" when it may.
std::string violation(const Place& from, const Place& to) {
    if (rank_of(from.folder) == kUnknown) return "stands in the unknown folder " + from.folder;
    if (rank_of(to.folder) == kUnknown) return "includes the unknown folder " + to.folder;
    // A layer includes itself; a test of a layer includes that layer.
    if (from.folder == to.folder && (from.top == to.top || from.top == "tests")) return "";
    // The process runner is the end-to-end tests' and the benchmark's.
    if (to.top == "tests" && to.folder == "process") {
        return from.top == "tests" || from.folder == "bench" ? "" : "includes a test's file";
    }
    if (to.top == "tests") {
        return from.top == "tests" && to.folder == "support" ? "" : "includes a test's file";
    }
    if (from.top == "src" && to.top == "tools") return "includes the tool " + to.folder;
    const int a = rank_of(from.folder);
    const int b = rank_of(to.folder);
    // The tests' helpers and the test kit are for every test.
    if (from.top == "tests" && to.top == "tools" && to.folder == "gamekit") return "";
    if (a < kToolRank && b > a) return "includes the higher layer " + to.folder;
    if (a == kProducerRank && b == kProducerRank) return "includes its neighbour " + to.folder;
    if (a >= kToolRank && to.folder == "app") return "includes the run";
    return "";
}

// True for the header of the operating system: a <name.h> of no library the
// project builds on.
bool is_system_header(const std::string& header) {
    if (header.size() < 2 || header.compare(header.size() - 2, 2, ".h") != 0) return false;
    for (const char* library : {"gtest/", "gmock/", "CLI/", "lzo/", "zlib.h", "utf8proc.h",
                                "archive.h", "archive_entry.h"}) {
        if (header.rfind(library, 0) == 0) return false;
    }
    return true;
}

bool may_use_system_headers(const Place& place) {
    return place.top == "tests" || (place.top == "src" && place.folder == "platform") ||
           (place.top == "tools" && place.folder == "gamekit");
}

// The place of a file of the tree; a file that stands right in src/, tools/
// or tests/ has the folder "".
Place place_of(const fs::path& file) {
    const fs::path relative = fs::relative(file, MSCONV_SOURCE_DIR);
    auto part = relative.begin();
    Place place{part->string(), ""};
    if (++part != relative.end() && std::next(part) != relative.end())
        place.folder = part->string();
    return place;
}

// The top folder of a folder named at the start of an include.
std::string top_of(const std::string& folder) {
    if (folder == "support" || folder == "process" || folder == "e2e" || folder == "fuzz")
        return "tests";
    return rank_of(folder) >= kToolRank ? "tools" : "src";
}

// The header an include names, as a place, or false for a header outside
// the tree (the system's, a library's). A quoted name is looked for beside
// the including file first, as the compiler does.
bool resolve(const fs::path& file, const std::string& name, bool quoted, const Place& from,
             Place& to) {
    if (quoted) {
        const fs::path beside = (file.parent_path() / name).lexically_normal();
        if (fs::exists(beside)) {
            to = place_of(beside);
            return true;
        }
    }
    const std::string first = fs::path(name).begin()->string();
    if (first == name) return !quoted ? false : (to = from, true);
    if (!quoted && rank_of(first) == kUnknown) return false;  // <lzo/lzo1x.h>
    to = {top_of(first), first};
    return true;
}

// The library below src/app hands its messages up; only the program, the
// console sink itself (base/console.*) and the platform's raw writes call
// a console function.
bool may_call_console(const fs::path& file, const Place& place) {
    const int rank = rank_of(place.folder);
    return place.top != "src" || rank == 0 || rank > kProducerRank || file.stem() == "console";
}

// The faults of the file `file` whose lines `in` gives, one line each.
std::string faults_of(const fs::path& file, std::istream& in) {
    static const std::regex include(R"re(^\s*#\s*include\s*([<"])([^>"]+)[>"])re");
    static const std::regex console_call(R"re(^[^/]*\b(console_\w+)\s*\()re");
    const Place from = place_of(file);
    std::string faults;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::smatch m;
        if (std::regex_search(line, m, console_call) && !may_call_console(file, from)) {
            faults += fs::relative(file, MSCONV_SOURCE_DIR).string() + ":" +
                      std::to_string(number) + ": calls " + m[1].str() + "\n";
        }
        if (!std::regex_search(line, m, include)) continue;
        const std::string name = m[2];
        Place to;
        std::string why;
        if (resolve(file, name, m[1] == "\"", from, to)) {
            why = violation(from, to);
        } else if (is_system_header(name) && !may_use_system_headers(from)) {
            why = "includes the system header " + name;
        }
        if (!why.empty()) {
            faults += fs::relative(file, MSCONV_SOURCE_DIR).string() + ":" +
                      std::to_string(number) + ": " + why + "\n";
        }
    }
    return faults;
}

TEST(Layering, RulesTable) {
    const struct {
        Place from;
        Place to;
        bool allowed;
    } cases[] = {
        {{"src", "base"}, {"src", "platform"}, true},
        {{"src", "platform"}, {"src", "base"}, false},
        {{"src", "archive"}, {"src", "base"}, false},
        {{"src", "package"}, {"src", "app"}, false},
        {{"src", "image"}, {"src", "package"}, false},
        {{"src", "image"}, {"src", "scenario"}, false},
        {{"src", "scenario"}, {"src", "image"}, false},
        {{"src", "app"}, {"src", "image"}, true},
        {{"src", "scenario"}, {"tools", "gamekit"}, false},
        {{"src", "scenario"}, {"tests", "support"}, false},
        {{"src", "secret"}, {"src", "base"}, false},
        {{"src", "base"}, {"src", "secret"}, false},
        {{"tools", "avdtool"}, {"src", "image"}, true},
        {{"tools", "bench"}, {"src", "app"}, false},
        {{"tests", "image"}, {"src", "image"}, true},
        {{"tests", "image"}, {"tests", "support"}, true},
        {{"tests", "image"}, {"tools", "gamekit"}, true},
        {{"tests", "package"}, {"src", "image"}, false},
        {{"tests", "e2e"}, {"tools", "sample-game"}, true},
        {{"tests", "e2e"}, {"tests", "process"}, true},
        {{"tools", "bench"}, {"tests", "process"}, true},
        {{"tools", "avdtool"}, {"tests", "process"}, false},
        {{"src", "app"}, {"tests", "process"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(violation(c.from, c.to).empty(), c.allowed)
            << c.from.top << "/" << c.from.folder << " -> " << c.to.top << "/" << c.to.folder;
    }
}

// Each form a fault can take is found: an angled upward include, a sideways
// one through "../", a system header outside platform, and a console call
// below the program.
TEST(Layering, EveryFormOfIncludeIsRead) {
    const fs::path root = MSCONV_SOURCE_DIR;
    const struct {
        const char* file;
        const char* line;
        const char* fault;
    } cases[] = {
        {"src/package/package.cpp", "#include <image/pdt10.h>", "includes its neighbour image"},
        {"src/scenario/scenario.cpp", "#include \"../image/pdt10.h\"",
         "includes its neighbour image"},
        {"src/base/search.cpp", "#include <unistd.h>", "includes the system header unistd.h"},
        {"src/platform/platform_posix.cpp", "#include <unistd.h>", ""},
        {"tools/gamekit/archive_write.cpp", "#include <spawn.h>", ""},
        {"tools/avdtool/avdtool.cpp", "#include <unistd.h>", "includes the system header unistd.h"},
        {"src/base/names.cpp", "#include \"nowhere/x.h\"", "includes the unknown folder nowhere"},
        {"src/scenario/emit.cpp", "    console_show (\"x\", {});", "calls console_show"},
        {"src/package/package.cpp", "x = console_show_error(\"\", {});",
         "calls console_show_error"},
        {"src/base/console.cpp", "    console_show(\"x\", {});", ""},
        {"src/app/run.cpp", "    console_show(\"x\", {});", ""},
        {"src/image/convert.cpp", "// console_drain(list) prints", ""},
    };
    for (const auto& c : cases) {
        std::istringstream line(c.line);
        const std::string expected = *c.fault ? std::string(c.file) + ":1: " + c.fault + "\n" : "";
        EXPECT_EQ(faults_of(root / c.file, line), expected) << c.file;
    }
}

TEST(Layering, NoIncludeRunsUpwardSidewaysOrToTheSystem) {
    std::size_t files = 0;
    std::string faults;
    for (const char* top : {"src", "tools", "tests"}) {
        for (const auto& entry :
             fs::recursive_directory_iterator(fs::path(MSCONV_SOURCE_DIR) / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".in"))
                continue;
            ++files;
            std::ifstream in(entry.path());
            faults += faults_of(entry.path(), in);
        }
    }
    EXPECT_EQ(faults, "");
    EXPECT_GT(files, 100u);
}

}  // namespace
