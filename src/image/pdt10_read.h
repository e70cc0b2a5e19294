// Reading a PDT10 picture back: for the tools that show what the player will
// show, and for tests. Every read is checked against the entry's size.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct Pdt10Picture {
    std::uint32_t source_width = 0;   // W from the header
    std::uint32_t source_height = 0;  // H from the header
    std::uint32_t width = 0;          // w = W / 2
    std::uint32_t height = 0;         // h = H / 2
    bool has_alpha = false;
    std::vector<std::uint16_t> colour;  // w x h 5-6-5 pixels
    std::vector<std::uint8_t> alpha;    // w x h bytes, all 255 without an alpha plane
};

// Parses a PDT10 entry. False, with a reason in `error`, when the magic is
// wrong, the alpha field is neither 0 nor the colour plane's size, or the
// entry is shorter than its planes.
bool read_pdt10(std::span<const std::uint8_t> entry, Pdt10Picture& picture, std::string& error);

// The picture as w x h RGBA pixels, 8 bits per channel, with straight
// (not premultiplied) colours.
std::vector<std::uint8_t> pdt10_to_rgba(const Pdt10Picture& picture);
