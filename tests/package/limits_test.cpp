// SPDX-License-Identifier: GPL-2.0-or-later
// Packages whose directory claims more than their data can hold.
#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "package/package.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes compress(const Bytes& data) {
    EXPECT_EQ(lzo_init(), LZO_E_OK);
    std::vector<std::uint8_t> work(LZO1X_999_MEM_COMPRESS);
    Bytes out(data.size() + data.size() / 16 + 67);
    lzo_uint n = 0;
    lzo1x_999_compress(data.data(), data.size(), out.data(), &n, work.data());
    out.resize(n);
    return out;
}

// A package of one entry "ZEROS" whose directory claims `unpacked` bytes.
Bytes one_entry_package(const Bytes& packed, std::uint32_t unpacked) {
    Bytes bytes(kPackageHeaderSize + kDirectoryEntrySize);
    build_package_header(bytes.data(), 1);
    std::uint8_t* record = &bytes[kPackageHeaderSize];
    std::memcpy(record, "ZEROS", 5);
    write_le32(record + 16, static_cast<std::uint32_t>(bytes.size()));
    write_le32(record + 20, static_cast<std::uint32_t>(packed.size()));
    write_le32(record + 24, unpacked);
    write_le32(record + 28, kEntryKindLzo);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    return bytes;
}

// The most compressible block: LZO1X gives less than 256 bytes per byte.
TEST(PackageLimits, ZerosStayWithinTheExpansionBound) {
    const Bytes zeros(4 << 20, 0);
    const Bytes packed = compress(zeros);
    EXPECT_LE(zeros.size(), 256 * packed.size());
    const Bytes bytes = one_entry_package(packed, static_cast<std::uint32_t>(zeros.size()));
    PackageView view;
    std::string error;
    ASSERT_TRUE(parse_package(bytes.data(), bytes.size(), view, error)) << error;
    EXPECT_TRUE(verify_package(view, error)) << error;
    Bytes out;
    ASSERT_TRUE(extract_entry(view, view.directory[0], out, error)) << error;
    EXPECT_EQ(out, zeros);
}

// A few bytes of entry data claiming gigabytes: extract_entry refuses the
// claim before it allocates the claimed size.
TEST(PackageLimits, AClaimBeyondWhatThePackedDataCanHoldIsRefusedUnallocated) {
    const Bytes packed = compress(Bytes(1000, 0));
    for (std::uint32_t unpacked :
         {0xFFFFFFFFu, 256u << 20, static_cast<std::uint32_t>(256 * packed.size() + 1)}) {
        SCOPED_TRACE(unpacked);
        const Bytes bytes = one_entry_package(packed, unpacked);
        PackageView view;
        std::string error;
        ASSERT_TRUE(parse_package(bytes.data(), bytes.size(), view, error)) << error;
        Bytes out;
        EXPECT_FALSE(extract_entry(view, view.directory[0], out, error));
        EXPECT_EQ(error, "ZEROS: unpacked size " + std::to_string(unpacked) + " is more than " +
                             std::to_string(packed.size()) + " packed bytes can hold");
        EXPECT_LT(out.capacity(), 1u << 20);
        EXPECT_FALSE(verify_package(view, error));
    }
}

// With worker threads, a block larger than the in-flight budget is written
// before add_package_entry returns: the producer would otherwise read the next
// large file while this one and its compressed copy are still held, three
// large blocks at once.
TEST(PackageLimits, ABlockBeyondTheInFlightBudgetIsWrittenBeforeTheNextIsRead) {
    const TempFolder folder;
    {
        Package package;
        Diagnostics said;
        ASSERT_EQ(open_package(package, folder.prefix(), 2, said), Status::ok);
        const Bytes small(1000, 7);
        add_package_entry(package, "SMALL.DAT", small, nullptr, said);
        EXPECT_EQ(package.directory.size(), 0u) << "a small block stays in flight";
        Bytes large(17u << 20, 0);
        add_package_entry(package, "LARGE.DAT", std::move(large), nullptr, said);
        ASSERT_EQ(package.directory.size(), 2u);
        EXPECT_STREQ(package.directory[1].name, "LARGE.DAT");
        abandon_package(package);
    }
}

}  // namespace
