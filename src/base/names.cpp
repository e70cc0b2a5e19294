// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/names.h"

#include <cstring>

#include "platform/cp932.h"
#include "platform/platform.h"

void upper_case_name(char* name) {
    platform::upper_case_cp932(name, std::strlen(name));
}

std::string upper_cased_name(std::string name) {
    platform::upper_case_cp932(name.data(), name.size());
    return name;
}

NameFault cp932_name_fault(std::string_view cp932) {
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(cp932[i]);
        if (platform::is_lead_byte(c) && i + 1 < cp932.size() &&
            static_cast<unsigned char>(cp932[i + 1]) >= 0x40) {
            ++i;
        } else if (c < 0x20) {
            return {NameProblem::control_byte, i};
        } else if (c == '/' || c == '\\') {
            return {NameProblem::separator, i};
        }
    }
    return {NameProblem::none, cp932.size()};
}

NameProblem entry_name_of(const std::string& found_name, std::string& entry) {
    if (!platform::name_to_cp932(found_name, entry)) return NameProblem::no_cp932_form;
    return cp932_name_fault(entry).problem;
}

const char* name_problem_text(NameProblem problem) {
    switch (problem) {
        case NameProblem::none:
            break;
        case NameProblem::no_cp932_form:
            return "the name has characters that code page 932 lacks";
        case NameProblem::control_byte:
            return "the name holds a control character";
        case NameProblem::separator:
            return "the name holds a path separator";
    }
    return "";
}

void append_hex_escape(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

void append_printable(std::string& out, std::string_view text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            append_hex_escape(out, c);
        } else {
            out += ch;
        }
    }
}

std::string printable_name(std::string_view name) {
    std::string out;
    append_printable(out, name);
    return out;
}
