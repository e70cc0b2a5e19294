// SPDX-License-Identifier: GPL-2.0-or-later
// The forms of a found name shared by every system: its Normalization Form C,
// the key that orders and compares names, the search patterns, and the
// search over folders listed by the system's own list_folder.
#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/cp932.h"
#include "platform/platform.h"

namespace platform {

bool is_utf8_beyond_ascii(const std::string& text) {
    bool beyond = false;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t min = 0;
        std::uint32_t value = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, value = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, value = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, value = c & 0x07u;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) < length) return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            value = value << 6 | (p[i] & 0x3Fu);
        }
        if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        p += length;
        beyond = true;
    }
    return beyond;
}

namespace {

bool is_ascii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Appends the upper case of `c` (itself when it has none) as UTF-16.
void put_upper(std::u16string& key, std::int32_t c) {
    const auto upper = static_cast<std::uint32_t>(utf8proc_toupper(c));
    if (upper >= 0x10000) {
        key += static_cast<char16_t>(0xD800 + ((upper - 0x10000) >> 10));
        key += static_cast<char16_t>(0xDC00 + ((upper - 0x10000) & 0x3FF));
    } else {
        key += static_cast<char16_t>(upper);
    }
}

// The UTF-8 text `text` (valid) through utf8proc with `options`, or the text
// itself when memory runs out.
std::string map_utf8(const std::string& text, int options) {
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t size =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                     static_cast<utf8proc_ssize_t>(text.size()), &mapped,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | options));
    if (size < 0) return text;
    std::string result(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(size));
    std::free(mapped);
    return result;
}

// The UTF-8 text `text` (valid) upper-cased in its decomposed form, then
// composed again. Upper-casing the composed form would give two keys for one
// name where a small letter composes with a mark and its capital does not
// ("t" with U+0308 is U+1E97, which has no capital of its own).
std::string upper_case_utf8(const std::string& text) {
    const std::string decomposed = map_utf8(text, UTF8PROC_DECOMPOSE);
    std::string upper;
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(decomposed.data());
    auto left = static_cast<utf8proc_ssize_t>(decomposed.size());
    while (left > 0) {
        utf8proc_int32_t c = 0;
        const utf8proc_ssize_t n = utf8proc_iterate(p, left, &c);
        if (n <= 0) break;  // not reached: utf8proc wrote valid UTF-8
        utf8proc_uint8_t bytes[4];
        upper.append(reinterpret_cast<const char*>(bytes),
                     static_cast<std::size_t>(utf8proc_encode_char(utf8proc_toupper(c), bytes)));
        p += n;
        left -= n;
    }
    return map_utf8(upper, UTF8PROC_COMPOSE);
}

// Appends the characters of the UTF-8 text `text` (valid) to `key`.
void put_utf8(std::u16string& key, const std::string& text) {
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t c = 0;
        const utf8proc_ssize_t n = utf8proc_iterate(p, left, &c);
        if (n <= 0) return;  // not reached: the text was checked
        put_upper(key, c);
        p += n;
        left -= n;
    }
}

// '*' and '?' over keys.
bool glob_match(const char16_t* p, const char16_t* n) {
    const char16_t* star = nullptr;
    const char16_t* resume = nullptr;
    while (*n) {
        if (*p == u'?' || (*p != u'*' && *p == *n)) {
            ++p;
            ++n;
        } else if (*p == u'*') {
            star = p++;
            resume = n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == u'*')
        ++p;
    return *p == u'\0';
}

// The Windows meaning of a pattern, over keys.
bool key_matches(const std::u16string& p, const std::u16string& n) {
    if (p == u"*" || p == u"*.*") return true;
    if (glob_match(p.c_str(), n.c_str())) return true;
    // A trailing ".*" also matches names that have no full stop at all.
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, u".*") == 0 &&
        n.find(u'.') == std::u16string::npos) {
        return glob_match(p.substr(0, p.size() - 2).c_str(), n.c_str());
    }
    return false;
}

}  // namespace

