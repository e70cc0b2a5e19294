#include "gamekit/sio_commands.h"

namespace gamekit {

void sio_jump(Sio& s, const std::string& target) { s.byte(1).target(target); }
void sio_global_jump(Sio& s, const std::string& file_name) { s.byte(2).text(file_name); }
void sio_range(Sio& s, SioVar v, std::uint32_t value) { s.byte(3).variable(v).triple(value); }
void sio_close(Sio& s, std::uint16_t ignored) { s.byte(5).word(ignored); }

void sio_screen(Sio& s, std::uint16_t first, std::uint16_t second) {
    s.byte(7).word(first).word(second);
}
void sio_scenario_996(Sio& s) { s.byte(9); }
void sio_part_title(Sio& s, const std::string& title) { s.byte(10).text(title); }

void sio_preset(Sio& s, const std::array<std::uint16_t, 9>& values) {
    s.byte(8);
    for (std::uint16_t v : values) s.word(v);
}
void sio_choose(Sio& s) { s.byte(11); }
void sio_ignored_pair(Sio& s, std::uint16_t a, std::uint16_t b) { s.byte(12).word(a).word(b); }
void sio_add(Sio& s, SioVar v, std::uint32_t value) { s.byte(20).variable(v).triple(value); }
void sio_subtract(Sio& s, SioVar v, std::uint32_t value) { s.byte(21).variable(v).triple(value); }
void sio_set(Sio& s, SioVar v, std::uint32_t value) { s.byte(22).variable(v).triple(value); }

void sio_compare(Sio& s, std::uint8_t opcode, SioVar v, std::uint32_t value,
                 const std::string& first, const std::string& second) {
    s.byte(opcode).variable(v).triple(value).target(first);
    if (!second.empty()) s.target(second);
    s.byte(0xFF);
}

void sio_menu(Sio& s, const std::vector<std::pair<std::string, std::string>>& entries) {
    s.byte(40);
    for (const auto& [target, text] : entries) s.target(target).text(text);
    s.byte(0xFF);
}

void sio_switch(Sio& s, SioVar v,
                const std::vector<std::pair<std::string, std::uint32_t>>& entries) {
    s.byte(41).variable(v);
    for (const auto& [target, value] : entries) s.target(target).triple(value);
    s.byte(0xFF);
}

void sio_music(Sio& s, std::uint16_t number) { s.byte(50).word(number); }
void sio_music_51(Sio& s) { s.byte(51); }
void sio_sound(Sio& s, std::uint16_t number) { s.byte(52).word(number); }

void sio_hidden_text(Sio& s, const std::string& text) { s.byte(53).text(text); }
void sio_text(Sio& s, const std::string& text) { s.byte(240).text(text); }

void sio_characters(Sio& s, const std::vector<std::uint32_t>& ids) {
    s.byte(60).byte(static_cast<std::uint8_t>(ids.size()));
    for (std::uint32_t id : ids) {
        s.word(static_cast<std::uint16_t>(id >> 16)).word(static_cast<std::uint16_t>(id));
    }
}
void sio_show_background(Sio& s) { s.byte(61); }
void sio_background(Sio& s, const std::string& name) { s.byte(62).text(name); }
void sio_no_background(Sio& s) { s.byte(63); }

}  // namespace gamekit
