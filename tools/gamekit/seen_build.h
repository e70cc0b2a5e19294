// SPDX-License-Identifier: GPL-2.0-or-later
// SEEN bodies written instruction by instruction, with the opcodes of
// scenario/seen.h: the SEEN file of a body for the tests, and shapes the
// translator never writes (many string slots, a SEEN entry of megabytes) for
// the tests and the benchmark of avdtool check and report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gamekit/gamekit.h"

namespace gamekit {

using SeenBytes = Bytes;

// A tagged number of at most five bytes (`value` at least 0).
void put_seen_number(SeenBytes& body, std::uint32_t value);
// 3B: variable `v` = `value`.
void put_seen_set(SeenBytes& body, std::uint32_t v, std::uint32_t value);
// 59 01: string slot `slot` = `name`.
void put_seen_slot(SeenBytes& body, std::uint32_t slot, const std::string& name);
// 0B 05: the picture in string slot `slot`.
void put_seen_picture_in_slot(SeenBytes& body, std::uint32_t slot);
// 1C: a jump to `target`; returns the offset of the target's four bytes.
std::size_t put_seen_jump(SeenBytes& body, std::uint32_t target);
// 58: a menu of `items` items named "1", "2", ...; returns the offset of the
// first item's target (four bytes each, to be set with set_seen_target).
std::size_t put_seen_menu(SeenBytes& body, std::size_t items);
void set_seen_target(SeenBytes& body, std::size_t at, std::uint32_t target);

// The SEEN file of `body`: the translator's header before it.
SeenBytes seen_file(const SeenBytes& body);

// A menu of `items` items, each way setting `slots` string slots (slot k of
// item i to "Pi_k") and jumping to where the ways join; there the picture in
// each slot is shown, and `v0 = 0` follows until the file has `size` bytes.
SeenBytes seen_menu_and_slots(std::size_t items, std::size_t slots, std::size_t size);

}  // namespace gamekit
