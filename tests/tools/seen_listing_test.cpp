// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN listing of avdtool: SEEN files written by the translator from
// assembled SIO programs, listed line by line, and broken files that must
// be reported without reading past their bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "avdtool/seen_listing.h"
#include "gamekit/gamekit.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// The SEEN file of an assembled program, translated with a fresh translator.
Bytes seen_of(const Sio& s, const std::vector<std::string>& scenarios = {"MAIN.SIO", "B.SIO"}) {
    return translate(s, scenarios).seen;
}

// A SEEN file with the translator's header and the given body.
Bytes seen_with_body(const Bytes& body) {
    Bytes seen = translate(Bytes{}).seen;
    seen.insert(seen.end(), body.begin(), body.end());
    const Bytes length = le32(static_cast<std::uint32_t>(body.size()));
    std::copy(length.begin(), length.end(), seen.begin() + 95);
    return seen;
}

// Lists a copy of exactly `bytes`, so that a read past them is caught by the
// address sanitizer build.
SeenListing list(const Bytes& bytes) {
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return list_seen(std::span<const std::uint8_t>(copy.get(), bytes.size()));
}

// ---- Exact listings -----------------------------------------------------------

TEST(SeenListing, JumpsComparisonsTextAndMusic) {
    Sio s;
    s.label("top");
    sio_text(s, cp932("ＡＢ：「あ」"));
    sio_compare(s, 30, var(10), lit(5), "top");
    sio_jump(s, "end");
    sio_music(s, 7);
    sio_sound(s, 11);
    s.label("end");
    sio_ignored_pair(s, 1, 2);  // no translation: its label stands at the end of the body
    const SeenListing l = list(seen_of(s));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 62 (matches the file)\n"
              "L0001:\n"
              "0000  speaker \"〔ＡＢ〕\"\n"
              "000C  text \"【】「あ」\"\n"
              "0019  if v10 != 5 jump L0002\n"
              "0023  jump L0001\n"
              "L0002:\n"
              "0028  jump L0003\n"
              "002D  music \"BGM_07\"\n"
              "0036  sound \"Knock\"\n"
              "L0003:\n"
              "003E  end of body\n"
              "7 instructions, 3 labels, every byte known\n");
    EXPECT_TRUE(l.complete);
    EXPECT_EQ(l.instructions, 7u);
    EXPECT_EQ(l.unknown_bytes, 0u);
}

TEST(SeenListing, ChoiceLoopWithVariableReferences) {
    Sio s;
    sio_choose(s);
    sio_range(s, var(7), ref(5));
    sio_subtract(s, var(3), lit(2));
    const SeenListing l = list(seen_of(s));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 79 (matches the file)\n"
              "0000  v800 = 22\n"
              "0005  v0 = 21\n"
              "L0001:\n"
              "0009  v801 = v[$800]\n"
              "000E  v802 = v[$0]\n"
              "0012  if v801 < v802 jump L0002\n"
              "001E  v0 = v800\n"
              "L0002:\n"
              "0022  v800 += 1\n"
              "0026  if v800 < 28 jump L0001\n"
              "0032  v800 = v5\n"
              "0036  v800 -= 1\n"
              "003A  range v7, 0 .. $800\n"
              "003F  v3 -= 2\n"
              "0042  if v3 >= 0 jump L0003\n"
              "004C  v3 = 0\n"
              "L0003:\n"
              "004F  end of body\n"
              "14 instructions, 3 labels, every byte known\n");
    EXPECT_TRUE(l.complete);
}

