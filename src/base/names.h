// SPDX-License-Identifier: GPL-2.0-or-later
// Name helpers shared by every converter.
#pragma once

#include <string>

// Upper-cases the ASCII letters of a zero-terminated code page 932 name in
// place. A byte in 0x80-0x9F or 0xE0-0xFF leads a double-byte character: it
// and its trail byte are left alone, even when the trail byte is a letter.
void upper_case_name(char* name);
// The same on a copy.
std::string upper_cased_name(std::string name);

// The part of a path after its last separator (either '\\' or '/'), or the
// whole path. The walk goes character by character, so the trail byte of a
// double-byte character is never taken for a separator.
const char* base_name(const char* path);
