// SPDX-License-Identifier: GPL-2.0-or-later
// The scenario set: every MES/*.SIO file of the game becomes "SEEN%03d.TXT".
// The program lists and reads the files; this takes names and bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "scenario/translator.h"

// Gives the SIO file at `path`, whose code page 932 name is `name`, the next
// slot of the scenario list (files come in the search order); MAIN.SIO is
// exchanged into slot 1. Names that upper-case alike take a slot each, with a
// warning. False, with a warning, when the list is full: the file takes no
// slot and is left out.
bool list_scenario(Translator& translator, std::string name, const std::string& path);

// Translates the bytes of an SIO file (at most kSioBufferSize are read) into
// a complete SEEN file in OutBuffer (seen_size() bytes). Sets
// conversion_failed on an opcode without translation.
void translate_sio(Translator& translator, std::span<const std::uint8_t> sio);
