// SPDX-License-Identifier: GPL-2.0-or-later
// Name helpers shared by every converter. Names, never whole paths, are
// upper-cased with the code page 932 rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Upper-cases the ASCII letters of a zero-terminated code page 932 name in
// place. A byte in 0x80-0x9F or 0xE0-0xFF leads a double-byte character: it
// and its trail byte are left alone, even when the trail byte is a letter.
void upper_case_name(char* name);
// The same on a copy.
std::string upper_cased_name(std::string name);

// Why a found file name cannot name a package entry.
enum class NameProblem {
    none,
    no_cp932_form,  // a character that code page 932 does not have
    control_byte,   // a byte below 0x20
    separator,      // '/', or '\' that is no trail byte of a double-byte character
};

// The first byte of code page 932 name bytes that keeps them from naming a
// file, and why (control_byte or separator; none with `at` the size). The
// name is walked character by character, so a trail byte 0x5C (as in 表) is
// no separator, and a byte below 0x40 after a lead byte is no trail byte.
struct NameFault {
    NameProblem problem = NameProblem::none;
    std::size_t at = 0;
};
NameFault cp932_name_fault(std::string_view cp932);

// The code page 932 form of a file name as the search found it, fit to
// name a package entry (and a file the player writes out): in `entry`, or
// the problem that keeps it from being one.
NameProblem entry_name_of(const std::string& found_name, std::string& entry);

// The problem in words, for a warning ("" for none).
const char* name_problem_text(NameProblem problem);

// The one way a byte is shown escaped, on the console, in listings and on
// report pages: \xNN with lower-case hex digits ("\x1b").
void append_hex_escape(std::string& out, unsigned char byte);
// `text` fit for a terminal: bytes below 0x20 and 0x7F as \xNN, everything
// else (code page 932 double-byte characters included) unchanged.
void append_printable(std::string& out, std::string_view text);
std::string printable_name(std::string_view name);
