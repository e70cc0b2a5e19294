// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN listing of hostile files: its time grows with the file, not with
// the square of the file times the texts it meets.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "avdtool/seen_listing.h"
#include "support/translate.h"

namespace {

using namespace scenario_test;

// A body of 0xFF bytes: each starts a text instruction whose text runs to
// the same zero, with no valid byte after it. The listing must neither
// transcode nor search the rest of the text at every byte before it finds
// that the instruction is not complete (which made 512 KiB take 4 seconds).
TEST(SeenListingLimits, TextInstructionsWithoutTheirEndAreNotTranscodedAtEveryByte) {
    // 1 MiB of 0xFF, then the zero that ends all their texts and a byte that
    // no text instruction has after its text.
    Bytes seen = translate(Bytes{}).seen;
    const std::size_t texts = 1 << 20;
    seen.insert(seen.end(), texts, 0xFF);
    seen.push_back(0x00);
    seen.push_back(0x03);
    const std::size_t body = texts + 2;
    const Bytes length = le32(static_cast<std::uint32_t>(body));
    std::copy(length.begin(), length.end(), seen.begin() + 95);

    const auto start = std::chrono::steady_clock::now();
    const SeenListing listing = list_seen(seen);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(listing.unknown_bytes, texts);
    EXPECT_FALSE(listing.complete);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

}  // namespace
