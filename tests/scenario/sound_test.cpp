// SPDX-License-Identifier: GPL-2.0-or-later
// Music (50, 51) and sound effects (52).
#include <gtest/gtest.h>

#include <string>

#include "support/translate.h"

namespace {

using namespace gamekit;
using namespace scenario_test;

// The bytes of a text and its terminator.
Bytes text_bytes(const std::string& text) {
    Bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

struct WorkedCase {
    Bytes sio;
    Bytes seen;
};

TEST(SoundCommands, WorkedExamples) {
    const WorkedCase cases[] = {
        {hex("32 00 07"), hex("0E 01 42 47 4D 5F 30 37 00")},     // BGM_07
        {hex("32 00 7B"), hex("0E 01 42 47 4D 5F 31 32 33 00")},  // BGM_123
        {hex("33"), hex("0E 10 24 06")},
        {hex("34 00 0B"), hex("0E 30 4B 6E 6F 63 6B 00")},  // Knock
        {hex("34 00 0E"), hex("0E 30 00")},                 // empty name
        // Operands cut short read zeros: BGM_256 after the high byte 01.
        {hex("32 01"), hex("0E 01 42 47 4D 5F 32 35 36 00")},
        {hex("34"), hex("0E 30 00")},
    };
    for (const WorkedCase& c : cases) {
        auto result = translate(c.sio);
        EXPECT_EQ(result.body, c.seen);
        EXPECT_EQ(result.console, "");
        EXPECT_EQ(result.translator->commands.size(), 1u);
    }
}

TEST(SoundCommands, MusicNameHasAtLeastTwoDigits) {
    const std::pair<std::uint16_t, std::string> cases[] = {
        {0, "BGM_00"}, {9, "BGM_09"}, {10, "BGM_10"}, {100, "BGM_100"}, {65535, "BGM_65535"},
    };
    for (const auto& [number, name] : cases) {
        Sio sio;
        gamekit::sio_music(sio, number);
        EXPECT_EQ(translate(sio).body, cat({hex("0E 01"), text_bytes(name)})) << number;
    }
}

TEST(SoundCommands, Music51ReadsNoOperand) {
    Sio sio;
    gamekit::sio_music_51(sio);
    gamekit::sio_music(sio, 1);
    auto result = translate(sio);
    EXPECT_EQ(result.body, hex("0E 10 24 06 0E 01 42 47 4D 5F 30 31 00"));
    EXPECT_EQ(result.translator->commands.size(), 2u);
}

// The table's first and last names, and the empty slots at its end.
TEST(SoundCommands, SoundEffectNamesAtTheTablesEdges) {
    const std::pair<std::uint16_t, std::string> cases[] = {
        {0, ""}, {1, "BasketDribbleFast"}, {25, "cry3"}, {31, ""}};
    for (const auto& [number, name] : cases) {
        Sio sio;
        gamekit::sio_sound(sio, number);
        auto result = translate(sio);
        EXPECT_EQ(result.body, cat({hex("0E 30"), text_bytes(name)})) << number;
        EXPECT_EQ(result.console, "") << number;
    }
}

TEST(SoundCommands, SoundEffectPastTheTableIsEmptyWithAWarning) {
    const std::pair<std::uint16_t, std::string> cases[] = {
        {32, "********** Bad sound effect number : 32\n"},
        {65535, "********** Bad sound effect number : 65535\n"},
    };
    for (const auto& [number, warning] : cases) {
        Sio sio;
        gamekit::sio_sound(sio, number);
        auto result = translate(sio);
        EXPECT_EQ(result.body, hex("0E 30 00")) << number;
        EXPECT_EQ(result.console, warning);
        EXPECT_FALSE(result.translator->conversion_failed);
    }
}

}  // namespace
