// SPDX-License-Identifier: GPL-2.0-or-later
#include "sample-game/sample_scenarios.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"

namespace sample_game {

namespace {

using namespace gamekit;

// Character IDs: character number x 10000 + middle pair x 100 + last pair.
// Each shows the sprites named beside it; sample_game.cpp stores exactly
// these sprites in CHAR, all but AIN_F09.
constexpr std::uint32_t kAinMorning = 10203;   // AIN_F02, AIN_B031
constexpr std::uint32_t kAinCalm = 10700;      // AIN_F07, AIN_B001
constexpr std::uint32_t kAinHurry = 12305;     // AIN_F23, AIN_B052
constexpr std::uint32_t kAinLost = 10900;      // AIN_F09 (not in CHAR, on purpose), AIN_B001
constexpr std::uint32_t kMin = 33410;          // MIN_F04, MIN_B103
constexpr std::uint32_t kMioSmile = 60312;     // MIO_F03, MIO_B121
constexpr std::uint32_t kMioLook = 64711;      // MIO_F27, MIO_B114
constexpr std::uint32_t kMioStartled = 65805;  // MIO_F18, MIO_B051
constexpr std::uint32_t kMioLaugh = 67205;     // MIO_F32, MIO_B053
constexpr std::uint32_t kIza = 80512;          // IZA_B015
constexpr std::uint32_t kSat = 3405;           // SAT_B034
constexpr std::uint32_t kStranger = 150700;    // _B007: character 15 has no code
constexpr std::uint32_t kYuiWave = 210100;     // YUI_01
constexpr std::uint32_t kYuiShop = 210300;     // YUI_03
constexpr std::uint32_t kSak = 240900;         // SAK_09
constexpr std::uint32_t kYki = 290300;         // YKI_03
constexpr std::uint32_t kYk2 = 331200;         // YK2_12

// Variables of the sample's little plot.
constexpr std::uint16_t kChapter = 255;  // the chapter variable: sets the title line
constexpr std::uint16_t kWay = 10;       // the way chosen in MAIN.SIO: 1 river, 2 town, 3 home

// Code page 932 bytes of a text for command 240, which walks its text in
// pairs of bytes: every character must be a double-byte one.
std::string line(const std::string& utf8) {
    const std::string bytes = cp932(utf8);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (i + 1 >= bytes.size() || lead < 0x81 || (lead > 0x9F && lead < 0xE0)) {
            throw std::runtime_error("sample text with a single-byte character: " + utf8);
        }
    }
    return bytes;
}

// Characters on stage, then a line of text.
void say(Sio& s, const std::vector<std::uint32_t>& characters, const std::string& utf8) {
    sio_characters(s, characters);
    sio_text(s, line(utf8));
}

ScenarioFile main_scenario() {
    Sio s;
    sio_screen(s, 1, 1);
    sio_part_title(s, line("第３部　はじまりの朝"));
    sio_set(s, var(kChapter), lit(1));
    sio_preset(s, {1, 0, 0, 3, 5, 0, 0, 2, 1});
    sio_ignored_pair(s, 0, 1);
    sio_music(s, 1);  // morning music
    sio_background(s, "bg01.moe");
    sio_text(s, line("……朝。窓の外で、小鳥が鳴いている。"));
    say(s, {kAinMorning}, "アイン：「おはよう！　今日はいい天気だね」");
    sio_sound(s, 8);  // the door chime
    say(s, {kAinCalm, kMin}, "ミン：「今夜は■■■のお祭りだよ。どこから回る？」");
    sio_menu(s, {{"river", line("川べりへ行く")},
                 {"town", line("商店街へ行く")},
                 {"home", line("家で待つ")}});
    s.label("river");
    sio_set(s, var(kWay), lit(1));
    sio_text(s, line("アイン：「じゃあ、川べりへ行こう！」"));
    sio_global_jump(s, "RIVER.SIO");
    s.label("town");
    sio_set(s, var(kWay), lit(2));
    sio_global_jump(s, "arcade.sio");
    s.label("home");
    sio_set(s, var(kWay), lit(3));
    sio_global_jump(s, "EXTRA.SIO");
    return {"MAIN.SIO", s.build()};
}

ScenarioFile extra_scenario() {
    Sio s;
    sio_no_background(s);
    sio_music_51(s);
    sio_hidden_text(s, line("（留守番の場面）"));
    sio_screen(s, 0, 0);
    sio_background(s, "BG01");
    say(s, {kSat}, "サト：「お留守番なら、くじ引きでもしようか」");
    sio_show_background(s);
    // Seven lots in variables 21 to 27; the choice loop picks one into 0.
    const std::uint16_t lots[] = {3, 9, 4, 7, 1, 8, 5};
    for (std::uint16_t i = 0; i < 7; ++i)
        sio_set(s, var(21 + i), lit(lots[i]));
    sio_set(s, var(27), ref(21));
    sio_choose(s);
    sio_range(s, var(30), lit(6));
    sio_range(s, var2(31), ref(30));
    sio_add(s, var(40), lit(2));
    sio_add(s, var2(5), ref2(5));
    sio_subtract(s, var(40), lit(1));
    sio_subtract(s, var(41), ref(40));
    sio_set(s, var(kChapter), ref(2));
    s.label("draw");
    sio_compare(s, 30, var(0), lit(24), "win");
    sio_compare(s, 31, var(0), ref(22), "again", "lose");
    s.label("lose");
    sio_compare(s, 32, var(40), lit(3), "small");
    sio_compare(s, 33, var(40), ref(41), "small", "big");
    s.label("big");
    sio_compare(s, 34, var2(5), lit(10), "again");
    sio_compare(s, 35, var2(5), ref2(6), "again", "small");
    s.label("small");
    sio_text(s, line("サト：「残念、はずれ……もう一回！」"));
    s.label("again");
    sio_add(s, var(50), lit(1));
    sio_compare(s, 34, var(50), lit(3), "draw");
    sio_jump(s, "done");
    s.label("win");
    sio_sound(s, 4);  // the heart
    sio_text(s, line("サト：「大当たり！　■■■の券だよ」"));
    s.label("done");
    sio_switch(s, var(kWay), {{"to_river", lit(1)}, {"to_town", lit(2)}, {"stay", ref(11)}});
    s.label("stay");
    sio_scenario_996(s);
    sio_screen(s, 0, 1);
    sio_screen(s, 1, 0);
    sio_text(s, line("……少し、眠くなってきた。"));
    // There is no such file: the converter reports it and writes scenario 0.
    sio_global_jump(s, "NOWHERE.SIO");
    s.label("to_river");
    sio_global_jump(s, "RIVER.SIO");
    s.label("to_town");
    sio_close(s, 0);
    return {"extra.sio", s.build()};
}

ScenarioFile arcade_scenario() {
    Sio s;
    sio_set(s, var(kChapter), lit(2));
    sio_part_title(s, line("商店街の午後"));
    sio_music(s, 12);  // town music
    sio_background(s, "BG02");
    say(s, {kYuiShop}, "ユイ：「いらっしゃい！　くじはいかが？」");
    sio_sound(s, 2);  // the basket ring
    say(s, {kYuiWave, kYki}, "ユキ：「■■をひとつください」");
    // Three characters in one command: the converter warns and stands all
    // three at the left edge.
    say(s, {kSak, kYk2, kYuiShop}, "サク：「にぎやかだなあ……」");
    sio_sound(s, 10);  // the telephone ring
    say(s, {kAinHurry, kSak}, "アイン：「あっ、もうこんな時間！　川へ急ごう」");
    // The one sprite name of the sample that no file in CHAR provides, so
    // that `avdtool check` has a dangling picture name to report.
    say(s, {kAinLost}, "アイン：「……あれ？　お財布、どこに置いたっけ」");
    sio_show_background(s);
    sio_global_jump(s, "river.sio");
    return {"ARCADE.SIO", s.build()};
}

ScenarioFile river_scenario() {
    Sio s;
    sio_part_title(s, line("第３部　川べりの夕暮れ"));
    sio_music(s, 7);  // river music
    sio_background(s, "ev01.moe");
    say(s, {kMioSmile}, "ミオ：「見て、川面が光ってる」");
    say(s, {kMioLook, kIza}, "イザ：「ほたる……かな？」");
    sio_characters(s, {kMioStartled});
    sio_sound(s, 16);  // a splash
    sio_text(s, line("ミオ：「きゃっ！　冷たい！」"));
    say(s, {kMioLaugh, kStranger}, "？？？：「……」");
    sio_text(s, line("ミオ：「あれ？　今、誰かいなかった？」"));
    sio_background(s, "END01");
    sio_music(s, 20);  // ending music
    sio_text(s, line("■■■の夜は、こうして更けていった。"));
    sio_text(s, line("おしまい"));
    sio_close(s, 0);
    return {"RIVER.SIO", s.build()};
}

}  // namespace

