// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/names.h"

#include <cstring>

#include "platform/cp932.h"

void upper_case_name(char* name) {
    platform::upper_case_cp932(name, std::strlen(name));
}

std::string upper_cased_name(std::string name) {
    platform::upper_case_cp932(name.data(), name.size());
    return name;
}

const char* base_name(const char* path) {
    const char* base = path;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (platform::is_lead_byte(*p)) {
            if (p[1] == 0) break;
            ++p;
        } else if (*p == '\\' || *p == '/') {
            base = reinterpret_cast<const char*>(p + 1);
        }
    }
    return base;
}
