// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A read of the reader, its name and its size in bytes.
struct Read {
    const char* name;
    std::size_t size;
    std::uint32_t (*read)(ByteReader&);
};
constexpr Read kU8{"u8", 1, [](ByteReader& r) -> std::uint32_t { return r.u8(); }};
constexpr Read kLe16{"le16", 2, [](ByteReader& r) -> std::uint32_t { return r.le16(); }};
constexpr Read kLe32{"le32", 4, [](ByteReader& r) { return r.le32(); }};
constexpr Read kBe16{"be16", 2, [](ByteReader& r) -> std::uint32_t { return r.be16(); }};
constexpr Read kBe24{"be24", 3, [](ByteReader& r) { return r.be24(); }};

// A reader of `data` from `pos`; the storage behind the data holds other
// bytes, which must never show in a read.
ByteReader reader(Bytes& storage, const Bytes& data, std::size_t pos) {
    storage = data;
    storage.resize(data.size() + 8, 0xEE);
    return ByteReader{std::span(storage.data(), data.size()), pos};
}

TEST(ByteReader, NumbersAtAndPastTheEnd) {
    struct Case {
        Read kind;
        Bytes data;
        std::size_t pos;
        std::uint32_t value;
        bool ok;
    };
    const Case cases[] = {
        {kU8, {0x12}, 0, 0x12, true},
        {kU8, {0x12}, 1, 0, false},
        {kU8, {0x12}, 7, 0, false},
        {kLe16, {0x12, 0x34}, 0, 0x3412, true},
        {kLe16, {0x12, 0x34}, 1, 0x0034, false},
        {kLe16, {}, 0, 0, false},
        {kLe32, {0x12, 0x34, 0x56, 0x78}, 0, 0x78563412, true},
        {kLe32, {0x12, 0x34, 0x56, 0x78}, 1, 0x00785634, false},
        {kLe32, {0x12}, 0, 0x00000012, false},
        {kBe16, {0x12, 0x34}, 0, 0x1234, true},
        {kBe16, {0x12, 0x34}, 1, 0x3400, false},
        {kBe16, {0x12, 0x34}, 2, 0, false},
        {kBe24, {0x12, 0x34, 0x56}, 0, 0x123456, true},
        {kBe24, {0x12, 0x34, 0x56}, 1, 0x345600, false},
        {kBe24, {0x12, 0x34, 0x56}, 2, 0x560000, false},
        {kBe24, {0x12, 0x34, 0x56}, 3, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind.name) + " at " + std::to_string(c.pos) + " of " +
                     std::to_string(c.data.size()) + " bytes");
        Bytes storage;
        ByteReader r = reader(storage, c.data, c.pos);
        EXPECT_EQ(c.kind.read(r), c.value);
        EXPECT_EQ(r.ok, c.ok);
        // The position moves by the read's size, also past the end.
        EXPECT_EQ(r.pos, c.pos + c.kind.size);
    }
}

TEST(ByteReader, TextEndsAtItsZeroOrAtTheEnd) {
    struct Case {
        Bytes data;
        std::size_t pos;
        std::string text;
        bool ok;
        std::size_t end;
    };
    const Case cases[] = {
        {{'A', 'B', 0, 'C'}, 0, "AB", true, 3},
        {{'A', 'B', 0, 'C'}, 2, "", true, 3},
        {{'A', 'B', 0, 'C'}, 3, "C", false, 5},  // its terminator is missing
        {{'A', 'B', 0, 'C'}, 4, "", false, 5},
        {{'A', 'B', 0, 'C'}, 9, "", false, 10},
        {{}, 0, "", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text at ") + std::to_string(c.pos) + " of " +
                     std::to_string(c.data.size()) + " bytes");
        Bytes storage;
        ByteReader r = reader(storage, c.data, c.pos);
        const std::span<const std::uint8_t> text = r.text();
        EXPECT_EQ(std::string(text.begin(), text.end()), c.text);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.pos, c.end);
    }
}

TEST(ByteReader, OkStaysClearedAndExpectChecksTheByte) {
    Bytes storage;
    ByteReader r = reader(storage, {0x01, 0xFF}, 0);
    EXPECT_TRUE(r.next_is(0x01));
    EXPECT_FALSE(r.next_is(0x02));
    r.expect(0x01);
    EXPECT_TRUE(r.ok);
    r.expect(0x00);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.at_end());
    EXPECT_FALSE(r.next_is(0xEE));  // the storage byte behind the data
    r.pos = 0;
    EXPECT_EQ(r.u8(), 0x01);
    EXPECT_FALSE(r.ok);
}

}  // namespace
