// SPDX-License-Identifier: GPL-2.0-or-later
#include "package/package.h"

#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/bytes.h"
#include "base/names.h"
#include "gamekit/gamekit.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "support/package_read_back.h"
#include "support/shown.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A package built in a fresh temporary folder.
class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(open_package(package_, prefix(), 1, said_), Status::ok); }
    std::string prefix() const { return folder_.prefix(); }
    std::string package_path() const { return prefix() + kPackageName; }

    void add(const std::string& name, const Bytes& data) {
        const std::size_t before = package_.directory.size();
        add_package_entry(package_, name.c_str(), data, nullptr, said_);
        ASSERT_EQ(package_.directory.size(), before + 1) << name;
    }
    // Finishes the package and reads it back: it parses and verifies.
    void finish() {
        EXPECT_EQ(finish_package(package_, package_path(), said_), Status::ok);
        stored_ = read_package(package_path());
        bytes_ = stored_.bytes;
        std::string error;
        EXPECT_TRUE(parse_package(bytes_.data(), bytes_.size(), view_, error)) << error;
    }

    TempFolder folder_;
    Package package_;
    Diagnostics said_;
    PackageView view_;
    StoredPackage stored_;
    Bytes bytes_;
};

Bytes lzo_compress(const Bytes& data) {
    std::vector<std::uint8_t> work(LZO1X_999_MEM_COMPRESS);
    Bytes out(data.size() + data.size() / 16 + 67);
    lzo_uint n = 0;
    static const std::uint8_t nothing = 0;
    lzo1x_999_compress(data.empty() ? &nothing : data.data(), data.size(), out.data(), &n,
                       work.data());
    out.resize(n);
    return out;
}

TEST_F(PackageTest, HeaderBytes) {
    add("A", {1, 2, 3});
    finish();
    // "PLOVEX", 1613, 2, N = 1, 16, 8, zeros, then the title in code page 932.
    const Bytes expected_start = {'P',  'L',  'O',  'V',  'E',  'X',  0,    0,    0x4D,
                                  0x06, 0x02, 0x00, 0x01, 0x00, 0x10, 0x00, 0x08, 0x00};
    ASSERT_GE(bytes_.size(), 64u);
    EXPECT_EQ(Bytes(bytes_.begin(), bytes_.begin() + 18), expected_start);
    EXPECT_EQ(Bytes(bytes_.begin() + 18, bytes_.begin() + 32), Bytes(14, 0));
    const Bytes title = {0x82, 0xCB, 0x82, 0xDE, 0x82, 0xE8, ' ',  0x82, 0xAC, 0x82, 0xC2,
                         0x82, 0xCB, 0x95, 0xB6, 0x8C, 0xC9, 0x83, 0x7E, 0x83, 0x6A, 0x83,
                         0x56, 0x83, 0x69, 0x83, 0x8A, 0x83, 0x49, 0,    0,    0};
    EXPECT_EQ(Bytes(bytes_.begin() + 32, bytes_.begin() + 64), title);
}

TEST_F(PackageTest, DirectoryLayoutAndDataInInsertionOrder) {
    const Bytes b = {'b', 'b', 'b', 'b'};
    const Bytes a(1000, 'a');
    add("second.txt", b);
    add("first.txt", a);
    finish();
    ASSERT_EQ(stored_.names(), (std::vector<std::string>{"FIRST.TXT", "SECOND.TXT"}));
    // Data start at 64 + 32 * N, in the order the entries were added.
    const Bytes packed_b = lzo_compress(b), packed_a = lzo_compress(a);
    const std::uint8_t* record = bytes_.data() + 64;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record)), "FIRST.TXT");
    EXPECT_EQ(Bytes(record + 9, record + 16), Bytes(7, 0));  // zero-filled name
    ByteReader fields{bytes_, 64 + 16};
    EXPECT_EQ(fields.le32(), 128u + packed_b.size());
    EXPECT_EQ(fields.le32(), packed_a.size());
    EXPECT_EQ(fields.le32(), 1000u);
    EXPECT_EQ(fields.le32(), 2u);
    EXPECT_EQ((ByteReader{bytes_, 64 + 32 + 16}.le32()), 128u);
    EXPECT_EQ(Bytes(bytes_.begin() + 128, bytes_.begin() + 128 + packed_b.size()), packed_b);
    EXPECT_EQ(bytes_.size(), 128 + packed_b.size() + packed_a.size());
    EXPECT_EQ(stored_.entries[0].data, a);
    EXPECT_EQ(stored_.entries[1].data, b);
}

