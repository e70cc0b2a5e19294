// SPDX-License-Identifier: GPL-2.0-or-later
#include "png_export.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "image/pdt10.h"

bool write_pdt10_png(std::span<const std::uint8_t> entry, const std::string& path,
                     std::string& error) {
    Pdt10Picture picture;
    if (!read_pdt10(entry, picture, error)) return false;
    if (picture.width == 0 || picture.height == 0) {
        error = "the picture is empty (" + std::to_string(picture.source_width) + " x " +
                std::to_string(picture.source_height) + " source pixels)";
        return false;
    }
    const std::vector<std::uint8_t> rgba = pdt10_to_rgba(picture);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
        error = std::string("cannot write ") + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}
