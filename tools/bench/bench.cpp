// SPDX-License-Identifier: GPL-2.0-or-later
// msconv-bench: measures a whole conversion against the bare compression it
// cannot avoid.
//
// It generates a large sample game, converts it with one job and with N jobs
// (wall time and peak resident memory of each run), checks that the two
// packages are identical, and times lzo1x_999_compress alone over exactly the
// blocks that the conversion handed to the package (the package's entries,
// decompressed). It also packs the game into an ISO image and converts it
// from there with one job, which must give the same package. Then it prints
// the table with the ratios.
#include <lzo/lzo1x.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "package/package.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "process/process.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs a command with its output captured; true when it exits with status 0.
bool run(const std::vector<std::string>& args, process::Result& result) {
    result = process::run(process::Request(args));
    if (result.status != 0) std::fputs(result.err.c_str(), stderr);
    return result.status == 0;
}

bool read_all(const std::string& path, std::vector<std::uint8_t>& bytes) {
    return platform::read_file(path, bytes, UINT64_MAX) == platform::ReadStatus::ok;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Benchmark of msconv: conversion time against bare LZO1X-999 compression"};
    std::string msconv, generator, work = "build/bench";
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::string pictures = "300", sprites = "150", scenarios = "200", data_mib = "4";
    app.add_option("--msconv", msconv, "The converter")->required();
    app.add_option("--generator", generator, "The sample-game generator")->required();
    app.add_option("--work", work, "Folder for the generated game and the packages");
    app.add_option("--jobs", jobs, "Jobs of the parallel run (default: processors)");
    app.add_option("--pictures", pictures, "Pictures of 640 x 480, in both formats");
    app.add_option("--sprites", sprites, "Character sprites with masks");
    app.add_option("--scenarios", scenarios, "Scenario files");
    app.add_option("--data-mib", data_mib, "MiB of DATA files");
    CLI11_PARSE(app, argc, argv);

    namespace fs = std::filesystem;
    const std::string game = work + "/game", data = work + "/DATA";
    const std::string out1 = work + "/out-1", outn = work + "/out-n";
    fs::remove_all(work);
    for (const std::string& folder : {out1, outn})
        fs::create_directories(folder);

    std::printf("Generating the game (%s pictures, %s sprites, %s scenarios, %s MiB DATA)...\n",
                pictures.c_str(), sprites.c_str(), scenarios.c_str(), data_mib.c_str());
    std::fflush(stdout);
    process::Result generated;
    if (!run({generator, game, data, "--pictures", pictures, "--sprites", sprites, "--scenarios",
              scenarios, "--data-mib", data_mib},
             generated)) {
        std::fprintf(stderr, "msconv-bench: the generator failed\n");
        return 1;
    }

    const auto convert = [&](const std::string& out, unsigned n, process::Result& result,
                             const std::string& from) {
        return run({msconv, "--no-wait", "--quiet", "--jobs", std::to_string(n), "--output", out,
                    "--data", data, from},
                   result);
    };
    std::printf("Converting with 1 job...\n");
    std::fflush(stdout);
    process::Result one, many;
    const bool one_ok = convert(out1, 1, one, game);
    std::printf("Converting with %u jobs...\n", jobs);
    std::fflush(stdout);
    if (!one_ok || !convert(outn, jobs, many, game)) {
        std::fprintf(stderr, "msconv-bench: a conversion failed\n");
        return 1;
    }
    std::printf("Packing the game into an ISO image and converting it with 1 job...\n");
    std::fflush(stdout);
    const std::string iso = work + "/game.iso", out_iso = work + "/out-iso";
    fs::create_directories(out_iso);
    process::Result packed, from_iso;
    if (!run({generator, "--archive", "iso", "--from", game, iso}, packed) ||
        !convert(out_iso, 1, from_iso, iso)) {
        std::fprintf(stderr, "msconv-bench: the conversion from the ISO image failed\n");
        return 1;
    }

    std::vector<std::uint8_t> package_one, package_many, package_iso;
    if (!read_all(out1 + "/" + kPackageName, package_one) ||
        !read_all(outn + "/" + kPackageName, package_many) ||
        !read_all(out_iso + "/" + kPackageName, package_iso)) {
        std::fprintf(stderr, "msconv-bench: cannot read the packages\n");
        return 1;
    }
    const bool identical = package_one == package_many && package_one == package_iso;

    // The blocks the conversion handed in are the entries, decompressed.
    PackageView view;
    std::string error;
    if (!parse_package(package_one.data(), package_one.size(), view, error)) {
        std::fprintf(stderr, "msconv-bench: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::vector<std::uint8_t>> blocks;
    std::uint64_t total_in = 0;
    std::size_t largest = 0;
    for (const DirectoryEntry& entry : view.directory) {
        std::vector<std::uint8_t> block;
        if (!extract_entry(view, entry, block, error)) {
            std::fprintf(stderr, "msconv-bench: %s\n", error.c_str());
            return 1;
        }
        total_in += block.size();
        largest = std::max(largest, block.size());
        blocks.push_back(std::move(block));
    }
    std::printf("Compressing the %zu blocks alone...\n", blocks.size());
    std::fflush(stdout);
    lzo_init();
    std::vector<std::uint8_t> work_memory(LZO1X_999_MEM_COMPRESS);
    std::vector<std::uint8_t> out(largest + largest / 16 + 67);
    const auto start = Clock::now();
    for (const auto& block : blocks) {
        static const std::uint8_t nothing = 0;
        lzo_uint packed = 0;
        lzo1x_999_compress(block.empty() ? &nothing : block.data(), block.size(), out.data(),
                           &packed, work_memory.data());
    }
    const double bare = std::chrono::duration<double>(Clock::now() - start).count();

    const double mib = 1 << 20;
    std::printf("\n%-32s %10s %12s\n", "measurement", "seconds", "peak MiB");
    std::printf("%-32s %10.2f %12s\n", "bare lzo1x_999_compress", bare, "-");
    std::printf("%-32s %10.2f %12.1f\n", "conversion, 1 job", one.seconds, one.peak_bytes / mib);
    char label[64];
    std::snprintf(label, sizeof label, "conversion, %u jobs", jobs);
    std::printf("%-32s %10.2f %12.1f\n", label, many.seconds, many.peak_bytes / mib);
    std::printf("%-32s %10.2f %12.1f\n", "conversion from ISO, 1 job", from_iso.seconds,
                from_iso.peak_bytes / mib);
    std::printf("\n%zu entries, %.1f MiB in, %.1f MiB package, largest entry %.1f MiB\n",
                blocks.size(), static_cast<double>(total_in) / (1 << 20),
                static_cast<double>(package_one.size()) / (1 << 20),
                static_cast<double>(largest) / (1 << 20));
    std::printf("conversion (1 job) / bare compression: %.3f (target <= 1.05)\n",
                one.seconds / bare);
    std::printf("speedup of %u jobs over 1:             %.2f (target >= %.2f)\n", jobs,
                one.seconds / many.seconds, 0.9 * jobs);
    std::printf("peak memory with %u jobs:               %.1f MiB (target <= %.1f MiB)\n", jobs,
                many.peak_bytes / mib, 64.0 + static_cast<double>(largest) / (1 << 20));
    std::printf("from the ISO image / from the folder:  %.3f (target <= 1.05)\n",
                from_iso.seconds / one.seconds);
    std::printf("packages identical:                    %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