std::vector<ScenarioFile> sample_scenarios() {
    return {main_scenario(), extra_scenario(), arcade_scenario(), river_scenario()};
}

ScenarioFile scale_scenario(unsigned index, unsigned count) {
    static const std::uint32_t kCast[] = {
        kAinMorning, kAinCalm, kAinHurry, kMin,     kMioSmile, kMioLook, kMioStartled, kMioLaugh,
        kIza,        kSat,     kYuiWave,  kYuiShop, kSak,      kYki,     kYk2,         kStranger};
    static const char* const kLines[] = {
        "アイン：「こっちの道も、なかなかいいね」",
        "ミン：「■■■の屋台、まだ開いてるかな」",
        "ミオ：「ねえ、あれは何？」",
        "イザ：「……風が気持ちいい」",
        "サト：「ちょっと休んでいこうよ」",
        "ユイ：「また来てね！」",
        "遠くで、鐘の音が聞こえる……",
        "ユキ：「もう少しだけ、歩こうか」",
    };
    constexpr unsigned kScenes = 24;
    Sio s;
    sio_part_title(s, line("寄り道"));
    sio_music(s, static_cast<std::uint16_t>(index % 30));
    auto scene = [](unsigned j) { return "scene" + std::to_string(j); };
    for (unsigned j = 0; j < kScenes; ++j) {
        const unsigned n = index * 7 + j;
        s.label(scene(j));
        sio_background(s, j % 2 ? "BG01" : "BG02");
        if (j % 3 == 0) {
            sio_characters(s, {kCast[n % 16], kCast[(n + 5) % 16]});
        } else {
            sio_characters(s, {kCast[n % 16]});
        }
        sio_text(s, line(kLines[n % 8]));
        sio_text(s, line(kLines[(n + 3) % 8]));
        if (j % 5 == 4) sio_sound(s, static_cast<std::uint16_t>(n % 26));
        sio_add(s, var(60), lit(1));
        sio_compare(s, static_cast<std::uint8_t>(30 + j % 6), var(60),
                    j % 2 ? ref(61) : lit(static_cast<std::uint16_t>(j)), scene(j + 1));
        if (j % 6 == 5) {
            sio_menu(s, {{scene(j + 1), line("先へ進む")}, {scene(0), line("最初から")}});
        }
    }
    s.label(scene(kScenes));
    char next[32];
    std::snprintf(next, sizeof next, "SCN%03u.SIO", index + 1);
    sio_global_jump(s, index < count ? next : "MAIN.SIO");
    char name[32];
    std::snprintf(name, sizeof name, "SCN%03u.SIO", index);
    return {name, s.build()};
}

}  // namespace sample_game