TEST(SeenListing, ChapterTitleMenuAndSwitch) {
    Sio s;
    sio_set(s, var(255), lit(1));
    s.label("menu");
    sio_menu(s, {{"menu", "A"}, {"next", "B"}});
    s.label("next");
    sio_switch(s, var2(5), {{"menu", lit(1)}, {"next", ref2(3)}});
    sio_global_jump(s, "b.sio");
    const SeenListing l = list(seen_of(s));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 78 (matches the file)\n"
              "0000  v255 = 1\n"
              "0004  slot 6 = \"雨音橋　\"\n"
              "0010  title line: slot 6, slot 5\n"
              "L0001:\n"
              "0019  menu 999\n"
              "001F    item \"A\" -> L0001\n"
              "0023    item \"B\" -> L0002\n"
              "0027    end 2, 999\n"
              "L0002:\n"
              "0034  if v1005 == 1 jump L0001\n"
              "003F  if v1005 == v1003 jump L0002\n"
              "004B  scenario jump 2\n"
              "004E  end of body\n"
              "7 instructions, 2 labels, every byte known\n");
    EXPECT_TRUE(l.complete);
}

TEST(SeenListing, PicturesWithSpritesAndTheClosingSequence) {
    Sio s;
    sio_background(s, "bg01.moe");
    sio_characters(s, {10203});
    sio_no_background(s);
    sio_close(s);
    const SeenListing l = list(seen_of(s));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 96 (matches the file)\n"
              "0000  picture 30\n"
              "0002  slot 1 = \"BG01\"\n"
              "000A  picture 05 slot 1, 2\n"
              "000F  picture 30\n"
              "0011  picture 22 slot 1, 2, 2 sprites\n"
              "0017    sprite \"AIN_F02\" area 0,0-399,479 at 120,0\n"
              "0029    sprite \"AIN_B031\" area 0,0-399,479 at 120,0\n"
              "003C  picture 30\n"
              "003E  slot 1 = \"NO\"\n"
              "0044  op 68 01: 1, 0, 0, 0\n"
              "004A  picture 05 \"*\", 2\n"
              "004F  picture 30\n"
              "0051  slot 1 = \"NO\"\n"
              "0057  picture 05 slot 1, 0\n"
              "005C  scenario jump 998\n"
              "0060  end of body\n"
              "13 instructions, 0 labels, every byte known\n");
}

TEST(SeenListing, WindowSetup) {
    Sio s;
    sio_screen(s, 1, 1);
    sio_scenario_996(s);
    sio_music_51(s);
    const SeenListing l = list(seen_of(s));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 137 (matches the file)\n"
              "0000  picture 10 \"WINDOW\", 2\n"
              "000A  op 64 10: 15, 15, 157, 41, -1, 165, 166, 189\n"
              "001D  op 67 02: 320, 0, 471, 35, 2, 10, 10, -1, 0\n"
              "002F  picture 10 \"OTHER_01\", 2\n"
              "003B  op 67 21: 2, 0, 24, 24, 24, 24, 0, 2, 26, 17, 24, 0, 2, 1, -1, 0\n"
              "0058  op 67 21: 3, 0, 24, 24, 24, 24, 0, 2, 97, 17, 24, 0, 2, 1, -1, 0\n"
              "0075  op 67 01: 10, 10, 161, 45, 0, 10, 10, 0\n"
              "0081  scenario 02: 996\n"
              "0085  music 10: 100\n"
              "0089  end of body\n"
              "9 instructions, 0 labels, every byte known\n");
}

// ---- Every command --------------------------------------------------------------

// Targets that the catalogue, whose jumps all aim back at its start, has
// none of: ahead of the jump, and past the end of the data (the default
// second target of a comparison that ends the file).
void forward_targets(Sio& s) {
    sio_jump(s, "ahead");
    sio_compare(s, 31, var2(2), ref(3), "top", "ahead");
    sio_menu(s, {{"ahead", cp932("いいえ")}, {"top", "C"}});
    sio_switch(s, var(5), {{"ahead", ref2(3)}});
    s.label("ahead");
    sio_compare(s, 34, var(1), lit(1), "top");
}

// The catalogue of every command, then the forward targets, in one file.
Sio all_commands() {
    Sio s;
    s.label("top");
    for (const SioSnippet& command : every_command())
        command.assemble(s);
    forward_targets(s);
    return s;
}

