// SPDX-License-Identifier: GPL-2.0-or-later
// The translator core: emitters, readers, operand forms, the SEEN framing of
// one file, jump fix-ups, opcodes without translation, overflows, and the
// scenario set: the slots of the listed files and their SEEN entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gamekit/gamekit.h"
#include "scenario/scenario.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;
using namespace gamekit;

// ---- Emitters ----------------------------------------------------------------

// A fresh translator positioned just past the SEEN header, saying into
// `said`, as within translate_sio.
std::unique_ptr<Translator> fresh(Diagnostics& said) {
    auto t = std::make_unique<Translator>();
    t->output_length = kSeenHeaderSize;
    t->said = &said;
    return t;
}

// The bytes one emit call writes after the header.
template <typename Emit>
Bytes emitted(Emit emit) {
    Diagnostics said;
    auto t = fresh(said);
    emit(*t);
    return Bytes(t->OutBuffer.begin() + kSeenHeaderSize, t->OutBuffer.begin() + t->output_length);
}

struct NumberCase {
    std::int32_t value;
    const char* bytes;
};

TEST(Emitters, OutNumWritesTheTaggedNumber) {
    const NumberCase cases[] = {
        {0, "10"},
        {1, "11"},
        {15, "1F"},
        {16, "20 01"},
        {4095, "2F FF"},
        {4096, "30 00 01"},
        {800, "20 32"},
        {998, "26 3E"},
        {1000, "28 3E"},
        {1048575, "3F FF FF"},
        {1048576, "40 00 00 01"},
        {268435455, "4F FF FF FF"},
        {268435456, "50 00 00 00 01"},
        {2147483647, "5F FF FF FF 07"},
        {-1, "5F FF FF FF FF"},
        {-16, "50 FF FF FF FF"},
        {-2147483647 - 1, "50 00 00 00 F8"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(emitted([&](Translator& t) { OutNum(t, c.value); }), hex(c.bytes))
            << "OutNum(" << c.value << ")";
    }
}

TEST(Emitters, OutVarSetsBitSevenOfTheFirstByte) {
    const NumberCase cases[] = {
        {0, "90"}, {800, "A0 32"}, {1005, "AD 3E"}, {4096, "B0 00 01"}, {-1, "DF FF FF FF FF"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(emitted([&](Translator& t) { OutVar(t, c.value); }), hex(c.bytes))
            << "OutVar(" << c.value << ")";
    }
}

TEST(Emitters, OutByteOutIntOutStr) {
    EXPECT_EQ(emitted([](Translator& t) { OutByte(t, 0x1FF); }), hex("FF"));
    EXPECT_EQ(emitted([](Translator& t) { OutInt(t, 0x12345678); }), hex("78 56 34 12"));
    EXPECT_EQ(emitted([](Translator& t) { OutInt(t, -1); }), hex("FF FF FF FF"));
    EXPECT_EQ(emitted([](Translator& t) { OutStr(t, ""); }), hex("00"));
    EXPECT_EQ(emitted([](Translator& t) { OutStr(t, "NO"); }), hex("4E 4F 00"));
}

// ---- Overflow of OutBuffer ---------------------------------------------------

struct OverflowCase {
    const char* what;
    std::int32_t start;  // output length before the call
    void (*emit)(Translator&);
    std::int32_t length_after;
    const char* message;  // "" when the store fits
};

TEST(Emitters, OverflowMessagesAtExactlyTheEndAndOnePast) {
    const OverflowCase cases[] = {
        {"OutByte fits", 65535, [](Translator& t) { OutByte(t, 0xAB); }, 65536, ""},
        {"OutByte past", 65536, [](Translator& t) { OutByte(t, 0xAB); }, 65537,
         "Error : OutBuffer overflow @ OutByte\n"},
        {"OutInt fits", 65532, [](Translator& t) { OutInt(t, -1); }, 65536, ""},
        {"OutInt past", 65533, [](Translator& t) { OutInt(t, -1); }, 65537,
         "Error : OutBuffer overflow @ OutInt\n"},
        {"OutNum fits", 65534, [](Translator& t) { OutNum(t, 800); }, 65536, ""},
        {"OutNum past", 65535, [](Translator& t) { OutNum(t, 800); }, 65537,
         "Error : OutBuffer overflow @ OutNum\n"},
        {"OutVar fits", 65534, [](Translator& t) { OutVar(t, 800); }, 65536, ""},
        {"OutVar past", 65535, [](Translator& t) { OutVar(t, 800); }, 65537,
         "Error : OutBuffer overflow @ OutNum\n"},
        {"OutStr fits", 65533, [](Translator& t) { OutStr(t, "NO"); }, 65536, ""},
        {"OutStr past", 65534, [](Translator& t) { OutStr(t, "NO"); }, 65535,
         "Error : OutBuffer overflow @ OutStr\n"},
        {"OutStr with no byte free", 65536, [](Translator& t) { OutStr(t, "NO"); }, 65537,
         "Error : OutBuffer overflow @ OutStr\n"},
    };
    for (const OverflowCase& c : cases) {
        Diagnostics said;
        auto t = fresh(said);
        std::fill(t->OutBuffer.begin(), t->OutBuffer.end(), 0xEE);
        t->output_length = c.start;
        c.emit(*t);
        EXPECT_EQ(t->output_length, c.length_after) << c.what;
        EXPECT_EQ(shown(said), c.message) << c.what;
        EXPECT_FALSE(t->conversion_failed) << c.what;
    }
}

TEST(Emitters, OverflowStoresWhatFitsAndNothingBeyond) {
    Diagnostics said;
    auto t = fresh(said);
    t->output_length = 65533;
    OutInt(*t, 0x04030201);
    EXPECT_EQ(Bytes(t->OutBuffer.end() - 3, t->OutBuffer.end()), hex("01 02 03"));

    // The text that does not fit is dropped; its zero byte is kept.
    t->output_length = 65534;
    t->OutBuffer[65535] = 0xEE;
    OutStr(*t, "NO");
    EXPECT_EQ(Bytes(t->OutBuffer.end() - 2, t->OutBuffer.end()), hex("00 EE"));

    // A text that ends exactly at the end of the buffer is stored whole.
    t->output_length = 65533;
    OutStr(*t, "NO");
    EXPECT_EQ(Bytes(t->OutBuffer.end() - 3, t->OutBuffer.end()), hex("4E 4F 00"));
}

// ---- Readers and operand forms ------------------------------------------------

// A fresh translator reading `bytes`; the buffer behind them holds stale bytes.
std::unique_ptr<Translator> reading(const Bytes& bytes) {
    auto t = std::make_unique<Translator>();
    std::fill(t->sio.begin(), t->sio.end(), 0xAA);
    std::copy(bytes.begin(), bytes.end(), t->sio.begin());
    t->sio_length = static_cast<std::int32_t>(bytes.size());
    return t;
}

TEST(Readers, WordAndTripleAreBigEndian) {
    auto t = reading(hex("12 34 01 00 05"));
    EXPECT_EQ(InWord(*t), 0x1234u);
    EXPECT_EQ(t->sio_pos, 2);
    EXPECT_EQ(InTriple(*t), 0x10005u);
    EXPECT_EQ(t->sio_pos, 5);
}

TEST(Readers, ReadsAtOrPastTheDataLengthGiveZero) {
    auto t = reading(hex("12"));
    EXPECT_EQ(InWord(*t), 0x1200u);
    EXPECT_EQ(InTriple(*t), 0u);
    EXPECT_EQ(InByte(*t), 0u);
    EXPECT_EQ(t->sio_pos, 6);
}

TEST(Readers, TextEndsAtItsZeroOrAtTheDataEnd) {
    auto t = reading(hex("41 42 00 43"));
    EXPECT_EQ(InText(*t), "AB");
    EXPECT_EQ(t->sio_pos, 3);
    EXPECT_EQ(InText(*t), "C");  // no terminator before the data end
    EXPECT_EQ(t->sio_pos, 5);
    EXPECT_EQ(InText(*t), "");
    EXPECT_EQ(t->sio_pos, 6);
}

TEST(Operands, VariableOperandBankTwoAddsAThousand) {
    auto t = reading(hex("00 00 07 01 00 07 02 00 07 02 FF FF"));
    EXPECT_EQ(read_variable_operand(*t), 7);
    EXPECT_EQ(read_variable_operand(*t), 7);
    EXPECT_EQ(read_variable_operand(*t), 1007);
    EXPECT_EQ(read_variable_operand(*t), 66535);
    EXPECT_EQ(t->sio_pos, 12);
}

TEST(Operands, ValueOperandForms) {
    struct Case {
        std::uint32_t triple;
        bool is_variable;
        std::int32_t value;
    };
    const Case cases[] = {
        {0x000005, false, 5},    {0x00FFFF, false, 65535}, {0x010005, true, 5},
        {0x01FFFF, true, 65535}, {0x020005, true, 1005},   {0x02FC18, true, 0},
        {0x02FFFF, true, 999},
    };
    for (const Case& c : cases) {
        const ValueOperand v = decode_value_operand(c.triple);
        EXPECT_EQ(v.is_variable, c.is_variable) << std::hex << c.triple;
        EXPECT_EQ(v.value, c.value) << std::hex << c.triple;
    }
    auto t = reading(hex("02 00 05"));
    const ValueOperand v = read_value_operand(*t);
    EXPECT_TRUE(v.is_variable);
    EXPECT_EQ(v.value, 1005);
    EXPECT_EQ(t->sio_pos, 3);
}

// ---- The SEEN file of one SIO file ----------------------------------------------

Bytes header(std::uint32_t body_length) {
    return cat({hex("54 50 43 33 32"), Bytes(35, 0), hex("01 00 00 00"), Bytes(36, 0), hex("01"),
                Bytes(4, 0), hex("01"), Bytes(4, 0), hex("01"), Bytes(4, 0), le32(body_length)});
}

const Bytes kClose = hex("0B 30 59 01 11 4E 4F 00 0B 05 40 11 10 16 01 26 3E");

TEST(SeenFile, HeaderAndBodyLength) {
    Sio s;
    sio_close(s);
    sio_close(s, 0x1234);
    const Translation r = translate(s);
    EXPECT_EQ(r.seen, cat({header(34), kClose, kClose}));
    EXPECT_EQ(r.console, "");
    EXPECT_FALSE(r.translator->conversion_failed);
}

TEST(SeenFile, EmptyTranslationIsTheHeaderAlone) {
    Sio s;
    sio_hidden_text(s, "hidden");
    sio_text(s, "");
    const Translation r = translate(s);
    EXPECT_EQ(r.seen, header(0));
}

TEST(SeenFile, EarlierFileLeavesNothingBehind) {
    // The second file ends in a cut-short command 5 where the first file had
    // operand bytes: it reads zeros there, as in a fresh translator.
    Translator t;
    Diagnostics said;
    Sio first;
    sio_close(first, 0xFFFF);
    sio_close(first, 0xFFFF);
    translate_sio(t, first.build(), said);
    ASSERT_EQ(seen_size(t), 99 + 34);

    const Bytes second = hex("01 00 03 05 FF");
    translate_sio(t, second, said);
    const Bytes seen(t.OutBuffer.begin(), t.OutBuffer.begin() + seen_size(t));
    EXPECT_EQ(seen, translate(second).seen);
    EXPECT_EQ(seen, cat({header(22), hex("1C 05 00 00 00"), kClose}));
}

// ---- Jump fix-ups ----------------------------------------------------------------

TEST(Fixups, ForwardJump) {
    Sio s;
    sio_jump(s, "end");
    sio_text(s, cp932("あ"));
    s.label("end");
    sio_close(s);
    const Translation r = translate(s);
    EXPECT_EQ(r.body, cat({hex("1C 0A 00 00 00"), hex("FF 82 A0 00 01"), kClose}));
    EXPECT_EQ(r.console, "");
}

TEST(Fixups, BackwardJumpAndJumpToOffsetZero) {
    Sio s;
    s.label("top");
    sio_close(s);
    s.label("second");
    sio_text(s, cp932("あ"));
    sio_jump(s, "second");
    sio_jump(s, "top");
    const Translation r = translate(s);
    EXPECT_EQ(r.body,
              cat({kClose, hex("FF 82 A0 00 01"), hex("1C 11 00 00 00"), hex("1C 00 00 00 00")}));
}

TEST(Fixups, JumpToItself) {
    Sio s;
    sio_text(s, cp932("あ"));
    s.label("self");
    sio_jump(s, "self");
    EXPECT_EQ(translate(s).body, hex("FF 82 A0 00 01 1C 05 00 00 00"));
}

TEST(Fixups, JumpToACommandWithoutTranslationLandsOnTheNext) {
    Sio s;
    sio_jump(s, "hidden");
    sio_jump(s, "empty");
    s.label("hidden");
    sio_hidden_text(s, "x");
    s.label("empty");
    sio_text(s, "");
    sio_close(s);
    EXPECT_EQ(translate(s).body, cat({hex("1C 0A 00 00 00 1C 0A 00 00 00"), kClose}));
}

TEST(Fixups, JumpIntoTheMiddleOfACommandIsReported) {
    // Commands 5 at SIO offsets 3, 6, ..., 24; 0x1a is the operand of the last.
    Sio s;
    s.byte(1).word(0x1a);
    for (int i = 0; i < 8; ++i)
        sio_close(s);
    const Translation r = translate(s);
    EXPECT_EQ(Bytes(r.body.begin(), r.body.begin() + 5), hex("1C 00 00 00 00"));
    EXPECT_EQ(r.body.size(), 5u + 8 * 17);
    EXPECT_EQ(r.console, "******************* Jump point (0x001a) not found!!!!!\n");
    EXPECT_FALSE(r.translator->conversion_failed);
}

TEST(Fixups, TargetAtOrPastTheDataEndGetsTheBodyLength) {
    Sio s;
    sio_jump(s, "end");
    s.byte(1).word(0xFFFF);
    sio_close(s);
    s.label("end");
    const Translation r = translate(s);
    EXPECT_EQ(r.body, cat({hex("1C 1B 00 00 00 1C 1B 00 00 00"), kClose}));
    EXPECT_EQ(r.console, "");
}

TEST(Fixups, ManyFixupsInOneFile) {
    // More jumps than a fixed table of 256 would hold, each to the next command.
    Sio s;
    for (int i = 0; i < 600; ++i) {
        std::string label = "j";
        label += std::to_string(i + 1);
        sio_jump(s, label);
        s.label(label);
    }
    const Translation r = translate(s);
    ASSERT_EQ(r.body.size(), 600u * 5);
    for (std::uint32_t i = 0; i < 600; ++i) {
        const Bytes expected = cat({hex("1C"), le32((i + 1) * 5)});
        ASSERT_EQ(Bytes(r.body.begin() + i * 5, r.body.begin() + i * 5 + 5), expected) << i;
    }
}

// ---- Opcodes without translation -----------------------------------------------------

const std::string kUnknown04 = "*************** Unkown Command 0x04\n\n";
const std::string kFailed = cp932("変換に失敗しました.\n");

TEST(UnknownOpcode, MessagePairAndFlag) {
    const Translation r = translate(hex("04"));
    EXPECT_EQ(r.console, kUnknown04 + kFailed);
    EXPECT_TRUE(r.translator->conversion_failed);
    EXPECT_EQ(r.seen, header(0));
}

TEST(UnknownOpcode, TheScanGoesOnWithTheNextByte) {
    // 04 has no translation; 00 and FF neither; then 05 00 00 is a command 5.
    const Translation r = translate(hex("04 00 FF 05 00 00"));
    EXPECT_EQ(r.console, kUnknown04 + kFailed + "*************** Unkown Command 0x00\n\n" +
                             kFailed + "*************** Unkown Command 0xFF\n\n" + kFailed);
    EXPECT_EQ(r.body, kClose);
}

TEST(UnknownOpcode, MessagesComeBeforeTheJumpPointMessages) {
    Sio s;
    s.byte(1).word(2);  // the middle of its own operand
    s.byte(4);
    const Translation r = translate(s);
    EXPECT_EQ(r.console,
              kUnknown04 + kFailed + "******************* Jump point (0x0002) not found!!!!!\n");
}

TEST(UnknownOpcode, FlagIsNeverCleared) {
    Translator t;
    Diagnostics said;
    translate_sio(t, Bytes{4}, said);
    translate_sio(t, Bytes{5, 0, 0}, said);
    EXPECT_TRUE(t.conversion_failed);
}

// ---- Overflow in a whole file -------------------------------------------------------

TEST(SeenFile, OutputFillingTheBufferExactly) {
    // 99 + FF + text + 00 + 01 = 65536.
    Sio s;
    sio_text(s, std::string(65434, 'a'));
    const Translation r = translate(s);
    EXPECT_EQ(r.console, "");
    ASSERT_EQ(r.seen.size(), 65536u);
    EXPECT_EQ(Bytes(r.seen.begin(), r.seen.begin() + 99), header(65437));
    EXPECT_EQ(Bytes(r.seen.end() - 3, r.seen.end()), hex("61 00 01"));
}

TEST(SeenFile, OneBytePastTheBuffer) {
    // The text and its zero end exactly at 65536; the closing 01 is one past.
    Sio s;
    sio_text(s, std::string(65435, 'a'));
    sio_jump(s, "end");
    s.label("end");
    const Translation r = translate(s);
    EXPECT_EQ(r.console,
              "Error : OutBuffer overflow @ OutByte\n"
              "Error : OutBuffer overflow @ OutByte\n"
              "Error : OutBuffer overflow @ OutInt\n");
    EXPECT_FALSE(r.translator->conversion_failed);
    EXPECT_EQ(r.translator->output_length, 65536 + 6);
    ASSERT_EQ(r.seen.size(), 65536u);
    EXPECT_EQ(Bytes(r.seen.begin(), r.seen.begin() + 99), header(65437));
    EXPECT_EQ(Bytes(r.seen.end() - 3, r.seen.end()), hex("61 61 00"));
}

TEST(SeenFile, TextThatDoesNotFitIsDropped) {
    Sio s;
    sio_text(s, std::string(65436, 'a'));
    sio_close(s);
    const Translation r = translate(s);
    EXPECT_EQ(r.console, "Error : OutBuffer overflow @ OutStr\n");
    EXPECT_EQ(r.body, cat({hex("FF 00 01"), kClose}));
}

// ---- Unsound SEEN files ------------------------------------------------------------

// A menu of `items` entries "A" that lead to the command after it.
void menu_of(Sio& s, std::size_t items, const std::string& label) {
    sio_menu(s, std::vector<std::pair<std::string, std::string>>(items, {label, "A"}));
    s.label(label);
}

// What the translator records of the SEEN file it wrote: the fault, its size
// (bytes taken, items, sprites) and the command's SIO offset.
TEST(UnsoundSeen, WhatTheTranslatorRecords) {
    const struct {
        const char* name;
        std::function<void(Sio&)> assemble;
        UnsoundKind fault;
        std::int32_t size;
        std::int32_t sio_offset;
    } cases[] = {
        {"255 items fit the count byte", [](Sio& s) { menu_of(s, 255, "a"); }, UnsoundKind::none, 0,
         0},
        {"256 items", [](Sio& s) { menu_of(s, 256, "a"); }, UnsoundKind::menu_count, 256, 0},
        {"the first of two menus, after a 7-byte command",
         [](Sio& s) {
             sio_add(s, var(1), lit(1));
             menu_of(s, 300, "a");
             menu_of(s, 256, "b");
         },
         UnsoundKind::menu_count, 300, 7},
        {"510 sprites", [](Sio& s) { sio_characters(s, std::vector<std::uint32_t>(255, 10203)); },
         UnsoundKind::sprite_count, 510, 0},
        {"one byte past the buffer",
         [](Sio& s) {
             sio_text(s, std::string(65435, 'a'));
             sio_jump(s, "end");
             s.label("end");
         },
         UnsoundKind::overflow, 65536 + 6, 0},
        {"an overflow before a menu met first",
         [](Sio& s) {
             menu_of(s, 256, "a");  // 2059 bytes
             sio_text(s, std::string(63000, 'a'));
             for (int i = 0; i < 400; ++i)
                 sio_jump(s, "a");  // 5 bytes each
         },
         UnsoundKind::overflow, 99 + 2059 + 63003 + 2000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sio s;
        c.assemble(s);
        const Translation r = translate(s);
        EXPECT_EQ(r.translator->unsound.fault, c.fault);
        EXPECT_EQ(r.translator->unsound.size, c.size);
        EXPECT_EQ(r.translator->unsound.sio_offset, c.sio_offset);
        EXPECT_FALSE(r.translator->conversion_failed);
    }
}

TEST(UnsoundSeen, TheNextFileStartsSound) {
    Sio bad;
    menu_of(bad, 256, "a");
    Translator t;
    Diagnostics said;
    translate_sio(t, bad.build(), said);
    ASSERT_EQ(t.unsound.fault, UnsoundKind::menu_count);
    translate_sio(t, Bytes{5, 0, 0}, said);
    EXPECT_EQ(t.unsound.fault, UnsoundKind::none);
}

// The messages handed up while the file is translated.
std::string g_handed_up;
std::size_t g_largest_held = 0;
void collect(Diagnostics& said) {
    g_largest_held = std::max(g_largest_held, said.messages.size());
    g_handed_up += shown(said);
}

// An overflow of thousands of messages is handed up as it is said: the same
// text as a sink that holds them all, and never more than one message held.
// The translator keeps no pointer to the sink once it returns.
TEST(UnsoundSeen, MessagesAreHandedUpAsTheyAreSaid) {
    const Bytes sio(4000, 63);  // 19 bytes each: the 3445th overflows
    const std::string whole = translate(sio).console;
    g_handed_up.clear();
    g_largest_held = 0;
    Translator t;
    Diagnostics said;
    said.hand_up = collect;
    translate_sio(t, sio, said);
    EXPECT_EQ(g_handed_up, whole);
    EXPECT_GT(whole.size(), 8000u * 30);
    EXPECT_EQ(g_largest_held, 1u);
    EXPECT_EQ(t.said, nullptr);
}

// ---- The scenario set --------------------------------------------------------------

using Names = std::vector<std::string>;

// Lists `files` (code page 932 names in the search order, at "MES/NAME") and
// translates each slot into its SEEN entry, as the program does; stops at a
// translation that fails.
struct ScenarioSet {
    Translator translator;
    Diagnostics said;
    std::map<std::string, Bytes> entries;
    std::string console;
    std::size_t refused = 0;

    void run(const std::vector<std::pair<std::string, Bytes>>& files) {
        std::map<std::string, Bytes> read;
        for (const auto& [name, bytes] : files) {
            read["MES/" + name] = bytes;
            refused += list_scenario(translator, name, "MES/" + name, said) ? 0 : 1;
        }
        for (std::size_t k = 1; k <= translator.scenarios.size(); ++k) {
            translate_sio(translator, read[translator.scenario_files[k - 1]], said);
            if (translator.conversion_failed) break;
            entries[seen_entry_name(static_cast<std::int32_t>(k))] = Bytes(
                translator.OutBuffer.begin(), translator.OutBuffer.begin() + seen_size(translator));
        }
        console = shown(said);
    }
    Names entry_names() const {
        Names names;
        for (const auto& [name, data] : entries)
            names.push_back(name);
        return names;
    }
};

Bytes closing() {
    Sio s;
    sio_close(s);
    return s.build();
}

TEST(ScenarioSet, MainTakesSlotOneAndTheFirstFileTakesItsPlace) {
    const struct {
        Names files, slots;
    } cases[] = {
        {{"MAIN.SIO"}, {"MAIN.SIO"}},
        {{"A.SIO", "B.SIO", "MAIN.SIO", "Z.SIO"}, {"MAIN.SIO", "B.SIO", "A.SIO", "Z.SIO"}},
        {{"MAIN.SIO", "X.SIO", "Y.SIO"}, {"MAIN.SIO", "X.SIO", "Y.SIO"}},
    };
    for (const auto& c : cases) {
        ScenarioSet set;
        std::vector<std::pair<std::string, Bytes>> files;
        for (const std::string& name : c.files)
            files.emplace_back(name, closing());
        set.run(files);
        EXPECT_EQ(set.translator.scenarios, c.slots);
        EXPECT_EQ(set.entries.size(), c.slots.size());
        EXPECT_EQ(set.entries["SEEN001.TXT"], cat({header(17), kClose}));
        EXPECT_EQ(set.console, "");
    }
}

TEST(ScenarioSet, LowerCaseMainIsScenarioOne) {
    Sio main_program;
    sio_global_jump(main_program, "a.sio");
    ScenarioSet set;
    set.run({{"a.sio", closing()}, {"main.sio", main_program.build()}});
    EXPECT_EQ(set.translator.scenarios, (Names{"MAIN.SIO", "A.SIO"}));
    EXPECT_EQ(set.entries["SEEN001.TXT"], cat({header(3), hex("16 01 12")}));
    EXPECT_EQ(set.entries["SEEN002.TXT"], cat({header(17), kClose}));
}

TEST(ScenarioSet, NamesAlikeInCaseTakeASlotEach) {
    const std::string cp932_name = "\x83V\x83i\x83\x8A\x83I.SIO";  // シナリオ.SIO
    Sio main_program;
    sio_global_jump(main_program, cp932_name);
    sio_global_jump(main_program, "arcade.sio");
    Sio back;
    sio_global_jump(back, "MAIN.SIO");
    ScenarioSet set;
    set.run({{"ARCADE.SIO", closing()},
             {"arcade.sio", back.build()},
             {"MAIN.SIO", main_program.build()},
             {cp932_name, closing()}});
    EXPECT_EQ(set.translator.scenarios,
              (Names{"MAIN.SIO", "ARCADE.SIO", "ARCADE.SIO", cp932_name}));
    EXPECT_EQ(set.entries["SEEN001.TXT"], cat({header(6), hex("16 01 14 16 01 12")}));
    EXPECT_EQ(set.entries["SEEN002.TXT"], cat({header(3), hex("16 01 11")}));
    EXPECT_EQ(set.console,
              "********** Duplicate scenario ARCADE.SIO: MES/ARCADE.SIO and MES/arcade.sio "
              "(both kept)\n");
}

TEST(ScenarioSet, FilesBeyondSlot999AreRefusedWithAWarning) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (int i = 0; i < 1001; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "S%04d.SIO", i);
        files.emplace_back(name, hex("05 00 00"));
    }
    ScenarioSet set;
    set.run(files);
    ASSERT_EQ(set.translator.scenarios.size(), 999u);
    EXPECT_EQ(set.translator.scenarios.back(), "S0998.SIO");
    EXPECT_EQ(set.console,
              "********** More than 999 scenario files: MES/S0999.SIO skipped\n"
              "********** More than 999 scenario files: MES/S1000.SIO skipped\n");
    EXPECT_EQ(set.refused, 2u);
}

TEST(ScenarioSet, FailureInTheThirdOfFiveStopsTheSet) {
    ScenarioSet set;
    set.run({{"MAIN.SIO", closing()},
             {"N.SIO", closing()},
             {"O.SIO", hex("05 00 00 04")},
             {"P.SIO", closing()},
             {"Q.SIO", closing()}});
    EXPECT_TRUE(set.translator.conversion_failed);
    EXPECT_EQ(set.entry_names(), (Names{"SEEN001.TXT", "SEEN002.TXT"}));
    EXPECT_EQ(set.console, kUnknown04 + kFailed);
}

}  // namespace
