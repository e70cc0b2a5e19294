// SPDX-License-Identifier: GPL-2.0-or-later
// The test kit's archive writer: a small tree packed in every format and read
// back with libarchive's reader, names and bytes exact.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "gamekit/archive_write.h"
#include "gamekit/gamekit.h"
#include "support/temp_folder.h"

namespace {

using namespace gamekit;

// A Japanese folder path whose file name holds ソ (its code page 932 form
// ends in the byte of '\'), a name in lower case, a file named like a folder
// and sorting after the folder's contents, an empty file. In sorted order.
const std::vector<ArchiveItem>& tree() {
    static const std::vector<ArchiveItem> items = {
        {"EMPTY.DAT", {}, false},
        {"MES", {}, true},
        {"MES/MAIN.SIO", noise(300, 1), false},
        {"MES.TXT", {'t', 'e', 'x', 't'}, false},
        {"cg", {}, true},
        {"cg/sak_09.moe", noise(5000, 2), false},
        {"データ", {}, true},
        {"データ/セーブ", {}, true},
        {"データ/セーブ/ソフト.DAT", noise(70000, 3), false},
    };
    return items;
}

struct Entry {
    std::string name;
    Bytes data;
    bool directory = false;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << (e.directory ? "folder " : "file ") << e.name << " (" << e.data.size() << " bytes)";
}

// The entries of an archive as libarchive's reader gives them under
// `locale`, sorted by name; the root of an image and the '/' ending a
// folder's name are left out.
std::vector<Entry> read_back(const std::string& path, const char* locale, const char* options) {
    ThreadLocale scope(locale);
    archive* a = archive_read_new();
    archive_read_support_format_all(a);
    std::vector<Entry> entries;
    if (archive_read_set_options(a, options) != ARCHIVE_OK ||
        archive_read_open_filename(a, path.c_str(), 10240) != ARCHIVE_OK) {
        ADD_FAILURE() << archive_error_string(a);
        archive_read_free(a);
        return entries;
    }
    archive_entry* e = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &e)) == ARCHIVE_OK) {
        Entry entry{archive_entry_pathname(e), {}, archive_entry_filetype(e) == AE_IFDIR};
        if (entry.directory && entry.name.ends_with('/')) entry.name.pop_back();
        char buffer[4096];
        la_ssize_t n;
        while (!entry.directory && (n = archive_read_data(a, buffer, sizeof buffer)) > 0)
            entry.data.insert(entry.data.end(), buffer, buffer + n);
        if (entry.name != ".") entries.push_back(std::move(entry));
    }
    if (r != ARCHIVE_EOF) ADD_FAILURE() << "read: " << archive_error_string(a);
    archive_read_free(a);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& x, const Entry& y) { return x.name < y.name; });
    return entries;
}

TEST(ArchiveWrite, EveryFormatReadsBackAsPacked) {
    const struct {
        ArchiveFormat format;
        bool store;
        bool folders;         // folders are entries of their own
        bool cp932;           // names are read back as code page 932 bytes
        const char* locale;   // the reader's
        const char* options;  // the reader's
    } cases[] = {
        {ArchiveFormat::iso, false, true, false, "C.UTF-8", ""},
        // The Joliet names, which readers without Rock Ridge take.
        {ArchiveFormat::iso, false, true, false, "C.UTF-8", "iso9660:!rockridge"},
        {ArchiveFormat::zip, false, true, false, "C.UTF-8", ""},
        {ArchiveFormat::zip, true, true, false, "C.UTF-8", ""},
        // Under "C" the reader converts nothing: the stored bytes come back.
        {ArchiveFormat::zip_cp932, false, true, true, "C", ""},
        {ArchiveFormat::sevenzip, false, true, false, "C.UTF-8", ""},
        // The reader takes a level-0 name for the locale's text unless told.
        {ArchiveFormat::lzh, false, false, false, "C.UTF-8", "hdrcharset=CP932"},
        {ArchiveFormat::cab, false, false, false, "C.UTF-8", ""},
    };
    TempFolder folder;
    int number = 0;
    for (const auto& c : cases) {
        const std::string path = folder / ("archive" + std::to_string(++number));
        SCOPED_TRACE(path);
        ASSERT_EQ(write_archive(c.format, tree(), path, {c.store, {}}), "");
        EXPECT_FALSE(std::filesystem::exists(path + ".part"));
        std::vector<Entry> expected;
        for (const ArchiveItem& item : tree()) {
            if (item.directory && !c.folders) continue;
            expected.push_back({c.cp932 ? cp932(item.path) : item.path, item.data, item.directory});
        }
        std::sort(expected.begin(), expected.end(),
                  [](const Entry& x, const Entry& y) { return x.name < y.name; });
        EXPECT_EQ(read_back(path, c.locale, c.options), expected);
    }
}

TEST(ArchiveWrite, LzhChecksAndLimits) {
    EXPECT_EQ(lzh_crc16({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xBB3D);
    Bytes out;
    EXPECT_EQ(lzh_bytes({{std::string(233, 'N'), {}}}, out), "");
    EXPECT_EQ(out.size(), 2 + 22 + 233 + 1u);
    EXPECT_EQ(
        lzh_bytes({{std::string(234, 'N'), {}}}, out),
        "the name " + std::string(234, 'N') + " is longer than an LZH header holds (233 bytes)");
    EXPECT_TRUE(out.empty());
}

}  // namespace
