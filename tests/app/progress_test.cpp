// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/progress.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/search.h"
#include "support/temp_folder.h"

using namespace msconv::app;
using namespace msconv::base;

namespace {

// Each step's total is the number of files its search lists (a folder whose
// name matches is none), whatever the step before counted; each file handed
// in counts once.
TEST(Progress, StepTotalsAreTheFileCountsOfTheSearches) {
    const TempFolder folder;
    const std::string dir = folder.prefix();
    std::filesystem::create_directories(dir + "CG/SUB.MOE");
    std::filesystem::create_directories(dir + "DATA");
    for (const char* name : {"CG/A.MOE", "CG/b.moe", "CG/C.TXT", "DATA/X", "DATA/Y.BIN"})
        std::ofstream(dir + name) << 'x';
    Progress progress;
    progress.enabled = true;
    FileSearch search;
    search.context = &progress;
    search.started = progress_files;
    for (const auto& [pattern, total] :
         {std::pair{"CG/*.MOE", 2u}, {"DATA/*.*", 2u}, {"ENDING/*.MOE", 0u}, {"CG/*.*", 3u}}) {
        progress_step(&progress, pattern);
        for (const char* name = find_first_file(search, dir + pattern); name;
             name = find_next_file(search))
            progress_added(&progress, 10);
        EXPECT_EQ(progress.total, total) << pattern;
        EXPECT_EQ(progress.done, total) << pattern;
    }
    EXPECT_EQ(progress.bytes_in, 70u);
    progress_end(&progress);
}

}  // namespace