std::string nfc_name(const std::string& name) {
    return is_utf8_beyond_ascii(name) ? map_utf8(name, UTF8PROC_COMPOSE) : name;
}

std::u16string name_key(const std::string& name) {
    const std::string form = nfc_name(name);
    if (!is_utf8_beyond_ascii(form)) return cp932_name_key(form);
    std::u16string key;
    put_utf8(key, upper_case_utf8(form));
    return key;
}

std::u16string cp932_name_key(const std::string& name) {
    std::u16string key;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    if (is_ascii(name)) {
        for (std::size_t i = 0; i < name.size(); ++i)
            put_upper(key, bytes[i]);
        return key;
    }
    // Characters as upper_case_cp932 walks them: a lead byte takes the next
    // byte with it, whatever it is. Each run of characters that decode is
    // keyed as the same characters in UTF-8 are, so that every spelling of a
    // name has one key. A character that does not decode stands for its
    // bytes, each as a lone surrogate (U+DC00 plus the byte), which no
    // character decodes to.
    std::string run;
    const auto flush = [&] {
        if (!run.empty()) put_utf8(key, upper_case_utf8(run));
        run.clear();
    };
    std::size_t i = 0;
    while (i < name.size()) {
        const std::size_t length = is_lead_byte(bytes[i]) && i + 1 < name.size() ? 2 : 1;
        if (cp932_character_to_utf8(std::span(bytes + i, length), run) != length) {
            flush();
            for (std::size_t k = 0; k < length; ++k)
                key += static_cast<char16_t>(0xDC00 + bytes[i + k]);
        }
        i += length;
    }
    flush();
    return key;
}

// A name that is no UTF-8 beyond ASCII is taken as code page 932 bytes
// already; on Windows, where every name the system gives is UTF-16 held as
// UTF-8, that is an ASCII name, which is the same in both.
bool name_to_cp932(const std::string& name, std::string& cp932) {
    const std::string form = nfc_name(name);
    if (is_utf8_beyond_ascii(form)) return utf8_to_cp932(form, cp932);
    cp932 = form;
    if (is_ascii(form)) return true;
    // Through Unicode and back: a character with two codes gets the one that
    // Windows writes for it, as the UTF-8 spelling of the name does.
    std::string utf8, back;
    if (cp932_to_utf8(form, utf8) && utf8_to_cp932(map_utf8(utf8, UTF8PROC_COMPOSE), back))
        cp932 = back;
    return true;
}

bool cp932_to_utf8(const std::string& cp932, std::string& utf8) {
    utf8.clear();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(cp932.data());
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t n = cp932_character_to_utf8(std::span(bytes + i, cp932.size() - i), utf8);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool name_less(const std::string& a, const std::string& b) {
    const std::u16string ka = name_key(a), kb = name_key(b);
    return ka != kb ? ka < kb : a < b;
}

Search search_folders(const std::vector<std::string>& folders, const std::string& name_pattern,
                      FolderLister list, const void* context) {
    struct Keyed {
        std::u16string key;
        Match match;
    };
    const std::u16string pattern = name_key(name_pattern);
    std::vector<Keyed> found;
    std::vector<Match> entries;
    Search search;
    for (const std::string& folder : folders) {
        entries.clear();
        std::string reason;
        if (!(list ? list(context, folder, entries, reason)
                   : list_folder(folder, entries, reason))) {
            search.failures.push_back({folder, std::move(reason)});
            continue;
        }
        for (Match& entry : entries) {
            std::u16string key = name_key(entry.name);
            if (key_matches(pattern, key)) found.push_back({std::move(key), std::move(entry)});
        }
    }
    // Ties of the key by the raw name, then by the folder, so the order is
    // the same on every machine.
    std::sort(found.begin(), found.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key) return a.key < b.key;
        if (a.match.name != b.match.name) return a.match.name < b.match.name;
        return a.match.folder < b.match.folder;
    });
    search.matches.reserve(found.size());
    for (Keyed& keyed : found)
        search.matches.push_back(std::move(keyed.match));
    return search;
}

}  // namespace platform
