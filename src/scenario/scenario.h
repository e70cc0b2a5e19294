// SPDX-License-Identifier: GPL-2.0-or-later
// The scenario set: every MES/*.SIO file of the game becomes "SEEN%03d.TXT".
// The program lists and reads the files; this takes names, and
// translate_sio (translator.h) their bytes.
#pragma once

#include <string>

#include "scenario/translator.h"

// Gives the SIO file at `path`, whose code page 932 name is `name`, the next
// slot of the scenario list (files come in the search order); MAIN.SIO is
// exchanged into slot 1. Names that upper-case alike take a slot each, with a
// warning. False, with a warning, when the list is full: the file takes no
// slot and is left out. The warnings go to `said`.
bool list_scenario(Translator& translator, std::string name, const std::string& path,
                   Diagnostics& said);
