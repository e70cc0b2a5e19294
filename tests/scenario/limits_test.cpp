// Damaged scenario files: every command cut at every byte, and the inputs
// the fuzzer found. The translation must stay inside its buffers and give
// the same bytes whatever the SIO buffer holds past the end of the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>

#include "base/bytes.h"
#include "scenario/translate.h"

namespace {

using namespace scenario_test;
using gamekit::lit;
using gamekit::ref;
using gamekit::ref2;
using gamekit::Sio;
using gamekit::var;
using gamekit::var2;

// Every command of the dispatch table once (several forms for some), each
// jump aimed at the start so that a cut leaves earlier jumps unchanged.
// `ends` receives the SIO offset after each command.
Bytes every_command(std::vector<std::size_t>& ends) {
    using namespace gamekit;
    std::vector<std::function<void(Sio&)>> commands = {
        [](Sio& s) { sio_jump(s, "top"); },
        [](Sio& s) { sio_global_jump(s, "extra.sio"); },
        [](Sio& s) { sio_range(s, var(10), lit(5)); },
        [](Sio& s) { sio_range(s, var2(3), ref(7)); },
        [](Sio& s) { sio_close(s); },
        [](Sio& s) { sio_screen(s, 3, 2); },
        [](Sio& s) {
            sio_preset(s, {1, 2, 3, 4, 5, 6, 7, 8, 9});
        },
        [](Sio& s) { sio_scenario_996(s); },
        [](Sio& s) { sio_part_title(s, cp932("第１部")); },
        [](Sio& s) { sio_choose(s); },
        [](Sio& s) { sio_ignored_pair(s, 1, 2); },
        [](Sio& s) { sio_add(s, var(1), lit(2)); },
        [](Sio& s) { sio_subtract(s, var(1), ref2(2)); },
        [](Sio& s) { sio_set(s, var2(1), ref(2)); },
        [](Sio& s) {
            sio_menu(s, {{"top", cp932("行く")}, {"top", cp932("帰る")}});
        },
        [](Sio& s) {
            sio_switch(s, var(5), {{"top", lit(1)}, {"top", ref(2)}});
        },
        [](Sio& s) { sio_music(s, 3); },
        [](Sio& s) { sio_music_51(s); },
        [](Sio& s) { sio_sound(s, 12); },
        [](Sio& s) { sio_hidden_text(s, cp932("（場面）")); },
        [](Sio& s) { sio_characters(s, {10203}); },
        [](Sio& s) {
            sio_characters(s, {10700, 33410, 3405});
        },
        [](Sio& s) { sio_show_background(s); },
        [](Sio& s) { sio_background(s, "bg01.moe"); },
        [](Sio& s) { sio_no_background(s); },
        [](Sio& s) { sio_text(s, cp932("アイン：「おはよう！」")); },
    };
    for (std::uint8_t op = 30; op <= 35; ++op) {
        commands.push_back([op](Sio& s) { sio_compare(s, op, var(4), lit(3), "top"); });
        commands.push_back([op](Sio& s) { sio_compare(s, op, var2(4), ref(3), "top", "top"); });
    }
    Sio sio;
    sio.label("top");
    for (const auto& command : commands) {
        command(sio);
        ends.push_back(sio.here());
    }
    return sio.build();
}

// Translates the first `length` bytes of `sio` with the rest of the SIO
// buffer filled with `fill`.
Translation translate_cut(const Bytes& sio, std::size_t length, std::uint8_t fill) {
    Translation result;
    result.translator = std::make_unique<Translator>();
    Translator& t = *result.translator;
    t.scenarios = {"MAIN.SIO", "EXTRA.SIO"};
    std::fill(t.sio.begin(), t.sio.end(), fill);
    std::copy_n(sio.begin(), length, t.sio.begin());
    t.sio_length = static_cast<std::int32_t>(length);
    console_capture(&result.console);
    translate_scenario_file(t);
    console_capture(nullptr);
    result.seen.assign(t.OutBuffer.begin(), t.OutBuffer.begin() + seen_size(t));
    result.body.assign(result.seen.begin() + kSeenHeaderSize, result.seen.end());
    return result;
}

TEST(ScenarioLimits, EveryCommandCutAtEveryByte) {
    std::vector<std::size_t> ends;
    const Bytes sio = every_command(ends);
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

// Found by the fuzzer: a menu cut right after a target hands an empty text
// without storage to OutStr, which copied zero bytes from a null pointer.
TEST(ScenarioLimits, MenuCutAfterItsTargetIsAnEntryWithAnEmptyText) {
    const Translation cut = translate(hex("28 00 00"));
    const Translation whole = translate(hex("28 00 00 00 FF"));
    EXPECT_EQ(cut.body, whole.body);
    EXPECT_EQ(cut.console, "");
}

// Found by the same test: a background command cut right after its opcode
// copied its name from a text without storage.
TEST(ScenarioLimits, BackgroundCutAfterItsOpcodeHasAnEmptyName) {
    const Translation cut = translate(hex("3E"));
    const Translation whole = translate(hex("3E 00"));
    EXPECT_EQ(cut.body, whole.body);
    EXPECT_EQ(cut.console, "");
}

// A text read at the end of the data is empty but has storage, so that every
// reader may copy from it.
TEST(ScenarioLimits, TextAtTheEndOfTheDataHasStorage) {
    Translator t;
    t.sio_length = 1;
    t.sio_pos = 1;
    EXPECT_NE(peek_text(t).data(), nullptr);
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
