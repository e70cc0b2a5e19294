// SPDX-License-Identifier: GPL-2.0-or-later
// The packages of the avdtool benchmark (tools/bench/report_bench.sh), made
// with the converter's package builder:
//   avdtool-bench-input menu FOLDER   FOLDER/DAR297.AVD with a 64 KiB SEEN
//       entry: a 16-item menu, each way setting 64 string slots, joining
//       into thousands of plain instructions
//   avdtool-bench-input menu FOLDER ITEMS SLOTS BYTES   the same shape in
//       other sizes
//   avdtool-bench-input flat FOLDER   FOLDER/DAR297.AVD with an 8 MiB SEEN
//       entry of `v0 = 0` instructions
#include <cstdio>
#include <stdexcept>
#include <string>

#include "gamekit/seen_build.h"
#include "package/package.h"
#include "platform/platform.h"
#include "scenario/seen.h"

using namespace gamekit;

int main(int argc, char** argv) {
    const std::string shape = argc == 3 || argc == 6 ? argv[1] : "";
    if (shape != "menu" && shape != "flat") {
        std::fprintf(stderr, "usage: avdtool-bench-input menu|flat FOLDER\n");
        return 2;
    }
    const std::string folder = argv[2];
    SeenBytes seen;
    if (shape == "menu") {
        seen = argc == 6 ? seen_menu_and_slots(std::stoul(argv[3]), std::stoul(argv[4]),
                                               std::stoul(argv[5]))
                         : seen_menu_and_slots(16, 64, 65536);
    } else {
        SeenBytes body;
        while (body.size() + 3 <= (std::size_t{8} << 20) - std::size_t{kSeenHeaderSize})
            put_seen_set(body, 0, 0);
        seen = seen_file(body);
    }
    Package package;
    Diagnostics said;  // a failure shows in the status
    if (open_package(package, folder + platform::kSeparator, 1, said) != Status::ok) return 1;
    add_package_entry(package, "SEEN001.TXT", std::move(seen), nullptr, said);
    const std::string path = folder + platform::kSeparator + "DAR297.AVD";
    return finish_package(package, path, said) == Status::ok ? 0 : 1;
}
