// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN reader: what the translator writes reads back as its
// instructions and targets, and broken bodies as their faults.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scenario/seen.h"
#include "support/translate.h"

using namespace scenario_test;
using gamekit::lit;
using gamekit::Sio;
using gamekit::var;

namespace {

// An instruction as the reader gives it: start, length, kind and the
// targets of its lines.
struct Read {
    std::size_t offset, length;
    SeenKind kind;
    std::vector<std::int64_t> targets;
    bool operator==(const Read&) const = default;
};

std::vector<Read> instructions(const SeenProgram& program) {
    std::vector<Read> out;
    for (const SeenLine& line : program.lines) {
        if (line.depth == 0) out.push_back({line.offset, line.length, line.kind, {}});
        if (line.has_target) out.back().targets.push_back(line.target);
    }
    return out;
}

struct ReaderCase {
    const char* what;
    std::function<void(Sio&)> build;
    std::vector<Read> expected;
};

// 3C 11 11: three bytes that a label can name.
void add(Sio& s, const char* label) {
    s.label(label);
    gamekit::sio_add(s, var(1), lit(1));
}

const ReaderCase kReaderCases[] = {
    {"jump back",
     [](Sio& s) {
         add(s, "top");
         gamekit::sio_jump(s, "top");
     },
     {{0, 3, SeenKind::other, {}}, {3, 5, SeenKind::jump, {0}}}},
    {"comparison: a condition, then a jump",
     [](Sio& s) {
         gamekit::sio_compare(s, 31, var(10), lit(5), "first");
         add(s, "first");
     },
     {{0, 10, SeenKind::branch, {15}},
      {10, 5, SeenKind::jump, {15}},
      {15, 3, SeenKind::other, {}}}},
    {"menu of two items",
     [](Sio& s) {
         gamekit::sio_menu(s, {{"x", "A"}, {"y", "B"}});
         add(s, "x");
         add(s, "y");
     },
     {{0, 27, SeenKind::menu, {27, 30}},
      {27, 3, SeenKind::other, {}},
      {30, 3, SeenKind::other, {}}}},
    {"value switch: one condition per entry",
     [](Sio& s) {
         gamekit::sio_switch(s, var(1), {{"a", lit(2)}, {"b", lit(3)}});
         add(s, "a");
         add(s, "b");
     },
     {{0, 10, SeenKind::branch, {20}},
      {10, 10, SeenKind::branch, {23}},
      {20, 3, SeenKind::other, {}},
      {23, 3, SeenKind::other, {}}}},
};

TEST(SeenReader, TranslatedCommandsReadBackAsTheirInstructions) {
    for (const ReaderCase& c : kReaderCases) {
        SCOPED_TRACE(c.what);
        Sio sio;
        c.build(sio);
        const SeenProgram program = decode_seen(translate(sio).seen);
        EXPECT_TRUE(program.complete);
        EXPECT_TRUE(program.faults.empty());
        EXPECT_EQ(instructions(program), c.expected);
    }
}

struct FaultCase {
    const char* body;
    std::vector<SeenFault> faults;
};

const FaultCase kFaultCases[] = {
    // A jump whose target the body's end cuts; its last bytes start nothing.
    {"1C 05 00", {{0, 1, SeenFaultKind::cut}, {1, 2, SeenFaultKind::unknown}}},
    // A text without its terminator: each byte of it could start one.
    {"FF 41 FF",
     {{0, 1, SeenFaultKind::unterminated_text},
      {1, 1, SeenFaultKind::unknown},
      {2, 1, SeenFaultKind::unterminated_text}}},
    {"3C 11 11 99", {{3, 1, SeenFaultKind::unknown}}},
};

TEST(SeenReader, FaultsAreDataWithTheirOffsets) {
    for (const FaultCase& c : kFaultCases) {
        SCOPED_TRACE(c.body);
        const SeenProgram program = decode_seen(seen(hex(c.body)));
        std::vector<std::tuple<std::uint32_t, std::uint32_t, SeenFaultKind>> found, expected;
        for (const SeenFault& f : program.faults)
            found.emplace_back(f.offset, f.count, f.kind);
        for (const SeenFault& f : c.faults)
            expected.emplace_back(f.offset, f.count, f.kind);
        EXPECT_EQ(found, expected);
        EXPECT_FALSE(program.complete);
    }
}

// The numbers of every line, each as (value, variable), whether the line
// holds them or the program's numbers do.
using Numbers = std::vector<std::vector<std::pair<std::int32_t, bool>>>;

Numbers numbers(const SeenProgram& program) {
    Numbers out;
    for (const SeenLine& line : program.lines) {
        out.emplace_back();
        for (std::size_t i = 0; i < line.number_count; ++i) {
            const SeenNumber n = seen_line_number(program, line, i);
            out.back().emplace_back(n.value, n.variable);
        }
    }
    return out;
}

struct NumbersCase {
    const char* body;
    Numbers numbers;
};

const NumbersCase kNumbersCases[] = {
    // v0 = $5, then v1 += 4081 and v2 -= -1 in two- and five-byte numbers.
    {"3B 10 95  3C 11 21 FF  3D 12 5F FF FF FF FF",
     {{{0, false}, {5, true}}, {{1, false}, {4081, false}}, {{2, false}, {-1, false}}}},
    // Three numbers, then two again: each line finds its own.
    {"57 11 12 13  3C 96 17  57 14 15 16",
     {{{1, false}, {2, false}, {3, false}},
      {{6, true}, {7, false}},
      {{4, false}, {5, false}, {6, false}}}},
    // A branch keeps its target beside its numbers.
    {"15 28 3A 91 12 29 00 00 00 00  3B 13 14",
     {{{1, true}, {2, false}}, {{3, false}, {4, false}}}},
    // Four numbers, one, and a menu of one item with its end.
    {"68 01 11 12 13 14  0E 10 19  58 01 11 22 00 FF 41 00 00 23 1E 01 12 00 00 00 00",
     {{{1, false}, {2, false}, {3, false}, {4, false}},
      {{9, false}},
      {{1, false}},
      {},
      {{2, false}}}},
};

TEST(SeenReader, NumbersReadBackWhereverTheLineKeepsThem) {
    for (const NumbersCase& c : kNumbersCases) {
        SCOPED_TRACE(c.body);
        const SeenProgram program = decode_seen(seen(hex(c.body)));
        EXPECT_TRUE(program.faults.empty());
        EXPECT_EQ(numbers(program), c.numbers);
    }
}

// Texts of these sizes, one after another behind `before`, end where their
// terminators are, whichever 64-byte block of the body those fall in.
struct TextEndCase {
    const char* before;
    std::vector<std::size_t> sizes;
};

const TextEndCase kTextEndCases[] = {
    // Terminators at 63, 128, 447, 512 and 576: a block's last and first
    // bytes; texts that start at 191 and 447, a block's last byte, one of
    // them empty; one of 200 bytes across four blocks.
    {"", {62, 62, 57, 200, 50, 0, 62, 58, 0}},
    {"3B 10 10", {0, 1, 64, 65}},
};

TEST(SeenReader, TextsEndAtTheirTerminatorsAcrossBlocks) {
    for (const TextEndCase& c : kTextEndCases) {
        SCOPED_TRACE(c.before);
        Bytes body = hex(c.before);
        std::vector<std::string> expected, found;
        for (std::size_t size : c.sizes) {
            std::string text;
            for (std::size_t i = 0; i < size; ++i)
                text += static_cast<char>('A' + i % 26);
            body.push_back(kOpText);
            body.insert(body.end(), text.begin(), text.end());
            body.insert(body.end(), {0x00, 0x01});
            expected.push_back(text);
        }
        // The program is a view of the file's bytes, which must outlive it.
        const Bytes file = seen(body);
        const SeenProgram program = decode_seen(file);
        EXPECT_TRUE(program.complete);
        for (const SeenLine& line : program.lines) {
            if (line.kind == SeenKind::text) found.emplace_back(seen_line_name(program, line));
        }
        EXPECT_EQ(found, expected);
    }
}

}  // namespace

// A control byte in a text and a byte that starts no character are shown as
// names show them.
TEST(SeenReader, TextsEscapeAsNamesDo) {
    const std::uint8_t text[] = {'A', 0x1B, 0x7F, 0xFF, 0x80};
    EXPECT_EQ(seen_text_utf8(text), "A\\x1b\\x7f\\xff\\x80");
}
