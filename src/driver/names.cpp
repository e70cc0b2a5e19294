#include "driver/names.h"

namespace {
bool is_lead_byte(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || c >= 0xE0;
}
}  // namespace

void upper_case_name(char* name) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(name); *p; ++p) {
        if (is_lead_byte(*p)) {
            if (p[1] == 0) break;
            ++p;
        } else if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<unsigned char>(*p - 0x20);
        }
    }
}

const char* base_name(const char* path) {
    const char* base = path;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (is_lead_byte(*p)) {
            if (p[1] == 0) break;
            ++p;
        } else if (*p == '\\' || *p == '/') {
            base = reinterpret_cast<const char*>(p + 1);
        }
    }
    return base;
}
