// Helpers of the image tests: pixel comparisons that name the first
// differing pixel, PDT10 plane access, and a package run in a temporary
// folder whose entries are read back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "image/pdt10.h"
#include "image/picture_decode.h"
#include "package/package.h"
#include "package/package_reader.h"

namespace image_test {

using gamekit::Bgr;
using gamekit::Bytes;

inline std::string describe(Bgr c) {
    char text[40];
    std::snprintf(text, sizeof text, "(b %u, g %u, r %u)", c.blue, c.green, c.red);
    return text;
}

// Compares the first `count` pixels of a decoded picture with `expected`
// (all of them when count is 0), naming the first difference.
inline ::testing::AssertionResult same_pixels(const DecodedPicture& decoded,
                                              const gamekit::RgbPicture& expected,
                                              std::size_t count = 0) {
    if (decoded.width != expected.width || decoded.height != expected.height) {
        return ::testing::AssertionFailure()
               << "size " << decoded.width << " x " << decoded.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    if (decoded.pixels.size() != expected.bgr.size()) {
        return ::testing::AssertionFailure() << "pixel buffer of " << decoded.pixels.size()
                                             << " bytes, expected " << expected.bgr.size();
    }
    if (count == 0) count = expected.bgr.size() / 3;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = &decoded.pixels[3 * i];
        const std::uint8_t* e = &expected.bgr[3 * i];
        if (d[0] != e[0] || d[1] != e[1] || d[2] != e[2]) {
            const std::size_t w = expected.width ? expected.width : 1;
            return ::testing::AssertionFailure()
                   << "first differing pixel at (" << i % w << ", " << i / w << "): decoded "
                   << describe(Bgr{d[0], d[1], d[2]}) << ", expected "
                   << describe(Bgr{e[0], e[1], e[2]});
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult same_mask(const ShadowMask& decoded,
                                            const gamekit::MaskPicture& expected) {
    if (decoded.width != expected.width || decoded.height != expected.height ||
        decoded.values.size() != expected.values.size()) {
        return ::testing::AssertionFailure()
               << "size " << decoded.width << " x " << decoded.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    for (std::size_t i = 0; i < expected.values.size(); ++i) {
        if (decoded.values[i] != expected.values[i]) {
            const std::size_t w = expected.width ? expected.width : 1;
            return ::testing::AssertionFailure()
                   << "first differing value at (" << i % w << ", " << i / w << "): decoded "
                   << int{decoded.values[i]} << ", expected " << int{expected.values[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

inline DecodedPicture decoded(const Bytes& file) {
    DecodedPicture picture;
    EXPECT_EQ(decode_picture(file, picture), PictureLoad::ok);
    return picture;
}

inline DecodedPicture as_decoded(const gamekit::RgbPicture& picture) {
    DecodedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    out.pixels = picture.bgr;
    return out;
}

// Plane access of a PDT10 block or entry of w x h pixels.
inline std::uint16_t colour_at(const std::vector<std::uint8_t>& block, std::uint32_t w,
                               std::uint32_t x, std::uint32_t y) {
    ByteReader r{block, kPdt10HeaderSize + 2 * (std::size_t{y} * w + x)};
    const std::uint16_t colour = r.le16();
    EXPECT_TRUE(r.ok) << "colour " << x << "," << y << " lies past the block";
    return colour;
}
inline std::uint8_t alpha_at(const std::vector<std::uint8_t>& block, std::uint32_t w,
                             std::uint32_t h, std::uint32_t x, std::uint32_t y) {
    return block.at(kPdt10HeaderSize + 2 * std::size_t{w} * h + std::size_t{y} * w + x);
}
inline std::uint32_t field_at(const std::vector<std::uint8_t>& block, std::size_t offset) {
    ByteReader r{block, offset};
    const std::uint32_t field = r.le32();
    EXPECT_TRUE(r.ok) << "field " << offset << " lies past the block";
    return field;
}

// A fresh folder under the temporary folder, removed at the end of the test.
struct TempFolder {
    std::string path;  // ends in a separator
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "msconv-image-XXXXXX").string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
        path = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

struct StoredEntry {
    std::string name;
    std::uint32_t offset = 0;  // where its data lie in the package: the order of adding
    Bytes data;
};

// A package whose staging file lives in its own temporary folder.
struct PackageRun {
    TempFolder folder;
    Package package;
    PackageRun() { EXPECT_EQ(open_package(package, folder.path), Status::ok); }

    // Finishes the package and returns its entries in directory order.
    std::vector<StoredEntry> finish() {
        const std::string path = folder.path + kPackageName;
        EXPECT_EQ(finish_package(package, path), Status::ok);
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(platform::read_file(path, bytes, UINT32_MAX), platform::ReadStatus::ok);
        PackageView view;
        std::string error;
        EXPECT_TRUE(parse_package(bytes.data(), bytes.size(), view, error)) << error;
        std::vector<StoredEntry> entries;
        for (const DirectoryEntry& entry : view.directory) {
            StoredEntry stored;
            stored.name = entry_name(entry);
            stored.offset = entry.offset;
            EXPECT_TRUE(extract_entry(view, entry, stored.data, error)) << error;
            entries.push_back(std::move(stored));
        }
        return entries;
    }
};

// Names of the entries, in directory order.
inline std::vector<std::string> names_of(const std::vector<StoredEntry>& entries) {
    std::vector<std::string> names;
    for (const StoredEntry& e : entries)
        names.push_back(e.name);
    return names;
}

}  // namespace image_test
