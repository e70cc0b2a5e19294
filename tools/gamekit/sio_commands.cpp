// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/sio_commands.h"

namespace gamekit {

void sio_jump(Sio& s, const std::string& target) {
    s.byte(1).target(target);
}
void sio_global_jump(Sio& s, const std::string& file_name) {
    s.byte(2).text(file_name);
}
void sio_range(Sio& s, SioVar v, std::uint32_t value) {
    s.byte(3).variable(v).triple(value);
}
void sio_close(Sio& s, std::uint16_t ignored) {
    s.byte(5).word(ignored);
}

void sio_screen(Sio& s, std::uint16_t first, std::uint16_t second) {
    s.byte(7).word(first).word(second);
}
void sio_scenario_996(Sio& s) {
    s.byte(9);
}
void sio_part_title(Sio& s, const std::string& title) {
    s.byte(10).text(title);
}

void sio_preset(Sio& s, const std::array<std::uint16_t, 9>& values) {
    s.byte(8);
    for (std::uint16_t v : values)
        s.word(v);
}
void sio_choose(Sio& s) {
    s.byte(11);
}
void sio_ignored_pair(Sio& s, std::uint16_t a, std::uint16_t b) {
    s.byte(12).word(a).word(b);
}
void sio_add(Sio& s, SioVar v, std::uint32_t value) {
    s.byte(20).variable(v).triple(value);
}
void sio_subtract(Sio& s, SioVar v, std::uint32_t value) {
    s.byte(21).variable(v).triple(value);
}
void sio_set(Sio& s, SioVar v, std::uint32_t value) {
    s.byte(22).variable(v).triple(value);
}

void sio_compare(Sio& s, std::uint8_t opcode, SioVar v, std::uint32_t value,
                 const std::string& first, const std::string& second) {
    s.byte(opcode).variable(v).triple(value).target(first);
    if (!second.empty()) s.target(second);
    s.byte(0xFF);
}

void sio_menu(Sio& s, const std::vector<std::pair<std::string, std::string>>& entries) {
    s.byte(40);
    for (const auto& [target, text] : entries)
        s.target(target).text(text);
    s.byte(0xFF);
}

void sio_switch(Sio& s, SioVar v,
                const std::vector<std::pair<std::string, std::uint32_t>>& entries) {
    s.byte(41).variable(v);
    for (const auto& [target, value] : entries)
        s.target(target).triple(value);
    s.byte(0xFF);
}

void sio_music(Sio& s, std::uint16_t number) {
    s.byte(50).word(number);
}
void sio_music_51(Sio& s) {
    s.byte(51);
}
void sio_sound(Sio& s, std::uint16_t number) {
    s.byte(52).word(number);
}

void sio_hidden_text(Sio& s, const std::string& text) {
    s.byte(53).text(text);
}
void sio_text(Sio& s, const std::string& text) {
    s.byte(240).text(text);
}

void sio_characters(Sio& s, const std::vector<std::uint32_t>& ids) {
    s.byte(60).byte(static_cast<std::uint8_t>(ids.size()));
    for (std::uint32_t id : ids) {
        s.word(static_cast<std::uint16_t>(id >> 16)).word(static_cast<std::uint16_t>(id));
    }
}
void sio_show_background(Sio& s) {
    s.byte(61);
}
void sio_background(Sio& s, const std::string& name) {
    s.byte(62).text(name);
}
void sio_no_background(Sio& s) {
    s.byte(63);
}

const std::vector<SioSnippet>& every_command() {
    static const std::vector<SioSnippet> catalogue = [] {
        std::vector<SioSnippet> c;
        auto add = [&c](std::string name, std::uint8_t opcode, std::function<void(Sio&)> assemble) {
            c.push_back({std::move(name), opcode, std::move(assemble)});
        };
        add("jump", 1, [](Sio& s) { sio_jump(s, "top"); });
        add("global jump, listed", 2, [](Sio& s) { sio_global_jump(s, "MAIN.SIO"); });
        add("global jump, lower case", 2, [](Sio& s) { sio_global_jump(s, "extra.sio"); });
        add("global jump, not listed", 2, [](Sio& s) { sio_global_jump(s, "MISSING.SIO"); });
        add("range, literal", 3, [](Sio& s) { sio_range(s, var(10), lit(5)); });
        add("range, literal 0", 3, [](Sio& s) { sio_range(s, var2(5), lit(0)); });
        add("range, variable", 3, [](Sio& s) { sio_range(s, var2(3), ref(7)); });
        add("range, second bank", 3, [](Sio& s) { sio_range(s, var(1), ref2(9)); });
        add("close", 5, [](Sio& s) { sio_close(s); });
        add("close, word set", 5, [](Sio& s) { sio_close(s, 0x1234); });
        // Command 7 has one form for each pair of zero and non-zero operands.
        add("screen 0 0", 7, [](Sio& s) { sio_screen(s, 0, 0); });
        add("screen 0 1", 7, [](Sio& s) { sio_screen(s, 0, 1); });
        add("screen 1 0", 7, [](Sio& s) { sio_screen(s, 1, 0); });
        add("screen 3 2", 7, [](Sio& s) { sio_screen(s, 3, 2); });
        add("preset", 8, [](Sio& s) { sio_preset(s, {1, 2, 3, 4, 5, 6, 7, 8, 9}); });
        add("preset, tagged number lengths", 8, [](Sio& s) {
            sio_preset(s, {0, 1, 2, 15, 16, 4095, 4096, 65535, 9});
        });
        add("scenario 996", 9, [](Sio& s) { sio_scenario_996(s); });
        add("part title", 10, [](Sio& s) { sio_part_title(s, cp932("第１部　はじまり")); });
        add("part title, ASCII", 10, [](Sio& s) { sio_part_title(s, cp932("第３部　ABC")); });
        add("part title, short", 10, [](Sio& s) { sio_part_title(s, cp932("第２部　春")); });
        add("part title, empty", 10, [](Sio& s) { sio_part_title(s, ""); });
        add("choose", 11, [](Sio& s) { sio_choose(s); });
        add("ignored pair", 12, [](Sio& s) { sio_ignored_pair(s, 1, 2); });
        add("add, literal", 20, [](Sio& s) { sio_add(s, var(1), lit(2)); });
        add("add, variable", 20, [](Sio& s) { sio_add(s, var2(1), ref(2)); });
        add("add, second bank", 20, [](Sio& s) { sio_add(s, var2(5), ref2(5)); });
        add("subtract, literal", 21, [](Sio& s) { sio_subtract(s, var(1), lit(2)); });
        add("subtract, variable", 21, [](Sio& s) { sio_subtract(s, var(3), ref(4)); });
        add("subtract, second bank", 21, [](Sio& s) { sio_subtract(s, var(1), ref2(2)); });
        add("set, literal", 22, [](Sio& s) { sio_set(s, var(1), lit(2)); });
        add("set, variable", 22, [](Sio& s) { sio_set(s, var2(1), ref(2)); });
        add("set, large literal", 22, [](Sio& s) { sio_set(s, var(9), lit(40000)); });
        add("set 255, 1", 22, [](Sio& s) { sio_set(s, var(255), lit(1)); });
        add("set 255, 7", 22, [](Sio& s) { sio_set(s, var(255), lit(7)); });
        add("set 255, variable", 22, [](Sio& s) { sio_set(s, var(255), ref(2)); });
        add("set 255 of the second bank", 22, [](Sio& s) { sio_set(s, var2(255), lit(1)); });
        for (std::uint8_t op = 30; op <= 35; ++op) {
            const std::string name = "compare " + std::to_string(op);
            add(name + ", short closing field", op,
                [op](Sio& s) { sio_compare(s, op, var(4), lit(3), "top"); });
            add(name + ", second target", op,
                [op](Sio& s) { sio_compare(s, op, var2(4), ref(3), "top", "top"); });
        }
        add("menu", 40, [](Sio& s) {
            sio_menu(s, {{"top", cp932("川べりへ行く")}, {"top", cp932("家に帰る")}});
        });
        add("menu, three entries", 40, [](Sio& s) {
            sio_menu(s, {{"top", cp932("はい")}, {"top", cp932("いいえ")}, {"top", "C"}});
        });
        add("menu, empty", 40, [](Sio& s) { sio_menu(s, {}); });
        add("switch", 41, [](Sio& s) {
            sio_switch(s, var(5), {{"top", lit(1)}, {"top", ref(2)}});
        });
        add("switch, second bank", 41, [](Sio& s) {
            sio_switch(s, var2(5), {{"top", lit(1)}, {"top", ref(2)}, {"top", ref2(3)}});
        });
        add("switch, empty", 41, [](Sio& s) { sio_switch(s, var(5), {}); });
        add("music", 50, [](Sio& s) { sio_music(s, 3); });
        add("music 0", 50, [](Sio& s) { sio_music(s, 0); });
        add("music 123", 50, [](Sio& s) { sio_music(s, 123); });
        add("music 51", 51, [](Sio& s) { sio_music_51(s); });
        for (std::uint16_t n = 0; n < 34; ++n)
            add("sound " + std::to_string(n), 52, [n](Sio& s) { sio_sound(s, n); });
        add("hidden text", 53, [](Sio& s) { sio_hidden_text(s, cp932("（留守番の場面）")); });
        add("hidden text, empty", 53, [](Sio& s) { sio_hidden_text(s, ""); });
        add("characters, one", 60, [](Sio& s) { sio_characters(s, {10203}); });
        add("characters, two", 60, [](Sio& s) { sio_characters(s, {12305, 210300}); });
        add("characters, three", 60, [](Sio& s) { sio_characters(s, {10700, 33410, 3405}); });
        add("characters, three others", 60, [](Sio& s) {
            sio_characters(s, {60312, 80512, 3405});
        });
        add("characters, four", 60, [](Sio& s) { sio_characters(s, {150700, 19901, 339999, 0}); });
        add("characters, none", 60, [](Sio& s) { sio_characters(s, {}); });
        add("characters, top bit set", 60, [](Sio& s) { sio_characters(s, {0x80000000u}); });
        add("show background", 61, [](Sio& s) { sio_show_background(s); });
        add("background", 62, [](Sio& s) { sio_background(s, "bg01.moe"); });
        add("background, no name", 62, [](Sio& s) { sio_background(s, ".x"); });
        add("no background", 63, [](Sio& s) { sio_no_background(s); });
        add("text, speaker", 240,
            [](Sio& s) { sio_text(s, cp932("アイン：「おはよう！　今日はいい天気だね」")); });
        add("text", 240, [](Sio& s) { sio_text(s, cp932("あいう")); });
        add("text, ellipsis", 240, [](Sio& s) { sio_text(s, cp932("……朝。")); });
        add("text, two colons", 240, [](Sio& s) { sio_text(s, cp932("ＡＢ：ＣＤ：ＥＦ")); });
        add("text, mark", 240, [](Sio& s) { sio_text(s, cp932("■は…です")); });
        add("text, speaker only", 240, [](Sio& s) { sio_text(s, cp932("ＡＢ：")); });
        add("text, odd length", 240, [](Sio& s) { sio_text(s, "abc"); });
        add("text, empty", 240, [](Sio& s) { sio_text(s, ""); });
        return c;
    }();
    return catalogue;
}

}  // namespace gamekit
