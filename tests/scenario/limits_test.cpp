// SPDX-License-Identifier: GPL-2.0-or-later
// Damaged scenario files: every command cut at every byte, and commands cut
// where a text has no storage. The translation must stay inside its buffers and give
// the same bytes whatever the SIO buffer holds past the end of the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "base/bytes.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;

// The catalogue of every command, after the label "top" its jumps aim at.
// `ends` receives the SIO offset after each command.
Bytes all_commands(std::vector<std::size_t>& ends) {
    gamekit::Sio sio;
    sio.label("top");
    for (const gamekit::SioSnippet& command : gamekit::every_command()) {
        command.assemble(sio);
        ends.push_back(sio.here());
    }
    return sio.build();
}

// Translates the first `length` bytes of `sio` with the rest of the SIO
// buffer filled with `fill`.
Translation translate_cut(const Bytes& sio, std::size_t length, std::uint8_t fill) {
    return translate(Bytes(sio.begin(), sio.begin() + static_cast<std::ptrdiff_t>(length)),
                     {"MAIN.SIO", "EXTRA.SIO"}, fill);
}

TEST(ScenarioLimits, EveryCommandCutAtEveryByte) {
    std::vector<std::size_t> ends;
    const Bytes sio = all_commands(ends);
    const Translation full = translate_cut(sio, sio.size(), 0);
    ASSERT_FALSE(full.translator->conversion_failed);
    const std::vector<CommandRecord>& records = full.translator->commands;
    ASSERT_EQ(records.size(), ends.size());

    for (std::size_t cut = 0; cut <= sio.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        const Translation zeros = translate_cut(sio, cut, 0x00);
        const Translation garbage = translate_cut(sio, cut, 0xA5);
        // Nothing past the data is read.
        EXPECT_EQ(zeros.seen, garbage.seen);
        EXPECT_EQ(zeros.console, garbage.console);
        // A cut command ends the file: it is read as far as it goes, and no
        // operand byte becomes an opcode.
        EXPECT_FALSE(zeros.translator->conversion_failed);
        EXPECT_EQ(zeros.console.find("Unkown"), std::string::npos) << zeros.console;
        EXPECT_EQ(zeros.console.find("Jump point"), std::string::npos) << zeros.console;
        // The header counts the body.
        ASSERT_GE(zeros.seen.size(), static_cast<std::size_t>(kSeenHeaderSize));
        EXPECT_EQ((ByteReader{zeros.seen, 95}.le32()), zeros.body.size());
        // The commands before the cut are translated as in the whole file.
        const std::size_t complete = static_cast<std::size_t>(
            std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        const std::size_t kept =
            complete < records.size()
                ? static_cast<std::size_t>(records[complete].output_length - kSeenHeaderSize)
                : full.body.size();
        ASSERT_GE(zeros.body.size(), kept);
        EXPECT_TRUE(std::equal(full.body.begin(), full.body.begin() + kept, zeros.body.begin()));
        if (cut == 0 || (complete > 0 && ends[complete - 1] == cut)) {
            EXPECT_EQ(zeros.body.size(), kept) << "a cut at a command boundary adds nothing";
        }
    }
}

// A menu cut right after a target and a background command cut right after
// its opcode hand OutStr an empty text without storage: nothing may be
// copied from it.
TEST(ScenarioLimits, CommandsCutWhereATextHasNoStorage) {
    for (auto [cut, whole] : {std::pair{"28 00 00", "28 00 00 00 FF"}, {"3E", "3E 00"}}) {
        const Translation translated = translate(hex(cut));
        EXPECT_EQ(translated.body, translate(hex(whole)).body) << cut;
        EXPECT_EQ(translated.console, "") << cut;
    }
}

// A span longer than the SIO buffer is read as its first 65536 bytes: what
// follows them, an opcode without translation too, is never seen.
TEST(ScenarioLimits, OnlyTheFirst65536BytesOfALongerSpanAreRead) {
    gamekit::Sio s;
    gamekit::sio_text(s, "");
    const std::size_t overhead = s.build().size();
    gamekit::Sio full;
    gamekit::sio_text(full, std::string(65536 - overhead, 'a'));
    const Bytes head = full.build();
    ASSERT_EQ(head.size(), 65536u);
    const Translation alone = translate(head);
    for (const Bytes& tail : {Bytes{4}, Bytes{5, 0, 0}, Bytes(100000, 4)}) {
        Bytes sio = head;
        sio.insert(sio.end(), tail.begin(), tail.end());
        const Translation r = translate(sio);
        EXPECT_EQ(r.seen, alone.seen) << tail.size();
        EXPECT_EQ(r.console, alone.console) << tail.size();
        EXPECT_FALSE(r.translator->conversion_failed) << tail.size();
    }
}

// A text read at the end of the data is empty but has storage, so that every
// reader may copy from it.
TEST(ScenarioLimits, TextAtTheEndOfTheDataHasStorage) {
    Translator t;
    t.sio_length = 1;
    t.sio_pos = 1;
    const std::string_view text = InText(t);
    EXPECT_TRUE(text.empty());
    EXPECT_NE(text.data(), nullptr);
    EXPECT_EQ(t.sio_pos, 2);
}

TEST(ScenarioLimits, OutStrOfATextWithoutStorageWritesItsTerminator) {
    Translator t;
    t.output_length = kSeenHeaderSize;
    OutStr(t, std::string_view{});
    EXPECT_EQ(t.output_length, kSeenHeaderSize + 1);
    EXPECT_EQ(t.OutBuffer[kSeenHeaderSize], 0);
}

}  // namespace