TEST_F(PackageTest, SortIsBytewiseAndStable) {
    // Equal names keep their insertion order, also among the 40 more that
    // make the sort partition; a double-byte name sorts after every ASCII
    // name; digits before letters; SEEN before SYSTEM; names that agree in
    // their first 12 bytes by the bytes after them.
    add("\x83"
        "A.PDT",
        {1});
    add("SEEN0010.TXTB", {8});
    add("SEEN0010.TXTA", {9});
    add("SYSTEM.PDT", {2});
    add("dup", {3});
    add("SEEN001.TXT", {4});
    add("DUP", {5});
    add("0.DAT", {6});
    add("DU", {7});
    Bytes dup_order = {3, 5};
    for (std::uint8_t i = 10; i < 50; ++i) {
        add(i % 2 ? "dup" : "DUP", {i});
        dup_order.push_back(i);
    }
    finish();
    std::vector<std::string> expected = {"0.DAT", "DU"};
    expected.insert(expected.end(), dup_order.size(), "DUP");
    expected.insert(expected.end(), {"SEEN001.TXT", "SEEN0010.TXTA", "SEEN0010.TXTB", "SYSTEM.PDT",
                                     "\x83"
                                     "A.PDT"});
    EXPECT_EQ(stored_.names(), expected);
    Bytes order;
    for (std::size_t i = 2; i < 2 + dup_order.size(); ++i)
        order.push_back(stored_.entries[i].data.at(0));
    EXPECT_EQ(order, dup_order);
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_TRUE(verify_package(view_, error, &warnings)) << error;
    EXPECT_EQ(warnings, std::vector<std::string>{"DUP: 42 entries of this name"});
}

