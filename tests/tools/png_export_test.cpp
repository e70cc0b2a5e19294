// SPDX-License-Identifier: GPL-2.0-or-later
// The PNG writer of avdtool, read back by libpng: every pixel comes back.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <vector>

#include "avdtool/png_export.h"
#include "gamekit/gamekit.h"

namespace {

TEST(PngExport, LibpngReadsBackEveryPixel) {
    gamekit::Random random(7);
    const struct { std::uint32_t width, height; } sizes[] = {{1, 1}, {3, 2}, {33, 17}, {320, 240}};
    for (const auto& size : sizes) {
        std::vector<std::uint8_t> rgba(4 * size.width * size.height);
        for (std::uint8_t& b : rgba)
            b = static_cast<std::uint8_t>(random() % 4 * 85);  // flat runs and edges
        std::vector<std::uint8_t> png;
        ASSERT_TRUE(encode_png(size.width, size.height, rgba, png));
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()))
            << image.message;
        image.format = PNG_FORMAT_RGBA;
        EXPECT_EQ(image.width, size.width);
        EXPECT_EQ(image.height, size.height);
        std::vector<std::uint8_t> back(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr))
            << image.message;
        EXPECT_EQ(back, rgba) << size.width << " x " << size.height;
    }
    std::vector<std::uint8_t> png;
    EXPECT_FALSE(encode_png(0, 5, {}, png));
    EXPECT_FALSE(encode_png(2, 2, std::vector<std::uint8_t>(15), png));
}

}  // namespace
