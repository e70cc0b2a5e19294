// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/seen_build.h"

#include "scenario/seen.h"

namespace gamekit {

void put_seen_number(SeenBytes& body, std::uint32_t value) {
    // The high nibble of the first byte is the length, its low nibble bits
    // 0-3, each further byte the next 8 bits.
    int length = 1;
    while (length < 5 && (std::uint64_t{value} >> (4 + 8 * (length - 1))) != 0)
        ++length;
    body.push_back(static_cast<std::uint8_t>(length << 4 | (value & 0x0F)));
    for (int i = 1; i < length; ++i)
        body.push_back(static_cast<std::uint8_t>(value >> (4 + 8 * (i - 1))));
}

void put_seen_set(SeenBytes& body, std::uint32_t v, std::uint32_t value) {
    body.push_back(kOpSet);
    put_seen_number(body, v);
    put_seen_number(body, value);
}

void put_seen_slot(SeenBytes& body, std::uint32_t slot, const std::string& name) {
    body.insert(body.end(), {kOpSlot, 0x01});
    put_seen_number(body, slot);
    body.insert(body.end(), name.begin(), name.end());
    body.push_back(0x00);
}

void put_seen_picture_in_slot(SeenBytes& body, std::uint32_t slot) {
    body.insert(body.end(), {kOpPicture, 0x05, 0x40});
    put_seen_number(body, slot);
    put_seen_number(body, 0);
}

void set_seen_target(SeenBytes& body, std::size_t at, std::uint32_t target) {
    for (int i = 0; i < 4; ++i)
        body[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(target >> (8 * i));
}

std::size_t put_seen_jump(SeenBytes& body, std::uint32_t target) {
    body.push_back(kOpJump);
    const std::size_t at = body.size();
    body.resize(at + 4);
    set_seen_target(body, at, target);
    return at;
}

std::size_t put_seen_menu(SeenBytes& body, std::size_t items) {
    body.insert(body.end(), {kOpMenu, 0x01});
    put_seen_number(body, 999);
    body.insert(body.end(), {0x22, 0x00});
    for (std::size_t i = 0; i < items; ++i) {
        const std::string item = std::to_string(i + 1);
        body.push_back(0xFF);
        body.insert(body.end(), item.begin(), item.end());
        body.insert(body.end(), {0x00, 0x00});
    }
    body.insert(body.end(), {0x23, 0x1E, static_cast<std::uint8_t>(items)});
    put_seen_number(body, 999);
    const std::size_t targets = body.size();
    body.resize(targets + 4 * items);
    return targets;
}

SeenBytes seen_file(const SeenBytes& body) {
    SeenBytes file(kSeenHeaderSize);
    write_seen_header(file.data(), static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

SeenBytes seen_menu_and_slots(std::size_t items, std::size_t slots, std::size_t size) {
    SeenBytes body;
    const std::size_t targets = put_seen_menu(body, items);
    std::vector<std::size_t> joins;
    for (std::size_t i = 0; i < items; ++i) {
        set_seen_target(body, targets + 4 * i, static_cast<std::uint32_t>(body.size()));
        for (std::size_t k = 0; k < slots; ++k) {
            put_seen_slot(body, static_cast<std::uint32_t>(k + 1),
                          "P" + std::to_string(i + 1) + "_" + std::to_string(k + 1));
        }
        joins.push_back(put_seen_jump(body, 0));
    }
    for (std::size_t at : joins)
        set_seen_target(body, at, static_cast<std::uint32_t>(body.size()));
    for (std::size_t k = 0; k < slots; ++k)
        put_seen_picture_in_slot(body, static_cast<std::uint32_t>(k + 1));
    while (kSeenHeaderSize + body.size() + 3 <= size)
        put_seen_set(body, 0, 0);
    return seen_file(body);
}

}  // namespace gamekit