// Each row: a name put into the directory of a sound one-entry package, and
// what verify says of it.
TEST_F(PackageTest, VerifyRefusesNamesThatAreNoFileNames) {
    add("A", {1});
    finish();
    const struct {
        std::string name;
        std::string error;
    } cases[] = {
        {"A.TXT", ""},
        {"...", ""},
        {"\x95\\.PDT", ""},  // the trail byte 0x5C of a double-byte character
        {"ABCDEFGHIJKLMN\x83", ""},
        {"\x7F", ""},
        {"", "entry 0 \"\": name is empty"},
        {".", "entry 0 \".\": name is \".\""},
        {"..", "entry 0 \"..\": name is \"..\""},
        {"A/B", "entry 0 \"A/B\": name holds the separator /"},
        {"A\\B", "entry 0 \"A\\B\": name holds the separator \\"},
        {"\\", "entry 0 \"\\\": name holds the separator \\"},
        {"A\x1b[2J", "entry 0 \"A\\x1b[2J\": name holds the byte \\x1b"},
        {"\x83\x1f", "entry 0 \"\x83\\x1f\": name holds the byte \\x1f"},
        {"TAB\t", "entry 0 \"TAB\\x09\": name holds the byte \\x09"},
    };
    for (const auto& c : cases) {
        PackageView view = view_;
        std::memset(view.directory[0].name, 0, kEntryNameSize);
        std::memcpy(view.directory[0].name, c.name.data(), c.name.size());
        std::string error;
        EXPECT_EQ(verify_package(view, error), c.error.empty()) << printable_name(c.name);
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(PackageTest, NamesCutTo15BytesAndUpperCased) {
    add("abcdefghijklmno", {1});      // exactly 15: whole
    add("abcdefghijklmnopqrs", {2});  // cut to 15
    add("abcdefghijklmn\x83", {3});   // 15 bytes ending in a lone lead byte
    add("zzzzzzzzzzzzzz\x83"
        "a",
        {4});  // cut inside a double-byte character
    finish();
    EXPECT_EQ(stored_.names(),
              (std::vector<std::string>{"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMN\x83",
                                        "ZZZZZZZZZZZZZZ\x83"}));
}

TEST_F(PackageTest, EmptyEntryHasPackedSizeThree) {
    add("EMPTY", {});
    finish();
    ASSERT_EQ(view_.directory.size(), 1u);
    EXPECT_EQ(view_.directory[0].packed_size, 3u);
    EXPECT_EQ(view_.directory[0].unpacked_size, 0u);
    EXPECT_EQ(view_.directory[0].offset, 96u);
}

TEST_F(PackageTest, LargeBlockNeedsNoFixedBuffer) {
    // Larger than the classic 1 MiB output buffer and hard to compress.
    const Bytes data = gamekit::noise(3 << 20, 12345);
    add("NOISE", data);
    finish();
    ASSERT_EQ(stored_.entries.size(), 1u);
    EXPECT_EQ(stored_.entries[0].data, data);
}

TEST_F(PackageTest, StagingFileExistsOnlyWhileOpen) {
    EXPECT_TRUE(std::filesystem::exists(prefix() + kStagingName));
    add("A", {1});
    finish();
    EXPECT_FALSE(std::filesystem::exists(prefix() + kStagingName));
    EXPECT_FALSE(std::filesystem::exists(package_path() + ".part"));
}

TEST_F(PackageTest, AbandonDeletesTheStagingFile) {
    add("A", {1});
    abandon_package(package_);
    EXPECT_FALSE(std::filesystem::exists(prefix() + kStagingName));
    EXPECT_FALSE(std::filesystem::exists(package_path()));
}

TEST_F(PackageTest, FailedFinishKeepsTheEarlierPackage) {
    const Bytes earlier = {'o', 'l', 'd'};
    ASSERT_TRUE(gamekit::write_file(package_path(), earlier));
    add("A", {1});
    // The package cannot be written where a folder stands in the way.
    std::filesystem::create_directories(package_path() + ".part");
    EXPECT_EQ(finish_package(package_, package_path(), said_), Status::write_failed);
    std::string errors;
    EXPECT_EQ(shown(said_, &errors), "");
    EXPECT_EQ(errors, "msconv: cannot create " + package_path() + ".part: File exists\n");
    Bytes now;
    ASSERT_EQ(platform::read_file(package_path(), now, 100), platform::ReadStatus::ok);
    EXPECT_EQ(now, earlier);
    EXPECT_FALSE(std::filesystem::exists(prefix() + kStagingName));
}

TEST_F(PackageTest, EntriesPast65535AreRefusedWithAWarning) {
    package_.directory.resize(kMaxPackageEntries);
    const Bytes one = {1};
    add_package_entry(package_, "LAST", one, nullptr, said_);
    EXPECT_EQ(package_.directory.size(), kMaxPackageEntries);
    EXPECT_EQ(shown(said_), "********** Too many package entries: LAST skipped\n");
    EXPECT_EQ(package_.left_out, 1u);
    abandon_package(package_);
}

// What a sink with a hand-up was handed, and on which threads.
std::string g_handed_up;
std::vector<std::thread::id> g_handing_threads;
void hand_up(Diagnostics& said) {
    g_handing_threads.push_back(std::this_thread::get_id());
    g_handed_up += shown(said);
}

// With worker threads an entry is written, and its warning said, during a
// later call, but on the caller's thread: a sink that prints at once never
// prints from a worker.
TEST(PackageJobs, WarningsAreSaidOnTheCallersThread) {
    const TempFolder folder;
    Package package;
    Diagnostics said;
    said.hand_up = hand_up;
    g_handed_up.clear();
    g_handing_threads.clear();
    ASSERT_EQ(open_package(package, folder.prefix(), 3, said), Status::ok);
    package.directory.resize(kMaxPackageEntries - 1);
    for (const char* name : {"A", "B", "C"})
        add_package_entry(package, name, Bytes(1000, 1), nullptr, said);
    EXPECT_EQ(finish_package(package, folder.prefix() + kPackageName, said), Status::ok);
    EXPECT_EQ(g_handed_up,
              "********** Too many package entries: B skipped\n"
              "********** Too many package entries: C skipped\n");
    EXPECT_EQ(g_handing_threads, std::vector(2, std::this_thread::get_id()));
    EXPECT_TRUE(said.messages.empty());
}

// Builds one package from a fixed set of entries with `jobs` worker threads.
Bytes build_with_jobs(const std::filesystem::path& folder, unsigned jobs, std::string& console) {
    std::filesystem::create_directories(folder);
    const std::string prefix = folder.string() + "/";
    Package package;
    Diagnostics said;
    EXPECT_EQ(open_package(package, prefix, jobs, said), Status::ok);
    gamekit::Random random(99);
    for (int i = 0; i < 40; ++i) {
        Bytes block(static_cast<std::size_t>((i * 7919) % 50000) * (i % 5 == 0 ? 40 : 1));
        for (auto& byte : block) {
            const std::uint32_t r = random();
            byte = static_cast<std::uint8_t>((r >> 20) + (i % 3 ? 0 : (r >> 8)));
        }
        std::string name = "E";
        name += std::to_string(40 - i % 13);
        add_package_entry(package, name.c_str(), std::move(block), nullptr, said);
    }
    EXPECT_EQ(finish_package(package, prefix + kPackageName, said), Status::ok);
    console += shown(said);
    return read_package(prefix + kPackageName).bytes;
}

TEST(PackageJobs, WorkerThreadsGiveTheSameBytesAsOneJob) {
    const TempFolder root;
    std::string console;
    const Bytes one = build_with_jobs(root / "1", 1, console);
    for (unsigned jobs : {2u, 3u, 8u}) {
        const Bytes many = build_with_jobs(root / std::to_string(jobs), jobs, console);
        EXPECT_EQ(many, one) << jobs << " jobs";
    }
    EXPECT_EQ(console, "");
}

TEST(PackageHeader, BuiltWhole) {
    std::uint8_t header[kPackageHeaderSize];
    std::memset(header, 0xEE, sizeof header);
    build_package_header(header, 0x1234);
    EXPECT_EQ((ByteReader{header, 12}.le16()), 0x1234);
    EXPECT_EQ(header[63], 0);
}

TEST(PackageReader, RejectsTruncatedAndMisplacedData) {
    const struct {
        const char* what;
        Bytes bytes;
        const char* error;
    } cases[] = {
        {"short header", Bytes(10, 0), "file is shorter than the 64-byte header"},
        {"short directory",
         [] {
             Bytes b(64, 0);
             b[12] = 2;
             return b;
         }(),
         "file is too short for its directory of 2 entries"},
    };
    for (const auto& c : cases) {
        PackageView view;
        std::string error;
        EXPECT_FALSE(parse_package(c.bytes.data(), c.bytes.size(), view, error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

}  // namespace
