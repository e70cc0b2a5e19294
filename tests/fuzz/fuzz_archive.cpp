// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of the archive source: the bytes of a disc image or archive are
// listed as the converter lists a game, and every file of the tree is read
// twice, in the tree's order and back to front (which starts the archive
// again), under a small limit. The tree must hold together, a read must
// stay within its limit and give the same bytes both times, and anything
// else must end as a clean failure.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace {

constexpr std::uint64_t kLimit = 1 << 20;

std::string input_path() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_archive." +
               std::to_string(getpid()) + ".bin";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = input_path();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);

    Archive archive;
    std::string reason;
    if (open_archive(path, archive, reason) != ArchiveOpen::ok) return 0;
    std::vector<std::size_t> files;
    for (std::size_t i = 1; i < archive.nodes.size(); ++i) {
        const ArchiveNode& node = archive.nodes[i];
        // Every node hangs below a folder listed before it, by a name.
        if (node.parent >= i || !archive.nodes[node.parent].directory || node.name.empty() ||
            node.name.find('/') != std::string::npos)
            std::abort();
        if (!node.directory) files.push_back(i);
    }
    std::vector<std::vector<std::uint8_t>> first(files.size());
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (read_archive_file(archive, files[k], first[k], kLimit, &reason) !=
                platform::ReadStatus::ok &&
            !first[k].empty())
            std::abort();
        if (first[k].size() > kLimit) std::abort();
    }
    for (std::size_t k = files.size(); k-- > 0;) {
        std::vector<std::uint8_t> again;
        if (read_archive_file(archive, files[k], again, kLimit, &reason) ==
                platform::ReadStatus::ok &&
            !first[k].empty() && again != first[k])
            std::abort();
    }
    return 0;
}
