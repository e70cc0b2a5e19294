// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN verifier: what the translator writes verifies clean, and each kind
// of damage to a translated file is found at its offset.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "gamekit/sio_commands.h"
#include "scenario/seen.h"
#include "scenario/seen_verify.h"
#include "support/translate.h"

using namespace scenario_test;
using namespace gamekit;

namespace {

// The faults one line each, and the bytes no way reaches, where there are any.
std::string faults(const SeenVerdict& v) {
    std::string out;
    for (const SeenFinding& f : v.faults)
        out += seen_finding_line(f, true) + "\n";
    if (v.unreachable_bytes > 0) out += format_text("%zu bytes on no way\n", v.unreachable_bytes);
    return out;
}

TEST(SeenVerify, EveryCommandTheTranslatorWritesVerifiesClean) {
    for (const SioSnippet& command : every_command()) {
        Sio s;
        s.label("top");
        command.assemble(s);
        const SeenVerdict v = verify_seen(translate(s, {"MAIN.SIO", "EXTRA.SIO"}).seen);
        EXPECT_TRUE(v.walked);
        EXPECT_EQ(faults(v), "") << command.name;
    }
}

// The file the damage is done to: a text, a comparison, a menu, two sprites
// and the closing sequence, which ends in a scenario jump.
Bytes base_file() {
    Sio s;
    sio_text(s, "AB");
    sio_compare(s, 31, var(10), lit(5), "x");
    sio_menu(s, {{"x", "A"}, {"y", "B"}});
    s.label("x");
    sio_characters(s, {10203});
    s.label("y");
    sio_close(s);
    return translate(s).seen;
}

constexpr std::size_t kH = kSeenHeaderSize;

void set_body_length(Bytes& seen) {
    const Bytes length = le32(static_cast<std::uint32_t>(seen.size() - kH));
    std::copy(length.begin(), length.end(), seen.begin() + kSeenBodyLengthOffset);
}

void put(Bytes& seen, std::size_t body_offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(),
              seen.begin() + static_cast<std::ptrdiff_t>(kH + body_offset));
}

struct DamageCase {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::string expected;
};

// Body offsets of the base file: the text 0, the condition 5, the jump 0x0F,
// the menu 0x14 (its count byte at 0x24), the sprite list 0x31 (its count
// byte at 0x33), the closing sequence's scenario jump 0x69, the end 0x6D.
const DamageCase kDamage[] = {
    {"jump beyond the body", [](Bytes& f) { put(f, 16, le32(0x400)); },
     "0x000F: jump 0x0400 (outside the body): target 0x0400 is outside the body (0x006D bytes)\n"},
    {"condition into the middle of the text", [](Bytes& f) { put(f, 11, le32(1)); },
     "0x0001: bytes 41 42 00 01 15 28 3A 1A ...: no known instruction starts here\n"
     "0x0005: if v10 == 5 jump 0x0001: target 0x0001 is inside the instruction at 0x0000\n"
     "27 bytes on no way\n"},
    // The menu is reached only through the condition: its bytes from 0x15 on
    // lie inside an instruction no way reaches, and only the condition
    // explains why a way meets them.
    {"condition into the middle of an instruction no way reaches",
     [](Bytes& f) { put(f, 11, le32(0x15)); },
     "0x0005: if v10 == 5 jump 0x0015: target 0x0015 leads to bytes that form no instruction\n"
     "0x0015: bytes 01 27 3E 22 00 FF 41 00 ...: no known instruction starts here\n"
     "26 bytes on no way\n"},
    {"scenario jump cut by the body's end",
     [](Bytes& f) {
         f.resize(f.size() - 2);
         set_body_length(f);
     },
     "0x0069: bytes 16 01: instruction cut by the body's end\n"},
    {"text without its terminator at the end",
     [](Bytes& f) {
         f.resize(f.size() - 4);
         f.insert(f.end(), {0xFF, 0x41, 0x42});
         set_body_length(f);
     },
     "0x0069: bytes FF 41 42: text without its terminator before the body's end\n"},
    {"no instruction where the condition leads", [](Bytes& f) { put(f, 20, {0x99}); },
     "0x0005: if v10 == 5 jump 0x0014: target 0x0014 leads to bytes that form no instruction\n"
     "0x0014: bytes 99 01 27 3E 22 00 FF 41 ...: no known instruction starts here\n"
     "26 bytes on no way\n"},
    {"menu count byte 3 for two items", [](Bytes& f) { put(f, 20 + 16, {3}); },
     "0x0005: if v10 == 5 jump 0x0014: target 0x0014 leads to bytes that form no instruction\n"
     "0x0014: bytes 58 01 27 3E 22 00 FF 41 ...: menu count byte 3, but 2 items\n"
     "26 bytes on no way\n"},
    {"sprite count byte 3 for two records", [](Bytes& f) { put(f, 49 + 2, {3}); },
     "0x0031: bytes 0B 22 03 40 11 12 03 41 ...: sprite count byte 3, but 2 sprite records\n"
     "42 bytes on no way\n"},
    {"sprite count byte 1 for two records", [](Bytes& f) { put(f, 49 + 2, {1}); },
     "0x0031: picture 22 slot 1, 2, 1 sprite: sprite count byte 1, but 2 sprite records\n"
     "19 bytes on no way\n"},
    {"no magic", [](Bytes& f) { f[4] = '1'; }, "header: no TPC32 magic\n"},
    {"header cut", [](Bytes& f) { f.resize(50); }, "header: header cut short: 50 of 99 bytes\n"},
    {"fixed header byte", [](Bytes& f) { f[40] = 2; },
     "header: header byte 40 is 0x02, not 0x01\n"},
    {"body length", [](Bytes& f) { f[kSeenBodyLengthOffset] += 1; },
     "header: body length 110 in the header, but 109 bytes follow it\n"},
    {"larger than the translator's buffer, the rest on no way",
     [](Bytes& f) {
         f.resize(65537, 0x99);
         set_body_length(f);
     },
     "header: 65537 bytes, more than the translator's 65536\n65329 bytes on no way\n"},
    {"bytes on no way are no fault",
     [](Bytes& f) {
         f.insert(f.end(), {0x99, 0x03, 0xFF});
         set_body_length(f);
     },
     "3 bytes on no way\n"},
};

