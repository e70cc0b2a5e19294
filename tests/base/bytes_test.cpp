#include "base/bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Read { u8, le16, le32, be16, be24 };

std::uint32_t read(ByteReader& r, Read kind) {
    switch (kind) {
        case Read::u8:
            return r.u8();
        case Read::le16:
            return r.le16();
        case Read::le32:
            return r.le32();
        case Read::be16:
            return r.be16();
        case Read::be24:
            return r.be24();
    }
    return 0;
}

// The reader sees `data` only; the storage behind it holds other bytes,
// which must never show in a read.
struct Storage {
    Bytes bytes;
    explicit Storage(const Bytes& data) : bytes(data) { bytes.resize(data.size() + 8, 0xEE); }
    ByteReader reader(std::size_t size, std::size_t pos) {
        return ByteReader{std::span(bytes.data(), size), pos};
    }
};

TEST(ByteReader, NumbersAtAndPastTheEnd) {
    struct Case {
        Read kind;
        Bytes data;
        std::size_t pos;
        std::uint32_t value;
        bool ok;
    };
    const Case cases[] = {
        {Read::u8, {0x12}, 0, 0x12, true},
        {Read::u8, {0x12}, 1, 0, false},
        {Read::u8, {0x12}, 7, 0, false},
        {Read::le16, {0x12, 0x34}, 0, 0x3412, true},
        {Read::le16, {0x12, 0x34}, 1, 0x0034, false},
        {Read::le16, {}, 0, 0, false},
        {Read::le32, {0x12, 0x34, 0x56, 0x78}, 0, 0x78563412, true},
        {Read::le32, {0x12, 0x34, 0x56, 0x78}, 1, 0x00785634, false},
        {Read::le32, {0x12}, 0, 0x00000012, false},
        {Read::be16, {0x12, 0x34}, 0, 0x1234, true},
        {Read::be16, {0x12, 0x34}, 1, 0x3400, false},
        {Read::be16, {0x12, 0x34}, 2, 0, false},
        {Read::be24, {0x12, 0x34, 0x56}, 0, 0x123456, true},
        {Read::be24, {0x12, 0x34, 0x56}, 1, 0x345600, false},
        {Read::be24, {0x12, 0x34, 0x56}, 2, 0x560000, false},
        {Read::be24, {0x12, 0x34, 0x56}, 3, 0, false},
    };
    const std::size_t sizes[] = {1, 2, 4, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE("read " + std::to_string(static_cast<int>(c.kind)) + " at " +
                     std::to_string(c.pos) + " of " + std::to_string(c.data.size()) + " bytes");
        Storage storage(c.data);
        ByteReader r = storage.reader(c.data.size(), c.pos);
        EXPECT_EQ(read(r, c.kind), c.value);
        EXPECT_EQ(r.ok, c.ok);
        // The position moves by the read's size, also past the end.
        EXPECT_EQ(r.pos, c.pos + sizes[static_cast<int>(c.kind)]);
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
        SCOPED_TRACE("text at " + std::to_string(c.pos) + " of " + std::to_string(c.data.size()) +
                     " bytes");
        Storage storage(c.data);
        ByteReader r = storage.reader(c.data.size(), c.pos);
        const std::span<const std::uint8_t> text = r.text();
        EXPECT_EQ(std::string(text.begin(), text.end()), c.text);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.pos, c.end);
    }
}

TEST(ByteReader, OkStaysClearedAndExpectChecksTheByte) {
    Storage storage({0x01, 0xFF});
    ByteReader r = storage.reader(2, 0);
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
