// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of the name rule: a file name as a search finds it (any bytes but
// '/' and NUL, not "." or ".."), brought to NFC, made an entry name and a
// search key. Every entry name it gives must pass the package verifier's
// name walk, as given and as the directory stores it; spellings of the same
// name (NFD, ASCII letters in upper case, the code page 932 bytes of the
// entry) must give the same entry and the same key.
#include <utf8proc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/names.h"
#include "package/package_reader.h"
#include "platform/platform.h"

namespace {

// The same name, for the entry as stored and for the key, or abort.
void same_name(const std::string& found, const std::string& spelling) {
    std::string entry, other;
    const NameProblem problem = entry_name_of(found, entry);
    if (entry_name_of(spelling, other) != problem) std::abort();
    // The directory stores names upper-cased.
    if (problem == NameProblem::none && upper_cased_name(other) != upper_cased_name(entry))
        std::abort();
    if (platform::name_key(spelling) != platform::name_key(found)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Names of at most 255 bytes, as file systems hold them.
    if (size == 0 || size > 255) return -1;
    const std::string found(reinterpret_cast<const char*>(data), size);
    if (found == "." || found == ".." || found.find_first_of(std::string("/\0", 2)) != found.npos)
        return -1;

    const std::string nfc = platform::nfc_name(found);
    if (platform::nfc_name(nfc) != nfc) std::abort();
    std::string entry;
    const NameProblem problem = entry_name_of(found, entry);
    if (problem == NameProblem::none) {
        if (!entry_name_fault(entry).empty()) std::abort();
        // As the directory stores it: cut to 15 bytes, upper-cased.
        char stored[16] = {};
        std::strncpy(stored, entry.c_str(), sizeof stored - 1);
        upper_case_name(stored);
        if (stored[0] != '\0' && !entry_name_fault(stored).empty()) std::abort();
    }

    same_name(found, nfc);
    std::string upper = found;
    if (platform::is_utf8_beyond_ascii(found)) {
        // Read as UTF-8: its decomposed form, and every ASCII letter
        // upper-cased.
        utf8proc_uint8_t* decomposed = nullptr;
        const utf8proc_ssize_t n =
            utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(found.data()),
                         static_cast<utf8proc_ssize_t>(found.size()), &decomposed,
                         static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
        if (n < 0) std::abort();
        same_name(found, std::string(reinterpret_cast<const char*>(decomposed),
                                     static_cast<std::size_t>(n)));
        std::free(decomposed);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    } else {
        // Read as code page 932: the ASCII letters upper-cased, trail bytes
        // left alone.
        upper = upper_cased_name(found);
    }
    same_name(found, upper);

    // The entry's code page 932 bytes spell the same name when they decode
    // to it and are not read as UTF-8 themselves; found as a name, they give
    // themselves again (a character with two codes has settled on one).
    std::string decoded;
    if (problem == NameProblem::none && !platform::is_utf8_beyond_ascii(entry)) {
        std::string again;
        if (entry_name_of(entry, again) != NameProblem::none || again != entry) std::abort();
        if (platform::cp932_to_utf8(entry, decoded) && decoded == nfc) same_name(found, entry);
    }
    return 0;
}
