// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/progress.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/search.h"

namespace {

namespace fs = std::filesystem;

// Each step's total is the number of files its search lists (a folder whose
// name matches is no file), whatever the step before counted; every file
// handed in counts once.
TEST(Progress, StepTotalsAreTheFileCountsOfTheSearches) {
    const fs::path root =
        fs::temp_directory_path() / ("msconv-progress-" + std::to_string(getpid()));
    for (const char* name : {"CG/A.MOE", "CG/b.moe", "CG/C.TXT", "DATA/X", "DATA/Y.BIN"}) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name) << 'x';
    }
    fs::create_directories(root / "CG/SUB.MOE");
    Progress progress;
    progress.enabled = true;
    FileSearch search;
    search.context = &progress;
    search.started = progress_files;
    const struct {
        const char* pattern;
        std::size_t total;
    } cases[] = {{"CG/*.MOE", 2}, {"DATA/*.*", 2}, {"ENDING/*.MOE", 0}, {"CG/*.*", 3}};
    std::size_t handed_in = 0;
    for (const auto& c : cases) {
        progress_step(&progress, c.pattern);
        for (const char* name = find_first_file(search, root.string() + "/" + c.pattern); name;
             name = find_next_file(search)) {
            progress_added(&progress, 10);
            ++handed_in;
        }
        EXPECT_EQ(progress.total, c.total) << c.pattern;
        EXPECT_EQ(progress.done, c.total) << c.pattern;
    }
    EXPECT_EQ(progress.bytes_in, 10 * handed_in);
    progress_end(&progress);
    fs::remove_all(root);
}

}  // namespace
