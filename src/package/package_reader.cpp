// SPDX-License-Identifier: GPL-2.0-or-later
#include "package/package_reader.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/names.h"

namespace {

// No LZO1X stream decompresses to this many times its own size.
constexpr std::uint64_t kMaxLzoExpansion = 256;

}  // namespace

std::string entry_name(const DirectoryEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, kEntryNameSize));
}

std::string entry_name_fault(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name == "." || name == "..") return "is \"" + name + "\"";
    const NameFault fault = cp932_name_fault(name);
    switch (fault.problem) {
        case NameProblem::control_byte:
            return "holds the byte " + printable_name(name.substr(fault.at, 1));
        case NameProblem::separator:
            return "holds the separator " + name.substr(fault.at, 1);
        default:
            return {};
    }
}

bool parse_package(const std::uint8_t* data, std::size_t size, PackageView& view,
                   std::string& error) {
    view = PackageView{};
    if (size < kPackageHeaderSize) {
        error = "file is shorter than the 64-byte header";
        return false;
    }
    view.data = data;
    view.size = size;
    view.entry_count = ByteReader{std::span(data, size), 12}.le16();
    const std::size_t directory_end =
        kPackageHeaderSize + kDirectoryEntrySize * static_cast<std::size_t>(view.entry_count);
    if (size < directory_end) {
        error = "file is too short for its directory of " + std::to_string(view.entry_count) +
                " entries";
        return false;
    }
    view.directory.resize(view.entry_count);
    for (std::size_t i = 0; i < view.entry_count; ++i) {
        const std::size_t record = kPackageHeaderSize + kDirectoryEntrySize * i;
        DirectoryEntry& entry = view.directory[i];
        std::memcpy(entry.name, data + record, kEntryNameSize);
        ByteReader fields{std::span(data, size), record + kEntryNameSize};
        entry.offset = fields.le32();
        entry.packed_size = fields.le32();
        entry.unpacked_size = fields.le32();
        entry.kind = fields.le32();
    }
    return true;
}

bool extract_entry(const PackageView& view, const DirectoryEntry& entry,
                   std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    const std::string name = printable_name(entry_name(entry));
    if (entry.offset > view.size || entry.packed_size > view.size - entry.offset) {
        error = name + ": data lie outside the file";
        return false;
    }
    if (entry.kind != kEntryKindLzo) {
        error = name + ": kind " + std::to_string(entry.kind) + " is not 2";
        return false;
    }
    // A run length in an LZO1X stream grows by 255 for each further byte, so
    // no stream gives 256 times its size: a larger claim is refused before
    // the claimed size is allocated.
    if (entry.unpacked_size > kMaxLzoExpansion * std::uint64_t{entry.packed_size}) {
        error = name + ": unpacked size " + std::to_string(entry.unpacked_size) + " is more than " +
                std::to_string(entry.packed_size) + " packed bytes can hold";
        return false;
    }
    out.resize(entry.unpacked_size);
    lzo_uint produced = entry.unpacked_size;
    int status = lzo1x_decompress_safe(view.data + entry.offset, entry.packed_size, out.data(),
                                       &produced, nullptr);
    if (status != LZO_E_OK || produced != entry.unpacked_size) {
        error = name + ": does not decompress to its unpacked size (LZO status " +
                std::to_string(status) + ", " + std::to_string(produced) + " bytes)";
        out.clear();
        return false;
    }
    return true;
}

bool verify_package(const PackageView& view, std::string& error,
                    std::vector<std::string>* warnings) {
    // The header, field by field, against the one the builder writes for
    // this many entries (the entry count at offset 12 is the directory's).
    std::uint8_t builders[kPackageHeaderSize];
    build_package_header(builders, static_cast<std::uint16_t>(view.directory.size()));
    ByteReader header{std::span(view.data, std::min(view.size, kPackageHeaderSize))};
    ByteReader model{std::span<const std::uint8_t>(builders)};
    if (!std::ranges::equal(header.take(8), model.take(8))) {
        error = "magic is not \"PLOVEX\"";
        return false;
    }
    for (std::size_t offset = 8; offset < 18; offset += 2) {
        const std::uint16_t value = header.le16();
        const std::uint16_t wanted = model.le16();
        if (offset != 12 && value != wanted) {
            error = "header word at offset " + std::to_string(offset) + " is " +
                    std::to_string(value) + ", not " + std::to_string(wanted);
            return false;
        }
    }
    for (std::size_t offset = 18; offset < 32; ++offset) {
        if (header.u8() != model.u8()) {
            error = "header byte " + std::to_string(offset) + " is not zero";
            return false;
        }
    }
    if (!std::ranges::equal(header.take(32), model.take(32)) || !header.ok) {
        error = "title is not the package title";
        return false;
    }
    std::vector<std::uint8_t> content;
    for (std::size_t i = 0; i < view.directory.size(); ++i) {
        const DirectoryEntry& entry = view.directory[i];
        if (i > 0 && entry_name_less(entry, view.directory[i - 1])) {
            error = "directory is not sorted at entry " + std::to_string(i) + " (" +
                    printable_name(entry_name(entry)) + ")";
            return false;
        }
        if (std::memchr(entry.name, 0, kEntryNameSize) == nullptr) {
            error = "entry " + std::to_string(i) + " has no terminated name";
            return false;
        }
        for (std::size_t k = strnlen(entry.name, kEntryNameSize); k < kEntryNameSize; ++k) {
            if (entry.name[k] != 0) {
                error = printable_name(entry_name(entry)) + ": name is not zero-filled";
                return false;
            }
        }
        const std::string fault = entry_name_fault(entry_name(entry));
        if (!fault.empty()) {
            error = "entry " + std::to_string(i) + " \"" + printable_name(entry_name(entry)) +
                    "\": name " + fault;
            return false;
        }
    }
    // The sort puts entries of the same name next to each other.
    for (auto first = view.directory.begin(); warnings && first != view.directory.end();) {
        const std::string name = entry_name(*first);
        const auto last = std::find_if(first, view.directory.end(), [&](const DirectoryEntry& e) {
            return entry_name(e) != name;
        });
        if (last - first > 1) {
            warnings->push_back(printable_name(name) + ": " + std::to_string(last - first) +
                                " entries of this name");
        }
        first = last;
    }
    // Entry data follow each other in the order the entries were added, which
    // is not the directory order: they must tile the rest of the file.
    std::vector<const DirectoryEntry*> by_offset;
    for (const DirectoryEntry& entry : view.directory)
        by_offset.push_back(&entry);
    std::stable_sort(
        by_offset.begin(), by_offset.end(),
        [](const DirectoryEntry* a, const DirectoryEntry* b) { return a->offset < b->offset; });
    std::uint64_t expected = kPackageHeaderSize + kDirectoryEntrySize * view.directory.size();
    for (const DirectoryEntry* entry : by_offset) {
        if (entry->offset != expected) {
            error = printable_name(entry_name(*entry)) + ": data start at " +
                    std::to_string(entry->offset) + ", expected " + std::to_string(expected);
            return false;
        }
        expected += entry->packed_size;
    }
    if (expected != view.size) {
        error = "entry data end at " + std::to_string(expected) + " but the file has " +
                std::to_string(view.size) + " bytes";
        return false;
    }
    for (const DirectoryEntry& entry : view.directory) {
        if (!extract_entry(view, entry, content, error)) return false;
    }
    return true;
}