TEST(SeenListing, EveryCommandIsCoveredByKnownInstructions) {
    std::vector<std::pair<std::string, Sio>> programs;
    for (const SioSnippet& command : every_command()) {
        Sio s;
        s.label("top");
        command.assemble(s);
        programs.emplace_back(command.name, s);
    }
    Sio forward;
    forward.label("top");
    forward_targets(forward);
    programs.emplace_back("forward targets", forward);
    for (const auto& [name, s] : programs) {
        const Bytes seen = seen_of(s);
        const SeenListing l = list(seen);
        EXPECT_TRUE(l.complete) << name << "\n" << l.text;
        EXPECT_EQ(l.unknown_bytes, 0u) << name;
        // Some commands translate to nothing (command 12, hidden texts).
        EXPECT_EQ(l.instructions > 0, seen.size() > kSeenHeaderSize) << name;
        EXPECT_EQ(l.text.find("??"), std::string::npos) << name;
        EXPECT_EQ(l.text.find("(not at an instruction)"), std::string::npos) << name;
        EXPECT_EQ(l.text.find("(outside the body)"), std::string::npos) << name;
    }
}

TEST(SeenListing, AllCommandsInOneFile) {
    const SeenListing l = list(seen_of(all_commands()));
    EXPECT_TRUE(l.complete) << l.text;
}

// ---- Unknown bytes, broken files ------------------------------------------------

TEST(SeenListing, UnknownBytesAreListedAndFail) {
    const Bytes body = cat({hex("00"), hex("0E 01 41 00"), hex("0E 99"), hex("1C 00 00 00 00")});
    const SeenListing l = list(seen_with_body(body));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 12 (matches the file)\n"
              "0000  ?? 0x00\n"
              "0001  music \"A\"\n"
              "0005  ?? 0x0E\n"
              "0006  ?? 0x99\n"
              "0007  jump 0x0000 (not at an instruction)\n"
              "000C  end of body\n"
              "2 instructions, 0 labels, 3 unknown bytes\n");
    EXPECT_FALSE(l.complete);
    EXPECT_EQ(l.unknown_bytes, 3u);
}

TEST(SeenListing, TargetsInsideAnInstructionOrOutsideTheBody) {
    const Bytes body = cat({hex("1C 02 00 00 00"), hex("1C 0B 00 00 00"), hex("1C FF FF FF FF")});
    const SeenListing l = list(seen_with_body(body));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 15 (matches the file)\n"
              "0000  jump 0x0002 (not at an instruction)\n"
              "0005  jump 0x000B (not at an instruction)\n"
              "000A  jump 0xFFFFFFFF (outside the body)\n"
              "000F  end of body\n"
              "3 instructions, 0 labels, every byte known\n");
    EXPECT_TRUE(l.complete);
}

TEST(SeenListing, TaggedNumbersAndTexts) {
    // 3B with 0, 15, 16, 4096, -1, INT32_MAX, INT32_MIN; a variable reference
    // as a literal operand; a text with quote, backslash, a control byte and
    // a byte that starts no code page 932 character.
    const Bytes body =
        cat({hex("3B 10 1F"), hex("3B 20 01 30 00 01"), hex("3B 5F FF FF FF FF 5F FF FF FF 07"),
             hex("3B 50 00 00 00 F8 A0 32"), hex("FF 22 5C 09 80 41 00 01")});
    const SeenListing l = list(seen_with_body(body));
    EXPECT_EQ(l.text,
              "TPC32 header, body length 36 (matches the file)\n"
              "0000  v0 = 15\n"
              "0003  v16 = 4096\n"
              "0009  v-1 = 2147483647\n"
              "0014  v-2147483648 = $800\n"
              "001C  text \"\\\"\\\\\\x09\\x80A\"\n"
              "0024  end of body\n"
              "5 instructions, 0 labels, every byte known\n");
}

