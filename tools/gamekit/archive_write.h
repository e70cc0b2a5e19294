// SPDX-License-Identifier: GPL-2.0-or-later
// The game written as a disc image or an archive, for the tests and the
// sample game: a folder tree (or files built in memory) as an ISO 9660 image
// with Joliet and Rock Ridge names, a ZIP file with UTF-8 or code page 932
// names, a 7-Zip file, a stored LZH file or a cabinet.
//
// Every function returns an error as a value: an empty string on success,
// otherwise the reason (libarchive's own where it refused). Nothing prints.
// An archive file is written under a temporary name beside it and renamed
// into place once complete, so a failure leaves no half-written file.
#pragma once

#include <locale.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gamekit/gamekit.h"

namespace gamekit {

enum class ArchiveFormat { iso, zip, zip_cp932, sevenzip, lzh, cab };
inline constexpr ArchiveFormat kArchiveFormats[] = {
    ArchiveFormat::iso,      ArchiveFormat::zip, ArchiveFormat::zip_cp932,
    ArchiveFormat::sevenzip, ArchiveFormat::lzh, ArchiveFormat::cab};
// The formats that store code page 932 names as their bytes (the others
// take UTF-8 names alone).
constexpr bool stores_cp932_names(ArchiveFormat format) {
    return format == ArchiveFormat::zip_cp932 || format == ArchiveFormat::lzh;
}

// libarchive converts names between the locale's character set and each
// format's own, per thread: the calls run under the locale named here, and
// the thread's previous locale is restored afterwards. `made` is null when
// the system has no such locale.
struct ThreadLocale {
    locale_t made = nullptr;
    locale_t previous = nullptr;
    explicit ThreadLocale(const char* name) {
        made = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
        if (made) previous = uselocale(made);
    }
    ~ThreadLocale() {
        if (!made) return;
        uselocale(previous);
        freelocale(made);
    }
    ThreadLocale(const ThreadLocale&) = delete;
    ThreadLocale& operator=(const ThreadLocale&) = delete;
};

// One file or folder of an archive. `path` is '/'-separated, each name's raw
// bytes as the file system has them (UTF-8 here; code page 932 bytes for a
// tree unpacked from a Japanese archive).
struct ArchiveItem {
    std::string path;
    std::vector<std::uint8_t> data;
    bool directory = false;
};

// Sorts items into the kit's fixed order: name by name, each compared by its
// raw bytes, so a folder comes right before its contents and siblings are
// sorted ("A", "A/x", "A.B", "B"). write_archive keeps the order it is given,
// so a test can also hand it items in any other.
void sort_items(std::vector<ArchiveItem>& items);

// Every folder and regular file below `folder` (not `folder` itself), in the
// order of sort_items. Anything else (a link, a device) is an error, as is a
// file that cannot be read.
[[nodiscard]] std::string collect_items(const std::string& folder, std::vector<ArchiveItem>& items);

struct ArchiveWriteOptions {
    // Files kept uncompressed (zip, 7-Zip, cabinet); an image and an LZH
    // file are always stored.
    bool store = false;
    // Symbolic links written after the items (ZIP, 7-Zip): path, target.
    std::vector<std::pair<std::string, std::string>> links;
};

// Writes `items` in their order as an archive of `format` at `path`, making
// missing parent folders. Names are kept as given: UTF-8 in an image, zip,
// 7-Zip and cabinet (a name that is not UTF-8 is an error), code page 932 in
// zip_cp932 and LZH (converted when UTF-8, as given otherwise). Folders
// are entries of their own except in LZH and cabinets, whose files carry
// their folders in their names. Every entry has the same modification time,
// so the same items give the same archive (an image also records the time it
// was made). A cabinet is made by the program gcab, which must be installed.
[[nodiscard]] std::string write_archive(ArchiveFormat format, const std::vector<ArchiveItem>& items,
                                        const std::string& path,
                                        const ArchiveWriteOptions& options = {});

// ---- LZH ---------------------------------------------------------------------

// One stored ("-lh0-") member of an LZH file with a level-0 header, as the
// MS-DOS tools wrote it. The fields are written as they are given, so a test
// can declare sizes or a checksum that do not match the data.
struct LzhMember {
    std::string name;  // stored bytes exactly: code page 932, '\' between folders
    Bytes data;
    std::optional<std::uint32_t> packed_size = {};    // the data's size when absent
    std::optional<std::uint32_t> original_size = {};  // the data's size when absent
    std::optional<std::uint16_t> crc = {};            // CRC-16 of the data when absent
};

// The members of an LZH file holding `items`: folders are left out, each
// name is converted to code page 932 with '\' between folders. Fails when a
// name has no code page 932 form.
[[nodiscard]] std::string lzh_members(const std::vector<ArchiveItem>& items,
                                      std::vector<LzhMember>& members);

// The bytes of an LZH file: each member's header and data, then the end mark
// (one 0 byte). Fails only when a name is too long for a level-0 header
// (233 bytes).
[[nodiscard]] std::string lzh_bytes(const std::vector<LzhMember>& members, Bytes& out);

// The CRC-16 that LZH files carry (polynomial 0x8005, bit-reflected as 0xA001,
// starting from 0).
std::uint16_t lzh_crc16(const Bytes& data);

}  // namespace gamekit