// The warning of msconv --verify: the count and the first fault, named by
// its offset and instruction, or as the header's.
TEST(SeenVerify, TheWarningOfTheConverterNamesTheFirstFault) {
    const struct {
        std::function<void(Bytes&)> damage;
        std::string expected;
    } cases[] = {
        {[](Bytes&) {}, ""},
        {[](Bytes& f) { put(f, 16, le32(0x400)); },
         "msconv: MES/\\x01A.SIO: SEEN001.TXT has 1 fault at 0x000F: jump 0x0400 (outside the "
         "body): target 0x0400 is outside the "
         "body (0x006D bytes)\n"},
        {[](Bytes& f) {
             put(f, 16, le32(0x400));
             f[40] = 0;
         },
         "msconv: MES/\\x01A.SIO: SEEN001.TXT has 2 faults, the first in the header: header "
         "byte 40 is 0x00, not 0x01\n"},
        {[](Bytes& f) { f[kSeenBodyLengthOffset] += 1; },
         "msconv: MES/\\x01A.SIO: SEEN001.TXT has 1 fault in the header: body length 110 in "
         "the header, but 109 bytes follow it\n"},
    };
    for (const auto& c : cases) {
        Bytes file = base_file();
        c.damage(file);
        Diagnostics said;
        note_seen_faults(file,
                         "MES/\x01"
                         "A.SIO",
                         "SEEN001.TXT", said);
        std::string errors;
        EXPECT_EQ(shown(said, &errors), "");
        EXPECT_EQ(errors, c.expected);
    }
}

TEST(SeenVerify, EachDamageIsFoundAtItsOffset) {
    const Bytes base = base_file();
    ASSERT_EQ(faults(verify_seen(base)), "");
    for (const DamageCase& c : kDamage) {
        Bytes file = base;
        c.damage(file);
        EXPECT_EQ(faults(verify_seen(file)), c.expected) << c.what;
    }
}

// A menu of 32 Ki items, each leading into the middle of an item: a fault
// per item, all in the one menu, which is decoded once for all of them (not
// once per fault, which took minutes).
TEST(SeenVerify, TimeGrowsWithTheFileNotWithItsFaults) {
    Bytes body = hex("58 01 27 3E 22 00");
    const std::uint32_t items = 1 << 15;
    for (std::uint32_t i = 0; i < items; ++i)
        body.insert(body.end(), {0xFF, 0x41, 0x00, 0x00});
    body.insert(body.end(), {0x23, 0x1E, 0x00, 0x27, 0x3E});
    for (std::uint32_t i = 0; i < items; ++i) {
        const Bytes target = le32(6 + 4 * i + 1);
        body.insert(body.end(), target.begin(), target.end());
    }
    const auto start = std::chrono::steady_clock::now();
    const SeenVerdict v = verify_seen(seen(body));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // The file is too large, the count byte holds 0 for 32 Ki items, and
    // each item leads into an item, to a byte that starts no instruction.
    EXPECT_EQ(v.faults.size(), 2 + 2 * items);
    EXPECT_EQ(seen_finding_line(v.faults[1], false), "menu count byte 0, but 32768 items");
    EXPECT_EQ(v.faults[1].instruction, "bytes 58 01 27 3E 22 00 FF 41 ...");
}

}  // namespace