TEST(SeenListing, HeaderFaults) {
    EXPECT_EQ(list(hex("54 50 43")).text, "not a SEEN file: no TPC32 magic\n");
    EXPECT_EQ(list(hex("41 42 43 44 45 46")).text, "not a SEEN file: no TPC32 magic\n");
    EXPECT_FALSE(list(hex("54 50 43 33 32")).complete);
    EXPECT_EQ(list(hex("54 50 43 33 32")).text, "TPC32 header cut short: 5 of 99 bytes\n");

    Bytes seen = seen_with_body(hex("0E 10 24 06"));
    EXPECT_TRUE(list(seen).complete);

    Bytes longer = seen;
    longer[95] = 5;
    SeenListing l = list(longer);
    EXPECT_FALSE(l.complete);
    EXPECT_EQ(l.text.substr(0, l.text.find('\n')),
              "TPC32 header, body length 5, but 4 bytes follow the header");

    Bytes changed = seen;
    changed[40] = 0;
    changed[41] = 7;
    l = list(changed);
    EXPECT_FALSE(l.complete);
    EXPECT_NE(l.text.find("header byte 40 is 0x00, not 0x01\nheader byte 41 is 0x07, not 0x00\n"),
              std::string::npos);
}

// Every file of the instruction-start offsets that a listing shows.
std::set<std::size_t> instruction_starts(const std::string& listing) {
    std::set<std::size_t> starts;
    std::size_t line = 0;
    while (line < listing.size()) {
        const std::size_t end = listing.find('\n', line);
        const std::string text = listing.substr(line, end - line);
        if (text.size() > 7 && text[4] == ' ' && text[5] == ' ' && text[6] != ' ' &&
            text.find("end of body") == std::string::npos) {
            starts.insert(std::stoul(text.substr(0, 4), nullptr, 16));
        }
        line = end + 1;
    }
    return starts;
}

TEST(SeenListing, CutShortAnywhere) {
    const Bytes seen = seen_of(all_commands());
    const SeenListing whole = list(seen);
    ASSERT_TRUE(whole.complete);
    const std::set<std::size_t> starts = instruction_starts(whole.text);
    ASSERT_EQ(starts.size(), whole.instructions);

    for (std::size_t size = 0; size < seen.size(); ++size) {
        Bytes cut(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(size));
        // As cut, the header's body length no longer matches.
        EXPECT_FALSE(list(cut).complete) << size;
        if (size < kSeenHeaderSize) continue;
        // With the length mended, only a cut inside an instruction fails.
        const Bytes length = le32(static_cast<std::uint32_t>(size - kSeenHeaderSize));
        std::copy(length.begin(), length.end(), cut.begin() + 95);
        const SeenListing l = list(cut);
        const bool at_boundary = size == kSeenHeaderSize || starts.count(size - kSeenHeaderSize);
        EXPECT_EQ(l.complete, at_boundary) << size;
        EXPECT_EQ(l.unknown_bytes == 0, at_boundary) << size;
    }
}

TEST(SeenListing, RandomBodiesAreListedWithoutFault) {
    Random random(297);
    const Bytes seen = seen_of(all_commands());
    for (int round = 0; round < 300; ++round) {
        Bytes bytes = seen;
        // Flip a few bytes of a real file, or append random bytes to a header.
        if (round % 2 == 0) {
            for (int k = 0; k < 8; ++k)
                bytes[kSeenHeaderSize + random() % (bytes.size() - kSeenHeaderSize)] =
                    static_cast<std::uint8_t>(random());
        } else {
            bytes.resize(kSeenHeaderSize + random() % 512);
            for (std::size_t i = kSeenHeaderSize; i < bytes.size(); ++i)
                bytes[i] = static_cast<std::uint8_t>(random());
        }
        const SeenListing l = list(bytes);
        EXPECT_EQ(l.text.empty(), false);
        // The header is the translator's, with the length of the real file.
        const bool length_matches = round % 2 == 0;
        EXPECT_EQ(l.complete, l.unknown_bytes == 0 && length_matches);
    }
}

}  // namespace
